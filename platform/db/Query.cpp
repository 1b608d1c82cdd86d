#include "Query.h"

#include <cmath>
#include <cstring>
#include <ibase.h>
#include <utility>

#include "../text/Text.h"
#include "Connection.h"
#include "FbApi.h"
#include "SqlParams.h"

namespace db {

using namespace Firebird;
using fb::Status;

namespace {

unsigned bytesPerChar(unsigned charset) {
    switch (charset) {
    case 4:
        return 4; // UTF8
    case 3:
        return 3; // UNICODE_FSS
    default:
        return 1;
    }
}

std::string twoDigits(unsigned v) {
    char b[8];
    std::snprintf(b, sizeof b, "%02u", v % 100);
    return b;
}

std::string dateText(ISC_DATE d) {
    unsigned y, m, day;
    fb::util()->decodeDate(d, &y, &m, &day);
    char b[16];
    std::snprintf(b, sizeof b, "%04u/%02u/%02u", y, m, day);
    return b;
}

std::string timeText(ISC_TIME t) {
    unsigned h, mi, s, f;
    fb::util()->decodeTime(t, &h, &mi, &s, &f);
    return twoDigits(h) + ":" + twoDigits(mi) + ":" + twoDigits(s);
}

double scaled(int64_t v, int scale) {
    return scale == 0 ? double(v) : double(v) * std::pow(10.0, scale);
}

} // namespace

Query::Query(Connection* connection) {
    setConnection(connection);
}

Query::~Query() {
    releaseHandles();
    if (conn_)
        conn_->unregisterQuery(this);
}

void Query::setConnection(Connection* connection) {
    if (connection == conn_)
        return;
    releaseHandles();
    if (conn_)
        conn_->unregisterQuery(this);
    conn_ = connection;
    if (conn_)
        conn_->registerQuery(this);
}

// The prepared statement is kept: it is reused when the text comes back the
// same (a caller that clears and re-adds the same lines pays no prepare).
void Query::textChanged() {
    close();
    parsed_ = false;
}

bool Query::needsPrepare() const {
    return !stmt_ || stmtGeneration_ != conn_->generation() || preparedSql_ != sql_;
}

void Query::freeStatement() noexcept {
    if (!stmt_)
        return;
    Status st;
    try {
        stmt_->free(&st);
    } catch (...) {
        stmt_->release();
    }
    stmt_ = nullptr;
}

void Query::clear() {
    lines_.clear();
    keyLookup_ = false;
    textChanged();
}

void Query::add(const std::string& line) {
    lines_.push_back(line);
    textChanged();
}

void Query::setSql(const std::string& text) {
    lines_ = text::splitLines(text);
    keyLookup_ = false;
    textChanged();
}

std::string Query::sqlText() const {
    return text::joinLines(lines_);
}

void Query::setParamCheck(bool on) {
    paramCheck_ = on;
    textChanged();
    preparedSql_.clear();
}

// Parses the text on first use after a change, keeping the values of
// parameters whose names are still there.
void Query::ensureParsed() {
    if (!parsed_) {
        std::string text = sqlText();
        std::vector<Param> old = std::move(params_);
        std::unordered_map<std::string, std::size_t> oldIndex = std::move(paramIndex_);
        params_.clear();
        paramIndex_.clear();
        markers_.clear();
        if (paramCheck_) {
            ParsedSql p = parseParams(text);
            sql_ = std::move(p.sql);
            for (const auto& n : p.names) {
                std::string key = text::upper(n);
                auto [it, added] = paramIndex_.try_emplace(key, params_.size());
                if (added) {
                    // A value set before the text changed carries over to the same name.
                    auto o = oldIndex.find(key);
                    params_.push_back(o != oldIndex.end() ? old[o->second]
                                                          : Param{n, {}, false, false});
                }
                markers_.push_back(it->second);
            }
        } else {
            sql_ = std::move(text);
        }
        parsed_ = true;
    }
}

Query::Param& Query::param(const std::string& name) {
    ensureParsed();
    // Statements that carry many rows have thousands of parameters: found by
    // their upper-cased name, not by a walk through the list.
    auto it = paramIndex_.find(text::upper(name));
    if (it == paramIndex_.end())
        throw UsageError("Parameter '" + name + "' not found");
    return params_[it->second];
}

void Query::assign(const std::string& name, Value value, bool isBlob) {
    Param& p = param(name);
    p.value = std::move(value);
    p.isBlob = isBlob;
    p.set = true;
}

void Query::setString(const std::string& name, const std::string& value) {
    assign(name, value, false);
}
void Query::setInt(const std::string& name, int64_t value) {
    assign(name, value, false);
}
void Query::setDouble(const std::string& name, double value) {
    assign(name, value, false);
}
void Query::setBlob(const std::string& name, const std::string& bytes) {
    assign(name, bytes, true);
}
void Query::setNull(const std::string& name) {
    assign(name, std::monostate{}, false);
}
void Query::setValue(const std::string& name, const Value& value) {
    assign(name, value, false);
}

void Query::releaseMetadata() noexcept {
    for (IMessageMetadata** m : {&inMsg_, &inMeta_, &outMeta_}) {
        if (*m)
            (*m)->release();
        *m = nullptr;
    }
}

// Prepares into locals and takes them over only when everything succeeded:
// a statement that failed to prepare must not look prepared to the next run.
void Query::prepare(ITransaction* tx) {
    freeStatement();
    releaseMetadata();
    inShape_.clear();
    preparedSql_.clear();
    Status st;
    struct Handles {
        IStatement* stmt = nullptr;
        IMessageMetadata *in = nullptr, *out = nullptr;
        ~Handles() {
            Status s;
            for (IMessageMetadata* m : {in, out})
                if (m)
                    m->release();
            if (stmt) {
                try {
                    stmt->free(&s);
                } catch (const DatabaseError&) {
                    stmt->release();
                }
            }
        }
    } h;
    ++conn_->requests().prepares;
    h.stmt = conn_->attachment()->prepare(&st, tx, 0, sql_.c_str(), conn_->dialect(),
                                          IStatement::PREPARE_PREFETCH_METADATA);
    unsigned type = h.stmt->getType(&st);
    h.in = h.stmt->getInputMetadata(&st);
    h.out = h.stmt->getOutputMetadata(&st);
    if (h.in->getCount(&st) != markers_.size())
        throw UsageError("The statement's parameters do not match its text");
    std::vector<InputSlot> slots(markers_.size());
    for (unsigned i = 0; i < markers_.size(); ++i)
        slots[i] = {h.in->getType(&st, i) & ~1u, h.in->getLength(&st, i), h.in->getSubType(&st, i),
                    h.in->getCharSet(&st, i)};
    stmt_ = std::exchange(h.stmt, nullptr);
    inMeta_ = std::exchange(h.in, nullptr);
    outMeta_ = std::exchange(h.out, nullptr);
    stmtType_ = type;
    stmtGeneration_ = conn_->generation();
    inSlots_ = std::move(slots);
    describeOutput();
    preparedSql_ = sql_;
}

bool Query::valueTooLongForItsColumn() const {
    for (std::size_t i = 0; i < markers_.size(); ++i) {
        const InputSlot& slot = inSlots_[i];
        if (slot.type != SQL_VARYING && slot.type != SQL_TEXT)
            continue;
        if (auto* s = std::get_if<std::string>(&params_[markers_[i]].value)) {
            unsigned bpc = bytesPerChar(slot.charset);
            std::size_t length = bpc > 1 ? text::codePoints(*s) : s->size();
            if (length > slot.length / bpc)
                return true;
        }
    }
    return false;
}

void Query::describeOutput() {
    Status st;
    unsigned n = outMeta_->getCount(&st);
    fields_.clear();
    fields_.reserve(n);
    for (unsigned i = 0; i < n; ++i) {
        FieldInfo f;
        const char* alias = outMeta_->getAlias(&st, i);
        f.name = (alias && *alias) ? alias : outMeta_->getField(&st, i);
        f.nullable = outMeta_->isNullable(&st, i);
        unsigned type = outMeta_->getType(&st, i) & ~1u;
        int scale = outMeta_->getScale(&st, i);
        unsigned len = outMeta_->getLength(&st, i);
        switch (type) {
        case SQL_TEXT:
        case SQL_VARYING:
            f.type = FieldType::Text;
            f.size = int(len / bytesPerChar(outMeta_->getCharSet(&st, i)));
            break;
        case SQL_SHORT:
        case SQL_LONG:
        case SQL_INT64:
            f.type = scale < 0 ? FieldType::Float : FieldType::Integer;
            break;
        case SQL_FLOAT:
        case SQL_DOUBLE:
        case SQL_D_FLOAT:
            f.type = FieldType::Float;
            break;
        case SQL_BLOB:
            f.type = outMeta_->getSubType(&st, i) == 1 ? FieldType::Memo : FieldType::Blob;
            break;
        case SQL_BOOLEAN:
            f.type = FieldType::Boolean;
            break;
        case SQL_TYPE_DATE:
            f.type = FieldType::Date;
            break;
        case SQL_TYPE_TIME:
            f.type = FieldType::Time;
            break;
        case SQL_TIMESTAMP:
            f.type = FieldType::DateTime;
            break;
        default:
            f.type = FieldType::Text;
            f.size = int(len);
            break;
        }
        fields_.push_back(std::move(f));
    }
    outBuf_.assign(outMeta_->getMessageLength(&st), 0);
}

IMessageMetadata* Query::inputMessage(ITransaction* tx, std::vector<unsigned char>& buf) {
    Status st;
    std::size_t n = markers_.size();
    if (n == 0) {
        buf.clear();
        return nullptr;
    }
    // The shape (type and length of every marker) decides whether the last
    // message layout can be reused; text lengths only grow, so a run of rows
    // settles on one layout.
    shape_.resize(n);
    for (std::size_t i = 0; i < n; ++i) {
        const Param& p = params_[markers_[i]];
        if (!p.set)
            throw UsageError("No value for parameter '" + p.name + "'");
        const InputSlot& srv = inSlots_[i];
        if (p.isBlob) {
            shape_[i] = {SQL_BLOB, unsigned(sizeof(ISC_QUAD))};
        } else if (auto* text = std::get_if<std::string>(&p.value)) {
            auto need = unsigned(text->size());
            if (need > 32765) {
                if (srv.type != SQL_BLOB)
                    throw DatabaseError("Value of parameter '" + p.name + "' is too long");
                shape_[i] = {SQL_BLOB, unsigned(sizeof(ISC_QUAD))};
                continue;
            }
            unsigned cap = std::max(32u, (need + 31) / 32 * 32);
            if (i < inShape_.size() && inShape_[i].first == SQL_VARYING)
                cap = std::max(cap, inShape_[i].second);
            shape_[i] = {SQL_VARYING, std::min(cap, 32765u)};
        } else if (std::holds_alternative<int64_t>(p.value)) {
            shape_[i] = {SQL_INT64, 8};
        } else if (std::holds_alternative<double>(p.value)) {
            shape_[i] = {SQL_DOUBLE, 8};
        } else {
            shape_[i] = {srv.type, srv.length};
        }
    }
    if (!inMsg_ || shape_ != inShape_) {
        IMetadataBuilder* b = inMeta_->getBuilder(&st);
        try {
            for (unsigned i = 0; i < n; ++i) {
                auto [type, len] = shape_[i];
                const InputSlot& srv = inSlots_[i];
                b->setType(&st, i, type | 1);
                if (type == SQL_VARYING) {
                    b->setCharSet(&st, i, conn_->charsetId());
                    b->setSubType(&st, i, 0);
                    b->setScale(&st, i, 0);
                } else if (type == SQL_BLOB) {
                    b->setSubType(&st, i, srv.type == SQL_BLOB ? srv.subType : 0);
                    if (srv.type == SQL_BLOB)
                        b->setCharSet(&st, i, srv.charset);
                } else if (type == SQL_INT64 || type == SQL_DOUBLE) {
                    b->setScale(&st, i, 0);
                    b->setSubType(&st, i, 0);
                }
                b->setLength(&st, i, len);
            }
            if (inMsg_)
                inMsg_->release();
            inMsg_ = b->getMetadata(&st);
        } catch (...) {
            b->release();
            throw;
        }
        b->release();
        inShape_ = shape_;
        inOffsets_.resize(n);
        for (unsigned i = 0; i < n; ++i)
            inOffsets_[i] = {inMsg_->getOffset(&st, i), inMsg_->getNullOffset(&st, i)};
        inLength_ = inMsg_->getMessageLength(&st);
    }
    buf.resize(inLength_);
    for (unsigned i = 0; i < n; ++i) {
        const Param& p = params_[markers_[i]];
        unsigned char* field = buf.data() + inOffsets_[i].first;
        short nullFlag = db::isNull(p.value) ? -1 : 0;
        std::memcpy(buf.data() + inOffsets_[i].second, &nullFlag, sizeof nullFlag);
        if (nullFlag)
            continue;
        switch (inShape_[i].first) {
        case SQL_VARYING: {
            const std::string& s = std::get<std::string>(p.value);
            auto len = static_cast<unsigned short>(s.size());
            std::memcpy(field, &len, 2);
            std::memcpy(field + 2, s.data(), s.size());
            break;
        }
        case SQL_INT64: {
            int64_t v = std::get<int64_t>(p.value);
            std::memcpy(field, &v, 8);
            break;
        }
        case SQL_DOUBLE: {
            double v = std::get<double>(p.value);
            std::memcpy(field, &v, 8);
            break;
        }
        case SQL_BLOB: {
            std::string bytes = toText(p.value);
            ISC_QUAD id;
            // Create, the segments, close: each a request of its own.
            conn_->requests().blobs += 2 + (bytes.size() + 32767) / 32768;
            IBlob* blob = conn_->attachment()->createBlob(&st, tx, &id, 0, nullptr);
            try {
                for (std::size_t off = 0; off < bytes.size(); off += 32768) {
                    auto chunk = unsigned(std::min<std::size_t>(32768, bytes.size() - off));
                    blob->putSegment(&st, chunk, bytes.data() + off);
                }
                blob->close(&st);
            } catch (...) {
                blob->release();
                throw;
            }
            std::memcpy(field, &id, sizeof id);
            break;
        }
        default:
            break;
        }
    }
    return inMsg_;
}

void Query::readRow(ITransaction* tx) {
    Status st;
    std::size_t n = fields_.size();
    row_.resize(n);
    const unsigned char* buf = outBuf_.data();
    for (unsigned i = 0; i < n; ++i) {
        Value& v = row_[i];
        if (*reinterpret_cast<const short*>(buf + outMeta_->getNullOffset(&st, i))) {
            v = std::monostate{};
            continue;
        }
        const unsigned char* p = buf + outMeta_->getOffset(&st, i);
        unsigned type = outMeta_->getType(&st, i) & ~1u;
        int scale = outMeta_->getScale(&st, i);
        switch (type) {
        case SQL_VARYING: {
            unsigned short len;
            std::memcpy(&len, p, 2);
            v = std::string(reinterpret_cast<const char*>(p + 2), len);
            break;
        }
        case SQL_TEXT: {
            unsigned len = outMeta_->getLength(&st, i);
            std::string s(reinterpret_cast<const char*>(p), len);
            unsigned bpc = bytesPerChar(outMeta_->getCharSet(&st, i));
            // Multi-byte CHAR(n) is padded to n times the widest character.
            v = bpc > 1 ? text::leftChars(s, len / bpc) : s;
            break;
        }
        case SQL_SHORT: {
            int16_t x;
            std::memcpy(&x, p, 2);
            if (scale < 0)
                v = scaled(x, scale);
            else
                v = int64_t(x);
            break;
        }
        case SQL_LONG: {
            int32_t x;
            std::memcpy(&x, p, 4);
            if (scale < 0)
                v = scaled(x, scale);
            else
                v = int64_t(x);
            break;
        }
        case SQL_INT64: {
            int64_t x;
            std::memcpy(&x, p, 8);
            if (scale < 0)
                v = scaled(x, scale);
            else
                v = x;
            break;
        }
        case SQL_FLOAT: {
            float x;
            std::memcpy(&x, p, 4);
            v = double(x);
            break;
        }
        case SQL_DOUBLE:
        case SQL_D_FLOAT: {
            double x;
            std::memcpy(&x, p, 8);
            v = x;
            break;
        }
        case SQL_BOOLEAN:
            v = int64_t(*p ? 1 : 0);
            break;
        case SQL_TYPE_DATE: {
            ISC_DATE d;
            std::memcpy(&d, p, sizeof d);
            v = dateText(d);
            break;
        }
        case SQL_TYPE_TIME: {
            ISC_TIME t;
            std::memcpy(&t, p, sizeof t);
            v = timeText(t);
            break;
        }
        case SQL_TIMESTAMP: {
            ISC_TIMESTAMP ts;
            std::memcpy(&ts, p, sizeof ts);
            v = dateText(ts.timestamp_date) + " " + timeText(ts.timestamp_time);
            break;
        }
        case SQL_BLOB: {
            ISC_QUAD id;
            std::memcpy(&id, p, sizeof id);
            IBlob* blob = conn_->attachment()->openBlob(&st, tx, &id, 0, nullptr);
            std::string data;
            try {
                char chunk[32768];
                for (;;) {
                    unsigned got = 0;
                    int r = blob->getSegment(&st, sizeof chunk, chunk, &got);
                    if (r != IStatus::RESULT_OK && r != IStatus::RESULT_SEGMENT)
                        break;
                    data.append(chunk, got);
                }
                blob->close(&st);
            } catch (...) {
                blob->release();
                throw;
            }
            v = std::move(data);
            break;
        }
        default:
            v = std::monostate{};
            break;
        }
    }
}

ITransaction* Query::runTransaction(bool readOnly) {
    ITransaction* tx = conn_->explicitTransaction();
    autoTx_ = tx == nullptr;
    return autoTx_ ? conn_->startAuto(readOnly) : tx;
}

void Query::finish(bool commit) noexcept {
    if (cursor_) {
        Status st;
        try {
            cursor_->close(&st);
        } catch (...) {
            cursor_->release();
        }
        cursor_ = nullptr;
    }
    if (tx_ && autoTx_)
        conn_->endAuto(tx_, commit);
    tx_ = nullptr;
    autoTx_ = false;
}

// Opens the connection for this statement. The after-connect handler may use
// this very statement object (a settings read on the module's shared query);
// its text and parameters are put back afterwards so the statement that
// caused the opening runs as it was set.
void Query::connect() {
    if (!conn_->connected()) {
        std::vector<std::string> lines = lines_;
        std::vector<Param> params = params_;
        bool paramCheck = paramCheck_;
        bool parsed = parsed_;
        auto restore = [&] {
            if (lines != lines_ || paramCheck != paramCheck_) {
                close();
                lines_ = std::move(lines);
                paramCheck_ = paramCheck;
                parsed_ = false;
            }
            if (parsed) {
                ensureParsed();
                params_ = std::move(params);
            }
        };
        try {
            conn_->open();
        } catch (...) {
            restore();
            throw;
        }
        restore();
    }
    ensureParsed();
}

void Query::open() {
    close();
    if (!conn_)
        throw UsageError("The statement has no connection");
    connect();
    tx_ = runTransaction(true);
    try {
        if (needsPrepare())
            prepare(tx_);
        if (autoTx_ && stmtType_ != isc_info_sql_stmt_select) {
            conn_->endAuto(tx_, true);
            tx_ = conn_->startAuto(false);
        }
        if (keyLookup_ && valueTooLongForItsColumn()) {
            row_.clear();
            active_ = true;
            eof_ = true;
            finish(true);
            return;
        }
        IMessageMetadata* in = inputMessage(tx_, inBuf_);
        Status st;
        ++conn_->requests().executes;
        cursor_ = stmt_->openCursor(&st, tx_, in, in ? inBuf_.data() : nullptr, outMeta_, 0);
        active_ = true;
        fetch();
    } catch (...) {
        active_ = false;
        finish(false);
        throw;
    }
}

void Query::fetch() {
    Status st;
    int r;
    try {
        r = cursor_->fetchNext(&st, outBuf_.data());
        if (r == IStatus::RESULT_OK) {
            ++conn_->requests().rowsFetched;
            readRow(tx_);
        }
    } catch (...) {
        active_ = false;
        finish(false);
        throw;
    }
    eof_ = r != IStatus::RESULT_OK;
    if (eof_)
        finish(true);
}

void Query::next() {
    if (!active_ || eof_)
        return;
    fetch();
}

void Query::exec() {
    run(false);
}

int64_t Query::execRowsAffected() {
    return run(true);
}

int64_t Query::run(bool count) {
    close();
    if (!conn_)
        throw UsageError("The statement has no connection");
    connect();
    tx_ = runTransaction(false);
    int64_t affected = 0;
    try {
        if (needsPrepare())
            prepare(tx_);
        IMessageMetadata* in = inputMessage(tx_, inBuf_);
        Status st;
        bool hasOutput = !fields_.empty();
        ++conn_->requests().executes;
        stmt_->execute(&st, tx_, in, in ? inBuf_.data() : nullptr, hasOutput ? outMeta_ : nullptr,
                       hasOutput ? outBuf_.data() : nullptr);
        if (hasOutput)
            readRow(tx_);
        if (count)
            affected = int64_t(stmt_->getAffectedRecords(&st));
    } catch (...) {
        finish(false);
        throw;
    }
    if (autoTx_) {
        Status st;
        ITransaction* tx = tx_;
        tx_ = nullptr;
        autoTx_ = false;
        ++conn_->requests().transactions;
        try {
            tx->commit(&st);
        } catch (...) {
            conn_->endAuto(tx, false);
            throw;
        }
    }
    tx_ = nullptr;
    return affected;
}

void Query::close() noexcept {
    finish(true);
    active_ = false;
    eof_ = true;
}

int Query::fieldIndex(const std::string& name) const {
    for (std::size_t i = 0; i < fields_.size(); ++i)
        if (text::equalsNoCase(fields_[i].name, name))
            return int(i);
    return -1;
}

const Value& Query::value(std::size_t index) const {
    static const Value null;
    return index < row_.size() ? row_[index] : null;
}

const Value& Query::value(const std::string& name) const {
    int i = fieldIndex(name);
    if (i < 0)
        throw DatabaseError("找不到欄位 '" + name + "'");
    return value(std::size_t(i));
}

void Query::releaseHandles() noexcept {
    close();
    releaseMetadata();
    freeStatement();
    inShape_.clear();
}

void Query::closeIfOn(ITransaction* tx) noexcept {
    if (tx_ == tx)
        close();
}

} // namespace db
