#include "Grid.h"

#include <algorithm>
#include <cstring>

#include "WorkbookError.h"

namespace workbook {

std::string columnName(std::uint32_t col) {
    std::string name;
    for (std::uint64_t c = std::uint64_t(col) + 1; c > 0; c = (c - 1) / 26)
        name += char('A' + (c - 1) % 26);
    return std::string(name.rbegin(), name.rend());
}

std::string cellName(std::uint32_t row, std::uint32_t col) {
    return columnName(col) + std::to_string(std::uint64_t(row) + 1);
}

std::string_view Grid::cell(std::size_t col, std::size_t row) const {
    if (row >= rows_ || col >= cols_)
        return {};
    auto first = cells_.begin() + rowStart_[row], last = cells_.begin() + rowStart_[row + 1];
    auto it = std::lower_bound(first, last, col,
                               [](const Cell& c, std::size_t value) { return c.col < value; });
    if (it == last || it->col != col)
        return {};
    return std::string_view(text_).substr(it->offset, it->length);
}

Grid::Builder::Builder(const ReadLimits& limits) : limits_(limits) {}

Grid::Builder::TextRef Grid::Builder::addText(std::string_view text) {
    if (text_.size() + text.size() > limits_.maxTextBytes || text.size() > UINT32_MAX)
        throw WorkbookError("活頁簿的文字超過可讀取的上限");
    TextRef ref{std::uint32_t(text_.size()), std::uint32_t(text.size())};
    text_.append(text);
    return ref;
}

void Grid::Builder::put(std::uint32_t row, std::uint32_t col, TextRef t) {
    if (t.length == 0)
        return;
    if (row >= kMaxSheetRows || col >= kMaxSheetColumns)
        throw WorkbookError("儲存格 " + cellName(row, col) + " 超出工作表的範圍");
    if (std::memchr(text_.data() + t.offset, 0, t.length))
        throw WorkbookError("儲存格 " + cellName(row, col) + " 含有 NUL 字元");
    if (entries_.size() >= limits_.maxCells)
        throw WorkbookError("活頁簿的儲存格超過可讀取的上限（" +
                            std::to_string(limits_.maxCells) + " 格）");
    if (!entries_.empty()) {
        const Entry& last = entries_.back();
        if (row < last.row || (row == last.row && col <= last.col))
            sorted_ = false;
    }
    entries_.push_back({row, col, t.offset, t.length});
}

void Grid::Builder::put(std::uint32_t row, std::uint32_t col, std::string_view text) {
    if (!text.empty())
        put(row, col, addText(text));
}

Grid Grid::Builder::build() {
    Grid g;
    if (!sorted_) {
        // Stable, so that of two puts of one cell the later stays last.
        std::stable_sort(entries_.begin(), entries_.end(), [](const Entry& a, const Entry& b) {
            return a.row != b.row ? a.row < b.row : a.col < b.col;
        });
        std::size_t out = 0;
        for (std::size_t i = 0; i < entries_.size(); ++i) {
            if (out > 0 && entries_[out - 1].row == entries_[i].row &&
                entries_[out - 1].col == entries_[i].col)
                entries_[out - 1] = entries_[i];
            else
                entries_[out++] = entries_[i];
        }
        entries_.resize(out);
    }
    g.text_ = std::move(text_);
    if (entries_.empty())
        return g;
    std::uint32_t r0 = entries_.front().row, r1 = entries_.back().row, c1 = 0;
    for (const Entry& e : entries_)
        c1 = std::max(c1, e.col);
    g.firstSheetRow_ = r0;
    g.rows_ = std::size_t(r1 - r0) + 1;
    g.cols_ = std::size_t(c1) + 1;
    g.rowStart_.assign(g.rows_ + 1, 0);
    g.cells_.reserve(entries_.size());
    std::size_t next = 0;
    for (const Entry& e : entries_) {
        std::size_t r = e.row - r0;
        while (next <= r)
            g.rowStart_[next++] = std::uint32_t(g.cells_.size());
        g.cells_.push_back({e.col, e.offset, e.length});
    }
    while (next <= g.rows_)
        g.rowStart_[next++] = std::uint32_t(g.cells_.size());
    entries_.clear();
    entries_.shrink_to_fit();
    return g;
}

Grid Grid::fromRows(const std::vector<std::vector<std::string>>& rows) {
    Grid g;
    g.rows_ = rows.size();
    g.rowStart_.push_back(0);
    for (const auto& r : rows) {
        g.cols_ = std::max(g.cols_, r.size());
        for (std::size_t c = 0; c < r.size(); ++c) {
            if (r[c].empty())
                continue;
            g.cells_.push_back({std::uint32_t(c), std::uint32_t(g.text_.size()),
                                std::uint32_t(r[c].size())});
            g.text_ += r[c];
        }
        g.rowStart_.push_back(std::uint32_t(g.cells_.size()));
    }
    return g;
}

namespace {

constexpr char kMagic[8] = {'T', 'V', 'G', 'R', 'I', 'D', '1', 0};

struct Header {
    char magic[8];
    std::uint64_t rows, cols, firstSheetRow, cells, textBytes;
};

template <class T> void appendRaw(std::string& out, const T* data, std::size_t count) {
    out.append(reinterpret_cast<const char*>(data), count * sizeof(T));
}

} // namespace

std::string Grid::toBytes() const {
    Header h{};
    std::memcpy(h.magic, kMagic, sizeof kMagic);
    h.rows = rows_;
    h.cols = cols_;
    h.firstSheetRow = firstSheetRow_;
    h.cells = cells_.size();
    h.textBytes = text_.size();
    std::string out;
    out.reserve(sizeof h + rowStart_.size() * 4 + cells_.size() * sizeof(Cell) + text_.size());
    appendRaw(out, &h, 1);
    appendRaw(out, rowStart_.data(), rowStart_.size());
    appendRaw(out, cells_.data(), cells_.size());
    out += text_;
    return out;
}

Grid Grid::fromBytes(std::string_view bytes) {
    auto broken = [] { return WorkbookError("活頁簿讀取程式傳回的資料不完整"); };
    Header h;
    if (bytes.size() < sizeof h)
        throw broken();
    std::memcpy(&h, bytes.data(), sizeof h);
    if (std::memcmp(h.magic, kMagic, sizeof kMagic) != 0 || h.rows > kMaxSheetRows ||
        h.cols > kMaxSheetColumns || h.cells > bytes.size() || h.textBytes > bytes.size())
        throw broken();
    std::uint64_t starts = h.rows ? h.rows + 1 : 0;
    std::uint64_t need = sizeof h + starts * 4 + h.cells * sizeof(Cell) + h.textBytes;
    if (need != bytes.size())
        throw broken();
    Grid g;
    g.rows_ = h.rows;
    g.cols_ = h.cols;
    g.firstSheetRow_ = h.firstSheetRow;
    const char* p = bytes.data() + sizeof h;
    g.rowStart_.resize(starts);
    std::memcpy(g.rowStart_.data(), p, starts * 4);
    p += starts * 4;
    g.cells_.resize(h.cells);
    std::memcpy(g.cells_.data(), p, h.cells * sizeof(Cell));
    p += h.cells * sizeof(Cell);
    g.text_.assign(p, h.textBytes);
    // Every index must stay inside what was sent.
    for (std::size_t r = 0; r < g.rows_; ++r)
        if (g.rowStart_[r] > g.rowStart_[r + 1] || g.rowStart_[r + 1] > g.cells_.size())
            throw broken();
    if (g.rows_ && g.rowStart_[0] != 0)
        throw broken();
    for (const Cell& c : g.cells_)
        if (c.col >= g.cols_ || std::uint64_t(c.offset) + c.length > g.text_.size())
            throw broken();
    return g;
}

} // namespace workbook
