// Runs over a Firebird server on loopback. The test script starts the server
// and passes its SYSDBA password in TAVOLA_TEST_SERVER_PASSWORD; without it
// the server cases are skipped.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "datamodule/TSimpleDataMod.h"
#include "platform/text/Text.h"
#include "schema/Upgrade.h"
#include "support/TestDatabase.h"

namespace {

std::string serverPassword() {
    const char* p = std::getenv("TAVOLA_TEST_SERVER_PASSWORD");
    return p ? p : "";
}

} // namespace

class ServerTest : public ::testing::Test {
  protected:
    testdata::TempFolder folder;
    std::string database;

    void SetUp() override {
        if (serverPassword().empty())
            GTEST_SKIP() << "no loopback server (TAVOLA_TEST_SERVER_PASSWORD)";
        // The server runs as its own user: the folder and the file are open to it.
        std::filesystem::permissions(folder.path(), std::filesystem::perms::all);
        testdata::copyDatabase(testdata::Schema::Upgraded, folder.path() + "server.fdb");
        database = "localhost:" + folder.path() + "server.fdb";
    }

    db::ConnectionParams params(const std::string& password) const {
        db::ConnectionParams p;
        p.setLines({"Database=" + database, "user_name=SYSDBA", "password=" + password,
                    "servercharset=UTF8", "sqldialect=3", "isolationlevel=ReadCommitted",
                    "waitonlocks=True"});
        return p;
    }

    std::string configText(const std::string& password) const {
        std::string t;
        db::ConnectionParams p = params(password);
        for (const auto& l : p.lines())
            t += l + "\r\n";
        return t;
    }
};

TEST_F(ServerTest, DataModuleConnectsLoadsSettingsAndSavesQuotedKeys) {
    {
        db::Connection c;
        c.params() = params(serverPassword());
        db::Query q(&c);
        q.setSql("insert into PARAM_DEFINE (PARAM_ID, PARAM_VALUE) values ('corp_email', :V)");
        q.setString("V", "server@example.com");
        q.exec();
    }
    folder.write("dbconfig.txt", configText(serverPassword()));
    TSimpleDataMod m(folder.path(), {}, nullptr);
    EXPECT_EQ(m.LoadParam("corp_email"), "server@example.com"); // connects and loads the settings
    db::Query ins(&m.SQLConnection1);
    ins.setSql("insert into PRODUCT (PROD_ID, PROD_NAME, WUID) values (:ID, :NAME, :WUID)");
    ins.setString("ID", "A'001");
    ins.setString("NAME", "伺服器商品");
    ins.setString("WUID", m.wuid());
    ins.exec();
    EXPECT_EQ(m.wuid(), "server@example.com");

    db::Connection other;
    other.params() = params(serverPassword());
    db::Query q(&other);
    q.setSql("select PROD_NAME, WUID from PRODUCT where PROD_ID = :ID");
    q.setString("ID", "A'001");
    q.open();
    ASSERT_FALSE(q.eof());
    EXPECT_EQ(q.asString("PROD_NAME"), "伺服器商品");
    EXPECT_EQ(q.asString("WUID"), "server@example.com");
}

TEST_F(ServerTest, UpgradesABaseDatabaseAndThenFindsItUpToDate) {
    testdata::copyDatabase(testdata::Schema::Base, folder.path() + "server.fdb");
    auto first = schema::upgradeDatabase(params(serverPassword()));
    EXPECT_EQ(first.tablesCreated.size(), 76u);
    EXPECT_TRUE(first.adderFailures.empty());
    schema::upgradeDatabase(params(serverPassword())); // the late invoice amounts
    auto upToDate = schema::upgradeDatabase(params(serverPassword()));
    EXPECT_TRUE(upToDate.tablesCreated.empty());
    EXPECT_TRUE(upToDate.columnsAdded.empty());
    EXPECT_TRUE(upToDate.seedRows.empty());
}

TEST_F(ServerTest, WrongPasswordGivesFirebirdsMessage) {
    db::Connection c;
    c.params() = params("not-the-password");
    try {
        c.open();
        FAIL();
    } catch (const db::DatabaseError& e) {
        EXPECT_EQ(e.sqlState(), "28000");
        EXPECT_NE(std::string(e.what()).find("Your user name and password are not defined"),
                  std::string::npos)
            << e.what();
    }
    EXPECT_FALSE(c.connected());
}

TEST(ServerDown, GivesTheNetworkErrorAndStaysClosed) {
    db::Connection c;
    // Nothing listens on this loopback port.
    c.params().setLines(
        {"Database=localhost/3999:/nowhere/x.fdb", "user_name=SYSDBA", "password=x"});
    try {
        c.open();
        FAIL();
    } catch (const db::DatabaseError& e) {
        EXPECT_EQ(e.gdsCode(), 335544721);
        EXPECT_NE(std::string(e.what()).find("Unable to complete network request"),
                  std::string::npos)
            << e.what();
    }
    EXPECT_FALSE(c.connected());
}
