#include "ImportCheck.h"

#include "ProductList.h"
#include "platform/db/Query.h"

namespace exchange {

CheckResult checkList(dataset::RecordSet& list, db::Connection& conn, const Progress& progress) {
    CheckResult result;
    list.requireActive();
    std::size_t n = list.rowCount();
    report(progress, 0, n);
    if (n == 0)
        return result;
    std::size_t item = list.fieldIndex("PD_ITEMID"), id = list.fieldIndex("PROD_ID"),
                mark = list.fieldIndex("CHG_USER");
    db::Query category(&conn), product(&conn);
    category.setSql("SELECT PD_ITEMID FROM PROD_ITEM WHERE PD_ITEMID = :PD_ITEMID");
    product.setSql("SELECT PROD_ID FROM PRODUCT WHERE PROD_ID = :PROD_ID");
    conn.open();
    bool own = !conn.inTransaction();
    if (own)
        conn.startTransaction(true);
    try {
        for (list.first(); !list.eof(); list.next()) {
            ++result.rows;
            report(progress, result.rows, n);
            const auto& row = list.row(list.recNo());
            category.setString("PD_ITEMID", db::toText(row[item]));
            category.open();
            bool unknown = category.eof();
            category.close();
            product.setString("PROD_ID", db::toText(row[id]));
            product.open();
            bool onFile = !product.eof();
            product.close();
            if (unknown) {
                list.setValue(mark, std::string(kMarkCategoryUnknown));
                ++result.categoryUnknown;
            }
            if (onFile) {
                list.setValue(mark, std::string(kMarkOnFile));
                ++result.onFile;
            }
            list.post();
        }
    } catch (...) {
        try {
            list.post();
        } catch (...) {
            list.cancel();
        }
        if (own)
            conn.rollback();
        throw;
    }
    if (own)
        conn.commit();
    return result;
}

} // namespace exchange
