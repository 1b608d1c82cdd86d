// The tables of the catalogue, column by column. Compact column lists (see
// parseColumns); the tables that share a layout are built from it below.

#include <algorithm>
#include <stdexcept>

#include "Catalogue.h"
#include "Ddl.h"
#include "PaymentTriggers.h"

namespace schema {

namespace {

const char* const kReceiptHeader =
    "MASTERBILLID V20!, SAL_DATE V10, SAL_NO V10, MCH_NO V10, CO_NO V8, CO_CODE V1, "
    "SAL_TIME V8, MEMBER_ID V20, CARD_ID V20, HU_PER D, CLASS_NO V1, EMPLOYEE_ID V10, "
    "SALES_ID V10, SAL_AMT D, DISCOUNT D, DIS_TTT D, REL_SAL D, CASH D, VISA D, DISROL D, "
    "GIVE D, CONSUMER D, PDCSHET D, ICASH_GIVE D, REL_RCV D, CHANGE D, VISA_NO V20, "
    "USE_TYPE V4, TAB_NO V5, I_POINT D, U_POINT D, MAN_SALE V1, VISA_MODE V1, DIS_NO V1, "
    "DIS_PER D, DIS_PRICE D, C_AMT D, C_POINT D, CR_FLAG V1, IC_CARD V20, IC_AMT D, "
    "THEA_AMT D, N_RECAMT D, POINT_CASH D, POINT_RATE D, SHET_YN V1, INV3_SW V2, INV3_MODE V2, "
    "TRN_CODE V1, TOTAL_QTY D, TOTAL_COUNT I";
const char* const kReceiptLine =
    "MASTERBILLID V20!, KEYINTIME V20, SAL_DATE V10, SAL_NO V10, ORD_NO I, TEMPPRODID V20, "
    "V_NAME V100, V_QTY D, V_UNIT V10, B_PRICE D, U_DIS D, V_PRICE D, AMT D, TAX_KIND V1, "
    "TAX_AMT D, NET_PRICE D, TOT_PRICE D, TOT_AMT D, REMARK V50, PD_SERNO V50, PH_NO V50, "
    "PROD_ID V20, PROD_BARCODE V20, PROD_SNAME V20, PROD_SCALE V30, UNIT_ID V10, "
    "STK_QTY_YN V1, PD_ITEMID V10, SALE_PRICE D, PACK_QTY D, QTY D, STOCK_ID V10, FLAG V10, "
    "FLAG_ID V2, MEMBER_ID V20, SALES_ID V10, EMPLOYEE_ID V10, STD_COST D, STD_PROFIT D, "
    "CO_WORD V2, CO_NAME V10, U_PRICE D, PER D, PER_AMT D, SAL_CODE V2, V_CODE V1, TASTE V40, "
    "TEMP_NO V12, TBAR_CODE V20, RDD_PRICE D, BILLID_NO V20, DIS_PER V2, DIS_AMT D, TTT_AMT D, "
    "TTT_AMT_N D, DIS_SHARE D, TTT_SHARE D, PSALE_PRICE D, HEA_TAX D, HEA_AMT D, POINT_YN V1, "
    "TRN_CODE V1, MMS V20, SEC_DIS V1, REL_AMT D, MS_YN V1, MCH_NO V10";
const char* const kComponentLine =
    "MASTERBILLID V20, SAL_DATE V10, SAL_NO V10, M_PROD_ID V20, M_SAL_QTY D, D_PROD_ID V20, "
    "D_PROD_NAME V50, D_QTY D, D_UNIT_ID V10, D_COST D, T_COST D, STOCK_ID V10, T_SALQTY D, "
    "STK_QTY_YN V1, FLAG V10, FLAG_ID V2, PUT_ID V10, FREE_TAX D, RCO_NAME V10, PSALE_PRICE D";
const char* const kPaymentLine =
    "MASTERBILLID V20!, CHECKOUT_TYPENO V2!, CHECKOUT_AMT D, SAL_DATE V10, SAL_NO V10, "
    "EMPLOYEE_ID V10, MCH_NO V10";
const char* const kChargeLine =
    "MASTERBILLID V20!, KEYINTIME V20, PLUS_ITEMID V5, PLUS_ITEMNAME V20, P_M V1, "
    "V_PLUS_AMT D, PLUS_AMT D, PLUS_REMARK V50, U_RATE D, ACCOUNT_ID V20, ACCOUNT_NAME V50, "
    "WUID V50";

const char* const kBillNumber = "BILL_DATE V10!, LAST_ID I, CHG_DATE V10";

class Builder {
  public:
    std::vector<Table> tables;

    Table& add(std::string name, std::string_view spec, std::vector<Index> indices = {},
               std::vector<std::string> primaryKey = {}) {
        tables.push_back({std::move(name), parseColumns(spec), std::move(primaryKey),
                          std::move(indices), {}});
        return tables.back();
    }
    // A copy of a table already added, under another name and with its own indices.
    Table& like(const std::string& source, std::string name, std::vector<Index> indices) {
        Table t = find(source);
        t.name = std::move(name);
        t.indices = std::move(indices);
        t.after.clear();
        tables.push_back(std::move(t));
        return tables.back();
    }
    Table& find(const std::string& name) {
        for (auto& t : tables)
            if (t.name == name)
                return t;
        throw std::out_of_range("no table " + name);
    }
};

std::size_t position(const Table& t, std::string_view column) {
    for (std::size_t i = 0; i < t.columns.size(); ++i)
        if (t.columns[i].name == column)
            return i;
    throw std::out_of_range("no column " + std::string(column) + " in " + t.name);
}

void insertAfter(Table& t, std::string_view column, std::string_view spec) {
    auto add = parseColumns(spec);
    t.columns.insert(t.columns.begin() + long(position(t, column) + 1), add.begin(), add.end());
}

void erase(Table& t, std::string_view column) {
    t.columns.erase(t.columns.begin() + long(position(t, column)));
}

void replace(Table& t, std::string_view column, std::string_view spec) {
    t.columns[position(t, column)] = parseColumn(spec);
}

Statement comment(const std::string& table, const char* column, const char* text) {
    return {commentSql(table, column, text), {}, false, Statement::Effect::None, table, column};
}

// The column descriptions of an additional-charge table.
void describeCharges(Table& t) {
    static const char* const texts[][2] = {
        {"MASTERBILLID", "單據編號"}, {"KEYINTIME", "輸入時間"},   {"PLUS_ITEMID", "項目代號"},
        {"PLUS_ITEMNAME", "項目名稱"}, {"P_M", "正負"},            {"V_PLUS_AMT", "金額"},
        {"PLUS_AMT", "實際額"},       {"PLUS_REMARK", "備註"},      {"U_RATE", "乘率%"},
        {"ACCOUNT_ID", "科目代號"},   {"ACCOUNT_NAME", "科目名稱"}};
    for (const auto& [column, text] : texts)
        t.after.push_back(comment(t.name, column, text));
}

std::vector<Table> build() {
    Builder b;
    // Master and reference tables.
    // 8 columns
    b.add("PRODUCT_PLACE",
        "PRODUCTION_PLACE V50!, STAMPS",
        {{"IX_PROD_PLACE_0", {"PRODUCTION_PLACE"}}});
    // 9 columns
    b.add("STK_MEMO_GROUP",
        "GROUP_ID V20, GROUP_NAME V50, STAMPS:CHG_HOST=C20",
        {{"IX_STK_MEMO_GROUP_0", {"GROUP_ID"}}});
    // 10 columns
    b.add("STK_MEMO",
        "GROUP_ID V20, ITEM_ID V20, ITEM_NAME V50, STAMPS:CHG_HOST=C20",
        {{"IX_STK_MEMO_0", {"GROUP_ID"}}});
    // 5 columns
    b.add("LOGIN_STORY",
        "CR_DATETIME V20, CR_USER V10, CR_HOST V20, SYS_NO I, WUID V50",
        {{"IX_LOGIN_STORY", {"CR_DATETIME"}}});
    // 12 columns
    b.add("CUSTOMER_FREI",
        "CORP_ID V20, FR_FLAG V10, FR_NAME V50, FR_ADDRESS V50, FR_PHONE V20, "
        "STAMPS:CHG_HOST=C20",
        {{"IX_CUSTOMER_FRER0", {"CORP_ID"}}, {"IX_CUSTOMER_FRER1", {"CORP_ID", "FR_ADDRESS"}}});
    // 9 columns
    b.add("PAYMENT_CLASS",
        "PAYMENT_CLASSID V10, PAYMENT_CLASSNAME V50, STAMPS",
        {{"IX_PAYMENT_CLASS0", {"PAYMENT_CLASSID"}}});
    // 10 columns
    b.add("PROD_CONITEM",
        "CON_ITEMID V20!, CON_ITEMNAME V50, WEBSHOW_YN V1, STAMPS",
        {{"IX_PROD_CONITEM1", {"WUID"}}, {"IX_PROD_CONITEM2", {"CON_ITEMID"}}});
    // 3 columns
    b.add("PROD_CON",
        "PROD_ID V20, CON_ITEMID V20, WUID V50",
        {{"IX_PROD_CON1", {"PROD_ID"}}});
    // 11 columns
    b.add("CUSTOMER_CONT",
        "CORP_ID V20, CONT_PEOPLE V50, CONT_PHONE V20, CONT_MOBILE V20, STAMPS",
        {{"IX_CUSTOMER_CONT1", {"CORP_ID"}}});
    // 14 columns
    b.add("PROJ_ITEM",
        "PROJ_ID V20!, PROJ_NAME V100, REMARK V100, CUST_CORP_ID V20, INI_DATE V10, "
        "END_DATE V10, PROJ_AMT D, STAMPS",
        {{"IX_PROJ_ITEM_0", {"PROJ_ID"}}});
    // 11 columns
    b.add("CUSTOMER_DO",
        "CORP_ID V20!, DO_DATE V10, DO_REMARK V100, PROCESS_STATE V50, STAMPS",
        {{"IX_CUSTOMER_DO_0", {"CORP_ID"}}, {"IX_CUSTOMER_DO_1", {"DO_DATE"}}});
    // 10 columns
    b.add("INVOICE_ITEM",
        "INVOICE_ITEMID V20!, INVOICE_ITEMNAME V50, ITEM_REMARK V50, STAMPS:CHG_USER=V20",
        {{"INVOICE_ITEM1", {"INVOICE_ITEMID"}}});
    // 13 columns
    b.add("CUSTOMER_PDCLASS_DIS",
        "CUST_CORP_ID V20!, PD_CLASSID V10!, PD_CLASSNAME V50, PER_DIS D, PER_PROFIT D, "
        "REMARK V100, STAMPS",
        {{"IX_CUST_PDCLASS_0", {"CUST_CORP_ID", "PD_CLASSID"}}});
    // 15 columns
    b.add("PLUSCOST_ITEM",
        "PLUS_ITEMID V5!, PLUS_ITEMNAME V20!, ITEM_REMARK V50, ACCOUNT_ID V20, "
        "ACCOUNT_NAME V50, AUTO_SHOW V1, U_RATE D, P_M V1, STAMPS:CHG_USER=V20",
        {{"IX_PLUSCOST_ITEM1", {"PLUS_ITEMID"}}});
    // 10 columns
    b.add("PROD_BRAND",
        "BRAND_ID V10!, BRAND_NAME V50, BRAND_PHOTO V100, STAMPS",
        {{"IX_PROD_BRAND1", {"BRAND_ID"}}});
    // 9 columns
    b.add("TRANS_ITEM",
        "TRANS_ID V10!, TRANS_NAME V50, STAMPS",
        {});
    // 11 columns
    b.add("COMMI_CLASS",
        "COMMI_ID V10, COMMI_NAME V20, COMMI_AMT D, COMMI_PERS D, STAMPS",
        {{"IX_COMMI1", {"COMMI_ID"}}});
    // 10 columns
    b.add("CUSTOMER_LATLNG",
        "CORP_ID V20, LAT D, LNG D, STAMPS",
        {{"IX_CUSTOMER_LATLNG1", {"CORP_ID"}}});
    b.like("CUSTOMER_CONT", "SUPPLIER_CONT", {{"IX_SUPPLIER_CONT1", {"CORP_ID"}}});
    for (const char* row : {"'001', 'MAIL'", "'002', 'ftp://localhost'", "'003', '其他'"})
        b.find("TRANS_ITEM")
            .after.push_back({std::string("INSERT INTO TRANS_ITEM (TRANS_ID, TRANS_NAME) VALUES (") +
                                  row + ")",
                              {}});

    // Sales, purchase and invoice documents.
    // 29 columns
    b.add("STORY_PURCHASE",
        "MASTERBILLID V20, KEYINTIME V20, TEMPPRODID V20, B_PRICE D, U_DIS D, V_PRICE D, "
        "MONEY_ID V10, MONEY_RATE D, TAX_FLAG V1, TAX_KIND V1, V_GIVE_QTY D, PD_SERNO V50, "
        "PH_NO V50, PROD_ID V20, PROD_BARCODE V20, UNIT_ID V10, SALE_PRICE D, PACK_QTY D, "
        "QTY D, GIVE_QTY D, BILL_DATE V10, STOCK_ID V10, FLAG V10, FLAG_ID V2, "
        "SUPP_CORP_ID V20, SUPP_CORP_IDAC V20, CHG_DATETIME V20, CHG_USER V10, CHG_HOST V20",
        {});
    // 4 columns
    b.add("CUSTSALE_POINT",
        "MASTERBILLID V20!, CUST_CORP_ID V20!, I_POINT D, U_POINT D",
        {}, {"MASTERBILLID"});
    // 30 columns
    b.add("INVOICE_MASTER",
        "MASTERBILLID V20!, BILL_DATE V10, ACC_DATE V10, EMPLOYEE_ID V10, EMPLOYEE_NAME V20, "
        "DEPART_ID V10, SUPP_CORP_ID V10, SUPP_CORP_NAME V50, BUSINESS_NUM V10, INI_DATE V10, "
        "END_DATE V10, INVOICE_CLASS V10, INVOICE_DATE V10, INVOICE_NUM V10, INVOICE_TOTAMT D, "
        "INVOICE_TAXAMT D, INVOICE_NETAMT D, REMARK V200, PROJ_ID V20, AGREE_YN V1, "
        "AGREE_USER V10, STAMPS, TAX_FLAG V1, CMONEY V100",
        {{"IDX_INVOICE_MASTER1", {"WUID"}}, {"IDX_INVOICE_MASTER2", {"MASTERBILLID"}}});
    // 26 columns
    b.add("INVOICE_SUB",
        "MASTERBILLID V20!, TRAN_FLAG V10, TRAN_BILLID V20, TRAN_DATE V10, ACC_DATE V10, "
        "TOTAL_SURPLUS D, SURPLUS D, PATCH_AMT D, NEW_SURPLUS D, REMARKSUB V50, FLAG_MARK V5, "
        "INVOICE_CLASS V10, INVOICE_DATE V10, INVOICE_NUM V10, TAX_FLAG V1, TOTAL_NETAMT D, "
        "TOTAL_TAXAMT D, TOTAL_TOTAMT D, TOTAL_DISCOUNT D, STAMPS",
        {{"IDX_INVOICE_SUB1", {"WUID"}}, {"IDX_INVOICE_SUB2", {"MASTERBILLID"}}});
    // 7 columns
    b.add("INVOICE_DETAIL",
        "MASTERBILLID V20!, KEYINTIME V20!, INVOICE_ITEMID V20!, INVOICE_ITEMNAME V50, "
        "ITEM_AMT D, ITEM_REMARK V50, WUID V50",
        {{"IDX_INVOICE_DETAIL1", {"MASTERBILLID"}}});
    // 15 columns
    b.add("CUSTSALE_STAY",
        "MASTERBILLID V20, BILL_DATE V10, EMPLOYEE_ID V10, EMPLOYEE_NAME V20, "
        "CUST_CORP_ID V20, CUST_CORP_NAME V100, AGREE_YN V1, AGREE_USER V10, STAMPS",
        {{"IX_CUSTSALE_STAY0", {"CR_DATETIME"}}, {"IX_CUSTSALE_STAY1", {"MASTERBILLID"}}, {"IX_CUSTSALE_STAY2", {"BILL_DATE"}}});
    // 53 columns
    b.add("PURCHASECOST_MASTER",
        "MASTERBILLID V20, BILL_DATE V10, FLAG V20, FLAG_ID V2, EMPLOYEE_ID V10, "
        "EMPLOYEE_NAME V20, SUPP_CORP_ID V20, SUPP_CORP_NAME V100, TAX_FLAG V1, PRICE_NO I, "
        "SOURCE_TYPE V20, SOURCE_ID V20, TOTAL_NETAMT D, TOTAL_TAXAMT D, TOTAL_TOTAMT D, "
        "TOTAL_DISCOUNT D, TOTAL_DISTAX D, TOTAL_MONEY D, NOW_PAY D, PAYED_AMT D, "
        "TOTAL_SURPLUS D, SURPLUS D, STOCK_ID V10, STOCK_NAME V20, NOTE V100, FR_FLAG V10, "
        "FR_NAME V50, FR_ADDRESS V50, FR_PHONE V20, INVOICE_CLASS V10, INVOICE_DATE V10, "
        "INVOICE_NUM V10, BILL_KIND V4, ACC_DATE V10, PROJ_ID V20, DEPART_ID V10, "
        "SUPP_CORP_IDAC V10, SECBILLID V20, AGREE_YN V1, MONEY_ID V10, MONEY_NAME V50, "
        "MONEY_RATE D, STAMPS, AGREE_USER V10, INVOICE_TOTAMT D, INVOICE_TAXAMT D, "
        "INVOICE_NETAMT D",
        {{"IDX_PURCHASECOST_MASTER1", {"MASTERBILLID"}}});
    // 58 columns
    b.add("PURCHASECOST_DETAIL",
        "MASTERBILLID V20, KEYINTIME V20, TEMPPRODID V20, V_NAME V100, V_QTY D, V_UNIT V10, "
        "B_PRICE D, U_DIS D, V_PRICE D, AMT D, MONEY_ID V10, MONEY_RATE D, TAX_FLAG V1, "
        "TAX_KIND V1, TAX_AMT D, NET_PRICE D, TOT_PRICE D, TOT_AMT D, V_GIVE_QTY D, "
        "REMARK V50, PD_SERNO V50, PH_NO V50, PACK_REMARK V20, PROD_ID V20, PROD_BARCODE V20, "
        "PROD_NAME V100, PROD_SCALE V100, UNIT_ID V10, STK_QTY_YN V1, PD_ITEMID V10, "
        "SALE_PRICE D, PACK_QTY D, QTY D, GIVE_QTY D, U_V_PRICE D, U_TAX_FLAG V1, "
        "U_TAX_KIND V1, U_SAL_TAX D, U_NET_PRICE D, U_TOT_PRICE D, BILL_DATE V10, "
        "STOCK_ID V10, FLAG V10, FLAG_ID V2, SUPP_CORP_ID V20, ACC_DATE V10, SOURCE_TYPE V20, "
        "SOURCE_ID V20, SOURCE_QTY D, SOURCE_UNIT V10, ACCOUNT_ID V20, ACCOUNT_NAME V50, "
        "CHG_DATETIME V20, CHG_USER V10, CHG_HOST V20, BK_DATE V10, PRFS D, SUPP_CORP_IDAC V20",
        {{"IDX_PURCHASECOST_DETAIL1", {"MASTERBILLID"}}, {"IX_PURCHASECOST_DETAIL2", {"PROD_ID", "BILL_DATE"}}});
    // 14 columns
    b.add("OUTVOICEBOOK",
        "INVOICE_CLASS V10, INVOICE_MONTH V7, INVOICE_INIDATE V10, INVOICE_ENDDATE V10, "
        "INVOICE_LEADCODE V2, INVOICE_INICODE V8, INVOICE_ENDCODE V8, STAMPS",
        {{"IX_OUTVOICEBOOK1", {"INVOICE_CLASS", "INVOICE_MONTH"}}});
    replace(b.like("STORY_PURCHASE", "STORY_CUSTSALE", {}), "SUPP_CORP_ID", "CUST_CORP_ID V20");
    replace(b.find("STORY_CUSTSALE"), "SUPP_CORP_IDAC", "CUST_CORP_IDAC V20");
    for (const char* t : {"CUSTORDER_PLUS", "CUSTSALE_PLUS", "CUSTSALEBK_PLUS", "CUSTSALEDIS_PLUS",
                          "PURCHASECOST_PLUS"}) {
        Table& plus = b.add(t, kChargeLine, {{std::string("IX_") + t + "1", {"MASTERBILLID"}}});
        if (std::string_view(t) != "CUSTSALEDIS_PLUS" && std::string_view(t) != "PURCHASECOST_PLUS")
            describeCharges(plus);
    }
    for (const char* t : {"INVOICE_NUM", "OUTVOICE_NUM", "PURCHASECOST_NUM", "REWORKORDER_NUM"})
        b.add(t, kBillNumber, {}, {"BILL_DATE"});
    Table& outMaster = b.like("INVOICE_MASTER", "OUTVOICE_MASTER",
                              {{"IDX_OUTVOICE_MASTER1", {"WUID"}},
                               {"IDX_OUTVOICE_MASTER2", {"MASTERBILLID"}}});
    replace(outMaster, "SUPP_CORP_ID", "CUST_CORP_ID V10");
    replace(outMaster, "SUPP_CORP_NAME", "CUST_CORP_NAME V50");
    Table& outSub = b.like("INVOICE_SUB", "OUTVOICE_SUB",
                           {{"IDX_OUTVOICE_SUB1", {"WUID"}}, {"IDX_OUTVOICE_SUB2", {"MASTERBILLID"}}});
    outSub.columns.push_back(parseColumn("PROJ_ID V20"));
    b.like("INVOICE_DETAIL", "OUTVOICE_DETAIL", {{"IDX_OUTVOICE_DETAIL1", {"MASTERBILLID"}}});
    // Creating the purchase-cost master redefines the payment lines' triggers.
    for (Statement& s : paymentLineTriggerRedefinitions())
        b.find("PURCHASECOST_MASTER").after.push_back(std::move(s));
    insertAfter(b.like("PURCHASECOST_MASTER", "REWORKORDER_MASTER",
                       {{"IX_REWORKORDER_MASTER1", {"MASTERBILLID"}}}),
                "MONEY_RATE", "CLOSED_YN V1");
    Table& reworkLines = b.like("PURCHASECOST_DETAIL", "REWORKORDER_DETAIL",
                                {{"IX_REWORKORDER_DETAIL1", {"MASTERBILLID"}}});
    erase(reworkLines, "ACCOUNT_ID");
    erase(reworkLines, "ACCOUNT_NAME");
    for (const char* c : {"BRAND_ID V10", "BRAND_NAME V50"})
        reworkLines.columns.push_back(parseColumn(c));

    // Point of sale and promotions.
    // 50 columns
    b.add("PSALE_DETAIL",
        "MASTERBILLID V20, KEYINTIME V20, TEMPPRODID V20, V_NAME V50, V_UNIT V10, OLD_PRICE D, "
        "PSALE_FLAG V10, PSALE_PRICE D, VIP_PRICE D, VNEW_COST D, SEC_DIS V1, PLIMIT_QTY D, "
        "NOTE V100, PROD_ID V20, PROD_NAME V50, PROD_BARCODE V20, PD_ITEMID V10, N_QTY I, "
        "STORE_ID V10, INI_DATE V10, END_DATE V10, TIME_SALE V1, INI_TIME V10, END_TIME V10, "
        "NEW_COST D, PINI_DATE V10, PEND_DATE V10, PACK_QTY D, STOP_SALE V1, BILL_KIND V1, "
        "U_DIS D, PD_DEPID V10, SUPP_CORP_ID V20, SUPP_CORP_NAME V100, OLD_COST D, "
        "POINT_YN V1, PRO_NO V10, SET_TYPE V10, POP_TYPE V10, BUY_Q D, BUY_G D, ADV_MON_DIS D, "
        "UNIT_ID V10, STAMPS",
        {{"IX_PSALE_DETAIL1", {"MASTERBILLID"}}, {"IX_PSALE_DETAIL2", {"TEMPPRODID", "STOP_SALE"}}, {"IX_PSALE_DETAIL3", {"PROD_ID", "STOP_SALE"}}, {"IX_PSALE_DETAIL4", {"STORE_ID"}}, {"IX_PSALE_DETAIL5", {"PROD_ID"}}, {"IX_PSALE_DETAIL6", {"TEMPPRODID", "INI_DATE", "END_DATE"}}});
    // 31 columns
    b.add("PSALE_MASTER",
        "MASTERBILLID V20, BILL_DATE V10, SOURCE_ID V20, SUPP_CORP_ID V20, "
        "SUPP_CORP_NAME V100, INI_DATE V10, END_DATE V10, TIME_SALE V1, INI_TIME V10, "
        "END_TIME V10, REASON V100, REGISTER V10, STORE_ID V10, SEC_DIS V1, OVER_AMT D, "
        "PINI_DATE V10, PEND_DATE V10, BILL_TYPE V1, BILL_KIND V1, PD_DEPID V10, PRO_NO V10, "
        "PRO_NAME V10, STAMPS, AGREE_YN V1, FLAG V20",
        {{"IX_PSALE_MASTER1", {"MASTERBILLID"}}, {"IX_PSALE_MASTER2", {"INI_DATE", "END_DATE"}}, {"IX_PSALE_MASTER3", {"PINI_DATE", "PEND_DATE"}}});
    // 6 columns
    b.add("PSALE_TEMP",
        "MCH_NO V10, MASTERBILLID V20, STATE V10, CHG_DATETIME V20, CHG_USER V10, TRAN_CODE V1",
        {{"IX_PSALE_TEMP", {"MCH_NO"}}});
    // 25 columns
    b.add("PTSALE_MASTER",
        "MASTERBILLID V20!, BILL_DATE V10, PRO_ID V20, INI_DATE V10, INI_TIME V6, "
        "END_DATE V10, END_TIME V6, PTSALE_CLASS V10, PTSALE_QTY D, PTSALE_PRICE D, "
        "PTVIP_PRICE D, PTSALE_DIS D, REMARK V60, SEC_DIS V1, PINI_DATE V10, PEND_DATE V10, "
        "POINT_YN V1, AGREE_YN V1, STAMPS",
        {{"IX_PTSALE_MASTER0", {"MASTERBILLID"}}, {"IX_PTSALE_MASTER1", {"PINI_DATE", "PEND_DATE"}}});
    // 34 columns
    b.add("PTSALE_DETAIL",
        "MASTERBILLID V20!, KEYINTIME V20, TEMPPRODID V20, V_NAME V50, V_UNIT V10, "
        "VNEW_COST D, PACK_QTY D, PROD_ID V20!, PROD_BARCODE V20, PROD_NAME V50, "
        "SUPP_CORP_ID V20, NEW_COST D, OLD_COST D, NEW_DIS D, SEC_DIS V1, INI_DATE V10, "
        "END_DATE V10, PINI_DATE V10, PEND_DATE V10, BUY_Q D, BUY_G D, ADV_MON_DIS D, STAMPS, "
        "PTSALE_CLASS V10, PTSALE_QTY D, PTSALE_PRICE D, PTVIP_PRICE D, PTSALE_DIS D",
        {{"IX_PTSALE_DETAIL0", {"MASTERBILLID"}}, {"IX_PTSALE_DETAIL1", {"PINI_DATE", "PEND_DATE", "TEMPPRODID"}}});
    // 5 columns
    b.add("PTSALE_TEMP",
        "MCH_NO V20!, MASTERBILLID V20!, STATE V10, TRAN_CODE V1, CHG_DATETIME V10",
        {});
    for (const char* t : {"PSALE_NUM", "PTSALE_NUM"})
        b.add(t, kBillNumber, {}, {"BILL_DATE"});
    // The till receipts: sales, returns and a third set, with the same layouts.
    auto receiptIndices = [](const std::string& t, bool lines) {
        std::vector<Index> ix = {{"IX_" + t + "0", {"MASTERBILLID"}},
                                 {"IX_" + t + "1", {"TRN_CODE"}},
                                 {"IX_" + t + "2", {"SAL_DATE"}}};
        if (lines)
            ix.push_back({"IX_" + t + "3", {"PROD_ID"}});
        return ix;
    };
    for (const char* t : {"POS_MASTER", "POSBK_MASTER", "POS_MASTERD"})
        b.add(t, kReceiptHeader, receiptIndices(t, false));
    for (const char* t : {"POS_DETAIL", "POSBK_DETAIL", "POS_DETAILD"})
        b.add(t, kReceiptLine, receiptIndices(t, true));
    b.add("POS_DETAIL_DET", kComponentLine,
          {{"IX_POS_DETAIL_D1", {"MASTERBILLID"}}, {"IX_POS_DETAIL_D2", {"M_PROD_ID"}}});
    b.add("POSBK_DETAIL_DET", kComponentLine,
          {{"IX_POSBK_DETAIL_D1", {"MASTERBILLID"}}, {"IX_POSBK_DETAIL_D2", {"M_PROD_ID"}}});
    for (const char* t : {"POS_CHECKOUT", "POSBK_CHECKOUT", "POS_CHECKOUTD"})
        b.add(t, kPaymentLine, {{std::string("IDX_") + t + "1", {"MASTERBILLID"}}});

    // Assembly, breakdown, bill of materials and repair.
    // 28 columns
    b.add("ASMPROD_MASTER",
        "MASTERBILLID V20!, BILL_DATE V10, EMPLOYEE_ID V10, EMPLOYEE_NAME V50, NOTE V200, "
        "S_QTY D, S_COST D, S_AMT D, T_QTY D, T_COST D, T_AMT D, DEPART_ID V10, FLAG V10, "
        "FLAG_ID V2, T_STD_COST D, T_AVG_COST D, T_NEAR_COST D, MONEY_ID V10, MONEY_RATE D, "
        "AGREE_YN V1, AGREE_USER V10, STAMPS",
        {{"IX_ASMPROD_MASTER1", {"MASTERBILLID"}}});
    // 49 columns
    b.add("ASMPROD_TARSUB",
        "MASTERBILLID V20, KEYINTIME V20, TEMPPRODID V20, V_NAME V100, V_QTY D, V_UNIT V10, "
        "PROD_ID V20, PROD_SCALE V30, QTY D, UNIT_ID V10, STK_QTY_YN V1, PD_ITEMID V10, "
        "REMARK V50, STOCK_ID V10, BILL_DATE V10, MS_YN V1, PACK_QTY D, PROD_BARCODE V20, "
        "PSALE_PRICE D, STD_PRICE D, PUT_ID V10, FLAG V10, FLAG_ID V2, CACU_COST D, U_COST D, "
        "BOX_PACKQTY D, BOX_QTY D, STD_COST D, AVG_COST D, NEAR_COST D, T_STD_AMT D, "
        "T_AVG_AMT D, T_NEAR_AMT D, MITEM V1, MAIN_PROD V20, PR_VALUE D, PH_NO V50, "
        "P_PACK V10, P_PACKQTY D, MONEY_ID V10, MONEY_RATE D, SUPP_CORP_ID V20, STAMPS",
        {{"IX_ASMPROD_TARSUB1", {"MASTERBILLID"}}, {"IX_ASMPROD_TARSUB2", {"PROD_ID"}}, {"IX_ASMPROD_TARSUB3", {"FLAG"}}});
    // 47 columns
    b.add("ASMPROD_SRCSUB",
        "MASTERBILLID V20, KEYINTIME V20, TEMPPRODID V20, V_NAME V100, V_QTY D, V_UNIT V10, "
        "PROD_ID V20, PROD_SCALE V30, UNIT_ID V10, STK_QTY_YN V1, QTY D, PD_ITEMID V10, "
        "REMARK V50, STOCK_ID V10, BILL_DATE V10, MS_YN V1, PACK_QTY D, PROD_BARCODE V20, "
        "PSALE_PRICE D, STD_PRICE D, PUT_ID V10, STD_COST D, AVG_COST D, NEAR_COST D, COST D, "
        "COST_AMT D, DIV_C D, NEED_QTY D, RU_QTY D, MITEM V1, MAIN_PROD V20, PR_VALUE D, "
        "PH_NO V50, P_PACK V10, P_PACKQTY D, MONEY_ID V10, MONEY_RATE D, SUPP_CORP_ID V20, "
        "FLAG V10, FLAG_ID V2, STAMPS",
        {{"IX_ASMPROD_SRCSUB1", {"MASTERBILLID"}}});
    // 21 columns
    b.add("PROD_BOM",
        "PROD_ID V20!, KEYINTIME V20, TEMPPRODID V20, DE_PROD_ID V20, DE_PROD_NAME V100, "
        "DE_QTY D, DE_UNIT_ID V10, DE_COST D, SUB_AMT D, DIV_C D, REMARK V10, PD_ITEMID V20, "
        "ITEM_CHG V1, MASTERBILLID V20, STAMPS:CHG_USER=V20",
        {{"IX_PROD_BOM1", {"PROD_ID", "DE_PROD_ID"}}});
    // 13 columns
    b.add("PROD_WORK",
        "PROD_ID V20!, SER_NO V3!, DE_PROD_ID V20!, TEMPPRODID V20!, DE_PROD_NAME V100, "
        "PR_VALUE D, STAMPS:CHG_USER=V20",
        {{"IX_PROD_WORK", {"PROD_ID", "SER_NO"}}});
    // 50 columns
    b.add("FIXBILL_MASTER",
        "MASTERBILLID V20, BILL_DATE V10, REFIXBILLID V20, EMPLOYEE_ID V10, EMPLOYEE_NAME V50, "
        "PROD_ID V20, PROD_NAME V100, PROD_SCALE V30, PD_SERNO V50, CUST_CORP_ID V20, "
        "CUST_CORP_NAME V100, CONT_PEOPLE V50, CONT_PHONE V20, CONT_MOBILE V20, CALL_DATE V10, "
        "AGREED_DATE V10, AGREED_TIME V10, TAKE_ADDRESS V100, TAKE_FLAG V10, BUY_FLAG V10, "
        "BUY_DATE V10, ERR_REMARK V200, TAX_FLAG1 V1, TOTAL_NETAMT1 D, TOTAL_TAXAMT1 D, "
        "TOTAL_TOTAMT1 D, PICKUP_DATE V10, PICKUP_TIME V10, FIX_STATE V10, WARRANTY_FLAG V10, "
        "SUPP_CORP_ID V20, SUPP_CORP_NAME V100, REPAIR_DATE V10, REPAIRED_DATE V10, "
        "REPAIR_REMARK V200, TAX_FLAG2 V1, TOTAL_NETAMT2 D, TOTAL_TAXAMT2 D, TOTAL_TOTAMT2 D, "
        "AGREE_YN V1, AGREE_USER V10, FLAG V10, FLAG_ID V2, STAMPS",
        {{"IX_FIXBILL_MASTER1", {"MASTERBILLID"}}, {"IX_FIXBILL_MASTER2", {"BILL_DATE"}}});
    // 64 columns
    b.add("FIXBILL_DETAIL",
        "MASTERBILLID V20, KEYINTIME V20, TEMPPRODID V20, V_NAME V100, V_QTY D, V_UNIT V10, "
        "B_PRICE D, U_DIS D, V_PRICE D, AMT D, MONEY_ID V10, MONEY_RATE D, TAX_FLAG V1, "
        "TAX_KIND V1, TAX_AMT D, NET_PRICE D, TOT_PRICE D, TOT_AMT D, V_GIVE_QTY D, "
        "REMARK V50, PD_SERNO V50, PH_NO V50, PACK_REMARK V20, PROD_ID V20, PROD_BARCODE V20, "
        "PROD_NAME V100, PROD_SCALE V30, UNIT_ID V10, STK_QTY_YN V1, PD_ITEMID V10, "
        "SALE_PRICE D, PACK_QTY D, QTY D, GIVE_QTY D, U_V_PRICE D, U_TAX_FLAG V1, "
        "U_TAX_KIND V1, U_SAL_TAX D, U_NET_PRICE D, U_TOT_PRICE D, BILL_DATE V10, "
        "STOCK_ID V10, FLAG V10, FLAG_ID V2, CUST_CORP_ID V20, EMPLOYEE_ID V10, ACC_DATE V10, "
        "SOURCE_TYPE V20, SOURCE_ID V20, SOURCE_QTY D, SOURCE_UNIT V10, CHG_DATETIME V20, "
        "CHG_USER V10, CHG_HOST V20, BK_DATE V10, STD_COST D, STD_PROFIT D, T_COST D, "
        "T_PROFIT D, PRFS D, CUST_CORP_IDAC V20, PUT_ID V10, NOW_QTY D, FR_YN V1",
        {{"IX_FIXBILL_DETAIL1", {"MASTERBILLID"}}});

    insertAfter(b.like("ASMPROD_MASTER", "OPENPROD_MASTER", {{"IX_OPENPROD_MASTER1", {"MASTERBILLID"}}}),
                "AGREE_USER", "SOURCE_TYPE V20, SOURCE_ID V20");
    b.like("ASMPROD_TARSUB", "OPENPROD_TARSUB",
           {{"IX_OPENPROD_TARSUB1", {"MASTERBILLID"}},
            {"IX_OPENPROD_TARSUB2", {"PROD_ID"}},
            {"IX_OPENPROD_TARSUB3", {"FLAG"}}});
    b.like("ASMPROD_SRCSUB", "OPENPROD_SRCSUB", {{"IX_OPENPROD_SRCSUB1", {"MASTERBILLID"}}});
    for (const char* t : {"ASMPROD_NUM", "OPENPROD_NUM", "FIXBILL_NUM"})
        b.add(t, kBillNumber, {}, {"BILL_DATE"});

    // Book attributes of products.
    b.add("PRODUCT_FORBOOK",
          "PROD_ID V20!, GROUP_NAME V50, BINDING V20, VER_TYPE V20, KEY_WORD V50, STAMPS",
          {{"IX_PRODUCT_FORBOOK1", {"PROD_ID"}},
           {"IX_PRODUCT_FORBOOK2", {"GROUP_NAME"}},
           {"IX_PRODUCT_FORBOOK3", {"KEY_WORD"}}});
    return std::move(b.tables);
}

} // namespace

bool Table::has(std::string_view column) const {
    return std::any_of(columns.begin(), columns.end(),
                       [&](const Column& c) { return c.name == column; });
}

const std::vector<Table>& catalogueTables() {
    static const std::vector<Table> tables = build();
    return tables;
}

const Table& catalogueTable(std::string_view name) {
    for (const auto& t : catalogueTables())
        if (t.name == name)
            return t;
    throw std::out_of_range("the catalogue has no table " + std::string(name));
}

} // namespace schema
