#include "TFormSearchData.h"

#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>
#include <cmath>
#include <filesystem>

#include "platform/text/Text.h"
#include "platform/ui/RecordSetModel.h"
#include "search/SearchSettings.h"

TFormSearchData* FormSearchData = nullptr;

namespace {

QString q(const std::string& s) {
    return QString::fromStdString(s);
}

QToolButton* toolButton(const char* caption, QWidget* parent) {
    auto* b = new QToolButton(parent);
    b->setText(QString::fromUtf8(caption));
    b->setAutoRaise(true);
    return b;
}

QPushButton* navButton(const char* caption, const char* hint, QWidget* parent) {
    auto* b = new QPushButton(QString::fromUtf8(caption), parent);
    b->setToolTip(QString::fromUtf8(hint));
    b->setAutoDefault(false);
    return b;
}

} // namespace

TFormSearchData::TFormSearchData(std::string appFolder, platform::Prompts* prompts, QWidget* parent)
    : QDialog(parent), appFolder_(std::move(appFolder)), prompts_(prompts) {
    setWindowTitle(QString::fromUtf8("資料查詢擷取"));
    setModal(true);
    QFont f;
    f.setFamilies(
        {QString::fromUtf8("新細明體"), "PMingLiU", "Noto Sans CJK TC", "Noto Sans CJK SC"});
    f.setPixelSize(13);
    setFont(f);

    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);
    root->setSpacing(0);

    Panel1 = new QFrame(this);
    Panel1->setAutoFillBackground(true);
    QPalette white = Panel1->palette();
    white.setColor(QPalette::Window, Qt::white);
    Panel1->setPalette(white);
    // Two rows: what a condition is made of, then what to do with it.
    auto* rows = new QVBoxLayout(Panel1);
    auto* panel = new QHBoxLayout;
    auto* actions = new QHBoxLayout;
    rows->addLayout(panel);
    rows->addLayout(actions);
    auto* columnBox = new QVBoxLayout;
    auto* columnLabel = new QLabel(QString::fromUtf8("搜尋欄位選擇"), Panel1);
    columnLabel->setStyleSheet("color: blue");
    ComboBox1 = new QComboBox(Panel1);
    ComboBox1->setMinimumWidth(140);
    columnBox->addWidget(columnLabel);
    columnBox->addWidget(ComboBox1);
    panel->addLayout(columnBox);

    RadioGroup1 = new QGroupBox(Panel1);
    auto* matchLayout = new QHBoxLayout(RadioGroup1);
    matchGroup = new QButtonGroup(this);
    int id = 0;
    for (const char* m : {"完全", "字首", "其中有"}) {
        auto* rb = new QRadioButton(QString::fromUtf8(m), RadioGroup1);
        matchGroup->addButton(rb, id++);
        matchLayout->addWidget(rb);
        rb->installEventFilter(this);
    }
    matchGroup->button(0)->setChecked(true);
    panel->addWidget(RadioGroup1);

    Edit1 = new QLineEdit(Panel1);
    Edit1->setToolTip(QString::fromUtf8("輸入關鍵字後按 Enter 尋找"));
    Edit1->setPlaceholderText(QString::fromUtf8("輸入關鍵字後按 Enter 尋找"));
    Edit1->installEventFilter(this);
    panel->addWidget(Edit1, 1);

    RadioGroup2 = new QGroupBox(Panel1);
    new QHBoxLayout(RadioGroup2);
    connectiveGroup = new QButtonGroup(this);
    panel->addWidget(RadioGroup2);

    SpeedButton3 = toolButton("加入條件", Panel1);
    SpeedButton1 = toolButton("開始尋找", Panel1);
    SpeedButton2 = toolButton("條件重設", Panel1);
    SpeedButton2->setToolTip(QString::fromUtf8("重設條件"));
    actions->addWidget(SpeedButton3);
    actions->addWidget(SpeedButton1);
    actions->addWidget(SpeedButton2);

    DBGridSQL = new QTableView(Panel1);
    conditionModel_ = new ui::RecordSetModel(&conditions.CDS_SQL, this);
    DBGridSQL->setModel(conditionModel_);
    DBGridSQL->horizontalHeader()->hide();
    DBGridSQL->verticalHeader()->hide();
    DBGridSQL->setEditTriggers(QAbstractItemView::NoEditTriggers);
    DBGridSQL->setFixedSize(260, 60);
    for (int c : {0, 1, 2})
        DBGridSQL->setColumnHidden(c, true);
    DBGridSQL->setColumnWidth(3, 80);
    DBGridSQL->setColumnWidth(4, 80);
    actions->addWidget(DBGridSQL);

    auto* nav = new QVBoxLayout;
    auto* navRow = new QHBoxLayout;
    dbSBtnFirst = navButton("首筆", "首筆記錄", Panel1);
    dbSBtnPrior = navButton("前筆", "前筆記錄", Panel1);
    dbSBtnNext = navButton("次筆", "次筆記錄", Panel1);
    dbSBtnLast = navButton("末筆", "末筆記錄", Panel1);
    for (auto* b : {dbSBtnFirst, dbSBtnPrior, dbSBtnNext, dbSBtnLast})
        navRow->addWidget(b);
    nav->addLayout(navRow);
    Memo1 = new QPlainTextEdit(Panel1);
    Memo1->setReadOnly(true);
    Memo1->setFixedHeight(28);
    Memo1->setStyleSheet("background-color: rgb(221, 219, 253)");
    Memo1->setPlainText("");
    nav->addWidget(Memo1);
    actions->addLayout(nav);
    actions->addStretch();
    root->addWidget(Panel1);

    auto* middle = new QHBoxLayout;
    middle->setContentsMargins(8, 4, 8, 4);
    DBGrid1 = new QTableView(this);
    resultModel_ = new ui::RecordSetModel(nullptr, this);
    DBGrid1->setModel(resultModel_);
    DBGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    DBGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    DBGrid1->setSelectionMode(QAbstractItemView::ExtendedSelection);
    DBGrid1->setShowGrid(false);
    DBGrid1->setAlternatingRowColors(true);
    QPalette alt = DBGrid1->palette();
    alt.setColor(QPalette::AlternateBase, QColor(255, 255, 128));
    DBGrid1->setPalette(alt);
    DBGrid1->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    DBGrid1->horizontalHeader()->setSectionsClickable(true);
    DBGrid1->horizontalHeader()->setSectionsMovable(true);
    DBGrid1->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    DBGrid1->verticalHeader()->setDefaultSectionSize(20);
    DBGrid1->installEventFilter(this);
    DBGrid1->viewport()->installEventFilter(this);
    connect(DBGrid1->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this] { currentRowChanged(); });
    middle->addWidget(DBGrid1);
    root->addLayout(middle, 1);

    auto* bottom = new QHBoxLayout;
    bottom->setContentsMargins(8, 4, 8, 8);
    SearchEdit1 = new QLineEdit(this);
    SearchEdit1->setMaximumWidth(200);
    bottom->addWidget(SearchEdit1);
    bottom->addStretch();
    BTCMDOK = new QPushButton(QString::fromUtf8("確定&Y"), this);
    BDCMDNOT = new QPushButton(QString::fromUtf8("取消&C"), this);
    BTCMDOKALL = new QPushButton(QString::fromUtf8("全選"), this);
    BTCMDCLRALL = new QPushButton(QString::fromUtf8("重選"), this);
    for (auto* b : {BTCMDOK, BDCMDNOT, BTCMDOKALL, BTCMDCLRALL}) {
        b->setAutoDefault(false);
        bottom->addWidget(b);
    }
    root->addLayout(bottom);

    ComboBox1->installEventFilter(this);
    CDS_Query.setConnection(nullptr);
    setConnectives();

    auto wire = [this](auto* sender, auto signal, void (TFormSearchData::*slot)()) {
        connect(sender, signal, this, [this, slot] { guarded([this, slot] { (this->*slot)(); }); });
    };
    wire(SpeedButton3, &QToolButton::clicked, &TFormSearchData::SpeedButton3Click);
    wire(SpeedButton1, &QToolButton::clicked, &TFormSearchData::SpeedButton1Click);
    wire(SpeedButton2, &QToolButton::clicked, &TFormSearchData::SpeedButton2Click);
    wire(BTCMDOK, &QPushButton::clicked, &TFormSearchData::confirm);
    wire(BDCMDNOT, &QPushButton::clicked, &TFormSearchData::cancel);
    connect(BTCMDOKALL, &QPushButton::clicked, DBGrid1, &QTableView::selectAll);
    connect(BTCMDCLRALL, &QPushButton::clicked, DBGrid1, &QTableView::clearSelection);
    connect(DBGrid1, &QTableView::doubleClicked, this, [this] { confirm(); });
    connect(DBGrid1->horizontalHeader(), &QHeaderView::sectionClicked, this,
            [this](int c) { guarded([this, c] { titleClicked(c); }); });
    connect(SearchEdit1, &QLineEdit::textEdited, this,
            [this](const QString& t) { incrementalSearch(t); });
    auto move = [this](void (dataset::RecordSet::*step)()) {
        if (!shown() || shown()->isEmpty())
            return;
        (shown()->*step)();
        DBGrid1->setCurrentIndex(resultModel_->index(int(shown()->recNo()), 0));
        updateNavigation();
    };
    connect(dbSBtnFirst, &QPushButton::clicked, this, [move] { move(&dataset::RecordSet::first); });
    connect(dbSBtnPrior, &QPushButton::clicked, this, [move] { move(&dataset::RecordSet::prior); });
    connect(dbSBtnNext, &QPushButton::clicked, this, [move] { move(&dataset::RecordSet::next); });
    connect(dbSBtnLast, &QPushButton::clicked, this, [move] { move(&dataset::RecordSet::last); });
    connect(qApp, &QApplication::focusChanged, this,
            [this](QWidget* was, QWidget* now) { radioLeft(was, now); });
}

TFormSearchData::~TFormSearchData() {
    if (FormSearchData == this)
        FormSearchData = nullptr;
    delete DBGrid1;
    delete DBGridSQL;
}

TFormSearchData* TFormSearchData::init(std::string appFolder, platform::Prompts* prompts,
                                       QWidget* parent) {
    FormSearchData = new TFormSearchData(std::move(appFolder), prompts, parent);
    return FormSearchData;
}

void TFormSearchData::setConnection(db::Connection* c) {
    CDS_Query.setConnection(c);
}

void TFormSearchData::guarded(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const std::exception& e) {
        if (prompts_)
            prompts_->error(e.what());
    }
}

int TFormSearchData::matchMode() const {
    return matchGroup->checkedId() < 0 ? 0 : matchGroup->checkedId();
}

void TFormSearchData::setMatchMode(int index) {
    if (auto* b = matchGroup->button(index))
        b->setChecked(true);
}

std::vector<std::string> TFormSearchData::connectiveItems() const {
    std::vector<std::string> out;
    for (auto* b : connectiveGroup->buttons())
        out.push_back(b->text().toStdString());
    return out;
}

void TFormSearchData::setConnectives() {
    for (auto* b : connectiveGroup->buttons()) {
        connectiveGroup->removeButton(b);
        delete b;
    }
    int id = 0;
    for (const auto& item : conditions.connectiveItems()) {
        auto* rb = new QRadioButton(q(item), RadioGroup2);
        rb->installEventFilter(this);
        connectiveGroup->addButton(rb, id++);
        RadioGroup2->layout()->addWidget(rb);
    }
    connectiveGroup->button(0)->setChecked(true);
    conditionModel_->reload();
}

bool TFormSearchData::SHOW() {
    result_ = false; // each use starts with "no"
    opened_ = false;
    closed_ = false;
    exec();
    deleteLater();
    return result_;
}

void TFormSearchData::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    if (opened_)
        return; // the opening steps run once per SHOW
    opened_ = true;
    guarded([this] { opening(); });
}

void TFormSearchData::opening() {
    Panel1->setVisible(!iHideSearch);
    QRect screen = QApplication::primaryScreen() ? QApplication::primaryScreen()->geometry()
                                                 : QRect(0, 0, 1024, 768);
    auto s =
        search::loadWindowSettings(settingsFile(), sTableName, screen.width(), screen.height());
    // The stored size is the outer size of the window.
    QSize frame = frameGeometry().size() - geometry().size();
    resize(s.width - frame.width(), s.height - frame.height());
    move(s.left, s.top);
    rememberedColumn_ = s.combo;
    setMatchMode(s.radio);
    Edit1->setText(q(sSearchWord));
    showDataSet(TB);
    if (auto layout = TB ? search::loadGridLayout(layoutFile(), TB->fieldCount())
                         : std::vector<search::GridColumn>{};
        !layout.empty()) {
        auto* header = DBGrid1->horizontalHeader();
        for (std::size_t visual = 0; visual < layout.size(); ++visual) {
            int logical = TB->findField(layout[visual].field);
            if (logical < 0)
                continue;
            header->moveSection(header->visualIndex(logical), int(visual));
            if (layout[visual].width > 0)
                header->resizeSection(logical, layout[visual].width);
            header->setSectionHidden(logical, !layout[visual].visible);
        }
    }
    fillColumnLists();
    ComboBox1->setCurrentIndex(
        rememberedColumn_ >= 0 && rememberedColumn_ < ComboBox1->count() ? rememberedColumn_ : -1);
    searchField_ = TB && TB->fieldCount() > 0 ? 0 : -1;
    SQLQuery1.setConnection(CDS_Query.connection());
    if (!iHideSearch)
        Edit1->setFocus();
    if (!Edit1->text().isEmpty())
        SpeedButton1Click();
}

void TFormSearchData::fillColumnLists() {
    ComboBox1->clear();
    ComboBox2.clear();
    if (!TB)
        return;
    for (const auto& f : TB->fields()) {
        ComboBox1->addItem(q(f.label()));
        ComboBox2.push_back(f.name);
    }
}

void TFormSearchData::showDataSet(dataset::RecordSet* set) {
    if (DS)
        DS->dataSet = set;
    resultModel_->setRecordSet(set);
    updateNavigation();
}

void TFormSearchData::SpeedButton3Click() {
    int i = ComboBox1->currentIndex();
    if (i < 0 || std::size_t(i) >= ComboBox2.size())
        return; // no column selected: nothing to add
    auto* chosen = connectiveGroup->checkedButton();
    conditions.add(chosen ? chosen->text().toStdString() : "首要", ComboBox2[std::size_t(i)],
                   ComboBox1->itemText(i).toStdString(), search::MatchMode(matchMode()),
                   Edit1->text().toStdString());
    setConnectives();
}

void TFormSearchData::SpeedButton1Click() {
    searchField_ = -1;
    if (conditions.count() == 0)
        SpeedButton3Click();
    if (sSelectField.empty())
        sSelectField = " * ";
    queryLines = conditions.composeLines(sSelectField, sTableName, sSQLString);
    CDS_Query.close();
    CDS_Query.setCommandText(text::joinLines(queryLines));
    CDS_Query.open(); // a refused query leaves CDS_Query closed; the handler shows the error
    auto titles = [this] {
        for (int i = 0; i < ComboBox1->count() && std::size_t(i) < CDS_Query.fieldCount(); ++i)
            CDS_Query.field(std::size_t(i)).displayLabel = ComboBox1->itemText(i).toStdString();
    };
    titles();
    if (!CDS_Query.isEmpty()) {
        showDataSet(&CDS_Query);
        if (sTableName == "PRODUCT")
            showStock();
    } else {
        if (shown() == &CDS_Query)
            showDataSet(&CDS_Query);
        prompts_->info("找不到該條件資料!");
    }
}

void TFormSearchData::SpeedButton2Click() {
    Edit1->clear();
    showDataSet(TB);
    // The search box follows a column of the rows shown, which are the
    // caller's again: back to their first field, as on opening.
    searchField_ = TB && TB->fieldCount() > 0 ? 0 : -1;
    fillColumnLists();
    conditions.reset();
    setConnectives();
}

void TFormSearchData::confirm() {
    result_ = true;
    accept();
}

void TFormSearchData::cancel() {
    result_ = false;
    reject();
}

void TFormSearchData::done(int r) {
    if (!closed_) {
        closed_ = true;
        guarded([this] { closing(); });
    }
    QDialog::done(r);
}

void TFormSearchData::closing() {
    search::WindowSettings s;
    QRect frame = frameGeometry();
    s.width = frame.width();
    s.height = frame.height();
    s.top = frame.top();
    s.left = frame.left();
    s.combo = ComboBox1->currentIndex();
    s.radio = matchMode();
    s.edit = Edit1->text().toStdString();
    search::saveWindowSettings(settingsFile(), sTableName, s);
    std::vector<search::GridColumn> layout;
    if (auto* set = shown()) {
        auto* header = DBGrid1->horizontalHeader();
        for (int visual = 0; visual < header->count(); ++visual) {
            int logical = header->logicalIndex(visual);
            if (std::size_t(logical) >= set->fieldCount())
                continue;
            layout.push_back({set->fields()[std::size_t(logical)].name,
                              header->sectionSize(logical), !header->isSectionHidden(logical)});
        }
    }
    search::saveGridLayout(layoutFile(), layout);
    std::error_code ec;
    std::filesystem::remove(appFolder_ + "Search.ini", ec);
    queryLines.clear();
}

std::string TFormSearchData::GetSQLText() const {
    return CDS_Query.commandText().empty() ? std::string() : text::trim(CDS_Query.commandText());
}

std::string TFormSearchData::GetMutiValue(const std::string& FNAME) {
    std::string out;
    dataset::RecordSet* set = shown();
    if (!set || !DBGrid1->selectionModel())
        return out;
    for (const QModelIndex& index : DBGrid1->selectionModel()->selectedRows()) {
        set->moveTo(std::size_t(index.row()));
        out += set->asString(FNAME) + "\r\n";
    }
    return out;
}

std::optional<db::Value> TFormSearchData::GetValue(const std::string& FName) const {
    dataset::RecordSet* set = shown();
    if (!set || set->findField(FName) < 0)
        return std::nullopt;
    return set->value(FName);
}

std::string TFormSearchData::GetValues(const std::string& FName1, const std::string& FName2) const {
    dataset::RecordSet* set = shown();
    std::string out;
    if (set && set->findField(FName1) >= 0)
        out = set->asString(FName1);
    if (set && set->findField(FName2) >= 0)
        out += "|" + set->asString(FName2);
    return out;
}

void TFormSearchData::currentRowChanged() {
    dataset::RecordSet* set = shown();
    if (!set)
        return;
    QModelIndex cur = DBGrid1->currentIndex();
    if (cur.isValid())
        set->moveTo(std::size_t(cur.row()));
    updateNavigation();
    if (searchField_ >= 0 && std::size_t(searchField_) < set->fieldCount() &&
        !SearchEdit1->hasFocus() && !set->isEmpty()) {
        SearchEdit1->setText(q(db::toText(set->row(set->recNo())[std::size_t(searchField_)])));
        SearchEdit1->selectAll();
    }
    if (set == &CDS_Query && sTableName == "PRODUCT")
        guarded([this] { showStock(); });
}

void TFormSearchData::updateNavigation() {
    dataset::RecordSet* set = shown();
    bool usable = set && set->active() && !set->isEmpty() && !set->editing();
    bool atStart = !usable || set->recNo() == 0;
    bool atEnd = !usable || set->recNo() + 1 >= set->rowCount();
    dbSBtnFirst->setEnabled(!atStart);
    dbSBtnPrior->setEnabled(!atStart);
    dbSBtnNext->setEnabled(!atEnd);
    dbSBtnLast->setEnabled(!atEnd);
}

// The stock of a product of the shown rows, bound by its number.
void TFormSearchData::showStock(int row) {
    dataset::RecordSet* set = shown();
    if (sTableName != "PRODUCT" || !set || set->isEmpty() || set->findField("PROD_ID") < 0)
        return;
    std::size_t r =
        row >= 0 && std::size_t(row) < set->rowCount() ? std::size_t(row) : set->recNo();
    SQLQuery1.close();
    SQLQuery1.setSql("SELECT NOW_QTY FROM PRODUCT2 WHERE PROD_ID = :PROD_ID");
    SQLQuery1.setKeyLookup(true);
    SQLQuery1.setString("PROD_ID", db::toText(set->row(r)[set->fieldIndex("PROD_ID")]));
    SQLQuery1.open();
    std::string line = "現有庫存:";
    if (!SQLQuery1.eof())
        line += SQLQuery1.asString("NOW_QTY");
    SQLQuery1.close();
    Memo1->setPlainText(q(line));
}

void TFormSearchData::titleClicked(int column) {
    dataset::RecordSet* set = shown();
    if (!set || column < 0 || std::size_t(column) >= set->fieldCount())
        return;
    std::string field = set->fields()[std::size_t(column)].name;
    set->setIndexName("idIndex", field);
    resultModel_->reload();
    searchField_ = column;
    SearchEdit1->setFocus();
}

void TFormSearchData::incrementalSearch(const QString& t) {
    dataset::RecordSet* set = shown();
    if (!set || searchField_ < 0 || std::size_t(searchField_) >= set->fieldCount() || t.isEmpty())
        return;
    std::string wanted = t.toLower().toStdString();
    for (std::size_t r = 0; r < set->rowCount(); ++r) {
        QString v = q(db::toText(set->row(r)[std::size_t(searchField_)])).toLower();
        if (v.toStdString().rfind(wanted, 0) == 0) {
            set->moveTo(r);
            DBGrid1->setCurrentIndex(resultModel_->index(int(r), searchField_));
            return;
        }
    }
}

void TFormSearchData::keywordEnter() {
    if (Edit1->text().isEmpty())
        return;
    if (conditions.count() == 1) {
        conditions.removeAll();
        setConnectives();
    }
    SpeedButton1Click();
    DBGrid1->setFocus();
}

// Leaving either radio group for another control of this dialog, with a
// keyword and a column on screen, runs the search. The focus moving to a
// message box or to another window is not leaving the group.
void TFormSearchData::radioLeft(QWidget* was, QWidget* now) {
    auto inside = [](QWidget* w, QWidget* box) { return w && box->isAncestorOf(w); };
    if (!isVisible() || !was || !now || now->window() != this || was->window() != this)
        return;
    for (QGroupBox* box : {RadioGroup1, RadioGroup2})
        if (inside(was, box) && !inside(now, box) && !Edit1->text().isEmpty() &&
            !ComboBox1->currentText().isEmpty())
            guarded([this] { SpeedButton1Click(); });
}

bool TFormSearchData::eventFilter(QObject* o, QEvent* e) {
    if (e->type() == QEvent::KeyPress) {
        auto* k = static_cast<QKeyEvent*>(e);
        bool enter = k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter;
        if (o == Edit1 && enter) {
            guarded([this] { keywordEnter(); });
            return true;
        }
        if (o == ComboBox1 && enter) {
            DBGrid1->setFocus();
            return true;
        }
        if (o == ComboBox1 && k->key() == Qt::Key_Escape) {
            reject();
            return true;
        }
        if (o == DBGrid1 && enter) {
            confirm();
            return true;
        }
    }
    // The press comes before the grid moves to the row under the pointer:
    // that row is the one whose stock is shown.
    if (o == DBGrid1->viewport() && e->type() == QEvent::MouseButtonPress) {
        QModelIndex at = DBGrid1->indexAt(static_cast<QMouseEvent*>(e)->position().toPoint());
        guarded([this, at] { showStock(at.isValid() ? at.row() : -1); });
    }
    return QDialog::eventFilter(o, e);
}

void TFormSearchData::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Escape) {
        e->accept();
        return;
    }
    QDialog::keyPressEvent(e);
}
