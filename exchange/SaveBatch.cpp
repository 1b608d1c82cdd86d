#include "SaveBatch.h"

#include "ProductSave.h"

namespace exchange {

SaveBatch::SaveBatch(db::Connection& conn) : conn_(conn), mark_(&conn), undo_(&conn) {
    // Prepared once: a savepoint per unit costs one execute, not a prepare.
    mark_.setSql("SAVEPOINT UNIT");
    undo_.setSql("ROLLBACK TO SAVEPOINT UNIT");
}

// A batch left by an exception that escaped around it commits nothing more:
// its open transaction is rolled back.
SaveBatch::~SaveBatch() {
    if (open_ && !external_) {
        try {
            conn_.rollback();
        } catch (...) {
        }
    }
}

void SaveBatch::begin() {
    if (open_)
        return;
    conn_.open();
    // Inside a caller's transaction the units run under savepoints only; the
    // caller commits.
    external_ = conn_.inTransaction();
    if (!external_)
        conn_.startTransaction();
    open_ = true;
    inGroup_ = 0;
}

bool SaveBatch::tryRun(const std::function<void()>& unit) {
    begin();
    mark_.exec();
    try {
        unit();
    } catch (...) {
        undo_.exec();
        return false;
    }
    if (++inGroup_ >= kCommitGroup)
        commitPending();
    return true;
}

void SaveBatch::run(const std::function<void()>& unit) {
    begin();
    mark_.exec();
    try {
        unit();
    } catch (...) {
        try {
            undo_.exec();
            commitPending();
        } catch (...) {
        }
        throw;
    }
    if (++inGroup_ >= kCommitGroup)
        commitPending();
}

void SaveBatch::runSingleChange(const std::function<void()>& unit) {
    begin();
    try {
        unit();
    } catch (...) {
        try {
            commitPending();
        } catch (...) {
        }
        throw;
    }
}

void SaveBatch::commitPending() {
    if (!open_ || external_)
        return;
    inGroup_ = 0;
    conn_.commit();
    open_ = conn_.inTransaction(); // a commit-retaining connection keeps it open
}

void SaveBatch::finish() {
    commitPending();
}

} // namespace exchange
