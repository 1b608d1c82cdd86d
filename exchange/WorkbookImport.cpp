#include "WorkbookImport.h"

#include <cmath>
#include <limits>
#include <unordered_set>

#include "platform/text/Text.h"

namespace exchange {

std::string_view stripPrefix(std::string_view cell) {
    if (!cell.empty() && (cell[0] == '\'' || cell[0] == '\x7F'))
        cell.remove_prefix(1);
    return cell;
}

void importIntoList(const workbook::Grid& grid, dataset::RecordSet& list, ImportResult& result,
                    const Progress& progress) {
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
                        throw ConvertError("'" + std::string(cell) + "' 不是有效的數值");
                    list.setValue(i, d);
                } else {
                    list.setValue(i, std::string(stripPrefix(cell)));
                }
            }
            list.post();
        } catch (...) {
            list.cancel();
            throw;
        }
        if (auto* id = std::get_if<std::string>(&list.row(list.recNo())[idField]))
            onList.insert(*id);
        ++result.appended;
    }
}

} // namespace exchange
