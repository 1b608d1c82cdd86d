#include "CellValues.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "Grid.h"
#include "platform/text/Text.h"

namespace workbook::detail {

bool parseCellRef(std::string_view ref, std::uint32_t& row, std::uint32_t& col) {
    std::size_t i = 0;
    if (i < ref.size() && ref[i] == '$')
        ++i;
    std::uint64_t c = 0;
    std::size_t letters = 0;
    for (; i < ref.size() && std::isalpha(static_cast<unsigned char>(ref[i])); ++i, ++letters) {
        c = c * 26 + std::uint64_t((ref[i] | 0x20) - 'a' + 1);
        if (letters >= 3)
            return false;
    }
    if (i < ref.size() && ref[i] == '$')
        ++i;
    std::uint64_t r = 0;
    std::size_t digits = 0;
    for (; i < ref.size() && ref[i] >= '0' && ref[i] <= '9'; ++i, ++digits) {
        r = r * 10 + std::uint64_t(ref[i] - '0');
        if (digits >= 7)
            return false;
    }
    if (letters == 0 || digits == 0 || i != ref.size() || c == 0 || r == 0 ||
        c > kMaxSheetColumns || r > kMaxSheetRows)
        return false;
    row = std::uint32_t(r - 1);
    col = std::uint32_t(c - 1);
    return true;
}

std::optional<double> parseNumber(std::string_view s) {
    while (!s.empty() &&
           (s.front() == ' ' || s.front() == '\t' || s.front() == '\n' || s.front() == '\r'))
        s.remove_prefix(1);
    while (!s.empty() &&
           (s.back() == ' ' || s.back() == '\t' || s.back() == '\n' || s.back() == '\r'))
        s.remove_suffix(1);
    if (!s.empty() && s.front() == '+')
        s.remove_prefix(1);
    double v = 0;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (s.empty() || ec != std::errc() || end != s.data() + s.size() || !std::isfinite(v))
        return std::nullopt;
    return v;
}

NumberKind builtinFormatKind(int id) {
    // 14-17 and 22 dates, 18-21 and 45-47 times; 27-36 and 50-58 are the
    // dates of East Asian installations.
    if ((id >= 14 && id <= 17) || id == 22 || (id >= 27 && id <= 36) || (id >= 50 && id <= 58))
        return NumberKind::Date;
    if ((id >= 18 && id <= 21) || (id >= 45 && id <= 47))
        return NumberKind::Time;
    return NumberKind::Number;
}

NumberKind formatCodeKind(std::string_view code) {
    if (text::equalsNoCase(code, "General") || code == "@")
        return NumberKind::Number;
    bool date = false, time = false, month = false;
    for (std::size_t i = 0; i < code.size(); ++i) {
        char c = code[i];
        if (c == ';')
            break; // the first section decides
        if (c == '"') {
            auto close = code.find('"', i + 1);
            if (close == std::string_view::npos)
                break;
            i = close;
        } else if (c == '\\' || c == '_' || c == '*') {
            ++i; // the next character is shown as it is
        } else if (c == '[') {
            auto close = code.find(']', i + 1);
            if (close == std::string_view::npos)
                break;
            std::string inner = text::lower(code.substr(i + 1, close - i - 1));
            // Elapsed time ([h], [mm], [ss]); other brackets hold colours and locales.
            if (!inner.empty() && inner.find_first_not_of("hms") == std::string::npos)
                time = true;
            i = close;
        } else {
            switch (c | 0x20) {
            case 'y':
            case 'd':
                date = true;
                break;
            case 'h':
            case 's':
                time = true;
                break;
            case 'm':
                month = true; // minutes beside hours or seconds, else a month
                break;
            default:
                break;
            }
        }
    }
    if (date || (month && !time))
        return NumberKind::Date;
    return time ? NumberKind::Time : NumberKind::Number;
}

namespace {

// Days since 1970-01-01 to a civil date (proleptic Gregorian).
void civilFromDays(long long z, int& y, unsigned& m, unsigned& d) {
    z += 719468;
    long long era = (z >= 0 ? z : z - 146096) / 146097;
    unsigned doe = unsigned(z - era * 146097);
    unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    long long yy = (long long)yoe + era * 400;
    unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y = int(yy + (m <= 2));
}

std::string hms(long long seconds) {
    char b[16];
    std::snprintf(b, sizeof b, "%02lld:%02lld:%02lld", seconds / 3600, seconds / 60 % 60,
                  seconds % 60);
    return b;
}

} // namespace

std::string serialText(double serial, NumberKind kind, bool date1904) {
    if (kind == NumberKind::Number || !std::isfinite(serial) || serial < 0 || serial >= 2958466)
        return text::formatGeneral(serial);
    long long total = std::llround(serial * 86400.0);
    long long days = total / 86400, seconds = total % 86400;
    if (kind == NumberKind::Time && days == 0)
        return hms(seconds);
    std::string date;
    if (date1904) {
        days += 1462;
    }
    if (days == 60 && !date1904) {
        date = "1900/02/29"; // the day the 1900 date system counts that never was
    } else {
        // Serial 1 is 1900-01-01; from serial 61 on the phantom 29 February is skipped.
        long long unix = days - (days < 60 ? 25568 : 25569);
        int y;
        unsigned m, d;
        civilFromDays(unix, y, m, d);
        char b[32];
        std::snprintf(b, sizeof b, "%04d/%02u/%02u", y, m, d);
        date = b;
    }
    return seconds == 0 ? date : date + " " + hms(seconds);
}

std::optional<std::string> isoDateText(std::string_view s) {
    int y, mo, d, h = 0, mi = 0, sec = 0;
    auto num = [&](std::size_t pos, std::size_t len, int& out) {
        if (pos + len > s.size())
            return false;
        out = 0;
        for (std::size_t i = pos; i < pos + len; ++i) {
            if (s[i] < '0' || s[i] > '9')
                return false;
            out = out * 10 + (s[i] - '0');
        }
        return true;
    };
    if (!num(0, 4, y) || s.size() < 10 || s[4] != '-' || !num(5, 2, mo) || s[7] != '-' ||
        !num(8, 2, d) || mo < 1 || mo > 12 || d < 1 || d > 31)
        return std::nullopt;
    char b[32];
    std::snprintf(b, sizeof b, "%04d/%02d/%02d", y, mo, d);
    std::string out = b;
    if (s.size() > 10) {
        if (s[10] != 'T' && s[10] != ' ')
            return std::nullopt;
        if (!num(11, 2, h) || s.size() < 16 || s[13] != ':' || !num(14, 2, mi))
            return std::nullopt;
        if (s.size() >= 19 && s[16] == ':' && !num(17, 2, sec))
            return std::nullopt;
        if (h || mi || sec) {
            std::snprintf(b, sizeof b, " %02d:%02d:%02d", h, mi, sec);
            out += b;
        }
    }
    return out;
}

void appendUtf8(std::string& out, char32_t cp) {
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

namespace {

// The code unit of an "_xHHHH_" escape at s[i], or -1.
int escapeAt(std::string_view s, std::size_t i) {
    if (i + 7 > s.size() || s[i] != '_' || s[i + 1] != 'x' || s[i + 6] != '_')
        return -1;
    int v = 0;
    for (std::size_t k = i + 2; k < i + 6; ++k) {
        char c = s[k];
        int d = (c >= '0' && c <= '9')   ? c - '0'
                : (c >= 'a' && c <= 'f') ? c - 'a' + 10
                : (c >= 'A' && c <= 'F') ? c - 'A' + 10
                                         : -1;
        if (d < 0)
            return -1;
        v = v * 16 + d;
    }
    return v;
}

} // namespace

std::string decodeOoxmlEscapes(std::string_view s) {
    if (s.find("_x") == std::string_view::npos)
        return std::string(s);
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size();) {
        int u = escapeAt(s, i);
        if (u < 0) {
            out += s[i++];
            continue;
        }
        if (u >= 0xD800 && u <= 0xDBFF) {
            int low = escapeAt(s, i + 7);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                appendUtf8(out, char32_t(0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00)));
                i += 14;
                continue;
            }
        }
        if (u >= 0xD800 && u <= 0xDFFF) {
            out += s[i++]; // a lone surrogate is no character: keep the text
            continue;
        }
        appendUtf8(out, char32_t(u));
        i += 7;
    }
    return out;
}

std::string escapeOoxmlLookalikes(std::string_view s) {
    if (s.find("_x") == std::string_view::npos)
        return std::string(s);
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (escapeAt(s, i) >= 0)
            out += "_x005F";
        out += s[i];
    }
    return out;
}

} // namespace workbook::detail
