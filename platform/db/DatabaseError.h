#pragma once

#include <string>

#include "platform/NamedError.h"

namespace db {

// The one exception type of the database layer. what() is Firebird's own
// status text (or the layer's own message for usage faults such as an unknown
// parameter name); sqlState and gdsCode are empty/0 when not from Firebird.
class DatabaseError : public platform::NamedError {
  public:
    explicit DatabaseError(const std::string& message, std::string sqlState = {}, long gdsCode = 0)
        : platform::NamedError(message), sqlState_(std::move(sqlState)), gdsCode_(gdsCode) {}

    const std::string& sqlState() const noexcept { return sqlState_; }
    long gdsCode() const noexcept { return gdsCode_; }

    const char* className() const noexcept override { return "DatabaseError"; }

  private:
    std::string sqlState_;
    long gdsCode_;
};

} // namespace db
