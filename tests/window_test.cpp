#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QHeaderView>
#include <QPlainTextEdit>
#include <QTableView>
#include <QTableWidget>
#include <QToolButton>

#include "datamodule/TSimpleDataMod.h"
#include "forms/TFormTavola.h"
#include "platform/text/Text.h"
#include "support/ScriptedPrompts.h"
#include "support/TestDatabase.h"

using testdata::ScriptedPrompts;
using testdata::TestDatabase;

class WindowTest : public ::testing::Test {
protected:
    TestDatabase database;
    ScriptedPrompts prompts;
    std::unique_ptr<TFormTavola> form;
    std::unique_ptr<TSimpleDataMod> module;

    void SetUp() override {
        database.exec("insert into PRODUCT (PROD_ID, PROD_NAME, CHG_USER, WUID) values ('A1', '甲', 'x', 'w')");
        database.exec("insert into PRODUCT (PROD_ID, PROD_NAME, CHG_USER, WUID) values ('A2', '乙', '#', 'w')");
        database.exec("insert into PRODUCT (PROD_ID, PROD_NAME, CHG_USER, WUID) values ('A3', '丙', '*', 'w')");
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
        module = std::make_unique<TSimpleDataMod>(database.folder(), std::vector<std::string>{}, &prompts);
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
    EXPECT_EQ(form->DBGrid1->model()->headerData(0, Qt::Horizontal).toString(), QString::fromUtf8("商品編號"));
    EXPECT_EQ(form->DBGrid1->model()->headerData(33, Qt::Horizontal).toString(), "WUID");

    const auto& fields = form->CDS_DataMaster().fields();
    int visible = 0, wide = 0;
    int defaultWidth = form->DBGrid1->horizontalHeader()->defaultSectionSize();
    for (int i = 0; i < 34; ++i) {
        bool audit = i >= 27;
        EXPECT_EQ(form->DBGrid1->isColumnHidden(i), audit) << fields[std::size_t(i)].name;
        if (audit) continue;
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
    EXPECT_EQ(form->Memo1->toPlainText(), "Memo1");
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
                    "Database=localhost/3999:" + database.file() + "\r\nuser_name=SYSDBA\r\npassword=x\r\n");
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

int main(int argc, char** argv) {
    // The widgets run offscreen unless the caller picked a platform.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
