#include "ProductWorkbook.h"

#include "ProductList.h"
#include "platform/text/Text.h"
#include "platform/workbook/SheetWriter.h"

namespace exchange {

namespace {

// How one field appears in a data row, by its lower-cased name.
enum class CellRule { Skip, Blank, Marked, Plain };

CellRule ruleFor(const std::string& fieldName) {
    std::string n = text::lower(fieldName);
    if (isAuditField(n))
        return CellRule::Skip;
    for (const char* costly :
         {"n_sale_price", "n_psale_price", "n_std_cost", "n_n_price", "n_p_price", "n_p_price2"})
        if (n == costly)
            return CellRule::Blank;
    for (const char* marked : {"prod_id", "prod_barcode", "prod_id2", "tempprodid"})
        if (n == marked)
            return CellRule::Marked;
    return CellRule::Plain;
}

std::vector<CellRule> rules(const dataset::RecordSet& list) {
    std::vector<CellRule> r;
    for (const auto& f : list.fields())
        r.push_back(ruleFor(f.name));
    return r;
}

} // namespace

std::optional<std::string> exportFileName(const std::string& chosen) {
    std::string name = chosen;
    if (name.find(".xls") == std::string::npos)
        name += ".xls";
    if (name == ".xls")
        return std::nullopt;
    return name;
}

std::string transferText(dataset::RecordSet& list) {
    list.requireActive();
    std::string out;
    for (const auto& f : list.fields()) {
        out += f.label();
        out += '\t';
    }
    auto rule = rules(list);
    std::size_t n = list.fieldCount();
    for (list.first(); !list.eof(); list.next()) {
        out += "\r\n";
        const auto& row = list.row(list.recNo());
        for (std::size_t i = 0; i < n; ++i) {
            switch (rule[i]) {
            case CellRule::Skip:
                continue;
            case CellRule::Blank:
                out += ' ';
                break;
            case CellRule::Marked:
                out += kTextMarker;
                out += db::toText(row[i]);
                break;
            case CellRule::Plain:
                out += db::toText(row[i]);
                break;
            }
            out += '\t';
        }
    }
    return out;
}

void writeProductWorkbook(dataset::RecordSet& list, const std::string& path) {
    list.requireActive();
    workbook::SheetWriter w(path, "Sheet1");
    auto rule = rules(list);
    std::size_t n = list.fieldCount();
    // Text columns carry the text format besides the marker, so that codes
    // stay text even once the marker is taken out.
    for (std::size_t i = 0, c = 0; i < n; ++i) {
        if (rule[i] == CellRule::Skip)
            continue;
        if (list.fields()[i].kind != dataset::FieldKind::Float)
            w.textColumn(unsigned(c));
        ++c;
    }
    for (std::size_t i = 0; i < list.fieldCount(); ++i)
        w.text(0, unsigned(i), list.fields()[i].label());
    std::string cell;
    unsigned r = 1;
    for (list.first(); !list.eof(); list.next(), ++r) {
        const auto& row = list.row(list.recNo());
        unsigned c = 0;
        for (std::size_t i = 0; i < n; ++i) {
            const db::Value& v = row[i];
            switch (rule[i]) {
            case CellRule::Skip:
                continue;
            case CellRule::Blank:
                w.text(r, c, " ");
                break;
            case CellRule::Marked:
                cell = kTextMarker;
                cell += db::toText(v);
                w.text(r, c, cell);
                break;
            case CellRule::Plain:
                if (list.fields()[i].kind == dataset::FieldKind::Float && !db::isNull(v))
                    w.number(r, c, db::toDouble(v));
                else
                    w.text(r, c, db::toText(v));
                break;
            }
            ++c;
        }
    }
    w.close();
}

void writeFailedProducts(dataset::RecordSet& list,
                         const std::vector<std::pair<std::size_t, std::string>>& rows,
                         const std::string& path) {
    list.requireActive();
    workbook::SheetWriter w(path, "Sheet1");
    auto rule = rules(list);
    std::size_t n = list.fieldCount();
    for (std::size_t i = 0; i < n; ++i)
        if (list.fields()[i].kind != dataset::FieldKind::Float)
            w.textColumn(unsigned(i));
    for (std::size_t i = 0; i < n; ++i)
        w.text(0, unsigned(i), list.fields()[i].label());
    w.text(0, unsigned(n), kReasonCaption);
    std::size_t markField = list.fieldIndex(kMarkField);
    unsigned r = 1;
    std::string cell;
    for (const auto& [listRow, reason] : rows) {
        const auto& row = list.row(listRow);
        // Every field in list order, as the import reads them back; not the
        // check's mark, which the next check sets anew.
        for (std::size_t i = 0; i < n; ++i) {
            const db::Value& v = row[i];
            if (i == markField)
                continue;
            if (rule[i] == CellRule::Marked) {
                cell = kTextMarker;
                cell += db::toText(v);
                w.text(r, unsigned(i), cell);
            } else if (list.fields()[i].kind == dataset::FieldKind::Float && !db::isNull(v)) {
                w.number(r, unsigned(i), db::toDouble(v));
            } else {
                w.text(r, unsigned(i), db::toText(v));
            }
        }
        w.text(r, unsigned(n), reason);
        ++r;
    }
    w.close();
}

} // namespace exchange
