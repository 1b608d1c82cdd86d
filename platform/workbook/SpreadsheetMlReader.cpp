// Excel 2003 XML spreadsheets ("XML Spreadsheet 2003"): Worksheet, Table,
// Row and Cell elements with 1-based ss:Index positions, Data elements typed
// String, Number, DateTime, Boolean or Error.

#include <charconv>
#include <cstring>

#include "CellValues.h"
#include "Readers.h"
#include "WorkbookError.h"
#include "XmlReader.h"

namespace workbook::detail {

namespace {

using Attrs = XmlReader::Attributes;

constexpr std::string_view kSs = "urn:schemas-microsoft-com:office:spreadsheet";

std::uint64_t position(const char* v, const char* what) {
    std::uint64_t n = 0;
    auto [p, ec] = std::from_chars(v, v + std::strlen(v), n);
    if (ec != std::errc() || *p)
        throw WorkbookError(std::string(what) + "無效：" + v);
    return n;
}

class Handler : public XmlReader::Handler {
  public:
    Handler(Grid::Builder& b, const std::string& sheet) : b_(b), sheet_(sheet) {}
    bool found() const { return found_; }

    void start(std::string_view ns, std::string_view local, const Attrs& a) override {
        if (ns == kSs && local == "Worksheet") {
            const char* name = a.get(kSs, "Name");
            inTarget_ = !found_ && name && sameSheetName(name, sheet_);
            found_ = found_ || inTarget_;
            row_ = 0;
            return;
        }
        if (!inTarget_)
            return;
        if (inData_) {
            return; // formatting inside rich text (<B>, <Font>) adds no text of its own
        }
        if (ns == kSs && local == "Row") {
            if (const char* i = a.get(kSs, "Index")) {
                std::uint64_t n = position(i, "列號");
                if (n == 0 || n > kMaxSheetRows)
                    throw WorkbookError(std::string("列號超出工作表的範圍：") + i);
                row_ = n - 1;
            }
            col_ = 0;
        } else if (ns == kSs && local == "Cell") {
            inCell_ = true;
            if (const char* i = a.get(kSs, "Index")) {
                std::uint64_t n = position(i, "欄號");
                if (n == 0 || n > kMaxSheetColumns)
                    throw WorkbookError(std::string("欄號超出工作表的範圍：") + i);
                col_ = n - 1;
            }
            const char* merge = a.get(kSs, "MergeAcross");
            span_ = merge ? position(merge, "合併欄數") + 1 : 1;
        } else if (ns == kSs && local == "Comment") {
            ++comment_;
        } else if (local == "Data" && inCell_ && !comment_) {
            inData_ = true;
            const char* t = a.get(kSs, "Type");
            type_ = t ? t : "String";
            text_.clear();
        }
    }

    void end(std::string_view ns, std::string_view local) override {
        if (!inTarget_)
            return;
        if (ns == kSs && local == "Worksheet") {
            inTarget_ = false;
        } else if (inData_ && local == "Data") {
            inData_ = false;
            put();
        } else if (inData_) {
            return;
        } else if (ns == kSs && local == "Comment") {
            --comment_;
        } else if (ns == kSs && local == "Cell") {
            inCell_ = false;
            col_ += span_;
        } else if (ns == kSs && local == "Row") {
            ++row_;
        }
    }

    void text(std::string_view s) override {
        if (inData_)
            text_.append(s);
    }

  private:
    void put() {
        if (row_ >= kMaxSheetRows || col_ >= kMaxSheetColumns)
            throw WorkbookError("儲存格超出工作表的範圍（第 " + std::to_string(row_ + 1) + " 列）");
        auto r = std::uint32_t(row_), c = std::uint32_t(col_);
        if (type_ == "Number") {
            if (text_.empty())
                return;
            auto v = parseNumber(text_);
            if (!v)
                throw WorkbookError("儲存格 " + cellName(r, c) + " 的數值無效：" + text_);
            b_.put(r, c, serialText(*v, NumberKind::Number, false));
        } else if (type_ == "DateTime") {
            auto d = isoDateText(text_);
            if (!d)
                throw WorkbookError("儲存格 " + cellName(r, c) + " 的日期無效：" + text_);
            b_.put(r, c, *d);
        } else if (type_ == "Boolean") {
            b_.put(r, c, text_ == "1" || text_ == "true" ? "TRUE" : "FALSE");
        } else if (type_ == "Error") {
            // Error values are not copied.
        } else {
            b_.put(r, c, text_);
        }
    }

    Grid::Builder& b_;
    std::string sheet_;
    bool inTarget_ = false, found_ = false, inCell_ = false, inData_ = false;
    int comment_ = 0;
    std::uint64_t row_ = 0, col_ = 0, span_ = 1;
    std::string type_, text_;
};

} // namespace

Grid readSpreadsheetMl(const std::string& path, const std::string& sheet,
                       const ReadLimits& limits) {
    Grid::Builder b(limits);
    Handler h(b, sheet);
    XmlReader xml(h, path);
    feedFile(path, xml, limits.maxPartBytes);
    if (!h.found())
        throw WorkbookError(noSheetMessage(path, sheet));
    return b.build();
}

} // namespace workbook::detail
