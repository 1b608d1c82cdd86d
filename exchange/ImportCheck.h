#pragma once
// Checks the product list against the database and marks rows in CHG_USER:
// "*" when the category code is not on file, "#" when the product is (a row
// with both ends with "#"). Marks are only set, never cleared.

#include "Progress.h"
#include "platform/dataset/RecordSet.h"
#include "platform/db/Connection.h"

namespace exchange {

struct CheckResult {
    std::size_t rows = 0;
    std::size_t categoryUnknown = 0; // rows found without their category
    std::size_t onFile = 0;          // rows whose product number is on file
    bool cancelled = false;          // stopped on request before the last row
};

// Looks up every row's category code and product number, with the keys bound
// as parameters, a few hundred per statement, in one read-only transaction.
// A key too long for its column is not on file. A progress that answers false
// stops the check before the next row; the rows before it are marked. Throws
// DatabaseError; rows checked before the failing look-up keep their marks.
CheckResult checkList(dataset::RecordSet& list, db::Connection& conn,
                      const Progress& progress = {});

} // namespace exchange
