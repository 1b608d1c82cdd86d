#pragma once

#include <QAbstractTableModel>
#include <vector>

#include "platform/workbook/Grid.h"

namespace ui {

// A read-only table model over a text grid (the import grid).
class GridModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    explicit GridModel(QObject* parent = nullptr) : QAbstractTableModel(parent) {}

    void setGrid(workbook::Grid grid);
    const workbook::Grid& grid() const { return grid_; }
    // Column headings (by column; the default numbering where none is given).
    void setColumnLabels(std::vector<QString> labels);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  private:
    workbook::Grid grid_;
    std::vector<QString> labels_;
};

} // namespace ui
