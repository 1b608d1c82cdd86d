#include "Value.h"

#include "../text/Text.h"

namespace db {

std::string toText(const Value& v) {
    switch (v.index()) {
    case 1:
        return std::get<std::string>(v);
    case 2:
        return std::to_string(std::get<int64_t>(v));
    case 3:
        return text::formatGeneral(std::get<double>(v));
    default:
        return {};
    }
}

int64_t toInt(const Value& v) {
    switch (v.index()) {
    case 1:
        return text::toIntDef(text::trim(std::get<std::string>(v)), 0);
    case 2:
        return std::get<int64_t>(v);
    case 3:
        return int64_t(std::get<double>(v));
    default:
        return 0;
    }
}

double toDouble(const Value& v) {
    switch (v.index()) {
    case 1:
        return text::toFloatDef(text::trim(std::get<std::string>(v)), 0);
    case 2:
        return double(std::get<int64_t>(v));
    case 3:
        return std::get<double>(v);
    default:
        return 0;
    }
}

} // namespace db
