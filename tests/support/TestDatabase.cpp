#include "TestDatabase.h"

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

#include "platform/db/Connection.h"
#include "platform/db/Query.h"
#include "platform/text/Text.h"

namespace testdata {

TempFolder::TempFolder() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "tavola-XXXXXX").string();
    if (!mkdtemp(tmpl.data()))
        throw std::runtime_error("cannot create a temporary folder");
    path_ = tmpl + "/";
}

TempFolder::~TempFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

void TempFolder::write(const std::string& name, const std::string& bytes) const {
    text::writeFile(path_ + name, bytes);
}

void copyDatabase(Schema kind, const std::string& path) {
    namespace fs = std::filesystem;
    fs::copy_file(kind == Schema::Base ? TAVOLA_BASE_DB : TAVOLA_UPGRADED_DB, path,
                  fs::copy_options::overwrite_existing);
    fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                              fs::perms::group_write | fs::perms::others_read |
                              fs::perms::others_write);
}

TestDatabase::TestDatabase(Schema kind) : file_(folder_.path() + "test.fdb") {
    copyDatabase(kind, file_);
}

db::ConnectionParams TestDatabase::params() const {
    db::ConnectionParams p;
    p.setLines(text::splitLines(configText()));
    return p;
}

std::string TestDatabase::configText() const {
    return "Database=" + file_ +
           "\nuser_name=sysdba\npassword=masterkey\nservercharset=UTF8\nsqldialect=3\n";
}

void TestDatabase::exec(const std::string& sql) const {
    db::Connection c;
    c.params() = params();
    db::Query q(&c);
    q.setSql(sql);
    q.exec();
}

std::string TestDatabase::scalar(const std::string& sql) const {
    db::Connection c;
    c.params() = params();
    db::Query q(&c);
    q.setSql(sql);
    q.open();
    return q.eof() ? std::string() : db::toText(q.value(0));
}

std::vector<std::vector<std::string>> TestDatabase::rows(const std::string& sql) const {
    db::Connection c;
    c.params() = params();
    db::Query q(&c);
    q.setSql(sql);
    std::vector<std::vector<std::string>> out;
    for (q.open(); !q.eof(); q.next()) {
        std::vector<std::string> row;
        for (std::size_t i = 0; i < q.fieldCount(); ++i)
            row.push_back(db::isNull(q.value(i)) ? "<null>" : text::trim(db::toText(q.value(i))));
        out.push_back(std::move(row));
    }
    return out;
}

} // namespace testdata
