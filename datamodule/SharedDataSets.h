#pragma once
// The data module's shared record sets: ready-wired chains (statement,
// provider, record set with persistent fields) that the suite's forms bind
// to for look-ups and document grids. Created closed with the module.

#include <map>
#include <string>
#include <vector>

#include "platform/dataset/RecordSet.h"

namespace shared {

struct ChainDefinition {
    const char* name;                     // the record set, CDS_…
    const char* query;                    // SQL_…
    const char* provider;                 // DSP_…
    std::vector<const char*> commandText; // lines
    const char* fields; // "NAME kind [required] [key] [calculated] [width N] [\"label\"];" …
};

// The chains in the module's order.
const std::vector<ChainDefinition>& chainDefinitions();

// Parses a field list: kinds text(n), integer, double.
std::vector<dataset::FieldDef> parseFields(const std::string& list);

struct Chain {
    std::string name, query, provider;
    dataset::RecordSet dataSet;
};

class SharedDataSets {
  public:
    explicit SharedDataSets(db::Connection* conn);
    // In the module's order.
    const std::vector<std::string>& names() const { return order_; }
    Chain& chain(const std::string& name);
    dataset::RecordSet& operator[](const std::string& name) { return chain(name).dataSet; }

  private:
    std::map<std::string, Chain> chains_;
    std::vector<std::string> order_;
};

} // namespace shared
