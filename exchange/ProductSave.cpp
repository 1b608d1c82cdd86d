#include "ProductSave.h"

#include "ProductList.h"
#include "SaveBatch.h"
#include "platform/db/Query.h"
#include "platform/text/Text.h"

namespace exchange {

std::string ownerStamp(const std::string& appFolder) {
    std::string file = appFolder + kMarkerFile;
    if (!text::fileExists(file))
        return kBuiltInOwnerStamp;
    auto lines = text::splitLines(text::decodeTextFile(text::readFile(file)));
    if (lines.empty() || lines[0].empty())
        return kBuiltInOwnerStamp;
    return lines[0];
}

namespace {

const char* kProductInsert[] = {
    "INSERT INTO PRODUCT(PROD_ID,PROD_BARCODE,PROD_NAME,PROD_SNAME,",
    "PROD_SCALE,PROD_ID2,PROD_ENAME,PD_ITEMID,PD_ITEMNAME,",
    "PD_CLASSID,PD_CLASSNAME,SUPP_CORP_ID,SUPP_CORP_NAME,",
    "UNIT_ID,BRAND_ID,BRAND_NAME,TAX_KIND,STK_QTY_YN,MS_YN,",
    "WEBSHOW_YN,STOP_IN_YN,STOP_SALE_YN,DEL_FLAG_YN,",
    "SALE_PRICE,PRODUCTION_PLACE,MONEY_ID,ORIGINAL_PRICE,",
    "CHG_DATETIME,CHG_USER,CHG_HOST,CR_DATETIME,CR_USER,CR_HOST,",
    "WUID) VALUES(:PROD_ID,:PROD_BARCODE,:PROD_NAME,:PROD_SNAME,",
    ":PROD_SCALE,:PROD_ID2,:PROD_ENAME,:PD_ITEMID,:PD_ITEMNAME,",
    ":PD_CLASSID,:PD_CLASSNAME,:SUPP_CORP_ID,:SUPP_CORP_NAME,",
    ":UNIT_ID,:BRAND_ID,:BRAND_NAME,:TAX_KIND,:STK_QTY_YN,:MS_YN,",
    ":WEBSHOW_YN,:STOP_IN_YN,:STOP_SALE_YN,:DEL_FLAG_YN,",
    ":SALE_PRICE,:PRODUCTION_PLACE,:MONEY_ID,:ORIGINAL_PRICE,",
    ":CHG_DATETIME,:CHG_USER,:CHG_HOST,:CR_DATETIME,:CR_USER,:CR_HOST,",
    ":WUID)  ",
};

void addLines(db::Query& q, std::initializer_list<const char*> lines) {
    q.clear();
    for (const char* l : lines)
        q.add(l);
}

} // namespace

const char* const kProduct2Insert[] = {
    "INSERT INTO PRODUCT2(PROD_ID,PUT_ID,FIRST_COST,STD_COST,AVG_COST,",
    "MAVG_COST,LAST_COST,NETAVG_COST,SAFE_DAY,SAFE_QTY,BEFORE_QTY,NOW_QTY,",
    "BEFORE_LENDQTY,LENDQTY,P_LOWQTY,P_CHANGE_YN,P_LENGTH,P_WIDTH,P_HEIGHT,",
    "CHG_DATETIME,CHG_USER,CHG_HOST,CR_DATETIME,CR_USER,CR_HOST,WUID) ",
    "  VALUES (:PROD_ID,:PUT_ID,:FIRST_COST,:STD_COST,:AVG_COST,",
    ":MAVG_COST,:LAST_COST,:NETAVG_COST,:SAFE_DAY,:SAFE_QTY,:BEFORE_QTY,:NOW_QTY,",
    ":BEFORE_LENDQTY,:LENDQTY,:P_LOWQTY,:P_CHANGE_YN,:P_LENGTH,:P_WIDTH,:P_HEIGHT,",
    ":CHG_DATETIME,:CHG_USER,:CHG_HOST,:CR_DATETIME,:CR_USER,:CR_HOST,:WUID)",
    nullptr,
};

void setProduct2(db::Query& q, const std::string& id, double cost, const Stamps& s,
                 const std::string& owner) {
    q.setString("PROD_ID", id);
    q.setString("PUT_ID", "");
    for (const char* c :
         {"FIRST_COST", "STD_COST", "AVG_COST", "MAVG_COST", "LAST_COST", "NETAVG_COST"})
        q.setDouble(c, cost);
    for (const char* c :
         {"SAFE_DAY", "SAFE_QTY", "BEFORE_QTY", "NOW_QTY", "BEFORE_LENDQTY", "LENDQTY"})
        q.setInt(c, 0);
    q.setInt("P_LOWQTY", 1);
    q.setString("P_CHANGE_YN", "Y");
    for (const char* c : {"P_LENGTH", "P_WIDTH", "P_HEIGHT"})
        q.setInt(c, 0);
    s.set(q);
    q.setString("WUID", owner);
}

void Stamps::set(db::Query& q) const {
    q.setString("CHG_DATETIME", text::nowStamp());
    q.setString("CHG_USER", user);
    q.setString("CHG_HOST", host);
    q.setString("CR_DATETIME", text::nowStamp());
    q.setString("CR_USER", user);
    q.setString("CR_HOST", host);
}

void refreshCategoryNames(db::Connection& conn, const char* firstLine) {
    db::Query q(&conn);
    q.add(firstLine);
    q.add(
        " (select FIRST 1 SKIP 0 pd_itemname from prod_item where pd_itemid = product.pd_itemid) ");
    q.add(
        " where pd_itemname is distinct from "
        "(select FIRST 1 SKIP 0 pd_itemname from prod_item where pd_itemid = product.pd_itemid) ");
    q.exec();
}

void saveNewProducts(dataset::RecordSet& list, db::Connection& conn, const std::string& wuid,
                     const std::string& owner, SaveResult& result, const Progress& progress) {
    result = {};
    list.requireActive();
    db::Query exists(&conn), product(&conn), product2(&conn), delPrice(&conn), insPrice(&conn);
    exists.setSql("SELECT PROD_ID FROM PRODUCT WHERE PROD_ID = :PROD_ID");
    product.clear();
    for (const char* l : kProductInsert)
        product.add(l);
    product2.clear();
    for (const char* const* l = kProduct2Insert; *l; ++l)
        product2.add(*l);
    addLines(delPrice,
             {"DELETE FROM PROD_PRICE", " where PROD_ID=:PROD_ID AND PRICE_NO=:PRICE_NO"});
    addLines(insPrice, {"INSERT INTO PROD_PRICE(PROD_ID,PRICE_NO,DEFINE_PRICE)",
                        " VALUES(:PROD_ID,:PRICE_NO,:DEFINE_PRICE)"});
    const Stamps stamps{"qimport", "127.0.0.1"};

    // List fields 1 to 26 go as text, SALE_PRICE as its number (NULL stays
    // NULL), ORIGINAL_PRICE as a number with 0 for none.
    const auto& fields = list.fields();
    std::size_t salePrice = list.fieldIndex("SALE_PRICE"),
                originalPrice = list.fieldIndex("ORIGINAL_PRICE"),
                idField = list.fieldIndex("PROD_ID");
    std::size_t n = list.rowCount();
    if (!report(progress, 0, n)) {
        result.cancelled = true;
        return;
    }

    std::size_t pending = 0; // saved, not yet committed
    SaveBatch batch(conn, [&] {
        result.saved += pending;
        pending = 0;
    });
    exists.setKeyLookup(true);
    for (list.first(); !list.eof(); list.next()) {
        if (!report(progress, result.rows + 1, n)) {
            result.cancelled = true;
            break;
        }
        ++result.rows;
        const auto& row = list.row(list.recNo());
        std::string id = db::toText(row[idField]);
        batch.run([&] {
            exists.setString("PROD_ID", id);
            exists.open();
            bool onFile = !exists.eof();
            exists.close();
            if (onFile) {
                ++result.skipped;
                return;
            }
            for (std::size_t i = 0; i < originalPrice; ++i) {
                if (i == salePrice) {
                    if (db::isNull(row[i]))
                        product.setNull(fields[i].name);
                    else
                        product.setDouble(fields[i].name, db::toDouble(row[i]));
                } else {
                    product.setString(fields[i].name, db::toText(row[i]));
                }
            }
            product.setDouble("ORIGINAL_PRICE", db::toDouble(row[originalPrice]));
            stamps.set(product);
            product.setString("WUID", wuid);
            product.exec();
            setProduct2(product2, id, 0, stamps, owner);
            product2.exec();
            delPrice.setString("PROD_ID", id);
            delPrice.setInt("PRICE_NO", 0);
            delPrice.exec();
            insPrice.setString("PROD_ID", id);
            insPrice.setInt("PRICE_NO", 0);
            insPrice.setDouble("DEFINE_PRICE", db::toDouble(row[salePrice]));
            insPrice.exec();
            ++pending;
        });
        batch.unitDone();
    }
    batch.finish();
    if (result.cancelled)
        return;

    refreshCategoryNames(conn, "update product set pd_itemname = ");
    db::Query q(&conn);
    q.add("update product set supp_corp_name = ");
    q.add(" (select FIRST 1 corp_name from supplier where corp_id = product.supp_corp_id) ");
    q.add(" where supp_corp_name is distinct from "
          "(select FIRST 1 corp_name from supplier where corp_id = product.supp_corp_id) ");
    q.exec();
}

} // namespace exchange
