#include "Packets.h"

#include <functional>

#include "platform/dataset/RecordSet.h"
#include "platform/db/Query.h"

namespace services {

namespace {

using dataset::FieldDef;
using dataset::FieldKind;
using dataset::RecordSet;

// A one-row result: narrow text fields of the given widths, numbers as r8.
class Packet {
  public:
    Packet(std::initializer_list<std::pair<const char*, int>> fields) {
        std::vector<FieldDef> defs;
        for (auto [name, width] : fields) {
            FieldDef f;
            f.name = name;
            f.kind = width > 0 ? FieldKind::Text : FieldKind::Float;
            f.size = width;
            defs.push_back(std::move(f));
        }
        set_.setFields(std::move(defs));
        set_.createDataSet();
        set_.append();
    }
    void text(const char* field, const std::string& v) { set_.setValue(field, v); }
    void number(const char* field, double v) { set_.setValue(field, v); }
    void copy(const char* field, const db::Value& v) { set_.setValue(field, v); }
    std::string str(const char* field) const { return set_.asString(field); }
    std::string xml() {
        set_.post();
        return set_.xmlPacket();
    }

  private:
    RecordSet set_;
};

// A read with bound parameters; run() positions on the first row.
class Lookup {
  public:
    Lookup(db::Connection& conn, const std::string& sql) : q_(&conn) {
        q_.setSql(sql);
        q_.setKeyLookup(true); // a key longer than its column finds nothing
    }
    Lookup& bind(const char* name, const std::string& v) {
        q_.setString(name, v);
        return *this;
    }
    Lookup& bind(const char* name, int64_t v) {
        q_.setInt(name, v);
        return *this;
    }
    // True when a row was found; its values stay readable after the read
    // (and its transaction) has ended.
    bool run() {
        q_.open();
        bool found = !q_.eof();
        q_.close();
        return found;
    }
    // Numbers: null or unreadable text is 0; discounts default to 100.
    double num(const char* field) const {
        return q_.isNull(field) ? 0 : db::toDouble(q_.value(field));
    }
    double dis(const char* field) const {
        return q_.isNull(field) ? 100 : db::toDouble(q_.value(field));
    }
    std::string str(const char* field) const { return q_.asString(field); }
    const db::Value& value(const char* field) const { return q_.value(field); }

  private:
    db::Query q_;
};

const char* kProductByCode =
    "SELECT P.PROD_ID, P.SALE_PRICE, P.MS_YN, S.STD_COST, S.LAST_COST, S.NOW_QTY "
    "FROM PRODUCT P LEFT JOIN PRODUCT2 S ON S.PROD_ID = P.PROD_ID "
    "WHERE P.PROD_ID = :CODE OR P.PROD_ID2 = :CODE OR P.PROD_BARCODE = :CODE";
const char* kProductByNumber =
    "SELECT P.PROD_ID, P.SALE_PRICE, P.MS_YN, S.STD_COST, S.LAST_COST, S.NOW_QTY "
    "FROM PRODUCT P LEFT JOIN PRODUCT2 S ON S.PROD_ID = P.PROD_ID WHERE P.PROD_ID = :CODE";
const char* kStockByCode =
    "SELECT S.PROD_ID, S.STD_COST, S.LAST_COST, S.NOW_QTY FROM PRODUCT2 S JOIN PRODUCT P ON "
    "P.PROD_ID = S.PROD_ID "
    "WHERE P.PROD_ID = :CODE OR P.PROD_ID2 = :CODE OR P.PROD_BARCODE = :CODE";
const char* kPackByBarcode = "SELECT PROD_ID, PACK_SALEPRICE, PACK_INPRICE, PACK_RATE FROM "
                             "PROD_PACK WHERE PACK_BARCODE = :CODE";
const char* kListPrice =
    "SELECT DEFINE_PRICE FROM PROD_PRICE WHERE PROD_ID = :PROD_ID AND PRICE_NO = :PRICE_NO";

} // namespace

std::string GetSalePrice(db::Connection& conn, const std::string& corp, const std::string& code,
                         int priceNo, const std::string& day) {
    Packet p({{"TEMPPRODID", 20},
              {"PROD_ID", 20},
              {"CUST_CORP_ID", 20},
              {"HISTPRICE_YN", 1},
              {"B_PRICE", 0},
              {"U_DIS", 0},
              {"MASTERBILLID", 20},
              {"LAST_COST", 0},
              {"NOW_QTY", 0},
              {"FR_YN", 1},
              {"MS_YN", 1}});
    p.text("TEMPPRODID", code);
    p.text("CUST_CORP_ID", corp);

    Lookup customer(conn, "SELECT HISTPRICE_YN FROM CUSTOMER WHERE CORP_ID = :CORP");
    std::string hist = customer.bind("CORP", corp).run() ? customer.str("HISTPRICE_YN") : "";
    p.text("HISTPRICE_YN", hist);

    std::string prodId;
    double salePrice = 0;
    Lookup pack(conn, kPackByBarcode);
    bool isPack = pack.bind("CODE", code).run();
    Lookup product(conn, isPack ? kProductByNumber : kProductByCode);
    if (isPack) {
        prodId = pack.str("PROD_ID");
        bool found = product.bind("CODE", prodId).run();
        salePrice = found ? product.num("SALE_PRICE") : 0;
        p.number("B_PRICE", pack.num("PACK_SALEPRICE"));
        p.copy("PROD_ID", db::Value(prodId));
    } else {
        bool found = product.bind("CODE", code).run();
        prodId = found ? product.str("PROD_ID") : "";
        salePrice = found ? product.num("SALE_PRICE") : 0;
        p.text("PROD_ID", prodId);
        Lookup list(conn, kListPrice);
        double price = list.bind("PROD_ID", prodId).bind("PRICE_NO", int64_t(priceNo)).run()
                           ? list.num("DEFINE_PRICE")
                           : 0;
        p.number("B_PRICE", price != 0 ? price : salePrice);
    }
    p.number("U_DIS", 100);
    bool productFound = !prodId.empty();
    p.number("LAST_COST", productFound ? product.num("STD_COST") : 0);
    p.number("NOW_QTY", productFound ? product.num("NOW_QTY") : 0);
    p.text("MS_YN", productFound ? product.str("MS_YN") : "");

    Lookup classDis(conn, "SELECT D.PER_DIS FROM CUSTOMER_PDCLASS_DIS D JOIN PRODUCT P ON "
                          "P.PD_CLASSID = D.PD_CLASSID "
                          "WHERE D.CUST_CORP_ID = :CORP AND P.PROD_ID = :PROD_ID");
    if (classDis.bind("CORP", corp).bind("PROD_ID", prodId).run()) {
        p.number("B_PRICE", salePrice);
        p.number("U_DIS", classDis.dis("PER_DIS"));
    }

    Lookup purchase(conn, "SELECT FIRST 1 V_PRICE, PACK_QTY FROM PURCHASE_DETAIL "
                          "WHERE PROD_ID = :PROD_ID AND BILL_DATE <= :DAY ORDER BY BILL_DATE DESC");
    if (purchase.bind("PROD_ID", prodId).bind("DAY", day).run()) {
        // A pack quantity of 0 gives no unit cost rather than a division by zero.
        double qty = purchase.num("PACK_QTY");
        double unit = qty != 0 ? purchase.num("V_PRICE") / qty : 0;
        if (unit != 0)
            p.number("LAST_COST", unit);
    }

    Lookup quote(
        conn, "SELECT B_PRICE, U_DIS, MASTERBILLID FROM CUSTQUOTE_DETAIL WHERE TEMPPRODID = :CODE "
              "AND CUST_CORP_ID = :CORP AND INI_DATE <= :DAY AND END_DATE >= :DAY");
    if (quote.bind("CODE", code).bind("CORP", corp).bind("DAY", day).run()) {
        p.number("B_PRICE", quote.num("B_PRICE"));
        p.number("U_DIS", quote.dis("U_DIS"));
        p.text("MASTERBILLID", quote.str("MASTERBILLID"));
    }

    p.text("FR_YN", "Y");
    Lookup history(conn,
                   "SELECT FIRST 1 B_PRICE, U_DIS, MASTERBILLID FROM CUSTSALE_DETAIL "
                   "WHERE TEMPPRODID = :CODE AND CUST_CORP_ID = :CORP ORDER BY MASTERBILLID DESC");
    if (history.bind("CODE", code).bind("CORP", corp).run()) {
        p.text("FR_YN", "N");
        if (hist == "Y") {
            p.number("B_PRICE", history.num("B_PRICE"));
            p.number("U_DIS", history.dis("U_DIS"));
            p.text("MASTERBILLID", history.str("MASTERBILLID"));
        }
    }

    Lookup promotion(conn, "SELECT FIRST 1 PSALE_PRICE, U_DIS, MASTERBILLID FROM PSALE_DETAIL "
                           "WHERE TEMPPRODID = :CODE AND INI_DATE <= :DAY AND END_DATE >= :DAY "
                           "ORDER BY INI_DATE DESC");
    if (promotion.bind("CODE", code).bind("DAY", day).run()) {
        p.number("B_PRICE", promotion.num("PSALE_PRICE"));
        p.number("U_DIS", promotion.dis("U_DIS"));
        p.text("MASTERBILLID", promotion.str("MASTERBILLID"));
    }
    return p.xml();
}

std::string GetInPrice(db::Connection& conn, const std::string& corp, const std::string& code,
                       int priceNo) {
    Packet p({{"PROD_ID", 20},
              {"TEMPPRODID", 20},
              {"SUPP_CORP_ID", 20},
              {"B_PRICE", 0},
              {"U_DIS", 0},
              {"NOW_QTY", 0}});
    p.text("TEMPPRODID", code);
    p.text("SUPP_CORP_ID", corp);
    Lookup pack(conn, kPackByBarcode);
    if (pack.bind("CODE", code).run()) {
        std::string prodId = pack.str("PROD_ID");
        double rate = pack.num("PACK_RATE");
        p.text("PROD_ID", prodId);
        if (priceNo == 0 || priceNo == 1) {
            Lookup product(conn, kProductByNumber);
            bool found = product.bind("CODE", prodId).run();
            p.number("B_PRICE", pack.num("PACK_INPRICE"));
            p.number("NOW_QTY", found ? product.num("NOW_QTY") : 0);
        } else if (priceNo == 2 || priceNo == 3) {
            Lookup stock(conn, kStockByCode);
            bool found = stock.bind("CODE", prodId).run();
            double last = found ? stock.num("LAST_COST") : 0,
                   std = found ? stock.num("STD_COST") : 0;
            p.number("B_PRICE", (priceNo == 2 && last != 0 ? last : std) * rate);
        }
    } else if (priceNo >= 0 && priceNo <= 3) {
        Lookup stock(conn, kStockByCode);
        bool found = stock.bind("CODE", code).run();
        double last = found ? stock.num("LAST_COST") : 0, std = found ? stock.num("STD_COST") : 0;
        p.number("B_PRICE", priceNo == 2 && last != 0 ? last : std);
    }
    p.number("U_DIS", 100);
    return p.xml();
}

std::string GetCostPrice(db::Connection& conn, const std::string& code, int priceNo) {
    Packet p({{"TEMPPRODID", 20}, {"COST_PRICE", 0}});
    p.text("TEMPPRODID", code);
    Lookup stock(conn, kStockByCode);
    bool found = stock.bind("CODE", code).run();
    double last = found ? stock.num("LAST_COST") : 0, std = found ? stock.num("STD_COST") : 0;
    if (priceNo == 0 || priceNo == 1 || priceNo == 3)
        p.number("COST_PRICE", std);
    else if (priceNo == 2)
        p.number("COST_PRICE", last != 0 ? last : std);
    return p.xml();
}

std::string GetPosPrice(db::Connection& conn, const std::string& code, const std::string&) {
    Packet p({{"TEMPPRODID", 20},
              {"PROD_ID", 20},
              {"PRICE0", 0},
              {"PRICE1", 0},
              {"PRICE2", 0},
              {"PRICE3", 0},
              {"PRICE4", 0},
              {"PRICE5", 0},
              {"PRICE6", 0},
              {"COST_PRICE", 0}});
    p.text("TEMPPRODID", code);
    Lookup product(
        conn,
        "SELECT S.PROD_ID, S.STD_COST FROM PRODUCT P LEFT JOIN PRODUCT2 S ON S.PROD_ID = P.PROD_ID "
        "WHERE S.PROD_ID = :CODE OR P.PROD_ID2 = :CODE OR P.PROD_BARCODE = :CODE");
    std::string prodId;
    bool found = product.bind("CODE", code).run();
    if (found) {
        prodId = product.str("PROD_ID");
        p.text("PROD_ID", prodId);
    }
    // A missing or null cost is 0, as every price of these packets.
    p.number("COST_PRICE", found ? product.num("STD_COST") : 0);
    Lookup list(conn, kListPrice);
    static const char* prices[] = {"PRICE0", "PRICE1", "PRICE2", "PRICE3",
                                   "PRICE4", "PRICE5", "PRICE6"};
    for (int level = 0; level < 7; ++level)
        p.number(prices[level], list.bind("PROD_ID", prodId).bind("PRICE_NO", int64_t(level)).run()
                                    ? list.num("DEFINE_PRICE")
                                    : 0);
    return p.xml();
}

namespace {

std::string itemPrice(db::Connection& conn, const char* idField, const std::string& customerTable,
                      const std::string& itemTable, const std::string& corp,
                      const std::string& id) {
    Packet p({{"CUST_CORP_ID", 20}, {idField, 20}, {"SALE_PRICE", 0}});
    p.text("CUST_CORP_ID", corp);
    p.text(idField, id);
    Lookup special(conn, "SELECT PSALE_PRICE FROM " + customerTable +
                             " WHERE CUST_CORP_ID = :CORP AND " + idField + " = :ID");
    if (special.bind("CORP", corp).bind("ID", id).run()) {
        p.copy("SALE_PRICE", special.value("PSALE_PRICE"));
    } else {
        Lookup item(conn,
                    "SELECT PRICE FROM " + itemTable + " WHERE " + std::string(idField) + " = :ID");
        if (item.bind("ID", id).run())
            p.copy("SALE_PRICE", item.value("PRICE"));
    }
    return p.xml();
}

} // namespace

std::string GetMaterial_Price(db::Connection& conn, const std::string& corp,
                              const std::string& id) {
    return itemPrice(conn, "MATERIAL_ID", "CUST_MATERIAL_PRICE", "MATERIAL", corp, id);
}

std::string GetProtector_Price(db::Connection& conn, const std::string& corp,
                               const std::string& id) {
    return itemPrice(conn, "PROTECTORITEM_ID", "CUST_PROTECTOR_PRICE", "PROTECTORITEM", corp, id);
}

std::string GetWorkProcess_Price(db::Connection& conn, const std::string& corp,
                                 const std::string& id) {
    return itemPrice(conn, "WORKPROCESS_ID", "CUST_WORKPROCESS_PRICE", "WORKPROCESS", corp, id);
}

} // namespace services
