#pragma once

#include <QElapsedTimer>
#include <QWidget>
#include <functional>
#include <map>

#include "platform/Prompts.h"
#include "platform/dataset/DataSource.h"
#include "platform/dataset/RecordSet.h"
#include "platform/db/Query.h"

class QCheckBox;
class QFrame;
class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QSortFilterProxyModel;
class QTableView;
class QToolButton;
class TSimpleDataMod;
namespace ui {
class GridModel;
class RecordSetModel;
} // namespace ui
namespace workbook {
class Grid;
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
    void SpeedButton2Click();
    void SpeedButton3Click();
    void SpeedButton4Click();
    void SpeedButton5Click();
    void SpeedButton6Click();

    bool fullMode() const;
    dataset::RecordSet& CDS_DataMaster() { return cdsDataMaster_; }
    // Refreshes the grid after the product list has changed.
    void listChanged();
    // The import grid as last loaded.
    const workbook::Grid& importGrid() const;

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
    QTableView* AdvStringGrid1;
    QPlainTextEdit* Memo1;
    QFrame* Shape1;
    QFrame* Shape2;
    QLabel* Label1;
    QLabel* Label2;
    QProgressBar* ProgressBar1;
    QCheckBox* CheckBox1;
    // Around the Part's window: the counts of the last operation, the phase
    // and position of a running one, its cancel button, and the toggle that
    // shows only the rows the check marked.
    QLabel* StatusLine;
    QLabel* ProgressText;
    QPushButton* CancelButton;
    QCheckBox* MarkedOnly;
    db::Query SQLQuery1;
    dataset::DataSource DS_Search;

    // Stops the running import, check or save at a whole unit (the cancel
    // button and Escape).
    void cancelRun();
    bool running() const { return running_; }

  protected:
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

  private:
    // Runs a handler; an exception it lets out is shown as the standard error
    // handler shows it, and the window goes on.
    void guarded(const std::function<void()>& handler);
    QColor rowColor(std::size_t row) const;
    // Progress of a long operation on ProgressBar1; the window repaints while
    // user input waits until the operation ends. False once the program has
    // been asked to stop (a signal): the operation then ends at a whole unit.
    bool progress(std::size_t position, std::size_t maximum);
    db::Connection& connection();
    class Run;
    // The list row's place: "第 N 列，商品編號 X：" when the last import
    // brought it, "商品編號 X：" otherwise.
    std::string placeOf(std::size_t listRow) const;
    void showStatus(const std::string& text);
    // After failures: offers to save the rows as a workbook to correct and
    // import again.
    void offerFailedRows(std::size_t count, const std::function<void(const std::string&)>& write);
    void failureHeading();

    std::string appFolder_;
    platform::Prompts* prompts_;
    TSimpleDataMod* module_ = nullptr;
    dataset::RecordSet cdsDataMaster_;
    ui::RecordSetModel* model_;
    ui::GridModel* gridModel_;
    std::size_t progressStep_ = 1;
    bool shown_ = false;
    QSortFilterProxyModel* markedProxy_;
    std::map<std::string, std::size_t> sheetRowOf_; // product number → row, last import
    std::string importedFile_;
    bool running_ = false, cancel_ = false;
    std::string phase_;
    QElapsedTimer runTimer_;
};
