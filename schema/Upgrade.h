#pragma once
// The schema upgrade: the edition tests, the catalogue's 57 steps, the
// triggers, the seed rows and the voucher amounts, run through a SchemaAccess
// (on the database, or as a plan). Every statement stands alone; the first
// one the server rejects ends the upgrade with its error, except in the
// column adders, which record the error and go on.

#include <functional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "SchemaAccess.h"
#include "platform/db/ConnectionParams.h"

namespace schema {

// The installation's editions, read from the application folder.
struct Editions {
    bool vantrel = false, quillon = false, tolvane = false, brenmoor = false;
};
// The folder (with its trailing separator) is compared in lower case with the
// tags; the brenmoor edition is a folder of that name directly inside it.
Editions editionsOf(const std::string& appFolder);

// What an upgrade did (or, as a plan, would do).
struct UpgradeReport {
    std::vector<std::string> tablesCreated, indicesCreated, columnsAdded, triggersCreated,
        triggersRedefined, seedRows;
    // Every change tried, in order, as Statement::text() prints it.
    std::vector<std::string> statements;
    // Column additions that failed (the adders go on): "TABLE.COLUMN" and why.
    std::vector<std::pair<std::string, std::string>> adderFailures;
    double seconds = 0;
};

// Thrown when the progress callback asks to stop: the upgrade ends between
// two steps, and what ran before stays (each statement is committed alone).
class UpgradeStopped : public std::runtime_error {
  public:
    UpgradeStopped() : std::runtime_error("升級已依要求停止，已完成的部分保留") {}
};

class Upgrader {
  public:
    // Told (done, total) after each step of upgrade(); false stops the
    // upgrade there (UpgradeStopped).
    using Progress = std::function<bool(std::size_t done, std::size_t total)>;

    Upgrader(SchemaAccess& access, UpgradeReport& report, Progress progress = {})
        : a_(access), r_(report), progress_(std::move(progress)) {}

    // The driver: the vantrel additions only, or the catalogue, triggers,
    // menu updates and seed rows; then the voucher amounts.
    void upgrade(const Editions& editions);
    void tablecreate();  // steps 1 to 38
    void tablecreate2(); // steps 39 to 57
    void runtrigger();
    // The column adders: false when the addition failed (recorded).
    bool addStrField(const std::string& table, const std::string& field, const std::string& length);
    bool addDoubleField(const std::string& table, const std::string& field);

  private:
    void steps(int first, int last);
    void createTable(const Table& t);
    bool tryAdd(const std::string& table, const std::string& column,
                const std::function<std::string()>& alter);
    void addColumn(const std::string& table, const std::string& compact);
    bool addColumn(const std::string& table, const Column& c);
    void approverPass();
    void prodScaleWidening();
    void invoiceAmountPass();
    void seed(const struct Seed& s);
    void run(const Statement& s);
    void stepDone();

    SchemaAccess& a_;
    UpgradeReport& r_;
    Progress progress_;
    std::size_t done_ = 0, total_ = 0;
};

// Runs the upgrade on a connection of its own to the database the parameters
// name: what the data module does on connecting in upgrade mode, without the
// settings load.
UpgradeReport upgradeDatabase(const db::ConnectionParams& params, const Editions& editions = {},
                              Upgrader::Progress progress = {});

} // namespace schema
