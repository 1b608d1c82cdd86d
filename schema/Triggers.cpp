#include "Triggers.h"

namespace schema {

const std::vector<TriggerDef>& storeTriggers() {
    static const std::vector<TriggerDef> triggers;
    return triggers;
}

} // namespace schema
