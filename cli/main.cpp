// tavola-batch: the exchange tool's operations for scheduled jobs and scripts.
// Same application folder, "dbconfig.txt" and marker file as the window.
// Exit status: 0 success, 1 an operation failed, 2 usage error.

#include <CLI/CLI.hpp>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <unistd.h>

#include "BatchCommands.h"
#include "platform/db/DatabaseError.h"
#include "platform/AppFolder.h"
#include "platform/StopSignals.h"
#include "schema/Upgrade.h"

namespace {

// The module's own messages go to standard error.
class ConsolePrompts : public platform::Prompts {
  public:
    void info(const std::string& m) override { std::fprintf(stderr, "%s\n", m.c_str()); }
    void warning(const std::string& m) override { std::fprintf(stderr, "%s\n", m.c_str()); }
    void error(const std::string& m) override { std::fprintf(stderr, "%s\n", m.c_str()); }
    bool confirm(const std::string&) override { return true; }
    std::string openFile(const std::string&, const std::string&) override { return {}; }
    std::string saveFile(const std::string&, const std::string&, const std::string&) override {
        return {};
    }
};

// 12345 as "12,345".
std::string grouped(std::size_t n) {
    std::string digits = std::to_string(n), out;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i && (digits.size() - i) % 3 == 0)
            out += ',';
        out += digits[i];
    }
    return out;
}

// A bar on standard error when it is a terminal, labelled with the phase and
// redrawn at each whole percent. It answers whether to go on: not once a stop
// was requested.
exchange::Progress terminalProgress(std::shared_ptr<std::string> phase) {
    if (!isatty(STDERR_FILENO))
        return [](std::size_t, std::size_t) { return !platform::stopRequested(); };
    auto last = std::make_shared<int>(-1);
    return [last, phase](std::size_t pos, std::size_t max) {
        int pct = max ? int(pos * 100 / max) : 100;
        if (pct == *last && pos < max)
            return !platform::stopRequested();
        *last = pct;
        int filled = pct / 2;
        std::fprintf(stderr, "\r%s [%s%s] %3d%% %s / %s ", phase->c_str(),
                     std::string(std::size_t(filled), '#').c_str(),
                     std::string(std::size_t(50 - filled), ' ').c_str(), pct,
                     grouped(pos).c_str(), grouped(max).c_str());
        if (pos >= max) {
            std::fprintf(stderr, "\n");
            *last = -1;
        }
        std::fflush(stderr);
        return !platform::stopRequested();
    };
}

const char* const kHelpFooter = R"(
The application folder is the folder of this program, or the one the
environment variable TAVOLA_HOME names. It holds:
  dbconfig.txt  connection parameters, one name=value per line (Database=,
                user_name=, password=, ...); without it the suite's defaults
  lumara.txt    marker file: when present, full mode (import upserts every row
                of a workbook of the full-mode layout); its first line is the
                owner stamp of the saves

Exit status: 0 done; 1 an operation failed, or rows did not save (the error
and the summary on standard error); 2 usage error; 130 stopped by Ctrl+C or a
termination signal (what was whole is kept).

Examples:
  TAVOLA_HOME=/srv/tavola tavola-batch export /tmp/products.xlsx
  tavola-batch check new.xlsx                 # "*" lines: category not on file
  tavola-batch import new.xlsx --errors failed.xlsx
  tavola-batch upgrade --plan > upgrade.sql
)";

} // namespace

int main(int argc, char** argv) {
    // Before anything else starts a thread: Ctrl+C and kill become a request
    // to stop after the current product.
    platform::watchStopSignals();
    CLI::App app{"tavola-batch: list, export, check and import product workbooks"};
    app.footer(kHelpFooter);
    app.require_subcommand(1);
    bool upgrade = false;
    app.add_flag("--upgrade", upgrade,
                 "open the connection in upgrade mode (brings the schema up to date)");

    std::string file;
    std::optional<std::string> sql;
    auto* exportCmd = app.add_subcommand("export", "write the product list to a product workbook");
    exportCmd
        ->add_option("FILE", file,
                     "workbook to write (\".xls\" is appended unless the name holds it)")
        ->required();
    exportCmd->add_option("--sql", sql, "statement to list instead of all products");
    auto* importCmd = app.add_subcommand("import", "import \"Sheet1\", check and save new products "
                                                   "(full mode: insert or update every row)");
    importCmd->add_option("FILE", file, "workbook to read")->required()->check(CLI::ExistingFile);
    std::string errors;
    importCmd->add_option("--errors", errors,
                          "write the rows that did not save to this workbook, with the reason in "
                          "the last column (corrected, it imports back)");
    auto* checkCmd = app.add_subcommand(
        "check", "import and check without saving; prints the marks of the file's rows");
    checkCmd->add_option("FILE", file, "workbook to read")->required()->check(CLI::ExistingFile);
    bool all = false;
    checkCmd->add_flag("--all", all, "also print the products already on file (\"#\")");
    auto* listCmd = app.add_subcommand("list", "print the product list as tab-separated text");
    listCmd->add_option("--sql", sql, "statement to list instead of all products");
    bool plan = false;
    auto* upgradeCmd = app.add_subcommand(
        "upgrade", "bring the database's tables, columns, triggers and seed rows up to date");
    upgradeCmd->add_flag("--plan", plan,
                         "print the statements the upgrade would run, in order, changing nothing");

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        app.exit(e);
        return 2;
    }

    std::string folder = platform::appFolder();
    if (!std::filesystem::is_directory(folder)) {
        std::fprintf(stderr, "應用程式資料夾 %s 不存在%s\n", folder.c_str(),
                     std::getenv("TAVOLA_HOME") ? "（由 TAVOLA_HOME 指定）" : "");
        return 1;
    }
    ConsolePrompts prompts;
    std::vector<std::string> args;
    if (upgrade || (*upgradeCmd && !plan))
        args.push_back("u");
    TSimpleDataMod module(folder, args, &prompts);
    if (!module.startupErrors().empty())
        return 1; // already printed through the module's prompts
    auto phase = std::make_shared<std::string>();
    batch::Commands commands(module, stdout, terminalProgress(phase), [phase](const char* name) {
        *phase = name;
        std::fprintf(stderr, "%s…\n", name);
        std::fflush(stderr);
    });
    // Where the connection's parameters came from, for an error about it.
    auto settingsNote = [&] {
        std::string config = folder + "dbconfig.txt";
        return std::filesystem::exists(config)
                   ? "（連線設定取自 " + config + "）"
                   : "（應用程式資料夾 " + folder + " 沒有 dbconfig.txt，使用內建連線設定）";
    };
    if (*upgradeCmd) {
        try {
            if (plan) {
                commands.planUpgrade();
                return 0;
            }
            commands.upgrade();
        } catch (const schema::UpgradeStopped& e) {
            std::fprintf(stderr, "%s%s\n", commands.upgradeText().c_str(), e.what());
            return 130;
        } catch (const std::exception& e) {
            std::fprintf(stderr, "%s%s\n", commands.upgradeText().c_str(),
                         platform::errorText(e).c_str());
            return 1;
        }
        std::fprintf(stderr, "%s", commands.upgradeText().c_str());
        return 0;
    }
    try {
        if (*exportCmd) {
            commands.exportList(file, sql);
            std::fprintf(stderr, "written: %s\n", commands.writtenFile().c_str());
        } else if (*importCmd) {
            commands.importFile(file, errors);
        } else if (*checkCmd) {
            commands.checkFile(file, all);
        } else {
            commands.list(sql);
        }
    } catch (const batch::Refused& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    } catch (const db::DatabaseError& e) {
        std::fprintf(stderr, "%s", commands.summaryText().c_str());
        std::fprintf(stderr, "%s\n", platform::errorText(e).c_str());
        if (!module.SQLConnection1.connected())
            std::fprintf(stderr, "%s\n", settingsNote().c_str());
        if (!errors.empty() && std::filesystem::exists(errors))
            std::fprintf(stderr, "rows that did not save: %s\n", errors.c_str());
        return platform::stopRequested() ? 130 : 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s", commands.summaryText().c_str());
        std::fprintf(stderr, "%s\n", platform::errorText(e).c_str());
        return platform::stopRequested() ? 130 : 1;
    }
    std::fprintf(stderr, "%s", commands.summaryText().c_str());
    if (!errors.empty() && !commands.summary().failed.empty())
        std::fprintf(stderr, "rows that did not save: %s\n", errors.c_str());
    if (commands.summary().stopped || platform::stopRequested())
        return 130;
    // Rows that did not save make the run a failure, even though the others saved.
    return commands.summary().failed.empty() ? 0 : 1;
}
