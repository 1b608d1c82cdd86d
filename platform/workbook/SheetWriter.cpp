#include "SheetWriter.h"

#include <xlsxwriter.h>

#include "CellValues.h"
#include "WorkbookError.h"

namespace workbook {

SheetWriter::SheetWriter(const std::string& path, const std::string& sheetName, Strings strings)
    : path_(path) {
    lxw_workbook_options options{};
    // Shared strings hold the cells until close; readers that drop inline
    // strings still read them.
    options.constant_memory = strings == Strings::Inline ? LXW_TRUE : LXW_FALSE;
    book_ = workbook_new_opt(path.c_str(), &options);
    if (!book_)
        throw WorkbookError("無法建立活頁簿 " + path);
    sheet_ = workbook_add_worksheet(book_, sheetName.c_str());
    if (!sheet_) {
        workbook_close(book_);
        book_ = nullptr;
        throw WorkbookError("無法建立工作表 " + sheetName);
    }
}

SheetWriter::~SheetWriter() {
    if (book_)
        workbook_close(book_);
}

void SheetWriter::text(unsigned row, unsigned col, std::string_view value) {
    if (value.empty())
        return;
    // Readers decode "_xHHHH_" in text (the writer itself writes control
    // characters that way), so text that looks like such an escape is
    // written with its underscore escaped and reads back as typed.
    buf_ = detail::escapeOoxmlLookalikes(value);
    lxw_error e = worksheet_write_string(sheet_, row, lxw_col_t(col), buf_.c_str(), nullptr);
    if (e != LXW_NO_ERROR)
        throw WorkbookError(std::string("寫入活頁簿失敗：") + lxw_strerror(e));
}

void SheetWriter::number(unsigned row, unsigned col, double value) {
    lxw_error e = worksheet_write_number(sheet_, row, lxw_col_t(col), value, nullptr);
    if (e != LXW_NO_ERROR)
        throw WorkbookError(std::string("寫入活頁簿失敗：") + lxw_strerror(e));
}

void SheetWriter::close() {
    if (!book_)
        return;
    lxw_error e = workbook_close(book_);
    book_ = nullptr;
    if (e != LXW_NO_ERROR)
        throw WorkbookError("無法儲存活頁簿 " + path_ + "：" + lxw_strerror(e));
}

} // namespace workbook
