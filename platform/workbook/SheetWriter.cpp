#include "SheetWriter.h"

#include <atomic>
#include <filesystem>
#include <unistd.h>
#include <xlsxwriter.h>

#include "CellValues.h"
#include "SheetReader.h"
#include "WorkbookError.h"

namespace workbook {

namespace {

// A name beside the target that no other writer of this process uses.
std::string temporaryBeside(const std::string& path) {
    static std::atomic<unsigned> counter{0};
    std::filesystem::path p(path);
    return (p.parent_path() / ("." + p.filename().string() + "." + std::to_string(::getpid()) +
                               "." + std::to_string(counter++) + ".partial"))
        .string();
}

} // namespace

SheetWriter::SheetWriter(const std::string& path, const std::string& sheetName, Strings strings)
    : path_(path), temp_(temporaryBeside(path)), sheetName_(sheetName) {
    lxw_workbook_options options{};
    // Shared strings hold the cells until close; readers that drop inline
    // strings still read them.
    options.constant_memory = strings == Strings::Inline ? LXW_TRUE : LXW_FALSE;
    book_ = workbook_new_opt(temp_.c_str(), &options);
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
    discard();
}

void SheetWriter::discard() noexcept {
    if (book_)
        workbook_close(book_);
    book_ = nullptr;
    std::error_code ec;
    std::filesystem::remove(temp_, ec);
}

void SheetWriter::textColumn(unsigned col) {
    if (!textFormat_) {
        textFormat_ = workbook_add_format(book_);
        if (!textFormat_)
            throw WorkbookError("寫入活頁簿失敗：無法建立文字格式");
        format_set_num_format(textFormat_, "@");
    }
    if (textColumns_.size() <= col)
        textColumns_.resize(col + 1, false);
    textColumns_[col] = true;
    lxw_error e = worksheet_set_column(sheet_, lxw_col_t(col), lxw_col_t(col), LXW_DEF_COL_WIDTH,
                                       textFormat_);
    if (e != LXW_NO_ERROR)
        throw WorkbookError(std::string("寫入活頁簿失敗：") + lxw_strerror(e));
}

void SheetWriter::text(unsigned row, unsigned col, std::string_view value) {
    if (value.empty())
        return;
    // Readers decode "_xHHHH_" in text (the writer itself writes control
    // characters that way), so text that looks like such an escape is
    // written with its underscore escaped and reads back as typed.
    buf_ = detail::escapeOoxmlLookalikes(value);
    lxw_format* format = col < textColumns_.size() && textColumns_[col] ? textFormat_ : nullptr;
    lxw_error e = worksheet_write_string(sheet_, row, lxw_col_t(col), buf_.c_str(), format);
    if (e != LXW_NO_ERROR)
        throw WorkbookError(std::string("寫入活頁簿失敗：") + lxw_strerror(e));
    ++cells_;
}

void SheetWriter::number(unsigned row, unsigned col, double value) {
    lxw_error e = worksheet_write_number(sheet_, row, lxw_col_t(col), value, nullptr);
    if (e != LXW_NO_ERROR)
        throw WorkbookError(std::string("寫入活頁簿失敗：") + lxw_strerror(e));
    ++cells_;
}

void SheetWriter::close() {
    if (!book_)
        return;
    lxw_error e = workbook_close(book_);
    book_ = nullptr;
    if (e != LXW_NO_ERROR) {
        discard();
        throw WorkbookError("無法儲存活頁簿 " + path_ + "：" + lxw_strerror(e));
    }
    // The writer does not notice every failed write: on a full disk it can
    // report as saved a workbook whose sheet was cut short. The file takes
    // the target's place only once it reads back with every cell written.
    std::size_t cellsRead = 0;
    try {
        cellsRead = readSheet(temp_, sheetName_).cellCount();
    } catch (const WorkbookError&) {
    }
    if (cellsRead != cells_) {
        discard();
        throw WorkbookError("無法儲存活頁簿 " + path_ + "：寫入的檔案不完整（磁碟空間不足？）");
    }
    std::error_code ec;
    std::filesystem::rename(temp_, path_, ec);
    if (ec) {
        discard();
        throw WorkbookError("無法儲存活頁簿 " + path_ + "：" + ec.message());
    }
}

} // namespace workbook
