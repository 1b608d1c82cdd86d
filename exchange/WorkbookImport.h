#pragma once
// Reading a product workbook's "Sheet1" into the product list.

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "Progress.h"
#include "platform/NamedError.h"
#include "platform/dataset/RecordSet.h"
#include "platform/workbook/Grid.h"

namespace exchange {

// A numeric cell whose text is not a number.
class ConvertError : public platform::NamedError {
  public:
    using platform::NamedError::NamedError;
    const char* className() const noexcept override { return "ConvertError"; }
};

// A column's letters as a spreadsheet names it: 0 is "A", 26 is "AA".
std::string columnLetters(std::size_t column);

// Where a value of a sheet is: "第 1002 列 AH 欄（WUID），商品編號 A001：" (the
// product number only when the row has one).
std::string cellPlace(std::size_t sheetRow, std::size_t column, const std::string& caption,
                      const std::string& key);

// A leading apostrophe or U+007F loses that one character.
std::string_view stripPrefix(std::string_view cell);

struct ImportResult {
    std::size_t rowsRead = 0; // sheet rows after the header
    std::size_t appended = 0;
    std::size_t skipped = 0; // already in the list
    bool cancelled = false;  // stopped on request before the last row
};

// Appends every sheet row after the first whose product number is not yet in
// the list (column i of the sheet is list field i). Stops at the first row
// that cannot be stored (required field empty, number that is not a number):
// that row is discarded, the rows appended before it stay, and the error
// (ConvertError or RecordSetError, its message led by the cell's place) is
// thrown with `result` telling how far it got. A progress that answers false
// stops after the current row. sheetRows, when given, receives the product
// number and sheet row of each appended row.
struct ImportedRow {
    std::string key;
    std::size_t sheetRow;
};
void importIntoList(const workbook::Grid& grid, dataset::RecordSet& list, ImportResult& result,
                    const Progress& progress = {}, std::vector<ImportedRow>* sheetRows = nullptr);

} // namespace exchange
