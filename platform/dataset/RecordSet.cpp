#include "RecordSet.h"

#include <algorithm>
#include <cstring>
#include <fmt/format.h>
#include <pugixml.hpp>
#include <sstream>

#include "platform/db/Query.h"
#include "platform/text/Text.h"

namespace dataset {

namespace {

const char* packetType(FieldKind k) {
    switch (k) {
    case FieldKind::Text:
        return "string";
    case FieldKind::WideText:
        return "string.uni";
    case FieldKind::Integer:
        return "i4";
    case FieldKind::Float:
        return "r8";
    case FieldKind::Blob:
    case FieldKind::Memo:
        return "bin.hex";
    case FieldKind::Boolean:
        return "boolean";
    case FieldKind::DateTime:
        return "dateTime";
    }
    return "string";
}

FieldKind kindOf(db::FieldType t) {
    switch (t) {
    case db::FieldType::Text:
        return FieldKind::WideText;
    case db::FieldType::Integer:
        return FieldKind::Integer;
    case db::FieldType::Float:
        return FieldKind::Float;
    case db::FieldType::Blob:
        return FieldKind::Blob;
    case db::FieldType::Memo:
        return FieldKind::Memo;
    case db::FieldType::Boolean:
        return FieldKind::Boolean;
    default:
        return FieldKind::DateTime;
    }
}

const char* b64chars = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

std::string base64(const std::string& in) {
    std::string out;
    out.reserve((in.size() + 2) / 3 * 4);
    std::size_t i = 0;
    for (; i + 2 < in.size(); i += 3) {
        unsigned v =
            (unsigned char)in[i] << 16 | (unsigned char)in[i + 1] << 8 | (unsigned char)in[i + 2];
        for (int s = 18; s >= 0; s -= 6)
            out += b64chars[(v >> s) & 63];
    }
    if (i < in.size()) {
        unsigned v = (unsigned char)in[i] << 16;
        if (i + 1 < in.size())
            v |= (unsigned char)in[i + 1] << 8;
        out += b64chars[(v >> 18) & 63];
        out += b64chars[(v >> 12) & 63];
        out += i + 1 < in.size() ? b64chars[(v >> 6) & 63] : '=';
        out += '=';
    }
    return out;
}

std::string unbase64(const std::string& in) {
    std::string out;
    unsigned v = 0;
    int bits = 0;
    for (char c : in) {
        const char* p = std::strchr(b64chars, c);
        if (!p || c == 0)
            continue;
        v = (v << 6) | unsigned(p - b64chars);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            out += char((v >> bits) & 0xFF);
        }
    }
    return out;
}

// Orders values: null first, then numbers, then text (byte order).
int compareValues(const Value& a, const Value& b) {
    if (a.index() == 0 || b.index() == 0)
        return int(a.index() != 0) - int(b.index() != 0);
    bool an = a.index() != 1, bn = b.index() != 1;
    if (an && bn) {
        double x = db::toDouble(a), y = db::toDouble(b);
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    if (an != bn)
        return an ? -1 : 1;
    return std::get<std::string>(a).compare(std::get<std::string>(b));
}

} // namespace

void RecordSet::setFields(std::vector<FieldDef> fields) {
    close();
    fields_ = std::move(fields);
    persistent_ = true;
}

void RecordSet::addField(FieldDef field) {
    close();
    fields_.push_back(std::move(field));
    persistent_ = true;
}

int RecordSet::findField(const std::string& name) const {
    for (std::size_t i = 0; i < fields_.size(); ++i)
        if (text::equalsNoCase(fields_[i].name, name))
            return int(i);
    return -1;
}

std::size_t RecordSet::fieldIndex(const std::string& name) const {
    int i = findField(name);
    if (i < 0)
        throw RecordSetError("找不到欄位 '" + name + "'");
    return std::size_t(i);
}

void RecordSet::requireActive() const {
    if (!active_)
        throw RecordSetError("資料集尚未開啟");
}

void RecordSet::createDataSet() {
    close();
    active_ = true;
    first();
}

void RecordSet::close() {
    rows_.clear();
    buffer_.clear();
    state_ = State::Browse;
    active_ = false;
    cur_ = 0;
    eof_ = bof_ = true;
}

void RecordSet::emptyDataSet() {
    requireActive();
    rows_.clear();
    state_ = State::Browse;
    first();
}

const std::string& RecordSet::commandText() const {
    static const std::string none;
    return commandTexts_.empty() ? none : commandTexts_.front();
}

void RecordSet::open() {
    if (!conn_)
        throw RecordSetError("Missing connection or provider");
    close();
    std::vector<std::vector<Value>> rows;
    db::Query q(conn_);
    for (const auto& text : commandTexts_) {
        q.setSql(text);
        q.open();
        readRows(q, rows);
    }
    rows_ = std::move(rows);
    active_ = true;
    sortRows();
    first();
}

void RecordSet::reopenWith(std::vector<std::string> texts) {
    if (!conn_)
        throw RecordSetError("Missing connection or provider");
    std::vector<std::vector<Value>> rows;
    std::vector<FieldDef> fields = fields_;
    db::Query q(conn_);
    try {
        for (const auto& text : texts) {
            q.setSql(text);
            q.open();
            readRows(q, rows);
        }
    } catch (...) {
        fields_ = std::move(fields); // a set without declared fields took the query's
        throw;
    }
    close();
    commandTexts_ = std::move(texts);
    rows_ = std::move(rows);
    active_ = true;
    sortRows();
    first();
}

void RecordSet::fillFrom(db::Query& q) {
    close();
    std::vector<std::vector<Value>> rows;
    readRows(q, rows);
    rows_ = std::move(rows);
    active_ = true;
    sortRows();
    first();
}

void RecordSet::readRows(db::Query& q, std::vector<std::vector<Value>>& into) {
    const auto& cols = q.fields();
    std::vector<int> map; // list field -> query column
    if (persistent_) {
        for (const auto& f : fields_) {
            if (f.calculated) {
                map.push_back(-1);
                continue;
            }
            int c = q.fieldIndex(f.name);
            if (c < 0)
                throw RecordSetError("找不到欄位 '" + f.name + "'");
            map.push_back(c);
        }
    } else {
        fields_.clear();
        for (const auto& c : cols) {
            FieldDef f;
            f.name = c.name;
            f.kind = kindOf(c.type);
            f.size = c.size;
            fields_.push_back(std::move(f));
        }
    }
    bool identity = !persistent_;
    if (persistent_ && map.size() == cols.size()) {
        identity = true;
        for (std::size_t i = 0; i < map.size(); ++i)
            identity = identity && map[i] == int(i);
    }
    while (!q.eof()) {
        if (identity) {
            into.push_back(q.takeRow());
        } else {
            std::vector<Value> src = q.takeRow();
            std::vector<Value> row(fields_.size());
            for (std::size_t i = 0; i < map.size(); ++i)
                if (map[i] >= 0)
                    row[i] = std::move(src[std::size_t(map[i])]);
            into.push_back(std::move(row));
        }
        q.next();
    }
}

void RecordSet::first() {
    cur_ = 0;
    bof_ = true;
    eof_ = rows_.empty();
}

void RecordSet::last() {
    cur_ = rows_.empty() ? 0 : rows_.size() - 1;
    eof_ = true;
    bof_ = rows_.empty();
}

void RecordSet::next() {
    if (cur_ + 1 < rows_.size()) {
        ++cur_;
        bof_ = false;
    } else {
        eof_ = true;
    }
}

void RecordSet::prior() {
    if (cur_ > 0) {
        --cur_;
        eof_ = false;
    } else {
        bof_ = true;
    }
}

void RecordSet::moveTo(std::size_t row) {
    if (rows_.empty())
        return first();
    cur_ = std::min(row, rows_.size() - 1);
    bof_ = cur_ == 0;
    eof_ = false;
}

const Value& RecordSet::value(std::size_t field) const {
    static const Value null;
    if (state_ != State::Browse)
        return buffer_.at(field);
    if (rows_.empty() || field >= fields_.size())
        return null;
    return rows_[cur_][field];
}

void RecordSet::append() {
    requireActive();
    if (editing())
        post();
    buffer_.assign(fields_.size(), Value{});
    state_ = State::Insert;
}

void RecordSet::edit() {
    requireActive();
    if (editing())
        return;
    if (rows_.empty())
        return append();
    buffer_ = rows_[cur_];
    state_ = State::Edit;
}

void RecordSet::setValue(std::size_t field, Value v) {
    if (!editing())
        edit();
    const FieldDef& f = fields_.at(field);
    bool textKind = f.kind == FieldKind::Text || f.kind == FieldKind::WideText;
    if (auto* s = std::get_if<std::string>(&v)) {
        // Empty text is no value, as the required-field check sees it.
        if (s->empty() && textKind) {
            buffer_[field] = Value{};
            return;
        }
        // Narrow text has a fixed width; Unicode text is kept whole so that a
        // value too long for its column fails where it is stored, not cut.
        if (f.kind == FieldKind::Text && f.size > 0 && text::codePoints(*s) > std::size_t(f.size))
            *s = text::leftChars(*s, std::size_t(f.size));
        if (f.kind == FieldKind::Integer)
            v = db::toInt(v);
        else if (f.kind == FieldKind::Float)
            v = db::toDouble(v);
    } else if (!db::isNull(v) && textKind) {
        v = db::toText(v);
    } else if (f.kind == FieldKind::Float && std::holds_alternative<int64_t>(v)) {
        v = double(std::get<int64_t>(v));
    }
    buffer_[field] = std::move(v);
}

void RecordSet::post() {
    if (!editing())
        return;
    for (std::size_t i = 0; i < fields_.size(); ++i) {
        const FieldDef& f = fields_[i];
        if (f.required && !f.calculated && db::isNull(buffer_[i]))
            throw RecordSetError("欄位 '" + f.label() + "' 必須有值", i);
    }
    if (state_ == State::Insert) {
        rows_.push_back(std::move(buffer_));
        cur_ = rows_.size() - 1;
    } else {
        rows_[cur_] = std::move(buffer_);
    }
    buffer_.clear();
    state_ = State::Browse;
    eof_ = bof_ = false;
}

void RecordSet::cancel() {
    buffer_.clear();
    state_ = State::Browse;
}

void RecordSet::appendRow(std::vector<Value> values) {
    values.resize(fields_.size());
    rows_.push_back(std::move(values));
    if (rows_.size() == 1)
        first();
}

void RecordSet::setIndexFieldNames(const std::string& names, bool descending) {
    indexFields_ = names;
    indexDescending_ = descending;
    if (active_) {
        sortRows();
        first();
    }
}

void RecordSet::sortRows() {
    if (indexFields_.empty())
        return;
    std::vector<std::size_t> keys;
    std::stringstream ss(indexFields_);
    std::string name;
    while (std::getline(ss, name, ';'))
        if (!text::trim(name).empty())
            keys.push_back(fieldIndex(text::trim(name)));
    bool desc = indexDescending_;
    std::stable_sort(rows_.begin(), rows_.end(), [&](const auto& a, const auto& b) {
        for (std::size_t k : keys) {
            int c = compareValues(a[k], b[k]);
            if (c != 0)
                return desc ? c > 0 : c < 0;
        }
        return false;
    });
}

void RecordSet::copyFrom(const RecordSet& other) {
    other.requireActive();
    if (&other == this)
        return; // a copy of itself is what it holds
    close();
    fields_ = other.fields_;
    rows_ = other.rows_;
    active_ = true;
    first();
}

std::string RecordSet::xmlPacket() const {
    requireActive();
    pugi::xml_document doc;
    auto decl = doc.append_child(pugi::node_declaration);
    decl.append_attribute("version") = "1.0";
    decl.append_attribute("standalone") = "yes";
    auto packet = doc.append_child("DATAPACKET");
    packet.append_attribute("Version") = "2.0";
    auto meta = packet.append_child("METADATA");
    auto fieldsNode = meta.append_child("FIELDS");
    std::vector<std::size_t> stored;
    for (std::size_t i = 0; i < fields_.size(); ++i) {
        const FieldDef& f = fields_[i];
        if (f.calculated)
            continue;
        stored.push_back(i);
        auto n = fieldsNode.append_child("FIELD");
        n.append_attribute("attrname") = f.name.c_str();
        n.append_attribute("fieldtype") = packetType(f.kind);
        if (f.kind == FieldKind::Blob)
            n.append_attribute("SUBTYPE") = "Binary";
        if (f.kind == FieldKind::Memo)
            n.append_attribute("SUBTYPE") = "Text";
        if (f.required)
            n.append_attribute("required") = "true";
        if (f.kind == FieldKind::Text)
            n.append_attribute("WIDTH") = f.size;
        if (f.kind == FieldKind::WideText)
            n.append_attribute("WIDTH") = f.size * 2;
    }
    meta.append_child("PARAMS");
    auto data = packet.append_child("ROWDATA");
    for (const auto& r : rows_) {
        auto row = data.append_child("ROW");
        for (std::size_t i : stored) {
            const Value& v = r[i];
            if (db::isNull(v))
                continue;
            const FieldDef& f = fields_[i];
            std::string s;
            if (f.kind == FieldKind::Blob || f.kind == FieldKind::Memo)
                s = base64(db::toText(v));
            else if (f.kind == FieldKind::Float)
                s = fmt::format("{}", db::toDouble(v));
            else if (f.kind == FieldKind::Boolean)
                s = db::toInt(v) ? "TRUE" : "FALSE";
            else
                s = db::toText(v);
            row.append_attribute(f.name.c_str()) = s.c_str();
        }
    }
    std::ostringstream out;
    doc.save(out, " ", pugi::format_default | pugi::format_no_declaration, pugi::encoding_utf8);
    return "<?xml version=\"1.0\" standalone=\"yes\"?>\n" + out.str();
}

void RecordSet::setXmlPacket(const std::string& xml) {
    pugi::xml_document doc;
    if (!doc.load_string(xml.c_str()))
        throw RecordSetError("Invalid data packet");
    auto packet = doc.child("DATAPACKET");
    if (!packet)
        throw RecordSetError("Invalid data packet");
    std::vector<FieldDef> defs;
    for (auto n : packet.child("METADATA").child("FIELDS").children("FIELD")) {
        FieldDef f;
        f.name = n.attribute("attrname").as_string();
        std::string t = n.attribute("fieldtype").as_string();
        std::string sub = n.attribute("SUBTYPE").as_string();
        int width = n.attribute("WIDTH").as_int();
        if (t == "string") {
            f.kind = FieldKind::Text;
            f.size = width;
        } else if (t == "string.uni") {
            f.kind = FieldKind::WideText;
            f.size = width / 2;
        } else if (t == "i4" || t == "i2" || t == "i8")
            f.kind = FieldKind::Integer;
        else if (t == "r8")
            f.kind = FieldKind::Float;
        else if (t == "bin.hex")
            f.kind = sub == "Text" ? FieldKind::Memo : FieldKind::Blob;
        else if (t == "boolean")
            f.kind = FieldKind::Boolean;
        else
            f.kind = FieldKind::DateTime;
        f.required = n.attribute("required").as_bool();
        defs.push_back(std::move(f));
    }
    close();
    fields_ = std::move(defs);
    for (auto r : packet.child("ROWDATA").children("ROW")) {
        std::vector<Value> row(fields_.size());
        for (std::size_t i = 0; i < fields_.size(); ++i) {
            auto a = r.attribute(fields_[i].name.c_str());
            if (!a)
                continue;
            std::string s = a.as_string();
            switch (fields_[i].kind) {
            case FieldKind::Integer:
                row[i] = int64_t(a.as_llong());
                break;
            case FieldKind::Float:
                row[i] = text::toFloatDef(s, 0);
                break;
            case FieldKind::Boolean:
                row[i] = int64_t(text::equalsNoCase(s, "TRUE") ? 1 : 0);
                break;
            case FieldKind::Blob:
            case FieldKind::Memo:
                row[i] = unbase64(s);
                break;
            default:
                row[i] = std::move(s);
                break;
            }
        }
        rows_.push_back(std::move(row));
    }
    active_ = true;
    first();
}

void RecordSet::saveToFile(const std::string& path) const {
    text::writeFile(path, xmlPacket());
}

void RecordSet::loadFromFile(const std::string& path) {
    std::string bytes;
    try {
        bytes = text::readFile(path);
    } catch (const std::runtime_error& e) {
        throw RecordSetError(e.what());
    }
    try {
        setXmlPacket(bytes);
    } catch (const RecordSetError& e) {
        throw RecordSetError("檔案 \"" + path + "\" 不是可讀取的資料集：" + e.what());
    }
}

} // namespace dataset
