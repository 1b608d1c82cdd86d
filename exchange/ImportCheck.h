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

// Runs both look-ups of every row with the keys bound as parameters, in one
// read-only transaction. A key too long for its column is not on file. A
// progress that answers false stops the check after the current row. Throws
// DatabaseError; rows visited keep their marks.
CheckResult checkList(dataset::RecordSet& list, db::Connection& conn,
                      const Progress& progress = {});

} // namespace exchange
