#pragma once
// The main window's operations as batch commands over the same data module.

#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "datamodule/TSimpleDataMod.h"
#include "exchange/FullModeSave.h"
#include "exchange/Progress.h"

namespace batch {

// What a command did, for its summary.
struct Summary {
    std::size_t rowsRead = 0, appended = 0, skipped = 0, categoryUnknown = 0, onFile = 0, saved = 0;
    std::vector<exchange::RowFailure> failed;
    bool stopped = false;                                    // ended early on request (a signal)
    std::vector<std::pair<std::string, std::string>> marked; // product number, mark
};

class Commands {
  public:
    // out: where list and check write their rows; progress: optional, and
    // answering false stops an operation at a whole unit; phase: told the
    // name of each phase as it starts (optional).
    Commands(TSimpleDataMod& module, std::FILE* out, exchange::Progress progress = {},
             std::function<void(const char*)> phase = {});

    // Each throws on failure (the caller reports the error and exits 1).
    void exportList(const std::string& file, const std::optional<std::string>& sql);
    void importFile(const std::string& file);
    void checkFile(const std::string& file);
    void list(const std::optional<std::string>& sql);
    // Opens the connection, which runs the upgrade (the module must be in
    // upgrade mode); upgradeText() tells what it did, also after a failure.
    void upgrade();
    // Writes to out the statements an upgrade would run on this database, in
    // order, one per paragraph, changing nothing.
    void planUpgrade();
    std::string upgradeText() const;

    const Summary& summary() const { return summary_; }
    // The summary as printed after a command.
    std::string summaryText() const;
    bool fullMode() const;
    // The file name export writes (the window's name rule applied).
    const std::string& writtenFile() const { return written_; }

  private:
    void startPhase(const char* name);
    void load(const std::optional<std::string>& sql);
    void importIntoList(const std::string& file);

    TSimpleDataMod& module_;
    std::FILE* out_;
    exchange::Progress progress_;
    std::function<void(const char*)> phase_;
    dataset::RecordSet list_;
    Summary summary_;
    std::string written_;
};

} // namespace batch
