#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace db {

// The connection's parameter list: ordered "name=value" lines. Names match
// without regard to case; setting a value replaces the first line of that
// name or appends a new line. Lines without "=" are kept as they stand.
class ConnectionParams {
  public:
    const std::vector<std::string>& lines() const { return lines_; }
    void setLines(std::vector<std::string> lines) { lines_ = std::move(lines); }
    void clear() { lines_.clear(); }

    std::optional<std::string> value(std::string_view name) const;
    std::string valueOr(std::string_view name, std::string_view def) const;
    void set(std::string_view name, std::string_view value);

  private:
    std::vector<std::string> lines_;
};

} // namespace db
