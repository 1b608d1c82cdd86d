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

bool SaveBatch::tryBlock(const std::function<void()>& statement) {
    if (blocksRefused_)
        return false;
    begin();
    try {
        statement();
        return true;
    } catch (const db::DatabaseError& e) {
        if (e.isStatementFault())
            blocksRefused_ = true;
        return false;
    }
}

void SaveBatch::unitDone() {
    if (++inGroup_ >= kCommitGroup)
        commit();
}

void SaveBatch::unitsDone(std::size_t n) {
    inGroup_ += n;
    if (inGroup_ >= kCommitGroup)
        commit();
}

void SaveBatch::finish() {
    commit();
}

db::Query& BlockStatements::get(const std::string& sql) {
    auto& q = prepared_[sql];
    if (!q) {
        if (prepared_.size() > 16) { // data of unusual shapes: start over
            prepared_.clear();
            return get(sql);
        }
        q = std::make_unique<db::Query>(&conn_);
        q->setSql(sql);
    }
    return *q;
}

std::size_t unitsThatFit(const std::function<std::string(std::size_t)>& textFor,
                         std::size_t wanted) {
    constexpr std::size_t kLimit = 64 * 1024 - 256;
    std::size_t n = wanted;
    while (n > 1 && textFor(n).size() > kLimit)
        n = n * kLimit / textFor(n).size();
    return std::max<std::size_t>(n, 1);
}

} // namespace exchange
