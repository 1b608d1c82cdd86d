#include "Metadata.h"

#include "Query.h"
#include "platform/text/Text.h"

namespace db {

std::map<std::string, int> textColumnLengths(Connection& conn, const std::string& table) {
    Query q(&conn);
    q.setSql("SELECT RF.RDB$FIELD_NAME, F.RDB$CHARACTER_LENGTH FROM RDB$RELATION_FIELDS RF "
             "JOIN RDB$FIELDS F ON F.RDB$FIELD_NAME = RF.RDB$FIELD_SOURCE "
             "WHERE RF.RDB$RELATION_NAME = :TABLE_NAME AND F.RDB$CHARACTER_LENGTH IS NOT NULL");
    q.setKeyLookup(true);
    q.setString("TABLE_NAME", text::upper(table));
    std::map<std::string, int> out;
    for (q.open(); !q.eof(); q.next())
        out[text::trim(q.asString("RDB$FIELD_NAME"))] = int(q.asInteger("RDB$CHARACTER_LENGTH"));
    return out;
}

} // namespace db
