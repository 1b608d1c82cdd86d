#pragma once
// The one place that includes the Firebird client headers. Everything else in
// the project reaches Firebird through the classes of this folder.

#include <firebird/Interface.h>

#include "DatabaseError.h"

namespace db::fb {

Firebird::IMaster* master();
Firebird::IUtil* util();

// Status wrapper whose failures throw DatabaseError with Firebird's own text.
// The error vector is copied into the exception when it is thrown, so one
// wrapper may be reused for the next call.
class Status : public Firebird::BaseStatusWrapper<Status> {
  public:
    Status();
    ~Status();
    Status(const Status&) = delete;
    Status& operator=(const Status&) = delete;

    static void checkException(Status* status);
};

// Builds the exception for an error status vector.
DatabaseError errorFromStatus(Firebird::IStatus* status);

} // namespace db::fb
