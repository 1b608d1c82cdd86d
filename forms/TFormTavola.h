#pragma once

#include <QWidget>
#include <functional>

#include "platform/Prompts.h"
#include "platform/dataset/RecordSet.h"
#include "platform/db/Query.h"

class QCheckBox;
class QFrame;
class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QTableView;
class QTableWidget;
class QToolButton;
class TSimpleDataMod;
namespace ui {
class RecordSetModel;
}

// The main window: the product list in a grid, the load, filter, export,
// import, check and save buttons, the legend of the row marks and the
// progress bar. Handlers read the widgets, call an operation and show its
// result; any exception a handler lets out is shown by prompts().error().
class TFormTavola : public QWidget {
    Q_OBJECT
public:
    // Runs FormCreate, which only looks for the marker file: the data module
    // does not exist yet and the database is not touched.
    TFormTavola(std::string appFolder, platform::Prompts* prompts, QWidget* parent = nullptr);
    ~TFormTavola() override;

    // Binds the window's statements and record sets to the module's connection.
    void setDataModule(TSimpleDataMod* module);

    void FormCreate();
    void FormShow();
    void SpeedButton1Click();

    bool fullMode() const;
    dataset::RecordSet& CDS_DataMaster() { return cdsDataMaster_; }
    // Refreshes the grid after the product list has changed.
    void listChanged();

    // Components, named as the window's parts are named.
    QFrame* Panel1;
    QFrame* Panel2;
    QFrame* Panel4;
    QToolButton* SpeedButton1;
    QToolButton* SpeedButton2;
    QToolButton* SpeedButton3;
    QToolButton* SpeedButton4;
    QToolButton* SpeedButton5;
    QToolButton* SpeedButton6;
    QTableView* DBGrid1;
    QTableWidget* AdvStringGrid1;
    QPlainTextEdit* Memo1;
    QFrame* Shape1;
    QFrame* Shape2;
    QLabel* Label1;
    QLabel* Label2;
    QProgressBar* ProgressBar1;
    QCheckBox* CheckBox1;
    db::Query SQLQuery1;

protected:
    void showEvent(QShowEvent* e) override;

private:
    // Runs a handler; an exception it lets out is shown as the standard error
    // handler shows it, and the window goes on.
    void guarded(const std::function<void()>& handler);
    QColor rowColor(std::size_t row) const;

    std::string appFolder_;
    platform::Prompts* prompts_;
    TSimpleDataMod* module_ = nullptr;
    dataset::RecordSet cdsDataMaster_;
    ui::RecordSetModel* model_;
    bool shown_ = false;
};
