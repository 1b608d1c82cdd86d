#include "SheetReader.h"

#include <cmath>
#include <cstdio>
#include <freexl.h>
#include <orcus/csv_parser.hpp>
#include <orcus/format_detection.hpp>
#include <orcus/orcus_ods.hpp>
#include <orcus/orcus_xls_xml.hpp>
#include <orcus/orcus_xlsx.hpp>
#include <orcus/spreadsheet/import_interface.hpp>
#include <unordered_map>

#include "platform/text/Text.h"

namespace workbook {

namespace ss = orcus::spreadsheet;

namespace {

std::string dateText(int y, int m, int d, int hh, int mm, double sec) {
    char buf[32];
    int s = int(std::floor(sec + 1e-9));
    if (hh == 0 && mm == 0 && s == 0)
        std::snprintf(buf, sizeof buf, "%04d/%02d/%02d", y, m, d);
    else
        std::snprintf(buf, sizeof buf, "%04d/%02d/%02d %02d:%02d:%02d", y, m, d, hh, mm, s);
    return buf;
}

// Shared strings of a workbook, as the import filters hand them over.
class SharedStrings : public ss::iface::import_shared_strings {
  public:
    std::vector<std::string> strings;

    size_t append(std::string_view s) override {
        strings.emplace_back(s);
        return strings.size() - 1;
    }
    size_t add(std::string_view s) override {
        auto it = index_.find(std::string(s));
        if (it != index_.end())
            return it->second;
        size_t i = append(s);
        index_.emplace(strings.back(), i);
        return i;
    }
    void set_segment_font(size_t) override {}
    void set_segment_bold(bool) override {}
    void set_segment_italic(bool) override {}
    void set_segment_font_name(std::string_view) override {}
    void set_segment_font_size(double) override {}
    void set_segment_font_color(ss::color_elem_t, ss::color_elem_t, ss::color_elem_t,
                                ss::color_elem_t) override {}
    void append_segment(std::string_view s) override { segments_.append(s); }
    size_t commit_segments() override {
        size_t i = append(segments_);
        segments_.clear();
        return i;
    }

  private:
    std::unordered_map<std::string, size_t> index_;
    std::string segments_;
};

class Sheet;

// The cached result of a formula cell stands for the cell.
class Formula : public ss::iface::import_formula {
  public:
    explicit Formula(Sheet& s) : sheet_(s) {}
    void set_position(ss::row_t row, ss::col_t col) override {
        row_ = row;
        col_ = col;
        result_.clear();
    }
    void set_formula(ss::formula_grammar_t, std::string_view) override {}
    void set_shared_formula_index(size_t) override {}
    void set_result_string(std::string_view v) override { result_ = v; }
    void set_result_value(double v) override { result_ = text::formatGeneral(v); }
    void set_result_bool(bool v) override { result_ = v ? "TRUE" : "FALSE"; }
    void set_result_empty() override { result_.clear(); }
    void commit() override;

  private:
    Sheet& sheet_;
    ss::row_t row_ = 0;
    ss::col_t col_ = 0;
    std::string result_;
};

// One sheet: cells of the wanted sheet go into the grid builder, the cells of
// every other sheet are dropped.
class Sheet : public ss::iface::import_sheet {
  public:
    Sheet(SharedStrings& strings, Grid::Builder* builder)
        : strings_(strings), builder_(builder), formula_(*this) {}

    void put(ss::row_t row, ss::col_t col, std::string_view text) {
        if (builder_)
            builder_->put(std::size_t(row), std::size_t(col), text);
    }
    ss::iface::import_formula* get_formula() override { return &formula_; }
    void set_auto(ss::row_t row, ss::col_t col, std::string_view s) override { put(row, col, s); }
    void set_string(ss::row_t row, ss::col_t col, ss::string_id_t i) override {
        if (builder_ && i < strings_.strings.size())
            put(row, col, strings_.strings[i]);
    }
    void set_value(ss::row_t row, ss::col_t col, double v) override {
        if (builder_)
            put(row, col, text::formatGeneral(v));
    }
    void set_bool(ss::row_t row, ss::col_t col, bool v) override {
        put(row, col, v ? "TRUE" : "FALSE");
    }
    void set_date_time(ss::row_t row, ss::col_t col, int y, int m, int d, int hh, int mm,
                       double s) override {
        if (builder_)
            put(row, col, dateText(y, m, d, hh, mm, s));
    }
    void set_format(ss::row_t, ss::col_t, size_t) override {}
    void set_format(ss::row_t, ss::col_t, ss::row_t, ss::col_t, size_t) override {}
    void fill_down_cells(ss::row_t, ss::col_t, ss::row_t) override {}
    ss::range_size_t get_sheet_size() const override { return {1048576, 16384}; }

  private:
    SharedStrings& strings_;
    Grid::Builder* builder_;
    Formula formula_;
};

void Formula::commit() {
    sheet_.put(row_, col_, result_);
}

// Cell addresses in A1 form ("B12", "$A$1", "A1:C3"), as the xlsx reader
// hands them over for every cell.
class A1Resolver : public ss::iface::import_reference_resolver {
  public:
    ss::src_address_t resolve_address(std::string_view a) override {
        ss::src_address_t r{0, 0, 0};
        std::size_t i = 0;
        if (auto bang = a.rfind('!'); bang != std::string_view::npos)
            a.remove_prefix(bang + 1);
        if (i < a.size() && a[i] == '$')
            ++i;
        int col = 0;
        while (i < a.size() && ((a[i] >= 'A' && a[i] <= 'Z') || (a[i] >= 'a' && a[i] <= 'z'))) {
            col = col * 26 + ((a[i] | 0x20) - 'a' + 1);
            ++i;
        }
        if (i < a.size() && a[i] == '$')
            ++i;
        int row = 0;
        while (i < a.size() && a[i] >= '0' && a[i] <= '9')
            row = row * 10 + (a[i++] - '0');
        if (col == 0 || row == 0 || i != a.size())
            throw std::runtime_error("invalid cell address " + std::string(a));
        r.row = row - 1;
        r.column = col - 1;
        return r;
    }
    ss::src_range_t resolve_range(std::string_view range) override {
        auto colon = range.find(':');
        if (colon == std::string_view::npos) {
            auto a = resolve_address(range);
            return {a, a};
        }
        return {resolve_address(range.substr(0, colon)), resolve_address(range.substr(colon + 1))};
    }
};

class GlobalSettings : public ss::iface::import_global_settings {
  public:
    void set_origin_date(int, int, int) override {}
    void set_default_formula_grammar(ss::formula_grammar_t g) override { grammar_ = g; }
    ss::formula_grammar_t get_default_formula_grammar() const override { return grammar_; }
    void set_character_set(orcus::character_set_t) override {}

  private:
    ss::formula_grammar_t grammar_ = ss::formula_grammar_t::xlsx;
};

class Factory : public ss::iface::import_factory {
  public:
    ss::iface::import_global_settings* get_global_settings() override { return &settings_; }
    explicit Factory(std::string wanted) : wanted_(std::move(wanted)) {}

    ss::iface::import_reference_resolver*
    get_reference_resolver(ss::formula_ref_context_t) override {
        return &resolver_;
    }
    ss::iface::import_shared_strings* get_shared_strings() override { return &strings_; }
    ss::iface::import_sheet* append_sheet(ss::sheet_t, std::string_view name) override {
        bool match = !found_ && name == wanted_;
        found_ = found_ || match;
        sheets_.push_back(std::make_unique<Sheet>(strings_, match ? &builder_ : nullptr));
        names_.emplace_back(name);
        return sheets_.back().get();
    }
    ss::iface::import_sheet* get_sheet(std::string_view name) override {
        for (std::size_t i = 0; i < names_.size(); ++i)
            if (names_[i] == name)
                return sheets_[i].get();
        return nullptr;
    }
    ss::iface::import_sheet* get_sheet(ss::sheet_t index) override {
        return index >= 0 && std::size_t(index) < sheets_.size() ? sheets_[std::size_t(index)].get()
                                                                 : nullptr;
    }
    void finalize() override {}

    bool found() const { return found_; }
    Grid grid() { return builder_.build(); }

  private:
    std::string wanted_;
    A1Resolver resolver_;
    GlobalSettings settings_;
    SharedStrings strings_;
    Grid::Builder builder_;
    std::vector<std::unique_ptr<Sheet>> sheets_;
    std::vector<std::string> names_;
    bool found_ = false;
};

std::string noSheet(const std::string& path, const std::string& sheet) {
    return "找不到工作表 \"" + sheet + "\"：" + path;
}

Grid readWithOrcus(orcus::format_t format, const std::string& path, const std::string& sheet) {
    Factory factory(sheet);
    try {
        std::unique_ptr<orcus::iface::import_filter> filter;
        switch (format) {
        case orcus::format_t::xlsx:
            filter = std::make_unique<orcus::orcus_xlsx>(&factory);
            break;
        case orcus::format_t::ods:
            filter = std::make_unique<orcus::orcus_ods>(&factory);
            break;
        default:
            filter = std::make_unique<orcus::orcus_xls_xml>(&factory);
            break;
        }
        filter->read_file(path);
    } catch (const std::exception& e) {
        throw WorkbookError("無法讀取活頁簿 " + path + "：" + e.what());
    }
    if (!factory.found())
        throw WorkbookError(noSheet(path, sheet));
    return factory.grid();
}

Grid readXls(const std::string& path, const std::string& sheet) {
    const void* handle = nullptr;
    if (freexl_open(path.c_str(), &handle) != FREEXL_OK)
        throw WorkbookError("無法讀取活頁簿 " + path);
    struct Closer {
        const void* h;
        ~Closer() { freexl_close(h); }
    } closer{handle};
    unsigned count = 0;
    if (freexl_get_info(handle, FREEXL_BIFF_SHEET_COUNT, &count) != FREEXL_OK)
        throw WorkbookError("無法讀取活頁簿 " + path);
    for (unsigned s = 0; s < count; ++s) {
        const char* name = nullptr;
        if (freexl_get_worksheet_name(handle, static_cast<unsigned short>(s), &name) != FREEXL_OK ||
            !name || sheet != name)
            continue;
        if (freexl_select_active_worksheet(handle, static_cast<unsigned short>(s)) != FREEXL_OK)
            throw WorkbookError("無法讀取活頁簿 " + path);
        unsigned rows = 0;
        unsigned short cols = 0;
        if (freexl_worksheet_dimensions(handle, &rows, &cols) != FREEXL_OK)
            throw WorkbookError("無法讀取活頁簿 " + path);
        Grid::Builder b;
        for (unsigned r = 0; r < rows; ++r)
            for (unsigned short c = 0; c < cols; ++c) {
                FreeXL_CellValue v;
                if (freexl_get_cell_value(handle, r, c, &v) != FREEXL_OK)
                    continue;
                switch (v.type) {
                case FREEXL_CELL_INT:
                    b.put(r, c, std::to_string(v.value.int_value));
                    break;
                case FREEXL_CELL_DOUBLE:
                    b.put(r, c, text::formatGeneral(v.value.double_value));
                    break;
                case FREEXL_CELL_TEXT:
                case FREEXL_CELL_SST_TEXT:
                    b.put(r, c, v.value.text_value);
                    break;
                case FREEXL_CELL_DATE:
                case FREEXL_CELL_DATETIME:
                case FREEXL_CELL_TIME: {
                    // freexl gives "yyyy-mm-dd[ hh:mm:ss]" or "hh:mm:ss".
                    std::string t = v.value.text_value;
                    for (char& ch : t)
                        if (ch == '-')
                            ch = '/';
                    if (t.size() > 10 && t.substr(10) == " 00:00:00")
                        t.resize(10);
                    b.put(r, c, t);
                    break;
                }
                default:
                    break;
                }
            }
        return b.build();
    }
    throw WorkbookError(noSheet(path, sheet));
}

struct CsvHandler {
    Grid::Builder& b;
    std::size_t row = 0, col = 0;
    void begin_parse() {}
    void end_parse() {}
    void begin_row() { col = 0; }
    void end_row() { ++row; }
    void cell(const char* p, size_t n, bool) { b.put(row, col++, std::string_view(p, n)); }
};

// The separator of the first line outside quotes: a tab when it has one,
// otherwise a comma.
char csvSeparator(std::string_view t) {
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

bool looksLikeText(std::string_view bytes) {
    std::size_t n = std::min<std::size_t>(bytes.size(), 65536);
    for (std::size_t i = 0; i < n; ++i) {
        unsigned char c = static_cast<unsigned char>(bytes[i]);
        if (c == 0 || (c < 0x20 && c != '\t' && c != '\r' && c != '\n' && c != 0x7F && c != 0x0C))
            return false;
    }
    return true;
}

} // namespace

Grid readCsv(std::string_view raw) {
    if (raw.substr(0, 3) == "\xEF\xBB\xBF")
        raw.remove_prefix(3);
    // Every line ends with a break for the parser, so a last line without one
    // is read like the others.
    std::string text;
    text.reserve(raw.size() + 1);
    for (std::size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] == '\r') {
            text += '\n';
            if (i + 1 < raw.size() && raw[i + 1] == '\n')
                ++i;
        } else {
            text += raw[i];
        }
    }
    if (!text.empty() && text.back() != '\n')
        text += '\n';
    orcus::csv::parser_config config;
    config.delimiters = std::string(1, csvSeparator(text));
    config.text_qualifier = '"';
    config.trim_cell_value = false;
    Grid::Builder b;
    CsvHandler h{b};
    try {
        orcus::csv_parser<CsvHandler> parser(text.data(), text.size(), h, config);
        parser.parse();
    } catch (const std::exception& e) {
        throw WorkbookError(std::string("無法讀取 CSV 檔：") + e.what());
    }
    return b.build();
}

Grid readSheet(const std::string& path, const std::string& sheetName) {
    std::string bytes;
    try {
        bytes = text::readFile(path);
    } catch (const std::exception& e) {
        throw WorkbookError(e.what());
    }
    if (bytes.size() >= 8 && bytes.compare(0, 8, "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1") == 0)
        return readXls(path, sheetName);
    orcus::format_t f =
        orcus::detect(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
    if (f == orcus::format_t::xlsx || f == orcus::format_t::ods || f == orcus::format_t::xls_xml)
        return readWithOrcus(f, path, sheetName);
    if (bytes.compare(0, 2, "PK") == 0 || !looksLikeText(bytes))
        throw WorkbookError("無法辨識的活頁簿格式：" + path);
    return readCsv(bytes);
}

} // namespace workbook
