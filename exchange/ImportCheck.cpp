#include "ImportCheck.h"

#include <unordered_map>

#include "ProductList.h"
#include "platform/db/KeyLookup.h"
#include "platform/db/Transaction.h"

namespace exchange {

namespace {

// Rows looked up together: their product numbers, and the category codes not
// yet known, each go to the database a few hundred per statement.
constexpr std::size_t kRowsPerStep = 2000;

} // namespace

CheckResult checkList(dataset::RecordSet& list, db::Connection& conn, const Progress& progress) {
    CheckResult result;
    list.requireActive();
    std::size_t n = list.rowCount();
    if (n == 0 || !report(progress, 0, n)) {
        result.cancelled = n > 0;
        return result;
    }
    std::size_t item = list.fieldIndex("PD_ITEMID"), id = list.fieldIndex("PROD_ID"),
                mark = list.fieldIndex(kMarkField);
    db::KeyLookup categories(conn, "PROD_ITEM", "PD_ITEMID"), products(conn, "PRODUCT", "PROD_ID");
    std::unordered_map<std::string, bool> categoryOnFile;
    // One read-only transaction for all the look-ups. A failing look-up ends
    // the check before the rows of its step are changed; the rows before
    // them keep their marks.
    db::Transaction tx(conn, true);
    for (std::size_t from = 0; from < n && !result.cancelled;) {
        std::vector<std::string> ids, newCategories;
        std::size_t end = from;
        for (; end < n && end - from < kRowsPerStep; ++end) {
            if (!report(progress, end + 1, n)) {
                result.cancelled = true;
                break;
            }
            const auto& row = list.row(end);
            ids.push_back(db::toText(row[id]));
            std::string category = db::toText(row[item]);
            if (categoryOnFile.try_emplace(category, false).second)
                newCategories.push_back(category);
        }
        std::vector<bool> onFile = products.find(ids);
        std::vector<bool> known = categories.find(newCategories);
        for (std::size_t i = 0; i < newCategories.size(); ++i)
            categoryOnFile[newCategories[i]] = known[i];
        for (std::size_t r = from; r < end; ++r) {
            bool unknown = !categoryOnFile[db::toText(list.row(r)[item])];
            if (!unknown && !onFile[r - from])
                continue;
            list.moveTo(r);
            if (unknown) {
                list.setValue(mark, std::string(kMarkCategoryUnknown));
                ++result.categoryUnknown;
            }
            if (onFile[r - from]) {
                list.setValue(mark, std::string(kMarkOnFile));
                ++result.onFile;
            }
            list.post();
        }
        result.rows += end - from;
        from = end;
    }
    tx.commit();
    return result;
}

} // namespace exchange
