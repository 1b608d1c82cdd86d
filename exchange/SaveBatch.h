#pragma once
// Shared pieces of the two saves.

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "platform/db/Connection.h"
#include "platform/db/Query.h"
#include "platform/db/Transaction.h"

namespace exchange {

// Runs the units of a save (one product each) in transactions of
// kCommitGroup units. A unit's protected part runs under a savepoint, so a
// part that fails leaves nothing behind; a unit is counted whole with
// unitDone(), which commits the group when it is full. A commit calls
// onCommit (for counting what has been committed). Only errors of the
// database are taken for failures of a unit; anything else passes through.
class SaveBatch {
  public:
    explicit SaveBatch(db::Connection& conn, std::function<void()> onCommit = {});
    SaveBatch(const SaveBatch&) = delete;
    SaveBatch& operator=(const SaveBatch&) = delete;

    // The protected part of a unit: its error is returned (nothing when it
    // succeeded) and the save goes on.
    std::optional<std::string> tryRun(const std::function<void()>& part);
    // The protected part of a unit in a save that stops at the first failure:
    // the units before it are committed, then its error is thrown.
    void run(const std::function<void()>& part);
    // A part outside the savepoint (one statement, whole or absent by itself):
    // on failure what ran before it is committed and its error thrown.
    void runUnprotected(const std::function<void()>& part);
    // A statement that carries many units (see BlockStatements). False when
    // the units are to go one by one instead: the statement as a whole failed
    // and nothing of it stays; or the database refused its text (one whose
    // tables differ from what the block names, as before the upgrade), and
    // the rest of the save then goes unit by unit without trying again.
    bool tryBlock(const std::function<void()>& statement);
    // The current unit is whole.
    void unitDone();
    // So many units are whole (a block of them).
    void unitsDone(std::size_t n);
    // Commits what is pending and ends the batch. An uncommitted batch that
    // is destroyed (an error or an exit passed through) is rolled back.
    void finish();

  private:
    void begin();
    void commit();
    db::Connection& conn_;
    std::function<void()> onCommit_;
    db::Query mark_, undo_;
    std::optional<db::Transaction> tx_;
    std::size_t inGroup_ = 0;
    bool blocksRefused_ = false;
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

// Statements that carry many units of a save: EXECUTE BLOCK with each unit's
// values as parameters and each unit in a sub-block of its own, whose
// implicit savepoint leaves nothing of a unit that fails. Their texts differ
// only in the lengths declared for text parameters, so they are kept
// prepared by text.
class BlockStatements {
  public:
    explicit BlockStatements(db::Connection& conn) : conn_(conn) {}
    db::Query& get(const std::string& sql);

  private:
    db::Connection& conn_;
    std::map<std::string, std::unique_ptr<db::Query>> prepared_;
};

// Firebird 3 takes statements of at most 64 KB: the most units of `wanted`
// whose text (as textFor builds it for a number of units, with the longest
// declared lengths) stays within that.
std::size_t unitsThatFit(const std::function<std::string(std::size_t)>& textFor,
                         std::size_t wanted);

// Copies each product's category name from PROD_ITEM (firstLine: the
// statement's first line, which differs a blank between the two saves).
// Only rows whose copy differs are written: the outcome is the same for every
// row, and a table of 100,000 products is not rewritten on every save.
void refreshCategoryNames(db::Connection& conn, const char* firstLine);

} // namespace exchange
