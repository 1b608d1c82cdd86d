#include "Connection.h"

#include <vector>

#include "../text/Text.h"
#include "FbApi.h"
#include "Query.h"
#include "Transaction.h"

namespace db {

using namespace Firebird;
using fb::Status;

namespace {

struct Target {
    std::string database;
    bool embedded;
};

// "host:path" (also "host/port:path") is a server; a plain path, or one that
// starts with a Windows drive letter, is a file for the embedded engine.
Target targetOf(const std::string& database) {
    auto colon = database.find(':');
    bool remote = colon != std::string::npos && colon > 1 && database[0] != '/' &&
                  database[0] != '.' && database.find('\\') > colon;
    if (database.rfind("inet://", 0) == 0 || database.rfind("xnet://", 0) == 0)
        remote = true;
    return {database, !remote};
}

bool truthy(const std::string& v) {
    return text::equalsNoCase(text::trim(v), "true");
}

unsigned charsetIdOf(const std::string& name) {
    std::string n = text::upper(text::trim(name));
    if (n == "UTF8" || n == "UTF-8")
        return 4;
    if (n == "UNICODE_FSS")
        return 3;
    if (n == "OCTETS")
        return 1;
    return 0;
}

// Database parameter block from the parameter list.
IXpbBuilder* buildDpb(Status& st, const ConnectionParams& p, bool embedded, bool create) {
    IXpbBuilder* dpb = fb::util()->getXpbBuilder(&st, IXpbBuilder::DPB, nullptr, 0);
    if (auto v = p.value("user_name"))
        dpb->insertString(&st, isc_dpb_user_name, v->c_str());
    if (auto v = p.value("password"))
        dpb->insertString(&st, isc_dpb_password, v->c_str());
    if (auto v = p.value("rolename"); v && !v->empty())
        dpb->insertString(&st, isc_dpb_sql_role_name, v->c_str());
    if (auto v = p.value("servercharset"); v && !v->empty())
        dpb->insertString(&st, isc_dpb_lc_ctype, v->c_str());
    if (auto v = p.value("sqldialect"))
        dpb->insertInt(&st, isc_dpb_sql_dialect, int(text::toIntDef(text::trim(*v), 3)));
    // Without the provider list the client may quietly reach the file through
    // a local server when one holds it; an embedded target must be opened
    // embedded. The engine then runs in this process, and bulk saves of
    // 100,000 products rewrite far more pages than its default cache of 2048
    // holds (each eviction is a synchronous write): give it 128 MB.
    if (embedded)
        dpb->insertString(&st, isc_dpb_config, "Providers=Engine12\nDefaultDbCachePages=16384");
    if (create) {
        dpb->insertInt(&st, isc_dpb_page_size, 8192);
        dpb->insertString(&st, isc_dpb_set_db_charset, "UTF8");
    }
    return dpb;
}

} // namespace

Connection::Connection() = default;

Connection::~Connection() {
    close();
    for (Query* q : queries_)
        q->forgetConnection();
}

namespace {

// The transaction isolation the parameters name; throws for a value no
// driver knows, naming the file and line it came from.
enum class Isolation { ReadCommitted, DirtyRead, Snapshot, Serializable };
Isolation isolationOf(const ConnectionParams& p) {
    auto v = p.value("isolationlevel");
    if (!v)
        return Isolation::ReadCommitted;
    std::string iso = text::lower(text::trim(*v));
    if (iso == "readcommitted")
        return Isolation::ReadCommitted;
    if (iso == "dirtyread")
        return Isolation::DirtyRead;
    if (iso == "repeatableread" || iso == "snapshot")
        return Isolation::Snapshot;
    if (iso == "serializable")
        return Isolation::Serializable;
    throw DatabaseError(p.where("isolationlevel") + "：isolationlevel 的值 \"" + *v +
                        "\" 無法辨識（可用 ReadCommitted、RepeatableRead、Serializable）");
}

} // namespace

void Connection::open() {
    if (attachment_)
        return;
    std::string database = text::trim(params_.valueOr("Database", ""));
    if (database.empty())
        throw DatabaseError(params_.where() + " 沒有指定資料庫（Database=主機:路徑 或 檔案路徑）");
    isolationOf(params_);
    Status st;
    Target t = targetOf(database);
    IXpbBuilder* dpb = buildDpb(st, params_, t.embedded, false);
    IProvider* prov = fb::master()->getDispatcher();
    try {
        attachment_ = prov->attachDatabase(&st, t.database.c_str(), dpb->getBufferLength(&st),
                                           dpb->getBuffer(&st));
    } catch (...) {
        dpb->dispose();
        prov->release();
        throw;
    }
    dpb->dispose();
    prov->release();
    dialect_ = unsigned(text::toIntDef(text::trim(params_.valueOr("sqldialect", "3")), 3));
    charsetId_ = charsetIdOf(params_.valueOr("servercharset", "NONE"));
    ++generation_;
    if (afterConnect_)
        afterConnect_();
}

void Connection::close() noexcept {
    if (!attachment_)
        return;
    for (Query* q : queries_)
        q->releaseHandles();
    if (explicit_) {
        Status st;
        try {
            explicit_->rollback(&st);
        } catch (...) {
        }
        explicit_ = nullptr;
    }
    Status st;
    try {
        attachment_->detach(&st);
    } catch (...) {
        attachment_->release();
    }
    attachment_ = nullptr;
}

IAttachment* Connection::attachment() {
    open();
    return attachment_;
}

ITransaction* Connection::begin(bool readOnly) {
    std::vector<unsigned char> tpb{
        isc_tpb_version3, static_cast<unsigned char>(readOnly ? isc_tpb_read : isc_tpb_write)};
    switch (isolationOf(params_)) {
    case Isolation::Snapshot:
        tpb.push_back(isc_tpb_concurrency);
        break;
    case Isolation::Serializable:
        tpb.push_back(isc_tpb_consistency);
        break;
    case Isolation::ReadCommitted:
    case Isolation::DirtyRead:
        tpb.push_back(isc_tpb_read_committed);
        tpb.push_back(isolationOf(params_) == Isolation::DirtyRead ? isc_tpb_no_rec_version
                                                                   : isc_tpb_rec_version);
        break;
    }
    tpb.push_back(truthy(params_.valueOr("waitonlocks", "True")) ? isc_tpb_wait : isc_tpb_nowait);
    Status st;
    ++requests_.transactions;
    return attachment()->startTransaction(&st, unsigned(tpb.size()), tpb.data());
}

ITransaction* Connection::startAuto(bool readOnly) {
    return begin(readOnly);
}

void Connection::endAuto(ITransaction* tx, bool commit) noexcept {
    if (!tx)
        return;
    Status st;
    ++requests_.transactions;
    try {
        if (commit)
            tx->commit(&st);
        else
            tx->rollback(&st);
        return;
    } catch (...) {
    }
    try {
        tx->rollback(&st);
    } catch (...) {
        tx->release();
    }
}

void Connection::startTransaction(bool readOnly) {
    if (explicit_)
        throw UsageError("A transaction is already open on this connection");
    explicit_ = begin(readOnly);
}

void Connection::closeCursorsOn(ITransaction* tx) {
    for (Query* q : queries_)
        q->closeIfOn(tx);
}

void Connection::commit() {
    if (!explicit_)
        throw UsageError("No transaction is open on this connection");
    closeCursorsOn(explicit_);
    Status st;
    ++requests_.transactions;
    if (truthy(params_.valueOr("commitretain", "False"))) {
        // Commit-retaining keeps the transaction context open after the commit.
        explicit_->commitRetaining(&st);
        return;
    }
    explicit_->commit(&st);
    explicit_ = nullptr;
}

void Connection::rollback() {
    if (!explicit_)
        return;
    closeCursorsOn(explicit_);
    ITransaction* tx = explicit_;
    explicit_ = nullptr;
    Status st;
    ++requests_.transactions;
    try {
        tx->rollback(&st);
    } catch (...) {
        tx->release();
        throw;
    }
}

void Connection::runOnExplicit(const std::string& sql) {
    if (!explicit_)
        throw UsageError("No transaction is open on this connection");
    Status st;
    ++requests_.executes;
    attachment_->execute(&st, explicit_, 0, sql.c_str(), dialect_, nullptr, nullptr, nullptr,
                         nullptr);
}

static std::string checkedName(const std::string& name) {
    for (char c : name)
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
              c == '_'))
            throw UsageError("Invalid savepoint name \"" + name + "\"");
    if (name.empty())
        throw UsageError("Invalid savepoint name \"\"");
    return name;
}

void Connection::savepoint(const std::string& name) {
    runOnExplicit("SAVEPOINT " + checkedName(name));
}

void Connection::releaseSavepoint(const std::string& name) {
    runOnExplicit("RELEASE SAVEPOINT " + checkedName(name));
}

void Connection::rollbackToSavepoint(const std::string& name) {
    runOnExplicit("ROLLBACK TO SAVEPOINT " + checkedName(name));
}

void Connection::executeDirect(const std::string& sql) {
    Transaction tx(*this);
    Status st;
    ++requests_.executes;
    attachment_->execute(&st, explicit_, 0, sql.c_str(), dialect_, nullptr, nullptr, nullptr,
                         nullptr);
    // Many statements (DDL) fail only here; the guard then rolls back.
    tx.commit();
}

void Connection::createDatabase(const ConnectionParams& params) {
    Status st;
    Target t = targetOf(params.valueOr("Database", ""));
    IXpbBuilder* dpb = buildDpb(st, params, t.embedded, true);
    IProvider* prov = fb::master()->getDispatcher();
    IAttachment* att = nullptr;
    try {
        att = prov->createDatabase(&st, t.database.c_str(), dpb->getBufferLength(&st),
                                   dpb->getBuffer(&st));
        att->detach(&st);
    } catch (...) {
        if (att)
            att->release();
        dpb->dispose();
        prov->release();
        throw;
    }
    dpb->dispose();
    prov->release();
}

} // namespace db
