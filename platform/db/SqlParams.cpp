#include "SqlParams.h"

namespace db {

static bool isNameChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '$' || (static_cast<unsigned char>(c) >= 0x80);
}

ParsedSql parseParams(std::string_view s) {
    ParsedSql out;
    out.sql.reserve(s.size());
    std::size_t i = 0, n = s.size();
    while (i < n) {
        char c = s[i];
        if (c == '\'' || c == '"') {
            std::size_t j = i + 1;
            while (j < n) {
                if (s[j] == c) {
                    if (j + 1 < n && s[j + 1] == c) {
                        j += 2;
                        continue;
                    }
                    break;
                }
                ++j;
            }
            std::size_t end = j < n ? j + 1 : n;
            out.sql.append(s.substr(i, end - i));
            i = end;
        } else if (c == '-' && i + 1 < n && s[i + 1] == '-') {
            std::size_t j = s.find_first_of("\r\n", i);
            if (j == std::string_view::npos)
                j = n;
            out.sql.append(s.substr(i, j - i));
            i = j;
        } else if (c == '/' && i + 1 < n && s[i + 1] == '*') {
            std::size_t j = s.find("*/", i + 2);
            j = j == std::string_view::npos ? n : j + 2;
            out.sql.append(s.substr(i, j - i));
            i = j;
        } else if (c == ':' && i + 1 < n && isNameChar(s[i + 1])) {
            std::size_t j = i + 1;
            while (j < n && isNameChar(s[j]))
                ++j;
            out.names.emplace_back(s.substr(i + 1, j - i - 1));
            out.sql += '?';
            i = j;
        } else {
            out.sql += c;
            ++i;
        }
    }
    return out;
}

} // namespace db
