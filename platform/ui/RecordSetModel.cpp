#include "RecordSetModel.h"

namespace ui {

RecordSetModel::RecordSetModel(dataset::RecordSet* set, QObject* parent)
    : QAbstractTableModel(parent), set_(set) {}

void RecordSetModel::setRecordSet(dataset::RecordSet* set) {
    beginResetModel();
    set_ = set;
    endResetModel();
}

void RecordSetModel::reload() {
    beginResetModel();
    endResetModel();
}

int RecordSetModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid() || !set_ || !set_->active())
        return 0;
    return int(set_->rowCount());
}

int RecordSetModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() || !set_ ? 0 : int(set_->fieldCount());
}

QVariant RecordSetModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || !set_ || !set_->active() ||
        std::size_t(index.row()) >= set_->rowCount())
        return {};
    if (role == Qt::DisplayRole) {
        const auto& v = set_->row(std::size_t(index.row()))[std::size_t(index.column())];
        return QString::fromStdString(db::toText(v));
    }
    if (role == Qt::ForegroundRole && rowColor_) {
        QColor c = rowColor_(std::size_t(index.row()));
        if (c.isValid())
            return c;
    }
    return {};
}

QVariant RecordSetModel::headerData(int section, Qt::Orientation o, int role) const {
    if (role != Qt::DisplayRole)
        return {};
    if (o == Qt::Horizontal) {
        if (!set_ || section < 0 || std::size_t(section) >= set_->fieldCount())
            return {};
        return QString::fromStdString(set_->fields()[std::size_t(section)].label());
    }
    return section + 1;
}

} // namespace ui
