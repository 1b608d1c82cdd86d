#pragma once

#include <QAbstractTableModel>
#include <QColor>
#include <functional>

#include "platform/dataset/RecordSet.h"

namespace ui {

// A table model over a record set: one column per field, the field's label as
// its title, display text read straight from the rows, so a view over 100,000
// rows costs nothing until rows are drawn. The owner calls reload() after it
// changes the record set's rows or fields.
class RecordSetModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    explicit RecordSetModel(dataset::RecordSet* set, QObject* parent = nullptr);

    // Shows another record set (or none).
    void setRecordSet(dataset::RecordSet* set);
    dataset::RecordSet* recordSet() const { return set_; }

    // Text colour of a row, or an invalid colour for the view's default.
    void setRowColor(std::function<QColor(std::size_t row)> f) { rowColor_ = std::move(f); }
    void reload();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation o, int role) const override;

  private:
    dataset::RecordSet* set_;
    std::function<QColor(std::size_t)> rowColor_;
};

} // namespace ui
