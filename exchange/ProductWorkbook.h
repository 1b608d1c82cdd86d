#pragma once
// The product workbook: sheet "Sheet1", a header of the list's captions, then
// one row per list row without the audit fields.

#include <optional>
#include <string>

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

// The export's text marker in front of product number, barcode and second code.
inline constexpr const char* kTextMarker = "\x7F";

} // namespace exchange
