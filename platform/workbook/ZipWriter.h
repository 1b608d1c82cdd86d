#pragma once
// Writes zip packages (the container of the workbook formats): for workbooks
// built by hand, as the benchmark's and the tests' inputs.

#include <string>
#include <utility>
#include <vector>

namespace workbook {

// Writes a zip file of (name, content) entries, deflated, in this order.
// Throws std::runtime_error when the file cannot be written.
void writeZip(const std::string& path,
              const std::vector<std::pair<std::string, std::string>>& entries);

} // namespace workbook
