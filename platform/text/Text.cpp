#include "Text.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <sys/stat.h>

namespace text {

std::string trim(std::string_view s) {
    std::size_t b = 0, e = s.size();
    while (b < e && static_cast<unsigned char>(s[b]) <= 0x20)
        ++b;
    while (e > b && static_cast<unsigned char>(s[e - 1]) <= 0x20)
        --e;
    return std::string(s.substr(b, e - b));
}

std::size_t codePoints(std::string_view s) {
    std::size_t n = 0;
    for (unsigned char c : s)
        if ((c & 0xC0) != 0x80)
            ++n;
    return n;
}

std::string leftChars(std::string_view s, std::size_t n) {
    std::size_t i = 0, seen = 0;
    for (; i < s.size(); ++i) {
        if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) {
            if (seen == n)
                break;
            ++seen;
        }
    }
    return std::string(s.substr(0, i));
}

std::string lower(std::string_view s) {
    std::string r(s);
    for (char& c : r)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    return r;
}

std::string upper(std::string_view s) {
    std::string r(s);
    for (char& c : r)
        if (c >= 'a' && c <= 'z')
            c = char(c - 'a' + 'A');
    return r;
}

bool equalsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z')
            x = char(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z')
            y = char(y - 'A' + 'a');
        if (x != y)
            return false;
    }
    return true;
}

std::vector<std::string> splitLines(std::string_view s) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\r' || s[i] == '\n') {
            lines.emplace_back(s.substr(start, i - start));
            if (s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n')
                ++i;
            start = i + 1;
        }
    }
    if (start < s.size())
        lines.emplace_back(s.substr(start));
    return lines;
}

std::string joinLines(const std::vector<std::string>& lines) {
    std::string r;
    for (const auto& l : lines) {
        r += l;
        r += "\r\n";
    }
    return r;
}

static void appendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += char(cp);
    } else if (cp < 0x800) {
        out += char(0xC0 | (cp >> 6));
        out += char(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += char(0xE0 | (cp >> 12));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    } else {
        out += char(0xF0 | (cp >> 18));
        out += char(0x80 | ((cp >> 12) & 0x3F));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    }
}

static std::string utf16ToUtf8(std::string_view b, bool bigEndian) {
    std::string out;
    auto unit = [&](std::size_t i) -> char16_t {
        auto hi = static_cast<unsigned char>(b[bigEndian ? i : i + 1]);
        auto lo = static_cast<unsigned char>(b[bigEndian ? i + 1 : i]);
        return char16_t((hi << 8) | lo);
    };
    for (std::size_t i = 0; i + 1 < b.size(); i += 2) {
        char32_t cp = unit(i);
        if (cp >= 0xD800 && cp < 0xDC00 && i + 3 < b.size()) {
            char32_t lo = unit(i + 2);
            if (lo >= 0xDC00 && lo < 0xE000) {
                cp = 0x10000 + ((cp - 0xD800) << 10) + (lo - 0xDC00);
                i += 2;
            }
        }
        appendUtf8(out, cp);
    }
    return out;
}

std::string decodeTextFile(std::string_view b) {
    if (b.size() >= 3 && b.substr(0, 3) == "\xEF\xBB\xBF")
        return std::string(b.substr(3));
    if (b.size() >= 2 && b.substr(0, 2) == "\xFF\xFE")
        return utf16ToUtf8(b.substr(2), false);
    if (b.size() >= 2 && b.substr(0, 2) == "\xFE\xFF")
        return utf16ToUtf8(b.substr(2), true);
    return std::string(b);
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("無法開啟檔案 \"" + path + "\"：" + std::strerror(errno));
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void writeFile(const std::string& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out)
        throw std::runtime_error("無法建立檔案 \"" + path + "\"：" + std::strerror(errno));
    out.write(bytes.data(), std::streamsize(bytes.size()));
    if (!out)
        throw std::runtime_error("Cannot write file \"" + path + "\"");
}

bool fileExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool dirExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

int64_t toIntDef(std::string_view s, int64_t def) {
    std::size_t i = 0;
    bool neg = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        neg = s[i++] == '-';
    if (i == s.size())
        return def;
    int64_t v = 0;
    for (; i < s.size(); ++i) {
        if (s[i] < '0' || s[i] > '9')
            return def;
        int d = s[i] - '0';
        if (v > (INT64_MAX - d) / 10)
            return def;
        v = v * 10 + d;
    }
    return neg ? -v : v;
}

double toFloatDef(std::string_view s, double def) {
    std::size_t i = 0, n = s.size();
    auto digits = [&] {
        std::size_t start = i;
        while (i < n && s[i] >= '0' && s[i] <= '9')
            ++i;
        return i - start;
    };
    if (i < n && (s[i] == '+' || s[i] == '-'))
        ++i;
    std::size_t intDigits = digits(), fracDigits = 0;
    if (i < n && s[i] == '.') {
        ++i;
        fracDigits = digits();
    }
    if (intDigits + fracDigits == 0)
        return def;
    if (i < n && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        if (i < n && (s[i] == '+' || s[i] == '-'))
            ++i;
        if (digits() == 0)
            return def;
    }
    if (i != n)
        return def;
    std::string copy(s);
    errno = 0;
    double v = std::strtod(copy.c_str(), nullptr);
    if (errno == ERANGE && std::isinf(v))
        return def;
    return v;
}

std::string formatGeneral(double v) {
    if (std::isnan(v))
        return "NAN";
    if (std::isinf(v))
        return v > 0 ? "INF" : "-INF";
    if (v == 0)
        return "0";
    char buf[64];
    double a = std::fabs(v);
    if (a >= 1e15 || a < 1e-5) {
        std::snprintf(buf, sizeof buf, "%.14E", v);
        // Mantissa without trailing zeros, exponent without leading zeros.
        std::string s(buf);
        auto e = s.find('E');
        std::string mant = s.substr(0, e), exp = s.substr(e + 1);
        while (!mant.empty() && mant.back() == '0')
            mant.pop_back();
        if (!mant.empty() && mant.back() == '.')
            mant.pop_back();
        char sign = exp[0];
        std::string digits = exp.substr(1);
        while (digits.size() > 1 && digits[0] == '0')
            digits.erase(0, 1);
        return mant + "E" + (sign == '-' ? "-" : "+") + digits;
    }
    int intDigits = a >= 1 ? int(std::floor(std::log10(a))) + 1 : 0;
    int decimals = std::max(0, 15 - intDigits);
    std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
    std::string s(buf);
    if (s.find('.') != std::string::npos) {
        while (s.back() == '0')
            s.pop_back();
        if (s.back() == '.')
            s.pop_back();
    }
    if (s == "-0")
        s = "0";
    return s;
}

std::string nowStamp() {
    std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y/%m/%d %H:%M:%S", &tm);
    return buf;
}

} // namespace text
