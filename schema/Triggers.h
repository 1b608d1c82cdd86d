#pragma once
// The triggers the upgrade installs: created when absent, or redefined at
// every run.

#include <string>
#include <vector>

namespace schema {

struct TriggerDef {
    std::string name;
    std::string table;
    bool redefinedEveryRun = false; // ALTER TRIGGER at every run, no probe
    std::string sql;                // the CREATE (or ALTER) TRIGGER statement
};

// In the order they are installed.
const std::vector<TriggerDef>& storeTriggers();

} // namespace schema
