#pragma once
// The suite's base tables (base/base_schema.sql, built into the library), for
// new test and demonstration databases and for the upgrade's own checks.

#include <string>
#include <string_view>
#include <vector>

#include "platform/db/ConnectionParams.h"

namespace schema {

// A script's statements, each without its terminator. Lines starting with
// "--" are comments; "SET TERM x y" changes the terminator (for trigger
// bodies, which hold ";").
std::vector<std::string> splitScript(std::string_view script);

// The statements of the base-schema script.
std::vector<std::string> baseSchemaStatements();

// Creates the database the parameters name and runs the base schema in it.
void createBaseDatabase(const db::ConnectionParams& params);

// A new database as the upgrade leaves it: the base schema, then the upgrade
// (no edition).
void createUpgradedDatabase(const db::ConnectionParams& params);

} // namespace schema
