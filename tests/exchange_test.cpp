#include <gtest/gtest.h>

#include <map>

#include "exchange/FullModeSave.h"
#include "exchange/ImportCheck.h"
#include "exchange/ProductList.h"
#include "exchange/ProductSave.h"
#include "exchange/ProductWorkbook.h"
#include "exchange/WorkbookImport.h"
#include "platform/db/Query.h"
#include "platform/text/Text.h"
#include "platform/workbook/SheetReader.h"
#include "support/ExportSample.h"
#include "support/TestDatabase.h"

using dataset::RecordSet;
using workbook::Grid;

namespace {

// A sheet in the product-workbook layout: header row, then rows given as
// (column, text) pairs.
Grid productSheet(const std::vector<std::vector<std::pair<int, std::string>>>& rows) {
    std::vector<std::vector<std::string>> cells;
    std::vector<std::string> header;
    for (const auto& f : exchange::productListFields())
        header.push_back(f.label());
    cells.push_back(header);
    for (const auto& r : rows) {
        std::vector<std::string> row(34);
        for (const auto& [c, v] : r)
            row[std::size_t(c)] = v;
        cells.push_back(row);
    }
    return Grid::fromRows(cells);
}

// A new product row: number, name, category, market price, owner.
std::vector<std::pair<int, std::string>>
newRow(const std::string& id, const std::string& item = "01", const std::string& price = "12.5") {
    return {{0, id}, {2, "商品" + id}, {7, item}, {23, price}, {33, "owner@example.com"}};
}

class ExchangeTest : public ::testing::Test {
  protected:
    testdata::TestDatabase database;
    db::Connection conn;
    RecordSet list;

    void SetUp() override {
        conn.params() = database.params();
        list.setFields(exchange::productListFields());
        list.setConnection(&conn);
        database.exec("insert into PROD_ITEM (PD_ITEMID, PD_ITEMNAME) values ('01', '文具用品')");
        database.exec("insert into SUPPLIER (CORP_ID, CORP_NAME) values ('S001', '台北文化')");
    }
    void addProducts(int count) {
        db::Query q(&conn);
        q.setSql("insert into PRODUCT (PROD_ID, PROD_NAME, PD_ITEMID, WUID) values (:ID, :NAME, "
                 "'01', 'w')");
        conn.startTransaction();
        for (int i = 0; i < count; ++i) {
            char id[16];
            std::snprintf(id, sizeof id, "P%04d", i);
            q.setString("ID", id);
            q.setString("NAME", std::string("既有") + id);
            q.exec();
        }
        conn.commit();
    }
    std::string scalar(const std::string& sql) { return database.scalar(sql); }
    std::size_t appendFrom(const Grid& g) {
        exchange::ImportResult r;
        exchange::importIntoList(g, list, r);
        return r.appended;
    }
};

} // namespace

TEST(ExportFileName, AppendsXlsUnlessTheNameHoldsIt) {
    struct {
        const char* in;
        std::optional<std::string> out;
    } cases[] = {{"report", "report.xls"},       {"a.doc", "a.doc.xls"},
                 {"old.xls.bak", "old.xls.bak"}, {"REPORT.XLS", "REPORT.XLS.xls"},
                 {"b.xlsx", "b.xlsx"},           {"", std::nullopt},
                 {".xls", std::nullopt}};
    for (const auto& c : cases)
        EXPECT_EQ(exchange::exportFileName(c.in), c.out) << c.in;
}

TEST(PrefixRule, RemovesOneLeadingMarkerOnly) {
    struct {
        const char* in;
        const char* out;
    } cases[] = {{"'A001", "A001"},
                 {"\x7F"
                  "A001",
                  "A001"},
                 {"''A", "'A"},
                 {" 'A", " 'A"},
                 {"A'", "A'"},
                 {"", ""}};
    for (const auto& c : cases)
        EXPECT_EQ(exchange::stripPrefix(c.in), c.out) << c.in;
}

TEST_F(ExchangeTest, TransferTextHasAHeaderAndTabAfterEveryValue) {
    list.createDataSet();
    std::string header = exchange::transferText(list);
    EXPECT_EQ(header.rfind("商品編號\t商品條碼\t", 0), 0u);
    EXPECT_EQ(header.substr(header.size() - 5), "WUID\t");
    EXPECT_EQ(header.find("\r\n"), std::string::npos);

    appendFrom(productSheet({newRow("0012345678901")}));
    std::string t = exchange::transferText(list);
    std::string line = t.substr(t.find("\r\n") + 2);
    EXPECT_EQ(line.rfind("\x7F"
                         "0012345678901\t\x7F\t商品0012345678901\t",
                         0),
              0u)
        << line;
    EXPECT_EQ(std::count(line.begin(), line.end(), '\t'), 27);
    EXPECT_NE(line.find("\t12.5\t"), std::string::npos);
}

TEST_F(ExchangeTest, ExportedWorkbookReadsBackWithTheSameCells) {
    database.exec(
        "insert into PRODUCT (PROD_ID, PROD_BARCODE, PROD_NAME, SALE_PRICE, ORIGINAL_PRICE, WUID) "
        "values ('0012345678901', '4710000000001', '精選原子筆', 12.5, 120, 'w')");
    database.exec(
        "insert into PRODUCT (PROD_ID, PROD_NAME, WUID) values ('A''001', '  空白  ', 'w')");
    exchange::loadAll(list);
    testdata::TempFolder tmp;
    std::string path = tmp.path() + "out.xls";
    exchange::writeProductWorkbook(list, path);
    EXPECT_TRUE(list.eof());

    Grid g = workbook::readSheet(path, "Sheet1");
    ASSERT_EQ(g.rowCount(), 3u);
    ASSERT_EQ(g.colCount(), 34u);
    EXPECT_EQ(g.cell(33, 0), "WUID");
    EXPECT_EQ(g.cell(0, 1), "\x7F"
                            "0012345678901");
    EXPECT_EQ(g.cell(1, 1), "\x7F"
                            "4710000000001");
    EXPECT_EQ(g.cell(5, 1), "\x7F"); // a NULL second code: the marker alone
    EXPECT_EQ(g.cell(23, 1), "12.5");
    EXPECT_EQ(g.cell(26, 1), "120");
    EXPECT_EQ(g.cell(0, 2), "\x7F"
                            "A'001");
    EXPECT_EQ(g.cell(2, 2), "  空白  ");
    EXPECT_EQ(g.cell(23, 2), ""); // NULL price: empty cell
    for (std::size_t c = 27; c < 34; ++c)
        EXPECT_EQ(g.cell(c, 1), "") << c;

    // Imported into a list that already holds them, nothing is appended; into
    // an empty list the missing WUID stops the import at its first row.
    EXPECT_EQ(appendFrom(g), 0u);
    list.emptyDataSet();
    try {
        appendFrom(g);
        FAIL();
    } catch (const dataset::RecordSetError& e) {
        EXPECT_STREQ(e.what(), "第 2 列 AH 欄（WUID），商品編號 0012345678901：欄位 'WUID' 必須有值");
    }
    EXPECT_EQ(list.rowCount(), 0u);
}

TEST_F(ExchangeTest, ExportThenImportGivesTheSameRows) {
    database.exec(
        "insert into PRODUCT (PROD_ID, PROD_BARCODE, PROD_NAME, PROD_SCALE, PD_ITEMID, SALE_PRICE, "
        "ORIGINAL_PRICE, TAX_KIND, WUID) values ('0012345678901', '4710000000001', '精選原子筆', "
        "'  兩端留白  ', '01', 12.5, 120, '1', 'w')");
    database.exec("insert into PRODUCT (PROD_ID, PROD_NAME, WUID) values ('A''001', '鍵盤', 'w')");
    exchange::loadAll(list);
    testdata::TempFolder tmp;
    exchange::writeProductWorkbook(list, tmp.path() + "round.xls");
    Grid read = workbook::readSheet(tmp.path() + "round.xls", "Sheet1");

    // The export leaves WUID out; fill it in as a user would, then import
    // into a list that does not hold these products yet.
    std::vector<std::vector<std::string>> cells;
    for (std::size_t r = 0; r < read.rowCount(); ++r) {
        std::vector<std::string> row;
        for (std::size_t c = 0; c < 34; ++c)
            row.emplace_back(read.cell(c, r));
        if (r > 0)
            row[33] = "w";
        cells.push_back(row);
    }
    RecordSet back;
    back.setFields(exchange::productListFields());
    back.createDataSet();
    exchange::ImportResult ir;
    exchange::importIntoList(Grid::fromRows(cells), back, ir);
    ASSERT_EQ(back.rowCount(), 2u);
    for (std::size_t r = 0; r < 2; ++r)
        for (std::size_t f = 0; f < 27; ++f)
            EXPECT_EQ(back.row(r)[f], list.row(r)[f])
                << "row " << r << " " << list.fields()[f].name;
}

TEST_F(ExchangeTest, WorkbooksOfEveryFormatImportTheSameRows) {
    const std::string dir = std::string(TAVOLA_FIXTURES) + "/workbooks/";
    RecordSet reference;
    for (const char* f :
         {"products.xlsx", "products.xls", "products.ods", "products.csv", "products-2003.xml"}) {
        RecordSet rs;
        rs.setFields(exchange::productListFields());
        rs.createDataSet();
        exchange::ImportResult ir;
        exchange::importIntoList(workbook::readSheet(dir + f, "Sheet1"), rs, ir);
        ASSERT_EQ(ir.appended, 3u) << f;
        rs.first();
        EXPECT_EQ(rs.asString("PROD_ID"), "0012345678901") << f;
        EXPECT_EQ(std::get<double>(rs.value("SALE_PRICE")), 12.5) << f;
        if (!reference.active()) {
            reference.copyFrom(rs);
            continue;
        }
        for (std::size_t r = 0; r < 3; ++r)
            for (std::size_t c = 0; c < 34; ++c) {
                if (r == 2 && c == 2 && std::string(f) == "products-2003.xml")
                    continue; // LibreOffice writes a third leading blank there
                EXPECT_EQ(rs.row(r)[c], reference.row(r)[c]) << f << " row " << r << " col " << c;
            }
    }
}

// Our export, re-saved by the programs users edit it with, reads back with the
// same text in every exported field.
TEST(ExportRoundTrip, EveryWriterGivesBackTheExportedText) {
    const std::string dir = std::string(TAVOLA_FIXTURES) + "/workbooks/";
    RecordSet sample = testdata::exportSample();
    testdata::TempFolder tmp;
    exchange::writeProductWorkbook(sample, tmp.path() + "ours.xlsx");
    auto expected = [&](std::size_t r, std::size_t f) {
        const db::Value& v = sample.row(r)[f];
        if (auto* d = std::get_if<double>(&v))
            return text::formatGeneral(*d);
        return db::toText(v);
    };
    struct Case {
        std::string path;
        // What the program changed, by (row, field): the text it gives back.
        std::map<std::pair<std::size_t, std::size_t>, std::string> changed;
    } cases[] = {
        {tmp.path() + "ours.xlsx", {}},
        // LibreOffice keeps line breaks as LF alone.
        {dir + "export-libreoffice.xlsx", {{{0, 2}, "精選原子筆\n第二行"}}},
        {dir + "export-libreoffice.ods", {{{0, 2}, "精選原子筆\n第二行"}}},
        {dir + "export-libreoffice.xls", {{{0, 2}, "精選原子筆\n第二行"}}},
        // openpyxl writes "_x000D_" without escaping it, so it reads as a CR.
        {dir + "export-openpyxl.xlsx", {{{0, 5}, "\r"}}},
    };
    for (const auto& c : cases) {
        Grid g = workbook::readSheet(c.path, "Sheet1");
        ASSERT_EQ(g.rowCount(), sample.rowCount() + 1) << c.path;
        for (std::size_t r = 0; r < sample.rowCount(); ++r)
            for (std::size_t f = 0; f < 27; ++f) {
                auto it = c.changed.find({r, f});
                std::string want = it != c.changed.end() ? it->second : expected(r, f);
                EXPECT_EQ(exchange::stripPrefix(g.cell(f, r + 1)), want)
                    << c.path << " row " << r << " " << sample.fields()[f].name;
            }
    }
}

TEST_F(ExchangeTest, HeaderOnlyExportOfAnEmptyList) {
    exchange::loadAll(list);
    testdata::TempFolder tmp;
    exchange::writeProductWorkbook(list, tmp.path() + "empty.xlsx");
    Grid g = workbook::readSheet(tmp.path() + "empty.xlsx", "Sheet1");
    EXPECT_EQ(g.rowCount(), 1u);
    EXPECT_EQ(g.colCount(), 34u);
    EXPECT_EQ(g.cell(1, 0), "商品條碼");
}

TEST_F(ExchangeTest, ImportAppendsNewRowsOnceAndConvertsCells) {
    addProducts(2);
    exchange::loadAll(list);
    Grid g = productSheet({
        {{0, "'P0000"}, {33, "x"}}, // on the list, by the prefix rule
        {{0, " \x7F"
             "P0001 "},
         {33, "x"}}, // on the list, blanks around
        {{0, "N1"}, {2, "''name"}, {4, " 規格 "}, {23, " 12.5"}, {26, ""}, {33, "x"}},
        {{0, "N1"}, {2, "again"}, {33, "x"}}, // same new number: skipped
        {{0, "N2"}, {40 - 7, "x"}},
    });
    exchange::ImportResult r;
    exchange::importIntoList(g, list, r);
    EXPECT_EQ(r.rowsRead, 5u);
    EXPECT_EQ(r.appended, 2u);
    EXPECT_EQ(r.skipped, 3u);
    ASSERT_EQ(list.rowCount(), 4u);
    list.moveTo(2);
    EXPECT_EQ(list.asString("PROD_ID"), "N1");
    EXPECT_EQ(list.asString("PROD_NAME"), "'name");
    EXPECT_EQ(list.asString("PROD_SCALE"), " 規格 ");
    EXPECT_EQ(std::get<double>(list.value("SALE_PRICE")), 12.5);
    EXPECT_TRUE(list.isNull("ORIGINAL_PRICE"));
    EXPECT_TRUE(list.isNull("PROD_BARCODE"));
}

TEST_F(ExchangeTest, ImportStopsAtARowThatCannotBeStoredAndDiscardsIt) {
    exchange::loadAll(list);
    struct Case {
        const char* name;
        std::vector<std::pair<int, std::string>> bad;
        std::string message;
    } cases[] = {
        {"no number", {{2, "x"}, {33, "x"}}, "第 3 列 A 欄（商品編號）：欄位 '商品編號' 必須有值"},
        {"no owner", {{0, "N9"}}, "第 3 列 AH 欄（WUID），商品編號 N9：欄位 'WUID' 必須有值"},
        {"price not a number",
         {{0, "N9"}, {23, "1,234"}, {33, "x"}},
         "第 3 列 X 欄（市價），商品編號 N9：'1,234' 不是有效的數值"},
        {"empty row", {}, "第 3 列 A 欄（商品編號）：欄位 '商品編號' 必須有值"},
    };
    for (const auto& c : cases) {
        list.emptyDataSet();
        Grid g = productSheet({newRow("OK1"), c.bad, newRow("OK2")});
        exchange::ImportResult r;
        try {
            exchange::importIntoList(g, list, r);
            ADD_FAILURE() << c.name;
        } catch (const std::exception& e) {
            EXPECT_EQ(e.what(), c.message) << c.name;
        }
        EXPECT_EQ(r.appended, 1u) << c.name;
        EXPECT_EQ(list.rowCount(), 1u) << c.name;
        EXPECT_FALSE(list.editing()) << c.name;
    }
}

TEST_F(ExchangeTest, CheckMarksUnknownCategoriesAndProductsOnFile) {
    addProducts(1); // P0000, category 01
    database.exec("insert into PRODUCT (PROD_ID, PD_ITEMID, WUID) values ('Q1', 'ZZ', 'w')");
    exchange::loadAll(list);
    appendFrom(productSheet(
        {newRow("N1", "01"), newRow("N2", "ZZ"), newRow("N3", ""), newRow("A'1", "0'1")}));
    auto r = exchange::checkList(list, conn);
    std::vector<std::string> marks;
    for (std::size_t i = 0; i < list.rowCount(); ++i)
        marks.push_back(db::toText(list.row(i)[28]));
    // P0000 on file; Q1 on file with unknown category ("#" wins); N1 clean;
    // N2 and N3 unknown category; a quote in the keys is plain data.
    EXPECT_EQ(marks, (std::vector<std::string>{"#", "#", "", "*", "*", "*"}));
    EXPECT_EQ(r.onFile, 2u);
    EXPECT_EQ(r.categoryUnknown, 4u);
    EXPECT_FALSE(conn.inTransaction());
    exchange::checkList(list, conn); // again: the same marks
    for (std::size_t i = 0; i < list.rowCount(); ++i)
        EXPECT_EQ(db::toText(list.row(i)[28]), marks[i]);
}

// A product number longer than PRODUCT.PROD_ID, or a category code longer
// than PROD_ITEM.PD_ITEMID, cannot be on file: the row is checked like any
// other instead of stopping the check.
TEST_F(ExchangeTest, CheckTakesKeysLongerThanTheirColumnsAsNotOnFile) {
    list.createDataSet();
    appendFrom(
        productSheet({newRow(std::string(31, 'L'), "01"), newRow("N1", std::string(11, '0'))}));
    auto r = exchange::checkList(list, conn);
    EXPECT_EQ(r.rows, 2u);
    EXPECT_EQ(r.onFile, 0u);
    EXPECT_EQ(r.categoryUnknown, 1u);
    EXPECT_EQ(db::toText(list.row(0)[28]), "");
    EXPECT_EQ(db::toText(list.row(1)[28]), "*");
}

TEST_F(ExchangeTest, NormalSaveInsertsOnlyNewProductsWithTheirThreeRows) {
    addProducts(100);
    exchange::loadAll(list);
    appendFrom(productSheet({newRow("N1"), newRow("N2", "ZZ", ""), newRow("N3", "01", "7")}));
    database.exec("update PRODUCT set PD_ITEMNAME = 'stale'");
    exchange::SaveResult r;
    exchange::saveNewProducts(list, conn, "module@example.com", "shop01", r);
    EXPECT_EQ(r.saved, 3u);
    EXPECT_EQ(r.skipped, 100u);
    EXPECT_EQ(scalar("select count(*) from PRODUCT"), "103");
    EXPECT_EQ(scalar("select count(*) from PRODUCT2"), "3");
    EXPECT_EQ(scalar("select count(*) from PROD_PRICE"), "3");
    EXPECT_EQ(scalar("select list(PROD_ID || '=' || cast(DEFINE_PRICE * 10 as integer), ',') from "
                     "(select * from PROD_PRICE where PRICE_NO = 0 order by PROD_ID)"),
              "N1=125,N2=0,N3=70");
    EXPECT_EQ(scalar("select SALE_PRICE from PRODUCT where PROD_ID='N1'"), "12.5");
    EXPECT_EQ(scalar("select coalesce(SALE_PRICE, -1) from PRODUCT where PROD_ID='N2'"),
              "-1"); // NULL kept
    EXPECT_EQ(scalar("select ORIGINAL_PRICE from PRODUCT where PROD_ID='N1'"), "0");
    EXPECT_EQ(scalar("select WUID from PRODUCT where PROD_ID='N1'"), "module@example.com");
    EXPECT_EQ(scalar("select WUID || '|' || CHG_USER || '|' || CR_HOST || '|' || cast(P_LOWQTY as "
                     "integer) || '|' || P_CHANGE_YN "
                     "from PRODUCT2 where PROD_ID='N1'"),
              "shop01|qimport|127.0.0.1|1|Y");
    EXPECT_EQ(text::codePoints(scalar("select CHG_DATETIME from PRODUCT where PROD_ID='N1'")), 19u);
    // Refreshes cover the whole table.
    EXPECT_EQ(scalar("select count(*) from PRODUCT where PD_ITEMNAME = '文具用品'"), "102");
    EXPECT_EQ(scalar("select coalesce(PD_ITEMNAME, 'NULL') from PRODUCT where PROD_ID='N2'"),
              "NULL");

    database.exec("update PRODUCT set PD_ITEMNAME = 'stale'");
    exchange::saveNewProducts(list, conn, "module@example.com", "shop01", r);
    EXPECT_EQ(r.saved, 0u);
    EXPECT_EQ(scalar("select count(*) from PRODUCT2"), "3");
    EXPECT_EQ(scalar("select count(*) from PRODUCT where PD_ITEMNAME = 'stale'"), "0");
}

TEST_F(ExchangeTest, HostileProductNumbersAreSavedAndFoundAsData) {
    addProducts(3);
    exchange::loadAll(list);
    const std::string hostile = "x'; DELETE FROM PRODUCT; --";
    appendFrom(productSheet({newRow("A'001", "0'1"),
                             {{0, hostile.substr(0, 20)}, {7, hostile.substr(0, 10)}, {33, "w"}}}));
    exchange::checkList(list, conn);
    exchange::SaveResult r;
    exchange::saveNewProducts(list, conn, "m", "o", r);
    EXPECT_EQ(r.saved, 2u);
    EXPECT_EQ(scalar("select count(*) from PRODUCT"), "5");
    EXPECT_EQ(scalar("select PD_ITEMID from PRODUCT where PROD_ID = 'A''001'"), "0'1");
    EXPECT_EQ(scalar("select count(*) from PRODUCT2 where PROD_ID = '" +
                     std::string("x''; DELETE FROM PROD") + "'"),
              "1");
}

TEST_F(ExchangeTest, AProductWhoseCostRowFailsLeavesNothingAndEndsTheSave) {
    conn.executeDirect("CREATE EXCEPTION E_REJECT 'rejected by test'");
    conn.executeDirect("CREATE TRIGGER T_REJECT FOR PRODUCT2 BEFORE INSERT AS BEGIN "
                       "IF (NEW.PROD_ID = 'N2') THEN EXCEPTION E_REJECT; END");
    list.createDataSet();
    appendFrom(productSheet({newRow("N1"), newRow("N2"), newRow("N3")}));
    exchange::SaveResult r;
    try {
        exchange::saveNewProducts(list, conn, "m", "o", r);
        FAIL();
    } catch (const db::DatabaseError& e) {
        EXPECT_NE(std::string(e.what()).find("rejected by test"), std::string::npos) << e.what();
    }
    EXPECT_EQ(r.saved, 1u);
    EXPECT_FALSE(conn.inTransaction());
    EXPECT_EQ(scalar("select list(PROD_ID) from PRODUCT"), "N1");
    EXPECT_EQ(scalar("select list(PROD_ID) from PROD_PRICE"), "N1");
}

TEST(OwnerStamp, FirstLineOfTheMarkerFileOrTheBuiltIn) {
    testdata::TempFolder app;
    EXPECT_EQ(exchange::ownerStamp(app.path()), exchange::kBuiltInOwnerStamp);
    app.write("lumara.txt", "");
    EXPECT_EQ(exchange::ownerStamp(app.path()), exchange::kBuiltInOwnerStamp);
    app.write("lumara.txt", "\r\nshop02\r\n");
    EXPECT_EQ(exchange::ownerStamp(app.path()), exchange::kBuiltInOwnerStamp);
    app.write("lumara.txt", "\xEF\xBB\xBF"
                            "shop01 \r\nother\r\n");
    EXPECT_EQ(exchange::ownerStamp(app.path()), "shop01 ");
}

namespace {

// A full-mode sheet row from (column, text) pairs.
std::vector<std::string> fullRow(std::vector<std::pair<int, std::string>> cells) {
    std::vector<std::string> r(24);
    for (auto& [c, v] : cells) {
        if (std::size_t(c) >= r.size())
            r.resize(std::size_t(c) + 1);
        r[std::size_t(c)] = v;
    }
    return r;
}

} // namespace

TEST(FullModeRow, DerivedValues) {
    std::string sixty;
    for (int i = 0; i < 60; ++i)
        sixty += (i < 25 ? "商" : "品");
    Grid g = Grid::fromRows({
        fullRow({{0, " 123456 "},
                 {1, " 文具 "},
                 {2, " K1 "},
                 {3, sixty},
                 {6, "a very long scale description"},
                 {7, "100"},
                 {8, "90"},
                 {9, "80"},
                 {10, "1,234"},
                 {15, "abc"},
                 {19, " 第一行\n第二行 "}}),
        fullRow({{0, "12345"}, {2, "K2"}, {4, "471"}, {5, "箱"}}),
        fullRow({{0, "1234567"}}),
    });
    auto r = exchange::deriveFullModeRow(g, 0);
    EXPECT_EQ(r.categoryId, "0123456");
    EXPECT_EQ(r.categoryName, "文具");
    EXPECT_EQ(r.key, "K1");
    EXPECT_EQ(text::codePoints(r.name), 50u);
    EXPECT_EQ(r.name, sixty.substr(0, 25 * 3) + std::string(sixty.substr(25 * 3, 25 * 3)));
    EXPECT_EQ(r.shortName, sixty.substr(0, 20 * 3));
    EXPECT_EQ(r.barcode, "K1");
    EXPECT_EQ(r.unit, "PC");
    EXPECT_EQ(r.scale, "a very long scale de");
    EXPECT_EQ(r.priceA, 100);
    EXPECT_EQ(r.priceB, 90);
    EXPECT_EQ(r.priceC, 80);
    EXPECT_EQ(r.cost, 0); // thousands separator: not a number
    EXPECT_EQ(r.originalPrice, 0);
    EXPECT_EQ(exchange::descriptionBytes(r.description), "\xEF\xBB\xBF"
                                                         "第一行\r\n第二行\r\n");
    auto r2 = exchange::deriveFullModeRow(g, 1);
    EXPECT_EQ(r2.categoryId, "12345");
    EXPECT_EQ(r2.barcode, "471");
    EXPECT_EQ(r2.unit, "箱");
    EXPECT_EQ(exchange::deriveFullModeRow(g, 2).categoryId, "1234567");
}

// Asked to stop (the progress answers false), a save ends at a whole product,
// commits what it holds and counts only what was committed; the closing
// refreshes are left for a save that runs to its end.
TEST_F(ExchangeTest, AStopRequestEndsASaveAtAWholeProductWithTheCommittedCount) {
    list.createDataSet();
    appendFrom(productSheet({newRow("N1"), newRow("N2"), newRow("N3"), newRow("N4")}));
    auto stopAt = [](std::size_t at) {
        return [at](std::size_t pos, std::size_t) { return pos < at; };
    };
    exchange::SaveResult r;
    exchange::saveNewProducts(list, conn, "m", "o", r, stopAt(3));
    EXPECT_TRUE(r.cancelled);
    EXPECT_EQ(r.saved, 2u);
    EXPECT_FALSE(conn.inTransaction());
    EXPECT_EQ(scalar("select list(PROD_ID) from (select PROD_ID from PRODUCT order by 1)"),
              "N1,N2");
    EXPECT_EQ(scalar("select count(*) from PRODUCT2"), "2");
    EXPECT_EQ(scalar("select count(*) from PRODUCT where PD_ITEMNAME = '文具用品'"), "0");

    Grid g = Grid::fromRows({fullRow({{2, "F1"}}), fullRow({{2, "F2"}}), fullRow({{2, "F3"}})});
    exchange::UpsertResult u;
    exchange::upsertFullMode(g, conn, "o", u, stopAt(2));
    EXPECT_TRUE(u.cancelled);
    EXPECT_EQ(u.inserted, 1u);
    EXPECT_EQ(scalar("select count(*) from PRODUCT where PROD_ID starting with 'F'"), "1");
}

// Entirely blank rows are skipped; a row with content but no product number
// is not saved as a product with an empty number: it is listed as failed.
TEST_F(ExchangeTest, FullModeSkipsBlankRowsAndListsRowsWithoutANumber) {
    Grid g =
        Grid::fromRows({fullRow({{2, "K1"}}), fullRow({}), fullRow({{25, "a note"}}), fullRow({}),
                        fullRow({{2, "   "}, {3, "blank number"}}), fullRow({{2, "K2"}})});
    exchange::UpsertResult r;
    exchange::upsertFullMode(g, conn, "o", r);
    EXPECT_EQ(r.blank, 2u);
    EXPECT_EQ(r.rows, 4u);
    EXPECT_EQ(r.inserted, 2u);
    ASSERT_EQ(r.failed.size(), 2u);
    EXPECT_EQ(exchange::failureText(r.failed[0]), "轉檔失敗..　第 3 列：C 欄（商品編號）是空的");
    EXPECT_EQ(r.failed[1].sheetRow, 5u);
    EXPECT_EQ(scalar("select list(PROD_ID) from (select PROD_ID from PRODUCT order by 1)"),
              "K1,K2");
}

// A product's description is committed with the rest of it, also when the
// group commit falls on that product: a stop between two commits never
// leaves a product without its description.
TEST_F(ExchangeTest, AProductAndItsDescriptionShareTheirCommit) {
    conn.executeDirect("create table TX_LOG (PROD_ID varchar(20), TX bigint)");
    for (const char* table : {"PRODUCT", "PRODUCT_DESCRIPTION"})
        conn.executeDirect(std::string("create trigger TX_") + table + " for " + table +
                           " after insert as begin insert into TX_LOG values (new.PROD_ID, "
                           "current_transaction); end");
    std::vector<std::vector<std::string>> rows;
    for (std::size_t i = 0; i < exchange::kCommitGroup + 1; ++i)
        rows.push_back(fullRow({{2, "D" + std::to_string(i)}, {19, "說明"}}));
    exchange::UpsertResult r;
    exchange::upsertFullMode(Grid::fromRows(rows), conn, "o", r);
    EXPECT_EQ(r.inserted, exchange::kCommitGroup + 1);
    EXPECT_EQ(scalar("select count(*) from TX_LOG"),
              std::to_string(2 * (exchange::kCommitGroup + 1)));
    EXPECT_EQ(scalar("select count(*) from (select PROD_ID from TX_LOG group by PROD_ID "
                     "having count(distinct TX) > 1)"),
              "0");
    EXPECT_EQ(scalar("select count(distinct TX) from TX_LOG"), "2");
}

TEST_F(ExchangeTest, FullModeInsertsAndUpdatesWholeProducts) {
    database.exec("insert into PRODUCT (PROD_ID, PROD_BARCODE, PROD_ENAME, BRAND_NAME, "
                  "CR_DATETIME, CR_USER, WUID, "
                  "SEC_DIS) values ('OLD', 'b', 'second', 'brand', '2020/01/01 00:00:00', "
                  "'creator', 'w0', 'N')");
    database.exec("insert into PRODUCT2 (PROD_ID, NOW_QTY, AVG_COST) values ('OLD', 42, 7)");
    database.exec("insert into PROD_PRICE (PROD_ID, PRICE_NO, DEFINE_PRICE) values ('OLD', 9, 1)");
    database.exec(
        "insert into PRODUCT (PROD_ID, SUPP_CORP_NAME, WUID) values ('NOSUPP', '台北文化', 'w')");
    Grid g = Grid::fromRows({
        fullRow({{0, "123456"},
                 {2, "NEW1"},
                 {3, "新品"},
                 {7, "100"},
                 {8, "90"},
                 {9, "80"},
                 {10, "5"},
                 {12, "台北文化"},
                 {19, "a\nb"},
                 {20, "群組"},
                 {23, "關鍵字"}}),
        fullRow({{0, "01"}, {2, "OLD"}, {3, "改名"}, {7, "10"}, {10, "3"}}),
        fullRow({{2, "A'1"}, {3, "quote"}}),
    });
    exchange::UpsertResult r;
    exchange::upsertFullMode(g, conn, "shop01", r);
    EXPECT_TRUE(r.failed.empty());
    EXPECT_EQ(r.inserted, 2u);
    EXPECT_EQ(r.updated, 1u);

    EXPECT_EQ(scalar("select PD_ITEMID || '|' || UNIT_ID || '|' || PROD_BARCODE || '|' || TAX_KIND "
                     "|| '|' || "
                     "SELECT_YN || '|' || SEC_DIS || '|' || WUID || '|' || CR_USER from PRODUCT "
                     "where PROD_ID='NEW1'"),
              "0123456|PC|NEW1|Y|N|Y|shop01|001");
    EXPECT_EQ(scalar("select list(cast(DEFINE_PRICE as integer), ',') from (select * from "
                     "PROD_PRICE where PROD_ID='NEW1' "
                     "order by PRICE_NO)"),
              "100,90,80,100,90,90,100");
    EXPECT_EQ(
        scalar(
            "select cast(FIRST_COST as integer) || '|' || cast(NETAVG_COST as integer) || '|' || "
            "cast(NOW_QTY as integer) from PRODUCT2 where PROD_ID='NEW1'"),
        "5|5|0");
    EXPECT_EQ(scalar("select GROUP_NAME || '|' || KEY_WORD || '|' || WUID from PRODUCT_FORBOOK "
                     "where PROD_ID='NEW1'"),
              "群組|關鍵字|shop01");
    EXPECT_EQ(scalar("select PROD_DESCRIPTION from PRODUCT_DESCRIPTION where PROD_ID='NEW1'"),
              "\xEF\xBB\xBF"
              "a\r\nb\r\n");
    // The update keeps stock, creation stamps and flags, blanks brand and
    // second name, and replaces all price levels.
    EXPECT_EQ(
        scalar("select PROD_NAME || '|' || coalesce(PROD_ENAME, 'NULL') || '|' || BRAND_NAME || "
               "'|' || "
               "CR_DATETIME || '|' || CR_USER || '|' || WUID || '|' || SEC_DIS || '|' || CHG_USER "
               "from PRODUCT where PROD_ID='OLD'"),
        "改名|||2020/01/01 00:00:00|creator|w0|N|001");
    EXPECT_EQ(
        scalar("select cast(NOW_QTY as integer) || '|' || cast(FIRST_COST as integer) || '|' || "
               "cast(STD_COST as integer) || '|' || cast(AVG_COST as integer) from PRODUCT2 where "
               "PROD_ID='OLD'"),
        "42|3|3|7");
    EXPECT_EQ(scalar("select list(PRICE_NO, ',') from (select * from PROD_PRICE where "
                     "PROD_ID='OLD' order by 1)"),
              "0,1,2,3,4,5,6");
    EXPECT_EQ(scalar("select count(*) from PRODUCT_FORBOOK where PROD_ID='OLD'"), "1");
    EXPECT_EQ(scalar("select PROD_NAME from PRODUCT where PROD_ID='A''1'"), "quote");
    // Closing refreshes: supplier codes from names where missing.
    EXPECT_EQ(scalar("select SUPP_CORP_ID from PRODUCT where PROD_ID='NOSUPP'"), "S001");
    EXPECT_EQ(scalar("select SUPP_CORP_ID from PRODUCT where PROD_ID='NEW1'"), "S001");
}

// A full-mode sheet whose column A (the category code) is empty in every row,
// as a library writes it: each value is still read under its own letter.
TEST_F(ExchangeTest, FullModeSheetWithoutColumnASavesEachValueUnderItsLetter) {
    Grid g = workbook::readSheet(
        std::string(TAVOLA_FIXTURES) + "/workbooks/fullmode-no-column-a.xlsx", "Sheet1");
    exchange::UpsertResult r;
    exchange::upsertFullMode(g, conn, "shop01", r);
    EXPECT_TRUE(r.failed.empty());
    EXPECT_EQ(r.inserted, 2u);
    EXPECT_EQ(scalar("select list(PROD_ID || '|' || PROD_NAME || '|' || PROD_BARCODE || '|' || "
                     "coalesce(PD_ITEMID, 'NULL') || '|' || cast(SALE_PRICE as integer), ',') from "
                     "(select * from PRODUCT order by PROD_ID)"),
              "F001|商品F001|F001||101,F002|商品F002|F002||102");
}

TEST_F(ExchangeTest, FullModeRowThatFailsLeavesNothingAndTheRunGoesOn) {
    conn.executeDirect("CREATE EXCEPTION E_REJECT 'rejected by test'");
    conn.executeDirect("CREATE TRIGGER T_REJECT FOR PRODUCT_FORBOOK BEFORE INSERT AS BEGIN "
                       "IF (NEW.PROD_ID = 'BAD') THEN EXCEPTION E_REJECT; END");
    Grid g = Grid::fromRows({fullRow({{2, "G1"}}), fullRow({{2, "BAD"}, {19, "still described"}}),
                             fullRow({{2, "G2"}})});
    exchange::UpsertResult r;
    exchange::upsertFullMode(g, conn, "o", r);
    ASSERT_EQ(r.failed.size(), 1u);
    EXPECT_EQ(r.failed[0].key, "BAD");
    EXPECT_EQ(r.failed[0].sheetRow, 2u);
    EXPECT_EQ(exchange::failureLine("BAD"), "BAD轉檔失敗..");
    // The reason is the database's own message, shown beside the line.
    EXPECT_EQ(exchange::failureText(r.failed[0]).rfind("BAD轉檔失敗..　第 2 列：", 0), 0u);
    EXPECT_NE(r.failed[0].reason.find("rejected by test"), std::string::npos) << r.failed[0].reason;
    EXPECT_EQ(scalar("select list(PROD_ID) from (select PROD_ID from PRODUCT order by 1)"),
              "G1,G2");
    EXPECT_EQ(scalar("select count(*) from PRODUCT2 where PROD_ID='BAD'"), "0");
    EXPECT_EQ(scalar("select count(*) from PROD_PRICE"), "14");
    // The description step is outside the product part, as before.
    EXPECT_EQ(scalar("select count(*) from PRODUCT_DESCRIPTION where PROD_ID='BAD'"), "1");
}

TEST_F(ExchangeTest, FullModeWithoutUpgradeColumnsFailsInsertsButUpdates) {
    database.exec("insert into PRODUCT (PROD_ID, WUID) values ('OLD', 'w')");
    conn.executeDirect("ALTER TABLE PRODUCT DROP P_PU, DROP SEC_DIS");
    Grid g = Grid::fromRows({fullRow({{2, "NEW"}}), fullRow({{2, "OLD"}, {3, "updated"}})});
    exchange::UpsertResult r;
    exchange::upsertFullMode(g, conn, "o", r);
    ASSERT_EQ(r.failed.size(), 1u);
    EXPECT_EQ(r.failed[0].key, "NEW");
    EXPECT_NE(r.failed[0].reason.find("P_PU"), std::string::npos) << r.failed[0].reason;
    EXPECT_EQ(r.updated, 1u);
    EXPECT_EQ(scalar("select PROD_NAME from PRODUCT where PROD_ID='OLD'"), "updated");
}
