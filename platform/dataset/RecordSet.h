#pragma once

#include <cstdint>
#include <stdexcept>
#include <optional>
#include <string>
#include <vector>

#include "platform/NamedError.h"
#include "platform/db/Value.h"

namespace db {
class Connection;
class Query;
} // namespace db

namespace dataset {

using db::Value;

enum class FieldKind {
    Text,     // narrow text of fixed width (packet type "string")
    WideText, // Unicode text (packet type "string.uni")
    Integer,  // 32-bit integer ("i4")
    Float,    // double ("r8")
    Blob,     // binary large object ("bin.hex", SUBTYPE "Binary")
    Memo,     // text large object ("bin.hex", SUBTYPE "Text")
    Boolean,  // ("boolean")
    DateTime, // ("dateTime"), held as text
};

struct FieldDef {
    std::string name;
    FieldKind kind = FieldKind::WideText;
    int size = 0; // characters, for text kinds
    bool required = false;
    std::string displayLabel; // empty: the name is shown
    int displayWidth = 0;     // characters; 0: from size
    bool visible = true;
    bool calculated = false; // computed by the client, never stored in a packet
    bool key = false;

    const std::string& label() const { return displayLabel.empty() ? name : displayLabel; }
};

// Failures of the record set itself (required field empty, unknown field,
// packet that cannot be read).
class RecordSetError : public platform::NamedError {
  public:
    using platform::NamedError::NamedError;
    // An error about one field's value names the field (its index).
    RecordSetError(const std::string& message, std::size_t field)
        : platform::NamedError(message), field_(field) {}
    const char* className() const noexcept override { return "RecordSetError"; }
    std::optional<std::size_t> field() const noexcept { return field_; }

  private:
    std::optional<std::size_t> field_;
};

// In-memory record set: field definitions, rows of values (with nulls), a
// cursor, append/edit/post with the required-field check, sorting, filling
// from a statement by command text, copying, and the XML packet form
// (DATAPACKET 2.0).
//
// Field definitions declared before the first open are fixed: a fill maps the
// statement's columns onto them by name (a missing column is an error, extra
// columns are ignored). Without declared fields a fill takes the statement's.
class RecordSet {
  public:
    RecordSet() = default;

    // Field definitions.
    void setFields(std::vector<FieldDef> fields);
    void addField(FieldDef field);
    const std::vector<FieldDef>& fields() const { return fields_; }
    FieldDef& field(std::size_t i) { return fields_[i]; }
    std::size_t fieldCount() const { return fields_.size(); }
    // Index by name without regard to case; -1 when there is none.
    int findField(const std::string& name) const;
    // As findField, but throws RecordSetError "Field 'X' not found".
    std::size_t fieldIndex(const std::string& name) const;

    // Open/close. createDataSet opens an empty set on the current fields.
    bool active() const { return active_; }
    // Throws RecordSetError when the set is closed.
    void requireActive() const;
    void createDataSet();
    void close();
    void emptyDataSet();

    // Provider side: the statement text a fill runs on the connection.
    void setConnection(db::Connection* c) { conn_ = c; }
    db::Connection* connection() const { return conn_; }
    void setCommandText(const std::string& sql) { commandTexts_ = {sql}; }
    // Several statements whose rows, read in this order, make up the set
    // (for a selection that one statement cannot name).
    void setCommandTexts(std::vector<std::string> texts) { commandTexts_ = std::move(texts); }
    // The (first) statement.
    const std::string& commandText() const;
    const std::vector<std::string>& commandTexts() const { return commandTexts_; }
    // Runs the command text and fills the rows; throws DatabaseError or
    // RecordSetError, leaving the set closed.
    void open();
    // Runs these statements instead of the current ones; only when all of
    // them succeed do their rows and texts replace the set's. On failure the
    // set is as it was (rows, texts, cursor) and the error is thrown.
    void reopenWith(std::vector<std::string> texts);
    // Fills from a query that is open on its first row.
    void fillFrom(db::Query& q);

    // Rows and cursor.
    std::size_t rowCount() const { return rows_.size(); }
    bool isEmpty() const { return rows_.empty(); }
    std::size_t recNo() const { return cur_; } // 0-based
    bool eof() const { return eof_; }
    bool bof() const { return bof_; }
    void first();
    void last();
    void next();
    void prior();
    void moveTo(std::size_t row);
    const std::vector<Value>& row(std::size_t i) const { return rows_[i]; }

    // Current row (or the row being edited).
    const Value& value(std::size_t field) const;
    const Value& value(const std::string& name) const { return value(fieldIndex(name)); }
    std::string asString(const std::string& name) const { return db::toText(value(name)); }
    bool isNull(const std::string& name) const { return db::isNull(value(name)); }

    // Editing: append or edit, set values, then post (or cancel).
    void append();
    void edit();
    void setValue(std::size_t field, Value v);
    void setValue(const std::string& name, Value v) { setValue(fieldIndex(name), std::move(v)); }
    // Checks required fields, then stores the row. On failure the row stays in
    // edit and RecordSetError names the first empty required field.
    void post();
    void cancel();
    bool editing() const { return state_ != State::Browse; }
    // Appends a whole row without the cursor dance (fills, copies, loaders).
    void appendRow(std::vector<Value> values);

    // Sorts by field names separated by ";" (ascending, nulls first).
    void setIndexFieldNames(const std::string& names, bool descending = false);
    // Replaces the index definitions by one named index on the given fields
    // and sorts by it.
    void setIndexName(const std::string& indexName, const std::string& fields) {
        indexName_ = indexName;
        setIndexFieldNames(fields);
    }
    const std::string& indexName() const { return indexName_; }
    const std::string& indexFieldNames() const { return indexFields_; }

    // Whole content: field definitions and rows.
    void copyFrom(const RecordSet& other);

    // XML packet form.
    std::string xmlPacket() const;
    void setXmlPacket(const std::string& xml);
    void saveToFile(const std::string& path) const;
    void loadFromFile(const std::string& path);

  private:
    // Reads the query's rows into `into`, mapping its columns onto the
    // fields (taking the query's fields when none are declared).
    void readRows(db::Query& q, std::vector<std::vector<Value>>& into);
    enum class State { Browse, Edit, Insert };
    void sortRows();

    std::vector<FieldDef> fields_;
    std::vector<std::vector<Value>> rows_;
    bool active_ = false;
    std::size_t cur_ = 0;
    bool eof_ = true, bof_ = true;
    State state_ = State::Browse;
    std::vector<Value> buffer_;
    db::Connection* conn_ = nullptr;
    std::vector<std::string> commandTexts_;
    std::string indexFields_;
    std::string indexName_;
    bool indexDescending_ = false;
    bool persistent_ = false; // fields declared by the owner, kept across fills
};

} // namespace dataset
