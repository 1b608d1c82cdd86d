#include "TestDatabase.h"

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

#include "BaseSchema.h"
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

TestDatabase::TestDatabase() : file_(folder_.path() + "test.fdb") {
    createBaseDatabase(params());
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

} // namespace testdata
