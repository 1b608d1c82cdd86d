#include "ImportCheck.h"

#include "ProductList.h"
#include "platform/db/Query.h"
#include "platform/db/Transaction.h"

namespace exchange {

CheckResult checkList(dataset::RecordSet& list, db::Connection& conn, const Progress& progress) {
    CheckResult result;
    list.requireActive();
    std::size_t n = list.rowCount();
    if (n == 0 || !report(progress, 0, n)) {
        result.cancelled = n > 0;
        return result;
    }
    std::size_t item = list.fieldIndex("PD_ITEMID"), id = list.fieldIndex("PROD_ID"),
                mark = list.fieldIndex("CHG_USER");
    db::Query category(&conn), product(&conn);
    category.setSql("SELECT PD_ITEMID FROM PROD_ITEM WHERE PD_ITEMID = :PD_ITEMID");
    product.setSql("SELECT PROD_ID FROM PRODUCT WHERE PROD_ID = :PROD_ID");
    category.setKeyLookup(true);
    product.setKeyLookup(true);
    // One read-only transaction for all the look-ups. A failing look-up ends
    // the check before its row is changed; the rows visited keep their marks.
    db::Transaction tx(conn, true);
    {
        for (list.first(); !list.eof(); list.next()) {
            if (!report(progress, result.rows + 1, n)) {
                result.cancelled = true;
                break;
            }
            ++result.rows;
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
    }
    tx.commit();
    return result;
}

} // namespace exchange
