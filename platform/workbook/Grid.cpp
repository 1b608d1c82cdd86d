#include "Grid.h"

#include <algorithm>
#include <limits>

namespace workbook {

std::string_view Grid::cell(std::size_t col, std::size_t row) const {
    if (col >= cols_ || row >= rows_)
        return {};
    auto [off, len] = cells_[row * cols_ + col];
    return std::string_view(text_).substr(off, len);
}

void Grid::Builder::put(std::size_t row, std::size_t col, std::string_view text) {
    if (text.empty())
        return;
    entries_.push_back(
        {uint32_t(row), uint32_t(col), uint32_t(text_.size()), uint32_t(text.size())});
    text_.append(text);
}

Grid Grid::Builder::build() {
    Grid g;
    if (entries_.empty())
        return g;
    uint32_t r0 = std::numeric_limits<uint32_t>::max(), c0 = r0, r1 = 0, c1 = 0;
    for (const Entry& e : entries_) {
        r0 = std::min(r0, e.row);
        c0 = std::min(c0, e.col);
        r1 = std::max(r1, e.row);
        c1 = std::max(c1, e.col);
    }
    g.rows_ = r1 - r0 + 1;
    g.cols_ = c1 - c0 + 1;
    g.cells_.assign(g.rows_ * g.cols_, {0, 0});
    for (const Entry& e : entries_)
        g.cells_[std::size_t(e.row - r0) * g.cols_ + (e.col - c0)] = {e.offset, e.length};
    g.text_ = std::move(text_);
    entries_.clear();
    return g;
}

Grid Grid::fromRows(const std::vector<std::vector<std::string>>& rows) {
    Grid g;
    g.rows_ = rows.size();
    for (const auto& r : rows)
        g.cols_ = std::max(g.cols_, r.size());
    g.cells_.assign(g.rows_ * g.cols_, {0, 0});
    for (std::size_t r = 0; r < rows.size(); ++r)
        for (std::size_t c = 0; c < rows[r].size(); ++c) {
            g.cells_[r * g.cols_ + c] = {uint32_t(g.text_.size()), uint32_t(rows[r][c].size())};
            g.text_ += rows[r][c];
        }
    return g;
}

} // namespace workbook
