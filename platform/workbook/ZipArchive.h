#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

struct zip;

namespace workbook::detail {

// A zip package opened for reading (over libzip). Entries are found by name
// without regard to case, as package part names are compared. Reading an
// entry streams its inflated bytes and stops with an error past a limit, so a
// small entry that inflates to gigabytes never fills memory.
class ZipArchive {
  public:
    // Throws WorkbookError when the file is not a readable zip package.
    explicit ZipArchive(const std::string& path);
    ~ZipArchive();
    ZipArchive(const ZipArchive&) = delete;
    ZipArchive& operator=(const ZipArchive&) = delete;

    bool has(std::string_view name) const;
    // Passes the entry's bytes to sink in chunks. Throws WorkbookError when
    // the entry is missing, damaged or larger than maxBytes.
    void read(std::string_view name, std::uint64_t maxBytes,
              const std::function<void(const char*, std::size_t)>& sink) const;
    std::string readAll(std::string_view name, std::uint64_t maxBytes) const;

  private:
    zip* zip_ = nullptr;
    std::string path_;
};

} // namespace workbook::detail
