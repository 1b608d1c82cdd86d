#pragma once

#include <QDialog>

// The suite's record search dialog: conditions on one table, the result grid
// and the selection handed back to the caller.
class TFormSearchData : public QDialog {
    Q_OBJECT
public:
    explicit TFormSearchData(QWidget* parent = nullptr);
};
