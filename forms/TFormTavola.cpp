#include "TFormTavola.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDateTime>
#include <QPushButton>
#include <QShortcut>
#include <QSortFilterProxyModel>
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
#include <filesystem>
#include <optional>

#include "TFormSearchData.h"
#include "datamodule/TSimpleDataMod.h"
#include "exchange/FullModeSave.h"
#include "exchange/ImportCheck.h"
#include "exchange/ProductList.h"
#include "exchange/ProductSave.h"
#include "exchange/ProductWorkbook.h"
#include "exchange/WorkbookImport.h"
#include "platform/Prompts.h"
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

// 12345 as "12,345".
std::string grouped(std::size_t n) {
    std::string digits = std::to_string(n), out;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i && (digits.size() - i) % 3 == 0)
            out += ',';
        out += digits[i];
    }
    return out;
}

std::string seconds(double s) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.1f", s);
    return buf;
}

// Shows only the rows the check marked.
class MarkedRows : public QSortFilterProxyModel {
  public:
    MarkedRows(const dataset::RecordSet* list, QObject* parent)
        : QSortFilterProxyModel(parent), list_(list) {}
    void setOn(bool on) {
        on_ = on;
        invalidateFilter();
    }
    void refilter() { invalidateFilter(); }

  protected:
    bool filterAcceptsRow(int row, const QModelIndex&) const override {
        return !on_ || exchange::rowMark(*list_, std::size_t(row)) != exchange::RowMark::None;
    }

  private:
    const dataset::RecordSet* list_;
    bool on_ = false;
};

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
    markedProxy_ = new MarkedRows(&cdsDataMaster_, this);
    markedProxy_->setSourceModel(model_);
    DBGrid1->setModel(markedProxy_);
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
    // The Part's placeholder line stays out of sight: the list starts empty.
    Memo1->setReadOnly(true);
    Memo1->setMaximumHeight(90);
    Memo1->hide();
    middle->addWidget(DBGrid1);
    middle->addWidget(AdvStringGrid1);
    middle->addWidget(Memo1);
    root->addWidget(Panel2, 1);

    Panel4 = new QFrame(this);
    Panel4->setObjectName("Panel4");
    Panel4->setFixedHeight(96);
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
    MarkedOnly = new QCheckBox(QString::fromUtf8("只顯示標記的列"), Panel4);
    MarkedOnly->setObjectName("MarkedOnly");
    StatusLine = new QLabel(Panel4);
    StatusLine->setObjectName("StatusLine");
    StatusLine->setTextInteractionFlags(Qt::TextSelectableByMouse);
    ProgressText = new QLabel(Panel4);
    ProgressText->setObjectName("ProgressText");
    ProgressText->setMinimumWidth(260);
    CancelButton = new QPushButton(QString::fromUtf8("取消"), Panel4);
    CancelButton->setObjectName("CancelButton");
    CancelButton->setToolTip(QString::fromUtf8("在目前這筆之後停止（Esc）；已完成的部分保留"));
    CancelButton->setEnabled(false);
    row->addWidget(SpeedButton4);
    row->addWidget(SpeedButton6);
    row->addWidget(SpeedButton5);
    row->addSpacing(16);
    row->addWidget(Shape1);
    row->addWidget(Label1);
    row->addSpacing(8);
    row->addWidget(Shape2);
    row->addWidget(Label2);
    row->addSpacing(16);
    row->addWidget(MarkedOnly);
    row->addStretch();
    row->addWidget(CheckBox1);
    bottom->addLayout(row);
    bottom->addWidget(StatusLine);
    bottom->addStretch();
    auto* progressRow = new QHBoxLayout;
    ProgressBar1 = new QProgressBar(Panel4);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->setFixedHeight(16);
    ProgressBar1->setValue(0);
    progressRow->addWidget(ProgressBar1, 1);
    progressRow->addWidget(ProgressText);
    progressRow->addWidget(CancelButton);
    bottom->addLayout(progressRow);
    root->addWidget(Panel4);

    connect(CancelButton, &QPushButton::clicked, this, [this] { cancelRun(); });
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, [this] { cancelRun(); });
    connect(MarkedOnly, &QCheckBox::toggled, this,
            [this](bool on) { static_cast<MarkedRows*>(markedProxy_)->setOn(on); });

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
    if (fullMode()) {
        // Said where it is seen: the title, and the import grid's headings
        // name what each letter holds.
        setWindowTitle(QString::fromUtf8("商品資料匯出匯入輔助工具（完整模式）"));
        static const char* const held[] = {
            "分類代號", "分類名稱", "商品編號", "商品名稱", "商品條碼", "單位",
            "規格",     "售價A",    "售價B",    "售價C",    "成本",     "廠商代號",
            "廠商名稱", "（不讀）", "幣別",     "原幣價格", "（不讀）", "（不讀）",
            "（不讀）", "說明",     "群組",     "裝訂",     "版本",     "關鍵字"};
        std::vector<QString> labels;
        for (std::size_t c = 0; c < std::size(held); ++c)
            labels.push_back(QString::fromStdString(exchange::columnLetters(c) + " " + held[c]));
        gridModel_->setColumnLabels(std::move(labels));
    }
}

bool TFormTavola::fullMode() const {
    return CheckBox1->isChecked();
}

void TFormTavola::closeEvent(QCloseEvent* e) {
    // A running operation first ends at a whole unit; the window stays.
    if (running_) {
        cancelRun();
        e->ignore();
        return;
    }
    QWidget::closeEvent(e);
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
    static_cast<MarkedRows*>(markedProxy_)->refilter();
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


const workbook::Grid& TFormTavola::importGrid() const {
    return gridModel_->grid();
}

db::Connection& TFormTavola::connection() {
    if (!module_)
        throw db::DatabaseError("The data module is not available");
    return module_->SQLConnection1;
}

// A running operation: the action buttons wait, the cancel button and Escape
// stop it at a whole unit, and the bar and its text are cleared at the end
// whichever way it ends.
class TFormTavola::Run {
  public:
    Run(TFormTavola& form, std::string phase) : form_(form) {
        form.running_ = true;
        form.cancel_ = false;
        form.phase_ = std::move(phase);
        form.runTimer_.start();
        for (QToolButton* b : {form.SpeedButton1, form.SpeedButton2, form.SpeedButton3,
                               form.SpeedButton4, form.SpeedButton5, form.SpeedButton6})
            b->setEnabled(false);
        form.CancelButton->setEnabled(true);
        form.ProgressBar1->setValue(0);
        form.ProgressText->setText(QString::fromStdString(form.phase_ + "…"));
        QApplication::setOverrideCursor(Qt::WaitCursor);
    }
    ~Run() {
        QApplication::restoreOverrideCursor();
        for (QToolButton* b : {form_.SpeedButton1, form_.SpeedButton2, form_.SpeedButton3,
                               form_.SpeedButton4, form_.SpeedButton5, form_.SpeedButton6})
            b->setEnabled(true);
        form_.CancelButton->setEnabled(false);
        form_.ProgressBar1->setValue(0);
        form_.ProgressText->clear();
        form_.running_ = false;
    }
    Run(const Run&) = delete;
    Run& operator=(const Run&) = delete;
    double seconds() const { return double(form_.runTimer_.elapsed()) / 1000.0; }
    bool cancelled() const { return form_.cancel_; }

  private:
    TFormTavola& form_;
};

void TFormTavola::cancelRun() {
    if (running_)
        cancel_ = true;
}

void TFormTavola::showStatus(const std::string& text) {
    StatusLine->setText(QString::fromStdString(text));
}

bool TFormTavola::progress(std::size_t position, std::size_t maximum) {
    if (position == 0) {
        ProgressBar1->setMaximum(int(std::max<std::size_t>(maximum, 1)));
        progressStep_ = std::max<std::size_t>(1, maximum / 200);
    }
    auto goOn = [this] { return !cancel_ && !platform::stopRequested(); };
    if (position % progressStep_ != 0 && position != maximum)
        return goOn();
    ProgressBar1->setValue(int(position));
    std::string text = phase_ + "　" + grouped(position) + " / " + grouped(maximum);
    // The time left, once there is enough behind to judge by.
    double elapsed = double(runTimer_.elapsed()) / 1000.0;
    if (running_ && elapsed > 2 && position > 0 && position < maximum) {
        auto left = long(elapsed * double(maximum - position) / double(position) + 0.5);
        text += left >= 60 ? "　約剩 " + std::to_string(left / 60) + " 分 " +
                                 std::to_string(left % 60) + " 秒"
                           : "　約剩 " + std::to_string(left) + " 秒";
    }
    ProgressText->setText(QString::fromStdString(text));
    // All events: the cancel button and Escape are heard; the action buttons
    // are disabled meanwhile.
    QApplication::processEvents();
    return goOn();
}

std::string TFormTavola::placeOf(std::size_t listRow) const {
    std::string key = db::toText(cdsDataMaster_.row(listRow)[cdsDataMaster_.fieldIndex("PROD_ID")]);
    auto it = sheetRowOf_.find(key);
    return (it != sheetRowOf_.end() ? "第 " + std::to_string(it->second) + " 列，" : std::string()) +
           "商品編號 " + key + "：";
}

void TFormTavola::offerFailedRows(std::size_t count,
                                  const std::function<void(const std::string&)>& write) {
    if (count == 0 ||
        !prompts_->confirm("有 " + grouped(count) +
                           " 列沒有存入。要把這些列存成活頁簿（最後一欄寫著原因），修正後再匯入嗎?"))
        return;
    std::string chosen = prompts_->saveFile("", "Microsoft Excel文件 (*.xlsx)", "");
    if (chosen.empty())
        return;
    if (chosen.find('.') == std::string::npos || chosen.rfind('/') > chosen.rfind('.'))
        chosen += ".xlsx";
    write(chosen);
    prompts_->info("未存入的列已存成 " + chosen);
}

void TFormTavola::failureHeading() {
    Memo1->appendPlainText(
        QDateTime::currentDateTime().toString("yyyy/MM/dd hh:mm:ss") + QString::fromUtf8("　") +
        QString::fromStdString(importedFile_.empty() ? std::string("（匯入格）") : importedFile_) +
        QString::fromUtf8("：轉檔失敗的列"));
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
        Run run(*this, "匯出");
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
    // Every format the import reads comes first (the Part's "*.xls" alone
    // would hide .xlsx, .ods and .csv here).
    std::string file = prompts_->openFile(
        "", "Microsoft Excel文件 (*.xls *.xlsx *.xlsm *.ods *.fods *.csv *.xml);;"
            "Microsoft Word文件 (*.doc);;所有檔案 (*.*)");
    if (file.empty() || !text::fileExists(file))
        return;
    std::string name = std::filesystem::path(file).filename().string();
    try {
        Run run(*this, "讀取活頁簿");
        gridModel_->setGrid(workbook::readSheetIsolated(file, "Sheet1"));
        importedFile_ = file;
        if (fullMode()) {
            DBGrid1->hide();
            AdvStringGrid1->show();
            showStatus("匯入 " + name + "：讀取 " + grouped(importGrid().rowCount()) +
                       " 列（完整模式，按資料回存寫入資料庫）");
            return;
        }
        phase_ = "匯入";
        exchange::ImportResult result;
        std::vector<exchange::ImportedRow> imported;
        auto counts = [&] {
            sheetRowOf_.clear();
            for (const auto& r : imported)
                sheetRowOf_[r.key] = r.sheetRow;
            showStatus("匯入 " + name + "：讀取 " + grouped(result.rowsRead) + " 列，加入 " +
                       grouped(result.appended) + " 筆，略過 " + grouped(result.skipped) +
                       " 筆（已在清單中）" + (result.cancelled ? "，已取消" : "") + "，費時 " +
                       seconds(run.seconds()) + " 秒");
        };
        try {
            exchange::importIntoList(
                importGrid(), cdsDataMaster_, result,
                [this](std::size_t p, std::size_t m) { return progress(p, m); }, &imported);
        } catch (...) {
            listChanged();
            counts();
            throw;
        }
        listChanged();
        counts();
        // The rows just added are the ones to look at: brought into view.
        if (result.appended > 0)
            DBGrid1->scrollToBottom();
    } catch (const std::exception& e) {
        prompts_->error(platform::errorText(e));
    }
}

void TFormTavola::SpeedButton6Click() {
    if (fullMode()) {
        prompts_->info("完整模式不需執行此功能.!");
        return;
    }
    Run run(*this, "檢測");
    exchange::CheckResult result;
    try {
        result = exchange::checkList(cdsDataMaster_, connection(),
                                     [this](std::size_t p, std::size_t m) { return progress(p, m); });
    } catch (...) {
        listChanged();
        throw;
    }
    listChanged();
    showStatus("檢測 " + grouped(result.rows) + " 筆：分類代號未建檔（紅）" +
               grouped(result.categoryUnknown) + " 筆，商品代號已建檔（紫）" +
               grouped(result.onFile) + " 筆" + (result.cancelled ? "，已取消" : "") + "，費時 " +
               seconds(run.seconds()) + " 秒");
}

void TFormTavola::SpeedButton5Click() {
    std::string owner = exchange::ownerStamp(appFolder_);
    db::Connection& conn = connection();
    auto step = [this](std::size_t p, std::size_t m) { return progress(p, m); };
    if (fullMode()) {
        exchange::UpsertResult result;
        std::string counts;
        {
            Run run(*this, "回存");
            auto status = [&] {
                counts = "回存（完整模式）：新增 " + grouped(result.inserted) + " 筆，更新 " +
                         grouped(result.updated) + " 筆，失敗 " + grouped(result.failed.size()) +
                         " 筆" + (result.blank ? "，略過空白列 " + grouped(result.blank) + " 列" : "") +
                         (result.cancelled ? "，已取消" : "") + "，費時 " +
                         seconds(run.seconds()) + " 秒";
                showStatus(counts);
            };
            try {
                conn.open();
                exchange::upsertFullMode(importGrid(), conn, owner, result, step);
            } catch (...) {
                status();
                throw;
            }
            status();
        }
        if (!result.failed.empty()) {
            failureHeading();
            for (const auto& f : result.failed)
                Memo1->appendPlainText(QString::fromStdString(exchange::failureText(f)));
            Memo1->show();
        }
        if (result.failed.empty()) {
            prompts_->info("OK");
        } else {
            prompts_->info("OK\n" + std::to_string(result.failed.size()) +
                           " 筆轉檔失敗，清單列於視窗下方。");
            offerFailedRows(result.failed.size(), [&](const std::string& path) {
                exchange::writeFailedSheetRows(importGrid(), result.failed, path);
            });
        }
        return;
    }
    exchange::SaveResult result;
    std::optional<db::DatabaseError> failure;
    {
        Run run(*this, "回存");
        try {
            conn.open(); // the module's owner identifier is loaded on connect
            exchange::saveNewProducts(cdsDataMaster_, conn, module_->wuid(), owner, result, step);
        } catch (const db::DatabaseError& e) {
            if (!result.failedRow)
                throw; // not a product's error (the connection, a refresh)
            failure = e;
        }
        showStatus("回存：已存 " + grouped(result.saved) + " 筆新商品，略過 " +
                   grouped(result.skipped) + " 筆（已建檔）" +
                   (failure ? "，在下一筆停止" : result.cancelled ? "，已取消" : "") + "，費時 " +
                   seconds(run.seconds()) + " 秒");
    }
    if (failure) {
        // The product that stopped the save: where it came from, why, and
        // how many were saved before it.
        std::size_t row = *result.failedRow;
        prompts_->error(platform::errorWithClass("DatabaseError", placeOf(row) + failure->what()) +
                        "\n（停止前已存 " + grouped(result.saved) + " 筆商品）");
        offerFailedRows(cdsDataMaster_.rowCount() - row, [&](const std::string& path) {
            std::vector<std::pair<std::size_t, std::string>> rows;
            rows.push_back({row, exchange::messageLine(failure->what())});
            for (std::size_t r = row + 1; r < cdsDataMaster_.rowCount(); ++r)
                rows.push_back({r, "未處理：在停止的那一筆之後"});
            exchange::writeFailedProducts(cdsDataMaster_, rows, path);
        });
        return;
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
