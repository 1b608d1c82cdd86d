#include "GridModel.h"

namespace ui {

void GridModel::setGrid(workbook::Grid grid) {
    beginResetModel();
    grid_ = std::move(grid);
    endResetModel();
}

int GridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(grid_.rowCount());
}

int GridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(grid_.colCount());
}

QVariant GridModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid())
        return {};
    auto s = grid_.cell(std::size_t(index.column()), std::size_t(index.row()));
    return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

} // namespace ui
