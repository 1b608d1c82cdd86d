#include <gtest/gtest.h>

#include "platform/db/Connection.h"
#include "platform/db/Query.h"
#include "platform/db/SqlParams.h"
#include "platform/db/Transaction.h"
#include "support/TestDatabase.h"

using db::Connection;
using db::DatabaseError;
using db::Query;
using testdata::TestDatabase;

TEST(SqlParams, FindsNamesOutsideLiteralsAndComments) {
    struct Case {
        const char* sql;
        const char* parsed;
        std::vector<std::string> names;
    } cases[] = {
        {"select * from T where A=:A and B=:B_2",
         "select * from T where A=? and B=?",
         {"A", "B_2"}},
        {"select ':NOT' from T where A=:A", "select ':NOT' from T where A=?", {"A"}},
        {"select 'it''s :X' from T -- :Y\nwhere /* :Z */ A=:A",
         "select 'it''s :X' from T -- :Y\nwhere /* :Z */ A=?",
         {"A"}},
        {"update T set A=:V where B=:V", "update T set A=? where B=?", {"V", "V"}},
        {"select \"A:B\" from T", "select \"A:B\" from T", {}},
    };
    for (const auto& c : cases) {
        auto p = db::parseParams(c.sql);
        EXPECT_EQ(p.sql, c.parsed) << c.sql;
        EXPECT_EQ(p.names, c.names) << c.sql;
    }
}

class DbTest : public ::testing::Test {
  protected:
    TestDatabase database;
    Connection conn;
    void SetUp() override { conn.params() = database.params(); }
};

TEST_F(DbTest, ParametersRoundTripEveryKind) {
    Query q(&conn);
    q.setSql("select cast(:T as varchar(50)) as T, cast(:I as integer) as I, "
             "cast(:D as double precision) as D, cast(:N as varchar(5)) as N, "
             "cast(:B as blob sub_type 0) as B from rdb$database");
    q.setString("T", "商品 'A001'");
    q.setInt("I", -42);
    q.setDouble("D", 12.5);
    q.setNull("N");
    std::string bytes("\xEF\xBB\xBF"
                      "line\r\n\0x",
                      11);
    q.setBlob("B", bytes);
    q.open();
    ASSERT_FALSE(q.eof());
    EXPECT_EQ(q.asString("T"), "商品 'A001'");
    EXPECT_EQ(q.asInteger("i"), -42);
    EXPECT_DOUBLE_EQ(q.asDouble("D"), 12.5);
    EXPECT_TRUE(q.isNull("N"));
    EXPECT_EQ(q.asString("B"), bytes);
    q.next();
    EXPECT_TRUE(q.eof());
}

TEST_F(DbTest, FieldMetadataCountsCharacters) {
    Query q(&conn);
    q.setSql("select PROD_ID, SALE_PRICE, PROD_NAME from PRODUCT");
    q.open();
    ASSERT_EQ(q.fieldCount(), 3u);
    EXPECT_EQ(q.fields()[0].name, "PROD_ID");
    EXPECT_EQ(q.fields()[0].type, db::FieldType::Text);
    EXPECT_EQ(q.fields()[0].size, 20);
    EXPECT_EQ(q.fields()[1].type, db::FieldType::Float);
    EXPECT_EQ(q.fields()[2].size, 100);
    EXPECT_TRUE(q.eof());
}

TEST_F(DbTest, OpensOnFirstStatementOnly) {
    int connects = 0;
    conn.setAfterConnect([&] { ++connects; });
    EXPECT_FALSE(conn.connected());
    Query q(&conn);
    q.setSql("select 1 from rdb$database");
    EXPECT_FALSE(conn.connected());
    q.open();
    EXPECT_TRUE(conn.connected());
    q.open();
    EXPECT_EQ(connects, 1);
}

TEST_F(DbTest, AfterConnectFailureFailsTheStatementAndLeavesConnectionOpen) {
    Query inner(&conn);
    conn.setAfterConnect([&] {
        inner.setSql("select * from NO_SUCH_TABLE");
        inner.open();
    });
    Query q(&conn);
    q.setSql("select 1 from rdb$database");
    try {
        q.open();
        FAIL() << "the opening statement must fail";
    } catch (const DatabaseError& e) {
        EXPECT_EQ(e.sqlState(), "42S02");
        EXPECT_NE(std::string(e.what()).find("NO_SUCH_TABLE"), std::string::npos) << e.what();
    }
    EXPECT_TRUE(conn.connected());
    q.open(); // the handler does not run again until a reconnect
    EXPECT_FALSE(q.eof());
}

TEST_F(DbTest, AStatementThatOpensTheConnectionKeepsItsTextWhenTheHandlerReusesIt) {
    Query shared(&conn);
    bool fail = true;
    conn.setAfterConnect([&] {
        shared.setSql("select 'handler' from rdb$database");
        shared.open();
        if (fail) {
            shared.setSql("select * from NO_SUCH_TABLE");
            shared.open();
        }
    });
    shared.setSql("select cast(:V as varchar(10)) from rdb$database");
    shared.setString("V", "mine");
    EXPECT_THROW(shared.open(), DatabaseError); // the handler's own failure
    shared.open();
    EXPECT_EQ(db::toText(shared.value(0)), "mine");

    conn.close();
    fail = false;
    shared.open(); // opens again; the handler runs on the same object first
    EXPECT_EQ(db::toText(shared.value(0)), "mine");
}

TEST_F(DbTest, RefusedOpenStaysClosedAndNextStatementRetries) {
    std::string good = database.file();
    conn.params().set("Database", good + ".missing");
    Query q(&conn);
    q.setSql("select 1 from rdb$database");
    EXPECT_THROW(q.open(), DatabaseError);
    EXPECT_FALSE(conn.connected());
    conn.params().set("Database", good);
    q.open();
    EXPECT_TRUE(conn.connected());
}

TEST_F(DbTest, StatementsCommitOnTheirOwn) {
    Query ins(&conn);
    ins.setSql("insert into PROD_ITEM (PD_ITEMID, PD_ITEMNAME) values (:ID, :NAME)");
    ins.setString("ID", "C1");
    ins.setString("NAME", "文具");
    EXPECT_EQ(ins.execRowsAffected(), 1);
    EXPECT_FALSE(conn.inTransaction());
    EXPECT_EQ(database.scalar("select PD_ITEMNAME from PROD_ITEM where PD_ITEMID='C1'"), "文具");
}

TEST_F(DbTest, ExplicitTransactionRollsBackAndSavepointsUndoPart) {
    Query ins(&conn);
    ins.setSql("insert into PROD_ITEM (PD_ITEMID) values (:ID)");
    conn.startTransaction();
    ins.setString("ID", "R1");
    ins.exec();
    EXPECT_TRUE(conn.inTransaction());
    conn.rollback();
    EXPECT_FALSE(conn.inTransaction());
    EXPECT_EQ(database.scalar("select count(*) from PROD_ITEM"), "0");

    conn.startTransaction();
    ins.setString("ID", "K1");
    ins.exec();
    conn.savepoint("P1");
    ins.setString("ID", "K2");
    ins.exec();
    conn.rollbackToSavepoint("P1");
    conn.commit();
    EXPECT_EQ(database.scalar("select list(PD_ITEMID) from PROD_ITEM"), "K1");
}

TEST_F(DbTest, QuotesAndSqlTextInValuesAreData) {
    database.exec("insert into PROD_ITEM (PD_ITEMID, PD_ITEMNAME) values ('KEEP', 'kept')");
    Query ins(&conn);
    ins.setSql("insert into PROD_ITEM (PD_ITEMID, PD_ITEMNAME) values (:ID, :NAME)");
    for (const char* id : {"A'001", "x'; DELETE"}) {
        ins.setString("ID", id);
        ins.setString("NAME", "x'; DELETE FROM PROD_ITEM; --");
        ins.exec();
    }
    Query find(&conn);
    find.setSql("select PD_ITEMNAME from PROD_ITEM where PD_ITEMID = :ID");
    find.setString("ID", "A'001");
    find.open();
    ASSERT_FALSE(find.eof());
    EXPECT_EQ(find.asString("PD_ITEMNAME"), "x'; DELETE FROM PROD_ITEM; --");
    EXPECT_EQ(database.scalar("select count(*) from PROD_ITEM"), "3");
}

TEST_F(DbTest, DatabaseErrorsCarryFirebirdsText) {
    Query ins(&conn);
    ins.setSql("insert into PROD_ITEM (PD_ITEMID) values (:ID)");
    ins.setString("ID", "DUP");
    ins.exec();
    try {
        ins.exec();
        FAIL();
    } catch (const DatabaseError& e) {
        EXPECT_EQ(e.sqlState(), "23000");
        EXPECT_EQ(e.gdsCode(), 335544665);
        EXPECT_NE(std::string(e.what()).find("PK_PROD_ITEM"), std::string::npos) << e.what();
    }
    EXPECT_THROW(ins.setString("NOPE", "x"), db::UsageError); // a programming fault, not the data's
}

TEST_F(DbTest, ReusedStatementRunsWithNewValuesAndLongerTexts) {
    Query q(&conn);
    q.setSql("select cast(:V as varchar(200)) from rdb$database");
    for (std::string v : {std::string("a"), std::string(150, 'b'), std::string("c")}) {
        q.setString("V", v);
        q.open();
        EXPECT_EQ(db::toText(q.value(0)), v);
    }
}

// A key longer than the column it is compared with finds nothing in a
// look-up, where binding it would otherwise fail with a truncation error; a
// statement that stores it still fails.
TEST_F(DbTest, AKeyThatCannotFitItsColumnFindsNoRowInALookUp) {
    database.exec(
        "insert into PROD_ITEM (PD_ITEMID, PD_ITEMNAME) values ('一二三四五六七八九十', 'cjk')");
    Query q(&conn);
    q.setSql("select PD_ITEMNAME from PROD_ITEM where PD_ITEMID = :ID");
    q.setString("ID", std::string(11, 'x'));
    EXPECT_THROW(q.open(), DatabaseError); // an ordinary statement: the server's error
    struct Case {
        std::string key;
        bool found;
    } cases[] = {{std::string(11, 'x'), false},
                 {"一二三四五六七八九十", true}, // ten characters fit, whatever their bytes
                 {"一二三四五六七八九十一", false}};
    for (const auto& c : cases) {
        q.setSql("select PD_ITEMNAME from PROD_ITEM where PD_ITEMID = :ID");
        q.setKeyLookup(true);
        q.setString("ID", c.key);
        q.open();
        EXPECT_EQ(!q.eof(), c.found) << c.key;
    }
    Query ins(&conn);
    ins.setSql("insert into PROD_ITEM (PD_ITEMID) values (:ID)");
    ins.setKeyLookup(true);
    ins.setString("ID", std::string(11, 'x'));
    EXPECT_THROW(ins.exec(), DatabaseError);
}

// A statement whose preparation failed is not taken for prepared by the next
// run (which would read past the parameters it does not have).
TEST_F(DbTest, AFailedPrepareIsNotKept) {
    Query q(&conn);
    q.setSql("select cast(? as integer) from rdb$database"); // a marker the text does not name
    EXPECT_THROW(q.open(), db::UsageError);
    EXPECT_THROW(q.open(), db::UsageError);
    q.setSql("select 1 from rdb$database");
    q.open();
    EXPECT_EQ(db::toText(q.value(0)), "1");
}

// The guard rolls back what an error leaves open, and inside a caller's
// transaction leaves commit and rollback to the caller.
TEST_F(DbTest, TransactionGuardRollsBackWhatAnErrorLeavesOpen) {
    Query ins(&conn);
    ins.setSql("insert into PROD_ITEM (PD_ITEMID) values (:ID)");
    try {
        db::Transaction tx(conn);
        ins.setString("ID", "T1");
        ins.exec();
        throw std::runtime_error("interrupted");
    } catch (const std::runtime_error&) {
    }
    EXPECT_FALSE(conn.inTransaction());
    EXPECT_EQ(database.scalar("select count(*) from PROD_ITEM"), "0");

    conn.startTransaction();
    {
        db::Transaction inner(conn);
        EXPECT_FALSE(inner.owns());
        ins.setString("ID", "T2");
        ins.exec();
        inner.commit(); // the caller's: not committed here
    }
    EXPECT_TRUE(conn.inTransaction());
    conn.rollback();
    EXPECT_EQ(database.scalar("select count(*) from PROD_ITEM"), "0");
}

// Definitions fail when their transaction commits; that transaction does not
// stay open, and the connection goes on.
TEST_F(DbTest, ADefinitionThatFailsAtCommitLeavesNoTransaction) {
    conn.executeDirect("create table T_TWICE (X integer)");
    EXPECT_THROW(conn.executeDirect("create table T_TWICE (X integer)"), DatabaseError);
    EXPECT_FALSE(conn.inTransaction());
    conn.executeDirect("create table T_ONCE (X integer)");
    EXPECT_EQ(database.scalar("select count(*) from rdb$relations where rdb$relation_name in "
                              "('T_TWICE', 'T_ONCE')"),
              "2");
}
