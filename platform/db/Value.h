#pragma once
// One field or parameter value: null, text (UTF-8, or the raw bytes of a
// binary large object), integer or floating point.

#include <cstdint>
#include <string>
#include <variant>

namespace db {

using Value = std::variant<std::monostate, std::string, int64_t, double>;

inline bool isNull(const Value& v) {
    return std::holds_alternative<std::monostate>(v);
}

// Text form: null → "", integers in decimal, reals in the general number form.
std::string toText(const Value& v);
// Integer form: text must be an integer (else 0), reals are truncated.
int64_t toInt(const Value& v);
// Real form: text must be a number (else 0).
double toDouble(const Value& v);

} // namespace db
