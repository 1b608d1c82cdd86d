#include "BatchCommands.h"

#include "exchange/FullModeSave.h"
#include "exchange/ImportCheck.h"
#include "exchange/ProductList.h"
#include "exchange/ProductSave.h"
#include "exchange/ProductWorkbook.h"
#include "exchange/WorkbookImport.h"
#include "platform/text/Text.h"
#include "platform/workbook/SheetReaderProcess.h"
#include "schema/Upgrade.h"

namespace batch {

Commands::Commands(TSimpleDataMod& module, std::FILE* out, exchange::Progress progress,
                   std::function<void(const char*)> phase)
    : module_(module), out_(out), progress_(std::move(progress)), phase_(std::move(phase)) {
    list_.setFields(exchange::productListFields());
    list_.setConnection(&module_.SQLConnection1);
}

bool Commands::fullMode() const {
    return exchange::fullModeMarkerPresent(module_.appFolder());
}

void Commands::load(const std::optional<std::string>& sql) {
    if (sql) {
        list_.close();
        list_.setCommandText(*sql);
        list_.open();
    } else {
        exchange::loadAll(list_);
    }
}

void Commands::exportList(const std::string& file, const std::optional<std::string>& sql) {
    auto name = exchange::exportFileName(file);
    if (!name)
        throw std::runtime_error("沒有檔名");
    load(sql);
    exchange::writeProductWorkbook(list_, *name);
    written_ = *name;
    summary_.command = Summary::Command::Export;
    summary_.rowsRead = list_.rowCount();
}

void Commands::startPhase(const char* name) {
    if (phase_)
        phase_(name);
}

void Commands::importIntoList(const std::string& file) {
    startPhase("讀取商品清單");
    load(std::nullopt);
    startPhase("讀取活頁簿");
    workbook::Grid grid = workbook::readSheetIsolated(file, "Sheet1");
    startPhase("匯入");
    firstNew_ = list_.rowCount();
    exchange::ImportResult r;
    try {
        exchange::importIntoList(grid, list_, r, progress_);
    } catch (...) {
        summary_.rowsRead = r.rowsRead;
        summary_.appended = r.appended;
        summary_.skipped = r.skipped;
        throw;
    }
    summary_.rowsRead = r.rowsRead;
    summary_.appended = r.appended;
    summary_.skipped = r.skipped;
    if ((summary_.stopped = r.cancelled))
        return;
    startPhase("檢測");
    auto c = exchange::checkList(list_, module_.SQLConnection1, progress_);
    summary_.categoryUnknown = c.categoryUnknown;
    summary_.onFile = c.onFile;
    summary_.stopped = c.cancelled;
    std::size_t id = list_.fieldIndex("PROD_ID"), mark = list_.fieldIndex(exchange::kMarkField);
    for (std::size_t i = 0; i < list_.rowCount(); ++i) {
        std::string m = db::toText(list_.row(i)[mark]);
        if (m == exchange::kMarkOnFile || m == exchange::kMarkCategoryUnknown)
            summary_.marked.push_back({db::toText(list_.row(i)[id]), m, i >= firstNew_});
    }
}

void Commands::importFile(const std::string& file, const std::string& errors) {
    std::string owner = exchange::ownerStamp(module_.appFolder());
    db::Connection& conn = module_.SQLConnection1;
    if (fullMode()) {
        summary_.command = Summary::Command::FullImport;
        startPhase("讀取活頁簿");
        workbook::Grid grid = workbook::readSheetIsolated(file, "Sheet1");
        summary_.rowsRead = grid.rowCount();
        conn.open();
        startPhase("回存");
        exchange::UpsertResult r;
        auto keep = [&] {
            summary_.inserted = r.inserted;
            summary_.updated = r.updated;
            summary_.saved = r.inserted + r.updated;
            summary_.failed = r.failed;
            summary_.stopped = r.cancelled;
            if (!errors.empty() && !r.failed.empty())
                exchange::writeFailedSheetRows(grid, r.failed, errors);
        };
        try {
            exchange::upsertFullMode(grid, conn, owner, r, progress_);
        } catch (const std::exception&) {
            keep();
            throw;
        }
        keep();
        return;
    }
    summary_.command = Summary::Command::Import;
    importIntoList(file);
    if (summary_.stopped)
        return;
    startPhase("回存");
    exchange::SaveResult r;
    try {
        exchange::saveNewProducts(list_, conn, module_.wuid(), owner, r, progress_);
    } catch (const db::DatabaseError& e) {
        summary_.saved = r.saved;
        summary_.skippedOnFile = r.skipped;
        if (r.failedRow) {
            // The product that stopped the save, and the rows after it.
            std::string key = db::toText(list_.row(*r.failedRow)[list_.fieldIndex("PROD_ID")]);
            summary_.stopMessage = "商品編號 " + key + "：" + exchange::messageLine(e.what());
            if (!errors.empty()) {
                std::vector<std::pair<std::size_t, std::string>> rows;
                rows.push_back({*r.failedRow, exchange::messageLine(e.what())});
                for (std::size_t i = *r.failedRow + 1; i < list_.rowCount(); ++i)
                    rows.push_back({i, "未處理：在停止的那一筆之後"});
                exchange::writeFailedProducts(list_, rows, errors);
            }
        }
        throw;
    }
    summary_.saved = r.saved;
    summary_.skippedOnFile = r.skipped;
    summary_.stopped = r.cancelled;
}

void Commands::checkFile(const std::string& file, bool all) {
    if (fullMode())
        throw Refused("完整模式不需執行此功能.!");
    summary_.command = Summary::Command::Check;
    importIntoList(file);
    for (const auto& m : summary_.marked)
        if (all || m.fromFile)
            std::fprintf(out_, "%s\t%s\n", m.mark.c_str(), m.key.c_str());
}

static std::string oneLine(std::string s) {
    for (char& c : s)
        if (c == '\t' || c == '\r' || c == '\n')
            c = ' ';
    return s;
}

void Commands::list(const std::optional<std::string>& sql) {
    load(sql);
    std::string line;
    for (const auto& f : list_.fields())
        line += (line.empty() ? "" : "\t") + f.name;
    std::fprintf(out_, "%s\n", line.c_str());
    for (std::size_t r = 0; r < list_.rowCount(); ++r) {
        line.clear();
        const auto& row = list_.row(r);
        for (std::size_t i = 0; i < row.size(); ++i) {
            if (i)
                line += '\t';
            line += oneLine(db::toText(row[i]));
        }
        std::fprintf(out_, "%s\n", line.c_str());
    }
    summary_.command = Summary::Command::List;
    summary_.rowsRead = list_.rowCount();
}

void Commands::upgrade() {
    if (!module_.upgradeMode())
        throw std::logic_error("the data module is not in upgrade mode");
    module_.setUpgradeProgress(progress_);
    startPhase("升級資料庫");
    module_.SQLConnection1.open();
}

void Commands::planUpgrade() {
    // A connection of its own: the module's would run its connect handler
    // (settings load and clean-up), and the plan changes nothing.
    db::Connection c;
    c.params() = module_.SQLConnection1.params();
    db::Query statements(&c), catalogue(&c);
    schema::LiveSchema live(statements, catalogue);
    schema::PlanSchema plan(live);
    schema::UpgradeReport report;
    schema::Upgrader(plan, report).upgrade(schema::editionsOf(module_.appFolder()));
    for (const std::string& s : report.statements)
        std::fprintf(out_, "%s;\n\n", s.c_str());
    std::fprintf(out_, "-- %zu statements\n", report.statements.size());
}

std::string Commands::upgradeText() const {
    const schema::UpgradeReport& r = module_.upgradeReport();
    auto list = [](const char* label, const std::vector<std::string>& names) {
        std::string t = std::string(label) + ": " + std::to_string(names.size());
        if (!names.empty() && names.size() <= 100) {
            t += " (";
            for (std::size_t i = 0; i < names.size(); ++i)
                t += (i ? ", " : "") + names[i];
            t += ")";
        }
        return t + "\n";
    };
    std::string t;
    t += list("tables created", r.tablesCreated);
    t += list("indices created", r.indicesCreated);
    t += list("columns added", r.columnsAdded);
    t += list("triggers created", r.triggersCreated);
    t += list("triggers redefined", r.triggersRedefined);
    t += list("seed rows inserted", r.seedRows);
    t += "statements run: " + std::to_string(r.statements.size()) + "\n";
    t += "column additions failed: " + std::to_string(r.adderFailures.size()) + "\n";
    for (const auto& [what, why] : r.adderFailures) {
        std::string message;
        for (const std::string& line : text::splitLines(why))
            if (!text::trim(line).empty())
                message += (message.empty() ? "" : "；") + text::trim(line);
        t += "  " + what + ": " + message + "\n";
    }
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.2f", r.seconds);
    t += std::string("elapsed: ") + seconds + " s\n";
    return t;
}

std::string Commands::summaryText() const {
    const Summary& s = summary_;
    std::string t;
    auto line = [&t](const char* label, std::size_t n) {
        t += std::string(label) + ": " + std::to_string(n) + "\n";
    };
    using C = Summary::Command;
    switch (s.command) {
    case C::None:
        return {};
    case C::List:
    case C::Export:
        line("rows", s.rowsRead);
        break;
    case C::Check:
    case C::Import:
        line("rows read", s.rowsRead);
        line("appended", s.appended);
        line("skipped (already listed)", s.skipped);
        line("marked * (category not on file)", s.categoryUnknown);
        line("marked # (product on file)", s.onFile);
        if (s.command == C::Check)
            break;
        line("saved", s.saved);
        line("skipped (product on file)", s.skippedOnFile);
        if (!s.stopMessage.empty())
            t += "stopped at " + s.stopMessage + "\n";
        break;
    case C::FullImport:
        line("rows read", s.rowsRead);
        line("inserted", s.inserted);
        line("updated", s.updated);
        line("failed", s.failed.size());
        for (const auto& f : s.failed)
            t += "  " + exchange::failureText(f) + "\n";
        break;
    }
    if (s.stopped)
        t += "stopped on request: what was whole is saved\n";
    return t;
}

} // namespace batch
