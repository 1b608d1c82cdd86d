#include "SearchConditions.h"

namespace search {

using dataset::FieldDef;
using dataset::FieldKind;

std::string literal(MatchMode mode, const std::string& keyword) {
    std::string k;
    for (char c : keyword) {
        k += c;
        if (c == '\'')
            k += '\'';
    }
    switch (mode) {
    case MatchMode::Exact:
        return "'" + k + "'";
    case MatchMode::Prefix:
        return "'" + k + "%'";
    case MatchMode::Contains:
        return "'%" + k + "%'";
    }
    return "'" + k + "'";
}

const char* operatorFor(MatchMode mode) {
    return mode == MatchMode::Exact ? " = " : " like ";
}

SearchConditions::SearchConditions() {
    auto field = [](const char* name, FieldKind kind, int size) {
        FieldDef f;
        f.name = name;
        f.kind = kind;
        f.size = size;
        return f;
    };
    // SCH_VALUE holds any keyword a user types: a cut literal would lose its
    // closing quote.
    CDS_SQL.setFields(
        {field("recid", FieldKind::Integer, 0), field("SQL_WHERE", FieldKind::Text, 20),
         field("Col_Name", FieldKind::Text, 50), field("Col_DisplayName", FieldKind::Text, 50),
         field("SQL_GEN", FieldKind::Text, 20), field("SCH_VALUE", FieldKind::WideText, 0)});
    CDS_SQL.createDataSet();
}

std::vector<std::string> SearchConditions::connectiveItems() const {
    if (CDS_SQL.isEmpty())
        return {"首要"};
    return {"加上", "或者"};
}

bool SearchConditions::add(const std::string& connective, const std::string& colName,
                           const std::string& displayName, MatchMode mode,
                           const std::string& keyword) {
    if (colName.empty())
        return false;
    std::string where = connective == "或者" ? "OR" : connective == "加上" ? "AND" : "WHERE";
    CDS_SQL.append();
    CDS_SQL.setValue("recid", int64_t(CDS_SQL.rowCount() + 1));
    CDS_SQL.setValue("SQL_WHERE", where);
    CDS_SQL.setValue("Col_Name", colName);
    CDS_SQL.setValue("Col_DisplayName", displayName);
    CDS_SQL.setValue("SQL_GEN", std::string(operatorFor(mode)));
    CDS_SQL.setValue("SCH_VALUE", literal(mode, keyword));
    CDS_SQL.post();
    return true;
}

void SearchConditions::reset() {
    CDS_SQL.emptyDataSet();
}

std::vector<std::string> SearchConditions::composeLines(std::string select,
                                                        const std::string& table,
                                                        const std::string& tail) const {
    if (select.empty())
        select = " * ";
    std::vector<std::string> lines{"SELECT " + select + " FROM ", table + " "};
    for (std::size_t r = 0; r < CDS_SQL.rowCount(); ++r) {
        const auto& row = CDS_SQL.row(r);
        lines.push_back(" " + db::toText(row[1]) + " " + db::toText(row[2]) + " " +
                        db::toText(row[4]) + " " + db::toText(row[5]) + " ");
    }
    lines.push_back(" " + tail);
    return lines;
}

} // namespace search
