#pragma once

#include "platform/NamedError.h"

namespace workbook {

// A workbook that cannot be read: no such sheet, an unknown, damaged or
// oversized file, or a reader that failed.
class WorkbookError : public platform::NamedError {
  public:
    using platform::NamedError::NamedError;
    const char* className() const noexcept override { return "WorkbookError"; }
};

} // namespace workbook
