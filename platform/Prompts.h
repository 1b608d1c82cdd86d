#pragma once

#include <string>

namespace platform {

// The messages and questions a program puts to its user. The window shows
// message boxes and file dialogs; the batch tool writes to standard error;
// tests script the answers.
class Prompts {
  public:
    virtual ~Prompts() = default;
    virtual void info(const std::string& message) = 0;
    virtual void warning(const std::string& message) = 0;
    virtual void error(const std::string& message) = 0;
    // A question with Yes and No; true for Yes.
    virtual bool confirm(const std::string& message) = 0;
    // A file to read or write; empty when the user cancels.
    virtual std::string openFile(const std::string& title, const std::string& filter) = 0;
    virtual std::string saveFile(const std::string& title, const std::string& filter,
                                 const std::string& suggestedName) = 0;
};

// The text the standard error handler shows for an exception:
// "<class> error raised, with message : <message>" where a caller asks for the
// class, otherwise the message alone.
std::string errorWithClass(const char* className, const std::string& message);

} // namespace platform

#include <exception>

namespace platform {
// The class name of an exception as the error messages show it.
const char* errorClassName(const std::exception& e);
// errorWithClass(errorClassName(e), e.what()).
std::string errorText(const std::exception& e);
} // namespace platform
