#include "ZipWriter.h"

#include <stdexcept>
#include <zip.h>

namespace workbook {

void writeZip(const std::string& path,
              const std::vector<std::pair<std::string, std::string>>& entries) {
    int err = 0;
    zip_t* z = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &err);
    if (!z)
        throw std::runtime_error("cannot create " + path);
    for (const auto& [name, content] : entries) {
        // libzip reads the buffer when the archive is closed; the entries outlive that.
        zip_source_t* src = zip_source_buffer(z, content.data(), content.size(), 0);
        if (!src || zip_file_add(z, name.c_str(), src, ZIP_FL_ENC_UTF_8) < 0) {
            zip_source_free(src);
            zip_discard(z);
            throw std::runtime_error("cannot add " + name);
        }
    }
    if (zip_close(z) != 0) {
        zip_discard(z);
        throw std::runtime_error("cannot write " + path);
    }
}

} // namespace workbook
