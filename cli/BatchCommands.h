#pragma once
// The main window's operations as batch commands over the same data module.

#include <cstdio>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "datamodule/TSimpleDataMod.h"
#include "exchange/FullModeSave.h"
#include "exchange/Progress.h"

namespace batch {

// An operation the mode does not allow (its message says so).
class Refused : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// What a command did, for its summary.
struct Summary {
    enum class Command { None, List, Export, Import, FullImport, Check } command = Command::None;
    std::size_t rowsRead = 0, appended = 0, skipped = 0, categoryUnknown = 0, onFile = 0,
                saved = 0, skippedOnFile = 0, inserted = 0, updated = 0;
    std::vector<exchange::RowFailure> failed;
    bool stopped = false; // ended early on request (a signal)
    // Marked rows (product number, mark), and whether each came from the file.
    struct Marked {
        std::string key, mark;
        bool fromFile;
    };
    std::vector<Marked> marked;
    // Normal-mode import: the message of the product that stopped the save.
    std::string stopMessage;
    double seconds = 0;
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
    // errors: where to write the rows that did not save as a workbook (none
    // when empty): corrected, it imports back.
    void importFile(const std::string& file, const std::string& errors = {});
    // Prints the marks of the rows the file brought; all marked rows with `all`
    // (those on file, "#", too). Refused in full mode.
    void checkFile(const std::string& file, bool all = false);
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
    std::size_t firstNew_ = 0; // the first list row the import brought
    Summary summary_;
    std::string written_;
};

} // namespace batch
