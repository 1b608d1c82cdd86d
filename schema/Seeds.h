#pragma once
// The rows the upgrade inserts when they are absent: the document kind of
// repair orders, nine parameters, menu items and report items.

#include <string>
#include <vector>

#include "Statement.h"

namespace schema {

// The owner identifier written into WUID of the seeded parameters.
inline constexpr const char* kSeedOwner = "setup@tavola.local";

// A row to insert when its check finds nothing.
struct Seed {
    std::string what; // "PARAM_DEFINE v_name_modify", for the report
    Statement check, insert;
};

Seed documentKindSeed();
std::vector<Seed> parameterSeeds();
// Menu items by number, in the order given.
std::vector<Seed> menuSeeds(std::initializer_list<int> items);
std::vector<Seed> reportSeeds(std::initializer_list<const char*> items);

} // namespace schema
