#include "BaseSchema.h"

#include "base_schema_sql.h"
#include "platform/db/Connection.h"
#include "platform/text/Text.h"

namespace testdata {

std::vector<std::string> baseSchemaStatements() {
    std::vector<std::string> out;
    std::string current;
    for (const std::string& raw : text::splitLines(kBaseSchemaSql)) {
        std::string line = text::trim(raw);
        if (line.empty() || line.rfind("--", 0) == 0)
            continue;
        if (line.back() == ';') {
            current += line.substr(0, line.size() - 1);
            out.push_back(current);
            current.clear();
        } else {
            current += line + "\n";
        }
    }
    return out;
}

void createBaseDatabase(const db::ConnectionParams& params) {
    db::Connection::createDatabase(params);
    db::Connection c;
    c.params() = params;
    for (const auto& stmt : baseSchemaStatements())
        c.executeDirect(stmt);
}

} // namespace testdata
