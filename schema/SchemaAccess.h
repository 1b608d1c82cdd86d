#pragma once
// What the upgrade asks of a database and does to it. LiveSchema asks the
// database and runs each statement on its own (each committed as it runs);
// PlanSchema answers from the database plus what the plan itself has created
// so far, and runs nothing: the statements an upgrade would run, in order.

#include <map>
#include <set>
#include <string>
#include <vector>

#include "Catalogue.h"
#include "Statement.h"
#include "platform/db/Query.h"

namespace schema {

class SchemaAccess {
  public:
    virtual ~SchemaAccess() = default;
    virtual bool tableExists(const std::string& table) = 0;
    virtual bool indexExists(const std::string& index) = 0;
    virtual bool triggerExists(const std::string& table, const std::string& trigger) = 0;
    virtual bool columnExists(const std::string& table, const std::string& column) = 0;
    // The relations (tables and views) that have a column of that name, in
    // name order, their names trimmed of the catalogue's padding.
    virtual std::vector<std::string> relationsWith(const std::string& column) = 0;
    // The size the database reports for PRODUCT.PROD_SCALE, in characters;
    // throws DatabaseError when the table or column is missing.
    virtual int prodScaleLength() = 0;
    // True when a check statement finds a row.
    virtual bool rowExists(const Statement& check) = 0;
    // Runs a change (throws DatabaseError when the server rejects it).
    virtual void run(const Statement& change) = 0;
};

// The data module's own statement objects: probes and changes on the first,
// the catalogue reads of the passes on the second.
class LiveSchema : public SchemaAccess {
  public:
    LiveSchema(db::Query& statements, db::Query& catalogue)
        : q1_(statements), q2_(catalogue) {}
    bool tableExists(const std::string& table) override;
    bool indexExists(const std::string& index) override;
    bool triggerExists(const std::string& table, const std::string& trigger) override;
    bool columnExists(const std::string& table, const std::string& column) override;
    std::vector<std::string> relationsWith(const std::string& column) override;
    int prodScaleLength() override;
    bool rowExists(const Statement& check) override;
    void run(const Statement& change) override;

  private:
    void load(db::Query& q, const Statement& s);
    db::Query& q1_;
    db::Query& q2_;
};

class PlanSchema : public SchemaAccess {
  public:
    explicit PlanSchema(SchemaAccess& database) : db_(database) {}
    bool tableExists(const std::string& table) override;
    bool indexExists(const std::string& index) override;
    bool triggerExists(const std::string& table, const std::string& trigger) override;
    bool columnExists(const std::string& table, const std::string& column) override;
    std::vector<std::string> relationsWith(const std::string& column) override;
    int prodScaleLength() override;
    bool rowExists(const Statement& check) override;
    void run(const Statement& change) override;

  private:
    SchemaAccess& db_;
    std::map<std::string, std::vector<std::string>> tables_; // created: their columns
    std::set<std::pair<std::string, std::string>> columns_;  // added
    std::set<std::string> indices_;
    std::set<std::pair<std::string, std::string>> triggers_;
};

} // namespace schema
