#include "Seeds.h"

#include <stdexcept>

namespace schema {

namespace {

using Params = std::vector<std::pair<std::string, db::Value>>;

Statement insertInto(const std::string& table, const Params& values) {
    std::string cols, params;
    for (const auto& [name, value] : values) {
        cols += (cols.empty() ? "" : ", ") + name;
        params += (params.empty() ? ":" : ", :") + name;
    }
    return {"INSERT INTO " + table + " (" + cols + ") VALUES (" + params + ")", values};
}

struct Menu {
    int item;
    const char* name;
    int parent;
    const char* module; // nullptr: the empty text
    int seq;
    const char* form;   // nullptr: NULL
    const char* flag;   // nullptr: NULL
};

const Menu kMenus[] = {
    {129, "關聯項目", 1, "prod_conitem", 10, "FormProdConItem", "Z0"},
    {130, "拆解加工", 14, "openwork", 10, "FormOpenWork", "AI"},
    {131, "組合加工", 14, "asmwork", 11, "FormAsmWork", "AJ"},
    {132, "維修單據", 11, "fixbill", 1, "FormFixBill", "YA"},
    {133, "專案基本資料維護", 2, "project", 6, "FormProject", "Z1"},
    {134, "輸出工程", 0, nullptr, 4, nullptr, nullptr},
    {135, "工程報價單據", 134, "custworkquote", 1, "FormCustWorkQuote", "IA"},
    {136, "工單資料維護", 134, "custworkorder", 2, "FormCustWorkOrder", "IB"},
    {137, "外包工單維護", 134, "outsourceorder", 3, "FormOutSourceOrder", "IC"},
    {138, "施工單據維護", 134, "construction", 4, "FormConstruction", "ID"},
    {143, "業務工單維護", 134, "salesworkerorder", 5, "FormSalesWorkOrder", "IE"},
    {139, "機台資料維護", 134, "machineryitem", 11, "FormMachinery", "IK"},
    {140, "材質資料維護", 134, "materialitem", 12, "FormMaterial", "IL"},
    {141, "護膜種類維護", 134, "protectoritem", 13, "FormProtector", "IM"},
    {142, "加工方式維護", 134, "workprocess", 14, "FormWorkProcess", "IN"},
    {144, "進項發票維護", 3, "invoice", 7, "FormInvoice", "AG"},
    {145, "銷項發票維護", 4, "outvoice", 7, "FormOutvoice", "BG"},
    {146, "商品屬性", 1, "prodclass", 11, "FormProdClass", "ZG"},
    {147, "進項費用維護", 3, "instoragecost", 8, "FormPurchaseCost", "AH"},
    {148, "進項費用項目", 2, "pluscost", 7, "FormPlusCostItem", "Z2"},
    {149, "廠牌資料", 1, "branditem", 12, "FormProdBrand", "Z3"},
    {150, "再加工外送單", 3, "reworkorder", 9, "FormReworkOrder", "AI"},
    {151, "發票設定", 1, "outvoicebook", 13, "FormOutvoiceBook", "Z4"},
    {152, "傭金設定", 1, "commi", 14, "FormCommiClass", "Z5"},
};

struct Report {
    const char* item;
    const char* name;
    const char* parent;
    const char* seq;
};

const Report kReports[] = {
    {"1002010", "專案別應收帳款統計表", "1002", "10"}, {"1002011", "單據餘額未收分析表", "1002", "11"},
    {"1002012", "員工收款沖帳統計表", "1002", "12"},   {"1009016", "商品翻修狀況分析表", "1009", "16"},
    {"1007007", "業務交易傭金分析表", "1007", "7"},    {"1007008", "業務成本結構分析表", "1007", "8"},
};

db::Value textOrNull(const char* s) {
    return s ? db::Value(std::string(s)) : db::Value{};
}

} // namespace

Seed documentKindSeed() {
    return {"BILL_FLAGITEM BC/YA",
            {"SELECT MAINFLAG FROM  BILL_FLAGITEM \n  WHERE MAINFLAG = 'BC' AND FLAG='YA' ", {}},
            insertInto("BILL_FLAGITEM", {{"MAINFLAG", std::string("BC")},
                                         {"FLAG", std::string("YA")},
                                         {"NAME", std::string("維修單")},
                                         {"MAINTABLE", std::string("FIXBILL_MASTER")},
                                         {"DETAILTABLE", std::string("FIXBILL_DETAIL")}})};
}

std::vector<Seed> parameterSeeds() {
    struct P {
        const char *type, *id, *seq, *name, *value, *remark, *readonly;
    } const params[] = {
        {"基本設定", "v_name_modify", "14", "單據品名修改", "0", "原則:0,可修改 1,不可修改", "N"},
        {"基本設定", "prod_managment", "15", "生管系統啟用", "1", "原則:0,是 1,否", "N"},
        {"基本設定", "fix_managment", "16", "維修系統啟用", "1", "原則:0,是 1,否", "N"},
        {"會計設定", "inventories", "21", "存貨", "1130", "原則:0,可修改 1,不可修改", "Y"},
        {"會計設定", "Cost_of_sales", "22", "銷貨成本", "5103", "原則:0,可修改 1,不可修改", "N"},
        {"基本設定", "Point_Open", "18", "點數系統", "0", "原則:0,關閉 1,啟用", "N"},
        {"基本設定", "Rate_of_Point", "17", "點數比", "1", "Profit*Rate_of_Point", "N"},
        {"銷項設定", "sal_taxflag", "10", "預設稅別", "1", "0:外加,1:內含,2:免稅,3:零稅", "N"},
        {"進項設定", "in_taxflag", "10", "預設稅別", "1", "0:外加,1:內含,2:免稅,3:零稅", "N"},
    };
    std::vector<Seed> out;
    for (const P& p : params)
        out.push_back({std::string("PARAM_DEFINE ") + p.id,
                       {"SELECT PARAM_ID FROM PARAM_DEFINE\n WHERE PARAM_ID = :PARAM_ID ",
                        {{"PARAM_ID", std::string(p.id)}}},
                       insertInto("PARAM_DEFINE", {{"PARAM_TYPE", std::string(p.type)},
                                                   {"PARAM_ID", std::string(p.id)},
                                                   {"ORD_SEQ", std::string(p.seq)},
                                                   {"PARAM_NAME", std::string(p.name)},
                                                   {"PARAM_VALUE", std::string(p.value)},
                                                   {"PARAM_REMARK", std::string(p.remark)},
                                                   {"READONLY_YN", std::string(p.readonly)},
                                                   {"WUID", std::string(kSeedOwner)}})});
    return out;
}

std::vector<Seed> menuSeeds(std::initializer_list<int> items) {
    std::vector<Seed> out;
    for (int item : items) {
        const Menu* m = nullptr;
        for (const Menu& candidate : kMenus)
            if (candidate.item == item)
                m = &candidate;
        if (!m)
            throw std::out_of_range("no menu item " + std::to_string(item));
        out.push_back({"SYS_MENU " + std::to_string(item),
                       {"SELECT ITEM_NO FROM SYS_MENU\n WHERE ITEM_NO = :ITEM_NO ",
                        {{"ITEM_NO", int64_t(item)}}},
                       insertInto("SYS_MENU", {{"ITEM_NO", int64_t(m->item)},
                                               {"ITEM_NAME", std::string(m->name)},
                                               {"PARENT_NO", int64_t(m->parent)},
                                               {"LINK_MODULE", std::string(m->module ? m->module : "")},
                                               {"SEQ", int64_t(m->seq)},
                                               {"U_YN", std::string("Y")},
                                               {"FILE_NAME", db::Value{}},
                                               {"DEF_ACT", db::Value{}},
                                               {"WINFORMNAME", textOrNull(m->form)},
                                               {"WINFILENAME", db::Value{}},
                                               {"MAINFLAG", textOrNull(m->flag)}})});
    }
    return out;
}

std::vector<Seed> reportSeeds(std::initializer_list<const char*> items) {
    std::vector<Seed> out;
    for (const char* item : items) {
        const Report* r = nullptr;
        for (const Report& candidate : kReports)
            if (std::string_view(candidate.item) == item)
                r = &candidate;
        if (!r)
            throw std::out_of_range(std::string("no report item ") + item);
        out.push_back({std::string("REPORT_MENU ") + item,
                       {"SELECT ITEM_NO FROM REPORT_MENU\n WHERE ITEM_NO = :ITEM_NO ",
                        {{"ITEM_NO", std::string(item)}}},
                       insertInto("REPORT_MENU", {{"ITEM_NO", std::string(r->item)},
                                                  {"ITEM_NAME", std::string(r->name)},
                                                  {"PARENT_NO", std::string(r->parent)},
                                                  {"LINK_MODULE", std::string("")},
                                                  {"SEQ", std::string(r->seq)},
                                                  {"U_YN", std::string("Y")}})});
    }
    return out;
}

} // namespace schema
