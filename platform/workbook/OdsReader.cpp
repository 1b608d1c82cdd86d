// OpenDocument spreadsheets: content.xml of an .ods package, or a flat .fods
// document. A cell reads as the text a spreadsheet program shows for it:
// paragraphs joined by line breaks, <text:s/> as blanks, <text:tab/> and
// <text:line-break/>; numbers, dates and truth values from their values.
// Error results of formulas give empty cells.

#include <charconv>
#include <cstring>
#include <vector>

#include "CellValues.h"
#include "Readers.h"
#include "WorkbookError.h"
#include "XmlReader.h"
#include "ZipArchive.h"

namespace workbook::detail {

namespace {

using Attrs = XmlReader::Attributes;

constexpr std::string_view kOffice = "urn:oasis:names:tc:opendocument:xmlns:office:1.0";
constexpr std::string_view kTable = "urn:oasis:names:tc:opendocument:xmlns:table:1.0";
constexpr std::string_view kText = "urn:oasis:names:tc:opendocument:xmlns:text:1.0";
constexpr std::string_view kCalcExt =
    "urn:org:documentfoundation:names:experimental:calc:xmlns:calcext:1.0";

// Longest cell text kept; a spreadsheet program holds 32,767 characters.
constexpr std::size_t kMaxCellBytes = 1 << 20;

const char* orEmpty(const char* s) {
    return s ? s : "";
}

std::uint64_t repeatCount(const char* v) {
    std::uint64_t n = 1;
    if (v) {
        auto [p, ec] = std::from_chars(v, v + std::strlen(v), n);
        if (ec != std::errc() || *p || n == 0)
            throw WorkbookError(std::string("重複次數無效：") + v);
    }
    return n;
}

// "PT10H30M00S" (ISO 8601 duration of a time cell) as "10:30:00".
std::string timeText(std::string_view v) {
    double h = 0, m = 0, s = 0, cur = 0;
    std::size_t i = v.find('T');
    if (i == std::string_view::npos)
        return std::string(v);
    for (++i; i < v.size();) {
        auto [p, ec] = std::from_chars(v.data() + i, v.data() + v.size(), cur);
        if (ec != std::errc() || p == v.data() + v.size())
            return std::string(v);
        i = std::size_t(p - v.data());
        switch (v[i++]) {
        case 'H':
            h = cur;
            break;
        case 'M':
            m = cur;
            break;
        case 'S':
            s = cur;
            break;
        default:
            return std::string(v);
        }
    }
    long long total = (long long)(h * 3600 + m * 60 + s + 0.5);
    char b[32];
    std::snprintf(b, sizeof b, "%02lld:%02lld:%02lld", total / 3600, total / 60 % 60, total % 60);
    return b;
}

class ContentHandler : public XmlReader::Handler {
  public:
    ContentHandler(Grid::Builder& b, const std::string& sheet) : b_(b), sheet_(sheet) {}
    bool found() const { return found_; }

    void start(std::string_view ns, std::string_view local, const Attrs& a) override {
        if (ns == kTable && local == "table") {
            ++depth_;
            if (!inTarget_ && !found_) {
                const char* name = a.get(kTable, "name");
                if (name && sameSheetName(name, sheet_)) {
                    inTarget_ = found_ = true;
                    targetDepth_ = depth_;
                }
            }
            return;
        }
        if (!inTarget_ || depth_ != targetDepth_) {
            if (inCell_)
                cellStart(ns, local, a);
            return;
        }
        if (ns == kTable && local == "table-row") {
            rowRepeat_ = repeatCount(a.get(kTable, "number-rows-repeated"));
            col_ = 0;
            rowCells_.clear();
        } else if (ns == kTable && (local == "table-cell" || local == "covered-table-cell")) {
            inCell_ = true;
            cellRepeat_ = repeatCount(a.get(kTable, "number-columns-repeated"));
            valueType_.assign(orEmpty(a.get(kOffice, "value-type")));
            // The value attribute that the value type names, kept for the cell's end.
            const char* v = nullptr;
            if (valueType_ == "date")
                v = a.get(kOffice, "date-value");
            else if (valueType_ == "time")
                v = a.get(kOffice, "time-value");
            else if (valueType_ == "boolean")
                v = a.get(kOffice, "boolean-value");
            else if (!valueType_.empty() && valueType_ != "string")
                v = a.get(kOffice, "value");
            else
                v = a.get(kOffice, "string-value");
            hasValue_ = v != nullptr;
            value_.assign(orEmpty(v));
            const char* calc = a.get(kCalcExt, "value-type");
            error_ = calc && std::string_view(calc) == "error";
            text_.clear();
            paragraphs_ = 0;
            annotation_ = 0;
            inParagraph_ = 0;
        } else if (inCell_) {
            cellStart(ns, local, a);
        }
    }

    void end(std::string_view ns, std::string_view local) override {
        if (ns == kTable && local == "table") {
            if (inTarget_ && depth_ == targetDepth_)
                inTarget_ = false;
            --depth_;
            return;
        }
        if (!inTarget_)
            return;
        if (depth_ == targetDepth_ && ns == kTable &&
            (local == "table-cell" || local == "covered-table-cell") && inCell_) {
            inCell_ = false;
            finishCell();
        } else if (depth_ == targetDepth_ && ns == kTable && local == "table-row") {
            finishRow();
        } else if (inCell_) {
            if (ns == kOffice && local == "annotation")
                --annotation_;
            else if (ns == kText && (local == "p" || local == "h") && !annotation_)
                --inParagraph_;
        }
    }

    // Text stands as written: spreadsheet programs read blanks and line
    // breaks in it literally (and write runs of blanks as <text:s/>).
    void text(std::string_view s) override {
        if (inCell_ && !annotation_ && inParagraph_)
            append(s);
    }

  private:
    [[noreturn]] void tooLong() {
        throw WorkbookError("儲存格 " + cellName(cellRow(), cellCol()) + " 的文字太長");
    }
    std::uint32_t cellRow() const {
        return std::uint32_t(std::min<std::uint64_t>(row_, kMaxSheetRows));
    }
    std::uint32_t cellCol() const {
        return std::uint32_t(std::min<std::uint64_t>(col_, kMaxSheetColumns));
    }

    void append(std::string_view s) {
        text_.append(s);
        if (text_.size() > kMaxCellBytes)
            tooLong();
    }

    void cellStart(std::string_view ns, std::string_view local, const Attrs& a) {
        if (ns == kOffice && local == "annotation") {
            ++annotation_;
            return;
        }
        if (annotation_ || ns != kText)
            return;
        if (local == "p" || local == "h") {
            if (paragraphs_++ > 0)
                append("\n");
            ++inParagraph_;
        } else if (local == "s") {
            std::uint64_t c = repeatCount(a.get(kText, "c"));
            if (c > kMaxCellBytes)
                tooLong();
            append(std::string(std::size_t(c), ' '));
        } else if (local == "tab") {
            append("\t");
        } else if (local == "line-break") {
            append("\n");
        }
    }

    std::string cellText() {
        if (error_)
            return {};
        if (!hasValue_)
            return text_;
        if (valueType_ == "date") {
            auto d = isoDateText(value_);
            if (!d)
                throw WorkbookError("儲存格 " + cellName(cellRow(), cellCol()) + " 的日期無效：" +
                                    value_);
            return *d;
        }
        if (valueType_ == "time")
            return timeText(value_);
        if (valueType_ == "boolean")
            return value_ == "true" || value_ == "1" ? "TRUE" : "FALSE";
        if (valueType_.empty() || valueType_ == "string")
            return value_;
        auto v = parseNumber(value_);
        if (!v)
            throw WorkbookError("儲存格 " + cellName(cellRow(), cellCol()) + " 的數值無效：" +
                                value_);
        return serialText(*v, NumberKind::Number, false);
    }

    void finishCell() {
        std::string t = cellText();
        if (!t.empty()) {
            if (col_ + cellRepeat_ > kMaxSheetColumns)
                throw WorkbookError("儲存格 " + cellName(cellRow(), cellCol()) +
                                    " 超出工作表的範圍");
            rowCells_.push_back({std::uint32_t(col_), std::uint32_t(cellRepeat_), b_.addText(t)});
        }
        col_ = std::min<std::uint64_t>(col_ + cellRepeat_, std::uint64_t(kMaxSheetColumns) + 1);
    }

    void finishRow() {
        if (!rowCells_.empty()) {
            if (row_ + rowRepeat_ > kMaxSheetRows)
                throw WorkbookError(
                    "第 " + std::to_string(std::min<std::uint64_t>(row_, kMaxSheetRows) + 1) +
                    " 列超出工作表的範圍");
            for (std::uint64_t r = 0; r < rowRepeat_; ++r)
                for (const auto& c : rowCells_)
                    for (std::uint32_t k = 0; k < c.repeat; ++k)
                        b_.put(std::uint32_t(row_ + r), c.col + k, c.text);
        }
        row_ = std::min<std::uint64_t>(row_ + rowRepeat_, std::uint64_t(kMaxSheetRows) + 1);
    }

    struct RowCell {
        std::uint32_t col, repeat;
        Grid::Builder::TextRef text;
    };

    Grid::Builder& b_;
    std::string sheet_;
    int depth_ = 0, targetDepth_ = 0;
    bool inTarget_ = false, found_ = false;
    std::uint64_t row_ = 0, rowRepeat_ = 1, col_ = 0, cellRepeat_ = 1;
    std::vector<RowCell> rowCells_;
    bool inCell_ = false, error_ = false;
    std::string valueType_, value_;
    bool hasValue_ = false;
    std::string text_;
    int paragraphs_ = 0, annotation_ = 0, inParagraph_ = 0;
};

} // namespace

Grid readOds(const ZipArchive& zip, const std::string& path, const std::string& sheet,
             const ReadLimits& limits) {
    Grid::Builder b(limits);
    ContentHandler h(b, sheet);
    XmlReader xml(h, "content.xml");
    zip.read("content.xml", limits.maxPartBytes,
             [&](const char* p, std::size_t n) { xml.feed(p, n, false); });
    xml.feed("", 0, true);
    if (!h.found())
        throw WorkbookError(noSheetMessage(path, sheet));
    return b.build();
}

Grid readFlatOds(const std::string& path, const std::string& sheet, const ReadLimits& limits) {
    Grid::Builder b(limits);
    ContentHandler h(b, sheet);
    XmlReader xml(h, path);
    feedFile(path, xml, limits.maxPartBytes);
    if (!h.found())
        throw WorkbookError(noSheetMessage(path, sheet));
    return b.build();
}

} // namespace workbook::detail
