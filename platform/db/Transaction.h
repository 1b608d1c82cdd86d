#pragma once

namespace db {

class Connection;

// An explicit transaction owned by a guard: begun on construction, rolled
// back by the destructor unless it was committed, so that no path out of a
// block (an exception included) leaves it open. When the connection already
// runs a transaction (the caller's), the guard takes part in it without
// owning it: commit and rollback are then the owner's to do. Move-only.
class Transaction {
  public:
    explicit Transaction(Connection& conn, bool readOnly = false);
    Transaction(Transaction&& other) noexcept;
    Transaction& operator=(Transaction&&) = delete;
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    // Rolls back an owned transaction that is still open; never throws.
    ~Transaction();

    // Commits an owned transaction; throws DatabaseError (the transaction is
    // then rolled back by the destructor).
    void commit();
    // Rolls back an owned transaction now.
    void rollback();
    bool owns() const { return owns_; }

  private:
    Connection* conn_;
    bool owns_;
};

} // namespace db
