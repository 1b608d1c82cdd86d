#include "KeyLookup.h"

#include <algorithm>
#include <stdexcept>

#include "platform/text/Text.h"

namespace db {

namespace {

const std::string& identifier(const std::string& name) {
    bool ok = !name.empty();
    for (char c : name)
        ok = ok && ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '$');
    if (!ok)
        throw UsageError("Not a plain upper-case identifier: " + name);
    return name;
}

} // namespace

std::size_t declaredLength(std::size_t chars) {
    constexpr std::size_t kMost = 8191;
    if (chars > kMost)
        return 0;
    std::size_t n = 32;
    while (n < chars)
        n *= 2;
    return std::min(n, kMost);
}

KeyLookup::KeyLookup(Connection& conn, std::string table, std::string column)
    : conn_(conn), table_(std::move(table)), column_(std::move(column)) {
    identifier(table_);
    identifier(column_);
}

KeyLookup::~KeyLookup() = default;

Query& KeyLookup::statementFor(std::size_t count, std::size_t length) {
    auto& q = statements_[{count, length}];
    if (!q) {
        // EXECUTE BLOCK (K0 VARCHAR(32) = :K0, ...) RETURNS (I INTEGER): the
        // positions of the keys found.
        std::string sql = "EXECUTE BLOCK (";
        std::string type = " VARCHAR(" + std::to_string(length) + ") = :K";
        for (std::size_t i = 0; i < count; ++i) {
            std::string k = std::to_string(i);
            sql += (i ? ",\n  K" : "K") + k + type + k;
        }
        // A routine for the look-up: a statement may name at most 256
        // tables, so one subquery per key would not do.
        sql += ")\nRETURNS (I INTEGER)\nAS\n  DECLARE FUNCTION HAS (K VARCHAR(" +
               std::to_string(length) + ")) RETURNS BOOLEAN\n  AS\n  BEGIN\n    RETURN EXISTS (SELECT 1 FROM " +
               table_ + " WHERE " + column_ + " = :K);\n  END\nBEGIN\n";
        for (std::size_t i = 0; i < count; ++i) {
            std::string k = std::to_string(i);
            sql += "  IF (HAS(K" + k + ")) THEN BEGIN I = " + k + "; SUSPEND; END\n";
        }
        sql += "END";
        q = std::make_unique<Query>(&conn_);
        q->setSql(sql);
    }
    return *q;
}

void KeyLookup::findChunk(const std::vector<std::string>& keys, std::size_t from,
                          std::size_t count, std::vector<bool>& out) {
    std::size_t longest = 0;
    for (std::size_t i = 0; i < count; ++i)
        longest = std::max(longest, text::codePoints(keys[from + i]));
    Query& q = statementFor(count, declaredLength(longest));
    for (std::size_t i = 0; i < count; ++i)
        q.setString("K" + std::to_string(i), keys[from + i]);
    for (q.open(); !q.eof(); q.next())
        out[from + std::size_t(q.asInteger("I"))] = true;
    q.close();
}

std::vector<bool> KeyLookup::find(const std::vector<std::string>& keys) {
    std::vector<bool> out(keys.size(), false);
    // Keys no parameter can carry cannot be on file; the others go in order.
    std::vector<std::string> asked;
    std::vector<std::size_t> where;
    for (std::size_t i = 0; i < keys.size(); ++i)
        if (declaredLength(text::codePoints(keys[i])) != 0) {
            asked.push_back(keys[i]);
            where.push_back(i);
        }
    std::vector<bool> found(asked.size(), false);
    for (std::size_t from = 0; from < asked.size(); from += kKeysPerStatement)
        findChunk(asked, from, std::min(kKeysPerStatement, asked.size() - from), found);
    for (std::size_t i = 0; i < asked.size(); ++i)
        out[where[i]] = found[i];
    return out;
}

} // namespace db
