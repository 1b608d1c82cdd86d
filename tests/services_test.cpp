#include <gtest/gtest.h>

#include <set>
#include <thread>

#include "datamodule/TSimpleDataMod.h"
#include "platform/text/Text.h"
#include "services/IdentifierChecks.h"
#include "services/Numbers.h"
#include "support/ScriptedPrompts.h"
#include "support/TestDatabase.h"

using namespace services;

TEST(IdentifierChecks, BusinessNumbers) {
    struct {
        const char* in;
        bool ok;
    } cases[] = {{"10000009", true},  {"12345675", true},  {"12345670", false},
                 {"00000000", false}, {"1234567", false},  {"1234567A", false},
                 {"", false},         {"1234567 ", false}, {"１2345675", false},
                 {"04595257", true}};
    for (const auto& c : cases)
        EXPECT_EQ(CheckBANO(c.in), c.ok) << c.in;
}

TEST(IdentifierChecks, IdentityNumbers) {
    struct {
        const char* in;
        bool ok;
    } cases[] = {{"A123456789", true},  {"a123456789", true},   {"A123456788", false},
                 {"1234567890", false}, {"AB12345678", false},  {"", true},
                 {"A12345678", false},  {"A1234567890", false}, {"Ａ123456789", false}};
    for (const auto& c : cases)
        EXPECT_EQ(CheckRocID(c.in), c.ok) << c.in;
}

TEST(IdentifierChecks, InvoiceNumbers) {
    struct {
        const char* in;
        bool ok;
    } cases[] = {{"AB12345678", true},  {"ab12345678", false},  {"A112345678", false},
                 {"AB1234567", false},  {"AB123456789", false}, {"", true},
                 {"AB1234567８", false}};
    for (const auto& c : cases)
        EXPECT_EQ(InvoiceNumCheck(c.in), c.ok) << c.in;
}

TEST(Numbers, Rounding) {
    struct {
        double v;
        int dot;
        double out;
    } cases[] = {{0.125, 2, 0.13},
                 {1.005, 2, 1.01},
                 {2.675, 2, 2.68},
                 {-2.675, 2, -2.67},
                 {-12.5, 0, -12},
                 {12.5, 0, 13},
                 {99.5, 0, 100},
                 {7, 4, 7},
                 {3.14159, 5, 3.14159},
                 {2.5, -1, 2.5},
                 // Half away from zero on the decimal value, not on its binary form.
                 {2.49999, 0, 3},
                 {0.12499, 2, 0.13},
                 {1.4499, 3, 1.45},
                 {-0.00501, 2, -0.01},
                 // Too large for fractional digits: the magnitude stays.
                 {1e70, 2, 1e70 + 0.00001},
                 {-3e20, 4, -3e20}};
    for (const auto& c : cases)
        EXPECT_DOUBLE_EQ(RoundNum(c.v, c.dot), c.out) << c.v << " at " << c.dot;
}

TEST(Numbers, SplitParams) {
    struct {
        const char* in;
        std::vector<std::string> out;
    } cases[] = {{"a&b", {"a", "b"}},
                 {"a&&b", {"a", "", "b"}},
                 {"x=1&y=2&", {"x=1", "y=2", ""}},
                 {"", {""}}};
    for (const auto& c : cases) {
        std::vector<std::string> dest{"old"};
        SplitParams(c.in, &dest);
        EXPECT_EQ(dest, c.out) << c.in;
    }
    SplitParams("a&b", nullptr); // no list: nothing happens
}

class ServicesTest : public ::testing::Test {
  protected:
    testdata::TestDatabase database;
    testdata::ScriptedPrompts prompts;
    std::unique_ptr<TSimpleDataMod> m;
    void SetUp() override {
        text::writeFile(database.folder() + "dbconfig.txt", database.configText());
        m = std::make_unique<TSimpleDataMod>(database.folder(), std::vector<std::string>{},
                                             &prompts);
    }
    void exec(const std::string& sql) { database.exec(sql); }
    // A packet read back by the record set's own loader.
    static dataset::RecordSet packet(const std::string& xml) {
        dataset::RecordSet rs;
        rs.setXmlPacket(xml);
        EXPECT_EQ(rs.rowCount(), 1u);
        return rs;
    }
    static double num(const dataset::RecordSet& rs, const char* f) {
        return std::get<double>(rs.value(f));
    }
};

TEST_F(ServicesTest, BillNumbersByDay) {
    EXPECT_EQ(m->GetMaxBillID("SO_NUM", "2013/07/23", "SO"), "SO201307230001");
    EXPECT_EQ(database.scalar("select LAST_ID || '|' || CHG_DATE from SO_NUM"), "2|2013/07/23");
    EXPECT_EQ(m->GetMaxBillID("SO_NUM", "2013/07/23", "SO"), "SO201307230002");
    EXPECT_EQ(m->GetMaxBillID("SO_NUM", "2013/07/24", "SO"), "SO201307240001");
    exec("update SO_NUM set LAST_ID = 10000 where BILL_DATE = '2013/07/23'");
    EXPECT_EQ(m->GetMaxBillID("SO_NUM", "2013/07/23", "SO"), "SO2013072310000");
    exec("update SO_NUM set LAST_ID = NULL where BILL_DATE = '2013/07/24'");
    EXPECT_EQ(m->GetMaxBillID("SO_NUM", "2013/07/24", "SO"), "SO201307240001");

    // Inside the caller's transaction the counter advances there.
    m->SQLConnection1.startTransaction();
    EXPECT_EQ(m->GetMaxBillID("SO_NUM", "2013/07/23", "SO"), "SO2013072310001");
    EXPECT_EQ(m->GetMaxBillID("SO_NUM", "2013/07/23", "SO"), "SO2013072310002");
    m->SQLConnection1.rollback();
    EXPECT_EQ(m->GetMaxBillID("SO_NUM", "2013/07/23", "SO"), "SO2013072310001");

    EXPECT_THROW(m->GetMaxBillID("SO_NUM; DROP TABLE PRODUCT", "2013/07/23", "SO"),
                 db::DatabaseError);
    EXPECT_THROW(m->GetMaxBillID("NO_SUCH_NUM", "2013/07/23", "SO"), db::DatabaseError);
    EXPECT_FALSE(m->SQLConnection1.inTransaction()); // the failed run was rolled back
    EXPECT_EQ(m->GetMaxBillID("SO_NUM", "2013'07", "X"), "X2013'070001"); // a day is data
}

TEST_F(ServicesTest, TwoConnectionsNeverGetTheSameNumber) {
    std::vector<std::string> a, b;
    auto take = [&](std::vector<std::string>& out) {
        db::Connection c;
        c.params() = database.params();
        for (int i = 0; i < 500; ++i)
            out.push_back(GetMaxBillID(c, "SO_NUM", "2020/01/01", "T"));
    };
    std::thread t1(take, std::ref(a)), t2(take, std::ref(b));
    t1.join();
    t2.join();
    std::set<std::string> all(a.begin(), a.end());
    all.insert(b.begin(), b.end());
    EXPECT_EQ(all.size(), 1000u);
    EXPECT_EQ(*all.begin(), "T202001010001");
    EXPECT_EQ(*all.rbegin(), "T202001011000");
}

TEST_F(ServicesTest, RoundPriceUsesThePriceDecimals) {
    exec("insert into PARAM_DEFINE (PARAM_ID, PARAM_VALUE) values ('price_dot', '0')");
    m->LoadParam("x");
    EXPECT_DOUBLE_EQ(m->RoundPrice(99.5), 100);
    exec("update PARAM_DEFINE set PARAM_VALUE = '2'");
    m->SQLConnection1.close();
    m->LoadParam("x");
    EXPECT_DOUBLE_EQ(m->RoundPrice(2.675), 2.68);
}

class PriceTest : public ServicesTest {
  protected:
    void SetUp() override {
        ServicesTest::SetUp();
        exec("insert into PRODUCT (PROD_ID, PROD_ID2, PROD_BARCODE, PD_CLASSID, SALE_PRICE, MS_YN, "
             "WUID) "
             "values ('P1', 'SECOND1', '4710001', 'C1', 100, 'N', 'w')");
        exec("insert into PRODUCT2 (PROD_ID, STD_COST, LAST_COST, NOW_QTY) values ('P1', 40, 45, "
             "7)");
        exec("insert into PROD_PRICE (PROD_ID, PRICE_NO, DEFINE_PRICE) values ('P1', 1, 95)");
        exec("insert into PROD_PRICE (PROD_ID, PRICE_NO, DEFINE_PRICE) values ('P1', 2, 0)");
        exec(
            "insert into CUSTOMER (CORP_ID, CORP_NAME, HISTPRICE_YN) values ('K1', '甲公司', 'Y')");
        exec(
            "insert into CUSTOMER (CORP_ID, CORP_NAME, HISTPRICE_YN) values ('K2', '乙公司', 'N')");
    }
    dataset::RecordSet sale(const char* corp, const char* code, int list = 1,
                            const char* day = "2024/05/10") {
        return packet(m->GetSalePrice(corp, code, list, day));
    }
};

TEST_F(PriceTest, SalePriceFromTheProductAndItsPacket) {
    auto p = sale("K9", "SECOND1");
    EXPECT_EQ(p.fieldCount(), 11u);
    EXPECT_EQ(p.fields()[0].name, "TEMPPRODID");
    EXPECT_EQ(p.fields()[0].kind, dataset::FieldKind::Text);
    EXPECT_EQ(p.fields()[0].size, 20);
    EXPECT_EQ(p.fields()[4].kind, dataset::FieldKind::Float);
    EXPECT_EQ(p.asString("PROD_ID"), "P1");
    EXPECT_EQ(p.asString("TEMPPRODID"), "SECOND1");
    EXPECT_DOUBLE_EQ(num(p, "B_PRICE"), 95); // price list 1
    EXPECT_DOUBLE_EQ(num(p, "U_DIS"), 100);
    EXPECT_DOUBLE_EQ(num(p, "LAST_COST"), 40); // the standard cost
    EXPECT_DOUBLE_EQ(num(p, "NOW_QTY"), 7);
    EXPECT_EQ(p.asString("FR_YN"), "Y");
    EXPECT_EQ(p.asString("MS_YN"), "N");
    EXPECT_TRUE(p.isNull("MASTERBILLID"));
    EXPECT_TRUE(p.isNull("HISTPRICE_YN"));                           // no such customer
    EXPECT_DOUBLE_EQ(num(sale("K9", "P1", 2), "B_PRICE"), 100);      // list price 0: the sale price
    EXPECT_DOUBLE_EQ(num(sale("K9", "4710001", 5), "B_PRICE"), 100); // no list row

    exec("insert into PROD_PACK (PROD_ID, PACK_BARCODE, PACK_SALEPRICE, PACK_RATE) values ('P1', "
         "'BOX12', 1100, 12)");
    auto pack = sale("K9", "BOX12");
    EXPECT_EQ(pack.asString("PROD_ID"), "P1");
    EXPECT_DOUBLE_EQ(num(pack, "B_PRICE"), 1100);
    EXPECT_DOUBLE_EQ(num(pack, "U_DIS"), 100);
}

TEST_F(PriceTest, EachRungWinsOverTheOnesBelow) {
    // Class discount over the list price.
    exec("insert into CUSTOMER_PDCLASS_DIS (CUST_CORP_ID, PD_CLASSID, PER_DIS) values ('K1', 'C1', "
         "90)");
    auto p = sale("K1", "P1");
    EXPECT_DOUBLE_EQ(num(p, "B_PRICE"), 100);
    EXPECT_DOUBLE_EQ(num(p, "U_DIS"), 90);
    EXPECT_TRUE(p.isNull("MASTERBILLID"));
    exec("insert into CUSTOMER_PDCLASS_DIS (CUST_CORP_ID, PD_CLASSID, PER_DIS) values ('K2', 'C1', "
         "NULL)");
    EXPECT_DOUBLE_EQ(num(sale("K2", "P1"), "U_DIS"), 100);

    // The last purchase sets the cost.
    exec("insert into PURCHASE_DETAIL (PROD_ID, BILL_DATE, V_PRICE, PACK_QTY) values ('P1', "
         "'2024/05/01', 120, 4)");
    exec("insert into PURCHASE_DETAIL (PROD_ID, BILL_DATE, V_PRICE, PACK_QTY) values ('P1', "
         "'2024/06/01', 999, 1)");
    EXPECT_DOUBLE_EQ(num(sale("K1", "P1"), "LAST_COST"), 30);

    // A quotation valid on the day over the class discount.
    exec("insert into CUSTQUOTE_DETAIL (MASTERBILLID, TEMPPRODID, CUST_CORP_ID, B_PRICE, U_DIS, "
         "INI_DATE, END_DATE) "
         "values ('Q1', 'P1', 'K1', 88, 95, '2024/05/01', '2024/05/31')");
    p = sale("K1", "P1");
    EXPECT_DOUBLE_EQ(num(p, "B_PRICE"), 88);
    EXPECT_EQ(p.asString("MASTERBILLID"), "Q1");
    EXPECT_DOUBLE_EQ(num(sale("K1", "P1", 1, "2024/06/01"), "B_PRICE"),
                     100); // expired: class discount

    // The last sale over the quotation for a history customer; a customer
    // without history prices only loses the first-sale flag.
    exec("insert into CUSTSALE_DETAIL (MASTERBILLID, TEMPPRODID, CUST_CORP_ID, B_PRICE, U_DIS) "
         "values ('S1', 'P1', 'K1', 80, 100)");
    exec("insert into CUSTSALE_DETAIL (MASTERBILLID, TEMPPRODID, CUST_CORP_ID, B_PRICE, U_DIS) "
         "values ('S2', 'P1', 'K1', 82, 98)");
    exec("insert into CUSTSALE_DETAIL (MASTERBILLID, TEMPPRODID, CUST_CORP_ID, B_PRICE, U_DIS) "
         "values ('S3', 'P1', 'K2', 70, 100)");
    p = sale("K1", "P1");
    EXPECT_DOUBLE_EQ(num(p, "B_PRICE"), 82);
    EXPECT_DOUBLE_EQ(num(p, "U_DIS"), 98);
    EXPECT_EQ(p.asString("MASTERBILLID"), "S2");
    EXPECT_EQ(p.asString("FR_YN"), "N");
    auto k2 = sale("K2", "P1");
    EXPECT_EQ(k2.asString("FR_YN"), "N");
    EXPECT_EQ(k2.asString("HISTPRICE_YN"), "N");
    EXPECT_DOUBLE_EQ(num(k2, "B_PRICE"), 100); // the class discount's price
    EXPECT_TRUE(k2.isNull("MASTERBILLID"));

    // A promotion running on the day beats everything; the latest start wins.
    exec("insert into PSALE_DETAIL (MASTERBILLID, TEMPPRODID, PSALE_PRICE, U_DIS, INI_DATE, "
         "END_DATE) "
         "values ('PR1', 'P1', 60, 100, '2024/05/01', '2024/05/31')");
    exec("insert into PSALE_DETAIL (MASTERBILLID, TEMPPRODID, PSALE_PRICE, U_DIS, INI_DATE, "
         "END_DATE) "
         "values ('PR2', 'P1', 55, 100, '2024/05/05', '2024/05/20')");
    p = sale("K1", "P1");
    EXPECT_DOUBLE_EQ(num(p, "B_PRICE"), 55);
    EXPECT_EQ(p.asString("MASTERBILLID"), "PR2");
    EXPECT_EQ(sale("K1", "P1", 1, "2024/05/25").asString("MASTERBILLID"), "PR1");
    // Keys holding quotes are plain data.
    EXPECT_EQ(sale("K'1", "P'1").asString("TEMPPRODID"), "P'1");
}

TEST_F(PriceTest, PurchaseCostAndTillPrices) {
    exec("insert into PRODUCT (PROD_ID, WUID) values ('P2', 'w')");
    exec("insert into PRODUCT2 (PROD_ID, STD_COST, LAST_COST, NOW_QTY) values ('P2', 5, 0, 3)");
    exec("insert into PROD_PACK (PROD_ID, PACK_BARCODE, PACK_INPRICE, PACK_RATE) values ('P2', "
         "'CASE12', 50, 12)");
    struct {
        const char* code;
        int kind;
        double price; // -1: null
    } cases[] = {{"CASE12", 2, 60}, {"CASE12", 3, 60}, {"CASE12", 0, 50}, {"P1", 2, 45},
                 {"P1", 1, 40},     {"P2", 2, 5},      {"P1", 4, -1},     {"P1", -1, -1}};
    for (const auto& c : cases) {
        auto p = packet(m->GetInPrice("V1", c.code, c.kind));
        EXPECT_EQ(p.asString("SUPP_CORP_ID"), "V1");
        EXPECT_DOUBLE_EQ(num(p, "U_DIS"), 100);
        if (c.price < 0)
            EXPECT_TRUE(p.isNull("B_PRICE")) << c.code << c.kind;
        else
            EXPECT_DOUBLE_EQ(num(p, "B_PRICE"), c.price) << c.code << " kind " << c.kind;
    }
    auto viaPack = packet(m->GetInPrice("V1", "CASE12", 0));
    EXPECT_EQ(viaPack.asString("PROD_ID"), "P2");
    EXPECT_DOUBLE_EQ(num(viaPack, "NOW_QTY"), 3);
    EXPECT_TRUE(packet(m->GetInPrice("V1", "P1", 1)).isNull("PROD_ID"));

    EXPECT_DOUBLE_EQ(num(packet(m->GetCostPrice("P2", 2)), "COST_PRICE"), 5);
    EXPECT_DOUBLE_EQ(num(packet(m->GetCostPrice("SECOND1", 2)), "COST_PRICE"), 45);
    EXPECT_TRUE(packet(m->GetCostPrice("P1", 7)).isNull("COST_PRICE"));

    exec("insert into PROD_PRICE (PROD_ID, PRICE_NO, DEFINE_PRICE) values ('P2', 0, 10)");
    exec("insert into PROD_PRICE (PROD_ID, PRICE_NO, DEFINE_PRICE) values ('P2', 2, 12)");
    auto pos = packet(m->GetPosPrice("P2", "2024/01/01"));
    ASSERT_EQ(pos.fieldCount(), 10u);
    EXPECT_EQ(pos.asString("PROD_ID"), "P2");
    std::vector<double> prices;
    for (const char* f : {"PRICE0", "PRICE1", "PRICE2", "PRICE3", "PRICE4", "PRICE5", "PRICE6"})
        prices.push_back(num(pos, f));
    EXPECT_EQ(prices, (std::vector<double>{10, 0, 12, 0, 0, 0, 0}));
    EXPECT_DOUBLE_EQ(num(pos, "COST_PRICE"), 5);
    // An unknown code: every price 0, the cost included.
    auto unknown = packet(m->GetPosPrice("NONE", "2024/01/01"));
    EXPECT_FALSE(unknown.isNull("COST_PRICE"));
    EXPECT_DOUBLE_EQ(num(unknown, "COST_PRICE"), 0);
}

TEST_F(ServicesTest, ItemPricesPreferTheCustomersOwn) {
    exec("insert into MATERIAL (MATERIAL_ID, MATERIAL_NAME, PRICE) values ('M1', '壓克力', 30)");
    exec("insert into MATERIAL (MATERIAL_ID, MATERIAL_NAME, PRICE) values ('M2', '無價', NULL)");
    exec("insert into CUST_MATERIAL_PRICE (CUST_CORP_ID, MATERIAL_ID, PSALE_PRICE) values ('K1', "
         "'M1', 25)");
    exec("insert into WORKPROCESS (WORKPROCESS_ID, PRICE) values ('W1', 8)");
    exec("insert into CUST_PROTECTOR_PRICE (CUST_CORP_ID, PROTECTORITEM_ID, PSALE_PRICE) values "
         "('K1', 'R1', 4)");
    auto special = packet(m->GetMaterial_Price("K1", "M1"));
    EXPECT_EQ(special.fields()[1].name, "MATERIAL_ID");
    EXPECT_DOUBLE_EQ(num(special, "SALE_PRICE"), 25);
    EXPECT_DOUBLE_EQ(num(packet(m->GetMaterial_Price("K2", "M1")), "SALE_PRICE"), 30);
    EXPECT_TRUE(packet(m->GetMaterial_Price("K2", "M2")).isNull("SALE_PRICE"));
    EXPECT_TRUE(packet(m->GetMaterial_Price("K2", "NONE")).isNull("SALE_PRICE"));
    EXPECT_DOUBLE_EQ(num(packet(m->GetWorkProcess_Price("K1", "W1")), "SALE_PRICE"), 8);
    auto protector = packet(m->GetProtector_Price("K1", "R1"));
    EXPECT_EQ(protector.asString("PROTECTORITEM_ID"), "R1");
    EXPECT_DOUBLE_EQ(num(protector, "SALE_PRICE"), 4);
}

TEST_F(ServicesTest, NameLookupsAndPermissions) {
    exec("insert into CUSTOMER (CORP_ID, CORP_NAME) values ('K1', '甲公司')");
    exec("insert into EMPLOYEE (EMPLOYEE_ID, EMPLOYEE_NAME) values ('E1', '王小明')");
    exec("insert into PROJ_ITEM (PROJ_ID, PROJ_NAME) values ('J''1', '專案一')");
    exec("insert into MATERIAL (MATERIAL_ID, MATERIAL_NAME) values ('M1', NULL)");
    EXPECT_EQ(m->GetCustName("K1"), "甲公司");
    EXPECT_EQ(m->GetCustName("K9"), "");
    EXPECT_EQ(m->GetEmployeeName("E1"), "王小明");
    EXPECT_EQ(m->GetProjName("J'1"), "專案一");
    EXPECT_EQ(m->GetMaterialName("M1"), "");

    exec("insert into ORG_POWER (ORG_ID, ITEM_NO, P_RUN, P_ADD) values ('G1', 101, 1, 2)");
    exec("insert into ORG_POWER_REPORT (ORG_ID, ITEM_NO, P_PRINT) values ('G1', 7, 0)");
    EXPECT_TRUE(m->GetOrgPowerState("G1", "101", "P_RUN"));
    EXPECT_FALSE(m->GetOrgPowerState("G2", "101", "P_RUN"));
    EXPECT_FALSE(m->GetOrgPowerState("G1", "101", "P_EDIT")); // null
    EXPECT_TRUE(prompts.shown.empty());
    EXPECT_FALSE(m->GetOrgPowerState("G1", "101", "P_ADD"));
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].text, "輸入異常..!");
    EXPECT_FALSE(m->GetOrgPowerReportState("G1", "7", "P_PRINT"));
    EXPECT_THROW(m->GetOrgPowerState("G1", "101", "P_RUN FROM ORG_POWER --"), db::DatabaseError);
    EXPECT_THROW(m->GetOrgPowerState("G1", "101", "NO_SUCH_COLUMN"), db::DatabaseError);
}

// Keys longer than their columns are simply not found: the services answer
// with their defaults instead of failing.
TEST_F(PriceTest, KeysLongerThanTheirColumnsFindNothing) {
    std::string code(21, 'C'), customer(21, 'K'), day = "2024/01/01 and more";
    auto p = packet(m->GetSalePrice(customer, code, 0, day));
    EXPECT_EQ(p.asString("TEMPPRODID"), std::string(20, 'C')); // the packet's own width
    EXPECT_EQ(p.asString("PROD_ID"), "");
    EXPECT_DOUBLE_EQ(num(p, "B_PRICE"), 0);
    EXPECT_DOUBLE_EQ(num(p, "U_DIS"), 100);
    EXPECT_EQ(p.asString("FR_YN"), "Y");
    EXPECT_DOUBLE_EQ(num(packet(m->GetSalePrice("K1", "P1", 0, day)), "B_PRICE"), 100);
    EXPECT_TRUE(packet(m->GetInPrice(customer, code, 0)).isNull("PROD_ID"));
    EXPECT_DOUBLE_EQ(num(packet(m->GetCostPrice(code, 2)), "COST_PRICE"), 0);
    EXPECT_DOUBLE_EQ(num(packet(m->GetPosPrice(code, day)), "COST_PRICE"), 0);
    EXPECT_TRUE(packet(m->GetMaterial_Price(customer, code)).isNull("SALE_PRICE"));
    EXPECT_EQ(m->GetCustName(customer), "");
    EXPECT_EQ(m->GetEmployeeName(std::string(11, 'E')), "");
    EXPECT_FALSE(m->GetOrgPowerState(std::string(100, 'G'), "1", "P_RUN"));
    EXPECT_TRUE(prompts.shown.empty());
}

TEST_F(ServicesTest, SharedDataSetsAreDefinedAndOpenAsDefined) {
    const auto& names = m->dataSets.names();
    ASSERT_EQ(names.size(), 14u);
    EXPECT_EQ(names.front(), "CDS_Supp");
    EXPECT_EQ(names.back(), "CDS_CustWorkQuote");
    for (const auto& n : names)
        EXPECT_FALSE(m->dataSets[n].active()) << n;
    EXPECT_FALSE(m->SQLConnection1.connected());

    auto& detail = m->dataSets["CDS_PurchaseOrderDetail"];
    EXPECT_EQ(detail.commandText(),
              "select * from INQUIRY_DETAIL\r\nwhere masterbillid = '-1'\r\n");
    detail.open();
    EXPECT_EQ(detail.rowCount(), 0u);
    ASSERT_EQ(detail.fieldCount(), 55u);
    const auto& recno = detail.fields()[54];
    EXPECT_EQ(recno.name, "RECNO");
    EXPECT_TRUE(recno.calculated);
    EXPECT_EQ(recno.label(), "序");

    auto& prod = m->dataSets["CDS_Prod"];
    ASSERT_EQ(prod.fieldCount(), 35u);
    const auto& scale = prod.fields()[std::size_t(prod.findField("PROD_SCALE"))];
    EXPECT_EQ(scale.kind, dataset::FieldKind::WideText);
    EXPECT_EQ(scale.size, 100);
    EXPECT_EQ(prod.fields()[34].label(), "浮動售價");
    EXPECT_TRUE(prod.fields()[0].required);
    EXPECT_EQ(prod.fields()[16].displayWidth, 3);

    const auto& bank = m->dataSets["CDS_BankAccount"].fields();
    EXPECT_TRUE(bank[0].required);
    EXPECT_TRUE(bank[0].key);
    EXPECT_EQ(bank[4].displayWidth, 100);
    EXPECT_EQ(m->dataSets["CDS_Cust"].fieldCount(), 33u);
    EXPECT_EQ(m->dataSets["CDS_Supp"].fieldCount(), 32u);
    EXPECT_EQ(m->dataSets.chain("CDS_PaymentClass").query, "SQL_PaymentCLass");

    exec("insert into PRODUCT (PROD_ID, PROD_SCALE, WUID) values ('P1', '" + std::string(100, 'x') +
         "', 'w')");
    prod.open();
    EXPECT_EQ(prod.asString("PROD_SCALE").size(), 100u);
}
