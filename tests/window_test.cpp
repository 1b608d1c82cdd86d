#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QTableView>
#include <QTableWidget>
#include <QToolButton>

#include "datamodule/TSimpleDataMod.h"
#include "exchange/ProductList.h"
#include "forms/TFormTavola.h"
#include "platform/text/Text.h"
#include "platform/ui/GridModel.h"
#include "platform/ui/RecordSetModel.h"
#include "platform/ui/Translations.h"
#include "platform/workbook/SheetReader.h"
#include "support/ScriptedPrompts.h"
#include "support/TestDatabase.h"
#include <QTimer>
#include <algorithm>
#include <QAbstractItemModelTester>

using testdata::ScriptedPrompts;
using testdata::TestDatabase;
using workbook::Grid;

class WindowTest : public ::testing::Test {
  protected:
    TestDatabase database;
    ScriptedPrompts prompts;
    std::unique_ptr<TFormTavola> form;
    std::unique_ptr<TSimpleDataMod> module;

    void SetUp() override {
        database.exec("insert into PRODUCT (PROD_ID, PROD_NAME, CHG_USER, WUID) values ('A1', "
                      "'甲', 'x', 'w')");
        database.exec("insert into PRODUCT (PROD_ID, PROD_NAME, CHG_USER, WUID) values ('A2', "
                      "'乙', '#', 'w')");
        database.exec("insert into PRODUCT (PROD_ID, PROD_NAME, CHG_USER, WUID) values ('A3', "
                      "'丙', '*', 'w')");
        database.folder();
        text::writeFile(database.folder() + "dbconfig.txt", database.configText());
    }
    void TearDown() override {
        form.reset();
        module.reset();
    }
    // Start-up order: window, then data module, then show.
    void start() {
        form = std::make_unique<TFormTavola>(database.folder(), &prompts);
        module = std::make_unique<TSimpleDataMod>(database.folder(), std::vector<std::string>{},
                                                  &prompts);
        form->setDataModule(module.get());
        form->show();
    }
    QColor textColor(int row) {
        return form->DBGrid1->model()->index(row, 0).data(Qt::ForegroundRole).value<QColor>();
    }
};

TEST_F(WindowTest, ShowLoadsAllAndLaysOutTheColumns) {
    start();
    EXPECT_EQ(form->windowTitle(), QString::fromUtf8("商品資料匯出匯入輔助工具"));
    ASSERT_EQ(form->DBGrid1->model()->rowCount(), 3);
    ASSERT_EQ(form->DBGrid1->model()->columnCount(), 34);
    EXPECT_EQ(form->DBGrid1->model()->headerData(0, Qt::Horizontal).toString(),
              QString::fromUtf8("商品編號"));
    EXPECT_EQ(form->DBGrid1->model()->headerData(33, Qt::Horizontal).toString(), "WUID");

    const auto& fields = form->CDS_DataMaster().fields();
    int visible = 0, wide = 0;
    int defaultWidth = form->DBGrid1->horizontalHeader()->defaultSectionSize();
    for (int i = 0; i < 34; ++i) {
        bool audit = i >= 27;
        EXPECT_EQ(form->DBGrid1->isColumnHidden(i), audit) << fields[std::size_t(i)].name;
        if (audit)
            continue;
        ++visible;
        int w = fields[std::size_t(i)].displayWidth;
        if (w > 40) {
            ++wide;
            EXPECT_EQ(form->DBGrid1->columnWidth(i), w) << fields[std::size_t(i)].name;
        } else {
            EXPECT_EQ(form->DBGrid1->columnWidth(i), defaultWidth) << fields[std::size_t(i)].name;
        }
    }
    EXPECT_EQ(visible, 27);
    EXPECT_EQ(wide, 13);
    EXPECT_EQ(form->DBGrid1->columnWidth(0), 60);
    EXPECT_EQ(form->DBGrid1->columnWidth(2), 300);
    EXPECT_TRUE(prompts.shown.empty());
}

TEST_F(WindowTest, RowsAreColouredByTheirMark) {
    start();
    EXPECT_FALSE(textColor(0).isValid()); // default text colour
    EXPECT_EQ(textColor(1), QColor(255, 0, 255));
    EXPECT_EQ(textColor(2), QColor(255, 0, 0));
}

TEST_F(WindowTest, ComponentsAndCaptions) {
    start();
    EXPECT_EQ(form->SpeedButton1->text(), QString::fromUtf8("所有資料"));
    EXPECT_EQ(form->SpeedButton2->text(), QString::fromUtf8("條件篩選"));
    EXPECT_EQ(form->SpeedButton3->text(), QString::fromUtf8("匯出至Excel"));
    EXPECT_EQ(form->SpeedButton4->text(), QString::fromUtf8("匯入從Excel"));
    EXPECT_EQ(form->SpeedButton6->text(), QString::fromUtf8("資料檢測"));
    EXPECT_EQ(form->SpeedButton5->text(), QString::fromUtf8("資料回存"));
    EXPECT_EQ(form->SpeedButton5->toolTip(), QString::fromUtf8("資料存檔只針對商品未建檔資料匯入"));
    EXPECT_FALSE(form->CheckBox1->isVisible());
    EXPECT_FALSE(form->Memo1->isVisible());
    EXPECT_EQ(form->Memo1->toPlainText(), ""); // no placeholder line on show
    EXPECT_FALSE(form->AdvStringGrid1->isVisible());
}

TEST_F(WindowTest, FullModeOpensNoConnection) {
    database.folder();
    text::writeFile(database.folder() + "lumara.txt", "owner@example.com\r\n");
    start();
    EXPECT_TRUE(form->fullMode());
    EXPECT_FALSE(form->CheckBox1->isVisible());
    EXPECT_FALSE(module->SQLConnection1.connected());
    EXPECT_EQ(form->DBGrid1->model()->rowCount(), 0);
}

TEST_F(WindowTest, ServerDownAtStartGivesOneMessageAndALaterClickRetries) {
    text::writeFile(database.folder() + "dbconfig.txt",
                    "Database=localhost/3999:" + database.file() +
                        "\r\nuser_name=SYSDBA\r\npassword=x\r\n");
    start();
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].kind, "error");
    EXPECT_NE(prompts.shown[0].text.find("Unable to complete network request"), std::string::npos);
    EXPECT_EQ(form->DBGrid1->model()->rowCount(), 0);
    EXPECT_TRUE(form->isVisible());

    module->SQLConnection1.params() = database.params(); // the server is back
    form->SpeedButton1->click();
    EXPECT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(form->DBGrid1->model()->rowCount(), 3);
}

// A language table that cannot be read is shown as an error; the window
// opens and loads its list all the same.
TEST_F(WindowTest, AStartUpErrorIsShownAndTheWindowGoesOn) {
    std::filesystem::create_directory(database.folder() + "lang");
    text::writeFile(database.folder() + "lang/lang_zhcn.xml", "not a table");
    start();
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].kind, "error");
    EXPECT_NE(prompts.shown[0].text.find("lang/lang_zhcn.xml"), std::string::npos)
        << prompts.shown[0].text;
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(form->DBGrid1->model()->rowCount(), 3);
}

// The name rule may add ".xls" after the dialog closed: the window asks before
// replacing a file of the final name.
TEST_F(WindowTest, ExportAsksBeforeReplacingAFile) {
    start();
    testdata::TempFolder out;
    std::string path = out.path() + "products.xls";
    text::writeFile(path, "keep me");
    prompts.files.push_back(out.path() + "products");
    prompts.answers.push_back(false); // do not replace
    form->SpeedButton3->click();
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].text, "檔案 " + path + " 已經存在，要取代它嗎?");
    EXPECT_EQ(text::readFile(path), "keep me");

    prompts.files.push_back(out.path() + "products");
    prompts.answers.push_back(true); // replace
    form->SpeedButton3->click();
    EXPECT_EQ(workbook::readSheet(path, "Sheet1").rowCount(), 4u);
}

TEST_F(WindowTest, ExportWritesTheWorkbookAndTheTransferText) {
    start();
    testdata::TempFolder out;
    prompts.files.push_back(out.path() + "products");
    form->SpeedButton3->click();
    std::string path = out.path() + "products.xls";
    ASSERT_TRUE(text::fileExists(path));
    workbook::Grid g = workbook::readSheet(path, "Sheet1");
    EXPECT_EQ(g.rowCount(), 4u);
    EXPECT_EQ(g.cell(0, 1), "\x7F"
                            "A1");
    QString clip = QGuiApplication::clipboard()->text();
    EXPECT_TRUE(clip.startsWith(QString::fromUtf8("商品編號\t")));
    EXPECT_EQ(clip.count("\r\n"), 3);
    ASSERT_EQ(prompts.shown.size(), 1u); // the offer to open it, declined
    EXPECT_EQ(prompts.shown[0].kind, "confirm");
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    prompts.files.push_back(""); // cancelled dialog: nothing happens
    form->SpeedButton3->click();
    EXPECT_EQ(prompts.shown.size(), 1u);
}

TEST_F(WindowTest, ImportCheckAndSaveNewProducts) {
    database.exec("insert into PROD_ITEM (PD_ITEMID, PD_ITEMNAME) values ('01', '文具用品')");
    start();
    testdata::TempFolder in;
    text::writeFile(in.path() + "new.csv",
                    "商品編號,商品條碼,商品名稱\r\n"
                    "A1,,dup,,,,,01,,,,,,,,,,,,,,,,,,,,,,,,,,x\r\n"
                    "N1,0012,新品,,,,,01,,,,,,,,,,,,,,,,12.5,,,,,,,,,,owner\r\n"
                    "N2,,新品二,,,,,ZZ,,,,,,,,,,,,,,,,,,,,,,,,,,owner\r\n");
    prompts.answers.push_back(true);
    prompts.files.push_back(in.path() + "new.csv");
    form->SpeedButton4->click();
    ASSERT_EQ(form->DBGrid1->model()->rowCount(), 5);
    EXPECT_FALSE(form->AdvStringGrid1->isVisible());

    form->SpeedButton6->click();
    EXPECT_EQ(textColor(0), QColor(255, 0, 255)); // on file
    EXPECT_FALSE(textColor(3).isValid());         // N1: new, category known
    EXPECT_EQ(textColor(4), QColor(255, 0, 0));   // N2: unknown category

    form->SpeedButton5->click();
    ASSERT_EQ(prompts.shown.back().text, "資料匯入完成..!");
    EXPECT_EQ(prompts.shown.back().kind, "warning");
    EXPECT_EQ(database.scalar("select count(*) from PRODUCT"), "5");
    EXPECT_EQ(database.scalar("select PROD_BARCODE from PRODUCT where PROD_ID = 'N1'"), "0012");
    // Counts after each step; the bar is cleared once the work ends.
    EXPECT_EQ(form->ProgressBar1->maximum(), 5);
    EXPECT_EQ(form->ProgressBar1->value(), 0);
    EXPECT_EQ(form->ProgressText->text(), "");
    EXPECT_EQ(form->StatusLine->text().toStdString().rfind(
                  "回存：已存 2 筆新商品，略過 3 筆（已建檔），費時 ", 0),
              0u)
        << form->StatusLine->text().toStdString();
}

TEST_F(WindowTest, ImportErrorsShowTheirClassAndKeepTheList) {
    start();
    testdata::TempFolder in;
    text::writeFile(in.path() + "bad.xlsx", "PK\x03\x04 not really a workbook");
    prompts.answers.push_back(true);
    prompts.files.push_back(in.path() + "bad.xlsx");
    form->SpeedButton4->click();
    ASSERT_EQ(prompts.shown.size(), 2u);
    EXPECT_EQ(prompts.shown[1].text.rfind("WorkbookError error raised, with message : ", 0), 0u)
        << prompts.shown[1].text;
    EXPECT_EQ(form->DBGrid1->model()->rowCount(), 3);

    prompts.answers.push_back(false); // declined: no dialog, nothing read
    form->SpeedButton4->click();
    EXPECT_EQ(prompts.shown.size(), 3u);
}

// A reader that dies on a file (here one that kills itself) costs neither the
// window nor the rows imported and not yet saved.
TEST_F(WindowTest, AReaderThatCrashesLeavesTheWindowAndItsUnsavedRows) {
    start();
    testdata::TempFolder in;
    text::writeFile(in.path() + "new.csv",
                    "商品編號,商品條碼\r\nN1,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,owner\r\n");
    prompts.answers.push_back(true);
    prompts.files.push_back(in.path() + "new.csv");
    form->SpeedButton4->click();
    ASSERT_EQ(form->DBGrid1->model()->rowCount(), 4);

    text::writeFile(in.path() + "crash.sh", "#!/bin/sh\nkill -SEGV $$\n");
    ::chmod((in.path() + "crash.sh").c_str(), 0700);
    std::string reader = std::getenv("TAVOLA_SHEET_READER");
    ::setenv("TAVOLA_SHEET_READER", (in.path() + "crash.sh").c_str(), 1);
    prompts.answers.push_back(true);
    prompts.files.push_back(in.path() + "new.csv");
    form->SpeedButton4->click();
    ::setenv("TAVOLA_SHEET_READER", reader.c_str(), 1);
    ASSERT_EQ(prompts.shown.size(), 3u);
    EXPECT_EQ(prompts.shown[2].text,
              "WorkbookError error raised, with message : 無法讀取活頁簿 " + in.path() +
                  "new.csv：讀取程式異常結束（訊號 11，Segmentation fault）");
    EXPECT_EQ(form->DBGrid1->model()->rowCount(), 4);
    EXPECT_EQ(form->DBGrid1->model()->index(3, 0).data().toString(), "N1");
}

TEST_F(WindowTest, FullModeShowsTheSheetAndUpsertsIt) {
    text::writeFile(database.folder() + "lumara.txt", "shop01\r\n");
    database.exec("create exception E_REJECT 'no'");
    database.exec("create trigger T_REJECT for PRODUCT2 before insert as begin "
                  "if (new.PROD_ID = 'BAD') then exception E_REJECT; end");
    start();
    testdata::TempFolder in;
    text::writeFile(in.path() + "full.csv", "01,文具,F1,全模式品,,,,100,90,80,5\r\n01,,BAD,壞\r\n");
    prompts.answers.push_back(true);
    prompts.files.push_back(in.path() + "full.csv");
    form->SpeedButton4->click();
    EXPECT_TRUE(form->AdvStringGrid1->isVisible());
    EXPECT_FALSE(form->DBGrid1->isVisible());
    EXPECT_EQ(form->AdvStringGrid1->model()->rowCount(), 2);
    EXPECT_EQ(form->AdvStringGrid1->model()->index(0, 2).data().toString(), "F1");

    form->SpeedButton6->click();
    EXPECT_EQ(prompts.shown.back().text, "完整模式不需執行此功能.!");

    form->SpeedButton5->click();
    ASSERT_GE(prompts.shown.size(), 2u);
    EXPECT_EQ(prompts.shown[prompts.shown.size() - 2].text.rfind("OK\n1 筆轉檔失敗", 0), 0u)
        << prompts.shown[prompts.shown.size() - 2].text;
    EXPECT_EQ(prompts.shown.back().kind, "confirm"); // the failed rows as a workbook: declined
    // A heading (time, file), then the line of each failed row with its reason.
    auto lines = text::splitLines(form->Memo1->toPlainText().toStdString());
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_NE(lines[0].find("full.csv：轉檔失敗的列"), std::string::npos) << lines[0];
    EXPECT_EQ(lines[1], "BAD轉檔失敗..　第 2 列：exception 1；E_REJECT；no；At trigger 'T_REJECT' "
                        "line: 1, col: 91");
    EXPECT_TRUE(form->Memo1->isVisible());
    EXPECT_EQ(database.scalar("select WUID from PRODUCT where PROD_ID = 'F1'"), "shop01");
    EXPECT_EQ(database.scalar("select count(*) from PRODUCT where PROD_ID = 'BAD'"), "0");
}

TEST_F(WindowTest, ImportAndSaveErrorsSayWhereAndTheFailedRowsComeBackAsAWorkbook) {
    database.exec("insert into PROD_ITEM (PD_ITEMID, PD_ITEMNAME) values ('01', '文具用品')");
    start();
    testdata::TempFolder in;
    // Row 3 lacks its WUID: the import stops there and says where.
    text::writeFile(in.path() + "new.csv",
                    "商品編號,商品條碼\r\n"
                    "N1,,新品,,,,,01,,,,,,,,,,,,,,,,1,,,,,,,,,,owner\r\n"
                    "N2,,新品二,,,,,01,,,,,,,,,,,,,,,,2,,,,,,,,,,\r\n");
    prompts.answers.push_back(true);
    prompts.files.push_back(in.path() + "new.csv");
    form->SpeedButton4->click();
    EXPECT_EQ(prompts.shown.back().text,
              "RecordSetError error raised, with message : 第 3 列 AH 欄（WUID），商品編號 N2："
              "欄位 'WUID' 必須有值");
    EXPECT_EQ(form->StatusLine->text().toStdString().rfind(
                  "匯入 new.csv：讀取 2 列，加入 1 筆，略過 0 筆（已在清單中）", 0),
              0u);

    // A save that stops at a product names its row and product and how many
    // were saved; the rest come back as a workbook with the reason.
    text::writeFile(in.path() + "more.csv",
                    "商品編號,商品條碼\r\n"
                    "M1,,一,,,,,01,,,,,,,,,,,,,,,,1,,,,,,,,,,owner\r\n"
                    "BAD,,壞,,,,,01,,,,,,,,,,,,,,,,2,,,,,,,,,,owner\r\n"
                    "M3,,三,,,,,01,,,,,,,,,,,,,,,,3,,,,,,,,,,owner\r\n");
    prompts.answers.push_back(true);
    prompts.files.push_back(in.path() + "more.csv");
    form->SpeedButton4->click();
    database.exec("create exception E_REJECT 'rejected'");
    database.exec("create trigger T_REJECT for PRODUCT2 before insert as begin "
                  "if (new.PROD_ID = 'BAD') then exception E_REJECT; end");
    prompts.answers.push_back(true); // save the failed rows
    prompts.files.push_back(in.path() + "failed");
    form->SpeedButton5->click();
    auto error = std::find_if(prompts.shown.begin(), prompts.shown.end(),
                              [](const auto& m) { return m.text.find("BAD") != std::string::npos &&
                                                         m.kind == "error"; });
    ASSERT_NE(error, prompts.shown.end());
    EXPECT_EQ(error->text.rfind("DatabaseError error raised, with message : 第 3 列，商品編號 BAD："
                                "exception 1",
                                0),
              0u)
        << error->text;
    EXPECT_NE(error->text.find("（停止前已存 2 筆商品）"), std::string::npos) << error->text;
    EXPECT_EQ(database.scalar("select list(PROD_ID) from (select PROD_ID from PRODUCT where "
                              "PROD_ID starting with 'M' or PROD_ID in ('N1', 'BAD') order by 1)"),
              "M1,N1");
    Grid failed = workbook::readSheet(in.path() + "failed.xlsx", "Sheet1");
    ASSERT_EQ(failed.rowCount(), 3u); // header, BAD, M3
    EXPECT_EQ(failed.cell(34, 0), "未存原因");
    EXPECT_EQ(failed.cell(0, 1), "\x7F"
                                 "BAD");
    EXPECT_NE(failed.cell(34, 1).find("rejected"), std::string::npos);
    EXPECT_EQ(failed.cell(0, 2), "\x7F"
                                 "M3");
    EXPECT_EQ(failed.cell(33, 2), "owner");

    // Corrected, it imports and saves.
    database.exec("drop trigger T_REJECT");
    form->SpeedButton1Click();
    prompts.answers.push_back(true);
    prompts.files.push_back(in.path() + "failed.xlsx");
    form->SpeedButton4->click();
    form->SpeedButton5->click();
    EXPECT_EQ(prompts.shown.back().text, "資料匯入完成..!");
    EXPECT_EQ(database.scalar("select count(*) from PRODUCT where PROD_ID in ('BAD', 'M3')"), "2");
}

TEST_F(WindowTest, CheckCountsAndShowsTheMarkedRowsAlone) {
    start();
    form->SpeedButton6->click();
    EXPECT_EQ(form->StatusLine->text().toStdString().rfind(
                  "檢測 3 筆：分類代號未建檔（紅）3 筆，商品代號已建檔（紫）3 筆", 0),
              0u)
        << form->StatusLine->text().toStdString();
    database.exec("insert into PROD_ITEM (PD_ITEMID, PD_ITEMNAME) values ('01', '文具用品')");
    testdata::TempFolder in;
    text::writeFile(in.path() + "new.csv", "商品編號,商品條碼\r\nN1,,,,,,,01,,,,,,,,,,,,,,,,,,,,,,,,,,o\r\n");
    prompts.answers.push_back(true);
    prompts.files.push_back(in.path() + "new.csv");
    form->SpeedButton4->click();
    form->SpeedButton6->click();
    EXPECT_EQ(form->DBGrid1->model()->rowCount(), 4);
    form->MarkedOnly->setChecked(true);
    EXPECT_EQ(form->DBGrid1->model()->rowCount(), 3); // N1 is new and its category known
    form->MarkedOnly->setChecked(false);
    EXPECT_EQ(form->DBGrid1->model()->rowCount(), 4);
}

TEST_F(WindowTest, CancelStopsASaveBetweenWholeProducts) {
    database.exec("insert into PROD_ITEM (PD_ITEMID, PD_ITEMNAME) values ('01', '文具用品')");
    start();
    testdata::TempFolder in;
    std::string csv = "商品編號,商品條碼\r\n";
    for (int i = 0; i < 600; ++i)
        csv += "C" + std::to_string(1000 + i) + ",,,,,,,01,,,,,,,,,,,,,,,,1,,,,,,,,,,o\r\n";
    text::writeFile(in.path() + "many.csv", csv);
    prompts.answers.push_back(true);
    prompts.files.push_back(in.path() + "many.csv");
    form->SpeedButton4->click();
    ASSERT_EQ(form->DBGrid1->model()->rowCount(), 603);
    // The cancel button, pressed while the save runs, once a hundred rows
    // have gone by.
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, form.get(), [&] {
        if (form->ProgressBar1->value() < 100)
            return;
        EXPECT_TRUE(form->running());
        EXPECT_FALSE(form->SpeedButton5->isEnabled());
        form->CancelButton->click();
        poll.stop();
    });
    poll.start(0);
    form->SpeedButton5->click();
    EXPECT_FALSE(form->running());
    EXPECT_TRUE(form->SpeedButton5->isEnabled());
    EXPECT_FALSE(form->CancelButton->isEnabled());
    EXPECT_EQ(form->ProgressBar1->value(), 0);
    std::string products = database.scalar("select count(*) from PRODUCT where PROD_ID starting 'C'");
    EXPECT_GT(std::stoi(products), 0);
    EXPECT_LT(std::stoi(products), 600);
    // Whole products only: each with its cost row and price.
    EXPECT_EQ(database.scalar("select count(*) from PRODUCT2 where PROD_ID starting 'C'"), products);
    EXPECT_EQ(database.scalar("select count(*) from PROD_PRICE where PROD_ID starting 'C'"),
              products);
    EXPECT_NE(form->StatusLine->text().toStdString().find("已存 " + products + " 筆新商品"),
              std::string::npos)
        << form->StatusLine->text().toStdString();
    EXPECT_NE(form->StatusLine->text().toStdString().find("已取消"), std::string::npos);
}

TEST_F(WindowTest, FullModeSaysSoAndItsFailedRowsComeBackAsAWorkbook) {
    text::writeFile(database.folder() + "lumara.txt", "shop01\r\n");
    database.exec("create exception E_REJECT 'no'");
    database.exec("create trigger T_REJECT for PRODUCT2 before insert as begin "
                  "if (new.PROD_ID = 'BAD') then exception E_REJECT; end");
    start();
    EXPECT_EQ(form->windowTitle(), QString::fromUtf8("商品資料匯出匯入輔助工具（完整模式）"));
    testdata::TempFolder in;
    text::writeFile(in.path() + "full.csv", "01,文具,F1,品,,,,100\r\n0012345,,BAD,壞,,,,5\r\n");
    prompts.answers.push_back(true);
    prompts.files.push_back(in.path() + "full.csv");
    form->SpeedButton4->click();
    EXPECT_EQ(form->AdvStringGrid1->model()->headerData(2, Qt::Horizontal).toString(),
              QString::fromUtf8("C 商品編號"));
    EXPECT_EQ(form->AdvStringGrid1->model()->headerData(19, Qt::Horizontal).toString(),
              QString::fromUtf8("T 說明"));
    prompts.answers.push_back(true);
    prompts.files.push_back(in.path() + "failed.xlsx");
    form->SpeedButton5->click();
    EXPECT_EQ(form->StatusLine->text().toStdString().rfind(
                  "回存（完整模式）：新增 1 筆，更新 0 筆，失敗 1 筆", 0),
              0u)
        << form->StatusLine->text().toStdString();
    Grid failed = workbook::readSheet(in.path() + "failed.xlsx", "Sheet1");
    ASSERT_EQ(failed.rowCount(), 1u);
    EXPECT_EQ(failed.cell(0, 0), "0012345"); // as the sheet had it
    EXPECT_EQ(failed.cell(2, 0), "BAD");
    EXPECT_NE(failed.cell(24, 0).find("E_REJECT"), std::string::npos) << failed.cell(24, 0);

    // Corrected, it saves in full mode.
    database.exec("drop trigger T_REJECT");
    prompts.answers.push_back(true);
    prompts.files.push_back(in.path() + "failed.xlsx");
    form->SpeedButton4->click();
    form->SpeedButton5->click();
    EXPECT_EQ(prompts.shown.back().text, "OK");
    EXPECT_EQ(database.scalar("select PD_ITEMID from PRODUCT where PROD_ID = 'BAD'"), "0012345");
}

TEST(StandardDialogs, SpeakChineseOnceQtsTranslationsAreLoaded) {
    ASSERT_TRUE(ui::installChineseTranslations(*QCoreApplication::instance()));
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "&Yes"), QString::fromUtf8("是(&Y)"));
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), QString::fromUtf8("取消"));
    EXPECT_EQ(QCoreApplication::translate("QFileDialog", "Save As"), QString::fromUtf8("另存新檔"));
}

TEST(TableModels, PassTheModelTester) {
    dataset::RecordSet rs;
    rs.setFields(exchange::productListFields());
    rs.createDataSet();
    rs.appendRow({std::string("A1"), db::Value{}, std::string("商品")});
    ui::RecordSetModel model(&rs);
    QAbstractItemModelTester recordSetTester(&model,
                                             QAbstractItemModelTester::FailureReportingMode::Fatal);
    model.reload();
    EXPECT_EQ(model.rowCount(model.index(0, 0)), 0);
    EXPECT_EQ(model.data(model.index(0, 2), Qt::DisplayRole).toString(), QString::fromUtf8("商品"));

    ui::GridModel grid;
    QAbstractItemModelTester gridTester(&grid,
                                        QAbstractItemModelTester::FailureReportingMode::Fatal);
    grid.setGrid(workbook::Grid::fromRows({{"a", "b"}, {"c"}}));
    EXPECT_EQ(grid.rowCount(), 2);
    EXPECT_EQ(grid.data(grid.index(1, 1), Qt::DisplayRole).toString(), "");
}
