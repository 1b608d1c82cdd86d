#include "SqlParams.h"

namespace db {

static bool isNameChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '$' || (static_cast<unsigned char>(c) >= 0x80);
}

// Where an EXECUTE BLOCK's input parameter list ends (just past its ")"), or
// 0 when the text is no EXECUTE BLOCK. Its body is PSQL, where ":NAME" is a
// variable of the block, not a value the client binds.
static std::size_t blockHeaderEnd(std::string_view s) {
    auto skipBlanks = [&](std::size_t i) {
        while (i < s.size() && (s[i] == ' ' || s[i] == '\t' || s[i] == '\r' || s[i] == '\n'))
            ++i;
        return i;
    };
    auto word = [&](std::size_t i, std::string_view w) {
        if (s.size() - i < w.size())
            return false;
        for (std::size_t k = 0; k < w.size(); ++k)
            if ((s[i + k] & ~0x20) != w[k])
                return false;
        return i + w.size() == s.size() || !isNameChar(s[i + w.size()]);
    };
    std::size_t i = skipBlanks(0);
    if (!word(i, "EXECUTE"))
        return 0;
    i = skipBlanks(i + 7);
    if (!word(i, "BLOCK"))
        return 0;
    i = skipBlanks(i + 5);
    if (i >= s.size() || s[i] != '(')
        return i; // no input parameters: none to bind
    int depth = 0;
    for (; i < s.size(); ++i) {
        if (s[i] == '\'') {
            i = s.find('\'', i + 1);
            if (i == std::string_view::npos)
                return s.size();
        } else if (s[i] == '(') {
            ++depth;
        } else if (s[i] == ')' && --depth == 0) {
            return i + 1;
        }
    }
    return s.size();
}

ParsedSql parseParams(std::string_view s) {
    ParsedSql out;
    out.sql.reserve(s.size());
    std::size_t i = 0, n = s.size();
    std::size_t paramsEnd = blockHeaderEnd(s);
    if (paramsEnd == 0)
        paramsEnd = n;
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
        } else if (c == ':' && i < paramsEnd && i + 1 < n && isNameChar(s[i + 1])) {
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
