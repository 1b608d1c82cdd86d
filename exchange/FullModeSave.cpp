#include "FullModeSave.h"

#include <optional>

#include "SaveBatch.h"
#include "platform/db/KeyLookup.h"
#include "platform/db/Query.h"
#include "platform/text/Text.h"
#include "platform/workbook/SheetWriter.h"

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

std::string messageLine(const std::string& message) {
    // The server's message runs over several lines ("-" before each after the
    // first): one line here, its parts joined.
    std::string out;
    for (const auto& line : text::splitLines(message)) {
        std::string part = text::trim(!line.empty() && line[0] == '-' ? line.substr(1) : line);
        if (!part.empty())
            out += (out.empty() ? "" : "；") + part;
    }
    return out;
}

std::string failureText(const RowFailure& f) {
    return failureLine(f.key) + "　第 " + std::to_string(f.sheetRow) + " 列：" +
           messageLine(f.reason);
}

namespace {

// The values of a row as the block's parameters carry them, in this order:
// texts, then numbers.
const char* const kRowTexts[] = {"PROD_ID",     "PROD_BARCODE", "PROD_NAME",      "PROD_SNAME",
                                 "PROD_SCALE",  "PD_ITEMID",    "PD_ITEMNAME",    "SUPP_CORP_ID",
                                 "SUPP_CORP_NAME", "UNIT_ID",   "MONEY_ID",       "GROUP_NAME",
                                 "BINDING",     "VER_TYPE",     "KEY_WORD"};
// The routine's parameter, and the column whose type it takes.
const char* const kRowTextTypes[] = {
    "PRODUCT.PROD_ID",        "PRODUCT.PROD_BARCODE",   "PRODUCT.PROD_NAME",
    "PRODUCT.PROD_SNAME",     "PRODUCT.PROD_SCALE",     "PRODUCT.PD_ITEMID",
    "PRODUCT.PD_ITEMNAME",    "PRODUCT.SUPP_CORP_ID",   "PRODUCT.SUPP_CORP_NAME",
    "PRODUCT.UNIT_ID",        "PRODUCT.MONEY_ID",       "PRODUCT_FORBOOK.GROUP_NAME",
    "PRODUCT_FORBOOK.BINDING", "PRODUCT_FORBOOK.VER_TYPE", "PRODUCT_FORBOOK.KEY_WORD"};
const char* const kRowNumbers[] = {"PRICE_A", "PRICE_B", "PRICE_C", "COST", "ORIGINAL_PRICE"};
constexpr std::size_t kTexts = std::size(kRowTexts), kNumbers = std::size(kRowNumbers);

std::vector<std::string> rowTexts(const FullModeRow& r) {
    return {r.key,        r.barcode,    r.name,         r.shortName, r.scale,
            r.categoryId, r.categoryName, r.supplierId, r.supplierName, r.unit,
            r.moneyId,    r.groupName,  r.binding,      r.verType,   r.keyWord};
}
std::vector<double> rowNumbers(const FullModeRow& r) {
    return {r.priceA, r.priceB, r.priceC, r.cost, r.originalPrice};
}

// The routines of the full-mode block: one row's product part (the same
// statements as upsertAlone() runs) and its description.
std::string fullModeRoutines() {
    std::string sql = "  DECLARE FUNCTION UPSERT_ONE(";
    for (std::size_t i = 0; i < kTexts; ++i)
        sql += std::string(kRowTexts[i]) + " TYPE OF COLUMN " + kRowTextTypes[i] + ", ";
    for (const char* n : kRowNumbers)
        sql += std::string(n) + " DOUBLE PRECISION, ";
    sql += "STAMP TYPE OF COLUMN PRODUCT.CHG_DATETIME, USR TYPE OF COLUMN PRODUCT.CHG_USER, "
           "HST TYPE OF COLUMN PRODUCT.CHG_HOST, OWNER TYPE OF COLUMN PRODUCT.WUID)\n"
           "  RETURNS INTEGER\n  AS\n"
           "    DECLARE ON_FILE SMALLINT = 0;\n"
           "    DECLARE PRICE_LEVEL INTEGER = 0;\n"
           "    DECLARE PRICE DOUBLE PRECISION;\n"
           "  BEGIN\n"
           "    IF (EXISTS (SELECT 1 FROM PRODUCT WHERE PROD_ID = :PROD_ID)) THEN ON_FILE = 1;\n"
           "    IF (ON_FILE = 1) THEN\n"
           "    BEGIN\n"
           "      UPDATE PRODUCT SET PROD_BARCODE = :PROD_BARCODE, PROD_NAME = :PROD_NAME,\n"
           "        PROD_SNAME = :PROD_SNAME, PROD_SCALE = :PROD_SCALE, PROD_ID2 = '',\n"
           "        PROD_ENAME = '', PD_ITEMID = :PD_ITEMID, PD_ITEMNAME = :PD_ITEMNAME,\n"
           "        PD_CLASSID = '', PD_CLASSNAME = '', SUPP_CORP_ID = :SUPP_CORP_ID,\n"
           "        SUPP_CORP_NAME = :SUPP_CORP_NAME, UNIT_ID = :UNIT_ID, BRAND_ID = '',\n"
           "        BRAND_NAME = '', TAX_KIND = 'Y', SALE_PRICE = :PRICE_A,\n"
           "        PRODUCTION_PLACE = '', MONEY_ID = :MONEY_ID,\n"
           "        ORIGINAL_PRICE = :ORIGINAL_PRICE, CHG_DATETIME = :STAMP, CHG_USER = :USR,\n"
           "        CHG_HOST = :HST\n"
           "      WHERE PROD_ID = :PROD_ID;\n"
           "      UPDATE PRODUCT2 SET FIRST_COST = :COST, STD_COST = :COST WHERE PROD_ID = :PROD_ID;\n"
           "    END\n"
           "    ELSE\n"
           "    BEGIN\n"
           "      INSERT INTO PRODUCT (PROD_ID, PROD_BARCODE, PROD_NAME, PROD_SNAME, PROD_SCALE,\n"
           "        PROD_ID2, PROD_ENAME, PD_ITEMID, PD_ITEMNAME, PD_CLASSID, PD_CLASSNAME,\n"
           "        SUPP_CORP_ID, SUPP_CORP_NAME, UNIT_ID, BRAND_ID, BRAND_NAME, TAX_KIND,\n"
           "        STK_QTY_YN, MS_YN, WEBSHOW_YN, STOP_IN_YN, STOP_SALE_YN, DEL_FLAG_YN,\n"
           "        SALE_PRICE, PRODUCTION_PLACE, MONEY_ID, ORIGINAL_PRICE, CHG_DATETIME, CHG_USER,\n"
           "        CHG_HOST, CR_DATETIME, CR_USER, CR_HOST, SELECT_YN, WUID, P_PU, SEC_DIS)\n"
           "      VALUES (:PROD_ID, :PROD_BARCODE, :PROD_NAME, :PROD_SNAME, :PROD_SCALE, '', '',\n"
           "        :PD_ITEMID, :PD_ITEMNAME, '', '', :SUPP_CORP_ID, :SUPP_CORP_NAME, :UNIT_ID,\n"
           "        '', '', 'Y', 'Y', 'N', 'N', 'N', 'N', 'N', :PRICE_A, '', :MONEY_ID,\n"
           "        :ORIGINAL_PRICE, :STAMP, :USR, :HST, :STAMP, :USR, :HST, 'N', :OWNER, '', 'Y');\n"
           "      INSERT INTO PRODUCT2 (PROD_ID, PUT_ID, FIRST_COST, STD_COST, AVG_COST, MAVG_COST,\n"
           "        LAST_COST, NETAVG_COST, SAFE_DAY, SAFE_QTY, BEFORE_QTY, NOW_QTY, BEFORE_LENDQTY,\n"
           "        LENDQTY, P_LOWQTY, P_CHANGE_YN, P_LENGTH, P_WIDTH, P_HEIGHT, CHG_DATETIME,\n"
           "        CHG_USER, CHG_HOST, CR_DATETIME, CR_USER, CR_HOST, WUID)\n"
           "      VALUES (:PROD_ID, '', :COST, :COST, :COST, :COST, :COST, :COST, 0, 0, 0, 0, 0, 0,\n"
           "        1, 'Y', 0, 0, 0, :STAMP, :USR, :HST, :STAMP, :USR, :HST, :OWNER);\n"
           "    END\n"
           "    DELETE FROM PRODUCT_FORBOOK WHERE PROD_ID = :PROD_ID;\n"
           "    INSERT INTO PRODUCT_FORBOOK (PROD_ID, GROUP_NAME, BINDING, VER_TYPE, KEY_WORD,\n"
           "      CHG_DATETIME, CHG_USER, CHG_HOST, CR_DATETIME, CR_USER, CR_HOST, WUID)\n"
           "    VALUES (:PROD_ID, :GROUP_NAME, :BINDING, :VER_TYPE, :KEY_WORD, :STAMP, :USR, :HST,\n"
           "      :STAMP, :USR, :HST, :OWNER);\n"
           "    IF (ON_FILE = 1) THEN DELETE FROM PROD_PRICE WHERE PROD_ID = :PROD_ID;\n"
           // Levels 0 to 6: A, B, C, A, B, B, A.
           "    WHILE (PRICE_LEVEL < 7) DO\n"
           "    BEGIN\n"
           "      PRICE = DECODE(PRICE_LEVEL, 1, :PRICE_B, 2, :PRICE_C, 4, :PRICE_B, 5, :PRICE_B,\n"
           "        :PRICE_A);\n"
           "      INSERT INTO PROD_PRICE (PROD_ID, PRICE_NO, DEFINE_PRICE)\n"
           "      VALUES (:PROD_ID, :PRICE_LEVEL, :PRICE);\n"
           "      PRICE_LEVEL = PRICE_LEVEL + 1;\n"
           "    END\n"
           "    IF (ON_FILE = 1) THEN RETURN 2;\n"
           "    RETURN 1;\n"
           "  END\n"
           "  DECLARE FUNCTION DESCRIBE(PROD_ID TYPE OF COLUMN PRODUCT_DESCRIPTION.PROD_ID,\n"
           "    DESCRIPTION BLOB SUB_TYPE 0, OWNER TYPE OF COLUMN PRODUCT_DESCRIPTION.WUID)\n"
           "  RETURNS INTEGER\n  AS\n  BEGIN\n"
           "    IF (EXISTS (SELECT 1 FROM PRODUCT_DESCRIPTION WHERE PROD_ID = :PROD_ID)) THEN\n"
           "      UPDATE PRODUCT_DESCRIPTION SET PROD_DESCRIPTION = :DESCRIPTION, WUID = :OWNER\n"
           "      WHERE PROD_ID = :PROD_ID;\n"
           "    ELSE\n"
           "      INSERT INTO PRODUCT_DESCRIPTION (PROD_ID, PROD_DESCRIPTION, WUID)\n"
           "      VALUES (:PROD_ID, :DESCRIPTION, :OWNER);\n"
           "    RETURN 1;\n  END\n";
    return sql;
}

// The full-mode block for `units` rows whose text parameters are declared
// with the given lengths: one per text of a row, then the owner stamp's.
// Each row's product part runs in a sub-block of its own, then its
// description; the first that fails stops the block, which tells which.
std::string fullModeBlockSql(std::size_t units, const std::vector<std::size_t>& lengths) {
    std::string sql = "EXECUTE BLOCK (\n  STAMP VARCHAR(20) = :STAMP, USR VARCHAR(10) = :USR, "
                      "HST VARCHAR(20) = :HST, OWNER VARCHAR(" +
                      std::to_string(lengths[kTexts]) + ") = :OWNER";
    for (std::size_t u = 0; u < units; ++u) {
        std::string p = "P" + std::to_string(u) + "_";
        for (std::size_t c = 0; c < kTexts + kNumbers; ++c)
            sql += std::string(c ? ", " : ",\n  ") + p + std::to_string(c) +
                   (c < kTexts ? " VARCHAR(" + std::to_string(lengths[c]) + ")"
                               : std::string(" DOUBLE PRECISION")) +
                   " = :" + p + std::to_string(c);
        sql += ", " + p + "D BLOB SUB_TYPE 0 = :" + p + "D";
    }
    sql += ")\nRETURNS (INSERTED INTEGER, UPDATED INTEGER, FAILED_AT INTEGER, WHAT CHAR(1))\n"
           "AS\n" +
           fullModeRoutines() +
           "  DECLARE STOPPED SMALLINT = 0;\n  DECLARE R INTEGER;\nBEGIN\n"
           "  INSERTED = 0;\n  UPDATED = 0;\n  FAILED_AT = -1;\n  WHAT = '';\n";
    for (std::size_t u = 0; u < units; ++u) {
        std::string p = "P" + std::to_string(u) + "_", n = std::to_string(u);
        sql += "  IF (STOPPED = 0) THEN\n  BEGIN\n    R = UPSERT_ONE(";
        for (std::size_t c = 0; c < kTexts + kNumbers; ++c)
            sql += p + std::to_string(c) + ", ";
        sql += "STAMP, USR, HST, OWNER);\n"
               "    IF (R = 1) THEN INSERTED = INSERTED + 1; ELSE UPDATED = UPDATED + 1;\n"
               "    WHEN ANY DO BEGIN STOPPED = 1; FAILED_AT = " +
               n + "; WHAT = 'P'; END\n  END\n" + "  IF (STOPPED = 0 AND " + p +
               "D IS NOT NULL) THEN\n  BEGIN\n    R = DESCRIBE(" + p + "0, " + p +
               "D, OWNER);\n    WHEN ANY DO BEGIN STOPPED = 1; FAILED_AT = " + n +
               "; WHAT = 'D'; END\n  END\n";
    }
    return sql + "  SUSPEND;\nEND";
}

std::size_t rowsPerStatementFor() {
    return unitsThatFit(
        [](std::size_t n) {
            return fullModeBlockSql(n, std::vector<std::size_t>(kTexts + 1, 8191));
        },
        200);
}

} // namespace

std::size_t rowsPerStatement() {
    static const std::size_t rows = rowsPerStatementFor();
    return rows;
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

    std::size_t pendingInserted = 0, pendingUpdated = 0;
    SaveBatch batch(conn, [&] {
        result.inserted += pendingInserted;
        result.updated += pendingUpdated;
        pendingInserted = pendingUpdated = 0;
    });
    exists.setKeyLookup(true);
    descExists.setKeyLookup(true);

    // A row's product part alone, under a savepoint: a failure is listed
    // and the run goes on.
    auto productAlone = [&](const FullModeRow& r, std::size_t gridRow) {
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
            result.failed.push_back({r.key, grid.sheetRow(gridRow), *failure, gridRow});
        else
            ++(inserted ? pendingInserted : pendingUpdated);
    };
    // Its description alone: one statement, whole or absent; a failure ends
    // the run (what ran before it is committed).
    auto descriptionAlone = [&](const FullModeRow& r) {
        if (r.description.empty())
            return;
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
    };

    // Many rows per statement (see fullModeBlockSql). The row that stops a
    // block is then run alone, giving the server's own message, and the rows
    // after it go on in the next block.
    struct Pending {
        FullModeRow row;
        std::size_t gridRow;
    };
    BlockStatements blocks(conn);
    const std::size_t unitsPerBlock = rowsPerStatement();
    struct Outcome {
        std::size_t inserted = 0, updated = 0;
        long failedAt = -1;
        std::string what;
    };
    auto runBlock = [&](const std::vector<Pending>& rows, std::size_t from, std::size_t count) {
        std::vector<std::vector<std::string>> texts;
        std::vector<std::size_t> lengths(kTexts + 1, 0);
        lengths[kTexts] = text::codePoints(owner);
        for (std::size_t u = 0; u < count; ++u) {
            texts.push_back(rowTexts(rows[from + u].row));
            for (std::size_t c = 0; c < kTexts; ++c)
                lengths[c] = std::max(lengths[c], text::codePoints(texts.back()[c]));
        }
        for (auto& l : lengths)
            l = db::declaredLength(l);
        db::Query& q = blocks.get(fullModeBlockSql(count, lengths));
        q.setString("STAMP", text::nowStamp());
        q.setString("USR", stamps.user);
        q.setString("HST", stamps.host);
        q.setString("OWNER", owner);
        for (std::size_t u = 0; u < count; ++u) {
            const FullModeRow& r = rows[from + u].row;
            std::string p = "P" + std::to_string(u) + "_";
            for (std::size_t c = 0; c < kTexts; ++c)
                q.setString(p + std::to_string(c), texts[u][c]);
            auto numbers = rowNumbers(r);
            for (std::size_t c = 0; c < kNumbers; ++c)
                q.setDouble(p + std::to_string(kTexts + c), numbers[c]);
            if (r.description.empty())
                q.setNull(p + "D");
            else
                q.setString(p + "D", descriptionBytes(r.description));
        }
        q.open();
        Outcome o{std::size_t(q.asInteger("INSERTED")), std::size_t(q.asInteger("UPDATED")),
                  long(q.asInteger("FAILED_AT")), text::trim(q.asString("WHAT"))};
        q.close();
        return o;
    };
    auto save = [&](const std::vector<Pending>& rows) {
        for (std::size_t from = 0; from < rows.size();) {
            std::size_t count = std::min(unitsPerBlock, rows.size() - from);
            std::optional<Outcome> outcome;
            batch.tryBlock([&] { outcome = runBlock(rows, from, count); });
            if (!outcome) {
                for (std::size_t i = 0; i < count; ++i) {
                    productAlone(rows[from + i].row, rows[from + i].gridRow);
                    descriptionAlone(rows[from + i].row);
                    batch.unitDone();
                }
                from += count;
                continue;
            }
            pendingInserted += outcome->inserted;
            pendingUpdated += outcome->updated;
            if (outcome->failedAt < 0) {
                batch.unitsDone(count);
                from += count;
                continue;
            }
            std::size_t failed = std::size_t(outcome->failedAt);
            batch.unitsDone(failed);
            const Pending& p = rows[from + failed];
            if (outcome->what == "P")
                productAlone(p.row, p.gridRow);
            descriptionAlone(p.row); // raises the description's error
            batch.unitDone();
            from += failed + 1;
        }
    };

    std::size_t rows = grid.rowCount();
    std::vector<Pending> waiting;
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
            save(waiting); // the failures stay in sheet order
            waiting.clear();
            result.failed.push_back({r.key, grid.sheetRow(i), "C 欄（商品編號）是空的", i});
            continue;
        }
        waiting.push_back({std::move(r), i});
        if (waiting.size() == unitsPerBlock) {
            save(waiting);
            waiting.clear();
        }
    }
    save(waiting); // what was looked at is saved, also when stopped
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

void writeFailedSheetRows(const workbook::Grid& grid, const std::vector<RowFailure>& failed,
                          const std::string& path) {
    workbook::SheetWriter w(path, "Sheet1");
    for (unsigned c = 0; c < 24; ++c)
        w.textColumn(c); // as typed: codes keep their leading zeros
    unsigned out = 0;
    for (const RowFailure& f : failed) {
        for (unsigned c = 0; c < 24; ++c)
            w.text(out, c, grid.cell(c, f.gridRow));
        w.text(out, 24, messageLine(f.reason));
        ++out;
    }
    w.close();
}

} // namespace exchange
