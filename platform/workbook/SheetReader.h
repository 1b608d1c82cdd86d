#pragma once

#include <stdexcept>
#include <string>

#include "Grid.h"
#include "platform/NamedError.h"

namespace workbook {

// A workbook that cannot be read: no such sheet, an unknown or damaged file.
class WorkbookError : public platform::NamedError {
  public:
    using platform::NamedError::NamedError;
    const char* className() const noexcept override { return "WorkbookError"; }
};

// Reads the used range of one sheet as text cells. The format is chosen by
// the file's content, not its name: Office Open XML (.xlsx/.xlsm),
// OpenDocument (.ods), Excel 2003 XML, Excel 97-2003 (.xls), or else text
// with comma- or tab-separated values (UTF-8, with or without byte-order
// mark), whose single sheet answers to any name and whose cells are the text
// as written. Numbers read as the general number form shows them ("12.5",
// "120", "4710000000001"); dates as "yyyy/mm/dd" (with " hh:nn:ss" when they
// carry a time); error values give empty cells.
// Throws WorkbookError.
Grid readSheet(const std::string& path, const std::string& sheetName);

// The CSV part on its own, for text already in memory.
Grid readCsv(std::string_view text);

} // namespace workbook
