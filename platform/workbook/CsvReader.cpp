// Delimited text: the bytes decoded by their byte-order mark, as UTF-8, or as
// the Traditional Chinese code page (Big5 / CP950) that spreadsheet programs
// on such desktops save; then rows of comma- or tab-separated fields with
// quotes as spreadsheet programs write them. A CR LF inside a quoted field
// stays CR LF.

#include <unicode/ucnv.h>
#include <vector>

#include "CellValues.h"
#include "Readers.h"
#include "SheetReader.h"
#include "WorkbookError.h"

namespace workbook {

namespace {

bool validUtf8(std::string_view s) {
    std::size_t i = 0, n = s.size();
    while (i < n) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        if (c < 0x80) {
            ++i;
            continue;
        }
        std::size_t len = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 ? 2 : 0;
        if (len == 0 || c > 0xF4 || i + len > n)
            return false;
        char32_t cp = c & (0xFF >> (len + 1));
        for (std::size_t k = 1; k < len; ++k) {
            unsigned char cc = static_cast<unsigned char>(s[i + k]);
            if ((cc & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (cc & 0x3F);
        }
        if ((len == 3 && cp < 0x800) || (len == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
            (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += len;
    }
    return true;
}

std::string fromUtf16(std::string_view b, bool bigEndian) {
    if (b.size() % 2)
        throw WorkbookError("CSV 檔的 UTF-16 文字不完整");
    std::string out;
    out.reserve(b.size());
    auto unit = [&](std::size_t i) {
        auto hi = static_cast<unsigned char>(b[i + (bigEndian ? 0 : 1)]);
        auto lo = static_cast<unsigned char>(b[i + (bigEndian ? 1 : 0)]);
        return char32_t(hi << 8 | lo);
    };
    for (std::size_t i = 0; i < b.size(); i += 2) {
        char32_t u = unit(i);
        if (u >= 0xD800 && u <= 0xDBFF && i + 2 < b.size()) {
            char32_t lo = unit(i + 2);
            if (lo >= 0xDC00 && lo <= 0xDFFF) {
                detail::appendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (lo - 0xDC00));
                i += 2;
                continue;
            }
        }
        if (u >= 0xD800 && u <= 0xDFFF)
            throw WorkbookError("CSV 檔的 UTF-16 文字無效");
        detail::appendUtf8(out, u);
    }
    return out;
}

// Big5 as Windows writes it (code page 950); nothing when the bytes are not.
std::optional<std::string> fromCp950(std::string_view b) {
    UErrorCode err = U_ZERO_ERROR;
    UConverter* cnv = ucnv_open("windows-950", &err);
    if (U_FAILURE(err))
        return std::nullopt;
    ucnv_setToUCallBack(cnv, UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &err);
    std::u16string u(b.size() + 1, u'\0');
    int32_t n = ucnv_toUChars(cnv, u.data(), int32_t(u.size()), b.data(), int32_t(b.size()), &err);
    ucnv_close(cnv);
    if (U_FAILURE(err))
        return std::nullopt;
    u.resize(std::size_t(n));
    std::string out;
    for (std::size_t i = 0; i < u.size(); ++i) {
        char32_t c = u[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < u.size()) {
            c = 0x10000 + ((c - 0xD800) << 10) + (u[i + 1] - 0xDC00);
            ++i;
        }
        detail::appendUtf8(out, c);
    }
    return out;
}

std::string decode(std::string_view raw) {
    if (raw.substr(0, 3) == "\xEF\xBB\xBF") {
        if (!validUtf8(raw.substr(3)))
            throw WorkbookError("CSV 檔標示為 UTF-8，內容卻不是 UTF-8");
        return std::string(raw.substr(3));
    }
    if (raw.substr(0, 2) == "\xFF\xFE")
        return fromUtf16(raw.substr(2), false);
    if (raw.substr(0, 2) == "\xFE\xFF")
        return fromUtf16(raw.substr(2), true);
    if (validUtf8(raw))
        return std::string(raw);
    if (auto big5 = fromCp950(raw))
        return *big5;
    throw WorkbookError("無法辨識 CSV 檔的文字編碼（請存成 UTF-8）");
}

// Text a person or a program wrote: no NUL and no control characters other
// than tab, line breaks, form feed and DEL (the export's text marker).
bool isText(std::string_view s) {
    for (char ch : s) {
        auto c = static_cast<unsigned char>(ch);
        if (c < 0x20 && c != '\t' && c != '\r' && c != '\n' && c != 0x0C)
            return false;
    }
    return true;
}

char separatorOf(std::string_view t) {
    bool quoted = false;
    for (char c : t) {
        if (c == '"')
            quoted = !quoted;
        else if (!quoted && c == '\t')
            return '\t';
        else if (!quoted && (c == '\n' || c == '\r'))
            break;
    }
    return ',';
}

struct Parsed {
    Grid grid;
    std::size_t fewestFields = SIZE_MAX; // over the rows that hold any text
};

Parsed parse(std::string_view t, const ReadLimits& limits) {
    char sep = separatorOf(t);
    Grid::Builder b(limits);
    std::uint32_t row = 0, col = 0;
    std::size_t fewest = SIZE_MAX;
    bool rowHasText = false;
    std::string field;
    std::size_t i = 0, n = t.size();
    auto endField = [&] {
        if (col >= kMaxSheetColumns)
            throw WorkbookError("CSV 檔第 " + std::to_string(row + 1) + " 列的欄位超過上限");
        rowHasText = rowHasText || !field.empty();
        b.put(row, col, field);
        field.clear();
        ++col;
    };
    auto endRow = [&] {
        endField();
        if (rowHasText)
            fewest = std::min<std::size_t>(fewest, col);
        rowHasText = false;
        if (++row >= kMaxSheetRows && i < n)
            throw WorkbookError("CSV 檔的列數超過上限");
        col = 0;
    };
    while (i < n) {
        if (t[i] == '"' && field.empty()) {
            std::size_t start = i++;
            for (;;) {
                if (i >= n)
                    throw WorkbookError("CSV 檔第 " + std::to_string(row + 1) +
                                        " 列有未結束的引號（自第 " + std::to_string(start + 1) +
                                        " 個字元起）");
                if (t[i] == '"') {
                    if (i + 1 < n && t[i + 1] == '"') {
                        field += '"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                field += t[i++];
            }
            continue; // text after the closing quote joins the field
        }
        char c = t[i];
        if (c == sep) {
            endField();
            ++i;
        } else if (c == '\r' || c == '\n') {
            endRow();
            i += (c == '\r' && i + 1 < n && t[i + 1] == '\n') ? 2 : 1;
        } else {
            field += c;
            ++i;
        }
    }
    if (!field.empty() || col > 0)
        endRow();
    return {b.build(), fewest};
}

} // namespace

Grid readCsv(std::string_view bytes, const ReadLimits& limits) {
    std::string t = decode(bytes);
    if (!isText(t))
        throw WorkbookError("CSV 檔含有控制字元，不是文字檔");
    return parse(t, limits).grid;
}

namespace detail {

// Delimited text is taken only when it decodes as text and every row that
// holds text has at least two fields; anything else is not a workbook.
std::optional<Grid> readCsvIfDelimited(std::string_view bytes, const ReadLimits& limits) {
    std::string t;
    try {
        t = decode(bytes);
    } catch (const WorkbookError&) {
        return std::nullopt;
    }
    if (!isText(t))
        return std::nullopt;
    Parsed p = parse(t, limits);
    if (p.fewestFields == SIZE_MAX || p.fewestFields < 2)
        return std::nullopt;
    return std::move(p.grid);
}

} // namespace detail

} // namespace workbook
