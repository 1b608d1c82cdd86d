// The schema upgrade: the catalogue's data and the statements written from
// it, the editions, and upgrades run on real databases (the build's base
// database, or the base database after one upgrade).

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <thread>

#include "datamodule/TSimpleDataMod.h"
#include "platform/db/Connection.h"
#include "platform/db/DatabaseError.h"
#include "platform/text/Text.h"
#include "schema/BaseSchema.h"
#include "schema/Catalogue.h"
#include "schema/Ddl.h"
#include "schema/RunList.h"
#include "schema/SchemaAccess.h"
#include "schema/Seeds.h"
#include "schema/Triggers.h"
#include "schema/Upgrade.h"
#include "support/ScriptedPrompts.h"
#include "support/TestDatabase.h"

using testdata::TempFolder;
using testdata::TestDatabase;
using Rows = std::vector<std::vector<std::string>>;

namespace {

// ---------------------------------------------------------------------------
// The data, without a database.

TEST(SchemaData, StatementTextFromTheData) {
    schema::Table t{"T1", schema::parseColumns("A V20!, B C20, C I, D D"), {"A"}, {}, {}};
    EXPECT_EQ(schema::createTableSql(t), "CREATE TABLE T1 (\n  A VARCHAR(20) NOT NULL,\n"
                                         "  B CHAR(20),\n  C INTEGER,\n  D DOUBLE PRECISION,\n"
                                         "  PRIMARY KEY (A)\n)");
    t.primaryKey.clear();
    EXPECT_EQ(schema::createTableSql(t).find("PRIMARY KEY"), std::string::npos);
    EXPECT_EQ(schema::createIndexSql("T1", {"IX_T1", {"A", "B"}}), "CREATE INDEX IX_T1 ON T1 (A, B)");
    EXPECT_EQ(schema::addTextColumnSql("CUSTSALE_DETAIL", "OBJECT_NAME", "100"),
              "ALTER TABLE CUSTSALE_DETAIL ADD OBJECT_NAME VARCHAR(100)");
    EXPECT_EQ(schema::addDoubleColumnSql("CUSTSALE_DETAIL", "CBM"),
              "ALTER TABLE CUSTSALE_DETAIL ADD CBM DOUBLE PRECISION ");
    EXPECT_EQ(schema::commentSql("INVOICE_SUB", "INVOICE_TOTAMT", "發票'金額"),
              "COMMENT ON COLUMN INVOICE_SUB.INVOICE_TOTAMT IS '發票''金額'");

    // The record stamps, and a variant with one column changed.
    auto stamps = schema::parseColumns("X V5, STAMPS:CHG_HOST=C20");
    ASSERT_EQ(stamps.size(), 8u);
    EXPECT_EQ(stamps[3].name, "CHG_HOST");
    EXPECT_EQ(stamps[3].type, schema::ColumnType::Char);
    EXPECT_EQ(stamps[3].length, 20);
    EXPECT_EQ(stamps[7].name, "WUID");
    EXPECT_EQ(stamps[7].length, 50);
}

TEST(SchemaData, NamesAndLengthsThatCannotEnterAStatementAreRefused) {
    for (const char* bad : {"", "1A", "A B", "A;DROP TABLE PRODUCT", "名稱", "A\"B", "A-B", "A'B"})
        EXPECT_THROW(schema::checkedIdentifier(bad), std::invalid_argument) << bad;
    for (const char* good : {"RDB$RELATIONS", "a_1", "PRODUCT", "_X"})
        EXPECT_NO_THROW(schema::checkedIdentifier(good)) << good;
    for (const char* length : {"", "20)", "-1", "20; DROP TABLE X", "2 0"})
        EXPECT_THROW(schema::addTextColumnSql("T", "C", length), std::invalid_argument) << length;
    for (const char* item : {"X", "X Q", "X V0", "X V", "STAMPS:NOPE=V1", "STAMPS:CHG_HOST"})
        EXPECT_THROW(schema::parseColumns(item), std::invalid_argument) << item;
}

TEST(SchemaData, EditionsFromTheApplicationFolder) {
    struct Case {
        const char* folder;
        bool vantrel, quillon, tolvane;
    } cases[] = {
        {"/opt/erp/", false, false, false},
        {"/opt/erp/Vantrel/", true, false, false},
        {"/opt/VANTREL-quillon/app/", true, true, false},
        {"/srv/quillon/bin", false, true, false},
        {"/opt/tolvane/", false, false, true},
        {"/opt/quillon/tolvane/", false, true, true},
        {"/opt/quillontolvane", false, true, true},
        {"/home/brenmoor/", false, false, false},
    };
    for (const auto& c : cases) {
        auto e = schema::editionsOf(c.folder);
        EXPECT_EQ(e.vantrel, c.vantrel) << c.folder;
        EXPECT_EQ(e.quillon, c.quillon) << c.folder;
        EXPECT_EQ(e.tolvane, c.tolvane) << c.folder;
        EXPECT_FALSE(e.brenmoor) << c.folder;
    }
    // brenmoor is a folder directly inside the application folder.
    TempFolder app;
    EXPECT_FALSE(schema::editionsOf(app.path()).brenmoor);
    app.write("brenmoor", "a file, not a folder");
    EXPECT_FALSE(schema::editionsOf(app.path()).brenmoor);
    std::filesystem::create_directories(app.path() + "deeper/brenmoor");
    EXPECT_FALSE(schema::editionsOf(app.path()).brenmoor);
    std::filesystem::create_directories(app.path() + "sub/brenmoor");
    EXPECT_TRUE(schema::editionsOf(app.path() + "sub").brenmoor);
    EXPECT_TRUE(schema::editionsOf(app.path() + "sub/").brenmoor);
}

// The column count of every table as its definition states it.
const std::map<std::string, std::size_t> kColumnCounts = {
    {"PRODUCT_PLACE", 8},       {"STK_MEMO_GROUP", 9},        {"STK_MEMO", 10},
    {"LOGIN_STORY", 5},         {"CUSTOMER_FREI", 12},        {"PAYMENT_CLASS", 9},
    {"PROD_CONITEM", 10},       {"PROD_CON", 3},              {"CUSTOMER_CONT", 11},
    {"SUPPLIER_CONT", 11},      {"PROJ_ITEM", 14},            {"CUSTOMER_DO", 11},
    {"INVOICE_ITEM", 10},       {"CUSTOMER_PDCLASS_DIS", 13}, {"PLUSCOST_ITEM", 15},
    {"PROD_BRAND", 10},         {"TRANS_ITEM", 9},            {"COMMI_CLASS", 11},
    {"CUSTOMER_LATLNG", 10},    {"STORY_PURCHASE", 29},       {"STORY_CUSTSALE", 29},
    {"CUSTSALE_POINT", 4},      {"INVOICE_MASTER", 30},       {"INVOICE_SUB", 26},
    {"INVOICE_NUM", 3},         {"INVOICE_DETAIL", 7},        {"OUTVOICE_MASTER", 30},
    {"OUTVOICE_SUB", 27},       {"OUTVOICE_NUM", 3},          {"OUTVOICE_DETAIL", 7},
    {"CUSTSALE_STAY", 15},      {"PURCHASECOST_MASTER", 53},  {"PURCHASECOST_DETAIL", 58},
    {"PURCHASECOST_NUM", 3},    {"REWORKORDER_NUM", 3},       {"REWORKORDER_MASTER", 54},
    {"REWORKORDER_DETAIL", 58}, {"OUTVOICEBOOK", 14},         {"PSALE_DETAIL", 50},
    {"PSALE_MASTER", 31},       {"PSALE_NUM", 3},             {"PSALE_TEMP", 6},
    {"PTSALE_MASTER", 25},      {"PTSALE_DETAIL", 34},        {"PTSALE_NUM", 3},
    {"PTSALE_TEMP", 5},         {"ASMPROD_MASTER", 28},       {"ASMPROD_TARSUB", 49},
    {"ASMPROD_SRCSUB", 47},     {"ASMPROD_NUM", 3},           {"OPENPROD_MASTER", 30},
    {"OPENPROD_TARSUB", 49},    {"OPENPROD_SRCSUB", 47},      {"OPENPROD_NUM", 3},
    {"PROD_BOM", 21},           {"PROD_WORK", 13},            {"FIXBILL_MASTER", 50},
    {"FIXBILL_DETAIL", 64},     {"FIXBILL_NUM", 3},           {"CUSTORDER_PLUS", 12},
    {"CUSTSALE_PLUS", 12},      {"CUSTSALEBK_PLUS", 12},      {"CUSTSALEDIS_PLUS", 12},
    {"PURCHASECOST_PLUS", 12},  {"POS_MASTER", 51},           {"POSBK_MASTER", 51},
    {"POS_MASTERD", 51},        {"POS_DETAIL", 67},           {"POSBK_DETAIL", 67},
    {"POS_DETAILD", 67},        {"POS_DETAIL_DET", 20},       {"POSBK_DETAIL_DET", 20},
    {"POS_CHECKOUT", 7},        {"POSBK_CHECKOUT", 7},        {"POS_CHECKOUTD", 7},
    {"PRODUCT_FORBOOK", 12},
};

TEST(SchemaData, CatalogueIsWhole) {
    const auto& tables = schema::catalogueTables();
    ASSERT_EQ(tables.size(), 76u);
    ASSERT_EQ(kColumnCounts.size(), 76u);
    std::set<std::string> tableNames, indexNames;
    for (const auto& t : tables) {
        SCOPED_TRACE(t.name);
        EXPECT_TRUE(tableNames.insert(t.name).second) << "table twice";
        ASSERT_TRUE(kColumnCounts.count(t.name));
        EXPECT_EQ(t.columns.size(), kColumnCounts.at(t.name));
        EXPECT_NO_THROW(schema::createTableSql(t));
        std::set<std::string> columns;
        for (const auto& c : t.columns)
            EXPECT_TRUE(columns.insert(c.name).second) << c.name << " twice";
        for (const auto& k : t.primaryKey)
            EXPECT_TRUE(t.has(k)) << "key " << k;
        for (const auto& ix : t.indices) {
            EXPECT_TRUE(indexNames.insert(ix.name).second) << ix.name << " twice";
            for (const auto& c : ix.columns)
                EXPECT_TRUE(t.has(c)) << ix.name << " on " << c;
        }
    }
    EXPECT_THROW(schema::catalogueTable("PRODUCT"), std::out_of_range); // a base table

    // The run list: steps 1 to 57; every table created once; 133 additions
    // to 41 tables; the five probed indices named nowhere else.
    const auto& steps = schema::runList();
    ASSERT_EQ(steps.size(), 57u);
    std::map<std::string, int> created;
    std::set<std::string> addedTo;
    std::size_t additions = 0;
    for (std::size_t i = 0; i < steps.size(); ++i) {
        EXPECT_EQ(steps[i].number, int(i + 1));
        for (const auto& a : steps[i].actions) {
            using K = schema::Action::Kind;
            if (a.kind == K::CreateTable)
                ++created[a.table];
            if (a.kind == K::AddColumn || a.kind == K::AddColumnIfTable) {
                ++additions;
                addedTo.insert(a.table);
                EXPECT_NO_THROW(schema::parseColumn(a.column)) << a.column;
            }
            if (a.kind == K::IndexIfAbsent)
                EXPECT_TRUE(indexNames.insert(a.index.name).second) << a.index.name;
        }
    }
    EXPECT_EQ(created.size(), 76u);
    for (const auto& [name, times] : created) {
        EXPECT_TRUE(tableNames.count(name)) << name;
        EXPECT_EQ(times, 1) << name;
    }
    EXPECT_EQ(additions, 133u);
    EXPECT_EQ(addedTo.size(), 41u);

    // What follows creation: rows, descriptions, the payment-line triggers.
    EXPECT_EQ(schema::catalogueTable("TRANS_ITEM").after.size(), 3u);
    for (const char* t : {"CUSTORDER_PLUS", "CUSTSALE_PLUS", "CUSTSALEBK_PLUS"})
        EXPECT_EQ(schema::catalogueTable(t).after.size(), 11u) << t;
    for (const char* t : {"CUSTSALEDIS_PLUS", "PURCHASECOST_PLUS"})
        EXPECT_TRUE(schema::catalogueTable(t).after.empty()) << t;
    const auto& cost = schema::catalogueTable("PURCHASECOST_MASTER").after;
    ASSERT_EQ(cost.size(), 2u);
    EXPECT_EQ(cost[0].sql.rfind("ALTER TRIGGER PAY_SUB_TRGDEL1 ACTIVE BEFORE DELETE POSITION 0", 0),
              0u);
    EXPECT_EQ(cost[1].sql.rfind("ALTER TRIGGER PAY_SUB_TRGINS1 ACTIVE AFTER INSERT POSITION 0", 0),
              0u);
}

TEST(SchemaData, ScriptsSplitAtTheirTerminator) {
    auto s = schema::splitScript("-- a comment\nCREATE TABLE A (X INTEGER);\n\nSET TERM ^ ;\n"
                                 "CREATE TRIGGER T FOR A AS\nBEGIN\n  X = 1;\nEND^\n"
                                 "SET TERM ; ^\nINSERT INTO A VALUES (1);\n");
    ASSERT_EQ(s.size(), 3u);
    EXPECT_EQ(s[0], "CREATE TABLE A (X INTEGER)");
    EXPECT_EQ(s[1], "CREATE TRIGGER T FOR A AS\nBEGIN\nX = 1;\nEND");
    EXPECT_EQ(s[2], "INSERT INTO A VALUES (1)");
    EXPECT_GT(schema::baseSchemaStatements().size(), 50u);
}

// ---------------------------------------------------------------------------
// Upgrades on Firebird.

struct ColumnInfo {
    std::string name;
    int type;   // RDB$FIELD_TYPE: 37 VARCHAR, 14 CHAR, 8 INTEGER, 27 DOUBLE PRECISION
    int length; // characters
    bool notNull;
    std::string description;
};

int typeCode(schema::ColumnType t) {
    switch (t) {
    case schema::ColumnType::Varchar:
        return 37;
    case schema::ColumnType::Char:
        return 14;
    case schema::ColumnType::Integer:
        return 8;
    case schema::ColumnType::Double:
        return 27;
    }
    return 0;
}

class Upgrade : public ::testing::Test {
  protected:
    // An upgrade with its report kept whatever happens; the server's message,
    // when it rejected a statement, goes to *error.
    static schema::UpgradeReport run(const TestDatabase& db, const schema::Editions& e = {},
                                     std::string* error = nullptr) {
        db::Connection c;
        c.params() = db.params();
        db::Query q1(&c), q2(&c);
        schema::LiveSchema live(q1, q2);
        schema::UpgradeReport report;
        try {
            schema::Upgrader(live, report).upgrade(e);
        } catch (const db::DatabaseError& x) {
            if (!error)
                throw;
            *error = x.what();
        }
        return report;
    }

    // The statements an upgrade would run, from a plan.
    static std::vector<std::string> plan(const TestDatabase& db) {
        db::Connection c;
        c.params() = db.params();
        db::Query q1(&c), q2(&c);
        schema::LiveSchema live(q1, q2);
        schema::PlanSchema planned(live);
        schema::UpgradeReport report;
        schema::Upgrader(planned, report).upgrade({});
        return report.statements;
    }

    // The columns of every relation whose name matches the pattern, in order.
    static std::map<std::string, std::vector<ColumnInfo>> allColumns(const TestDatabase& db,
                                                                     const std::string& like) {
        std::map<std::string, std::vector<ColumnInfo>> out;
        for (const auto& r :
             db.rows("SELECT RF.RDB$RELATION_NAME, RF.RDB$FIELD_NAME, F.RDB$FIELD_TYPE, "
                     "COALESCE(F.RDB$CHARACTER_LENGTH, 0), COALESCE(RF.RDB$NULL_FLAG, 0), "
                     "COALESCE(RF.RDB$DESCRIPTION, '') FROM RDB$RELATION_FIELDS RF "
                     "JOIN RDB$FIELDS F ON F.RDB$FIELD_NAME = RF.RDB$FIELD_SOURCE "
                     "WHERE RF.RDB$RELATION_NAME LIKE '" +
                     like + "' ORDER BY RF.RDB$RELATION_NAME, RF.RDB$FIELD_POSITION"))
            out[r[0]].push_back({r[1], std::stoi(r[2]), std::stoi(r[3]), r[4] == "1", r[5]});
        return out;
    }
    static std::vector<ColumnInfo> columns(const TestDatabase& db, const std::string& table) {
        return allColumns(db, table + "%")[table]; // the names are blank-padded
    }
    static std::vector<std::string> names(const std::vector<ColumnInfo>& cols) {
        std::vector<std::string> out;
        for (const auto& c : cols)
            out.push_back(c.name);
        return out;
    }
    static ColumnInfo column(const TestDatabase& db, const std::string& table,
                             const std::string& name) {
        for (const auto& c : columns(db, table))
            if (c.name == name)
                return c;
        return {};
    }
    static bool exists(const TestDatabase& db, const std::string& table) {
        return !db.scalar("SELECT 1 FROM RDB$RELATIONS WHERE RDB$RELATION_NAME = '" + table + "'")
                    .empty();
    }
    using Indices = std::map<std::string, std::vector<std::string>>;
    // Per relation: index name to its columns, for the indices that back no
    // constraint.
    static std::map<std::string, Indices> allIndices(const TestDatabase& db) {
        std::map<std::string, Indices> out;
        for (const auto& r : db.rows(
                 "SELECT I.RDB$RELATION_NAME, I.RDB$INDEX_NAME, S.RDB$FIELD_NAME, "
                 "COALESCE(I.RDB$UNIQUE_FLAG, 0) FROM RDB$INDICES I JOIN RDB$INDEX_SEGMENTS S "
                 "ON S.RDB$INDEX_NAME = I.RDB$INDEX_NAME WHERE COALESCE(I.RDB$SYSTEM_FLAG, 0) = 0 "
                 "AND NOT EXISTS (SELECT 1 FROM RDB$RELATION_CONSTRAINTS C WHERE "
                 "C.RDB$INDEX_NAME = I.RDB$INDEX_NAME) ORDER BY I.RDB$INDEX_NAME, "
                 "S.RDB$FIELD_POSITION")) {
            EXPECT_EQ(r[3], "0") << r[1] << " is unique";
            out[r[0]][r[1]].push_back(r[2]);
        }
        return out;
    }
    static Indices indices(const TestDatabase& db, const std::string& table) {
        return allIndices(db)[table];
    }
    // Per relation: the primary key's columns.
    static std::map<std::string, std::vector<std::string>> primaryKeys(const TestDatabase& db) {
        std::map<std::string, std::vector<std::string>> out;
        for (const auto& r :
             db.rows("SELECT C.RDB$RELATION_NAME, S.RDB$FIELD_NAME FROM RDB$RELATION_CONSTRAINTS "
                     "C JOIN RDB$INDEX_SEGMENTS S ON S.RDB$INDEX_NAME = C.RDB$INDEX_NAME WHERE "
                     "C.RDB$CONSTRAINT_TYPE = 'PRIMARY KEY' ORDER BY C.RDB$RELATION_NAME, "
                     "S.RDB$FIELD_POSITION"))
            out[r[0]].push_back(r[1]);
        return out;
    }
};

const char* const kChargeDescriptions[][2] = {
    {"MASTERBILLID", "單據編號"}, {"KEYINTIME", "輸入時間"}, {"PLUS_ITEMID", "項目代號"},
    {"PLUS_ITEMNAME", "項目名稱"}, {"P_M", "正負"},          {"V_PLUS_AMT", "金額"},
    {"PLUS_AMT", "實際額"},       {"PLUS_REMARK", "備註"},    {"U_RATE", "乘率%"},
    {"ACCOUNT_ID", "科目代號"},   {"ACCOUNT_NAME", "科目名稱"}};

TEST_F(Upgrade, EveryTableOfTheCatalogueIsCreatedAsDefined) {
    TestDatabase db; // the base tables after one upgrade
    // Columns that passes and additions of the same run append.
    const std::map<std::string, std::vector<std::string>> appended = {
        {"PSALE_MASTER", {"AGREE_USER"}},
        {"PTSALE_MASTER", {"AGREE_USER"}},
        {"POS_MASTER", {"IC_SURPLUS"}},
        {"POSBK_MASTER", {"IC_SURPLUS"}},
        {"POS_MASTERD", {"IC_SURPLUS"}},
        {"ASMPROD_MASTER", {"SOURCE_TYPE", "SOURCE_ID"}}};
    std::map<std::string, std::string> charges;
    for (const auto& [c, d] : kChargeDescriptions)
        charges[c] = d;
    auto everyColumn = allColumns(db, "%");
    auto everyIndex = allIndices(db);
    auto keys = primaryKeys(db);
    for (const auto& t : schema::catalogueTables()) {
        SCOPED_TRACE(t.name);
        const auto& cols = everyColumn[t.name];
        auto extra = appended.count(t.name) ? appended.at(t.name) : std::vector<std::string>{};
        ASSERT_EQ(cols.size(), t.columns.size() + extra.size());
        bool described = t.name == "CUSTORDER_PLUS" || t.name == "CUSTSALE_PLUS" ||
                         t.name == "CUSTSALEBK_PLUS";
        for (std::size_t i = 0; i < t.columns.size(); ++i) {
            const auto& want = t.columns[i];
            const auto& got = cols[i];
            EXPECT_EQ(got.name, want.name);
            EXPECT_EQ(got.type, typeCode(want.type)) << want.name;
            // The base PRODUCT's PROD_SCALE is narrow, so the run widened them all.
            int length = want.name == "PROD_SCALE" ? 100 : want.length;
            if (want.type == schema::ColumnType::Varchar || want.type == schema::ColumnType::Char)
                EXPECT_EQ(got.length, length) << want.name;
            EXPECT_EQ(got.notNull, want.notNull) << want.name;
            std::string description =
                described && charges.count(want.name) ? charges.at(want.name) : "";
            EXPECT_EQ(got.description, description) << want.name;
        }
        for (std::size_t i = 0; i < extra.size(); ++i)
            EXPECT_EQ(cols[t.columns.size() + i].name, extra[i]);
        EXPECT_EQ(keys[t.name], t.primaryKey);
        Indices wanted;
        for (const auto& ix : t.indices)
            wanted[ix.name] = ix.columns;
        EXPECT_EQ(everyIndex[t.name], wanted);
    }
    // The probed indices on the base sales masters.
    EXPECT_EQ(everyIndex["CUSTSALE_MASTER"],
              (Indices{
                  {"IX_CUSTSALE_MASTER0", {"CR_DATETIME"}},
                  {"IX_CUSTSALE_MASTER1", {"MASTERBILLID"}},
                  {"IX_CUSTSALE_MASTER2", {"BILL_DATE"}}}));
    EXPECT_EQ(everyIndex["CUSTSALEBK_MASTER"].size(), 2u);
    // Additions to base tables land after their older columns, in step order.
    auto product = names(everyColumn["PRODUCT"]);
    EXPECT_EQ(std::vector<std::string>(product.end() - 6, product.end()),
              (std::vector<std::string>{"SELECT_YN", "P_PU", "SEC_DIS", "PR_VALUE", "COMMI_ID",
                                        "HEA_TAX"}));
    auto pay = names(everyColumn["PAY_MASTER"]);
    EXPECT_EQ(std::vector<std::string>(pay.end() - 7, pay.end()),
              (std::vector<std::string>{"AGREE_USER", "INVOICE_CLASS", "INVOICE_DATE",
                                        "INVOICE_NUM", "INVOICE_TOTAMT", "INVOICE_TAXAMT",
                                        "INVOICE_NETAMT"}));
    EXPECT_EQ(column(db, "PAY_MASTER", "INVOICE_TOTAMT").description, "發票金額");
    EXPECT_EQ(column(db, "PURCHASE_MASTER", "INVOICE_NETAMT").description, "發票淨額");
    EXPECT_EQ(column(db, "PURCHASE_MASTER", "AGREE_USER").length, 10);
}

TEST_F(Upgrade, SeedRowsAreInsertedAndExistingRowsKeepTheirValues) {
    TestDatabase db;
    EXPECT_EQ(db.rows("SELECT PARAM_TYPE, ORD_SEQ, PARAM_NAME, PARAM_VALUE, PARAM_REMARK, "
                      "READONLY_YN, WUID FROM PARAM_DEFINE WHERE PARAM_ID = 'v_name_modify'"),
              (Rows{{"基本設定", "14", "單據品名修改", "0", "原則:0,可修改 1,不可修改", "N",
                     schema::kSeedOwner}}));
    EXPECT_EQ(db.rows("SELECT PARAM_TYPE, ORD_SEQ, PARAM_VALUE, READONLY_YN FROM PARAM_DEFINE "
                      "WHERE PARAM_ID IN ('inventories', 'in_taxflag') ORDER BY ORD_SEQ"),
              (Rows{{"進項設定", "10", "1", "N"}, {"會計設定", "21", "1130", "Y"}}));
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM PARAM_DEFINE"), "9");
    EXPECT_EQ(db.rows("SELECT ITEM_NO, ITEM_NAME, PARENT_NO, LINK_MODULE, SEQ, U_YN, FILE_NAME, "
                      "DEF_ACT, WINFORMNAME, WINFILENAME, MAINFLAG FROM SYS_MENU WHERE ITEM_NO IN "
                      "(130, 150) ORDER BY ITEM_NO"),
              (Rows{{"130", "拆解加工", "14", "openwork", "10", "Y", "<null>", "<null>",
                     "FormOpenWork", "<null>", "AI"},
                    {"150", "再加工外送單", "3", "reworkorder", "9", "Y", "<null>", "<null>",
                     "FormReworkOrder", "<null>", "AI"}}));
    // Items 129 to 133 and 144 to 152; the brenmoor items only with that folder.
    EXPECT_EQ(db.scalar("SELECT LIST(ITEM_NO, ',') FROM (SELECT ITEM_NO FROM SYS_MENU ORDER BY "
                        "ITEM_NO)"),
              "129,130,131,132,133,144,145,146,147,148,149,150,151,152");
    EXPECT_EQ(db.rows("SELECT ITEM_NO, ITEM_NAME, PARENT_NO, LINK_MODULE, SEQ, U_YN FROM "
                      "REPORT_MENU ORDER BY ITEM_NO"),
              (Rows{{"1002010", "專案別應收帳款統計表", "1002", "", "10", "Y"},
                    {"1002011", "單據餘額未收分析表", "1002", "", "11", "Y"},
                    {"1002012", "員工收款沖帳統計表", "1002", "", "12", "Y"}}));
    EXPECT_EQ(db.rows("SELECT MAINFLAG, FLAG, NAME, MAINTABLE, DETAILTABLE FROM BILL_FLAGITEM"),
              (Rows{{"BC", "YA", "維修單", "FIXBILL_MASTER", "FIXBILL_DETAIL"}}));
    EXPECT_EQ(db.rows("SELECT TRANS_ID, TRANS_NAME, WUID FROM TRANS_ITEM ORDER BY TRANS_ID"),
              (Rows{{"001", "MAIL", "<null>"},
                    {"002", "ftp://localhost", "<null>"},
                    {"003", "其他", "<null>"}}));

    // A row that exists keeps whatever it holds; voucher lines without an
    // amount of their own get AMOUNT.
    db.exec("UPDATE PARAM_DEFINE SET PARAM_VALUE = '1' WHERE PARAM_ID = 'v_name_modify'");
    db.exec("UPDATE SYS_MENU SET ITEM_NAME = '我的', MAINFLAG = NULL WHERE ITEM_NO = 129");
    db.exec("UPDATE REPORT_MENU SET SEQ = '99' WHERE ITEM_NO = '1002010'");
    db.exec("UPDATE BILL_FLAGITEM SET NAME = '修理'");
    db.exec("DELETE FROM TRANS_ITEM");
    db.exec("INSERT INTO ACCOUNTVOUCHER_DETAIL (MASTERBILLID, AMOUNT) VALUES ('V1', 10)");
    db.exec("INSERT INTO ACCOUNTVOUCHER_DETAIL (MASTERBILLID, AMOUNT, V_AMOUNT) VALUES ('V2', 5, 7)");
    auto report = run(db);
    EXPECT_TRUE(report.seedRows.empty());
    EXPECT_EQ(db.scalar("SELECT PARAM_VALUE FROM PARAM_DEFINE WHERE PARAM_ID = 'v_name_modify'"),
              "1");
    EXPECT_EQ(db.rows("SELECT ITEM_NAME, MAINFLAG FROM SYS_MENU WHERE ITEM_NO = 129"),
              (Rows{{"我的", "<null>"}}));
    EXPECT_EQ(db.scalar("SELECT SEQ FROM REPORT_MENU WHERE ITEM_NO = '1002010'"), "99");
    EXPECT_EQ(db.scalar("SELECT NAME FROM BILL_FLAGITEM"), "修理");
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM TRANS_ITEM"), "0"); // its table existed
    EXPECT_EQ(db.rows("SELECT MASTERBILLID, V_AMOUNT FROM ACCOUNTVOUCHER_DETAIL ORDER BY 1"),
              (Rows{{"V1", "10"}, {"V2", "7"}}));
}

TEST_F(Upgrade, ASecondRunCreatesNothingAndAddsOnlyTheLateInvoiceAmounts) {
    TestDatabase db;
    db.exec("INSERT INTO EMPLOYEE (EMPLOYEE_ID, EMPLOYEE_NAME) VALUES ('E1', '甲')");
    db.exec("INSERT INTO EMPLOYEE (EMPLOYEE_ID, ACTIVE_YN) VALUES ('E2', 'N')");
    db.exec("COMMENT ON COLUMN PAY_MASTER.INVOICE_TOTAMT IS 'changed'");
    EXPECT_EQ(column(db, "INVOICE_MASTER", "INVOICE_TOTAMT").description, "");

    auto planned = plan(db);
    auto second = run(db);
    EXPECT_EQ(second.statements, planned);
    EXPECT_TRUE(second.tablesCreated.empty());
    EXPECT_TRUE(second.indicesCreated.empty());
    EXPECT_TRUE(second.seedRows.empty());
    EXPECT_TRUE(second.adderFailures.empty());
    EXPECT_EQ(second.columnsAdded,
              (std::vector<std::string>{
                  "INVOICE_SUB.INVOICE_TOTAMT", "INVOICE_SUB.INVOICE_TAXAMT",
                  "INVOICE_SUB.INVOICE_NETAMT", "OUTVOICEBOOK.INVOICE_TOTAMT",
                  "OUTVOICEBOOK.INVOICE_TAXAMT", "OUTVOICEBOOK.INVOICE_NETAMT",
                  "OUTVOICE_SUB.INVOICE_TOTAMT", "OUTVOICE_SUB.INVOICE_TAXAMT",
                  "OUTVOICE_SUB.INVOICE_NETAMT"})); // relations in name order
    EXPECT_EQ(db.rows("SELECT EMPLOYEE_ID, ACTIVE_YN FROM EMPLOYEE ORDER BY 1"),
              (Rows{{"E1", "Y"}, {"E2", "N"}}));
    EXPECT_EQ(column(db, "PAY_MASTER", "INVOICE_TOTAMT").description, "發票金額");
    EXPECT_EQ(column(db, "INVOICE_MASTER", "INVOICE_TOTAMT").description, "發票金額");
    EXPECT_EQ(column(db, "OUTVOICE_SUB", "INVOICE_TAXAMT").description, "發票稅額");
    auto outvoice = names(columns(db, "OUTVOICE_SUB"));
    EXPECT_EQ(std::vector<std::string>(outvoice.end() - 4, outvoice.end()),
              (std::vector<std::string>{"PROJ_ID", "INVOICE_TOTAMT", "INVOICE_TAXAMT",
                                        "INVOICE_NETAMT"}));
    auto invoice = names(columns(db, "INVOICE_SUB"));
    EXPECT_EQ(invoice[invoice.size() - 4], "WUID");

    // From then on nothing but the statements that run every time.
    auto third = run(db);
    EXPECT_TRUE(third.columnsAdded.empty());
    for (const auto& s : third.statements)
        EXPECT_TRUE(s.rfind("COMMENT ON COLUMN ", 0) == 0 || s.rfind("UPDATE ", 0) == 0 ||
                    s.rfind("ALTER TRIGGER TRG_BANK_IO_", 0) == 0)
            << s;
}

TEST_F(Upgrade, APlanRunsNothingAndIsWhatTheUpgradeThenRuns) {
    TestDatabase db(testdata::Schema::Base);
    auto planned = plan(db);
    EXPECT_FALSE(exists(db, "PRODUCT_PLACE"));
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM PARAM_DEFINE"), "0");
    auto report = run(db);
    EXPECT_EQ(report.statements, planned);
    EXPECT_EQ(report.tablesCreated.size(), 76u);
    EXPECT_TRUE(report.adderFailures.empty());
    ASSERT_FALSE(planned.empty());
    EXPECT_EQ(planned.front().rfind("CREATE TABLE PRODUCT_PLACE (", 0), 0u);
    EXPECT_EQ(planned.back(), "UPDATE ACCOUNTVOUCHER_DETAIL set V_AMOUNT=AMOUNT where V_AMOUNT is null ");
}

TEST_F(Upgrade, ARelationThatIsAViewCountsAsPresent) {
    TestDatabase db(testdata::Schema::Base);
    db.exec("CREATE VIEW PRODUCT_PLACE (PRODUCTION_PLACE) AS SELECT PRODUCTION_PLACE FROM PRODUCT");
    db.exec("CREATE VIEW OPEN_PURCHASES (MASTERBILLID, INVOICE_CLASS, AGREE_YN) AS SELECT "
            "MASTERBILLID, INVOICE_CLASS, AGREE_YN FROM PURCHASE_MASTER");
    auto report = run(db);
    EXPECT_EQ(report.tablesCreated.size(), 75u);
    EXPECT_TRUE(indices(db, "PRODUCT_PLACE").empty());
    // A view takes no column: the additions fail quietly, and no description
    // is written for a column that is not there.
    std::set<std::string> failed;
    for (const auto& [what, why] : report.adderFailures)
        failed.insert(what);
    EXPECT_EQ(failed, (std::set<std::string>{"OPEN_PURCHASES.AGREE_USER",
                                             "OPEN_PURCHASES.INVOICE_TOTAMT",
                                             "OPEN_PURCHASES.INVOICE_TAXAMT",
                                             "OPEN_PURCHASES.INVOICE_NETAMT"}));
    for (const auto& s : report.statements)
        EXPECT_EQ(s.find("COMMENT ON COLUMN OPEN_PURCHASES"), std::string::npos) << s;
    EXPECT_EQ(report.statements.back(),
              "UPDATE ACCOUNTVOUCHER_DETAIL set V_AMOUNT=AMOUNT where V_AMOUNT is null ");
}

TEST_F(Upgrade, ProdScaleIsWidenedEverywhereOnlyWhileTheProductsColumnIsNarrow) {
    struct Case {
        const char* before; // statement run on the base database first
        int product, sales, receipts;
    } cases[] = {
        {nullptr, 100, 100, 100},
        {"ALTER TABLE PRODUCT ALTER PROD_SCALE TYPE VARCHAR(99)", 100, 100, 100},
        {"ALTER TABLE PRODUCT ALTER PROD_SCALE TYPE VARCHAR(100)", 100, 30, 30},
        {"ALTER TABLE PRODUCT ALTER PROD_SCALE TYPE VARCHAR(120)", 120, 30, 30},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.before ? c.before : "base");
        TestDatabase db(testdata::Schema::Base);
        if (c.before)
            db.exec(c.before);
        run(db);
        EXPECT_EQ(column(db, "PRODUCT", "PROD_SCALE").length, c.product);
        EXPECT_EQ(column(db, "CUSTSALE_DETAIL", "PROD_SCALE").length, c.sales);
        EXPECT_EQ(column(db, "POS_DETAIL", "PROD_SCALE").length, c.receipts);
        EXPECT_EQ(column(db, "INQUIRY_DETAIL", "PROD_SCALE").length, 100);
    }
}

TEST_F(Upgrade, TheFirstRejectedStatementEndsTheRunAndWhatRanStays) {
    TestDatabase db(testdata::Schema::Base);
    db.exec("DROP TABLE CUSTSALE_MASTER");
    std::string error;
    auto report = run(db, {}, &error);
    EXPECT_NE(error.find("CUSTSALE_MASTER"), std::string::npos) << error;
    EXPECT_EQ(report.statements.back(),
              "CREATE INDEX IX_CUSTSALE_MASTER0 ON CUSTSALE_MASTER (CR_DATETIME)");
    EXPECT_TRUE(exists(db, "POS_CHECKOUTD")); // step 28
    EXPECT_FALSE(exists(db, "FIXBILL_MASTER")); // step 30
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM PARAM_DEFINE"), "0");
    // The additions to the missing table failed quietly on the way.
    EXPECT_FALSE(report.adderFailures.empty());
    EXPECT_EQ(report.adderFailures.front().first, "CUSTSALE_MASTER.PAYMENT_CLASSID");

    // Through the data module: the connect fails with the server's message,
    // and neither the settings load nor the clean-up runs.
    db.exec("INSERT INTO PROD_CHGDATA (FLAG_ID, MASTERBILLID) VALUES ('EB', 'X1')");
    text::writeFile(db.folder() + "dbconfig.txt", db.configText());
    testdata::ScriptedPrompts prompts;
    TSimpleDataMod m(db.folder(), {"u"}, &prompts);
    try {
        m.LoadParam("price_dot");
        ADD_FAILURE() << "the connect should have failed";
    } catch (const db::DatabaseError& e) {
        EXPECT_NE(std::string(e.what()).find("CUSTSALE_MASTER"), std::string::npos);
    }
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM PROD_CHGDATA"), "1");
    EXPECT_EQ(m.upgradeReport().statements.back(),
              "CREATE INDEX IX_CUSTSALE_MASTER0 ON CUSTSALE_MASTER (CR_DATETIME)");
}

TEST_F(Upgrade, EditionsDecideWhatRuns) {
    // quillon and tolvane in the path, and a brenmoor folder inside it.
    {
        TestDatabase db;
        db.exec("INSERT INTO SYS_MENU (ITEM_NO, ITEM_NAME, WINFORMNAME) VALUES (31, '進貨', 'F31')");
        db.exec("INSERT INTO SYS_MENU (ITEM_NO, ITEM_NAME, WINFORMNAME) VALUES (36, '銷貨', 'F36')");
        std::string app = db.folder() + "Quillon-Tolvane/";
        std::filesystem::create_directories(app + "brenmoor");
        text::writeFile(app + "dbconfig.txt", db.configText());
        testdata::ScriptedPrompts prompts;
        TSimpleDataMod m(app, {"U"}, &prompts);
        m.LoadParam("price_dot"); // connects, and so upgrades
        EXPECT_EQ(db.rows("SELECT ITEM_NO, WINFORMNAME FROM SYS_MENU WHERE ITEM_NO IN (31, 36) "
                          "ORDER BY 1"),
                  (Rows{{"31", "FormPurchaseTire"}, {"36", "FormCustWorkSale"}}));
        EXPECT_EQ(db.scalar("SELECT LIST(ITEM_NO, ',') FROM (SELECT ITEM_NO FROM REPORT_MENU "
                            "ORDER BY ITEM_NO)"),
                  "1002010,1002011,1002012,1007007,1007008,1009016");
        EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM SYS_MENU WHERE ITEM_NO BETWEEN 134 AND 143"),
                  "10");
        EXPECT_EQ(db.rows("SELECT LINK_MODULE, WINFORMNAME, MAINFLAG FROM SYS_MENU WHERE "
                          "ITEM_NO = 134"),
                  (Rows{{"", "<null>", "<null>"}}));
        // This database has no work-order tables: the brenmoor column fails quietly.
        ASSERT_EQ(m.upgradeReport().adderFailures.size(), 1u);
        EXPECT_EQ(m.upgradeReport().adderFailures[0].first, "CUSTWORKQUOTE_DETAIL.MATERIAL_PRICE");
    }
    // vantrel (here with quillon too): the work-order additions and the
    // voucher amounts only.
    {
        TestDatabase db(testdata::Schema::Base);
        db.exec("INSERT INTO SYS_MENU (ITEM_NO, WINFORMNAME) VALUES (36, 'F36')");
        db.exec("INSERT INTO ACCOUNTVOUCHER_DETAIL (MASTERBILLID, AMOUNT) VALUES ('V1', 12.5)");
        std::string app = db.folder() + "vantrel_quillon/";
        std::filesystem::create_directories(app);
        text::writeFile(app + "dbconfig.txt", db.configText());
        testdata::ScriptedPrompts prompts;
        TSimpleDataMod m(app, {"u"}, &prompts);
        m.LoadParam("price_dot");
        const auto& r = m.upgradeReport();
        EXPECT_TRUE(r.tablesCreated.empty());
        EXPECT_TRUE(r.seedRows.empty());
        EXPECT_FALSE(exists(db, "PRODUCT_PLACE"));
        EXPECT_EQ(db.scalar("SELECT WINFORMNAME FROM SYS_MENU WHERE ITEM_NO = 36"), "F36");
        EXPECT_EQ(r.columnsAdded,
                  (std::vector<std::string>{
                      "CUSTSALE_MASTER.JOINBILLID", "CUSTSALE_DETAIL.JOINBILLID",
                      "ACCOUNTVOUCHER_DETAIL.V_AMOUNT", "CUSTSALE_DETAIL.OBJECT_NAME",
                      "CUSTSALE_DETAIL.MATERIAL_ID", "CUSTSALE_DETAIL.MATERIAL_NAME",
                      "CUSTSALE_DETAIL.PROTECTORITEM_ID", "CUSTSALE_DETAIL.WORKPROCESS_ID",
                      "CUSTSALE_DETAIL.WORKPROCESS_REMARK", "CUSTSALE_DETAIL.OBJECT_WIDTH",
                      "CUSTSALE_DETAIL.OBJECT_HEIGHT", "CUSTSALE_DETAIL.V_CBM",
                      "CUSTSALE_DETAIL.CBM"}));
        // The eight work-order tables it lacks fail quietly for JOINBILLID;
        // the guarded additions to them are not attempted.
        EXPECT_EQ(r.adderFailures.size(), 8u);
        EXPECT_EQ(column(db, "CUSTSALE_DETAIL", "OBJECT_NAME").length, 100);
        EXPECT_EQ(db.scalar("SELECT V_AMOUNT FROM ACCOUNTVOUCHER_DETAIL"), "12.5");
    }
}

TEST_F(Upgrade, PaymentLinesSettlePurchaseCostBills) {
    TestDatabase db;
    db.exec("INSERT INTO PURCHASECOST_MASTER (MASTERBILLID, SURPLUS, PAYED_AMT) VALUES ('C1', 500, 0)");
    db.exec("INSERT INTO PURCHASE_MASTER (MASTERBILLID, SURPLUS) VALUES ('P1', 300)");
    db.exec("INSERT INTO PURCHASEBK_MASTER (MASTERBILLID, SURPLUS, PAYED_AMT) VALUES ('N1', 200, 0)");
    auto bill = [&](const char* table, const char* id) {
        return db.rows(std::string("SELECT SURPLUS, PAYED_AMT FROM ") + table +
                       " WHERE MASTERBILLID = '" + id + "'")[0];
    };
    db.exec("INSERT INTO PAY_SUB (MASTERBILLID, TRAN_BILLID, FLAG_MARK, PATCH_AMT) VALUES "
            "('Y1', 'C1', 'C', 100)");
    EXPECT_EQ(bill("PURCHASECOST_MASTER", "C1"), (std::vector<std::string>{"400", "100"}));
    db.exec("DELETE FROM PAY_SUB WHERE MASTERBILLID = 'Y1'");
    EXPECT_EQ(bill("PURCHASECOST_MASTER", "C1"), (std::vector<std::string>{"500", "0"}));
    // A line without an amount counts as 0, and no amount becomes NULL.
    db.exec("INSERT INTO PAY_SUB (MASTERBILLID, TRAN_BILLID, FLAG_MARK) VALUES ('Y2', 'P1', 'P')");
    EXPECT_EQ(bill("PURCHASE_MASTER", "P1"), (std::vector<std::string>{"300", "0"}));
    // Returns: paying them back lowers the paid amount.
    db.exec("INSERT INTO PAY_SUB (MASTERBILLID, TRAN_BILLID, FLAG_MARK, PATCH_AMT) VALUES "
            "('Y3', 'N1', 'N', 50)");
    EXPECT_EQ(bill("PURCHASEBK_MASTER", "N1"), (std::vector<std::string>{"150", "-50"}));
}

TEST_F(Upgrade, AnExistingPurchaseCostTableLeavesThePaymentTriggersAlone) {
    TestDatabase db(testdata::Schema::Base);
    db.exec("CREATE TABLE PURCHASECOST_MASTER (MASTERBILLID VARCHAR(20), SURPLUS DOUBLE "
            "PRECISION, PAYED_AMT DOUBLE PRECISION)");
    auto report = run(db);
    EXPECT_EQ(report.triggersRedefined, (std::vector<std::string>{"TRG_BANK_IO_INS1",
                                                                   "TRG_BANK_IO_DEL1",
                                                                   "TRG_BANK_IO_UPD1"}));
    db.exec("INSERT INTO PURCHASECOST_MASTER VALUES ('C1', 500, 0)");
    db.exec("INSERT INTO PAY_SUB (MASTERBILLID, TRAN_BILLID, FLAG_MARK, PATCH_AMT) VALUES "
            "('Y1', 'C1', 'C', 100)");
    EXPECT_EQ(db.scalar("SELECT SURPLUS FROM PURCHASECOST_MASTER"), "500");
}

TEST_F(Upgrade, ProbesAndAddersOfTheDataModule) {
    TestDatabase db;
    text::writeFile(db.folder() + "dbconfig.txt", db.configText());
    testdata::ScriptedPrompts prompts;
    TSimpleDataMod m(db.folder(), {}, &prompts);

    EXPECT_TRUE(m.Search_Table("product"));
    EXPECT_FALSE(m.Search_Table("NO_SUCH_TABLE"));
    EXPECT_FALSE(m.Search_Table(std::string(300, 'A'))); // longer than any name: not found
    EXPECT_TRUE(m.Search_Index("ix_prod_place_0"));
    EXPECT_TRUE(m.Search_Index("IX_CUSTSALE_MASTER1"));
    EXPECT_FALSE(m.Search_Index("IX_NONE"));
    EXPECT_TRUE(m.Search_Trigger("pay_sub", "Pay_Sub_TrgIns1"));
    EXPECT_FALSE(m.Search_Trigger("BANK_IO", "PAY_SUB_TRGINS1")); // another table's trigger

    EXPECT_TRUE(m.TableIsEmpty("PRODUCT"));
    db.exec("INSERT INTO PRODUCT (PROD_ID, WUID) VALUES ('A', 'w')");
    db.exec("INSERT INTO PRODUCT (PROD_ID, WUID) VALUES ('B', 'w')");
    EXPECT_FALSE(m.TableIsEmpty("product"));
    EXPECT_THROW(m.TableIsEmpty("NO_SUCH_TABLE"), db::DatabaseError);
    EXPECT_THROW(m.TableIsEmpty("PRODUCT; DELETE FROM PRODUCT"), std::invalid_argument);

    // A probe replaces what the statement held.
    m.SQLQuery1.setSql("SELECT 1 FROM RDB$DATABASE");
    m.Search_Table("PRODUCT");
    EXPECT_EQ(m.SQLQuery1.sqlText().find("RDB$DATABASE"), std::string::npos);

    std::size_t ran = m.upgradeReport().statements.size();
    EXPECT_TRUE(m.Add_StrField("product", "note_x", "20"));
    EXPECT_EQ(column(db, "PRODUCT", "NOTE_X").length, 20);
    EXPECT_EQ(m.upgradeReport().statements.size(), ran + 1);
    EXPECT_TRUE(m.Add_StrField("PRODUCT", "NOTE_X", "40")); // there: nothing changes
    EXPECT_TRUE(m.Add_StrField("PRODUCT", "SALE_PRICE", "5")); // there, with another type
    EXPECT_TRUE(m.Add_DoubleField("PRODUCT", "PROD_NAME"));
    EXPECT_EQ(m.upgradeReport().statements.size(), ran + 1);
    EXPECT_EQ(column(db, "PRODUCT", "SALE_PRICE").type, 27);
    EXPECT_TRUE(m.Add_DoubleField("PRODUCT", "WEIGHT_X"));
    EXPECT_EQ(column(db, "PRODUCT", "WEIGHT_X").type, 27);

    // Failures answer false, raise nothing and are recorded.
    EXPECT_FALSE(m.Add_StrField("NO_SUCH_TABLE", "X", "5"));
    EXPECT_FALSE(m.Add_DoubleField("NO_SUCH_TABLE", "X"));
    EXPECT_FALSE(m.Add_StrField("PRODUCT", "Y", "5); DROP TABLE PRODUCT; --"));
    EXPECT_FALSE(m.Add_StrField("PRODUCT", "Y Z", "5"));
    const auto& failures = m.upgradeReport().adderFailures;
    ASSERT_EQ(failures.size(), 4u);
    EXPECT_EQ(failures[0].first, "NO_SUCH_TABLE.X");
    EXPECT_NE(failures[0].second.find("NO_SUCH_TABLE"), std::string::npos);
    EXPECT_TRUE(exists(db, "PRODUCT"));
}

// ---------------------------------------------------------------------------
// The triggers, proved by running documents through them.

struct Step {
    std::string sql;
    std::optional<Rows> after; // what the scenario's query reads after the statement
};
struct Scenario {
    std::string name;
    std::string query;
    std::vector<Step> steps;
};

const char* const kStock = "SELECT PROD_ID, STOCK_ID, NOW_QTY FROM STORE_QTY ORDER BY 1, 2";
const char* const kStockSetup =
    "INSERT INTO STORE_QTY (PROD_ID, STOCK_ID, NOW_QTY) SELECT 'P1', 'A', 10 FROM RDB$DATABASE "
    "UNION ALL SELECT 'P1', 'B', 0 FROM RDB$DATABASE UNION ALL SELECT 'P2', 'A', 20 FROM "
    "RDB$DATABASE";
Rows stock(const char* p1a, const char* p1b, const char* p2a) {
    return {{"P1", "A", p1a}, {"P1", "B", p1b}, {"P2", "A", p2a}};
}

// Target lines add their quantity, source lines take theirs: the same cases
// for the assembly and the breakdown bills.
std::vector<Scenario> billScenarios(const std::string& bill) {
    std::string tar = bill + "_TARSUB", src = bill + "_SRCSUB";
    auto ins = [](const std::string& t, const char* col, const char* values) {
        return "INSERT INTO " + t + " (MASTERBILLID, PROD_ID, STOCK_ID, " + col + ") VALUES (" +
               values + ")";
    };
    return {
        {"target line of 5 on 10, then deleted", kStock,
         {{kStockSetup, stock("10", "0", "20")},
          {ins(tar, "QTY", "'B1', 'P1', 'A', 5"), stock("15", "0", "20")},
          {"DELETE FROM " + tar, stock("10", "0", "20")}}},
        {"target line moved from 5 at A to 7 at B", kStock,
         {{kStockSetup, {}},
          {ins(tar, "QTY", "'B1', 'P1', 'A', 5"), stock("15", "0", "20")},
          {"UPDATE " + tar + " SET QTY = 7, STOCK_ID = 'B'", stock("10", "7", "20")},
          {"UPDATE " + tar + " SET PROD_ID = 'P2', STOCK_ID = 'A'", stock("10", "0", "27")}}},
        {"target line without a quantity", kStock,
         {{kStockSetup, {}},
          {ins(tar, "QTY", "'B1', 'P1', 'A', NULL"), stock("10", "0", "20")},
          {"UPDATE " + tar + " SET QTY = 5", stock("15", "0", "20")},
          {"UPDATE " + tar + " SET QTY = NULL", stock("10", "0", "20")}}},
        {"target line of a product and place without a stock row", kStock,
         {{kStockSetup, {}},
          {ins(tar, "QTY", "'B1', 'P9', 'A', 5"), stock("10", "0", "20")},
          {ins(tar, "QTY", "'B1', 'P1', 'Z', 5"), stock("10", "0", "20")},
          {"DELETE FROM " + tar, stock("10", "0", "20")}}},
        {"source lines take their quantity", kStock,
         {{kStockSetup, {}},
          {ins(src, "RU_QTY", "'B1', 'P1', 'A', 3"), stock("7", "0", "20")},
          {"UPDATE " + src + " SET PROD_ID = 'P2'", stock("10", "0", "17")},
          {"UPDATE " + src + " SET RU_QTY = NULL", stock("10", "0", "20")},
          {"UPDATE " + src + " SET RU_QTY = 5", stock("10", "0", "15")},
          {"DELETE FROM " + src, stock("10", "0", "20")}}},
    };
}

std::vector<Scenario> scenarios() {
    std::vector<Scenario> all;
    for (const char* bill : {"ASMPROD", "OPENPROD"})
        for (auto& s : billScenarios(bill))
            all.push_back(std::move(s));
    const char* pos = "INSERT INTO POS_DETAIL (MASTERBILLID, PROD_ID, STOCK_ID, QTY, STK_QTY_YN) ";
    all.push_back({"sale lines move stock only when flagged Y", kStock,
                   {{kStockSetup, {}},
                    {std::string(pos) + "VALUES ('S1', 'P1', 'A', 2, 'N')", stock("10", "0", "20")},
                    {std::string(pos) + "VALUES ('S2', 'P1', 'A', 4, NULL)", stock("10", "0", "20")},
                    {std::string(pos) + "VALUES ('S3', 'P1', 'A', 1, 'y')", stock("10", "0", "20")},
                    {"UPDATE POS_DETAIL SET STK_QTY_YN = 'Y' WHERE MASTERBILLID = 'S1'",
                     stock("8", "0", "20")},
                    {std::string(pos) + "VALUES ('S4', 'P2', 'A', 3, 'Y')", stock("8", "0", "17")},
                    {"UPDATE POS_DETAIL SET STOCK_ID = 'B' WHERE MASTERBILLID = 'S4'",
                     stock("8", "0", "20")},
                    {"DELETE FROM POS_DETAIL", stock("10", "0", "20")}}});
    const char* rework =
        "INSERT INTO REWORKORDER_DETAIL (MASTERBILLID, PROD_ID, STOCK_ID, QTY, GIVE_QTY, "
        "STK_QTY_YN) ";
    all.push_back({"rework lines send out the quantity and the free quantity", kStock,
                   {{kStockSetup, {}},
                    {std::string(rework) + "VALUES ('R1', 'P1', 'A', 3, 1, 'Y')",
                     stock("6", "0", "20")},
                    {std::string(rework) + "VALUES ('R2', 'P1', 'A', 2, NULL, 'Y')",
                     stock("4", "0", "20")},
                    {std::string(rework) + "VALUES ('R3', 'P2', 'A', 5, 5, 'N')",
                     stock("4", "0", "20")},
                    {"UPDATE REWORKORDER_DETAIL SET QTY = 100", stock("4", "0", "20")},
                    {"DELETE FROM REWORKORDER_DETAIL WHERE MASTERBILLID = 'R1'",
                     stock("105", "0", "20")}}});

    const char* bank = "SELECT ACNT_ID, NOW_AMT FROM BANK_ACCOUNT ORDER BY 1";
    const char* io = "INSERT INTO BANK_IO (MASTERBILLID, ACNT_ID, CASH_ETYPE, CURR_AMT, CASH_COST) ";
    all.push_back(
        {"bank balances", bank,
         {{"INSERT INTO BANK_ACCOUNT (ACNT_ID, NOW_AMT) VALUES ('A1', 1000)", {}},
          {"INSERT INTO BANK_ACCOUNT (ACNT_ID) VALUES ('A2')", {}},
          {std::string(io) + "VALUES ('W1', 'A1', '1', 100, 15)", Rows{{"A1", "885"}, {"A2", "<null>"}}},
          {"DELETE FROM BANK_IO WHERE MASTERBILLID = 'W1'", Rows{{"A1", "1000"}, {"A2", "<null>"}}},
          {std::string(io) + "VALUES ('D1', 'A1', '0', 50, 9)", Rows{{"A1", "1050"}, {"A2", "<null>"}}},
          {"UPDATE BANK_IO SET ACNT_ID = 'A2', CASH_ETYPE = '1', CURR_AMT = 20, CASH_COST = NULL",
           Rows{{"A1", "1000"}, {"A2", "-20"}}},
          {std::string(io) + "VALUES ('X1', 'A1', '2', 70, 1)", Rows{{"A1", "1000"}, {"A2", "-20"}}},
          {std::string(io) + "VALUES ('N1', 'A1', '0', NULL, NULL)",
           Rows{{"A1", "1000"}, {"A2", "-20"}}}}});

    for (auto [table, side] : {std::pair{"INVOICE_SUB", "PURCHASE"}, std::pair{"OUTVOICE_SUB", "CUSTSALE"}}) {
        std::string masters = std::string(side) + "_MASTER";
        std::string returns = std::string(side) + "BK_MASTER";
        std::string discounts = std::string(side) + "DIS_MASTER";
        std::string query = "SELECT 'M', MASTERBILLID, INVOICE_CLASS, INVOICE_NUM, INVOICE_DATE FROM " +
                            masters + " UNION ALL SELECT 'N', MASTERBILLID, INVOICE_CLASS, "
                            "INVOICE_NUM, INVOICE_DATE FROM " + returns + " UNION ALL SELECT 'D', "
                            "MASTERBILLID, INVOICE_CLASS, INVOICE_NUM, INVOICE_DATE FROM " + discounts;
        std::string link = std::string("INSERT INTO ") + table +
                           " (MASTERBILLID, TRAN_BILLID, FLAG_MARK, INVOICE_CLASS, INVOICE_NUM, "
                           "INVOICE_DATE) VALUES ";
        const char* nul = "<null>";
        all.push_back(
            {table, query,
             {{"INSERT INTO " + masters + " (MASTERBILLID) VALUES ('B1')", {}},
              {"INSERT INTO " + returns + " (MASTERBILLID) VALUES ('B1')", {}},
              {"INSERT INTO " + discounts + " (MASTERBILLID) VALUES ('B2')", {}},
              {link + "('V1', 'B1', 'N', '三聯', 'AB12345678', '2026/12/01')",
               Rows{{"M", "B1", nul, nul, nul},
                    {"N", "B1", "三聯", "AB12345678", "2026/12/01"},
                    {"D", "B2", nul, nul, nul}}},
              {link + "('V2', 'B2', 'X', '二聯', 'CD1', '2026/12/02')",
               Rows{{"M", "B1", nul, nul, nul},
                    {"N", "B1", "三聯", "AB12345678", "2026/12/01"},
                    {"D", "B2", nul, nul, nul}}},
              {link + "('V3', 'B2', 'D', '二聯', 'CD1', '2026/12/02')",
               Rows{{"M", "B1", nul, nul, nul},
                    {"N", "B1", "三聯", "AB12345678", "2026/12/01"},
                    {"D", "B2", "二聯", "CD1", "2026/12/02"}}},
              {std::string("UPDATE ") + table + " SET INVOICE_NUM = 'ZZ'",
               Rows{{"M", "B1", nul, nul, nul},
                    {"N", "B1", "三聯", "AB12345678", "2026/12/01"},
                    {"D", "B2", "二聯", "CD1", "2026/12/02"}}},
              {std::string("DELETE FROM ") + table + " WHERE MASTERBILLID = 'V1'",
               Rows{{"M", "B1", nul, nul, nul}, {"N", "B1", "", "", ""},
                    {"D", "B2", "二聯", "CD1", "2026/12/02"}}},
              {link + "('V4', 'B1', 'P', '三聯', 'EF1', '2026/12/03')",
               Rows{{"M", "B1", "三聯", "EF1", "2026/12/03"}, {"N", "B1", "", "", ""},
                    {"D", "B2", "二聯", "CD1", "2026/12/02"}}}}});
    }
    return all;
}

TEST_F(Upgrade, TriggersMoveStockBalancesAndInvoiceFieldsAsDocumentsChange) {
    for (const Scenario& sc : scenarios()) {
        SCOPED_TRACE(sc.name);
        TestDatabase db;
        for (std::size_t i = 0; i < sc.steps.size(); ++i) {
            SCOPED_TRACE(sc.steps[i].sql);
            db.exec(sc.steps[i].sql);
            if (sc.steps[i].after)
                EXPECT_EQ(db.rows(sc.query), *sc.steps[i].after) << "after step " << i + 1;
        }
    }
}

TEST_F(Upgrade, SetProductsSoldGiveTheirComponentsLineByLine) {
    TestDatabase db;
    db.exec("INSERT INTO PRODUCT (PROD_ID, STK_QTY_YN, WUID) VALUES ('C1', 'Y', 'w')");
    db.exec("INSERT INTO PRODUCT (PROD_ID, STK_QTY_YN, WUID) VALUES ('C2', 'N', 'w')");
    std::string longName(80, 'x');
    longName.replace(0, 3, "長"); // a code point of three bytes first
    for (const char* row : {"'S1', 'C1', '甲', 2, '個', 10", "'S1', 'C2', '乙', 1, '支', 5",
                            "'S1', 'C3', '丙', 3, '盒', 1", "'S2', 'C1', '甲', 1, '個', 10"})
        db.exec(std::string("INSERT INTO PROD_BOM (PROD_ID, DE_PROD_ID, DE_PROD_NAME, DE_QTY, "
                            "DE_UNIT_ID, DE_COST) VALUES (") + row + ")");
    db.exec("INSERT INTO PROD_BOM (PROD_ID, DE_PROD_ID, DE_PROD_NAME, DE_QTY) VALUES ('S3', 'C9', '" +
            longName + "', 1)");
    const char* components =
        "SELECT MASTERBILLID, M_PROD_ID, M_SAL_QTY, D_PROD_ID, D_PROD_NAME, D_QTY, D_UNIT_ID, "
        "D_COST, T_COST, STOCK_ID, T_SALQTY, STK_QTY_YN, FLAG FROM POS_DETAIL_DET ORDER BY "
        "MASTERBILLID, M_SAL_QTY, D_PROD_ID";
    auto sale = [&](const char* values) {
        db.exec(std::string("INSERT INTO POS_DETAIL (MASTERBILLID, SAL_DATE, SAL_NO, PROD_ID, QTY, "
                            "STOCK_ID, MS_YN, SAL_CODE) VALUES (") + values + ")");
    };
    // A set of three components sold twice on one line.
    sale("'B1', '2026/12/11', '0001', 'S1', 2, 'A', 'Y', '01'");
    EXPECT_EQ(db.rows(components),
              (Rows{{"B1", "S1", "2", "C1", "甲", "2", "個", "10", "40", "A", "4", "Y", "01"},
                    {"B1", "S1", "2", "C2", "乙", "1", "支", "5", "10", "A", "2", "N", "01"},
                    {"B1", "S1", "2", "C3", "丙", "3", "盒", "1", "6", "A", "6", "<null>", "01"}}));
    // The same set on a second line of the bill: its own components only.
    sale("'B1', '2026/12/11', '0001', 'S1', 1, 'A', 'Y', '01'");
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM POS_DETAIL_DET"), "6");
    EXPECT_EQ(db.scalar("SELECT SUM(T_SALQTY) FROM POS_DETAIL_DET WHERE D_PROD_ID = 'C1'"), "6");
    // Lines that are no set, or another set, and a line of another bill.
    sale("'B1', '2026/12/11', '0001', 'S2', 5, 'A', 'N', '01'");
    sale("'B2', '2026/12/11', '0002', 'S2', 1, 'A', 'Y', '01'");
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM POS_DETAIL_DET"), "7");
    // Deleting one line takes its components alone.
    db.exec("DELETE FROM POS_DETAIL WHERE MASTERBILLID = 'B1' AND QTY = 2");
    EXPECT_EQ(db.rows("SELECT MASTERBILLID, M_PROD_ID, M_SAL_QTY, D_PROD_ID FROM POS_DETAIL_DET "
                      "ORDER BY 1, 4"),
              (Rows{{"B1", "S1", "1", "C1"}, {"B1", "S1", "1", "C2"}, {"B1", "S1", "1", "C3"},
                    {"B2", "S2", "1", "C1"}}));
    // Two identical lines: deleting one leaves the other's components.
    sale("'B1', '2026/12/11', '0001', 'S1', 1, 'A', 'Y', '01'");
    db.exec("DELETE FROM POS_DETAIL WHERE MASTERBILLID = 'B1' AND QTY = 1 ROWS 1");
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM POS_DETAIL_DET WHERE MASTERBILLID = 'B1'"), "3");
    db.exec("DELETE FROM POS_DETAIL WHERE MASTERBILLID = 'B1'");
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM POS_DETAIL_DET"), "1");
    // A component name wider than the component rows' column is cut to it.
    sale("'B3', '2026/12/11', '0003', 'S3', 1, 'A', 'Y', '01'");
    std::string name = db.scalar("SELECT D_PROD_NAME FROM POS_DETAIL_DET WHERE MASTERBILLID = 'B3'");
    EXPECT_EQ(text::codePoints(name), 50u);
    EXPECT_EQ(name.rfind("長", 0), 0u);
}

TEST_F(Upgrade, TriggersAreCreatedOnceAndOnlyTheBankOnesRedefined) {
    TestDatabase db(testdata::Schema::Base);
    auto first = run(db);
    std::vector<std::string> created;
    for (const auto& t : schema::storeTriggers())
        if (!t.redefinedEveryRun)
            created.push_back(t.name);
    EXPECT_EQ(created.size(), 23u);
    EXPECT_EQ(first.triggersCreated, created);
    EXPECT_EQ(first.triggersRedefined,
              (std::vector<std::string>{"PAY_SUB_TRGDEL1", "PAY_SUB_TRGINS1", "TRG_BANK_IO_INS1",
                                        "TRG_BANK_IO_DEL1", "TRG_BANK_IO_UPD1"}));
    EXPECT_EQ(db.rows("SELECT RDB$RELATION_NAME, RDB$TRIGGER_TYPE, RDB$TRIGGER_SEQUENCE, "
                      "RDB$TRIGGER_INACTIVE FROM RDB$TRIGGERS WHERE RDB$TRIGGER_NAME IN "
                      "('ASMPROD_TARSUBTRIGGER2', 'POS_DET_TRG13', 'TRG_BANK_IO_INS1') ORDER BY "
                      "RDB$TRIGGER_NAME"),
              (Rows{{"ASMPROD_TARSUB", "5", "1", "0"}, // before delete, position 1, active
                    {"POS_DETAIL", "4", "0", "0"},      // after update
                    {"BANK_IO", "2", "0", "0"}}));      // after insert

    // A trigger that exists keeps its body, whatever it is.
    db.exec("DROP TRIGGER POS_DET_TRG11");
    db.exec("CREATE TRIGGER POS_DET_TRG11 FOR POS_DETAIL ACTIVE AFTER INSERT POSITION 0 AS "
            "BEGIN END");
    auto second = run(db);
    EXPECT_TRUE(second.triggersCreated.empty());
    EXPECT_EQ(second.triggersRedefined, (std::vector<std::string>{"TRG_BANK_IO_INS1",
                                                                   "TRG_BANK_IO_DEL1",
                                                                   "TRG_BANK_IO_UPD1"}));
    EXPECT_EQ(db.scalar("SELECT RDB$TRIGGER_SOURCE FROM RDB$TRIGGERS WHERE RDB$TRIGGER_NAME = "
                        "'POS_DET_TRG11'"),
              "AS BEGIN END");
}

TEST_F(Upgrade, WithoutTheBankTriggersTheUpgradeStopsAtTheFirstRedefinition) {
    TestDatabase db(testdata::Schema::Base);
    db.exec("DROP TRIGGER TRG_BANK_IO_INS1");
    std::string error;
    auto report = run(db, {}, &error);
    EXPECT_NE(error.find("TRG_BANK_IO_INS1"), std::string::npos) << error;
    EXPECT_EQ(report.triggersCreated.size(), 17u); // up to POS_DET_TRG15
    EXPECT_EQ(report.triggersCreated.back(), "POS_DET_TRG15");
    EXPECT_EQ(report.statements.back().rfind("ALTER TRIGGER TRG_BANK_IO_INS1 ", 0), 0u);
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM RDB$TRIGGERS WHERE RDB$TRIGGER_NAME = "
                        "'INV_SUB_TRGDEL1'"),
              "0");
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM RDB$TRIGGERS WHERE RDB$TRIGGER_NAME = "
                        "'POS_DET_TRG15'"),
              "1");
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM PARAM_DEFINE"), "0");
}

// The stock triggers change the figure relative to what is there, so two
// documents touching one stock row serialise on its lock. Firebird 3 reports
// the second writer an update conflict once the first has committed (its
// statement, and the line with it, are undone); the writer tries the line
// again. However the two interleave, no change is lost.
TEST_F(Upgrade, StockChangesFromTwoConnectionsAtOnceAddUpExactly) {
    TestDatabase db;
    db.exec("INSERT INTO STORE_QTY (PROD_ID, STOCK_ID, NOW_QTY) VALUES ('P1', 'A', 10)");
    db::ConnectionParams p;
    p.setLines({"Database=" + db.file(), "user_name=sysdba", "password=masterkey",
                "servercharset=UTF8", "sqldialect=3", "isolationlevel=ReadCommitted",
                "waitonlocks=True"});
    struct Worker {
        std::string error;
        int conflicts = 0;
    };
    auto work = [&p](const char* bill, Worker* w) {
        try {
            db::Connection c;
            c.params() = p;
            db::Query q(&c);
            q.setSql("INSERT INTO ASMPROD_TARSUB (MASTERBILLID, PROD_ID, STOCK_ID, QTY) VALUES "
                     "(:B, 'P1', 'A', 1)");
            for (int i = 0; i < 500;) {
                q.setString("B", bill);
                try {
                    q.exec();
                    ++i;
                } catch (const db::DatabaseError& e) {
                    if (!e.isLockConflict())
                        throw;
                    ++w->conflicts;
                }
            }
        } catch (const std::exception& e) {
            w->error = e.what();
        }
    };
    Worker w1, w2;
    std::thread a(work, "T1", &w1), b(work, "T2", &w2);
    a.join();
    b.join();
    EXPECT_EQ(w1.error, "");
    EXPECT_EQ(w2.error, "");
    EXPECT_EQ(db.scalar("SELECT NOW_QTY FROM STORE_QTY"), "1010");
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM ASMPROD_TARSUB"), "1000");
    std::printf("update conflicts met and retried: %d\n", w1.conflicts + w2.conflicts);
}

} // namespace
