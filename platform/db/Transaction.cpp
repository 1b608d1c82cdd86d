#include "Transaction.h"

#include "Connection.h"
#include "DatabaseError.h"

namespace db {

Transaction::Transaction(Connection& conn, bool readOnly) : conn_(&conn), owns_(false) {
    conn.open();
    if (!conn.inTransaction()) {
        conn.startTransaction(readOnly);
        owns_ = true;
    }
}

Transaction::Transaction(Transaction&& other) noexcept : conn_(other.conn_), owns_(other.owns_) {
    other.owns_ = false;
}

Transaction::~Transaction() {
    // A transaction still open here was left by an error (or, on a
    // connection that commits retaining, holds nothing since its commit).
    if (owns_ && conn_->inTransaction()) {
        try {
            conn_->rollback();
        } catch (const DatabaseError&) {
            // The connection has already dropped the transaction handle.
        }
    }
}

void Transaction::commit() {
    if (owns_)
        conn_->commit();
}

void Transaction::rollback() {
    if (owns_)
        conn_->rollback();
}

} // namespace db
