// The search dialog and the main window's filter, driven offscreen with real
// widgets over a real database.

#include <gtest/gtest.h>

#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <algorithm>
#include <cmath>

#include "datamodule/TSimpleDataMod.h"
#include "exchange/ProductList.h"
#include "forms/TFormSearchData.h"
#include "forms/TFormTavola.h"
#include "platform/text/Text.h"
#include "support/ScriptedPrompts.h"
#include "support/TestDatabase.h"

using testdata::ScriptedPrompts;

class DialogTest : public ::testing::Test {
  protected:
    testdata::TestDatabase database;
    ScriptedPrompts prompts;
    db::Connection conn;
    dataset::RecordSet list;
    dataset::DataSource ds;

    void SetUp() override {
        database.exec(
            "insert into PRODUCT (PROD_ID, PROD_NAME, WUID) values ('A1', '紅色原子筆', 'w')");
        database.exec(
            "insert into PRODUCT (PROD_ID, PROD_NAME, WUID) values ('A2', '藍色原子筆', 'w')");
        database.exec(
            "insert into PRODUCT (PROD_ID, PROD_NAME, WUID) values ('B1', '筆記本', 'w')");
        database.exec(
            "insert into PRODUCT (PROD_ID, PROD_NAME, WUID) values ('C''1', '引號''品', 'w')");
        database.exec("insert into PRODUCT2 (PROD_ID, NOW_QTY) values ('A1', 42)");
        conn.params() = database.params();
        list.setFields(exchange::productListFields());
        list.setConnection(&conn);
        exchange::loadAll(list);
        ds.dataSet = &list;
    }

    TFormSearchData* dialog(const std::string& table = "PRODUCT") {
        TFormSearchData* d = TFormSearchData::init(database.folder(), &prompts);
        d->setConnection(&conn);
        d->DS = &ds;
        d->TB = &list;
        d->sTableName = table;
        d->sSelectField = exchange::selectList(list);
        d->sSQLString = " ORDER BY PROD_ID";
        return d;
    }

    // Shows the dialog modally and runs the steps inside its loop; the steps
    // end by confirming or cancelling.
    bool show(TFormSearchData* d, std::function<void(TFormSearchData*)> steps) {
        QTimer::singleShot(0, [d, steps] { steps(d); });
        bool r = d->SHOW();
        return r;
    }

    static void column(TFormSearchData* d, const char* caption) {
        d->ComboBox1->setCurrentIndex(d->ComboBox1->findText(QString::fromUtf8(caption)));
    }
    static void type(TFormSearchData* d, const char* keyword, int mode) {
        d->setMatchMode(mode);
        d->Edit1->setText(QString::fromUtf8(keyword));
    }
    static void enter(QWidget* w) { QTest::keyClick(w, Qt::Key_Return); }
    static void selectRows(TFormSearchData* d, std::initializer_list<int> rows) {
        for (int r : rows)
            d->DBGrid1->selectionModel()->select(d->DBGrid1->model()->index(r, 0),
                                                 QItemSelectionModel::Select |
                                                     QItemSelectionModel::Rows);
    }
    std::vector<std::string> ids() {
        std::vector<std::string> out;
        for (std::size_t r = 0; r < list.rowCount(); ++r)
            out.push_back(db::toText(list.row(r)[0]));
        return out;
    }
};

TEST_F(DialogTest, EnterInTheKeywordBoxWithZeroOneAndTwoConditions) {
    std::vector<std::string> texts;
    std::vector<std::size_t> counts;
    bool ok = show(dialog(), [&](TFormSearchData* d) {
        column(d, "商品名稱");
        type(d, "原子筆", 2);
        enter(d->Edit1); // empty list: the input becomes the only condition
        texts.push_back(d->GetSQLText());
        counts.push_back(d->conditions.count());
        EXPECT_EQ(d->connectiveItems(), (std::vector<std::string>{"加上", "或者"}));
        EXPECT_EQ(d->DBGrid1->model()->rowCount(), 2);
        EXPECT_EQ(d->focusWidget(), d->DBGrid1);

        type(d, "紅色", 1);
        enter(d->Edit1); // one condition: replaced by the input
        texts.push_back(d->GetSQLText());
        counts.push_back(d->conditions.count());

        type(d, "藍色", 1);
        d->connectiveGroup->button(1)->setChecked(true); // 或者
        d->SpeedButton3->click();
        type(d, "ignored", 0);
        enter(d->Edit1); // two conditions: run as they stand
        texts.push_back(d->GetSQLText());
        counts.push_back(d->conditions.count());
        EXPECT_EQ(d->DBGrid1->model()->rowCount(), 2);
        d->confirm();
    });
    EXPECT_TRUE(ok);
    const std::string sel = exchange::selectList(list);
    EXPECT_EQ(
        texts[0],
        "SELECT " + sel +
            " FROM \r\nPRODUCT \r\n WHERE PROD_NAME  like  '%原子筆%' \r\n  ORDER BY PROD_ID");
    EXPECT_EQ(texts[1],
              "SELECT " + sel +
                  " FROM \r\nPRODUCT \r\n WHERE PROD_NAME  like  '紅色%' \r\n  ORDER BY PROD_ID");
    EXPECT_EQ(texts[2], "SELECT " + sel +
                            " FROM \r\nPRODUCT \r\n WHERE PROD_NAME  like  '紅色%' \r\n OR "
                            "PROD_NAME  like  '藍色%' "
                            "\r\n  ORDER BY PROD_ID");
    EXPECT_EQ(counts, (std::vector<std::size_t>{1, 1, 2}));
}

TEST_F(DialogTest, NotFoundAndRefusedSearchesKeepTheConditions) {
    show(dialog(), [&](TFormSearchData* d) {
        column(d, "商品名稱");
        type(d, "沒有這種東西", 0);
        d->SpeedButton1->click();
        EXPECT_EQ(prompts.shown.back().text, "找不到該條件資料!");
        EXPECT_EQ(d->conditions.count(), 1u);
        EXPECT_EQ(d->DBGrid1->model()->rowCount(), 4); // still the caller's rows

        type(d, "x", 0);
        d->sTableName = "NO_SUCH_TABLE";
        d->SpeedButton1->click();
        EXPECT_EQ(prompts.shown.back().kind, "error");
        EXPECT_NE(prompts.shown.back().text.find("NO_SUCH_TABLE"), std::string::npos);
        EXPECT_EQ(d->conditions.count(), 1u);
        d->sTableName = "PRODUCT";

        d->SpeedButton2->click(); // reset
        EXPECT_EQ(d->conditions.count(), 0u);
        EXPECT_EQ(d->ComboBox1->count(), 34);
        EXPECT_EQ(d->ComboBox2.size(), 34u);
        EXPECT_EQ(d->connectiveItems(), std::vector<std::string>{"首要"});
        EXPECT_TRUE(d->Edit1->text().isEmpty());
        d->cancel();
    });
}

TEST_F(DialogTest, KeywordWithAQuoteSearchesForThatText) {
    show(dialog(), [&](TFormSearchData* d) {
        column(d, "商品名稱");
        type(d, "號'品", 2);
        enter(d->Edit1);
        ASSERT_EQ(d->DBGrid1->model()->rowCount(), 1);
        EXPECT_EQ(d->GetValues("PROD_ID", "PROD_NAME"), "C'1|引號'品");
        d->confirm();
    });
}

TEST_F(DialogTest, GettersWithAndWithoutASearch) {
    std::string multi, none, sql;
    show(dialog(), [&](TFormSearchData* d) {
        none = d->GetMutiValue("PROD_ID");
        selectRows(d, {2, 0}); // B1 then A1, in that order
        multi = d->GetMutiValue("prod_id");
        sql = d->GetSQLText();
        EXPECT_EQ(d->GetValues("NOPE", "PROD_NAME"), "|" + db::toText(*d->GetValue("PROD_NAME")));
        EXPECT_EQ(d->GetValues("PROD_ID", "NOPE"), db::toText(*d->GetValue("PROD_ID")));
        EXPECT_FALSE(d->GetValue("NOPE").has_value());
        EXPECT_THROW(d->GetMutiValue("NOPE"), dataset::RecordSetError);
        d->confirm();
    });
    EXPECT_EQ(none, "");
    EXPECT_EQ(multi, "B1\r\nA1\r\n");
    EXPECT_EQ(sql, "");
}

TEST_F(DialogTest, TitleClickSortsTheShownRowsAndStockIsShown) {
    show(dialog(), [&](TFormSearchData* d) {
        column(d, "商品名稱");
        type(d, "原子筆", 2);
        enter(d->Edit1);
        d->DBGrid1->horizontalHeader()->sectionClicked(
            2); // by name: 紅 (U+7D05) before 藍 (U+85CD)
        EXPECT_EQ(d->CDS_Query.indexName(), "idIndex");
        EXPECT_EQ(d->DBGrid1->model()->index(0, 0).data().toString(), "A1");
        EXPECT_EQ(d->searchField(), 2);
        d->DBGrid1->setCurrentIndex(d->DBGrid1->model()->index(0, 0));
        EXPECT_EQ(d->Memo1->toPlainText(), QString::fromUtf8("現有庫存:42"));
        d->DBGrid1->setCurrentIndex(d->DBGrid1->model()->index(1, 0));
        EXPECT_EQ(d->Memo1->toPlainText(), QString::fromUtf8("現有庫存:"));
        EXPECT_FALSE(d->dbSBtnNext->isEnabled());
        EXPECT_TRUE(d->dbSBtnFirst->isEnabled());
        d->dbSBtnFirst->click();
        EXPECT_FALSE(d->dbSBtnPrior->isEnabled());
        d->confirm();
    });
}

TEST_F(DialogTest, TheIncrementalSearchBoxFindsByPrefixIgnoringCase) {
    database.exec("update PRODUCT set PROD_ENAME = 'Blue pen' where PROD_ID = 'A2'");
    database.exec("update PRODUCT set PROD_ENAME = 'black ink' where PROD_ID = 'B1'");
    exchange::loadAll(list);
    show(dialog(), [&](TFormSearchData* d) {
        QApplication::setActiveWindow(d);
        d->DBGrid1->horizontalHeader()->sectionClicked(6); // PROD_ENAME: binds the box to it
        ASSERT_EQ(d->searchField(), 6);
        ASSERT_TRUE(d->SearchEdit1->hasFocus());
        QTest::keyClicks(d->SearchEdit1, "BL");
        EXPECT_EQ(d->DBGrid1->currentIndex().row(), 2); // nulls first, then "Blue pen", "black ink"
        QTest::keyClicks(d->SearchEdit1, "a");
        EXPECT_EQ(d->DBGrid1->model()->index(d->DBGrid1->currentIndex().row(), 0).data().toString(),
                  "B1");
        d->cancel();
    });
}

TEST_F(DialogTest, SettingsAreRestoredOnReopen) {
    QSize firstSize, minimum, chosen;
    show(dialog(), [&](TFormSearchData* d) {
        firstSize = d->frameGeometry().size();
        minimum = d->minimumSizeHint();
        chosen = minimum + QSize(17, 13);
        EXPECT_EQ(d->ComboBox1->currentIndex(), 0);
        EXPECT_EQ(d->matchMode(), 0);
        column(d, "商品名稱");
        d->setMatchMode(2);
        d->resize(chosen - (d->frameGeometry().size() - d->size()));
        d->DBGrid1->horizontalHeader()->resizeSection(2, 222);
        QTest::qWait(20);
        d->cancel();
    });
    QRect screen = QApplication::primaryScreen()->geometry();
    // 90 % of the screen, as far as the window's smallest size allows.
    EXPECT_GE(firstSize.width(), int(std::nearbyint(0.9 * screen.width())));
    EXPECT_LE(firstSize.width(),
              std::max(minimum.width() + 8, int(std::nearbyint(0.9 * screen.width()))));
    EXPECT_TRUE(text::fileExists(database.folder() + "PRODUCT_DBGrid.ini"));
    text::writeFile(database.folder() + "Search.ini", "x");
    show(dialog(), [&](TFormSearchData* d) {
        EXPECT_EQ(d->frameGeometry().size(), chosen);
        EXPECT_EQ(d->ComboBox1->currentText(), QString::fromUtf8("商品名稱"));
        EXPECT_EQ(d->matchMode(), 2);
        EXPECT_EQ(d->DBGrid1->horizontalHeader()->sectionSize(2), 222);
        d->cancel();
    });
    EXPECT_FALSE(text::fileExists(database.folder() + "Search.ini"));
}

TEST_F(DialogTest, ASearchWordRunsAtOnceAndEveryUseStartsWithNo) {
    TFormSearchData* d = dialog();
    d->sSearchWord = "筆記";
    d->setMatchMode(2);
    text::writeFile(database.folder() + "SearchData.ini", "[PRODUCT]\nCombo=2\nRadio=2\n");
    bool r = show(d, [&](TFormSearchData* d) {
        EXPECT_EQ(d->DBGrid1->model()->rowCount(), 1);
        d->reject(); // the window's close box
    });
    EXPECT_FALSE(r);
}

TEST_F(DialogTest, LeavingAMatchModeChoiceRunsTheSearch) {
    show(dialog(), [&](TFormSearchData* d) {
        QApplication::setActiveWindow(d);
        column(d, "商品名稱");
        d->Edit1->setText(QString::fromUtf8("筆記本"));
        d->matchGroup->button(0)->setFocus();
        EXPECT_EQ(d->DBGrid1->model()->rowCount(), 4);
        d->Edit1->setFocus();
        EXPECT_EQ(d->DBGrid1->model()->rowCount(), 1);
        d->confirm();
    });
}

TEST_F(DialogTest, HiddenSearchShowsOnlyTheResultsAndOtherTablesGetNoStock) {
    TFormSearchData* d = dialog("SUPPLIER");
    d->iHideSearch = true;
    database.exec("insert into SUPPLIER (CORP_ID, CORP_NAME) values ('S1', '甲')");
    dataset::RecordSet suppliers;
    suppliers.setConnection(&conn);
    suppliers.setCommandText("select CORP_ID, CORP_NAME from SUPPLIER");
    suppliers.open();
    d->TB = &suppliers;
    d->sSelectField = "CORP_ID,CORP_NAME ";
    d->sSQLString = "";
    show(d, [&](TFormSearchData* d) {
        EXPECT_FALSE(d->Panel1->isVisible());
        EXPECT_EQ(d->ComboBox1->count(), 2);
        d->ComboBox1->setCurrentIndex(0);
        type(d, "S1", 0);
        d->SpeedButton1->click();
        EXPECT_EQ(d->DBGrid1->model()->rowCount(), 1);
        d->DBGrid1->setCurrentIndex(d->DBGrid1->model()->index(0, 0));
        EXPECT_EQ(d->Memo1->toPlainText(), "");
        d->confirm();
    });
}

TEST_F(DialogTest, KeysOfTheColumnListAndTheResultGrid) {
    bool escaped = show(dialog(), [&](TFormSearchData* d) {
        d->confirm(); // an earlier "yes" must not carry over to the next use
    });
    EXPECT_TRUE(escaped);
    escaped = show(dialog(), [&](TFormSearchData* d) {
        QApplication::setActiveWindow(d);
        QTest::keyClick(d->ComboBox1, Qt::Key_Return);
        EXPECT_EQ(d->focusWidget(), d->DBGrid1);
        QTest::keyClick(d->ComboBox1, Qt::Key_Escape);
    });
    EXPECT_FALSE(escaped);
    bool entered =
        show(dialog(), [&](TFormSearchData* d) { QTest::keyClick(d->DBGrid1, Qt::Key_Return); });
    EXPECT_TRUE(entered);
}

// Reset shows the caller's rows again: the search box follows their first
// field, not a column of the search result they may not have.
TEST_F(DialogTest, ResetBindsTheSearchBoxToTheCallersFirstField) {
    database.exec("insert into SUPPLIER (CORP_ID, CORP_NAME) values ('S1', '甲')");
    database.exec("insert into SUPPLIER (CORP_ID, CORP_NAME) values ('S2', '乙')");
    dataset::RecordSet suppliers;
    suppliers.setConnection(&conn);
    suppliers.setCommandText("select CORP_ID, CORP_NAME from SUPPLIER order by CORP_ID");
    suppliers.open();
    TFormSearchData* d = dialog("SUPPLIER");
    d->TB = &suppliers;
    d->sSelectField = ""; // " * ": every column of the table
    d->sSQLString = " ORDER BY CORP_ID";
    show(d, [&](TFormSearchData* d) {
        d->ComboBox1->setCurrentIndex(0);
        type(d, "S", 1);
        d->SpeedButton1->click();
        ASSERT_GT(d->CDS_Query.fieldCount(), 10u);
        d->DBGrid1->horizontalHeader()->sectionClicked(9);
        EXPECT_EQ(d->searchField(), 9);
        d->SpeedButton2->click();
        EXPECT_EQ(d->searchField(), 0);
        d->DBGrid1->setFocus();
        d->DBGrid1->setCurrentIndex(d->DBGrid1->model()->index(1, 1));
        EXPECT_EQ(d->SearchEdit1->text(), "S2");
        d->cancel();
    });
}

// Only a move of the focus to another control of the dialog is leaving a
// radio group: a message box or another window taking the focus is not.
TEST_F(DialogTest, FocusGoingToAnotherWindowDoesNotRunTheSearch) {
    show(dialog(), [&](TFormSearchData* d) {
        QApplication::setActiveWindow(d);
        column(d, "商品名稱");
        d->Edit1->setText(QString::fromUtf8("沒有這種東西"));
        d->matchGroup->button(0)->setFocus();
        QWidget other;
        auto* box = new QLineEdit(&other);
        other.show();
        QApplication::setActiveWindow(&other); // another window takes the focus
        box->setFocus();
        QApplication::setActiveWindow(d); // and gives it back to the radio group
        EXPECT_TRUE(d->matchGroup->button(0)->hasFocus());
        EXPECT_TRUE(prompts.shown.empty());
        d->Edit1->setFocus(); // leaving the group inside the dialog: one search
        EXPECT_EQ(prompts.shown.size(), 1u);
        if (!prompts.shown.empty()) {
            EXPECT_EQ(prompts.shown[0].text, "找不到該條件資料!");
        }
        d->cancel();
    });
}

// A mouse button going down on a row shows that row's stock, before the grid
// has moved to it.
TEST_F(DialogTest, MousePressShowsTheStockOfTheRowUnderThePointer) {
    database.exec("insert into PRODUCT2 (PROD_ID, NOW_QTY) values ('A2', 7)");
    show(dialog(), [&](TFormSearchData* d) {
        column(d, "商品名稱");
        type(d, "原子筆", 2);
        enter(d->Edit1);
        d->DBGrid1->setCurrentIndex(d->DBGrid1->model()->index(0, 0));
        EXPECT_EQ(d->Memo1->toPlainText(), QString::fromUtf8("現有庫存:42"));
        // Only the press itself: the grid's own move to the row is held back.
        QObject::disconnect(d->DBGrid1->selectionModel(), nullptr, d, nullptr);
        QRect row1 = d->DBGrid1->visualRect(d->DBGrid1->model()->index(1, 0));
        QTest::mousePress(d->DBGrid1->viewport(), Qt::LeftButton, {}, row1.center());
        EXPECT_EQ(d->Memo1->toPlainText(), QString::fromUtf8("現有庫存:7"));
        d->cancel();
    });
}

TEST_F(DialogTest, EscapeClosesTheDialogFromTheColumnListOnly) {
    bool confirmed = show(dialog(), [&](TFormSearchData* d) {
        QApplication::setActiveWindow(d);
        for (QWidget* w : std::initializer_list<QWidget*>{d->Edit1, d->DBGrid1, d->SearchEdit1}) {
            QTest::keyClick(w, Qt::Key_Escape);
            EXPECT_TRUE(d->isVisible());
        }
        d->confirm();
    });
    EXPECT_TRUE(confirmed);
}

class FilterTest : public DialogTest {
  protected:
    std::unique_ptr<TFormTavola> form;
    std::unique_ptr<TSimpleDataMod> module;
    void start() {
        text::writeFile(database.folder() + "dbconfig.txt", database.configText());
        form = std::make_unique<TFormTavola>(database.folder(), &prompts);
        module = std::make_unique<TSimpleDataMod>(database.folder(), std::vector<std::string>{},
                                                  &prompts);
        form->setDataModule(module.get());
        form->show();
    }
    void TearDown() override {
        form.reset();
        module.reset();
    }
    // Clicks the filter button and runs the steps in the dialog it opens.
    void filter(std::function<void(TFormSearchData*)> steps) {
        QTimer::singleShot(0, [steps] { steps(FormSearchData); });
        form->SpeedButton2->click();
    }
    std::vector<std::string> shown() {
        std::vector<std::string> out;
        auto& l = form->CDS_DataMaster();
        for (std::size_t r = 0; r < l.rowCount(); ++r)
            out.push_back(db::toText(l.row(r)[0]));
        return out;
    }
};

TEST_F(FilterTest, CancelChangesNothing) {
    start();
    filter([](TFormSearchData* d) {
        column(d, "商品名稱");
        type(d, "筆記本", 0);
        enter(d->Edit1);
        d->cancel();
    });
    EXPECT_EQ(shown(), (std::vector<std::string>{"A1", "A2", "B1", "C'1"}));
    EXPECT_EQ(form->CDS_DataMaster().commandText(), exchange::kLoadAllSql);
}

TEST_F(FilterTest, SelectedRowsWinOverTheSearch) {
    start();
    filter([](TFormSearchData* d) {
        column(d, "商品名稱");
        type(d, "原子筆", 2);
        enter(d->Edit1);
        selectRows(d, {1, 0});
        d->confirm();
    });
    EXPECT_EQ(shown(), (std::vector<std::string>{"A1", "A2"}));
    EXPECT_EQ(form->CDS_DataMaster().commandText(),
              "select " + exchange::selectList(form->CDS_DataMaster()) +
                  " from PRODUCT where PROD_ID in ('A2','A1') order by PROD_ID");
    EXPECT_NE(form->CDS_DataMaster().commandText().find("WUID  from"), std::string::npos);
    EXPECT_TRUE(form->DBGrid1->isColumnHidden(33)); // the layout of load-all is kept
    EXPECT_EQ(form->DBGrid1->columnWidth(2), 300);
}

TEST_F(FilterTest, ASearchWithoutSelectionShowsItsRows) {
    start();
    filter([](TFormSearchData* d) {
        column(d, "商品名稱");
        type(d, "筆記本", 0);
        enter(d->Edit1);
        d->confirm();
    });
    EXPECT_EQ(shown(), std::vector<std::string>{"B1"});
}

TEST_F(FilterTest, NeitherSearchNorSelectionReopensThePreviousStatement) {
    start();
    database.exec("insert into PRODUCT (PROD_ID, WUID) values ('Z9', 'w')");
    filter([](TFormSearchData* d) { d->confirm(); });
    EXPECT_EQ(form->CDS_DataMaster().commandText(), exchange::kLoadAllSql);
    EXPECT_EQ(shown().size(), 5u);
}

// More products than one IN list may name: every selected product is listed,
// in number order, read by several statements.
TEST_F(FilterTest, SelectingEveryProductOfALargeListListsThemAll) {
    db::Connection seed;
    seed.params() = database.params();
    db::Query ins(&seed);
    ins.setSql("insert into PRODUCT (PROD_ID, WUID) values (:ID, 'w')");
    seed.startTransaction();
    for (int i = 0; i < 3200; ++i) {
        char id[16];
        std::snprintf(id, sizeof id, "M%05d", i);
        ins.setString("ID", id);
        ins.exec();
    }
    seed.commit();
    seed.close();
    start();
    filter([](TFormSearchData* d) {
        d->BTCMDOKALL->click();
        d->confirm();
    });
    EXPECT_TRUE(prompts.shown.empty()) << prompts.shown.back().text;
    auto rows = shown();
    ASSERT_EQ(rows.size(), 3204u);
    EXPECT_TRUE(std::is_sorted(rows.begin(), rows.end()));
    EXPECT_EQ(form->CDS_DataMaster().commandTexts().size(), 3u);
}

// A filter whose statement fails shows the error and leaves the list as it
// was, rows not yet saved included.
TEST_F(FilterTest, AFailingFilterLeavesTheList) {
    start();
    filter([this](TFormSearchData* d) {
        selectRows(d, {0});
        module->SQLConnection1.close();
        module->SQLConnection1.params().set("Database", database.folder() + "gone.fdb");
        d->confirm();
    });
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].kind, "error");
    EXPECT_EQ(shown(), (std::vector<std::string>{"A1", "A2", "B1", "C'1"}));
    EXPECT_EQ(form->CDS_DataMaster().commandText(), exchange::kLoadAllSql);
}

TEST_F(FilterTest, AProductNumberWithAQuoteFiltersRight) {
    start();
    filter([](TFormSearchData* d) {
        selectRows(d, {3});
        d->confirm();
    });
    EXPECT_EQ(shown(), std::vector<std::string>{"C'1"});
    EXPECT_TRUE(prompts.shown.empty());
}
