#pragma once

#include <string>
#include <vector>

#include "platform/db/ConnectionParams.h"

namespace testdata {

// A temporary folder, removed with everything in it when the object goes.
class TempFolder {
  public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    // With a trailing "/".
    const std::string& path() const { return path_; }
    void write(const std::string& name, const std::string& bytes) const;

  private:
    std::string path_;
};

// Which database a test starts from: the suite's base tables brought up to
// date by the upgrade (what the exchange and the services run against), or
// the base tables alone (for the upgrade's own tests).
enum class Schema { Upgraded, Base };

// Copies the build's database of that kind to the path (readable and
// writable by everyone, so that a server running as its own user can open
// it).
void copyDatabase(Schema kind, const std::string& path);

// A fresh database file in a temporary folder, opened with the embedded
// engine. The folder doubles as an application folder.
class TestDatabase {
  public:
    explicit TestDatabase(Schema kind = Schema::Upgraded);
    const std::string& folder() const { return folder_.path(); }
    const std::string& file() const { return file_; }
    // Parameters that open this database embedded.
    db::ConnectionParams params() const;
    // The same as "dbconfig.txt" lines.
    std::string configText() const;
    // Runs one statement on a connection of its own (seeding, checking).
    void exec(const std::string& sql) const;
    // The first column of the first row as text ("" when there is no row).
    std::string scalar(const std::string& sql) const;
    // Every row, every column as text (NULL as "<null>"), values trimmed of
    // the catalogue's blank padding.
    std::vector<std::vector<std::string>> rows(const std::string& sql) const;

  private:
    TempFolder folder_;
    std::string file_;
};

} // namespace testdata
