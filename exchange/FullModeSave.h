#pragma once
// Full mode: every row of the sheet (no header row) is a product, inserted
// when its number is not on file, otherwise updated, with its cost row, book
// row, seven price levels and description.

#include <string>
#include <vector>

#include "Progress.h"
#include "platform/db/Connection.h"
#include "platform/workbook/Grid.h"

namespace exchange {

// The values a sheet row stands for, derived from its cells.
struct FullModeRow {
    std::string categoryId, categoryName, key, name, shortName, barcode, unit, scale;
    double priceA = 0, priceB = 0, priceC = 0, cost = 0, originalPrice = 0;
    std::string supplierId, supplierName, moneyId, description, groupName, binding, verType,
        keyWord;
};
FullModeRow deriveFullModeRow(const workbook::Grid& grid, std::size_t row);

// The description as stored: UTF-8 byte-order mark, then every line of the
// text followed by CR LF.
std::string descriptionBytes(const std::string& text);

// A sheet row that did not save.
struct RowFailure {
    std::string key;          // its product number (trimmed column C)
    std::size_t sheetRow = 0; // as the spreadsheet numbers it
    std::string reason;       // the database's message, or what is missing
    std::size_t gridRow = 0;  // in the grid that was saved
};

struct UpsertResult {
    std::size_t rows = 0;     // rows holding anything
    std::size_t blank = 0;    // entirely blank rows, skipped
    std::size_t inserted = 0; // committed
    std::size_t updated = 0;  // committed
    std::vector<RowFailure> failed;
    bool cancelled = false; // stopped on request before the end
};

// A message of several lines (as the server gives them) on one line.
std::string messageLine(const std::string& message);
// The line the failure list shows for a product number.
std::string failureLine(const std::string& key);
// That line with the sheet row and the reason beside it.
std::string failureText(const RowFailure& f);

// The rows that did not save, as the sheet has them (columns A to X), with the
// row and reason in column Y: corrected, the workbook imports back in full
// mode. Throws WorkbookError.
void writeFailedSheetRows(const workbook::Grid& grid, const std::vector<RowFailure>& failed,
                          const std::string& path);

// Rows a statement of the full-mode save carries.
std::size_t rowsPerStatement();

// Saves every row. An entirely blank row is skipped; a row without a product
// number in column C, or whose product part fails, leaves nothing of it and
// goes to result.failed with its reason; the run goes on. A failing
// description ends the run with its error (rows before it stay saved). A
// product and its description are committed together. A progress that
// answers false stops after the current row; what is whole is committed and
// the refreshes do not run. At the end, refreshes the category names and
// fills missing supplier codes from the supplier names. Throws DatabaseError.
void upsertFullMode(const workbook::Grid& grid, db::Connection& conn, const std::string& ownerStamp,
                    UpsertResult& result, const Progress& progress = {});

} // namespace exchange
