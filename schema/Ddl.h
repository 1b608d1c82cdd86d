#pragma once
// The statement text the upgrade writes from the catalogue's data. Every name
// that enters a statement is checked first: letters, digits, "_" and "$" only.

#include <string>
#include <string_view>

#include "Catalogue.h"

namespace schema {

// The name itself when it is a plain identifier; throws std::invalid_argument
// otherwise.
const std::string& checkedIdentifier(const std::string& name);

std::string typeSql(const Column& c);
std::string createTableSql(const Table& t);
std::string createIndexSql(const std::string& table, const Index& index);
// "ALTER TABLE t ADD c VARCHAR(n)" and "ALTER TABLE t ADD c DOUBLE PRECISION ".
std::string addTextColumnSql(const std::string& table, const std::string& column,
                             const std::string& length);
std::string addDoubleColumnSql(const std::string& table, const std::string& column);
// The column's description (COMMENT ON COLUMN), quotes in the text doubled.
std::string commentSql(const std::string& table, const std::string& column,
                       const std::string& text);
// A text literal: the value between single quotes, quotes doubled.
std::string quoted(std::string_view value);

} // namespace schema
