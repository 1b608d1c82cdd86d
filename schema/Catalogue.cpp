#include "Catalogue.h"

#include <stdexcept>

#include "platform/text/Text.h"

namespace schema {

namespace {

// The seven record stamps, in their order.
const char* const kStamps = "CHG_DATETIME V20, CHG_USER V10, CHG_HOST V20, CR_DATETIME V20, "
                            "CR_USER V10, CR_HOST V20, WUID V50";

} // namespace

Column parseColumn(std::string_view item) {
    std::string s = text::trim(item);
    auto space = s.find(' ');
    if (space == std::string::npos)
        throw std::invalid_argument("column without a type: " + s);
    Column c;
    c.name = s.substr(0, space);
    std::string type = text::trim(std::string_view(s).substr(space + 1));
    if (!type.empty() && type.back() == '!') {
        c.notNull = true;
        type.pop_back();
    }
    if (type == "I") {
        c.type = ColumnType::Integer;
    } else if (type == "D") {
        c.type = ColumnType::Double;
    } else if (type.size() > 1 && (type[0] == 'V' || type[0] == 'C')) {
        c.type = type[0] == 'V' ? ColumnType::Varchar : ColumnType::Char;
        c.length = int(text::toIntDef(type.substr(1), 0));
        if (c.length <= 0)
            throw std::invalid_argument("text column without a length: " + s);
    } else {
        throw std::invalid_argument("unknown column type: " + s);
    }
    return c;
}

std::vector<Column> parseColumns(std::string_view spec) {
    std::vector<Column> out;
    std::size_t from = 0;
    while (from <= spec.size()) {
        std::size_t comma = spec.find(',', from);
        std::string item =
            text::trim(spec.substr(from, comma == std::string_view::npos ? spec.npos : comma - from));
        from = comma == std::string_view::npos ? spec.size() + 1 : comma + 1;
        if (item.rfind("STAMPS", 0) == 0) {
            std::vector<Column> stamps = parseColumns(kStamps);
            if (item.size() > 6) {
                // STAMPS:NAME=TYPE
                auto eq = item.find('=');
                if (item[6] != ':' || eq == std::string::npos)
                    throw std::invalid_argument("bad stamp variant: " + item);
                Column changed = parseColumn(item.substr(7, eq - 7) + " " + item.substr(eq + 1));
                bool found = false;
                for (auto& c : stamps)
                    if (c.name == changed.name) {
                        c = changed;
                        found = true;
                    }
                if (!found)
                    throw std::invalid_argument("no such stamp: " + item);
            }
            out.insert(out.end(), stamps.begin(), stamps.end());
            continue;
        }
        out.push_back(parseColumn(item));
    }
    return out;
}

} // namespace schema
