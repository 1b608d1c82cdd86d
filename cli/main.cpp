// tavola-batch: the exchange tool's operations for scheduled jobs and scripts.
// Same application folder, "dbconfig.txt" and marker file as the window.
// Exit status: 0 success, 1 an operation failed, 2 usage error.

#include <CLI/CLI.hpp>
#include <cstdio>
#include <unistd.h>

#include "BatchCommands.h"
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

// A bar on standard error when it is a terminal, redrawn at each whole
// percent. It answers whether to go on: not once a stop was requested.
exchange::Progress terminalProgress() {
    if (!isatty(STDERR_FILENO))
        return [](std::size_t, std::size_t) { return !platform::stopRequested(); };
    auto last = std::make_shared<int>(-1);
    return [last](std::size_t pos, std::size_t max) {
        int pct = max ? int(pos * 100 / max) : 100;
        if (pct == *last)
            return !platform::stopRequested();
        *last = pct;
        int filled = pct / 2;
        std::fprintf(stderr, "\r[%s%s] %3d%%", std::string(std::size_t(filled), '#').c_str(),
                     std::string(std::size_t(50 - filled), ' ').c_str(), pct);
        if (pos >= max)
            std::fprintf(stderr, "\n");
        std::fflush(stderr);
        return !platform::stopRequested();
    };
}

} // namespace

int main(int argc, char** argv) {
    // Before anything else starts a thread: Ctrl+C and kill become a request
    // to stop after the current product.
    platform::watchStopSignals();
    CLI::App app{"tavola-batch: list, export, check and import product workbooks"};
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
    auto* checkCmd =
        app.add_subcommand("check", "import and check without saving; prints the marked rows");
    checkCmd->add_option("FILE", file, "workbook to read")->required()->check(CLI::ExistingFile);
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

    ConsolePrompts prompts;
    std::vector<std::string> args;
    if (upgrade || (*upgradeCmd && !plan))
        args.push_back("u");
    TSimpleDataMod module(platform::appFolder(), args, &prompts);
    if (!module.startupErrors().empty())
        return 1; // already printed through the module's prompts
    batch::Commands commands(module, stdout, terminalProgress(), [](const char* phase) {
        std::fprintf(stderr, "%s…\n", phase);
        std::fflush(stderr);
    });
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
            commands.importFile(file);
        } else if (*checkCmd) {
            commands.checkFile(file);
        } else {
            commands.list(sql);
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s", commands.summaryText().c_str());
        std::fprintf(stderr, "%s\n", platform::errorText(e).c_str());
        return platform::stopRequested() ? 130 : 1;
    }
    std::fprintf(stderr, "%s", commands.summaryText().c_str());
    if (commands.summary().stopped || platform::stopRequested())
        return 130;
    // Rows that did not save make the run a failure, even though the others saved.
    return commands.summary().failed.empty() ? 0 : 1;
}
