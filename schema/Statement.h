#pragma once

#include <string>
#include <utility>
#include <vector>

#include "platform/db/Value.h"

namespace schema {

// One statement of the upgrade: its text, the values of its parameters, and
// what it changes in the schema (so that a plan can answer later guards as
// the upgrade would).
struct Statement {
    enum class Effect { None, CreateTable, CreateIndex, AddColumn, CreateTrigger };
    using Params = std::vector<std::pair<std::string, db::Value>>;

    Statement(std::string sql, Params params = {}, bool psql = false, Effect effect = Effect::None,
              std::string object = {}, std::string column = {})
        : sql(std::move(sql)), params(std::move(params)), psql(psql), effect(effect),
          object(std::move(object)), column(std::move(column)) {}

    std::string sql;
    Params params;
    // The text holds PSQL (a trigger body): ":" marks no parameter there.
    bool psql = false;
    Effect effect = Effect::None;
    std::string object; // the table or index it creates; the table it alters or triggers on
    std::string column; // the column it adds, or the trigger it creates

    // The text as the report and the plan print it: the SQL, then the
    // parameters' values.
    std::string text() const;
};

} // namespace schema
