#include "Upgrade.h"

#include <chrono>
#include <stdexcept>

#include "Ddl.h"
#include "RunList.h"
#include "Seeds.h"
#include "Triggers.h"
#include "platform/db/Connection.h"
#include "platform/text/Text.h"

namespace schema {

Editions editionsOf(const std::string& appFolder) {
    std::string path = text::lower(appFolder);
    if (path.empty() || path.back() != '/')
        path += '/';
    Editions e;
    e.vantrel = path.find("vantrel") != std::string::npos;
    e.quillon = path.find("quillon") != std::string::npos;
    e.tolvane = path.find("tolvane") != std::string::npos;
    e.brenmoor = text::dirExists(appFolder + (appFolder.empty() || appFolder.back() == '/' ? "" : "/") +
                                 "brenmoor");
    return e;
}

void Upgrader::stepDone() {
    ++done_;
    if (total_ && progress_ && !progress_(done_, total_))
        throw UpgradeStopped();
}

void Upgrader::run(const Statement& s) {
    r_.statements.push_back(s.text());
    a_.run(s);
}

// One column addition: nothing when the column is there, else the ALTER.
// Errors (a missing table, a name that cannot enter a statement, a rejected
// ALTER, a failing probe) are recorded, and the upgrade goes on.
bool Upgrader::tryAdd(const std::string& table, const std::string& column,
                      const std::function<std::string()>& alter) {
    std::string what = table + "." + column;
    try {
        std::string sql = alter();
        if (a_.columnExists(table, column))
            return true;
        run({sql, {}, false, Statement::Effect::AddColumn, table, column});
        r_.columnsAdded.push_back(what);
        return true;
    } catch (const db::DatabaseError& e) {
        r_.adderFailures.emplace_back(what, e.what());
    } catch (const std::invalid_argument& e) {
        r_.adderFailures.emplace_back(what, e.what());
    }
    return false;
}

bool Upgrader::addColumn(const std::string& table, const Column& c) {
    return tryAdd(table, c.name, [&] {
        return c.type == ColumnType::Double
                   ? addDoubleColumnSql(table, c.name)
                   : addTextColumnSql(table, c.name, std::to_string(c.length));
    });
}

void Upgrader::addColumn(const std::string& table, const std::string& compact) {
    addColumn(table, parseColumn(compact));
}

// The length goes into the statement as given ("20" gives VARCHAR(20)).
bool Upgrader::addStrField(const std::string& table, const std::string& field,
                           const std::string& length) {
    return tryAdd(table, field, [&] { return addTextColumnSql(table, field, length); });
}

bool Upgrader::addDoubleField(const std::string& table, const std::string& field) {
    return tryAdd(table, field, [&] { return addDoubleColumnSql(table, field); });
}

void Upgrader::createTable(const Table& t) {
    if (a_.tableExists(t.name))
        return;
    run({createTableSql(t), {}, false, Statement::Effect::CreateTable, t.name, {}});
    r_.tablesCreated.push_back(t.name);
    for (const Index& ix : t.indices) {
        run({createIndexSql(t.name, ix), {}, false, Statement::Effect::CreateIndex, ix.name, {}});
        r_.indicesCreated.push_back(ix.name);
    }
    for (const Statement& s : t.after) {
        run(s);
        if (s.sql.rfind("ALTER TRIGGER", 0) == 0)
            r_.triggersRedefined.push_back(s.object);
    }
}

// Every relation with AGREE_YN is offered AGREE_USER; the adder absorbs those
// that cannot take it. Names are trimmed of the catalogue's padding.
void Upgrader::approverPass() {
    for (const std::string& relation : a_.relationsWith("AGREE_YN"))
        addStrField(relation, "AGREE_USER", "10");
}

// While PRODUCT.PROD_SCALE holds fewer than 100 characters, every relation
// with a PROD_SCALE column is widened to 100.
void Upgrader::prodScaleWidening() {
    if (a_.prodScaleLength() >= 100)
        return;
    for (const std::string& relation : a_.relationsWith("PROD_SCALE"))
        run({"ALTER TABLE " + checkedIdentifier(relation) + " ALTER PROD_SCALE TYPE Varchar(100)",
             {}});
}

// The three invoice amounts for every relation with INVOICE_CLASS, and their
// descriptions (rewritten at every run; skipped where the column is missing,
// as on a view that could not take it).
void Upgrader::invoiceAmountPass() {
    static const char* const amounts[][2] = {{"INVOICE_TOTAMT", "發票金額"},
                                             {"INVOICE_TAXAMT", "發票稅額"},
                                             {"INVOICE_NETAMT", "發票淨額"}};
    for (const std::string& relation : a_.relationsWith("INVOICE_CLASS")) {
        for (const auto& [column, description] : amounts) {
            addDoubleField(relation, column);
            if (a_.columnExists(relation, column))
                run({commentSql(relation, column, description), {}});
        }
    }
}

void Upgrader::steps(int first, int last) {
    for (const Step& step : runList()) {
        if (step.number < first || step.number > last)
            continue;
        for (const Action& a : step.actions) {
            switch (a.kind) {
            case Action::Kind::CreateTable:
                createTable(catalogueTable(a.table));
                break;
            case Action::Kind::AddColumn:
                addColumn(a.table, a.column);
                break;
            case Action::Kind::AddColumnIfTable:
                if (a_.tableExists(a.table))
                    addColumn(a.table, a.column);
                break;
            case Action::Kind::IndexIfAbsent:
                if (!a_.indexExists(a.index.name)) {
                    run({createIndexSql(a.table, a.index), {}, false, Statement::Effect::CreateIndex,
                         a.index.name, {}});
                    r_.indicesCreated.push_back(a.index.name);
                }
                break;
            case Action::Kind::ApproverPass:
                approverPass();
                break;
            case Action::Kind::ProdScaleWidening:
                prodScaleWidening();
                break;
            case Action::Kind::InvoiceAmountPass:
                invoiceAmountPass();
                break;
            case Action::Kind::ActiveEmployees:
                run({"UPDATE EMPLOYEE SET ACTIVE_YN='Y' where ACTIVE_YN is null "});
                break;
            }
        }
        stepDone();
    }
}

void Upgrader::tablecreate() {
    steps(1, 38);
}

void Upgrader::tablecreate2() {
    steps(39, 57);
}

void Upgrader::runtrigger() {
    for (const TriggerDef& t : storeTriggers()) {
        if (t.redefinedEveryRun) {
            run({t.sql, {}, true, Statement::Effect::None, t.table, t.name});
            r_.triggersRedefined.push_back(t.name);
        } else if (!a_.triggerExists(t.table, t.name)) {
            run({t.sql, {}, true, Statement::Effect::CreateTrigger, t.table, t.name});
            r_.triggersCreated.push_back(t.name);
        }
    }
}

void Upgrader::seed(const Seed& s) {
    if (a_.rowExists(s.check))
        return;
    run(s.insert);
    r_.seedRows.push_back(s.what);
}

void Upgrader::upgrade(const Editions& e) {
    // The time is recorded whether the upgrade ends well or not.
    struct Clock {
        double& seconds;
        std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
        ~Clock() {
            seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        }
    } clock{r_.seconds};
    done_ = 0;
    // The steps of the catalogue, the triggers, the seed rows and the voucher
    // amounts; or the work-order additions and the voucher amounts.
    total_ = e.vantrel ? 2 : runList().size() + 3;
    if (progress_ && !progress_(0, total_))
        throw UpgradeStopped();
    if (e.vantrel) {
        // Work-order columns only: no catalogue, no triggers, no seed rows.
        for (const char* t :
             {"CUSTWORKQUOTE_MASTER", "CUSTWORKQUOTE_DETAIL", "CUSTWORKORDER_MASTER",
              "CUSTWORKORDER_DETAIL", "OUTSOURCEORDER_MASTER", "OUTSOURCEORDER_DETAIL",
              "CONSTRUCTION_MASTER", "CONSTRUCTION_DETAIL", "CUSTSALE_MASTER", "CUSTSALE_DETAIL"})
            addColumn(t, "JOINBILLID V20");
        for (const char* t : {"CUSTWORKQUOTE_DETAIL", "CUSTWORKORDER_DETAIL", "OUTSOURCEORDER_DETAIL",
                              "CONSTRUCTION_DETAIL"})
            for (const char* c : {"OBJECT_WIDTH_DIRE V5", "OBJECT_HEIGHT_DIRE V5"})
                if (a_.tableExists(t))
                    addColumn(t, c);
        for (auto [t, c] : {std::pair{"CUSTWORKQUOTE_MASTER", "FTP_FOLDER V150"},
                            std::pair{"CUSTWORKORDER_MASTER", "FTP_FOLDER V150"},
                            std::pair{"CUSTWORKORDER_MASTER", "FILE_FOLDER V150"}})
            if (a_.tableExists(t))
                addColumn(t, c);
        addColumn("ACCOUNTVOUCHER_DETAIL", "V_AMOUNT D");
        for (const char* c : {"OBJECT_NAME V100", "MATERIAL_ID V50", "MATERIAL_NAME V100",
                              "PROTECTORITEM_ID V50", "WORKPROCESS_ID V50", "WORKPROCESS_REMARK V100",
                              "OBJECT_WIDTH D", "OBJECT_HEIGHT D", "V_CBM D", "CBM D"})
            addColumn("CUSTSALE_DETAIL", c);
        stepDone();
    } else {
        tablecreate();
        tablecreate2();
        runtrigger();
        stepDone();
        auto menuForm = [this](int item, const char* form) {
            run({"UPDATE SYS_MENU SET WINFORMNAME = :WINFORMNAME WHERE ITEM_NO = :ITEM_NO",
                 {{"WINFORMNAME", std::string(form)}, {"ITEM_NO", int64_t(item)}}});
        };
        if (e.quillon) {
            menuForm(36, "FormCustSaleTire");
            menuForm(31, "FormPurchaseTire");
        }
        if (e.tolvane)
            menuForm(36, "FormCustWorkSale");
        seed(documentKindSeed());
        for (const Seed& s : parameterSeeds())
            seed(s);
        for (const Seed& s : menuSeeds({129, 130, 131, 132, 133}))
            seed(s);
        for (const Seed& s : reportSeeds({"1002010", "1002011", "1002012"}))
            seed(s);
        if (e.quillon)
            for (const Seed& s : reportSeeds({"1009016", "1007007"}))
                seed(s);
        if (e.brenmoor) {
            for (const Seed& s : menuSeeds({134, 135, 136, 137, 138, 143, 139, 140, 141, 142}))
                seed(s);
            addDoubleField("CUSTWORKQUOTE_DETAIL", "MATERIAL_PRICE");
            for (const Seed& s : reportSeeds({"1007008"}))
                seed(s);
        }
        for (const Seed& s : menuSeeds({144, 145, 146, 147, 148, 149, 150, 151, 152}))
            seed(s);
        stepDone();
    }
    run({"UPDATE ACCOUNTVOUCHER_DETAIL set V_AMOUNT=AMOUNT where V_AMOUNT is null "});
    stepDone();
}

UpgradeReport upgradeDatabase(const db::ConnectionParams& params, const Editions& editions,
                              Upgrader::Progress progress) {
    db::Connection c;
    c.params() = params;
    db::Query statements(&c), catalogue(&c);
    LiveSchema live(statements, catalogue);
    UpgradeReport report;
    Upgrader(live, report, std::move(progress)).upgrade(editions);
    return report;
}

} // namespace schema
