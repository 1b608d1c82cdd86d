#include "ProductSave.h"

#include "ProductList.h"
#include "SaveBatch.h"
#include <optional>

#include "platform/db/KeyLookup.h"
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

namespace {

// The statement text of the normal save: one routine that saves a product
// (look-up, PRODUCT, PRODUCT2, the level-0 price, as saveAlone() runs them)
// and a sub-block per product that calls it; the first product that fails
// stops the block, which tells which one it was.
class NormalBlock {
  public:
    explicit NormalBlock(const std::vector<dataset::FieldDef>& fields) {
        for (std::size_t i = 0; i < fields.size(); ++i) {
            columns_.push_back(fields[i].name);
            if (fields[i].name == "SALE_PRICE")
                salePrice_ = i;
            if (fields[i].name == "ORIGINAL_PRICE") {
                originalPrice_ = i;
                break;
            }
        }
        units_ = unitsThatFit(
            [this](std::size_t n) {
                return sql(n, std::vector<std::size_t>(columns_.size() + 2, 8191));
            },
            200);
    }
    // Products per statement.
    std::size_t units() const { return units_; }
    const std::vector<std::string>& columns() const { return columns_; }

    bool isText(std::size_t c) const { return c != salePrice_ && c != originalPrice_; }

    // The block for `units` products whose text parameters are declared with
    // the given lengths: one per column, then the owner stamps' two.
    std::string sql(std::size_t units, const std::vector<std::size_t>& lengths) const {
        std::string sql = "EXECUTE BLOCK (\n  STAMP VARCHAR(20) = :STAMP, USR VARCHAR(10) = :USR, "
                          "HST VARCHAR(20) = :HST,\n  OWNER_WUID VARCHAR(" +
                          std::to_string(lengths[columns_.size()]) +
                          ") = :OWNER_WUID, OWNER_STAMP VARCHAR(" +
                          std::to_string(lengths[columns_.size() + 1]) + ") = :OWNER_STAMP";
        for (std::size_t u = 0; u < units; ++u) {
            for (std::size_t c = 0; c < columns_.size(); ++c) {
                std::string p = "P" + std::to_string(u) + "_" + std::to_string(c);
                sql += std::string(c ? ", " : ",\n  ") + p +
                       (isText(c) ? " VARCHAR(" + std::to_string(lengths[c]) + ")"
                                  : std::string(" DOUBLE PRECISION")) +
                       " = :" + p;
            }
        }
        sql += ")\nRETURNS (SAVED INTEGER, SKIPPED INTEGER, FAILED_AT INTEGER)\nAS\n";
        // The routine: one product, as saveAlone() does it.
        sql += "  DECLARE FUNCTION SAVE_ONE(";
        for (const auto& c : columns_)
            sql += c + " TYPE OF COLUMN PRODUCT." + c + ", ";
        sql += "STAMP TYPE OF COLUMN PRODUCT.CHG_DATETIME, USR TYPE OF COLUMN PRODUCT.CHG_USER, "
               "HST TYPE OF COLUMN PRODUCT.CHG_HOST, OWNER_WUID TYPE OF COLUMN PRODUCT.WUID, "
               "OWNER_STAMP TYPE OF COLUMN PRODUCT2.WUID)\n  RETURNS INTEGER\n  AS\n  BEGIN\n"
               "    IF (EXISTS (SELECT 1 FROM PRODUCT WHERE PROD_ID = :PROD_ID)) THEN RETURN 0;\n"
               "    INSERT INTO PRODUCT (";
        for (const auto& c : columns_)
            sql += c + ", ";
        sql += "CHG_DATETIME, CHG_USER, CHG_HOST, CR_DATETIME, CR_USER, CR_HOST, WUID)\n"
               "    VALUES (";
        for (const auto& c : columns_)
            sql += ":" + c + ", ";
        sql += ":STAMP, :USR, :HST, :STAMP, :USR, :HST, :OWNER_WUID);\n"
               "    INSERT INTO PRODUCT2 (PROD_ID, PUT_ID, FIRST_COST, STD_COST, AVG_COST, "
               "MAVG_COST, LAST_COST, NETAVG_COST, SAFE_DAY, SAFE_QTY, BEFORE_QTY, NOW_QTY, "
               "BEFORE_LENDQTY, LENDQTY, P_LOWQTY, P_CHANGE_YN, P_LENGTH, P_WIDTH, P_HEIGHT, "
               "CHG_DATETIME, CHG_USER, CHG_HOST, CR_DATETIME, CR_USER, CR_HOST, WUID)\n"
               "    VALUES (:PROD_ID, '', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 'Y', 0, 0, 0, "
               ":STAMP, :USR, :HST, :STAMP, :USR, :HST, :OWNER_STAMP);\n"
               "    DELETE FROM PROD_PRICE WHERE PROD_ID = :PROD_ID AND PRICE_NO = 0;\n"
               "    INSERT INTO PROD_PRICE (PROD_ID, PRICE_NO, DEFINE_PRICE)\n"
               "    VALUES (:PROD_ID, 0, COALESCE(:SALE_PRICE, 0));\n"
               "    RETURN 1;\n  END\n"
               "  DECLARE STOPPED SMALLINT = 0;\n  DECLARE R INTEGER;\nBEGIN\n"
               "  SAVED = 0;\n  SKIPPED = 0;\n  FAILED_AT = -1;\n";
        for (std::size_t u = 0; u < units; ++u) {
            std::string p = "P" + std::to_string(u) + "_";
            sql += "  IF (STOPPED = 0) THEN\n  BEGIN\n    R = SAVE_ONE(";
            for (std::size_t c = 0; c < columns_.size(); ++c)
                sql += p + std::to_string(c) + ", ";
            sql += "STAMP, USR, HST, OWNER_WUID, OWNER_STAMP);\n"
                   "    IF (R = 0) THEN SKIPPED = SKIPPED + 1; ELSE SAVED = SAVED + 1;\n"
                   "    WHEN ANY DO\n    BEGIN\n      STOPPED = 1;\n      FAILED_AT = " +
                   std::to_string(u) + ";\n    END\n  END\n";
        }
        return sql + "  SUSPEND;\nEND";
    }

  private:
    std::vector<std::string> columns_; // the list's fields up to ORIGINAL_PRICE
    std::size_t salePrice_ = 0, originalPrice_ = 0, units_ = 1;
};

// The normal save, many products per statement (see NormalBlock).
class NormalSave {
  public:
    NormalSave(dataset::RecordSet& list, db::Connection& conn, const std::string& wuid,
               const std::string& owner, SaveResult& result)
        : list_(list), conn_(conn), wuid_(wuid), owner_(owner), result_(result),
          block_(list.fields()), blocks_(conn), exists_(&conn), product_(&conn),
          product2_(&conn), delPrice_(&conn), insPrice_(&conn), columns_(block_.columns()) {
        salePrice_ = list.fieldIndex("SALE_PRICE");
        originalPrice_ = list.fieldIndex("ORIGINAL_PRICE");
        id_ = list.fieldIndex("PROD_ID");
        exists_.setSql("SELECT PROD_ID FROM PRODUCT WHERE PROD_ID = :PROD_ID");
        exists_.setKeyLookup(true);
        for (const char* l : kProductInsert)
            product_.add(l);
        for (const char* const* l = kProduct2Insert; *l; ++l)
            product2_.add(*l);
        addLines(delPrice_,
                 {"DELETE FROM PROD_PRICE", " where PROD_ID=:PROD_ID AND PRICE_NO=:PRICE_NO"});
        addLines(insPrice_, {"INSERT INTO PROD_PRICE(PROD_ID,PRICE_NO,DEFINE_PRICE)",
                             " VALUES(:PROD_ID,:PRICE_NO,:DEFINE_PRICE)"});
    }

    std::size_t unitsPerBlock() const { return block_.units(); }

    // A row whose texts no block parameter can carry is saved alone.
    bool fitsABlock(std::size_t row) const {
        const auto& values = list_.row(row);
        for (std::size_t c = 0; c < columns_.size(); ++c)
            if (std::holds_alternative<std::string>(values[c]) &&
                db::declaredLength(text::codePoints(std::get<std::string>(values[c]))) == 0)
                return false;
        return true;
    }

    // Saves the rows, in order, in blocks: the first product that fails ends
    // the save with its own error, raised by saving it alone (the products
    // before it are committed).
    void save(const std::vector<std::size_t>& rows, SaveBatch& batch, std::size_t& pending) {
        for (std::size_t from = 0; from < rows.size();) {
            std::size_t count = std::min(block_.units(), rows.size() - from);
            std::optional<Outcome> outcome;
            batch.tryBlock([&] { outcome = runBlock(rows, from, count); });
            if (!outcome) {
                for (std::size_t i = 0; i < count; ++i) {
                    saveAlone(rows[from + i], batch, pending);
                    batch.unitDone();
                }
                from += count;
                continue;
            }
            pending += outcome->saved;
            result_.skipped += outcome->skipped;
            if (outcome->failedAt < 0) {
                batch.unitsDone(count);
                from += count;
                continue;
            }
            std::size_t failed = std::size_t(outcome->failedAt);
            batch.unitsDone(failed);
            saveAlone(rows[from + failed], batch, pending); // raises its error
            batch.unitDone();
            from += failed + 1;
        }
    }

    // One product on its own, as the block's routine saves it.
    void saveAlone(std::size_t r, SaveBatch& batch, std::size_t& pending) {
        try {
            saveAloneOrThrow(r, batch, pending);
        } catch (const db::DatabaseError&) {
            result_.failedRow = r;
            throw;
        }
    }

  private:
    void saveAloneOrThrow(std::size_t r, SaveBatch& batch, std::size_t& pending) {
        const auto& row = list_.row(r);
        std::string id = db::toText(row[id_]);
        batch.run([&] {
            exists_.setString("PROD_ID", id);
            exists_.open();
            bool onFile = !exists_.eof();
            exists_.close();
            if (onFile) {
                ++result_.skipped;
                return;
            }
            for (std::size_t i = 0; i < originalPrice_; ++i) {
                if (i == salePrice_) {
                    if (db::isNull(row[i]))
                        product_.setNull(columns_[i]);
                    else
                        product_.setDouble(columns_[i], db::toDouble(row[i]));
                } else {
                    product_.setString(columns_[i], db::toText(row[i]));
                }
            }
            product_.setDouble("ORIGINAL_PRICE", db::toDouble(row[originalPrice_]));
            stamps_.set(product_);
            product_.setString("WUID", wuid_);
            product_.exec();
            setProduct2(product2_, id, 0, stamps_, owner_);
            product2_.exec();
            delPrice_.setString("PROD_ID", id);
            delPrice_.setInt("PRICE_NO", 0);
            delPrice_.exec();
            insPrice_.setString("PROD_ID", id);
            insPrice_.setInt("PRICE_NO", 0);
            insPrice_.setDouble("DEFINE_PRICE", db::toDouble(row[salePrice_]));
            insPrice_.exec();
            ++pending;
        });
    }

    struct Outcome {
        std::size_t saved = 0, skipped = 0;
        long failedAt = -1; // the product of the block that failed, if one did
    };

    bool isText(std::size_t c) const { return c != salePrice_ && c != originalPrice_; }

    Outcome runBlock(const std::vector<std::size_t>& rows, std::size_t from, std::size_t count) {
        std::vector<std::size_t> lengths(columns_.size() + 2, 0);
        for (std::size_t u = 0; u < count; ++u) {
            const auto& values = list_.row(rows[from + u]);
            for (std::size_t c = 0; c < columns_.size(); ++c)
                if (isText(c))
                    lengths[c] =
                        std::max(lengths[c], text::codePoints(db::toText(values[c])));
        }
        lengths[columns_.size()] = text::codePoints(wuid_);
        lengths[columns_.size() + 1] = text::codePoints(owner_);
        for (auto& l : lengths)
            l = db::declaredLength(l);
        db::Query& q = blocks_.get(block_.sql(count, lengths));
        q.setString("STAMP", text::nowStamp());
        q.setString("USR", stamps_.user);
        q.setString("HST", stamps_.host);
        q.setString("OWNER_WUID", wuid_);
        q.setString("OWNER_STAMP", owner_);
        for (std::size_t u = 0; u < count; ++u) {
            const auto& values = list_.row(rows[from + u]);
            std::string p = "P" + std::to_string(u) + "_";
            for (std::size_t c = 0; c < columns_.size(); ++c) {
                std::string name = p + std::to_string(c);
                if (isText(c))
                    q.setString(name, db::toText(values[c]));
                else if (c == salePrice_ && db::isNull(values[c]))
                    q.setNull(name);
                else
                    q.setDouble(name, db::toDouble(values[c]));
            }
        }
        q.open();
        Outcome o{std::size_t(q.asInteger("SAVED")), std::size_t(q.asInteger("SKIPPED")),
                  long(q.asInteger("FAILED_AT"))};
        q.close();
        return o;
    }

    dataset::RecordSet& list_;
    db::Connection& conn_;
    const std::string& wuid_;
    const std::string& owner_;
    SaveResult& result_;
    const Stamps stamps_{"qimport", "127.0.0.1"};
    NormalBlock block_;
    BlockStatements blocks_;
    db::Query exists_, product_, product2_, delPrice_, insPrice_;
    const std::vector<std::string>& columns_; // the list's fields up to ORIGINAL_PRICE
    std::size_t salePrice_ = 0, originalPrice_ = 0, id_ = 0;
};

} // namespace

std::size_t productsPerStatement(const std::vector<dataset::FieldDef>& fields) {
    return NormalBlock(fields).units();
}

void saveNewProducts(dataset::RecordSet& list, db::Connection& conn, const std::string& wuid,
                     const std::string& owner, SaveResult& result, const Progress& progress) {
    result = {};
    list.requireActive();
    std::size_t n = list.rowCount();
    if (!report(progress, 0, n)) {
        result.cancelled = true;
        return;
    }
    NormalSave save(list, conn, wuid, owner, result);
    std::size_t pending = 0; // saved, not yet committed
    SaveBatch batch(conn, [&] {
        result.saved += pending;
        pending = 0;
    });
    // Most rows of a list are on file (it holds what load-all read): which
    // ones is asked a few hundred at a time, and only the others go to the
    // blocks, which look again for themselves. A row on file is counted as
    // skipped once the products before it are saved.
    db::KeyLookup onFile(conn, "PRODUCT", "PROD_ID");
    std::size_t idField = list.fieldIndex("PROD_ID");
    std::vector<std::size_t> looked; // read, waiting for the look-up
    std::vector<std::size_t> rows;   // not on file, waiting for their block
    auto flush = [&] {
        save.save(rows, batch, pending);
        rows.clear();
    };
    auto place = [&] {
        std::vector<std::string> keys;
        for (std::size_t r : looked)
            keys.push_back(db::toText(list.row(r)[idField]));
        std::vector<bool> known;
        batch.runUnprotected([&] { known = onFile.find(keys); });
        for (std::size_t i = 0; i < looked.size(); ++i) {
            std::size_t r = looked[i];
            if (known[i]) {
                if (!rows.empty())
                    flush();
                ++result.skipped;
                batch.unitDone();
            } else if (!save.fitsABlock(r)) {
                flush();
                save.saveAlone(r, batch, pending);
                batch.unitDone();
            } else {
                rows.push_back(r);
                if (rows.size() == save.unitsPerBlock())
                    flush();
            }
        }
        looked.clear();
    };
    for (std::size_t r = 0; r < n; ++r) {
        if (!report(progress, r + 1, n)) {
            result.cancelled = true;
            break;
        }
        ++result.rows;
        looked.push_back(r);
        if (looked.size() == db::KeyLookup::kKeysPerStatement)
            place();
    }
    place(); // what was looked at is saved, also when stopped
    flush();
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
