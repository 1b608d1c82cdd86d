#include "Probes.h"

#include "Ddl.h"
#include "platform/text/Text.h"

namespace schema {

namespace {

bool found(db::Query& q, std::initializer_list<const char*> lines,
           std::initializer_list<std::pair<const char*, std::string>> names) {
    q.close();
    q.clear();
    for (const char* l : lines)
        q.add(l);
    q.setKeyLookup(true); // a name longer than the catalogue's column finds nothing
    for (const auto& [param, name] : names)
        q.setString(param, text::upper(name));
    q.open();
    bool any = !q.eof();
    q.close();
    return any;
}

} // namespace

bool searchTable(db::Query& q, const std::string& table) {
    return found(q,
                 {"SELECT RDB$RELATION_NAME FROM RDB$RELATIONS ",
                  " WHERE RDB$RELATION_NAME = :TABLE_NAME"},
                 {{"TABLE_NAME", table}});
}

bool searchIndex(db::Query& q, const std::string& index) {
    return found(q,
                 {"SELECT RDB$INDEX_NAME FROM RDB$INDEX_SEGMENTS ",
                  " WHERE RDB$INDEX_NAME = :INDEX_NAME"},
                 {{"INDEX_NAME", index}});
}

bool searchTrigger(db::Query& q, const std::string& table, const std::string& trigger) {
    return found(q,
                 {"SELECT * FROM RDB$TRIGGERS ", " WHERE RDB$RELATION_NAME = :TABLE_NAME",
                  " AND RDB$TRIGGER_NAME = :TRIGGER_NAME"},
                 {{"TABLE_NAME", table}, {"TRIGGER_NAME", trigger}});
}

bool searchColumn(db::Query& q, const std::string& table, const std::string& column) {
    return found(q,
                 {"SELECT * FROM RDB$RELATION_FIELDS ", "WHERE RDB$RELATION_NAME = :TABLE_NAME",
                  "AND RDB$FIELD_NAME = :FIELD_NAME"},
                 {{"TABLE_NAME", table}, {"FIELD_NAME", column}});
}

bool tableIsEmpty(db::Query& q, const std::string& table) {
    q.close();
    q.clear();
    q.add("SELECT FIRST 1 * FROM " + checkedIdentifier(table));
    q.open();
    int rows = 0;
    for (; !q.eof(); q.next())
        ++rows;
    q.close();
    return rows == 0;
}

} // namespace schema
