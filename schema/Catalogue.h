#pragma once
// The tables the upgrade creates, as data: columns with their types, lengths
// and NOT NULL marks, primary keys, indices and the statements that follow a
// table's creation. The layouts several tables share (the record stamps, the
// bill-number table, the additional-charge lines, the till receipts) are
// defined once.

#include <string>
#include <string_view>
#include <vector>

#include "Statement.h"

namespace schema {

enum class ColumnType { Varchar, Char, Integer, Double };

struct Column {
    std::string name;
    ColumnType type = ColumnType::Varchar;
    int length = 0; // characters, for text
    bool notNull = false;
};

struct Index {
    std::string name;
    std::vector<std::string> columns;
};

struct Table {
    std::string name;
    std::vector<Column> columns;
    std::vector<std::string> primaryKey;
    std::vector<Index> indices;
    // Run right after the table is created, in this order: rows, column
    // descriptions, trigger redefinitions.
    std::vector<Statement> after;

    bool has(std::string_view column) const;
};

// A column list in the catalogue's compact form: items "NAME TYPE" separated
// by commas, TYPE being Vn (VARCHAR(n)), Cn (CHAR(n)), I (INTEGER) or D
// (DOUBLE PRECISION), "!" after it for NOT NULL; STAMPS stands for the seven
// record stamps, STAMPS:CHG_HOST=C20 for them with one column changed.
// Throws std::invalid_argument for an item it cannot read.
std::vector<Column> parseColumns(std::string_view spec);
Column parseColumn(std::string_view item);

// The tables the upgrade creates (76), in no particular order.
const std::vector<Table>& catalogueTables();
// One of them by name; throws std::out_of_range for a name it does not hold.
const Table& catalogueTable(std::string_view name);

} // namespace schema
