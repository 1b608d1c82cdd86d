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

    // Where the lines came from (a file's path; empty: the built-in defaults),
    // and the 1-based line of a name (0 when absent), for error messages.
    void setSource(std::string source) { source_ = std::move(source); }
    const std::string& source() const { return source_; }
    std::size_t lineOf(std::string_view name) const;
    // "<file> 第 N 行" or "<file>" or "內建的連線設定".
    std::string where(std::string_view name = {}) const;

  private:
    std::vector<std::string> lines_;
    std::string source_;
};

} // namespace db
