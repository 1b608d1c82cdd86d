#include "SaveBatch.h"

#include "ProductSave.h"

namespace exchange {

SaveBatch::SaveBatch(db::Connection& conn, std::function<void()> onCommit)
    : conn_(conn), onCommit_(std::move(onCommit)), mark_(&conn), undo_(&conn) {
    // Prepared once: a savepoint per unit costs one execute, not a prepare.
    mark_.setSql("SAVEPOINT UNIT");
    undo_.setSql("ROLLBACK TO SAVEPOINT UNIT");
}

void SaveBatch::begin() {
    if (!tx_)
        tx_.emplace(conn_);
}

void SaveBatch::commit() {
    if (!tx_)
        return;
    tx_->commit();
    tx_.reset();
    inGroup_ = 0;
    if (onCommit_)
        onCommit_();
}

std::optional<std::string> SaveBatch::tryRun(const std::function<void()>& part) {
    begin();
    mark_.exec();
    try {
        part();
    } catch (const db::DatabaseError& e) {
        undo_.exec();
        return std::string(e.what());
    }
    return std::nullopt;
}

void SaveBatch::run(const std::function<void()>& part) {
    begin();
    mark_.exec();
    try {
        part();
    } catch (const db::DatabaseError&) {
        undo_.exec();
        commit();
        throw;
    }
}

void SaveBatch::runUnprotected(const std::function<void()>& part) {
    begin();
    try {
        part();
    } catch (const db::DatabaseError&) {
        commit();
        throw;
    }
}

void SaveBatch::unitDone() {
    if (++inGroup_ >= kCommitGroup)
        commit();
}

void SaveBatch::finish() {
    commit();
}

} // namespace exchange
