#include "FullModeSave.h"

#include "SaveBatch.h"
#include "platform/db/Query.h"
#include "platform/text/Text.h"

namespace exchange {

namespace {

double number(std::string_view cell) {
    return text::toFloatDef(text::trim(cell), 0);
}

std::string cut(const std::string& s, std::size_t n) {
    return text::trim(text::leftChars(s, n));
}

// Columns of the product insert, in order; the parameters have the same names.
const char* kInsertColumns[] = {
    "PROD_ID",      "PROD_BARCODE",   "PROD_NAME",      "PROD_SNAME",  "PROD_SCALE",
    "PROD_ID2",     "PROD_ENAME",     "PD_ITEMID",      "PD_ITEMNAME", "PD_CLASSID",
    "PD_CLASSNAME", "SUPP_CORP_ID",   "SUPP_CORP_NAME", "UNIT_ID",     "BRAND_ID",
    "BRAND_NAME",   "TAX_KIND",       "STK_QTY_YN",     "MS_YN",       "WEBSHOW_YN",
    "STOP_IN_YN",   "STOP_SALE_YN",   "DEL_FLAG_YN",    "SALE_PRICE",  "PRODUCTION_PLACE",
    "MONEY_ID",     "ORIGINAL_PRICE", "CHG_DATETIME",   "CHG_USER",    "CHG_HOST",
    "CR_DATETIME",  "CR_USER",        "CR_HOST",        "SELECT_YN",   "WUID",
    "P_PU",         "SEC_DIS",
};

// Columns the update sets after PROD_BARCODE.
const char* kUpdateColumns[] = {
    "PROD_NAME",      "PROD_SNAME",       "PROD_SCALE", "PROD_ID2",       "PROD_ENAME",
    "PD_ITEMID",      "PD_ITEMNAME",      "PD_CLASSID", "PD_CLASSNAME",   "SUPP_CORP_ID",
    "SUPP_CORP_NAME", "UNIT_ID",          "BRAND_ID",   "BRAND_NAME",     "TAX_KIND",
    "SALE_PRICE",     "PRODUCTION_PLACE", "MONEY_ID",   "ORIGINAL_PRICE", "CHG_DATETIME",
    "CHG_USER",       "CHG_HOST",
};

// The product values shared by insert and update.
void setProduct(db::Query& q, const FullModeRow& r, const Stamps& s, bool insert,
                const std::string& owner) {
    q.setString("PROD_ID", r.key);
    q.setString("PROD_BARCODE", r.barcode);
    q.setString("PROD_NAME", r.name);
    q.setString("PROD_SNAME", r.shortName);
    q.setString("PROD_SCALE", r.scale);
    for (const char* empty : {"PROD_ID2", "PROD_ENAME", "PD_CLASSID", "PD_CLASSNAME", "BRAND_ID",
                              "BRAND_NAME", "PRODUCTION_PLACE"})
        q.setString(empty, "");
    q.setString("PD_ITEMID", r.categoryId);
    q.setString("PD_ITEMNAME", r.categoryName);
    q.setString("SUPP_CORP_ID", r.supplierId);
    q.setString("SUPP_CORP_NAME", r.supplierName);
    q.setString("UNIT_ID", r.unit);
    q.setString("TAX_KIND", "Y");
    q.setDouble("SALE_PRICE", r.priceA);
    q.setString("MONEY_ID", r.moneyId);
    q.setDouble("ORIGINAL_PRICE", r.originalPrice);
    q.setString("CHG_DATETIME", text::nowStamp());
    q.setString("CHG_USER", s.user);
    q.setString("CHG_HOST", s.host);
    if (!insert)
        return;
    q.setString("CR_DATETIME", text::nowStamp());
    q.setString("CR_USER", s.user);
    q.setString("CR_HOST", s.host);
    q.setString("STK_QTY_YN", "Y");
    for (const char* no :
         {"MS_YN", "WEBSHOW_YN", "STOP_IN_YN", "STOP_SALE_YN", "DEL_FLAG_YN", "SELECT_YN"})
        q.setString(no, "N");
    q.setString("WUID", owner);
    q.setString("P_PU", "");
    q.setString("SEC_DIS", "Y");
}

} // namespace

FullModeRow deriveFullModeRow(const workbook::Grid& g, std::size_t row) {
    auto cell = [&](std::size_t col) { return text::trim(g.cell(col, row)); };
    FullModeRow r;
    r.categoryId = text::trim(cell(0));
    if (text::codePoints(r.categoryId) == 6)
        r.categoryId = "0" + r.categoryId;
    r.categoryName = cell(1);
    r.key = cell(2);
    std::string name = cell(3);
    r.name = cut(name, 50);
    r.shortName = cut(name, 20);
    r.barcode = cell(4);
    if (r.barcode.empty())
        r.barcode = r.key;
    r.unit = cell(5);
    if (r.unit.empty())
        r.unit = "PC";
    r.scale = cut(cell(6), 20);
    r.priceA = number(g.cell(7, row));
    r.priceB = number(g.cell(8, row));
    r.priceC = number(g.cell(9, row));
    r.cost = number(g.cell(10, row));
    r.supplierId = cell(11);
    r.supplierName = cell(12);
    r.moneyId = cell(14);
    r.originalPrice = number(g.cell(15, row));
    r.description = cell(19);
    r.groupName = cell(20);
    r.binding = cell(21);
    r.verType = cell(22);
    r.keyWord = cell(23);
    return r;
}

std::string descriptionBytes(const std::string& t) {
    std::string out = "\xEF\xBB\xBF";
    for (const auto& line : text::splitLines(t)) {
        out += line;
        out += "\r\n";
    }
    return out;
}

std::string failureLine(const std::string& key) {
    return key + "轉檔失敗..";
}

std::string failureText(const RowFailure& f) {
    // The server's message runs over several lines ("-" before each after the
    // first): one line here, its parts joined.
    std::string reason;
    for (auto line : text::splitLines(f.reason)) {
        std::string part = text::trim(line[0] == '-' ? line.substr(1) : line);
        if (!part.empty())
            reason += (reason.empty() ? "" : "；") + part;
    }
    return failureLine(f.key) + "　第 " + std::to_string(f.sheetRow) + " 列：" + reason;
}

void upsertFullMode(const workbook::Grid& grid, db::Connection& conn, const std::string& owner,
                    UpsertResult& result, const Progress& progress) {
    result = {};
    db::Query exists(&conn), insert(&conn), update(&conn), product2(&conn), cost2(&conn),
        delBook(&conn), insBook(&conn), delPrices(&conn), insPrice(&conn), descExists(&conn),
        descUpdate(&conn), descInsert(&conn);
    exists.add("SELECT PROD_ID,PROD_BARCODE FROM PRODUCT ");
    exists.add(" WHERE PROD_ID = :PROD_ID");
    {
        std::string cols, params;
        for (const char* c : kInsertColumns) {
            cols += std::string(cols.empty() ? "" : ",") + c;
            params += std::string(params.empty() ? ":" : ",:") + c;
        }
        insert.setSql("INSERT INTO PRODUCT(" + cols + ") VALUES(" + params + ")");
    }
    update.add("UPDATE PRODUCT SET PROD_BARCODE = :PROD_BARCODE ");
    for (const char* c : kUpdateColumns)
        update.add(std::string(c) == "PROD_ID2" ? " ,PROD_ID2  = :PROD_ID2 "
                                                : std::string(" ,") + c + " = :" + c + " ");
    update.add(" WHERE PROD_ID = :PROD_ID ");
    for (const char* const* l = kProduct2Insert; *l; ++l)
        product2.add(*l);
    cost2.add("UPDATE PRODUCT2 SET FIRST_COST = :FIRST_COST ");
    cost2.add("   ,STD_COST = :STD_COST ");
    cost2.add(" WHERE PROD_ID = :PROD_ID ");
    delBook.add("DELETE FROM PRODUCT_FORBOOK WHERE PROD_ID = :PROD_ID ");
    insBook.add("INSERT INTO PRODUCT_FORBOOK(PROD_ID, GROUP_NAME, BINDING, VER_TYPE, KEY_WORD, "
                "CHG_DATETIME, "
                "CHG_USER, CHG_HOST, CR_DATETIME, CR_USER, CR_HOST, WUID) ");
    insBook.add("  VALUES (:PROD_ID, :GROUP_NAME, :BINDING, :VER_TYPE, :KEY_WORD, :CHG_DATETIME, "
                ":CHG_USER, "
                ":CHG_HOST, :CR_DATETIME, :CR_USER, :CR_HOST, :WUID)");
    delPrices.add("DELETE FROM PROD_PRICE WHERE PROD_ID = :PROD_ID ");
    insPrice.add("INSERT INTO PROD_PRICE(PROD_ID,PRICE_NO,DEFINE_PRICE)");
    insPrice.add(" VALUES(:PROD_ID,:PRICE_NO,:DEFINE_PRICE)");
    descExists.add("SELECT PROD_ID FROM PRODUCT_DESCRIPTION WHERE PROD_ID = :PROD_ID ");
    descUpdate.add("UPDATE PRODUCT_DESCRIPTION SET ");
    descUpdate.add(" PROD_DESCRIPTION = :PROD_DESCRIPTION ");
    descUpdate.add(" ,WUID = :WUID ");
    descUpdate.add(" WHERE PROD_ID = :PROD_ID ");
    descInsert.add("INSERT INTO PRODUCT_DESCRIPTION (PROD_ID,PROD_DESCRIPTION,WUID) values "
                   "(:PROD_ID,:PROD_DESCRIPTION,:WUID) ");
    const Stamps stamps{"001", "127.0.0.1"};

    auto bookRow = [&](const FullModeRow& r) {
        delBook.setString("PROD_ID", r.key);
        delBook.exec();
        insBook.setString("PROD_ID", r.key);
        insBook.setString("GROUP_NAME", r.groupName);
        insBook.setString("BINDING", r.binding);
        insBook.setString("VER_TYPE", r.verType);
        insBook.setString("KEY_WORD", r.keyWord);
        stamps.set(insBook);
        insBook.setString("WUID", owner);
        insBook.exec();
    };
    auto priceRows = [&](const FullModeRow& r) {
        const double levels[7] = {r.priceA, r.priceB, r.priceC, r.priceA,
                                  r.priceB, r.priceB, r.priceA};
        insPrice.setString("PROD_ID", r.key);
        for (int level = 0; level < 7; ++level) {
            insPrice.setInt("PRICE_NO", level);
            insPrice.setDouble("DEFINE_PRICE", levels[level]);
            insPrice.exec();
        }
    };

    std::size_t rows = grid.rowCount();
    std::size_t pendingInserted = 0, pendingUpdated = 0;
    SaveBatch batch(conn, [&] {
        result.inserted += pendingInserted;
        result.updated += pendingUpdated;
        pendingInserted = pendingUpdated = 0;
    });
    exists.setKeyLookup(true);
    descExists.setKeyLookup(true);
    result.cancelled = !report(progress, 0, rows);
    for (std::size_t i = 0; i < rows && !result.cancelled; ++i) {
        if (!report(progress, i + 1, rows)) {
            result.cancelled = true;
            break;
        }
        if (grid.rowIsEmpty(i)) {
            ++result.blank;
            continue;
        }
        ++result.rows;
        FullModeRow r = deriveFullModeRow(grid, i);
        if (r.key.empty()) {
            result.failed.push_back({r.key, grid.sheetRow(i), "C 欄（商品編號）是空的"});
            continue;
        }
        bool inserted = false;
        auto failure = batch.tryRun([&] {
            exists.setString("PROD_ID", r.key);
            exists.open();
            bool onFile = !exists.eof();
            exists.close();
            if (!onFile) {
                setProduct(insert, r, stamps, true, owner);
                insert.exec();
                setProduct2(product2, r.key, r.cost, stamps, owner);
                product2.exec();
                bookRow(r);
                priceRows(r);
                inserted = true;
            } else {
                setProduct(update, r, stamps, false, owner);
                update.exec();
                cost2.setString("PROD_ID", r.key);
                cost2.setDouble("FIRST_COST", r.cost);
                cost2.setDouble("STD_COST", r.cost);
                cost2.exec();
                bookRow(r);
                delPrices.setString("PROD_ID", r.key);
                delPrices.exec();
                priceRows(r);
            }
        });
        if (failure)
            result.failed.push_back({r.key, grid.sheetRow(i), *failure});
        else
            ++(inserted ? pendingInserted : pendingUpdated);
        if (!r.description.empty()) {
            batch.runUnprotected([&] {
                std::string bytes = descriptionBytes(r.description);
                descExists.setString("PROD_ID", r.key);
                descExists.open();
                bool present = !descExists.eof();
                descExists.close();
                db::Query& q = present ? descUpdate : descInsert;
                q.setString("PROD_ID", r.key);
                q.setBlob("PROD_DESCRIPTION", bytes);
                q.setString("WUID", owner);
                q.exec();
            });
        }
        batch.unitDone();
    }
    batch.finish();
    if (result.cancelled)
        return;

    refreshCategoryNames(conn, "  update product set pd_itemname = ");
    db::Query q(&conn);
    q.add("  update product set supp_corp_id = ");
    q.add(
        " (select FIRST 1 SKIP 0 corp_id from supplier where corp_name = product.supp_corp_name) ");
    q.add(" where supp_corp_id is null or supp_corp_id = '' ");
    q.exec();
}

} // namespace exchange
