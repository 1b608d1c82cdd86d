#include "ProductList.h"

#include <algorithm>

#include "platform/text/Text.h"

namespace exchange {

using dataset::FieldDef;
using dataset::FieldKind;

std::vector<FieldDef> productListFields() {
    struct F {
        const char* name;
        bool isFloat;
        int size;
        const char* caption;
        int width;
    };
    static const F defs[] = {
        {"PROD_ID", false, 20, "商品編號", 60},
        {"PROD_BARCODE", false, 20, "商品條碼", 60},
        {"PROD_NAME", false, 100, "商品名稱", 300},
        {"PROD_SNAME", false, 20, "商品簡稱", 60},
        {"PROD_SCALE", false, 100, "商品規格", 90},
        {"PROD_ID2", false, 20, "第二代碼", 60},
        {"PROD_ENAME", false, 100, "第二名稱", 300},
        {"PD_ITEMID", false, 10, "分類代號", 30},
        {"PD_ITEMNAME", false, 50, "分類名稱", 150},
        {"PD_CLASSID", false, 10, "屬性代號", 30},
        {"PD_CLASSNAME", false, 50, "屬性名稱", 150},
        {"SUPP_CORP_ID", false, 20, "廠商代號", 60},
        {"SUPP_CORP_NAME", false, 100, "廠商名稱", 300},
        {"UNIT_ID", false, 10, "單位", 30},
        {"BRAND_ID", false, 10, "品牌代號", 30},
        {"BRAND_NAME", false, 50, "商品品牌", 150},
        {"TAX_KIND", false, 1, "稅別", 3},
        {"STK_QTY_YN", false, 1, "計算庫存", 3},
        {"MS_YN", false, 1, "子項庫存", 3},
        {"WEBSHOW_YN", false, 1, "網頁展示", 3},
        {"STOP_IN_YN", false, 1, "停止進貨", 3},
        {"STOP_SALE_YN", false, 1, "停止銷貨", 3},
        {"DEL_FLAG_YN", false, 1, "作廢", 3},
        {"SALE_PRICE", true, 0, "市價", 10},
        {"PRODUCTION_PLACE", false, 50, "產地", 150},
        {"MONEY_ID", false, 10, "產地幣別", 30},
        {"ORIGINAL_PRICE", true, 0, "產地售價", 10},
        {"CHG_DATETIME", false, 20, "異動時間", 60},
        {"CHG_USER", false, 10, "異動人員", 30},
        {"CHG_HOST", false, 20, "異動IP", 60},
        {"CR_DATETIME", false, 20, "建檔時間", 60},
        {"CR_USER", false, 10, "建檔人員", 30},
        {"CR_HOST", false, 20, "建檔IP", 60},
        {"WUID", false, 50, "WUID", 150},
    };
    std::vector<FieldDef> out;
    for (const F& f : defs) {
        FieldDef d;
        d.name = f.name;
        d.kind = f.isFloat ? FieldKind::Float : FieldKind::WideText;
        d.size = f.size;
        d.displayLabel = f.caption;
        d.displayWidth = f.width;
        d.required = d.name == "PROD_ID" || d.name == "WUID";
        out.push_back(std::move(d));
    }
    return out;
}

void loadAll(dataset::RecordSet& list) {
    list.close();
    list.setCommandText(kLoadAllSql);
    list.open();
}

bool isAuditField(const std::string& fieldName) {
    static const char* audit[] = {"chg_datetime", "chg_user", "chg_host", "cr_datetime",
                                  "cr_user",      "cr_host",  "wuid"};
    std::string n = text::lower(fieldName);
    for (const char* a : audit)
        if (n == a)
            return true;
    return false;
}

std::vector<ColumnLayout> loadAllLayout(const dataset::RecordSet& list) {
    std::vector<ColumnLayout> out;
    for (const auto& f : list.fields()) {
        if (isAuditField(f.name))
            out.push_back({false, 0});
        else
            out.push_back({true, f.displayWidth > 40 ? f.displayWidth : 0});
    }
    return out;
}

RowMark rowMark(const dataset::RecordSet& list, std::size_t row) {
    static const std::size_t chgUser = 28; // CHG_USER in list order
    const auto& r = list.row(row);
    std::size_t i = chgUser < list.fieldCount() && list.fields()[chgUser].name == "CHG_USER"
                        ? chgUser
                        : list.fieldIndex("CHG_USER");
    const db::Value& v = r[i];
    const std::string* s = std::get_if<std::string>(&v);
    if (!s)
        return RowMark::None;
    if (*s == kMarkOnFile)
        return RowMark::OnFile;
    if (*s == kMarkCategoryUnknown)
        return RowMark::CategoryUnknown;
    return RowMark::None;
}

std::string selectList(const dataset::RecordSet& list) {
    std::string s;
    for (const auto& f : list.fields())
        s += (s.empty() ? "" : ",") + f.name;
    return s + " ";
}

std::vector<std::string> selectedProductsSql(const std::string& select,
                                             std::vector<std::string> ids) {
    auto statement = [&](auto first, auto last) {
        std::string in;
        for (auto it = first; it != last; ++it) {
            if (!in.empty())
                in += ",";
            in += "'";
            for (char c : *it) {
                in += c;
                if (c == '\'')
                    in += '\'';
            }
            in += "'";
        }
        return "select " + select + " from PRODUCT where PROD_ID in (" + in + ") order by PROD_ID";
    };
    if (ids.size() <= kMaxInList)
        return {statement(ids.begin(), ids.end())};
    // Byte order of UTF-8 text is the order of its code points, which is how
    // the database orders these columns.
    std::sort(ids.begin(), ids.end());
    ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
    std::vector<std::string> out;
    for (std::size_t i = 0; i < ids.size(); i += kMaxInList)
        out.push_back(statement(ids.begin() + long(i),
                                ids.begin() + long(std::min(ids.size(), i + kMaxInList))));
    return out;
}

bool fullModeMarkerPresent(const std::string& appFolder) {
    return text::fileExists(appFolder + kMarkerFile);
}

} // namespace exchange
