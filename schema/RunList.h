#pragma once
// The order of the catalogue's work: 57 steps, 1 to 38 run by tablecreate and
// 39 to 57 by tablecreate2, each a list of actions with the guard it runs
// under.

#include <string>
#include <vector>

#include "Catalogue.h"

namespace schema {

struct Action {
    enum class Kind {
        CreateTable,      // under the creation guard, with its indices and rows
        AddColumn,        // through the column adders (which catch their own errors)
        AddColumnIfTable, // the same, under the existence guard
        IndexIfAbsent,    // under the index guard
        ApproverPass,     // AGREE_USER for every relation with AGREE_YN
        ProdScaleWidening,
        InvoiceAmountPass, // the three invoice amounts and their descriptions
        ActiveEmployees,   // ACTIVE_YN 'Y' where it is null, every run
    };
    Kind kind;
    std::string table;
    // AddColumn: the column in compact form ("PUT_ID V10", "NOW_QTY D").
    std::string column;
    Index index; // IndexIfAbsent
};

struct Step {
    int number;
    std::vector<Action> actions;
};

// Steps 1 to 57 in order.
const std::vector<Step>& runList();

} // namespace schema
