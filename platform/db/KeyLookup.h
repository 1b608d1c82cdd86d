#pragma once
// Which of many keys a table holds, a few hundred keys per statement instead
// of one statement per key.

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "Connection.h"
#include "Query.h"

namespace db {

class KeyLookup {
  public:
    // table and column: plain identifiers of our own (checked).
    KeyLookup(Connection& conn, std::string table, std::string column);
    ~KeyLookup();

    // For each key, whether a row of the table has it in the column, compared
    // as the database compares (its collation, trailing blanks). A key longer
    // than any text the database can hold is not there. The statements run in
    // the connection's transaction, or each in its own read-only one.
    std::vector<bool> find(const std::vector<std::string>& keys);

    // Keys asked per statement: the statement's text stays under Firebird's
    // 64 KB.
    static constexpr std::size_t kKeysPerStatement = 600;

  private:
    void findChunk(const std::vector<std::string>& keys, std::size_t from, std::size_t count,
                   std::vector<bool>& out);
    Query& statementFor(std::size_t count, std::size_t length);

    Connection& conn_;
    std::string table_, column_;
    // Prepared statements by their shape (keys, declared length): a long run
    // of lookups settles on one or two.
    std::map<std::pair<std::size_t, std::size_t>, std::unique_ptr<Query>> statements_;
};

// A declared length for parameters holding texts of at most `chars`
// characters: the next power of two from 32 up, so that statements built for
// slightly different data share one text; 0 when no text parameter can hold
// it (more than 8,191 characters, the most a UTF8 VARCHAR takes).
std::size_t declaredLength(std::size_t chars);

} // namespace db
