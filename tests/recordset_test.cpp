#include <gtest/gtest.h>

#include "exchange/ProductList.h"
#include "platform/dataset/RecordSet.h"
#include "platform/db/Connection.h"
#include "support/TestDatabase.h"

using dataset::FieldDef;
using dataset::FieldKind;
using dataset::RecordSet;
using dataset::RecordSetError;
using db::Value;

namespace {

FieldDef field(const char* name, FieldKind kind, int size = 0, bool required = false,
               const char* label = "") {
    FieldDef f;
    f.name = name;
    f.kind = kind;
    f.size = size;
    f.required = required;
    f.displayLabel = label;
    return f;
}

RecordSet sample() {
    RecordSet rs;
    rs.setFields({field("TEMPPRODID", FieldKind::Text, 20, true, "商品編號"),
                  field("NAME", FieldKind::WideText, 50), field("QTY", FieldKind::Integer),
                  field("B_PRICE", FieldKind::Float), field("NOTE", FieldKind::Memo),
                  field("IMG", FieldKind::Blob), field("OK", FieldKind::Boolean)});
    rs.createDataSet();
    rs.appendRow({std::string("A001"), std::string("商品 <\"&'>"), int64_t(3), 12.5,
                  std::string("line1\r\nline2"), std::string("\x00\xFF\x01", 3), int64_t(1)});
    rs.appendRow({std::string("B002"), Value{}, int64_t(-7), 0.1, Value{}, Value{}, int64_t(0)});
    return rs;
}

} // namespace

TEST(RecordSet, PostRefusesAnEmptyRequiredFieldNamingItsLabel) {
    RecordSet rs = sample();
    rs.append();
    rs.setValue("NAME", std::string("x"));
    try {
        rs.post();
        FAIL();
    } catch (const RecordSetError& e) {
        EXPECT_STREQ(e.what(), "欄位 '商品編號' 必須有值");
    }
    EXPECT_TRUE(rs.editing());
    rs.setValue("TEMPPRODID", std::string("C003"));
    rs.post();
    EXPECT_EQ(rs.rowCount(), 3u);
    EXPECT_EQ(rs.asString("TEMPPRODID"), "C003");
}

TEST(RecordSet, XmlPacketRoundTripsFieldsRowsAndNulls) {
    RecordSet rs = sample();
    std::string xml = rs.xmlPacket();
    EXPECT_NE(
        xml.find(
            "<FIELD attrname=\"TEMPPRODID\" fieldtype=\"string\" required=\"true\" WIDTH=\"20\""),
        std::string::npos)
        << xml;
    EXPECT_NE(xml.find("<FIELD attrname=\"NAME\" fieldtype=\"string.uni\" WIDTH=\"100\""),
              std::string::npos);
    EXPECT_NE(xml.find("<FIELD attrname=\"NOTE\" fieldtype=\"bin.hex\" SUBTYPE=\"Text\""),
              std::string::npos);
    EXPECT_EQ(xml.rfind("<?xml version=\"1.0\" standalone=\"yes\"?>", 0), 0u);

    RecordSet back;
    back.setXmlPacket(xml);
    ASSERT_EQ(back.fieldCount(), rs.fieldCount());
    for (std::size_t i = 0; i < rs.fieldCount(); ++i) {
        EXPECT_EQ(back.fields()[i].name, rs.fields()[i].name);
        EXPECT_EQ(back.fields()[i].kind, rs.fields()[i].kind);
        EXPECT_EQ(back.fields()[i].size, rs.fields()[i].size);
        EXPECT_EQ(back.fields()[i].required, rs.fields()[i].required);
    }
    ASSERT_EQ(back.rowCount(), 2u);
    for (std::size_t r = 0; r < 2; ++r)
        EXPECT_EQ(back.row(r), rs.row(r)) << "row " << r;
}

TEST(RecordSet, CopyKeepsDefinitionsAndRows) {
    RecordSet rs = sample();
    RecordSet copy;
    copy.copyFrom(rs);
    EXPECT_TRUE(copy.active());
    EXPECT_EQ(copy.fields()[0].label(), "商品編號");
    EXPECT_EQ(copy.rowCount(), 2u);
    EXPECT_EQ(copy.row(1), rs.row(1));
}

TEST(RecordSet, SortsByIndexFieldNames) {
    RecordSet rs = sample();
    rs.appendRow({std::string("A000"), std::string("z"), int64_t(3), 1.0});
    rs.setIndexFieldNames("QTY;TEMPPRODID");
    std::vector<std::string> order;
    for (rs.first(); !rs.eof(); rs.next())
        order.push_back(rs.asString("TEMPPRODID"));
    EXPECT_EQ(order, (std::vector<std::string>{"B002", "A000", "A001"}));
}

TEST(RecordSet, TextValuesAreCutToTheFieldWidthInCharacters) {
    RecordSet rs;
    rs.setFields({field("T", FieldKind::Text, 3)});
    rs.createDataSet();
    rs.append();
    rs.setValue("T", std::string("商品資料"));
    rs.post();
    EXPECT_EQ(rs.asString("T"), "商品資");
}

class RecordSetFill : public ::testing::Test {
  protected:
    testdata::TestDatabase database;
    db::Connection conn;
    void SetUp() override {
        conn.params() = database.params();
        database.exec("insert into PRODUCT (PROD_ID, PROD_NAME, SALE_PRICE, WUID) values ('B', "
                      "'乙', 12.5, 'w')");
        database.exec("insert into PRODUCT (PROD_ID, PROD_NAME, WUID) values ('A', '甲', 'w')");
    }
};

TEST_F(RecordSetFill, FixedFieldsAreFilledByNameAndKept) {
    RecordSet list;
    list.setFields(exchange::productListFields());
    list.setConnection(&conn);
    exchange::loadAll(list);
    ASSERT_EQ(list.fieldCount(), 34u);
    ASSERT_EQ(list.rowCount(), 2u);
    EXPECT_EQ(list.asString("PROD_ID"), "A");
    EXPECT_TRUE(list.isNull("SALE_PRICE"));
    list.next();
    EXPECT_EQ(list.asString("PROD_NAME"), "乙");
    EXPECT_EQ(std::get<double>(list.value("SALE_PRICE")), 12.5);
    EXPECT_EQ(list.fields()[0].label(), "商品編號");

    list.setCommandText("select PROD_ID, PROD_NAME from PRODUCT");
    EXPECT_THROW(list.open(), RecordSetError); // the list needs all 34 columns
    EXPECT_FALSE(list.active());
}

TEST_F(RecordSetFill, WithoutDeclaredFieldsTakesTheStatements) {
    RecordSet rs;
    rs.setConnection(&conn);
    rs.setCommandText("select PROD_ID, SALE_PRICE from PRODUCT where 1 = 0");
    rs.open();
    EXPECT_TRUE(rs.active());
    EXPECT_EQ(rs.rowCount(), 0u);
    ASSERT_EQ(rs.fieldCount(), 2u);
    EXPECT_EQ(rs.fields()[0].size, 20);
    EXPECT_EQ(rs.fields()[1].kind, FieldKind::Float);
}
