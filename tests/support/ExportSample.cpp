#include "ExportSample.h"

#include "exchange/ProductList.h"

namespace testdata {

dataset::RecordSet exportSample() {
    dataset::RecordSet list;
    list.setFields(exchange::productListFields());
    list.createDataSet();
    struct Row {
        const char *id, *barcode, *name, *scale, *id2, *ename;
        double salePrice, originalPrice;
    } rows[] = {
        {"0012345678901", "4710000000001", "精選原子筆\r\n第二行", "  兩個空白  ", "_x000D_",
         "Tab\there", 12.5, 120},
        {"A'001", "0123", "鍵盤 <Tab>&\"引號\"", "10 公分", "X-2", "Keyboard", 100, 0.5},
        {"'B003", "", "留白", "", "", "", 0, 4710000000001},
    };
    for (const auto& r : rows) {
        list.append();
        list.setValue("PROD_ID", std::string(r.id));
        list.setValue("PROD_BARCODE", std::string(r.barcode));
        list.setValue("PROD_NAME", std::string(r.name));
        list.setValue("PROD_SNAME", std::string("簡稱"));
        list.setValue("PROD_SCALE", std::string(r.scale));
        list.setValue("PROD_ID2", std::string(r.id2));
        list.setValue("PROD_ENAME", std::string(r.ename));
        list.setValue("PD_ITEMID", std::string("01"));
        list.setValue("UNIT_ID", std::string("支"));
        list.setValue("SALE_PRICE", r.salePrice);
        list.setValue("ORIGINAL_PRICE", r.originalPrice);
        list.setValue("WUID", std::string("owner@example.com"));
        list.post();
    }
    return list;
}

} // namespace testdata
