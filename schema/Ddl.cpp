#include "Ddl.h"

#include <stdexcept>

namespace schema {

const std::string& checkedIdentifier(const std::string& name) {
    bool ok = !name.empty() && !(name[0] >= '0' && name[0] <= '9');
    for (char c : name)
        ok = ok && ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                    c == '_' || c == '$');
    if (!ok)
        throw std::invalid_argument("不是有效的名稱：\"" + name + "\"");
    return name;
}

std::string typeSql(const Column& c) {
    switch (c.type) {
    case ColumnType::Varchar:
        return "VARCHAR(" + std::to_string(c.length) + ")";
    case ColumnType::Char:
        return "CHAR(" + std::to_string(c.length) + ")";
    case ColumnType::Integer:
        return "INTEGER";
    case ColumnType::Double:
        return "DOUBLE PRECISION";
    }
    return {};
}

std::string createTableSql(const Table& t) {
    std::string sql = "CREATE TABLE " + checkedIdentifier(t.name) + " (";
    for (std::size_t i = 0; i < t.columns.size(); ++i) {
        const Column& c = t.columns[i];
        sql += std::string(i ? "," : "") + "\n  " + checkedIdentifier(c.name) + " " + typeSql(c);
        if (c.notNull)
            sql += " NOT NULL";
    }
    if (!t.primaryKey.empty()) {
        sql += ",\n  PRIMARY KEY (";
        for (std::size_t i = 0; i < t.primaryKey.size(); ++i)
            sql += std::string(i ? ", " : "") + checkedIdentifier(t.primaryKey[i]);
        sql += ")";
    }
    return sql + "\n)";
}

std::string createIndexSql(const std::string& table, const Index& index) {
    std::string sql =
        "CREATE INDEX " + checkedIdentifier(index.name) + " ON " + checkedIdentifier(table) + " (";
    for (std::size_t i = 0; i < index.columns.size(); ++i)
        sql += std::string(i ? ", " : "") + checkedIdentifier(index.columns[i]);
    return sql + ")";
}

std::string addTextColumnSql(const std::string& table, const std::string& column,
                             const std::string& length) {
    bool digits = !length.empty() && length.find_first_not_of("0123456789") == std::string::npos;
    if (!digits)
        throw std::invalid_argument("不是有效的長度：\"" + length + "\"");
    return "ALTER TABLE " + checkedIdentifier(table) + " ADD " + checkedIdentifier(column) +
           " VARCHAR(" + length + ")";
}

std::string addDoubleColumnSql(const std::string& table, const std::string& column) {
    return "ALTER TABLE " + checkedIdentifier(table) + " ADD " + checkedIdentifier(column) +
           " DOUBLE PRECISION ";
}

std::string quoted(std::string_view value) {
    std::string out = "'";
    for (char c : value) {
        out += c;
        if (c == '\'')
            out += '\'';
    }
    return out + "'";
}

std::string commentSql(const std::string& table, const std::string& column,
                       const std::string& text) {
    return "COMMENT ON COLUMN " + checkedIdentifier(table) + "." + checkedIdentifier(column) +
           " IS " + quoted(text);
}

} // namespace schema
