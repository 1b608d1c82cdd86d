// The saves carry many products per statement. The same cases run on an
// embedded database and over the loopback server (skipped without one): block
// boundaries, a product failing inside a block, hostile values, and the
// number of statements sent.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "exchange/FullModeSave.h"
#include "exchange/ProductList.h"
#include "exchange/ProductSave.h"
#include "platform/db/Connection.h"
#include "platform/db/KeyLookup.h"
#include "platform/db/Query.h"
#include "platform/text/Text.h"
#include "support/TestDatabase.h"

using workbook::Grid;

namespace {

std::string serverPassword() {
    const char* p = std::getenv("TAVOLA_TEST_SERVER_PASSWORD");
    return p ? p : "";
}

class BlockSave : public ::testing::TestWithParam<const char*> {
  protected:
    testdata::TempFolder folder;
    db::Connection conn;
    dataset::RecordSet list;

    void SetUp() override {
        bool server = std::string(GetParam()) == "server";
        if (server && serverPassword().empty())
            GTEST_SKIP() << "no loopback server (TAVOLA_TEST_SERVER_PASSWORD)";
        std::filesystem::permissions(folder.path(), std::filesystem::perms::all);
        std::string file = folder.path() + "blocks.fdb";
        testdata::copyDatabase(testdata::Schema::Upgraded, file);
        conn.params().setLines({"Database=" + std::string(server ? "localhost:" : "") + file,
                                "user_name=SYSDBA",
                                "password=" + (server ? serverPassword() : "masterkey"),
                                "servercharset=UTF8", "sqldialect=3",
                                "isolationlevel=ReadCommitted", "waitonlocks=True"});
        exec("insert into PROD_ITEM (PD_ITEMID, PD_ITEMNAME) values ('01', '文具用品')");
        list.setFields(exchange::productListFields());
    }

    void exec(const std::string& sql) {
        db::Query q(&conn);
        q.setSql(sql);
        q.exec();
    }
    std::string scalar(const std::string& sql) {
        db::Query q(&conn);
        q.setSql(sql);
        q.open();
        return q.eof() ? std::string() : db::toText(q.value(0));
    }
    // A fresh list of new products: number, name, category 01, price.
    void newList(const std::vector<std::pair<std::string, std::string>>& products) {
        list.close();
        list.createDataSet();
        for (const auto& [id, name] : products) {
            std::vector<db::Value> row(list.fieldCount());
            row[list.fieldIndex("PROD_ID")] = id;
            row[list.fieldIndex("PROD_NAME")] = name;
            row[list.fieldIndex("PD_ITEMID")] = std::string("01");
            row[list.fieldIndex("SALE_PRICE")] = 12.5;
            row[list.fieldIndex("ORIGINAL_PRICE")] = 0.0;
            row[list.fieldIndex("WUID")] = std::string("w");
            list.appendRow(std::move(row));
        }
    }
    static std::vector<std::pair<std::string, std::string>> numbered(const std::string& prefix,
                                                                     std::size_t n) {
        std::vector<std::pair<std::string, std::string>> out;
        for (std::size_t i = 0; i < n; ++i)
            out.push_back({prefix + std::to_string(i), "商品" + std::to_string(i)});
        return out;
    }
    // A full-mode sheet row: number in C, name in D, prices in H to J, cost in K.
    static std::vector<std::string> fullRow(const std::string& id, const std::string& name,
                                            const std::string& description = "") {
        std::vector<std::string> r(24);
        r[0] = "01";
        r[2] = id;
        r[3] = name;
        r[7] = "100";
        r[8] = "90";
        r[9] = "80";
        r[10] = "5";
        r[19] = description;
        return r;
    }
    std::size_t count(const char* table, const std::string& prefix) {
        return std::stoul(scalar(std::string("select count(*) from ") + table +
                                 " where PROD_ID starting with '" + prefix + "'"));
    }
};

INSTANTIATE_TEST_SUITE_P(Backends, BlockSave, ::testing::Values("embedded", "server"));

TEST_P(BlockSave, EveryProductIsSavedOnceAcrossBlockBoundaries) {
    const std::size_t b = exchange::productsPerStatement(list.fields());
    ASSERT_GE(b, 20u);
    for (std::size_t n : {std::size_t(0), std::size_t(1), b - 1, b, b + 1, 2 * b + 1}) {
        SCOPED_TRACE(n);
        std::string prefix = "N" + std::to_string(n) + "_";
        newList(numbered(prefix, n));
        auto before = conn.requests();
        exchange::SaveResult r;
        exchange::saveNewProducts(list, conn, "m", "o", r);
        // A statement per block, a look-up per few hundred rows, and the two
        // closing refreshes.
        const std::size_t k = db::KeyLookup::kKeysPerStatement;
        EXPECT_LE(conn.requests().executes - before.executes, (n + b - 1) / b + (n + k - 1) / k + 2);
        EXPECT_EQ(r.saved, n);
        EXPECT_EQ(r.skipped, 0u);
        EXPECT_EQ(count("PRODUCT", prefix), n);
        EXPECT_EQ(count("PRODUCT2", prefix), n);
        EXPECT_EQ(count("PROD_PRICE", prefix), n);
    }
    // Saved again, every one is known.
    exchange::SaveResult again;
    exchange::saveNewProducts(list, conn, "m", "o", again);
    EXPECT_EQ(again.saved, 0u);
    EXPECT_EQ(again.skipped, 2 * b + 1);

    const std::size_t f = exchange::rowsPerStatement();
    ASSERT_GE(f, 20u);
    for (std::size_t n : {std::size_t(1), f - 1, f, f + 1, 2 * f + 1}) {
        SCOPED_TRACE(n);
        std::string prefix = "F" + std::to_string(n) + "_";
        std::vector<std::vector<std::string>> rows;
        for (std::size_t i = 0; i < n; ++i)
            rows.push_back(fullRow(prefix + std::to_string(i), "品", i % 2 ? "說明" : ""));
        Grid g = Grid::fromRows(rows);
        auto before = conn.requests();
        exchange::UpsertResult r;
        exchange::upsertFullMode(g, conn, "o", r);
        EXPECT_LE(conn.requests().executes - before.executes, (n + f - 1) / f + 2);
        EXPECT_EQ(r.inserted, n);
        EXPECT_TRUE(r.failed.empty());
        EXPECT_EQ(count("PRODUCT", prefix), n);
        EXPECT_EQ(count("PROD_PRICE", prefix), 7 * n);
        EXPECT_EQ(count("PRODUCT_FORBOOK", prefix), n);
        EXPECT_EQ(count("PRODUCT_DESCRIPTION", prefix), n / 2);
        // The same sheet again updates every row.
        exchange::upsertFullMode(g, conn, "o", r);
        EXPECT_EQ(r.updated, n);
        EXPECT_EQ(count("PROD_PRICE", prefix), 7 * n);
        EXPECT_EQ(count("PRODUCT_FORBOOK", prefix), n);
    }
}

TEST_P(BlockSave, AProductFailingInsideABlockLeavesNothingOfItself) {
    exec("CREATE EXCEPTION E_REJECT 'rejected by test'");
    exec("CREATE TRIGGER T_REJECT FOR PRODUCT2 BEFORE INSERT AS BEGIN "
         "IF (NEW.PROD_ID STARTING WITH 'BAD') THEN EXCEPTION E_REJECT; END");
    const std::size_t b = exchange::productsPerStatement(list.fields());
    // Normal mode: the save stops at the failing product with its message;
    // the products before it stay, the ones after it are not saved.
    auto products = numbered("N", 2 * b);
    products[b + 3] = {"BAD1", "壞"};
    newList(products);
    exchange::SaveResult r;
    try {
        exchange::saveNewProducts(list, conn, "m", "o", r);
        ADD_FAILURE() << "the save should have stopped";
    } catch (const db::DatabaseError& e) {
        EXPECT_NE(std::string(e.what()).find("rejected by test"), std::string::npos) << e.what();
    }
    EXPECT_EQ(r.saved, b + 3);
    EXPECT_EQ(count("PRODUCT", "N"), b + 3);
    EXPECT_EQ(count("PRODUCT", "BAD"), 0u);
    EXPECT_EQ(count("PROD_PRICE", "BAD"), 0u);

    // Full mode: the failing row is listed with its reason, the rest of its
    // block and of the sheet is saved.
    const std::size_t f = exchange::rowsPerStatement();
    std::vector<std::vector<std::string>> rows;
    for (std::size_t i = 0; i < 2 * f; ++i)
        rows.push_back(fullRow("F" + std::to_string(i), "品"));
    rows[f + 3] = fullRow("BAD2", "壞", "described all the same");
    exchange::UpsertResult u;
    exchange::upsertFullMode(Grid::fromRows(rows), conn, "o", u);
    ASSERT_EQ(u.failed.size(), 1u);
    EXPECT_EQ(u.failed[0].key, "BAD2");
    EXPECT_EQ(u.failed[0].sheetRow, f + 4);
    EXPECT_NE(u.failed[0].reason.find("rejected by test"), std::string::npos) << u.failed[0].reason;
    EXPECT_EQ(u.inserted, 2 * f - 1);
    EXPECT_EQ(count("PRODUCT", "F"), 2 * f - 1);
    for (const char* table : {"PRODUCT", "PROD_PRICE", "PRODUCT_FORBOOK"})
        EXPECT_EQ(count(table, "BAD2"), 0u) << table;
    EXPECT_EQ(count("PRODUCT_DESCRIPTION", "BAD2"), 1u); // outside the product part
}

TEST_P(BlockSave, HostileValuesInsideABlockAreData) {
    const std::vector<std::string> hostile = {
        "q'1", "x'; DELETE FROM PRODUCT; --", "semi;colon", "/* c */", ":P0_0", "?", "a\nb",
        "END; SUSPEND;", "'')) THEN"};
    std::vector<std::pair<std::string, std::string>> products;
    for (std::size_t i = 0; i < hostile.size(); ++i)
        products.push_back({text::leftChars(hostile[i], 20), hostile[i] + " 名"});
    newList(products);
    exchange::SaveResult r;
    exchange::saveNewProducts(list, conn, "m", "o", r);
    EXPECT_EQ(r.saved, hostile.size());
    for (const auto& [id, name] : products) {
        db::Query q(&conn);
        q.setSql("select PROD_NAME from PRODUCT where PROD_ID = :ID");
        q.setString("ID", id);
        q.open();
        ASSERT_FALSE(q.eof()) << id;
        EXPECT_EQ(q.asString("PROD_NAME"), name);
    }

    // A long description goes into its blob whole, beside hostile values.
    std::string longText;
    while (text::codePoints(longText) < 30000)
        longText += "長說明';--\n";
    std::vector<std::vector<std::string>> rows;
    for (std::size_t i = 0; i < hostile.size(); ++i)
        rows.push_back(fullRow("H" + std::to_string(i), hostile[i], i == 2 ? longText : hostile[i]));
    exchange::UpsertResult u;
    exchange::upsertFullMode(Grid::fromRows(rows), conn, "o", u);
    EXPECT_TRUE(u.failed.empty());
    EXPECT_EQ(u.inserted, hostile.size());
    EXPECT_EQ(scalar("select PROD_DESCRIPTION from PRODUCT_DESCRIPTION where PROD_ID = 'H2'"),
              exchange::descriptionBytes(longText));
    EXPECT_EQ(scalar("select PROD_NAME from PRODUCT where PROD_ID = 'H1'"),
              text::trim(text::leftChars(hostile[1], 50)));
}

} // namespace
