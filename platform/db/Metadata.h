#pragma once
// What the database says about its tables.

#include <map>
#include <string>

#include "Connection.h"

namespace db {

// The declared length, in characters, of every text column of a table, by
// upper-case column name (one statement). Throws DatabaseError.
std::map<std::string, int> textColumnLengths(Connection& conn, const std::string& table);

} // namespace db
