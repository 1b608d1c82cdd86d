// Office Open XML workbooks (.xlsx, .xlsm): the package's relationships lead
// from the workbook to the sheet, its shared strings and its styles, as the
// packaging conventions say (targets relative to their source part or
// absolute from the package root).

#include <charconv>
#include <cstring>
#include <unordered_map>
#include <vector>

#include "CellValues.h"
#include "Readers.h"
#include "WorkbookError.h"
#include "XmlReader.h"
#include "ZipArchive.h"
#include "platform/text/Text.h"

namespace workbook::detail {

namespace {

using Attrs = XmlReader::Attributes;

bool endsWith(std::string_view s, std::string_view suffix) {
    return s.size() >= suffix.size() && s.substr(s.size() - suffix.size()) == suffix;
}

std::string percentDecoded(std::string_view s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        int v = 0;
        if (s[i] == '%' && i + 2 < s.size() &&
            std::from_chars(s.data() + i + 1, s.data() + i + 3, v, 16).ptr == s.data() + i + 3) {
            out += char(v);
            i += 2;
        } else {
            out += s[i];
        }
    }
    return out;
}

// The part a relationship target names, as a zip entry name.
std::string resolvePart(std::string_view source, std::string_view target) {
    std::string t = percentDecoded(target);
    std::string base;
    if (!t.empty() && t[0] == '/') {
        t.erase(0, 1);
    } else {
        auto slash = source.rfind('/');
        base = slash == std::string_view::npos ? "" : std::string(source.substr(0, slash + 1));
    }
    std::vector<std::string> parts;
    std::string path = base + t;
    for (std::size_t from = 0; from <= path.size();) {
        std::size_t to = path.find('/', from);
        if (to == std::string::npos)
            to = path.size();
        std::string seg = path.substr(from, to - from);
        from = to + 1;
        if (seg.empty() || seg == ".")
            continue;
        if (seg == "..") {
            if (!parts.empty())
                parts.pop_back();
        } else {
            parts.push_back(std::move(seg));
        }
    }
    std::string out;
    for (const auto& p : parts)
        out += (out.empty() ? "" : "/") + p;
    return out;
}

std::string relsPartOf(std::string_view part) {
    auto slash = part.rfind('/');
    std::string dir = slash == std::string_view::npos ? "" : std::string(part.substr(0, slash + 1));
    std::string file = std::string(slash == std::string_view::npos ? part : part.substr(slash + 1));
    return dir + "_rels/" + file + ".rels";
}

struct Relationship {
    std::string id, type, target;
};

void parsePart(const ZipArchive& zip, const std::string& part, const ReadLimits& limits,
               XmlReader::Handler& handler) {
    XmlReader xml(handler, part);
    zip.read(part, limits.maxPartBytes,
             [&](const char* p, std::size_t n) { xml.feed(p, n, false); });
    xml.feed("", 0, true);
}

std::vector<Relationship> readRelationships(const ZipArchive& zip, const std::string& source,
                                            const ReadLimits& limits) {
    struct H : XmlReader::Handler {
        std::vector<Relationship> rels;
        std::string source;
        void start(std::string_view, std::string_view local, const Attrs& a) override {
            if (local != "Relationship")
                return;
            const char* mode = a.get("TargetMode");
            if (mode && std::string_view(mode) == "External")
                return;
            const char *id = a.get("Id"), *type = a.get("Type"), *target = a.get("Target");
            if (id && type && target)
                rels.push_back({id, type, resolvePart(source, target)});
        }
        void end(std::string_view, std::string_view) override {}
        void text(std::string_view) override {}
    } h;
    h.source = source;
    std::string part = relsPartOf(source);
    if (zip.has(part))
        parsePart(zip, part, limits, h);
    return h.rels;
}

const Relationship* relationOfType(const std::vector<Relationship>& rels, std::string_view suffix) {
    for (const auto& r : rels)
        if (endsWith(r.type, suffix))
            return &r;
    return nullptr;
}

struct WorkbookInfo {
    struct Sheet {
        std::string name, rid;
    };
    std::vector<Sheet> sheets;
    bool date1904 = false;
};

WorkbookInfo readWorkbook(const ZipArchive& zip, const std::string& part,
                          const ReadLimits& limits) {
    struct H : XmlReader::Handler {
        WorkbookInfo info;
        void start(std::string_view, std::string_view local, const Attrs& a) override {
            if (local == "sheet") {
                const char *name = a.get("name"), *rid = a.get("id");
                if (name && rid)
                    info.sheets.push_back({name, rid});
            } else if (local == "workbookPr") {
                const char* d = a.get("date1904");
                info.date1904 = d && (std::string_view(d) == "1" || std::string_view(d) == "true");
            }
        }
        void end(std::string_view, std::string_view) override {}
        void text(std::string_view) override {}
    } h;
    parsePart(zip, part, limits, h);
    return h.info;
}

// What the number format of each cell style shows.
std::vector<NumberKind> readStyles(const ZipArchive& zip, const std::string& part,
                                   const ReadLimits& limits) {
    struct H : XmlReader::Handler {
        std::unordered_map<int, NumberKind> custom;
        std::vector<NumberKind> xfs;
        int inCellXfs = 0;
        static int number(const char* s) {
            int v = 0;
            if (s)
                std::from_chars(s, s + std::strlen(s), v);
            return v;
        }
        void start(std::string_view, std::string_view local, const Attrs& a) override {
            if (local == "numFmt") {
                const char* code = a.get("formatCode");
                custom[number(a.get("numFmtId"))] =
                    code ? formatCodeKind(code) : NumberKind::Number;
            } else if (local == "cellXfs") {
                ++inCellXfs;
            } else if (local == "xf" && inCellXfs) {
                int id = number(a.get("numFmtId"));
                auto it = custom.find(id);
                xfs.push_back(it != custom.end() ? it->second : builtinFormatKind(id));
            }
        }
        void end(std::string_view, std::string_view local) override {
            if (local == "cellXfs")
                --inCellXfs;
        }
        void text(std::string_view) override {}
    } h;
    parsePart(zip, part, limits, h);
    return std::move(h.xfs);
}

// Text of a shared or inline string: its runs joined, phonetic guides left out.
class StringText {
  public:
    void start(std::string_view local) {
        if (local == "rPh")
            ++phonetic_;
        else if (local == "t" && !phonetic_)
            collecting_ = true;
    }
    void end(std::string_view local) {
        if (local == "rPh")
            --phonetic_;
        else if (local == "t")
            collecting_ = false;
    }
    void text(std::string_view s) {
        if (collecting_)
            raw_.append(s);
    }
    std::string take() {
        std::string out = decodeOoxmlEscapes(raw_);
        raw_.clear();
        return out;
    }

  private:
    std::string raw_;
    int phonetic_ = 0;
    bool collecting_ = false;
};

std::vector<Grid::Builder::TextRef> readSharedStrings(const ZipArchive& zip,
                                                      const std::string& part,
                                                      const ReadLimits& limits, Grid::Builder& b) {
    struct H : XmlReader::Handler {
        Grid::Builder& b;
        std::vector<Grid::Builder::TextRef> refs;
        StringText str;
        bool inItem = false;
        explicit H(Grid::Builder& builder) : b(builder) {}
        void start(std::string_view, std::string_view local, const Attrs&) override {
            if (local == "si")
                inItem = true;
            else if (inItem)
                str.start(local);
        }
        void end(std::string_view, std::string_view local) override {
            if (local == "si") {
                inItem = false;
                refs.push_back(b.addText(str.take()));
            } else if (inItem) {
                str.end(local);
            }
        }
        void text(std::string_view s) override { str.text(s); }
    } h(b);
    parsePart(zip, part, limits, h);
    return std::move(h.refs);
}

class SheetHandler : public XmlReader::Handler {
  public:
    SheetHandler(Grid::Builder& b, const std::vector<Grid::Builder::TextRef>& strings,
                 const std::vector<NumberKind>& styles, bool date1904)
        : b_(b), strings_(strings), styles_(styles), date1904_(date1904) {}

    void start(std::string_view, std::string_view local, const Attrs& a) override {
        if (inCell_) {
            if (local == "v") {
                inValue_ = hasValue_ = true;
            } else if (local == "f") {
                hasFormula_ = true;
            } else if (local == "is") {
                inInline_ = true;
            } else if (inInline_) {
                inline_.start(local);
            }
            return;
        }
        if (local == "row") {
            const char* r = a.get("r");
            std::uint64_t n = 0;
            if (r) {
                auto [p, ec] = std::from_chars(r, r + std::strlen(r), n);
                if (ec != std::errc() || *p || n == 0 || n > kMaxSheetRows)
                    throw WorkbookError("工作表的列號無效：" + std::string(r));
                row_ = std::int64_t(n) - 1;
            } else {
                ++row_;
            }
            col_ = -1;
        } else if (local == "c") {
            inCell_ = true;
            hasValue_ = hasFormula_ = inInline_ = false;
            value_.clear();
            const char* r = a.get("r");
            if (r) {
                std::uint32_t rr, cc;
                if (!parseCellRef(r, rr, cc))
                    throw WorkbookError("儲存格位址無效或超出工作表的範圍：" + std::string(r));
                cellRow_ = rr;
                col_ = cc;
            } else {
                cellRow_ = std::uint32_t(row_ < 0 ? 0 : row_);
                ++col_;
            }
            cellCol_ = std::uint32_t(col_);
            const char* t = a.get("t");
            type_ = t ? t : "n";
            const char* s = a.get("s");
            style_ = 0;
            if (s)
                std::from_chars(s, s + std::strlen(s), style_);
        }
    }

    void end(std::string_view, std::string_view local) override {
        if (!inCell_)
            return;
        if (local == "c") {
            inCell_ = false;
            finishCell();
        } else if (local == "v") {
            inValue_ = false;
        } else if (local == "is") {
            inInline_ = false;
        } else if (inInline_) {
            inline_.end(local);
        }
    }

    void text(std::string_view s) override {
        if (inValue_)
            value_.append(s);
        else if (inInline_)
            inline_.text(s);
    }

  private:
    [[noreturn]] void bad(const std::string& what) {
        throw WorkbookError("儲存格 " + cellName(cellRow_, cellCol_) + " " + what);
    }

    void finishCell() {
        if (type_ == "s") {
            std::size_t i = 0;
            auto [p, ec] = std::from_chars(value_.data(), value_.data() + value_.size(), i);
            if (!hasValue_ || ec != std::errc() || p != value_.data() + value_.size() ||
                i >= strings_.size())
                bad("的共用字串索引無效：" + value_);
            b_.put(cellRow_, cellCol_, strings_[i]);
        } else if (type_ == "inlineStr") {
            b_.put(cellRow_, cellCol_, inline_.take());
        } else if (type_ == "str") {
            b_.put(cellRow_, cellCol_, decodeOoxmlEscapes(value_));
        } else if (type_ == "b") {
            if (value_ == "1" || value_ == "true")
                b_.put(cellRow_, cellCol_, "TRUE");
            else if (value_ == "0" || value_ == "false")
                b_.put(cellRow_, cellCol_, "FALSE");
            else if (hasValue_)
                bad("的邏輯值無效：" + value_);
        } else if (type_ == "e") {
            // Error values are not copied.
        } else if (type_ == "d") {
            if (value_.empty())
                return;
            auto d = isoDateText(value_);
            if (!d)
                bad("的日期無效：" + value_);
            b_.put(cellRow_, cellCol_, *d);
        } else if (type_ == "n") {
            if (value_.empty()) {
                // A formula whose result was never calculated (written by a
                // library, not a spreadsheet program) is not an empty cell.
                if (hasFormula_)
                    bad("的公式沒有儲存計算結果：請用試算表程式開啟並存檔後再匯入");
                return;
            }
            auto v = parseNumber(value_);
            if (!v)
                bad("的數值無效：" + value_);
            NumberKind kind = style_ >= 0 && std::size_t(style_) < styles_.size()
                                  ? styles_[std::size_t(style_)]
                                  : NumberKind::Number;
            b_.put(cellRow_, cellCol_, serialText(*v, kind, date1904_));
        } else {
            bad("的型態不明：" + type_);
        }
    }

    Grid::Builder& b_;
    const std::vector<Grid::Builder::TextRef>& strings_;
    const std::vector<NumberKind>& styles_;
    bool date1904_;
    std::int64_t row_ = -1, col_ = -1;
    std::uint32_t cellRow_ = 0, cellCol_ = 0;
    bool inCell_ = false, inValue_ = false, hasValue_ = false, hasFormula_ = false,
         inInline_ = false;
    std::string type_, value_;
    int style_ = 0;
    StringText inline_;
};

} // namespace

Grid readXlsx(const ZipArchive& zip, const std::string& path, const std::string& sheet,
              const ReadLimits& limits) {
    std::string workbookPart = "xl/workbook.xml";
    auto packageRels = readRelationships(zip, "", limits);
    if (auto* doc = relationOfType(packageRels, "/officeDocument"))
        workbookPart = doc->target;
    if (!zip.has(workbookPart))
        throw WorkbookError("無法讀取活頁簿 " + path + "：找不到活頁簿內容 " + workbookPart);
    WorkbookInfo info = readWorkbook(zip, workbookPart, limits);
    auto rels = readRelationships(zip, workbookPart, limits);

    const WorkbookInfo::Sheet* found = nullptr;
    for (const auto& s : info.sheets)
        if (sameSheetName(s.name, sheet)) {
            found = &s;
            break;
        }
    if (!found)
        throw WorkbookError(noSheetMessage(path, sheet));
    std::string sheetPart;
    for (const auto& r : rels)
        if (r.id == found->rid)
            sheetPart = r.target;
    if (sheetPart.empty() || !zip.has(sheetPart))
        throw WorkbookError("無法讀取活頁簿 " + path + "：找不到工作表 \"" + found->name +
                            "\" 的內容");

    Grid::Builder b(limits);
    std::vector<Grid::Builder::TextRef> strings;
    if (auto* r = relationOfType(rels, "/sharedStrings"); r && zip.has(r->target))
        strings = readSharedStrings(zip, r->target, limits, b);
    std::vector<NumberKind> styles;
    if (auto* r = relationOfType(rels, "/styles"); r && zip.has(r->target))
        styles = readStyles(zip, r->target, limits);

    SheetHandler h(b, strings, styles, info.date1904);
    parsePart(zip, sheetPart, limits, h);
    return b.build();
}

} // namespace workbook::detail
