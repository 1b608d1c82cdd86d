#pragma once
// The product workbook: sheet "Sheet1", a header of the list's captions, then
// one row per list row without the audit fields.

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/dataset/RecordSet.h"

namespace exchange {

// The export's file-name rule: ".xls" is appended unless the name contains
// ".xls" anywhere (case-sensitive). Returns nothing when the result is just
// ".xls" (the dialog was cancelled).
std::optional<std::string> exportFileName(const std::string& chosen);

// The tab-separated transfer text: the header line, then one line per row,
// CR LF between lines and a TAB after every value.
std::string transferText(dataset::RecordSet& list);

// Writes the product workbook. The list's cursor is left after its last row.
// Throws WorkbookError.
void writeProductWorkbook(dataset::RecordSet& list, const std::string& path);

// List rows that did not save (row, reason), in a workbook that imports back
// once corrected: the list's captions and kReasonCaption, then every field of
// each row in list order (codes with the text marker) and the reason after
// the last field, where the import does not read. Throws WorkbookError.
void writeFailedProducts(dataset::RecordSet& list,
                         const std::vector<std::pair<std::size_t, std::string>>& rows,
                         const std::string& path);
inline constexpr const char* kReasonCaption = "未存原因";

// The export's text marker in front of product number, barcode and second code.
inline constexpr const char* kTextMarker = "\x7F";

} // namespace exchange
