#pragma once

#include <string>
#include <utility>
#include <vector>

namespace testdata {

// A minimal Office Open XML workbook with one sheet: the sheet part's XML,
// optionally shared strings, the target the workbook's relationship gives the
// sheet, and the sheet's name.
void writeXlsx(const std::string& path, const std::string& sheetData,
               const std::string& sharedStrings = "",
               const std::string& sheetTarget = "worksheets/sheet1.xml",
               const std::string& sheetName = "Sheet1");

} // namespace testdata
