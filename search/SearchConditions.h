#pragma once
// The search dialog's condition list and the composition of its query: the
// part of the dialog that needs no window.

#include <string>
#include <vector>

#include "platform/dataset/RecordSet.h"

namespace search {

enum class MatchMode { Exact = 0, Prefix = 1, Contains = 2 };

// The quoted literal of a keyword for a match mode, wildcards included; a
// quote in the keyword is doubled, so the literal always holds exactly the
// typed text.
std::string literal(MatchMode mode, const std::string& keyword);
// " = " for an exact match, " like " otherwise.
const char* operatorFor(MatchMode mode);

class SearchConditions {
  public:
    SearchConditions();

    // The condition list: recid, SQL_WHERE, Col_Name, Col_DisplayName,
    // SQL_GEN, SCH_VALUE; rows in the order they were added.
    dataset::RecordSet CDS_SQL;

    // The connective choices: "首要" while the list is empty, then "加上"
    // (AND) and "或者" (OR).
    std::vector<std::string> connectiveItems() const;

    // Adds a condition. colName empty (no column selected) adds nothing and
    // returns false. connective is the text of the chosen item.
    bool add(const std::string& connective, const std::string& colName,
             const std::string& displayName, MatchMode mode, const std::string& keyword);
    // Empties the list.
    void reset();
    std::size_t count() const { return CDS_SQL.rowCount(); }
    // Removes the only condition (Enter in the keyword box replaces it).
    void removeAll() { CDS_SQL.emptyDataSet(); }

    // The query lines: "SELECT " + select + " FROM ", table + " ", one line
    // per condition, " " + tail. An empty select list becomes " * ".
    std::vector<std::string> composeLines(std::string select, const std::string& table,
                                          const std::string& tail) const;
};

} // namespace search
