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

namespace ui {

void GridModel::setColumnLabels(std::vector<QString> labels) {
    labels_ = std::move(labels);
    if (columnCount() > 0)
        emit headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
}

QVariant GridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
        std::size_t(section) < labels_.size())
        return labels_[std::size_t(section)];
    return QAbstractTableModel::headerData(section, orientation, role);
}

} // namespace ui
