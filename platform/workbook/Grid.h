#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace workbook {

// A rectangle of text cells addressed by column and row, both from 0. The
// text of all cells lives in one buffer, so a sheet of 100,000 rows costs a
// few bytes a cell beyond its text.
class Grid {
  public:
    std::size_t rowCount() const { return rows_; }
    std::size_t colCount() const { return cols_; }
    std::string_view cell(std::size_t col, std::size_t row) const;

    // Builds a grid: cells may be put in any order; later puts win. The grid
    // spans the used range (the rectangle around the non-empty cells), whose
    // top-left cell becomes column 0, row 0.
    class Builder {
      public:
        void put(std::size_t row, std::size_t col, std::string_view text);
        Grid build();

      private:
        struct Entry {
            uint32_t row, col, offset, length;
        };
        std::vector<Entry> entries_;
        std::string text_;
    };

    // A grid from rows of cells as given (no used-range trimming).
    static Grid fromRows(const std::vector<std::vector<std::string>>& rows);

  private:
    std::size_t rows_ = 0, cols_ = 0;
    std::vector<std::pair<uint32_t, uint32_t>> cells_; // offset, length; row-major
    std::string text_;
};

} // namespace workbook
