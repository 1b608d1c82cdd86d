#include "TFormTavola.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDesktopServices>
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QScreen>
#include <QTableView>
#include <QTableWidget>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

#include "TFormSearchData.h"
#include "datamodule/TSimpleDataMod.h"
#include "exchange/FullModeSave.h"
#include "exchange/ImportCheck.h"
#include "exchange/ProductList.h"
#include "exchange/ProductSave.h"
#include "exchange/ProductWorkbook.h"
#include "exchange/WorkbookImport.h"
#include "platform/StopSignals.h"
#include "platform/text/Text.h"
#include "platform/ui/GridModel.h"
#include "platform/ui/RecordSetModel.h"
#include "platform/workbook/SheetReaderProcess.h"

namespace {

QToolButton* speedButton(const char* caption, QWidget* parent) {
    auto* b = new QToolButton(parent);
    b->setText(QString::fromUtf8(caption));
    b->setAutoRaise(true);
    b->setToolButtonStyle(Qt::ToolButtonTextOnly);
    b->setMinimumSize(96, 30);
    return b;
}

QFrame* shape(const QColor& c, QWidget* parent) {
    auto* s = new QFrame(parent);
    s->setFixedSize(16, 16);
    s->setAutoFillBackground(true);
    QPalette p = s->palette();
    p.setColor(QPalette::Window, c);
    s->setPalette(p);
    s->setFrameShape(QFrame::Box);
    return s;
}

} // namespace

TFormTavola::TFormTavola(std::string appFolder, platform::Prompts* prompts, QWidget* parent)
    : QWidget(parent), appFolder_(std::move(appFolder)), prompts_(prompts) {
    setWindowTitle(QString::fromUtf8("商品資料匯出匯入輔助工具"));
    QFont f;
    f.setFamilies(
        {QString::fromUtf8("新細明體"), "PMingLiU", "Noto Sans CJK TC", "Noto Sans CJK SC"});
    f.setPixelSize(13);
    setFont(f);
    resize(714, 416);

    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);
    root->setSpacing(0);

    Panel1 = new QFrame(this);
    Panel1->setObjectName("Panel1");
    Panel1->setFixedHeight(41);
    Panel1->setFrameShape(QFrame::StyledPanel);
    auto* top = new QHBoxLayout(Panel1);
    top->setContentsMargins(4, 4, 4, 4);
    SpeedButton1 = speedButton("所有資料", Panel1);
    SpeedButton2 = speedButton("條件篩選", Panel1);
    SpeedButton3 = speedButton("匯出至Excel", Panel1);
    top->addWidget(SpeedButton1);
    top->addWidget(SpeedButton2);
    top->addWidget(SpeedButton3);
    top->addStretch();
    root->addWidget(Panel1);

    Panel2 = new QFrame(this);
    Panel2->setObjectName("Panel2");
    auto* middle = new QVBoxLayout(Panel2);
    middle->setContentsMargins(0, 0, 0, 0);
    DBGrid1 = new QTableView(Panel2);
    model_ = new ui::RecordSetModel(&cdsDataMaster_, this);
    model_->setRowColor([this](std::size_t row) { return rowColor(row); });
    DBGrid1->setModel(model_);
    DBGrid1->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    DBGrid1->verticalHeader()->setDefaultSectionSize(20);
    DBGrid1->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    DBGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    AdvStringGrid1 = new QTableView(Panel2);
    gridModel_ = new ui::GridModel(this);
    AdvStringGrid1->setModel(gridModel_);
    AdvStringGrid1->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    AdvStringGrid1->verticalHeader()->setDefaultSectionSize(20);
    AdvStringGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    AdvStringGrid1->hide();
    Memo1 = new QPlainTextEdit(Panel2);
    Memo1->setPlainText("Memo1");
    Memo1->setReadOnly(true);
    Memo1->setMaximumHeight(90);
    Memo1->hide();
    middle->addWidget(DBGrid1);
    middle->addWidget(AdvStringGrid1);
    middle->addWidget(Memo1);
    root->addWidget(Panel2, 1);

    Panel4 = new QFrame(this);
    Panel4->setObjectName("Panel4");
    Panel4->setFixedHeight(72);
    Panel4->setFrameShape(QFrame::StyledPanel);
    auto* bottom = new QVBoxLayout(Panel4);
    bottom->setContentsMargins(4, 4, 4, 0);
    bottom->setSpacing(2);
    auto* row = new QHBoxLayout;
    SpeedButton4 = speedButton("匯入從Excel", Panel4);
    SpeedButton6 = speedButton("資料檢測", Panel4);
    SpeedButton5 = speedButton("資料回存", Panel4);
    SpeedButton5->setToolTip(QString::fromUtf8("資料存檔只針對商品未建檔資料匯入"));
    Shape1 = shape(QColor(255, 0, 0), Panel4);
    Label1 = new QLabel(QString::fromUtf8("分類代號未建檔"), Panel4);
    Shape2 = shape(QColor(255, 0, 255), Panel4);
    Label2 = new QLabel(QString::fromUtf8("商品代號已建檔"), Panel4);
    CheckBox1 = new QCheckBox("Full Mode", Panel4);
    CheckBox1->hide();
    row->addWidget(SpeedButton4);
    row->addWidget(SpeedButton6);
    row->addWidget(SpeedButton5);
    row->addSpacing(16);
    row->addWidget(Shape1);
    row->addWidget(Label1);
    row->addSpacing(8);
    row->addWidget(Shape2);
    row->addWidget(Label2);
    row->addStretch();
    row->addWidget(CheckBox1);
    bottom->addLayout(row);
    bottom->addStretch();
    ProgressBar1 = new QProgressBar(Panel4);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->setFixedHeight(16);
    ProgressBar1->setValue(0);
    bottom->addWidget(ProgressBar1);
    root->addWidget(Panel4);

    connect(SpeedButton1, &QToolButton::clicked, this,
            [this] { guarded([this] { SpeedButton1Click(); }); });
    connect(SpeedButton2, &QToolButton::clicked, this,
            [this] { guarded([this] { SpeedButton2Click(); }); });
    connect(SpeedButton3, &QToolButton::clicked, this,
            [this] { guarded([this] { SpeedButton3Click(); }); });
    connect(SpeedButton4, &QToolButton::clicked, this,
            [this] { guarded([this] { SpeedButton4Click(); }); });
    connect(SpeedButton5, &QToolButton::clicked, this,
            [this] { guarded([this] { SpeedButton5Click(); }); });
    connect(SpeedButton6, &QToolButton::clicked, this,
            [this] { guarded([this] { SpeedButton6Click(); }); });

    if (QScreen* s = QApplication::primaryScreen()) {
        QRect r = s->availableGeometry();
        move(r.center() - rect().center());
    }
    FormCreate();
}

// The grid and its model go first: they read the product list, a member that
// is destroyed before the base class deletes the child widgets.
TFormTavola::~TFormTavola() {
    delete DBGrid1;
    delete model_;
    delete AdvStringGrid1;
    delete gridModel_;
}

void TFormTavola::setDataModule(TSimpleDataMod* module) {
    module_ = module;
    SQLQuery1.setConnection(module ? &module->SQLConnection1 : nullptr);
    cdsDataMaster_.setConnection(module ? &module->SQLConnection1 : nullptr);
}

void TFormTavola::FormCreate() {
    cdsDataMaster_.setFields(exchange::productListFields());
    CheckBox1->setChecked(exchange::fullModeMarkerPresent(appFolder_));
}

bool TFormTavola::fullMode() const {
    return CheckBox1->isChecked();
}

void TFormTavola::showEvent(QShowEvent* e) {
    QWidget::showEvent(e);
    if (shown_)
        return;
    shown_ = true;
    guarded([this] { FormShow(); });
}

void TFormTavola::FormShow() {
    if (!fullMode())
        SpeedButton1Click();
}

void TFormTavola::SpeedButton1Click() {
    try {
        exchange::loadAll(cdsDataMaster_);
    } catch (...) {
        listChanged();
        throw;
    }
    listChanged();
    auto layout = exchange::loadAllLayout(cdsDataMaster_);
    for (std::size_t i = 0; i < layout.size(); ++i) {
        DBGrid1->setColumnHidden(int(i), !layout[i].visible);
        if (layout[i].visible && layout[i].width > 0)
            DBGrid1->setColumnWidth(int(i), layout[i].width);
    }
}

// The grid keeps its column layout (set by load-all) across a reload.
void TFormTavola::listChanged() {
    QByteArray layout = DBGrid1->horizontalHeader()->saveState();
    model_->reload();
    DBGrid1->horizontalHeader()->restoreState(layout);
}

QColor TFormTavola::rowColor(std::size_t row) const {
    switch (exchange::rowMark(cdsDataMaster_, row)) {
    case exchange::RowMark::OnFile:
        return QColor(255, 0, 255);
    case exchange::RowMark::CategoryUnknown:
        return QColor(255, 0, 0);
    default:
        return {};
    }
}

void TFormTavola::guarded(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const std::exception& e) {
        if (prompts_)
            prompts_->error(e.what());
    }
}

namespace {

// The hourglass for the length of an action, restored however it ends.
struct WaitCursor {
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};

} // namespace

const workbook::Grid& TFormTavola::importGrid() const {
    return gridModel_->grid();
}

db::Connection& TFormTavola::connection() {
    if (!module_)
        throw db::DatabaseError("The data module is not available");
    return module_->SQLConnection1;
}

bool TFormTavola::progress(std::size_t position, std::size_t maximum) {
    if (position == 0) {
        ProgressBar1->setMaximum(int(maximum));
        progressStep_ = std::max<std::size_t>(1, maximum / 200);
    }
    if (position % progressStep_ != 0 && position != maximum)
        return !platform::stopRequested();
    ProgressBar1->setValue(int(position));
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    return !platform::stopRequested();
}

void TFormTavola::SpeedButton3Click() {
    std::string chosen =
        prompts_->saveFile("", "Microsoft Excel文件 (*.xls);;Microsoft Word文件 (*.doc)", "");
    auto name = exchange::exportFileName(chosen);
    if (!name)
        return;
    // The ".xls" of the name rule is added after the dialog closed, so the
    // dialog never asked about this name.
    if (text::fileExists(*name) && !prompts_->confirm("檔案 " + *name + " 已經存在，要取代它嗎?"))
        return;
    {
        WaitCursor wait;
        QGuiApplication::clipboard()->setText(
            QString::fromStdString(exchange::transferText(cdsDataMaster_)));
        exchange::writeProductWorkbook(cdsDataMaster_, *name);
        QApplication::processEvents();
    }
    if (prompts_->confirm("活頁簿已存成 " + *name + "\n要用試算表程式開啟嗎?"))
        QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(*name)));
}

void TFormTavola::SpeedButton4Click() {
    if (!prompts_->confirm("確定由Excel檔異動資料. ?"))
        return;
    std::string file = prompts_->openFile(
        "", "Microsoft Excel文件 (*.xls);;Microsoft Word文件 (*.doc);;所有檔案 (*.*)");
    if (file.empty() || !text::fileExists(file))
        return;
    try {
        WaitCursor wait;
        gridModel_->setGrid(workbook::readSheetIsolated(file, "Sheet1"));
        if (fullMode()) {
            DBGrid1->hide();
            AdvStringGrid1->show();
            return;
        }
        exchange::ImportResult result;
        try {
            exchange::importIntoList(
                importGrid(), cdsDataMaster_, result,
                [this](std::size_t p, std::size_t m) { return progress(p, m); });
        } catch (...) {
            listChanged();
            throw;
        }
        listChanged();
    } catch (const std::exception& e) {
        prompts_->error(platform::errorText(e));
    }
}

void TFormTavola::SpeedButton6Click() {
    if (fullMode()) {
        prompts_->info("完整模式不需執行此功能.!");
        return;
    }
    WaitCursor wait;
    try {
        exchange::checkList(cdsDataMaster_, connection(),
                            [this](std::size_t p, std::size_t m) { return progress(p, m); });
    } catch (...) {
        listChanged();
        throw;
    }
    listChanged();
}

void TFormTavola::SpeedButton5Click() {
    std::string owner = exchange::ownerStamp(appFolder_);
    db::Connection& conn = connection();
    auto step = [this](std::size_t p, std::size_t m) { return progress(p, m); };
    if (fullMode()) {
        exchange::UpsertResult result;
        {
            WaitCursor wait;
            conn.open();
            exchange::upsertFullMode(importGrid(), conn, owner, result, step);
        }
        for (const auto& f : result.failed)
            Memo1->appendPlainText(QString::fromStdString(exchange::failureText(f)));
        if (result.failed.empty()) {
            prompts_->info("OK");
        } else {
            Memo1->show();
            prompts_->info("OK\n" + std::to_string(result.failed.size()) +
                           " 筆轉檔失敗，清單列於視窗下方。");
        }
        return;
    }
    exchange::SaveResult result;
    {
        WaitCursor wait;
        conn.open(); // the module's owner identifier is loaded on connect
        exchange::saveNewProducts(cdsDataMaster_, conn, module_->wuid(), owner, result, step);
    }
    prompts_->warning("資料匯入完成..!");
}

void TFormTavola::SpeedButton2Click() {
    std::string select = exchange::selectList(cdsDataMaster_);
    DS_Search.dataSet = &cdsDataMaster_;
    TFormSearchData* dialog = TFormSearchData::init(appFolder_, prompts_, this);
    dialog->setConnection(SQLQuery1.connection());
    dialog->DS = &DS_Search;
    dialog->sTableName = "PRODUCT";
    dialog->TB = &cdsDataMaster_;
    dialog->sSelectField = select;
    dialog->sSQLString = " ORDER BY PROD_ID";
    bool confirmed = dialog->SHOW();
    listChanged(); // the dialog may have sorted the list
    if (!confirmed)
        return;
    std::string searched = dialog->GetSQLText();
    std::vector<std::string> ids = text::splitLines(dialog->GetMutiValue("PROD_ID"));
    DS_Search.dataSet = &cdsDataMaster_;
    // The picked rows win over the search; with neither, the list reopens with
    // its previous statement.
    std::vector<std::string> statements = !ids.empty() ? exchange::selectedProductsSql(select, ids)
                                          : !searched.empty() ? std::vector<std::string>{searched}
                                                              : cdsDataMaster_.commandTexts();
    // The list is replaced only once the new rows have been read: a failing
    // statement leaves the list (and rows imported into it) as it was.
    try {
        cdsDataMaster_.reopenWith(statements);
    } catch (...) {
        listChanged();
        throw;
    }
    listChanged();
}
