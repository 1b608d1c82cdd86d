#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <cstring>
#include <filesystem>
#include <unistd.h>

#include "platform/text/Text.h"

#include "datamodule/TSimpleDataMod.h"
#include "support/ScriptedPrompts.h"
#include "support/TestDatabase.h"

using testdata::ScriptedPrompts;
using testdata::TempFolder;
using testdata::TestDatabase;

TEST(DataModuleCreate, WithoutConfigFileSetsTheThirteenDefaults) {
    TempFolder app;
    ScriptedPrompts prompts;
    TSimpleDataMod m(app.path(), {}, &prompts);
    const auto& lines = m.SQLConnection1.params().lines();
    ASSERT_EQ(lines.size(), 13u);
    EXPECT_EQ(lines.front(), "drivername=FIREBIRD");
    EXPECT_EQ(lines.back(), "servercharset=UTF8");
    EXPECT_EQ(*m.SQLConnection1.params().value("database"),
              "localhost:" + app.path() + "data/halden.fdb");
    EXPECT_EQ(*m.SQLConnection1.params().value("rolename"), "RoleName");
    EXPECT_FALSE(m.SQLConnection1.connected());
    EXPECT_EQ(m.wuid(), "");
}

TEST(DataModuleCreate, ConfigFileReplacesTheWholeList) {
    struct Case {
        const char* name;
        std::string bytes;
    } cases[] = {
        {"plain", "Database=/data/商品.fdb\r\n"},
        {"utf-8 mark", "\xEF\xBB\xBF"
                       "Database=/data/商品.fdb\r\n"},
        {"utf-16 mark",
         std::string(
             "\xFF\xFE"
             "D\0a\0t\0a\0b\0a\0s\0e\0=\0/\0d\0a\0t\0a\0/\0\x46\x55\xC1\x54.\0f\0d\0b\0\r\0\n\0",
             44)},
    };
    for (const auto& c : cases) {
        TempFolder app;
        app.write("dbconfig.txt", c.bytes);
        TSimpleDataMod m(app.path(), {}, nullptr);
        EXPECT_EQ(m.SQLConnection1.params().lines(),
                  std::vector<std::string>{"Database=/data/商品.fdb"})
            << c.name;
    }
}

TEST(DataModuleCreate, LanguageTables) {
    TempFolder app;
    {
        TSimpleDataMod m(app.path(), {}, nullptr);
        EXPECT_FALSE(m.CDS_LANG_SRC.active());
        EXPECT_FALSE(m.CDS_LANG.active());
    }
    std::filesystem::create_directory(app.path() + "lang_src");
    TSimpleDataMod m(app.path(), {}, nullptr);
    ASSERT_TRUE(m.CDS_LANG_SRC.active());
    EXPECT_EQ(m.CDS_LANG_SRC.rowCount(), 0u);
    ASSERT_EQ(m.CDS_LANG_SRC.fieldCount(), 4u);
    EXPECT_EQ(m.CDS_LANG_SRC.fields()[2].name, "COMPONENT_CAPTION");
    EXPECT_EQ(m.CDS_LANG_SRC.fields()[2].size, 100);

    // A saved table is loaded back from its XML file.
    m.CDS_LANG_SRC.appendRow({std::string("FormTavola"), std::string("SpeedButton1"),
                              std::string("所有資料"), db::Value{}});
    std::filesystem::create_directory(app.path() + "lang");
    m.CDS_LANG_SRC.saveToFile(app.path() + "lang/lang_zhcn.xml");
    TSimpleDataMod again(app.path(), {}, nullptr);
    ASSERT_TRUE(again.CDS_LANG.active());
    EXPECT_EQ(again.CDS_LANG.asString("COMPONENT_CAPTION"), "所有資料");
}

// A damaged language table is reported and the rest of the creation goes on:
// the connection parameters are still read.
TEST(DataModuleCreate, ADamagedLanguageTableIsReportedAndTheRestGoesOn) {
    TempFolder app;
    std::filesystem::create_directory(app.path() + "lang_src");
    app.write("lang_src/lang_zhtw.xml", "<DATAPACKET Version=\"2.0\"><METADATA>");
    app.write("dbconfig.txt", "Database=/data/x.fdb\r\n");
    ScriptedPrompts prompts;
    TSimpleDataMod m(app.path(), {}, &prompts);
    ASSERT_EQ(m.startupErrors().size(), 1u);
    EXPECT_EQ(m.startupErrors()[0].rfind("RecordSetError error raised, with message : 檔案 \"" +
                                             app.path() +
                                             "lang_src/lang_zhtw.xml\" 不是可讀取的資料集：",
                                         0),
              0u)
        << m.startupErrors()[0];
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].kind, "error");
    EXPECT_EQ(prompts.shown[0].text, m.startupErrors()[0]);
    EXPECT_FALSE(m.CDS_LANG_SRC.active());
    EXPECT_EQ(m.SQLConnection1.params().lines(), std::vector<std::string>{"Database=/data/x.fdb"});
}

// The file and the line are named when "dbconfig.txt" cannot open a connection.
TEST(DataModuleCreate, ABadConfigFileNamesItselfAndTheLine) {
    struct Case {
        std::string config, message;
    } cases[] = {
        {"user_name=SYSDBA\r\n",
         "\"%dbconfig.txt\" 沒有指定資料庫（Database=主機:路徑 或 檔案路徑）"},
        {"Database=\r\n", "\"%dbconfig.txt\" 沒有指定資料庫（Database=主機:路徑 或 檔案路徑）"},
        {"Database=/x.fdb\r\nuser_name=SYSDBA\r\nisolationlevel=ReadUncommitted\r\n",
         "\"%dbconfig.txt\" 第 3 行：isolationlevel 的值 \"ReadUncommitted\" 無法辨識（可用 "
         "ReadCommitted、RepeatableRead、Serializable）"},
    };
    for (const auto& c : cases) {
        TempFolder app;
        app.write("dbconfig.txt", c.config);
        TSimpleDataMod m(app.path(), {}, nullptr);
        std::string want = c.message;
        want.replace(want.find('%'), 1, app.path());
        try {
            m.SQLConnection1.open();
            ADD_FAILURE() << c.config;
        } catch (const db::DatabaseError& e) {
            EXPECT_EQ(std::string(e.what()), want);
        }
    }
}

TEST(DataModuleCreate, UpgradeModeIsTheFirstArgumentU) {
    TempFolder app;
    struct {
        std::vector<std::string> args;
        bool upgrade;
    } cases[] = {{{}, false}, {{"u"}, true}, {{"U"}, true}, {{"x", "u"}, false}, {{"uu"}, false}};
    for (const auto& c : cases)
        EXPECT_EQ(TSimpleDataMod(app.path(), c.args, nullptr).upgradeMode(), c.upgrade);
}

class ConnectedModule : public ::testing::Test {
  protected:
    TestDatabase database;
    ScriptedPrompts prompts;
    std::unique_ptr<TSimpleDataMod> module(std::vector<std::string> args = {}) {
        database.folder();
        text::writeFile(database.folder() + "dbconfig.txt", database.configText());
        return std::make_unique<TSimpleDataMod>(database.folder(), args, &prompts);
    }
    void param(const std::string& id, const char* value) {
        if (value)
            database.exec("insert into PARAM_DEFINE (PARAM_ID, PARAM_VALUE) values ('" + id +
                          "', '" + value + "')");
        else
            database.exec("insert into PARAM_DEFINE (PARAM_ID) values ('" + id + "')");
    }
};

TEST_F(ConnectedModule, SettingsConversionsAndFormats) {
    struct Case {
        const char* price_dot;
        std::string priceFormat;
        int priceDot;
    } cases[] = {{"3", "#,##0.000", 3},
                 {"abc", "#,##0", 0},
                 {"6", "", 6},
                 {"-1", "", -1},
                 {"0", "#,##0", 0}};
    for (const auto& c : cases) {
        database.exec("delete from PARAM_DEFINE");
        param("price_dot", c.price_dot);
        param("cost_dot", "2");
        param("in_tax", "abc");
        param("corp_email", "owner@example.com");
        auto m = module();
        // The first statement opens the connection, whose handler reads the
        // settings through the same shared statement object.
        EXPECT_EQ(m->LoadParam("cost_dot"), "2");
        EXPECT_EQ(m->settings.price_dot, c.priceDot) << c.price_dot;
        EXPECT_EQ(m->settings.PriceFormat, c.priceFormat) << c.price_dot;
        EXPECT_EQ(m->settings.CostFormat, "#,##0.00");
        EXPECT_EQ(m->settings.AccountAmountFormat, "#,##0");
        EXPECT_EQ(m->settings.MoneyFormat, "#,##0.00");
        EXPECT_DOUBLE_EQ(m->settings.in_tax, 0.05);
        EXPECT_DOUBLE_EQ(m->settings.Rate_of_Point, 1);
        EXPECT_EQ(m->wuid(), "owner@example.com");
    }
}

TEST_F(ConnectedModule, MissingOrNullParametersGiveEmptyText) {
    param("corp_tel", nullptr);
    auto m = module();
    EXPECT_EQ(m->LoadParam("corp_tel"), "");
    EXPECT_EQ(m->LoadParam("corp_email"), "");
    EXPECT_EQ(m->wuid(), "");
    EXPECT_EQ(m->LoadParam("x' or '1'='1"), "");
    EXPECT_EQ(m->LoadParam(std::string(51, 'k')), ""); // longer than PARAM_ID: not found
}

TEST_F(ConnectedModule, CleanUpRemovesOrphanedEbRowsOnly) {
    database.exec("insert into CHGQTY_MASTER (MASTERBILLID) values ('M1')");
    database.exec("insert into PROD_CHGDATA (FLAG_ID, MASTERBILLID) values ('EB', 'M1')");
    database.exec("insert into PROD_CHGDATA (FLAG_ID, MASTERBILLID) values ('EB', 'GONE')");
    database.exec("insert into PROD_CHGDATA (FLAG_ID, MASTERBILLID) values ('XX', 'GONE')");
    auto m = module();
    m->LoadParam("x");
    EXPECT_EQ(database.scalar("select list(FLAG_ID || ':' || MASTERBILLID, ',') from "
                              "(select * from PROD_CHGDATA order by FLAG_ID, MASTERBILLID)"),
              "EB:M1,XX:GONE");
}

TEST_F(ConnectedModule, MissingCleanUpTableFailsTheFirstStatementAfterTheSettings) {
    param("corp_email", "owner@example.com");
    database.exec("drop table PROD_CHGDATA");
    auto m = module();
    EXPECT_THROW(m->LoadParam("x"), db::DatabaseError);
    EXPECT_TRUE(m->SQLConnection1.connected());
    EXPECT_EQ(m->wuid(), "owner@example.com");
    EXPECT_EQ(m->LoadParam("corp_email"), "owner@example.com"); // connection stays usable
}

TEST_F(ConnectedModule, CdsQueryCopiesFieldsAndRows) {
    auto m = module();
    dataset::RecordSet target;
    m->CDS_Query(target, "select PROD_ID, SALE_PRICE from PRODUCT");
    EXPECT_TRUE(target.active());
    EXPECT_EQ(target.rowCount(), 0u);
    ASSERT_EQ(target.fieldCount(), 2u);
    EXPECT_EQ(target.fields()[1].name, "SALE_PRICE");

    database.exec("insert into PROD_ITEM (PD_ITEMID, PD_ITEMNAME) values ('01', '文具')");
    m->CDS_Query(target, "select * from PROD_ITEM");
    EXPECT_EQ(target.rowCount(), 1u);
    EXPECT_EQ(target.asString("PD_ITEMNAME"), "文具");
    EXPECT_THROW(m->CDS_Query(target, "select * from NOPE"), db::DatabaseError);
    EXPECT_TRUE(prompts.shown.empty());
    // Its own record set as the target keeps the rows it just read.
    m->CDS_Query(m->ClientDataSet1, "select * from PROD_ITEM");
    EXPECT_EQ(m->ClientDataSet1.rowCount(), 1u);
    EXPECT_TRUE(prompts.shown.empty());
}

// The last IPv4 address the resolver lists for this host, as the system's
// own resolver tool lists them.
TEST(LocalIP, IsTheLastAddressOfTheHostsName) {
    char host[64] = {0};
    ASSERT_EQ(gethostname(host, 63), 0);
    std::string expected;
    std::string cmd = std::string("getent ahostsv4 '") + host + "'";
    if (FILE* p = popen(cmd.c_str(), "r")) {
        char line[256];
        while (std::fgets(line, sizeof line, p))
            if (std::strstr(line, "STREAM"))
                expected = std::string(line, std::strcspn(line, " \t"));
        pclose(p);
    }
    ASSERT_FALSE(expected.empty()) << "the host's name does not resolve here";
    EXPECT_EQ(TSimpleDataMod::LocalIP(), expected);
}
