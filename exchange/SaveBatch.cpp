#include "SaveBatch.h"

#include "ProductSave.h"

namespace exchange {

SaveBatch::SaveBatch(db::Connection& conn) : conn_(conn) {}

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
    if (open_) return;
    conn_.open();
    // Inside a caller's transaction the units run under savepoints only; the
    // caller commits.
    external_ = conn_.inTransaction();
    if (!external_) conn_.startTransaction();
    open_ = true;
    inGroup_ = 0;
}

bool SaveBatch::tryRun(const std::function<void()>& unit) {
    begin();
    conn_.savepoint("UNIT");
    try {
        unit();
    } catch (...) {
        conn_.rollbackToSavepoint("UNIT");
        return false;
    }
    if (++inGroup_ >= kCommitGroup) commitPending();
    return true;
}

void SaveBatch::run(const std::function<void()>& unit) {
    begin();
    conn_.savepoint("UNIT");
    try {
        unit();
    } catch (...) {
        try {
            conn_.rollbackToSavepoint("UNIT");
            commitPending();
        } catch (...) {
        }
        throw;
    }
    if (++inGroup_ >= kCommitGroup) commitPending();
}

void SaveBatch::commitPending() {
    if (!open_ || external_) return;
    inGroup_ = 0;
    conn_.commit();
    open_ = conn_.inTransaction(); // a commit-retaining connection keeps it open
}

void SaveBatch::finish() { commitPending(); }

} // namespace exchange
