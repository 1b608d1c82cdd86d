#pragma once

#include <stdexcept>

namespace platform {

// An error that knows the class name its messages show:
// "<class> error raised, with message : <message>".
class NamedError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
    virtual const char* className() const noexcept = 0;
};

} // namespace platform
