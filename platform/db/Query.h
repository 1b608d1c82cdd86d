#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "DatabaseError.h"
#include "Value.h"

namespace Firebird {
class IStatement;
class IResultSet;
class ITransaction;
class IMessageMetadata;
} // namespace Firebird

namespace db {

class Connection;

enum class FieldType { Text, Integer, Float, Blob, Memo, Boolean, Date, Time, DateTime };

// Metadata of one result column. size is in characters for text.
struct FieldInfo {
    std::string name;
    FieldType type = FieldType::Text;
    int size = 0;
    bool nullable = true;
};

// A statement object on a connection: SQL text held as lines, parameters
// written ":NAME" and set by name, opened for reading or executed for a
// change, fields read by name.
//
// The statement is prepared once and reused for as long as its text stays the
// same. Rows are read one at a time; each row's values are converted as it is
// fetched. Outside an explicit transaction a read runs in a read-only
// transaction that ends when the last row has been fetched or the query is
// closed; an executed change commits at once. All failures throw DatabaseError.
class Query {
  public:
    explicit Query(Connection* connection = nullptr);
    ~Query();
    Query(const Query&) = delete;
    Query& operator=(const Query&) = delete;

    void setConnection(Connection* connection);
    Connection* connection() const { return conn_; }

    // SQL text. Changing it closes the query; the statement is prepared again
    // only when the text it runs differs from the last one prepared.
    void clear();
    void add(const std::string& line);
    void setSql(const std::string& text);
    const std::vector<std::string>& lines() const { return lines_; }
    std::string sqlText() const;
    // When false, ":" is not taken as a parameter marker (PSQL bodies).
    void setParamCheck(bool on);
    // A look-up by key: a text value longer than the column its parameter
    // stands for cannot equal any value there, so open() then finds no row
    // instead of failing with the server's "string right truncation" (which a
    // key pasted into the text as a literal would not raise either). Statements
    // that store values keep the error. Set after the text: a new text
    // (clear() or setSql()) turns it off.
    void setKeyLookup(bool on) { keyLookup_ = on; }

    // Parameters by name; a name written twice in the text takes one value.
    void setString(const std::string& name, const std::string& value);
    void setInt(const std::string& name, int64_t value);
    void setDouble(const std::string& name, double value);
    void setBlob(const std::string& name, const std::string& bytes);
    void setNull(const std::string& name);
    void setValue(const std::string& name, const Value& value);

    // Runs a statement that returns rows and positions on the first row.
    void open();
    // Runs a statement for its effect. Output values of RETURNING or EXECUTE
    // PROCEDURE are readable afterwards.
    void exec();
    // As exec(), and returns the number of rows the statement changed (one
    // more request to the engine, so only where the count is wanted).
    int64_t execRowsAffected();
    void close() noexcept;

    bool active() const { return active_; }
    bool eof() const { return eof_; }
    void next();

    std::size_t fieldCount() const { return fields_.size(); }
    const std::vector<FieldInfo>& fields() const { return fields_; }
    // Index of a result column by name, without regard to case; -1 if none.
    int fieldIndex(const std::string& name) const;
    const Value& value(std::size_t index) const;
    const Value& value(const std::string& name) const;
    bool isNull(const std::string& name) const { return db::isNull(value(name)); }
    std::string asString(const std::string& name) const { return toText(value(name)); }
    int64_t asInteger(const std::string& name) const { return toInt(value(name)); }
    double asDouble(const std::string& name) const { return toDouble(value(name)); }
    // Moves the current row's values out (for filling a record set).
    std::vector<Value> takeRow() { return std::move(row_); }

    // Called by the connection before it closes or ends a transaction.
    void releaseHandles() noexcept;
    void closeIfOn(Firebird::ITransaction* tx) noexcept;
    void forgetConnection() noexcept { conn_ = nullptr; }

  private:
    struct Param {
        std::string name;
        Value value;
        bool isBlob = false;
        bool set = false;
    };

    void textChanged();
    void ensureParsed();
    void connect();
    void freeStatement() noexcept;
    bool needsPrepare() const;
    void prepare(Firebird::ITransaction* tx);
    bool valueTooLongForItsColumn() const;
    Param& param(const std::string& name);
    void assign(const std::string& name, Value value, bool isBlob);
    void releaseMetadata() noexcept;
    Firebird::IMessageMetadata* inputMessage(Firebird::ITransaction* tx,
                                             std::vector<unsigned char>& buffer);
    void describeOutput();
    void readRow(Firebird::ITransaction* tx);
    void fetch();
    int64_t run(bool count);
    Firebird::ITransaction* runTransaction(bool readOnly);
    void finish(bool commit) noexcept;

    Connection* conn_ = nullptr;
    std::vector<std::string> lines_;
    bool paramCheck_ = true;
    bool keyLookup_ = false;
    bool parsed_ = false;
    std::string sql_;
    std::vector<std::size_t> markers_; // parameter index per "?" marker
    std::vector<Param> params_;
    std::unordered_map<std::string, std::size_t> paramIndex_; // upper-cased name → params_

    Firebird::IStatement* stmt_ = nullptr;
    unsigned stmtGeneration_ = 0;
    unsigned stmtType_ = 0;
    std::string preparedSql_;
    Firebird::IMessageMetadata* inMeta_ = nullptr; // the server's description
    Firebird::IMessageMetadata* outMeta_ = nullptr;
    Firebird::IMessageMetadata* inMsg_ = nullptr; // the message we send
    // The server's description of each marker, read once per prepare.
    struct InputSlot {
        unsigned type, length;
        int subType;
        unsigned charset;
    };
    std::vector<InputSlot> inSlots_;
    std::vector<std::pair<unsigned, unsigned>> inShape_, shape_;
    std::vector<std::pair<unsigned, unsigned>> inOffsets_; // value, null flag
    unsigned inLength_ = 0;
    std::vector<unsigned char> inBuf_, outBuf_;

    Firebird::IResultSet* cursor_ = nullptr;
    Firebird::ITransaction* tx_ = nullptr;
    bool autoTx_ = false;
    bool active_ = false;
    bool eof_ = true;
    std::vector<FieldInfo> fields_;
    std::vector<Value> row_;
};

} // namespace db
