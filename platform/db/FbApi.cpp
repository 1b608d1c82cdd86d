#include "FbApi.h"

#include <ibase.h>

#include "../text/Text.h"

namespace db::fb {

Firebird::IMaster* master() {
    static Firebird::IMaster* m = Firebird::fb_get_master_interface();
    return m;
}

Firebird::IUtil* util() {
    static Firebird::IUtil* u = master()->getUtilInterface();
    return u;
}

Status::Status() : BaseStatusWrapper(master()->getStatus()) {}

Status::~Status() {
    status->dispose();
}

void Status::checkException(Status* s) {
    if (s->dirty && (s->getState() & Firebird::IStatus::STATE_ERRORS)) {
        DatabaseError e = errorFromStatus(s);
        s->clearException();
        throw e;
    }
}

DatabaseError errorFromStatus(Firebird::IStatus* status) {
    char buf[2048];
    unsigned n = util()->formatStatus(buf, sizeof buf - 1, status);
    buf[n] = 0;
    std::string message = text::trim(buf);
    // formatStatus puts each status line on a line of its own; keep them.
    char state[8] = {0};
    fb_sqlstate(state, status->getErrors());
    const intptr_t* v = status->getErrors();
    long code = (v[0] == isc_arg_gds) ? long(v[1]) : 0;
    return DatabaseError(message, state, code);
}

} // namespace db::fb
