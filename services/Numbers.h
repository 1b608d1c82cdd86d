#pragma once
// Rounding, bill numbering and parameter splitting.

#include <string>
#include <vector>

#include "platform/db/Connection.h"

namespace services {

// Rounds to 0 to 4 decimals, half away from zero after adding 0.00001 (so
// values just below a half in binary round up). Other decimal counts return
// the value unrounded.
double RoundNum(double value, int decimals);

// Splits at every "&"; the pieces go to dest, replacing its content.
void SplitParams(const std::string& params, std::vector<std::string>* dest);

// A table or column name: letters, digits and underscores only. Throws
// db::DatabaseError for anything else, since such a name goes into SQL text.
const std::string& checkedIdentifier(const std::string& name);

// The next document number of a day from a counter table (…_NUM):
// prefix + yyyymmdd + the sequence written with at least four digits. The
// counter is read and advanced in one statement, so two callers never get
// the same number; inside the caller's open transaction it advances there,
// otherwise in a transaction of its own (rolled back when it fails).
std::string GetMaxBillID(db::Connection& conn, const std::string& table, const std::string& day,
                         const std::string& prefix);

} // namespace services
