#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace workbook {

// Largest sheet a spreadsheet program makes: rows and columns (A to XFD).
inline constexpr std::uint32_t kMaxSheetRows = 1048576;
inline constexpr std::uint32_t kMaxSheetColumns = 16384;

// What one read may take: the bytes of one part (an inflated zip entry or a
// plain file) and the cells kept. A file beyond them ends with an error
// instead of exhausting memory.
struct ReadLimits {
    std::uint64_t maxPartBytes = std::uint64_t(1) << 30;
    std::size_t maxCells = 20'000'000;
    std::uint64_t maxTextBytes = std::uint64_t(1) << 30;
};

// Column letters of a 0-based column index: 0 → "A", 26 → "AA".
std::string columnName(std::uint32_t col);
// A cell as the spreadsheet names it: column letters and 1-based row, "B12".
std::string cellName(std::uint32_t row, std::uint32_t col);

// The used range of a sheet as text cells addressed by column and row, both
// from 0. Column 0 is the sheet's column A; row 0 is the first row holding a
// cell. Cells are stored sparsely (only those with text), so a far cell costs
// no more than a near one.
class Grid {
  public:
    std::size_t rowCount() const { return rows_; }
    std::size_t colCount() const { return cols_; }
    std::size_t cellCount() const { return cells_.size(); }
    std::string_view cell(std::size_t col, std::size_t row) const;
    // True when no cell of the row holds text.
    bool rowIsEmpty(std::size_t row) const {
        return row >= rows_ || rowStart_[row] == rowStart_[row + 1];
    }
    // The sheet row a grid row came from (1-based, as the spreadsheet numbers it).
    std::size_t sheetRow(std::size_t row) const { return row + firstSheetRow_ + 1; }

    // Builds a grid: cells may be put in any order; a later put of the same
    // cell wins. Text is added once and may be referenced by many cells.
    // Throws WorkbookError when a cell lies outside the sheet, holds a NUL
    // character, or the limits are exceeded.
    class Builder {
      public:
        explicit Builder(const ReadLimits& limits = {});
        struct TextRef {
            std::uint32_t offset = 0, length = 0;
        };
        TextRef addText(std::string_view text);
        void put(std::uint32_t row, std::uint32_t col, TextRef text);
        void put(std::uint32_t row, std::uint32_t col, std::string_view text);
        std::string_view text(TextRef t) const {
            return std::string_view(text_).substr(t.offset, t.length);
        }
        Grid build();

      private:
        struct Entry {
            std::uint32_t row, col, offset, length;
        };
        ReadLimits limits_;
        std::vector<Entry> entries_;
        std::string text_;
        bool sorted_ = true;
    };

    // A grid from rows of cells as given (no used-range trimming).
    static Grid fromRows(const std::vector<std::vector<std::string>>& rows);

    // The grid sent to another process: writeTo() writes it to a file
    // descriptor as it is held (a header, then its arrays); a Receiver takes
    // the bytes as they arrive straight into the arrays of the new grid and
    // checks that they hold together. Both throw WorkbookError.
    void writeTo(int fd) const;
    class Receiver {
      public:
        struct Header;
        Receiver();
        ~Receiver();
        // Where the next bytes go, and how many are still wanted there (0
        // when the grid is complete).
        std::pair<char*, std::size_t> space();
        void received(std::size_t n);
        bool complete() const;
        Grid take();

      private:
        std::unique_ptr<Header> header_;
        std::size_t headerGot_ = 0, part_ = 0, partGot_ = 0;
        std::unique_ptr<Grid> grid_;
    };

  private:
    struct Cell {
        std::uint32_t col, offset, length;
    };
    std::size_t rows_ = 0, cols_ = 0, firstSheetRow_ = 0;
    std::vector<std::uint32_t> rowStart_; // rows_ + 1 entries into cells_
    std::vector<Cell> cells_;             // by row, then column
    std::string text_;
};

} // namespace workbook
