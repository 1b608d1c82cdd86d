#pragma once

#include <QDialog>
#include <optional>
#include <string>
#include <vector>

#include "platform/Prompts.h"
#include "platform/dataset/DataSource.h"
#include "platform/dataset/RecordSet.h"
#include "platform/db/Query.h"
#include "search/SearchConditions.h"

class QButtonGroup;
class QComboBox;
class QFrame;
class QGroupBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTableView;
class QToolButton;
namespace ui {
class RecordSetModel;
}

// The suite's record search dialog: conditions on one table, the query run on
// the caller's connection, a result grid to pick rows from, and getters that
// hand the query text and the picked rows back.
//
// Protocol: init() creates a fresh dialog (FormSearchData points to it); the
// caller sets the connection, DS, TB, sTableName and the optional members;
// SHOW() runs it modally and returns true when the user confirmed; the caller
// reads the getters at once. The dialog deletes itself once control returns
// to the event loop.
class TFormSearchData : public QDialog {
    Q_OBJECT
  public:
    TFormSearchData(std::string appFolder, platform::Prompts* prompts, QWidget* parent = nullptr);
    ~TFormSearchData() override;

    static TFormSearchData* init(std::string appFolder, platform::Prompts* prompts,
                                 QWidget* parent = nullptr);

    // Caller members.
    void setConnection(db::Connection* c);
    dataset::DataSource* DS = nullptr;
    dataset::RecordSet* TB = nullptr;
    std::string sTableName, sSelectField, sSQLString, sSearchWord;
    bool iHideSearch = false;

    bool SHOW();
    std::string GetSQLText() const;
    std::string GetMutiValue(const std::string& FNAME);
    std::optional<db::Value> GetValue(const std::string& FName) const;
    std::string GetValues(const std::string& FName1, const std::string& FName2) const;

    // Handlers.
    void SpeedButton3Click(); // add condition
    void SpeedButton1Click(); // search
    void SpeedButton2Click(); // reset
    void confirm();
    void cancel();

    // Components.
    QFrame* Panel1;
    QComboBox* ComboBox1;
    std::vector<std::string> ComboBox2; // the column names behind ComboBox1
    QGroupBox* RadioGroup1;
    QButtonGroup* matchGroup;
    QLineEdit* Edit1;
    QGroupBox* RadioGroup2;
    QButtonGroup* connectiveGroup;
    QToolButton* SpeedButton1;
    QToolButton* SpeedButton2;
    QToolButton* SpeedButton3;
    QTableView* DBGridSQL;
    QTableView* DBGrid1;
    QPushButton* dbSBtnFirst;
    QPushButton* dbSBtnPrior;
    QPushButton* dbSBtnNext;
    QPushButton* dbSBtnLast;
    QLineEdit* SearchEdit1;
    QPlainTextEdit* Memo1;
    QPushButton* BTCMDOK;
    QPushButton* BDCMDNOT;
    QPushButton* BTCMDOKALL;
    QPushButton* BTCMDCLRALL;

    search::SearchConditions conditions;
    dataset::RecordSet CDS_Query;
    db::Query SQLQuery1; // the stock query
    std::vector<std::string> queryLines;

    int matchMode() const;
    void setMatchMode(int index);
    std::vector<std::string> connectiveItems() const;
    // The field the incremental search box follows, or -1.
    int searchField() const { return searchField_; }

  protected:
    void showEvent(QShowEvent* e) override;
    void done(int r) override;
    bool eventFilter(QObject* o, QEvent* e) override;
    // Escape closes the dialog from the column list only, not from every control.
    void keyPressEvent(QKeyEvent* e) override;

  private:
    void opening();
    void closing();
    void fillColumnLists();
    void setConnectives();
    void showDataSet(dataset::RecordSet* set);
    void currentRowChanged();
    void updateNavigation();
    // The stock of the product in that row of the shown rows (the current
    // row when none is given).
    void showStock(int row = -1);
    void titleClicked(int column);
    void incrementalSearch(const QString& text);
    void keywordEnter();
    void radioLeft(QWidget* was, QWidget* now);
    void guarded(const std::function<void()>& handler);
    dataset::RecordSet* shown() const { return DS ? DS->dataSet : nullptr; }
    std::string settingsFile() const { return appFolder_ + "SearchData.ini"; }
    std::string layoutFile() const { return appFolder_ + sTableName + "_DBGrid.ini"; }

    std::string appFolder_;
    platform::Prompts* prompts_;
    ui::RecordSetModel* resultModel_;
    ui::RecordSetModel* conditionModel_;
    int rememberedColumn_ = 0;
    int searchField_ = -1;
    bool result_ = false;
    bool opened_ = false;
    bool closed_ = false;
};

// The dialog of the latest init() (start-up creates one that is never shown).
extern TFormSearchData* FormSearchData;
