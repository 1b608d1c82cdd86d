#include "Statement.h"

namespace schema {

std::string Statement::text() const {
    std::string out = sql;
    if (!params.empty()) {
        out += "  -- ";
        for (std::size_t i = 0; i < params.size(); ++i) {
            if (i)
                out += ", ";
            const db::Value& v = params[i].second;
            out += params[i].first + "=";
            if (db::isNull(v))
                out += "NULL";
            else if (std::holds_alternative<std::string>(v))
                out += "'" + db::toText(v) + "'";
            else
                out += db::toText(v);
        }
    }
    return out;
}

} // namespace schema
