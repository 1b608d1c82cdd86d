#pragma once
// Shared pieces of the two saves.

#include <functional>
#include <string>

#include "platform/db/Connection.h"
#include "platform/db/Query.h"

namespace exchange {

// Runs units of work (one product each) in transactions of kCommitGroup
// units, each unit under a savepoint: a unit that throws leaves nothing
// behind. run() rethrows the unit's error after the units before it have been
// committed; tryRun() instead reports false and carries on.
class SaveBatch {
  public:
    explicit SaveBatch(db::Connection& conn);
    ~SaveBatch();
    SaveBatch(const SaveBatch&) = delete;
    SaveBatch& operator=(const SaveBatch&) = delete;

    void run(const std::function<void()>& unit);
    bool tryRun(const std::function<void()>& unit);
    // As run(), for a unit whose only change is one statement: a statement
    // that fails leaves nothing of itself, so no savepoint is needed.
    void runSingleChange(const std::function<void()>& unit);
    // Commits what is pending and ends the batch.
    void finish();
    // Commits what is pending (the batch goes on in a new transaction).
    void commitPending();

  private:
    void begin();
    db::Connection& conn_;
    db::Query mark_, undo_;
    std::size_t inGroup_ = 0;
    bool open_ = false;
    bool external_ = false;
};

// Change and creation stamps of a save: time now (read for each column),
// user and host.
struct Stamps {
    std::string user, host;
    void set(db::Query& q) const;
};

// The cost and stock row: PRODUCT2's insert text and its values.
extern const char* const kProduct2Insert[];
void setProduct2(db::Query& q, const std::string& id, double cost, const Stamps& s,
                 const std::string& owner);

// Copies each product's category name from PROD_ITEM (firstLine: the
// statement's first line, which differs a blank between the two saves).
// Only rows whose copy differs are written: the outcome is the same for every
// row, and a table of 100,000 products is not rewritten on every save.
void refreshCategoryNames(db::Connection& conn, const char* firstLine);

} // namespace exchange
