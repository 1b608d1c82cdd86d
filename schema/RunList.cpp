#include "RunList.h"

namespace schema {

namespace {

Action create(const char* table) {
    return {Action::Kind::CreateTable, table, {}, {}};
}
Action add(const char* table, const char* column) {
    return {Action::Kind::AddColumn, table, column, {}};
}
Action addIfTable(const char* table, const char* column) {
    return {Action::Kind::AddColumnIfTable, table, column, {}};
}
Action indexIfAbsent(const char* name, const char* table, const char* column) {
    return {Action::Kind::IndexIfAbsent, table, {}, {name, {column}}};
}
Action pass(Action::Kind kind) {
    return {kind, {}, {}, {}};
}

// The same columns added to several tables: table by table, each table's
// columns in order.
std::vector<Action> addEach(std::initializer_list<const char*> tables,
                            std::initializer_list<const char*> columns, bool ifTable = false) {
    std::vector<Action> out;
    for (const char* t : tables)
        for (const char* c : columns)
            out.push_back(ifTable ? addIfTable(t, c) : add(t, c));
    return out;
}

std::vector<Action> join(std::initializer_list<std::vector<Action>> parts) {
    std::vector<Action> out;
    for (const auto& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

std::vector<Step> build() {
    const auto salesMasters = {"CUSTORDER_MASTER", "CUSTSALE_MASTER", "CUSTSALEBK_MASTER",
                               "CUSTSALEDIS_MASTER"};
    const auto salesLines = {"CUSTQUOTE_DETAIL", "CUSTORDER_DETAIL", "CUSTSALE_DETAIL",
                             "CUSTSALEBK_DETAIL"};
    const auto invoiceColumns = {"INVOICE_CLASS V10", "INVOICE_DATE V10",  "INVOICE_NUM V10",
                                 "INVOICE_TOTAMT D",  "INVOICE_TAXAMT D", "INVOICE_NETAMT D"};
    const auto brandTables = {"CUSTQUOTE_DETAIL",     "CUSTORDER_DETAIL", "CUSTSALE_DETAIL",
                              "CUSTSALEBK_DETAIL",    "INQUIRY_DETAIL",   "PURCHASEORDER_DETAIL",
                              "PURCHASE_DETAIL",      "PURCHASEBK_DETAIL"};
    return {
        {1, {create("PRODUCT_PLACE")}},
        {2, {create("STORY_PURCHASE"), create("STORY_CUSTSALE")}},
        {3, addEach({"CUSTORDER_DETAIL", "CUSTSALE_DETAIL", "CUSTSALEBK_DETAIL"}, {"PUT_ID V10"})},
        {4, {create("STK_MEMO_GROUP"), create("STK_MEMO")}},
        {5, addEach({"PRODUCT"}, {"P_PU V1", "SEC_DIS V1"})},
        {6, {create("LOGIN_STORY"), create("CUSTOMER_FREI")}},
        {7, addEach({"EMPLOYEE"}, {"RFD_DATE V10", "LEFT_DATE V10", "GENDER V10"})},
        {8, {create("PSALE_DETAIL"), create("PSALE_MASTER"), create("PSALE_NUM"),
             create("PSALE_TEMP")}},
        {9, {create("PTSALE_MASTER"), create("PTSALE_DETAIL"), create("PTSALE_NUM"),
             create("PTSALE_TEMP")}},
        {10, {add("CUSTQUOTE_MASTER", "ACNT_ID V20")}},
        {11, {create("PAYMENT_CLASS")}},
        {12, addEach({"CUSTOMER", "SUPPLIER", "CUSTQUOTE_MASTER", "CUSTORDER_MASTER",
                      "CUSTSALE_MASTER", "CUSTSALEBK_MASTER", "CUSTSALEDIS_MASTER"},
                     {"PAYMENT_CLASSID V10", "PAYMENT_CLASSNAME V50"})},
        {13, addEach({"PROD_PACK"}, {"PACK_ORGPRICE D", "PACK_VIPPRICE D"})},
        {14, {add("CUSTORDER_MASTER", "TOTAL_PLUS D"), create("CUSTORDER_PLUS")}},
        {15, {add("CUSTSALE_MASTER", "TOTAL_PLUS D"), create("CUSTSALE_PLUS")}},
        {16, {add("CUSTSALEBK_MASTER", "TOTAL_PLUS D"), create("CUSTSALEBK_PLUS")}},
        {17, {add("CUSTSALEDIS_MASTER", "TOTAL_PLUS D"), create("CUSTSALEDIS_PLUS")}},
        {18, addEach(salesLines, {"NOW_QTY D"})},
        {19, addEach(salesLines, {"FR_YN V1"})},
        {20, {pass(Action::Kind::ApproverPass)}},
        {21, {create("PROD_CONITEM"), create("PROD_CON")}},
        {22, {create("ASMPROD_MASTER"), create("ASMPROD_TARSUB"), create("ASMPROD_SRCSUB"),
              create("ASMPROD_NUM")}},
        {23, {create("OPENPROD_MASTER"), create("OPENPROD_TARSUB"), create("OPENPROD_SRCSUB"),
              create("OPENPROD_NUM")}},
        {24, {create("PROD_BOM"), create("PROD_WORK")}},
        {25, {add("PRODUCT", "PR_VALUE D")}},
        {26, {create("POS_MASTER"), create("POSBK_MASTER"), create("POS_MASTERD"),
              create("POS_DETAIL"), create("POSBK_DETAIL"), create("POS_DETAILD")}},
        {27, addEach({"POS_MASTER", "POSBK_MASTER", "POS_MASTERD"}, {"IC_SURPLUS D"})},
        {28, {create("POS_DETAIL_DET"), create("POSBK_DETAIL_DET"), create("POS_CHECKOUT"),
              create("POSBK_CHECKOUT"), create("POS_CHECKOUTD")}},
        {29, {indexIfAbsent("IX_CUSTSALE_MASTER0", "CUSTSALE_MASTER", "CR_DATETIME"),
              indexIfAbsent("IX_CUSTSALE_MASTER1", "CUSTSALE_MASTER", "MASTERBILLID"),
              indexIfAbsent("IX_CUSTSALE_MASTER2", "CUSTSALE_MASTER", "BILL_DATE"),
              indexIfAbsent("IX_CUSTSALEBK_MASTER1", "CUSTSALEBK_MASTER", "MASTERBILLID"),
              indexIfAbsent("IX_CUSTSALEBK_MASTER2", "CUSTSALEBK_MASTER", "BILL_DATE")}},
        {30, {create("FIXBILL_MASTER"), create("FIXBILL_DETAIL"), create("FIXBILL_NUM")}},
        {31, {pass(Action::Kind::ProdScaleWidening)}},
        {32, {create("CUSTOMER_CONT"), create("SUPPLIER_CONT")}},
        {33, {create("PRODUCT_FORBOOK")}},
        {34, join({{create("PROJ_ITEM")},
                   addEach({"PROJ_ITEM"},
                           {"CUST_CORP_ID V20", "INI_DATE V10", "END_DATE V10", "PROJ_AMT D"}),
                   {add("REC_SUB", "PROJ_ID V20")}})},
        {35, {create("CUSTOMER_DO")}},
        {36, {create("CUSTSALE_POINT")}},
        {37, join({{add("SYS_MENU", "WU_YN V1")},
                   addEach({"ASMPROD_MASTER"}, {"SOURCE_TYPE V20", "SOURCE_ID V20"}),
                   addEach({"PAY_MASTER", "REC_MASTER"}, invoiceColumns)})},
        {38, {pass(Action::Kind::InvoiceAmountPass)}},

        {39, {create("INVOICE_MASTER"), create("INVOICE_SUB"),
              add("INVOICE_SUB", "INVOICE_CLASS V10"), add("INVOICE_SUB", "INVOICE_DATE V10"),
              create("INVOICE_NUM"), create("INVOICE_DETAIL")}},
        {40, {create("OUTVOICE_MASTER"), create("OUTVOICE_SUB"),
              add("OUTVOICE_SUB", "INVOICE_CLASS V10"), add("OUTVOICE_SUB", "INVOICE_DATE V10"),
              create("OUTVOICE_NUM"), create("OUTVOICE_DETAIL")}},
        {41, {create("INVOICE_ITEM")}},
        {42, {create("CUSTSALE_STAY")}},
        {43, {create("CUSTOMER_PDCLASS_DIS")}},
        {44, join({addEach({"CUSTOMER", "SUPPLIER"}, {"CORP_MAIL V50"}),
                   addEach(salesMasters, {"FREI_BILLID V50"})})},
        {45, join({{addIfTable("CUSTWORKORDER_MASTER", "FREI_BILLID V50")},
                   addEach({"CUSTWORKQUOTE_MASTER", "CUSTWORKORDER_MASTER",
                            "OUTSOURCEORDER_MASTER", "SALESWORKORDER_MASTER",
                            "CONSTRUCTION_MASTER"},
                           {"TOTAL_CBM D"}, true)})},
        {46, {create("PURCHASECOST_MASTER"), create("PURCHASECOST_DETAIL"),
              create("PURCHASECOST_NUM"), create("PURCHASECOST_PLUS"), create("PLUSCOST_ITEM")}},
        {47, join({addEach(salesLines, {"MS_YN V1"}),
                   addEach({"OPENPROD_MASTER"}, {"SOURCE_TYPE V20", "SOURCE_ID V20"})})},
        {48, addEach({"CUSTWORKQUOTE_DETAIL"},
                     {"PROTECTORITEM_ID V50", "PROTECTOR_PRICE D", "WORKPROCESS_ID V50",
                      "WORKPROCESS_REMARK V100", "WORKPROCESS_PRICE D"},
                     true)},
        {49, join({{create("PROD_BRAND")}, addEach(brandTables, {"BRAND_ID V10"}),
                   addEach(brandTables, {"BRAND_NAME V50"}),
                   addEach({"CUSTSALE_DETAIL", "CUSTSALEBK_DETAIL"}, {"RW_YN V1"})})},
        {50, {create("REWORKORDER_NUM"), create("REWORKORDER_MASTER"),
              create("REWORKORDER_DETAIL")}},
        {51, addEach({"CUSTWORKORDER_MASTER"},
                     {"FR_001 V1", "FR_002 V1", "FR_003 V1", "FR_004 V1", "TR_001 V1", "TR_002 V1",
                      "TR_003 V1", "TR_004 V1"},
                     true)},
        {52, {create("TRANS_ITEM")}},
        {53, {create("OUTVOICEBOOK"), create("COMMI_CLASS"), add("PRODUCT", "COMMI_ID V10")}},
        {54, addEach({"CUSTWORKQUOTE_DETAIL", "CUSTWORKORDER_DETAIL", "OUTSOURCEORDER_DETAIL",
                      "SALESWORKORDER_DETAIL", "CONSTRUCTION_DETAIL"},
                     {"OBJECT_WIDTH_PLUS D", "OBJECT_HEIGHT_PLUS D"}, true)},
        {55, {add("EMPLOYEE", "ACTIVE_YN V1"), pass(Action::Kind::ActiveEmployees)}},
        {56, {create("CUSTOMER_LATLNG")}},
        {57, join({addEach({"PRODUCT", "PROD_PACK"}, {"HEA_TAX D"}),
                   addEach(salesMasters, {"MANAGER_USER V10"}),
                   {add("ACCOUNTVOUCHER_DETAIL", "V_AMOUNT D")}})},
    };
}

} // namespace

const std::vector<Step>& runList() {
    static const std::vector<Step> steps = build();
    return steps;
}

} // namespace schema
