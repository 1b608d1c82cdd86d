#include "Prompts.h"

#include "platform/dataset/RecordSet.h"
#include "platform/db/DatabaseError.h"

namespace platform {

std::string errorWithClass(const char* className, const std::string& message) {
    return std::string(className) + " error raised, with message : " + message;
}

const char* errorClassName(const std::exception& e) {
    if (dynamic_cast<const db::DatabaseError*>(&e)) return db::DatabaseError::className;
    if (dynamic_cast<const dataset::RecordSetError*>(&e)) return dataset::RecordSetError::className;
    return "Exception";
}

std::string errorText(const std::exception& e) { return errorWithClass(errorClassName(e), e.what()); }

} // namespace platform
