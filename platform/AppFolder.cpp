#include "AppFolder.h"

#include <cstdlib>
#include <filesystem>

namespace platform {

std::string appFolder() {
    std::string dir;
    if (const char* home = std::getenv("TAVOLA_HOME"); home && *home) {
        dir = home;
    } else {
        std::error_code ec;
        auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
        dir = ec ? std::filesystem::current_path().string() : exe.parent_path().string();
    }
    if (dir.empty() || dir.back() != '/')
        dir += '/';
    return dir;
}

} // namespace platform
