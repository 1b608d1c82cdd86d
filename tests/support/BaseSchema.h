#pragma once
// The base-schema script for test and demonstration databases, built into the
// program so that neither needs the source tree at run time.

#include <string>
#include <vector>

#include "platform/db/ConnectionParams.h"

namespace testdata {

// The statements of the base-schema script, each without its ";".
std::vector<std::string> baseSchemaStatements();

// Creates the database the parameters name and runs the base schema in it.
void createBaseDatabase(const db::ConnectionParams& params);

} // namespace testdata
