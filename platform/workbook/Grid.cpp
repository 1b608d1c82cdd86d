#include "Grid.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unistd.h>

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
        throw WorkbookError("活頁簿的儲存格超過可讀取的上限（" + std::to_string(limits_.maxCells) +
                            " 格）");
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
            g.cells_.push_back(
                {std::uint32_t(c), std::uint32_t(g.text_.size()), std::uint32_t(r[c].size())});
            g.text_ += r[c];
        }
        g.rowStart_.push_back(std::uint32_t(g.cells_.size()));
    }
    return g;
}

namespace {

constexpr char kMagic[8] = {'T', 'V', 'G', 'R', 'I', 'D', '2', 0};

void writeAll(int fd, const void* data, std::size_t n) {
    const char* p = static_cast<const char*>(data);
    while (n > 0) {
        ssize_t w = ::write(fd, p, n);
        if (w < 0 && errno == EINTR)
            continue;
        if (w <= 0)
            throw WorkbookError(std::string("無法傳回讀取結果：") + std::strerror(errno));
        p += w;
        n -= std::size_t(w);
    }
}

} // namespace

struct Grid::Receiver::Header {
    char magic[8];
    std::uint64_t rows, cols, firstSheetRow, cells, textBytes;
};

void Grid::writeTo(int fd) const {
    Receiver::Header h{};
    std::memcpy(h.magic, kMagic, sizeof kMagic);
    h.rows = rows_;
    h.cols = cols_;
    h.firstSheetRow = firstSheetRow_;
    h.cells = cells_.size();
    h.textBytes = text_.size();
    writeAll(fd, &h, sizeof h);
    writeAll(fd, rowStart_.data(), rowStart_.size() * sizeof(std::uint32_t));
    writeAll(fd, cells_.data(), cells_.size() * sizeof(Cell));
    writeAll(fd, text_.data(), text_.size());
}

Grid::Receiver::Receiver() : header_(std::make_unique<Header>()), grid_(std::make_unique<Grid>()) {}
Grid::Receiver::~Receiver() = default;

namespace {

WorkbookError broken() {
    return WorkbookError("活頁簿讀取程式傳回的資料不完整");
}

} // namespace

std::pair<char*, std::size_t> Grid::Receiver::space() {
    if (headerGot_ < sizeof(Header))
        return {reinterpret_cast<char*>(header_.get()) + headerGot_, sizeof(Header) - headerGot_};
    Grid& g = *grid_;
    for (; part_ < 3; ++part_, partGot_ = 0) {
        char* base = part_ == 0   ? reinterpret_cast<char*>(g.rowStart_.data())
                     : part_ == 1 ? reinterpret_cast<char*>(g.cells_.data())
                                  : g.text_.data();
        std::size_t size = part_ == 0   ? g.rowStart_.size() * sizeof(std::uint32_t)
                           : part_ == 1 ? g.cells_.size() * sizeof(Cell)
                                        : g.text_.size();
        if (partGot_ < size)
            return {base + partGot_, size - partGot_};
    }
    return {nullptr, 0};
}

void Grid::Receiver::received(std::size_t n) {
    if (headerGot_ < sizeof(Header)) {
        headerGot_ += n;
        if (headerGot_ < sizeof(Header))
            return;
        const Header& h = *header_;
        if (std::memcmp(h.magic, kMagic, sizeof kMagic) != 0 || h.rows > kMaxSheetRows ||
            h.cols > kMaxSheetColumns || h.cells > std::uint64_t(kMaxSheetRows) * 64 ||
            h.textBytes > (std::uint64_t(1) << 34))
            throw broken();
        Grid& g = *grid_;
        g.rows_ = h.rows;
        g.cols_ = h.cols;
        g.firstSheetRow_ = h.firstSheetRow;
        g.rowStart_.resize(h.rows ? h.rows + 1 : 0);
        g.cells_.resize(h.cells);
        g.text_.resize(h.textBytes);
        return;
    }
    partGot_ += n;
}

bool Grid::Receiver::complete() const {
    return headerGot_ == sizeof(Header) && const_cast<Receiver*>(this)->space().second == 0;
}

Grid Grid::Receiver::take() {
    if (!complete())
        throw broken();
    Grid& g = *grid_;
    // Every index must stay inside what was sent.
    if (g.rows_ && g.rowStart_[0] != 0)
        throw broken();
    for (std::size_t r = 0; r < g.rows_; ++r)
        if (g.rowStart_[r] > g.rowStart_[r + 1] || g.rowStart_[r + 1] > g.cells_.size())
            throw broken();
    if (g.rows_ && g.rowStart_[g.rows_] != g.cells_.size())
        throw broken();
    for (const Cell& c : g.cells_)
        if (c.col >= g.cols_ || std::uint64_t(c.offset) + c.length > g.text_.size())
            throw broken();
    return std::move(g);
}

} // namespace workbook
