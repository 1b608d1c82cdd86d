#include "ZipArchive.h"

#include <vector>
#include <zip.h>

#include "WorkbookError.h"

namespace workbook::detail {

ZipArchive::ZipArchive(const std::string& path) : path_(path) {
    int error = 0;
    zip_ = zip_open(path.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &error);
    if (!zip_) {
        zip_error_t e;
        zip_error_init_with_code(&e, error);
        std::string why = zip_error_strerror(&e);
        zip_error_fini(&e);
        throw WorkbookError("無法讀取活頁簿 " + path + "：壓縮檔損壞（" + why + "）");
    }
}

ZipArchive::~ZipArchive() {
    if (zip_)
        zip_discard(zip_);
}

bool ZipArchive::has(std::string_view name) const {
    return zip_name_locate(zip_, std::string(name).c_str(), ZIP_FL_NOCASE) >= 0;
}

void ZipArchive::read(std::string_view name, std::uint64_t maxBytes,
                      const std::function<void(const char*, std::size_t)>& sink) const {
    std::string n(name);
    zip_int64_t index = zip_name_locate(zip_, n.c_str(), ZIP_FL_NOCASE);
    if (index < 0)
        throw WorkbookError("無法讀取活頁簿 " + path_ + "：缺少 " + n);
    zip_file_t* f = zip_fopen_index(zip_, zip_uint64_t(index), 0);
    if (!f)
        throw WorkbookError("無法讀取活頁簿 " + path_ + "：無法開啟 " + n + "（" +
                            zip_strerror(zip_) + "）");
    struct Closer {
        zip_file_t* f;
        ~Closer() { zip_fclose(f); }
    } closer{f};
    std::vector<char> buf(1 << 16);
    std::uint64_t total = 0;
    for (;;) {
        zip_int64_t got = zip_fread(f, buf.data(), buf.size());
        if (got < 0)
            throw WorkbookError("無法讀取活頁簿 " + path_ + "：" + n + " 已損壞（" +
                                zip_file_strerror(f) + "）");
        if (got == 0)
            break;
        total += std::uint64_t(got);
        if (total > maxBytes)
            throw WorkbookError("無法讀取活頁簿 " + path_ + "：" + n + " 解壓後超過 " +
                                std::to_string(maxBytes >> 20) + " MB 的上限");
        sink(buf.data(), std::size_t(got));
    }
}

std::string ZipArchive::readAll(std::string_view name, std::uint64_t maxBytes) const {
    std::string out;
    read(name, maxBytes, [&](const char* p, std::size_t n) { out.append(p, n); });
    return out;
}

} // namespace workbook::detail
