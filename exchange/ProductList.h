#pragma once
// The product list: the main window's record set of PRODUCT rows with its 34
// fixed fields, the load-all statement, the column rule and the row marks.

#include <string>
#include <vector>

#include "platform/dataset/RecordSet.h"

namespace exchange {

// The 34 fields in list order, with captions and display widths.
std::vector<dataset::FieldDef> productListFields();

inline constexpr const char* kLoadAllSql = "SELECT * FROM PRODUCT ORDER BY PROD_ID ";

// Closes the list, sets its statement to the load-all text and opens it.
void loadAll(dataset::RecordSet& list);

// The audit fields (CHG_DATETIME to WUID), which load-all hides.
bool isAuditField(const std::string& fieldName);

// What load-all does to one grid column: shown or hidden, and the width in
// pixels for a shown column whose display width exceeds 40 (0: keep default).
struct ColumnLayout {
    bool visible;
    int width;
};
std::vector<ColumnLayout> loadAllLayout(const dataset::RecordSet& list);

// Row marks of the check, held in CHG_USER.
enum class RowMark { None, CategoryUnknown, OnFile };
inline constexpr const char* kMarkField = "CHG_USER";
inline constexpr const char* kMarkCategoryUnknown = "*";
inline constexpr const char* kMarkOnFile = "#";
RowMark rowMark(const dataset::RecordSet& list, std::size_t row);

// The filter's select list: the list's field names joined by ",", with one
// blank after the last.
std::string selectList(const dataset::RecordSet& list);

// The statement that lists exactly the given products, ordered by number.
// Each number is written as a correctly quoted literal, so a number holding a
// quote is looked up as it stands. The server takes at most kMaxInList values
// in one IN list (and 64 KB of statement text): more products are listed by
// several statements, each naming a run of the numbers in ascending order, so
// that their rows, read one after the other, are in number order too.
std::vector<std::string> selectedProductsSql(const std::string& selectList,
                                             std::vector<std::string> ids);
inline constexpr std::size_t kMaxInList = 1500;

// Full mode: the marker file "lumara.txt" in the application folder.
inline constexpr const char* kMarkerFile = "lumara.txt";
bool fullModeMarkerPresent(const std::string& appFolder);

} // namespace exchange
