#pragma once
// Reading a product workbook's "Sheet1" into the product list.

#include <stdexcept>
#include <string>
#include <string_view>

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
// (ConvertError or RecordSetError) is thrown with `result` telling how far it
// got. A progress that answers false stops after the current row.
void importIntoList(const workbook::Grid& grid, dataset::RecordSet& list, ImportResult& result,
                    const Progress& progress = {});

} // namespace exchange
