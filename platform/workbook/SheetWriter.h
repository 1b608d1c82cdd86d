#pragma once

#include <string>
#include <string_view>

#include <vector>

struct lxw_workbook;
struct lxw_worksheet;
struct lxw_format;

namespace workbook {

// Writes a one-sheet Office Open XML workbook, row by row from the top. Text
// is always written as a text cell, so "0123" stays "0123": shared strings,
// or inline strings written as they come in the streaming (constant-memory)
// form. The workbook is written to a temporary file in the target's folder
// and renamed over the target only when it reads back whole, so a failed
// write (a full disk) leaves an existing file as it was. Throws WorkbookError.
class SheetWriter {
  public:
    enum class Strings { Shared, Inline };
    SheetWriter(const std::string& path, const std::string& sheetName,
                Strings strings = Strings::Shared);
    ~SheetWriter();
    SheetWriter(const SheetWriter&) = delete;
    SheetWriter& operator=(const SheetWriter&) = delete;

    // Columns whose cells carry the text number format ("@"), so that a
    // spreadsheet program keeps "0012345" as text when it is edited, and
    // takes what is typed into an empty cell there as text. Before any cell.
    void textColumn(unsigned col);
    // Rows and columns from 0; rows in ascending order.
    void text(unsigned row, unsigned col, std::string_view value);
    void number(unsigned row, unsigned col, double value);
    // Finishes the file; the writer is done afterwards.
    void close();

  private:
    void discard() noexcept;
    std::string path_, temp_, sheetName_;
    std::size_t cells_ = 0;
    lxw_workbook* book_ = nullptr;
    lxw_worksheet* sheet_ = nullptr;
    lxw_format* textFormat_ = nullptr; // owned by the workbook
    std::vector<bool> textColumns_;
    std::string buf_;
};

} // namespace workbook
