#pragma once

#include <stdexcept>
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

    // What went wrong, by Firebird's error codes (kept here so that callers
    // never name them).
    bool isLockConflict() const noexcept {
        return gdsCode_ == 335544336     // deadlock (an update conflict with a concurrent one)
               || gdsCode_ == 335544345  // lock conflict on no wait
               || gdsCode_ == 335544878; // concurrent transaction number
    }
    // The statement itself is at fault, not the data it was given: its text
    // (dynamic SQL and syntax errors, unknown names) or a limit of the engine
    // (too long, too many tables).
    bool isStatementFault() const noexcept {
        return sqlState_.rfind("07", 0) == 0 || sqlState_.rfind("42", 0) == 0 ||
               sqlState_.rfind("54", 0) == 0;
    }
    bool isDuplicateKey() const noexcept {
        return gdsCode_ == 335544665     // unique or primary key violation
               || gdsCode_ == 335544349; // duplicate value in a unique index
    }
    bool isConnectionLost() const noexcept {
        return gdsCode_ == 335544726 || gdsCode_ == 335544721 || gdsCode_ == 335544741 ||
               gdsCode_ == 335544856; // read/connect failure, lost connection, shutdown
    }

  private:
    std::string sqlState_;
    long gdsCode_;
};

// A statement used wrongly by the program (an unknown parameter name, a value
// not set, no connection): a programming fault, never a property of the data,
// so callers that tolerate failing rows do not catch it.
class UsageError : public std::logic_error {
  public:
    using std::logic_error::logic_error;
};

} // namespace db
