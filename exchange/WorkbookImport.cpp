#include "WorkbookImport.h"

#include <cmath>
#include <limits>
#include <unordered_set>

#include "platform/text/Text.h"

namespace exchange {

std::string columnLetters(std::size_t column) {
    std::string out;
    for (std::size_t n = column + 1; n > 0; n = (n - 1) / 26)
        out.insert(out.begin(), char('A' + (n - 1) % 26));
    return out;
}

std::string cellPlace(std::size_t sheetRow, std::size_t column, const std::string& caption,
                      const std::string& key) {
    std::string place = "第 " + std::to_string(sheetRow) + " 列 " + columnLetters(column) +
                        " 欄（" + caption + "）";
    if (!key.empty())
        place += "，商品編號 " + key;
    return place + "：";
}

std::string_view stripPrefix(std::string_view cell) {
    if (!cell.empty() && (cell[0] == '\'' || cell[0] == '\x7F'))
        cell.remove_prefix(1);
    return cell;
}

void importIntoList(const workbook::Grid& grid, dataset::RecordSet& list, ImportResult& result,
                    const Progress& progress, std::vector<ImportedRow>* sheetRows) {
    result = {};
    std::size_t idField = list.fieldIndex("PROD_ID");
    std::unordered_set<std::string> onList;
    onList.reserve(list.rowCount() + grid.rowCount());
    for (std::size_t r = 0; r < list.rowCount(); ++r)
        if (auto* s = std::get_if<std::string>(&list.row(r)[idField]))
            onList.insert(*s);

    std::size_t rows = grid.rowCount();
    std::size_t n = list.fieldCount();
    result.cancelled = !report(progress, 0, rows > 0 ? rows - 1 : 0);
    for (std::size_t r = 1; r < rows && !result.cancelled; ++r) {
        if (!report(progress, r, rows - 1)) {
            result.cancelled = true;
            break;
        }
        ++result.rowsRead;
        std::string key = text::trim(stripPrefix(text::trim(grid.cell(0, r))));
        if (onList.count(key)) {
            ++result.skipped;
            continue;
        }
        auto place = [&](std::size_t field) {
            return cellPlace(grid.sheetRow(r), field, list.fields()[field].label(), key);
        };
        list.append();
        try {
            for (std::size_t i = 0; i < n; ++i) {
                std::string_view cell = grid.cell(i, r);
                if (list.fields()[i].kind == dataset::FieldKind::Float) {
                    std::string t = text::trim(cell);
                    if (t.empty()) {
                        list.setValue(i, db::Value{});
                        continue;
                    }
                    double d = text::toFloatDef(t, std::numeric_limits<double>::quiet_NaN());
                    if (std::isnan(d))
                        throw ConvertError(place(i) + "'" + std::string(cell) + "' 不是有效的數值");
                    list.setValue(i, d);
                } else {
                    list.setValue(i, std::string(stripPrefix(cell)));
                }
            }
            list.post();
        } catch (const dataset::RecordSetError& e) {
            list.cancel();
            if (!e.field())
                throw;
            throw dataset::RecordSetError(place(*e.field()) + e.what(), *e.field());
        } catch (...) {
            list.cancel(); // the row is discarded, whatever went wrong
            throw;
        }
        if (auto* id = std::get_if<std::string>(&list.row(list.recNo())[idField])) {
            onList.insert(*id);
            if (sheetRows)
                sheetRows->push_back({*id, grid.sheetRow(r)});
        }
        ++result.appended;
    }
}

} // namespace exchange
