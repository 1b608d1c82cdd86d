#include "ConnectionParams.h"

#include "../text/Text.h"

namespace db {

static bool nameIs(const std::string& line, std::string_view name) {
    auto eq = line.find('=');
    return eq != std::string::npos &&
           text::equalsNoCase(std::string_view(line).substr(0, eq), name);
}

std::optional<std::string> ConnectionParams::value(std::string_view name) const {
    for (const auto& l : lines_)
        if (nameIs(l, name))
            return l.substr(l.find('=') + 1);
    return std::nullopt;
}

std::string ConnectionParams::valueOr(std::string_view name, std::string_view def) const {
    auto v = value(name);
    return v ? *v : std::string(def);
}

std::size_t ConnectionParams::lineOf(std::string_view name) const {
    for (std::size_t i = 0; i < lines_.size(); ++i)
        if (nameIs(lines_[i], name))
            return i + 1;
    return 0;
}

std::string ConnectionParams::where(std::string_view name) const {
    if (source_.empty())
        return "內建的連線設定";
    std::size_t line = name.empty() ? 0 : lineOf(name);
    return "\"" + source_ + "\"" + (line ? " 第 " + std::to_string(line) + " 行" : "");
}

void ConnectionParams::set(std::string_view name, std::string_view value) {
    std::string line = std::string(name) + "=" + std::string(value);
    for (auto& l : lines_)
        if (nameIs(l, name)) {
            l = std::move(line);
            return;
        }
    lines_.push_back(std::move(line));
}

} // namespace db
