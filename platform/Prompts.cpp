#include "Prompts.h"

#include "NamedError.h"

namespace platform {

std::string errorWithClass(const char* className, const std::string& message) {
    return std::string(className) + " error raised, with message : " + message;
}

const char* errorClassName(const std::exception& e) {
    if (auto* named = dynamic_cast<const NamedError*>(&e))
        return named->className();
    return "Exception";
}

std::string errorText(const std::exception& e) {
    return errorWithClass(errorClassName(e), e.what());
}

} // namespace platform
