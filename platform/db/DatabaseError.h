#pragma once

#include <stdexcept>
#include <string>

namespace db {

// The one exception type of the database layer. what() is Firebird's own
// status text (or the layer's own message for usage faults such as an unknown
// parameter name); sqlState and gdsCode are empty/0 when not from Firebird.
class DatabaseError : public std::runtime_error {
public:
    explicit DatabaseError(const std::string& message, std::string sqlState = {},
                           long gdsCode = 0)
        : std::runtime_error(message), sqlState_(std::move(sqlState)), gdsCode_(gdsCode) {}

    const std::string& sqlState() const noexcept { return sqlState_; }
    long gdsCode() const noexcept { return gdsCode_; }

    // The class name shown in "<class> error raised, with message : <message>".
    static constexpr const char* className = "DatabaseError";

private:
    std::string sqlState_;
    long gdsCode_;
};

} // namespace db
