#pragma once
// The catalogue probes of the data module (the column adders are the
// upgrade's, see Upgrade.h). Each works on the statement object it is given:
// it closes it, replaces its text and runs it, so whatever the statement held
// before is gone. Names are compared in upper case, bound as parameters.

#include <string>

#include "platform/db/Query.h"

namespace schema {

// True when a table or view of that name exists.
bool searchTable(db::Query& q, const std::string& table);
// True when the catalogue holds a segment of an index of that name (any table).
bool searchIndex(db::Query& q, const std::string& index);
// True when a trigger of that name exists on that very table.
bool searchTrigger(db::Query& q, const std::string& table, const std::string& trigger);
// True when the table holds no row; throws when it does not exist.
bool tableIsEmpty(db::Query& q, const std::string& table);
// True when the table has a column of that name.
bool searchColumn(db::Query& q, const std::string& table, const std::string& column);

} // namespace schema
