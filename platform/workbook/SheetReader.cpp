#include "SheetReader.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <sys/stat.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unistd.h>

#include "Readers.h"
#include "XmlReader.h"
#include "ZipArchive.h"

namespace workbook {

namespace detail {

bool sameSheetName(std::string_view a, std::string_view b) {
    if (a == b)
        return true;
    icu::UnicodeString ua =
        icu::UnicodeString::fromUTF8(icu::StringPiece(a.data(), int32_t(a.size())));
    icu::UnicodeString ub =
        icu::UnicodeString::fromUTF8(icu::StringPiece(b.data(), int32_t(b.size())));
    return ua.caseCompare(ub, U_FOLD_CASE_DEFAULT) == 0;
}

std::string noSheetMessage(const std::string& path, const std::string& sheet) {
    return "找不到工作表 \"" + sheet + "\"：" + path;
}

namespace {

// A file descriptor closed when it goes out of scope.
struct Fd {
    int fd = -1;
    ~Fd() {
        if (fd >= 0)
            ::close(fd);
    }
};

std::string osError(const std::string& what, const std::string& path) {
    return what + " " + path + "：" + std::strerror(errno);
}

} // namespace

namespace {

// Passes a plain file's bytes to sink in chunks.
void streamFile(const std::string& path, std::uint64_t limit,
                const std::function<void(const char*, std::size_t)>& sink) {
    Fd f{::open(path.c_str(), O_RDONLY | O_CLOEXEC)};
    if (f.fd < 0)
        throw WorkbookError(osError("無法開啟檔案", path));
    std::vector<char> buf(1 << 16);
    std::uint64_t total = 0;
    for (;;) {
        ssize_t got = ::read(f.fd, buf.data(), buf.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            throw WorkbookError(osError("無法讀取檔案", path));
        if (got == 0)
            break;
        total += std::uint64_t(got);
        if (total > limit)
            throw WorkbookError("無法讀取活頁簿 " + path + "：檔案超過可讀取的上限");
        sink(buf.data(), std::size_t(got));
    }
}

} // namespace

std::string readWholeFile(const std::string& path, std::uint64_t limit) {
    std::string out;
    streamFile(path, limit, [&](const char* p, std::size_t n) { out.append(p, n); });
    return out;
}

void feedFile(const std::string& path, XmlReader& xml, std::uint64_t limit) {
    streamFile(path, limit, [&](const char* p, std::size_t n) { xml.feed(p, n, false); });
    xml.feed("", 0, true);
}

} // namespace detail

namespace {

std::string notAWorkbook(const std::string& path) {
    return "無法辨識的活頁簿格式：" + path;
}

bool startsWith(std::string_view s, std::string_view prefix) {
    return s.substr(0, prefix.size()) == prefix;
}

// The first bytes of a regular file; refuses FIFOs, devices and folders at
// once, before anything could block on them.
std::string head(const std::string& path, std::uint64_t& size) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0)
        throw WorkbookError(detail::osError("無法開啟檔案", path));
    if (!S_ISREG(st.st_mode))
        throw WorkbookError("不是一般檔案，無法當作活頁簿讀取：" + path);
    size = std::uint64_t(st.st_size);
    detail::Fd f{::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK)};
    if (f.fd < 0)
        throw WorkbookError(detail::osError("無法開啟檔案", path));
    std::string h(65536, '\0');
    ssize_t got;
    do
        got = ::read(f.fd, h.data(), h.size());
    while (got < 0 && errno == EINTR);
    if (got < 0)
        throw WorkbookError(detail::osError("無法讀取檔案", path));
    h.resize(std::size_t(got));
    return h;
}

} // namespace

Grid readSheet(const std::string& path, const std::string& sheet, const ReadLimits& limits) {
    std::uint64_t size = 0;
    std::string h = head(path, size);
    if (h.empty())
        throw WorkbookError(notAWorkbook(path) + "（檔案是空的）");
    if (startsWith(h, "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1"))
        return detail::readXls(path, sheet, limits);
    if (startsWith(h, "PK\x03\x04") || startsWith(h, "PK\x05\x06")) {
        detail::ZipArchive zip(path);
        if (zip.has("[Content_Types].xml")) {
            std::string types = zip.readAll("[Content_Types].xml", 1 << 20);
            if (types.find("spreadsheetml") != std::string::npos ||
                types.find("ms-excel") != std::string::npos)
                return detail::readXlsx(zip, path, sheet, limits);
        }
        if (zip.has("content.xml")) {
            std::string mime = zip.has("mimetype") ? zip.readAll("mimetype", 256) : "";
            if (mime.empty() || mime.find("spreadsheet") != std::string::npos)
                return detail::readOds(zip, path, sheet, limits);
        }
        throw WorkbookError(notAWorkbook(path));
    }
    std::string_view xml = h;
    if (startsWith(xml, "\xEF\xBB\xBF"))
        xml.remove_prefix(3);
    while (!xml.empty() && std::strchr(" \t\r\n", xml.front()))
        xml.remove_prefix(1);
    if (startsWith(xml, "<")) {
        if (xml.find("urn:schemas-microsoft-com:office:spreadsheet") != std::string_view::npos)
            return detail::readSpreadsheetMl(path, sheet, limits);
        if (xml.find("urn:oasis:names:tc:opendocument:xmlns:office:1.0") !=
                std::string_view::npos &&
            xml.find("opendocument.spreadsheet") != std::string_view::npos)
            return detail::readFlatOds(path, sheet, limits);
    }
    std::string bytes = size <= h.size() ? h : detail::readWholeFile(path, limits.maxPartBytes);
    if (auto grid = detail::readCsvIfDelimited(bytes, limits))
        return std::move(*grid);
    throw WorkbookError(notAWorkbook(path));
}

} // namespace workbook
