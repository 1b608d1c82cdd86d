#include "BaseSchema.h"

#include "Upgrade.h"
#include "base_schema_sql.h"
#include "platform/db/Connection.h"
#include "platform/text/Text.h"

namespace schema {

std::vector<std::string> splitScript(std::string_view script) {
    std::vector<std::string> out;
    std::string terminator = ";";
    std::string current;
    for (const std::string& raw : text::splitLines(script)) {
        std::string line = text::trim(raw);
        if (current.empty() && (line.empty() || line.rfind("--", 0) == 0))
            continue;
        if (current.empty() && text::upper(line).rfind("SET TERM ", 0) == 0) {
            // "SET TERM ^ ;" (under the old terminator): the new one is the third word.
            std::string rest = text::trim(std::string_view(line).substr(9));
            terminator = rest.substr(0, rest.find(' '));
            continue;
        }
        if (line.size() >= terminator.size() &&
            line.compare(line.size() - terminator.size(), terminator.size(), terminator) == 0) {
            current += line.substr(0, line.size() - terminator.size());
            out.push_back(current);
            current.clear();
        } else {
            current += line + "\n";
        }
    }
    return out;
}

std::vector<std::string> baseSchemaStatements() {
    return splitScript(kBaseSchemaSql);
}

void createBaseDatabase(const db::ConnectionParams& params) {
    db::Connection::createDatabase(params);
    db::Connection c;
    c.params() = params;
    for (const auto& stmt : baseSchemaStatements())
        c.executeDirect(stmt);
}

void createUpgradedDatabase(const db::ConnectionParams& params) {
    createBaseDatabase(params);
    upgradeDatabase(params);
}

} // namespace schema
