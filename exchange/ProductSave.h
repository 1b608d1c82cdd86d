#pragma once
// Saving products: the owner stamp, the normal-mode insert of new list rows,
// and the closing refreshes of the denormalised names.

#include <optional>
#include <string>

#include "Progress.h"
#include "platform/dataset/RecordSet.h"
#include "platform/db/Connection.h"

namespace exchange {

// The owner stamp of the saves: the first line of the marker file when it
// exists and that line is not empty, otherwise the built-in stamp.
inline constexpr const char* kBuiltInOwnerStamp = "import@tavola.local";
std::string ownerStamp(const std::string& appFolder);

struct SaveResult {
    std::size_t rows = 0;    // list rows looked at
    std::size_t saved = 0;   // products inserted and committed
    std::size_t skipped = 0; // already on file
    bool cancelled = false;  // stopped on request before the end
    // The list row of the product whose error ended the save, if one did.
    std::optional<std::size_t> failedRow;
};

// Inserts every list row whose product number is not in PRODUCT: one PRODUCT,
// PRODUCT2 and PROD_PRICE (level 0) row each, all three or none. Products
// are committed in groups; the first product that fails ends the save with
// its error (the products before it stay saved, `result` tells how many) and
// the refreshes do not run. A progress that answers false stops the save
// after the current product: what is whole is committed and the refreshes do
// not run. At the end, refreshes the category and supplier names of the whole
// PRODUCT table. wuid goes to PRODUCT.WUID, the owner stamp to PRODUCT2.WUID.
// Throws DatabaseError.
void saveNewProducts(dataset::RecordSet& list, db::Connection& conn, const std::string& wuid,
                     const std::string& ownerStamp, SaveResult& result,
                     const Progress& progress = {});

// Products a statement of the normal save carries (fields: the list's).
std::size_t productsPerStatement(const std::vector<dataset::FieldDef>& fields);

// Products committed together by the saves.
inline constexpr std::size_t kCommitGroup = 2000;

} // namespace exchange
