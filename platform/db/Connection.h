#pragma once

#include <cstdint>
#include <functional>
#include <set>
#include <string>

#include "ConnectionParams.h"

namespace Firebird {
class IAttachment;
class ITransaction;
} // namespace Firebird

namespace db {

class Query;

// One database connection over the Firebird client.
//
// The connection opens on the first statement that needs it, with the
// parameters then in force ("Database" as host:path goes through a server, a
// plain path opens the file with the embedded engine). The after-connect
// handler runs once the login is accepted and before that statement goes on;
// when it throws, the connection stays open and the statement fails with the
// handler's error. A failed open leaves the connection closed, so the next
// statement tries again.
//
// Outside an explicit transaction every statement runs in a transaction of its
// own, committed once it has executed (a read once its rows are fetched, in a
// read-only transaction, since a read-write commit costs a disk sync).
class Connection {
  public:
    Connection();
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    ConnectionParams& params() { return params_; }
    const ConnectionParams& params() const { return params_; }

    void setAfterConnect(std::function<void()> handler) { afterConnect_ = std::move(handler); }

    bool connected() const { return attachment_ != nullptr; }
    // Opens the connection when it is closed; throws DatabaseError.
    void open();
    // Rolls back an open explicit transaction and closes the connection.
    void close() noexcept;

    // Explicit transaction: statements run in it until commit or rollback. A
    // read-only one serves a run of reads (one transaction instead of one per
    // statement).
    void startTransaction(bool readOnly = false);
    void commit();
    void rollback();
    bool inTransaction() const { return explicit_ != nullptr; }
    // Savepoints inside the explicit transaction.
    void savepoint(const std::string& name);
    void releaseSavepoint(const std::string& name);
    void rollbackToSavepoint(const std::string& name);

    // Runs a statement without parameters or results (DDL included, e.g. a
    // CREATE TRIGGER whose body holds semicolons).
    void executeDirect(const std::string& sql);

    // Creates a new database file with UTF8 as its character set, using the
    // same parameter mapping as open(); the new database is not kept open.
    static void createDatabase(const ConnectionParams& params);

    // What this connection has asked of the engine, for measuring: over a
    // server each request is a network round trip (rows are fetched in
    // batches, so fetched rows are counted apart).
    struct Requests {
        uint64_t prepares = 0, executes = 0, transactions = 0, blobs = 0, rowsFetched = 0;
        uint64_t roundTrips() const { return prepares + executes + transactions + blobs; }
    };
    Requests& requests() { return requests_; }

    unsigned dialect() const { return dialect_; }
    // Character set id of the connection (4 for UTF8, 0 for NONE).
    unsigned charsetId() const { return charsetId_; }

    // For Query: the attachment (opening if need be), a counter that changes on
    // every open (prepared statements of an older one are void), and the
    // transaction a statement runs in.
    Firebird::IAttachment* attachment();
    unsigned generation() const { return generation_; }
    Firebird::ITransaction* explicitTransaction() { return explicit_; }
    Firebird::ITransaction* startAuto(bool readOnly);
    void endAuto(Firebird::ITransaction* tx, bool commit) noexcept;
    void registerQuery(Query* q) { queries_.insert(q); }
    void unregisterQuery(Query* q) { queries_.erase(q); }

  private:
    Firebird::ITransaction* begin(bool readOnly);
    void runOnExplicit(const std::string& sql);
    void closeCursorsOn(Firebird::ITransaction* tx);

    ConnectionParams params_;
    std::function<void()> afterConnect_;
    Firebird::IAttachment* attachment_ = nullptr;
    Firebird::ITransaction* explicit_ = nullptr;
    unsigned generation_ = 0;
    Requests requests_;
    unsigned dialect_ = 3;
    unsigned charsetId_ = 0;
    std::set<Query*> queries_;
};

} // namespace db
