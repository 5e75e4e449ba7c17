#include "gui/data/ReadData.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QShowEvent>
#include <QSplitter>
#include <QStatusBar>
#include <QTableWidget>
#include <QUndoStack>
#include <QVBoxLayout>

#include <optional>

#include "core/common/MessageSink.h"
#include "core/data/BuildDataSet.h"
#include "core/data/DataOutput.h"
#include "core/data/DataTable.h"
#include "core/data/ReadSettings.h"
#include "core/data/Selection.h"
#include "gui/common/BusyCursor.h"
#include "gui/data/DataGridView.h"
#include "gui/data/DataTableModel.h"
#include "gui/data/FileDialogs.h"

namespace kurvex::gui {

namespace {

constexpr const char* kCaptionPrefix = "データの読み込み・編集/";
constexpr const char* kUnchangedStatus = "変更なし";
constexpr const char* kChangedStatus = "変更あり";
constexpr const char* kTableFileFilter = "カンマ区切りファイル (*.csv)|*.CSV|すべてのファイル (*.*)|*.*";
constexpr const char* kSaveChangedQuestion = "データが変更されました。ファイルに保存しますか。";
constexpr const char* kSaveNewQuestion = "データをファイルに保存しておきますか。";
constexpr const char* kDeleteQuestion = "削除しますか。";
constexpr const char* kHelpKeyword = "データの読み込み";
constexpr int kMaxExplanatory = kurvex::kMaxExplanatoryVariables;

QString Q(const char* text) { return QString::fromUtf8(text); }

// A list box of the numbers first..last that also takes typed text.
QComboBox* NumberList(const char* name, int first, int last, QWidget* parent) {
    auto* box = new QComboBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    for (int i = first; i <= last; ++i) box->addItem(QString::number(i));
    box->setMaxVisibleItems(20);
    return box;
}

QPushButton* Button(const char* name, const char* caption, QWidget* parent) {
    auto* button = new QPushButton(Q(caption), parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoDefault(false);
    return button;
}

}  // namespace

// What "ｷｬﾝｾﾙ" brings back. The copy of the table is taken only when the
// table is about to change, so opening and cancelling a large table costs
// nothing.
struct TForm2::Snapshot {
    bool active = false;
    std::optional<kurvex::DataTable> table;  // empty while the table is unchanged
    bool loadedFromFile = false;             // belongs to that table
    // The settings as the window showed them, kept in memory on every showing:
    // the copy in TempTableSheet.ini may not have been written (full disk) or
    // may come from another instance using the same folder.
    std::optional<kurvex::SelectionSettings> shownSettings;
};

// The selection prepared by the last successful "読込み".
struct TForm2::Prepared {
    std::optional<kurvex::PreparedSelection> selection;
    std::optional<kurvex::FileStamp> stamp;  // the streamed file the data set was read from
    // The data set "読込み" built while trying the rows, handed to the next
    // BuildDataSet so that the rows are read once.
    std::optional<kurvex::TFitData> built;
    kurvex::BuildResult builtResult;
};

TForm2::TForm2(QWidget* parent)
    : QDialog(parent),
      snapshot_(std::make_unique<Snapshot>()),
      table_(std::make_unique<kurvex::DataTable>()),
      prepared_(std::make_unique<Prepared>()) {
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(Q(kCaptionPrefix));
    resize(900, 600);

    // In this order: the focus moves through the controls in the order they were made.
    QWidget* tablePane = BuildTablePane();
    QWidget* variablesPanel = BuildVariablesPanel();
    BuildLayout(tablePane, variablesPanel);
    BuildPopupMenu();

    // The values of a newly created window.
    ApplySettings(kurvex::SelectionSettings());
    ConnectControls();
    BuildEditCommands();

    ApplyTableLook();
    SetModifiedFlag(false);
}

TForm2::~TForm2() = default;

// Table settings, the table and the status bar.
QWidget* TForm2::BuildTablePane() {
    auto* left = new QWidget(this);
    auto* leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    GroupBoxTable = new QGroupBox(Q("表の設定"), left);
    GroupBoxTable->setObjectName(QStringLiteral("GroupBoxTable"));
    auto* tableSettings = new QHBoxLayout(GroupBoxTable);
    ComboBoxFixedCol = NumberList("ComboBoxFixedCol", 0, 99, GroupBoxTable);
    ComboBoxFixedRow = NumberList("ComboBoxFixedRow", 0, 99, GroupBoxTable);
    ComboBoxFixedCol->setCurrentIndex(0);
    ComboBoxFixedRow->setCurrentIndex(0);
    tableSettings->addWidget(new QLabel(Q("固定列数："), GroupBoxTable));
    tableSettings->addWidget(ComboBoxFixedCol);
    tableSettings->addSpacing(16);
    tableSettings->addWidget(new QLabel(Q("固定行数："), GroupBoxTable));
    tableSettings->addWidget(ComboBoxFixedRow);
    tableSettings->addStretch(1);
    leftLayout->addWidget(GroupBoxTable);

    StringGrid1 = new DataGridView(left);
    StringGrid1->setObjectName(QStringLiteral("StringGrid1"));
    model_ = new DataTableModel(table_.get(), this);
    model_->SetBeforeChange([this] { KeepSnapshotCopy(); });
    StringGrid1->setModel(model_);
    leftLayout->addWidget(StringGrid1, 1);

    StatusBar1 = new QStatusBar(left);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(false);
    leftLayout->addWidget(StatusBar1);

    return left;
}

// The variables, the rows and the buttons.
QWidget* TForm2::BuildVariablesPanel() {
    Panel1 = new QWidget(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    auto* panel = new QVBoxLayout(Panel1);

    auto* groupY = new QGroupBox(Q("目的変数　Y"), Panel1);
    groupY->setObjectName(QStringLiteral("GroupBoxY"));
    auto* formY = new QFormLayout(groupY);
    ComboBoxY = NumberList("ComboBoxY", 0, 99, groupY);
    EditYFunc = new QLineEdit(groupY);
    EditYFunc->setObjectName(QStringLiteral("EditYFunc"));
    formY->addRow(Q("列番号："), ComboBoxY);
    formY->addRow(Q("変換式："), EditYFunc);
    panel->addWidget(groupY);

    QGroupBox* groupX = BuildExplanatoryGroup(Panel1);
    panel->addWidget(groupX, 1);

    auto* groupW = new QGroupBox(Q("ウェートデータ"), Panel1);
    groupW->setObjectName(QStringLiteral("GroupBoxWt"));
    auto* formW = new QFormLayout(groupW);
    ComboBoxWt = NumberList("ComboBoxWt", 0, 99, groupW);
    formW->addRow(Q("列番号："), ComboBoxWt);
    panel->addWidget(groupW);

    QGroupBox* groupRows = BuildRowsGroup(Panel1);
    panel->addWidget(groupRows);

    BitBtn1 = Button("BitBtn1", "読込み", Panel1);
    BitBtn2 = Button("BitBtn2", "ｷｬﾝｾﾙ", Panel1);
    Button1 = Button("Button1", "設定の保存", Panel1);
    BitBtnDefault = Button("BitBtnDefault", "デフォルト", Panel1);
    BitBtn3 = Button("BitBtn3", "ヘルプ", Panel1);
    BitBtn1->setDefault(true);
    auto* buttonsTop = new QHBoxLayout();
    buttonsTop->addWidget(BitBtn1);
    buttonsTop->addWidget(BitBtn2);
    auto* buttonsBottom = new QHBoxLayout();
    buttonsBottom->addWidget(Button1);
    buttonsBottom->addWidget(BitBtnDefault);
    buttonsBottom->addWidget(BitBtn3);
    panel->addLayout(buttonsTop);
    panel->addLayout(buttonsBottom);

    return Panel1;
}

QGroupBox* TForm2::BuildExplanatoryGroup(QWidget* parent) {
    auto* groupX = new QGroupBox(Q("説明変数　X"), parent);
    groupX->setObjectName(QStringLiteral("GroupBoxX"));
    auto* layoutX = new QVBoxLayout(groupX);
    auto* formDim = new QFormLayout();
    ComboBoxDim = NumberList("ComboBoxDim", 1, kMaxExplanatory, groupX);
    formDim->addRow(Q("次数："), ComboBoxDim);
    layoutX->addLayout(formDim);
    StringGridExpVar = new QTableWidget(kMaxExplanatory, 3, groupX);
    StringGridExpVar->setObjectName(QStringLiteral("StringGridExpVar"));
    StringGridExpVar->setHorizontalHeaderLabels({QString(), Q("列番号"), Q("変換式")});
    StringGridExpVar->verticalHeader()->setVisible(false);
    StringGridExpVar->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    StringGridExpVar->verticalHeader()->setDefaultSectionSize(20);
    StringGridExpVar->horizontalHeader()->setStretchLastSection(true);
    StringGridExpVar->setColumnWidth(0, 36);
    StringGridExpVar->setColumnWidth(1, 56);
    for (int i = 1; i <= kMaxExplanatory; ++i) {
        auto* name = new QTableWidgetItem(QStringLiteral("X%1").arg(i));
        name->setFlags(Qt::ItemIsEnabled);
        name->setBackground(QApplication::palette().brush(QPalette::Button));
        StringGridExpVar->setItem(i - 1, 0, name);
        StringGridExpVar->setItem(i - 1, 1, new QTableWidgetItem(QString::number(i + 1)));
        StringGridExpVar->setItem(i - 1, 2, new QTableWidgetItem(QStringLiteral("X")));
    }
    StringGridExpVar->setMinimumHeight(90);
    layoutX->addWidget(StringGridExpVar, 1);
    return groupX;
}

QGroupBox* TForm2::BuildRowsGroup(QWidget* parent) {
    auto* groupRows = new QGroupBox(Q("データ行の選択"), parent);
    groupRows->setObjectName(QStringLiteral("GroupBoxRows"));
    auto* formRows = new QFormLayout(groupRows);
    ComboBox1 = NumberList("ComboBox1", 0, 99, groupRows);
    ComboBox3 = NumberList("ComboBox3", 1, 100, groupRows);
    EditLastRow = new QLineEdit(groupRows);
    EditLastRow->setObjectName(QStringLiteral("EditLastRow"));
    CheckBoxConditionalEq = new QCheckBox(Q("条件式："), groupRows);
    CheckBoxConditionalEq->setObjectName(QStringLiteral("CheckBoxConditionalEq"));
    EditConditionalEq = new QLineEdit(groupRows);
    EditConditionalEq->setObjectName(QStringLiteral("EditConditionalEq"));
    formRows->addRow(Q("先頭ｽｷｯﾌﾟ行数："), ComboBox1);
    formRows->addRow(Q("ｽﾃｯﾌﾟ行数："), ComboBox3);
    formRows->addRow(Q("最終行："), EditLastRow);
    formRows->addRow(CheckBoxConditionalEq, EditConditionalEq);
    return groupRows;
}

void TForm2::BuildLayout(QWidget* tablePane, QWidget* variablesPanel) {
    Splitter1 = new QSplitter(Qt::Horizontal, this);
    Splitter1->setObjectName(QStringLiteral("Splitter1"));
    Splitter1->addWidget(tablePane);
    Splitter1->addWidget(variablesPanel);
    Splitter1->setStretchFactor(0, 1);
    Splitter1->setStretchFactor(1, 0);
    Splitter1->setChildrenCollapsible(false);
    auto* main = new QHBoxLayout(this);
    main->setContentsMargins(4, 4, 4, 4);
    main->addWidget(Splitter1);
}

void TForm2::BuildPopupMenu() {
    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    MenuInsertRow = PopupMenu1->addAction(Q("行の挿入(&C)"));
    MenuInsertRow->setObjectName(QStringLiteral("MenuInsertRow"));
    MenuDeleteRow = PopupMenu1->addAction(Q("行の削除(&E)"));
    MenuDeleteRow->setObjectName(QStringLiteral("MenuDeleteRow"));
    MenuInsertColumn = PopupMenu1->addAction(Q("列の挿入(&R)"));
    MenuInsertColumn->setObjectName(QStringLiteral("MenuInsertColumn"));
    MenuDeleteColumn = PopupMenu1->addAction(Q("列の削除(&M)"));
    MenuDeleteColumn->setObjectName(QStringLiteral("MenuDeleteColumn"));
}

void TForm2::ConnectControls() {
    connect(BitBtn1, &QPushButton::clicked, this, &TForm2::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &TForm2::BitBtn2Click);
    connect(BitBtn3, &QPushButton::clicked, this, &TForm2::BitBtn3Click);
    connect(Button1, &QPushButton::clicked, this, &TForm2::Button1Click);
    connect(BitBtnDefault, &QPushButton::clicked, this, &TForm2::BitBtnDefaultClick);
    connect(ComboBoxDim, &QComboBox::currentTextChanged, this, &TForm2::ComboBoxDimChange);
    connect(ComboBoxFixedCol, &QComboBox::currentTextChanged, this, &TForm2::ComboBoxFixedColChange);
    connect(ComboBoxFixedRow, &QComboBox::currentTextChanged, this, &TForm2::ComboBoxFixedRowChange);
    connect(MenuInsertRow, &QAction::triggered, this, &TForm2::MenuInsertRowClick);
    connect(MenuDeleteRow, &QAction::triggered, this, &TForm2::MenuDeleteRowClick);
    connect(MenuInsertColumn, &QAction::triggered, this, &TForm2::MenuInsertColumnClick);
    connect(MenuDeleteColumn, &QAction::triggered, this, &TForm2::MenuDeleteColumnClick);
    connect(PopupMenu1, &QMenu::aboutToShow, this, &TForm2::PopupMenu1Popup);
    connect(StringGrid1, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& where) { PopupMenu1->popup(StringGrid1->viewport()->mapToGlobal(where)); });
    // Only a change of the table marks it modified, and undoing every change
    // makes it unmodified again; moving around in it changes nothing.
    connect(model_->UndoStack(), &QUndoStack::cleanChanged, this, [this](bool clean) { SetModifiedFlag(!clean); });
    connect(StringGrid1, &DataGridView::ColumnDragged, this, &TForm2::ColumnDragged);
    connect(model_, &DataTableModel::ColumnMoved, this, &TForm2::FollowMovedColumn);
}

// ---------------------------------------------------------------------------
// Opening and closing

int TForm2::LoadAndShow(const QString& path) {
    // The previous table becomes the snapshot as it is (no copy); the file is
    // read into a fresh table.
    snapshot_->active = true;
    snapshot_->loadedFromFile = loadedFromFile_;
    snapshot_->table.emplace(std::move(*table_));
    *table_ = kurvex::DataTable();
    model_->Reload();
    bool loaded = false;
    {
        const BusyCursor busy;
        loaded = table_->LoadFile(std::filesystem::path(path.toStdString()));
    }
    if (!loaded) {
        // The reason has been shown; nothing of the previous state is lost.
        RestoreSnapshot();
        return QDialog::Rejected;
    }
    loadedFromFile_ = true;
    return ShowReplacedTable();
}

int TForm2::ShowForInput() {
    TakeSnapshot();
    StringGrid1->SetWholeRowSelection(false);
    return ShowPrepared();
}

int TForm2::ShowAtRow(int row) {
    const int column = std::max(StringGrid1->CurrentTableColumn(), table_->FixedColumns());
    StringGrid1->SetCurrentTableCell(column, row);
    StringGrid1->SetWholeRowSelection(true);
    TakeSnapshot();
    return ShowPrepared();
}

int TForm2::ShowNewTable(int dataColumns, int rows) {
    // A new table has no snapshot: Cancel keeps it as it is.
    snapshot_->active = false;
    snapshot_->table.reset();
    const std::filesystem::path keptName = table_->CurrentFile();
    *table_ = kurvex::DataTable();
    table_->Reset(dataColumns + 1, rows + 1);
    table_->SetCurrentFile(keptName);
    table_->SetMode(kurvex::ReadMode::Table);
    loadedFromFile_ = false;
    return ShowReplacedTable();
}

// After the table was replaced (loaded or new): its fixed settings, grid and
// first editable cell, then the window.
int TForm2::ShowReplacedTable() {
    ApplyFixedSettings();
    model_->Reload();
    ApplyTableLook();
    StringGrid1->SetWholeRowSelection(false);
    StringGrid1->FitColumnsToTexts();
    StringGrid1->SetCurrentTableCell(table_->FixedColumns(), table_->FixedRows());
    return ShowPrepared();
}

void TForm2::TakeSnapshot() {
    snapshot_->active = true;
    snapshot_->table.reset();  // copied only when the table is about to change
}

void TForm2::KeepSnapshotCopy() {
    if (snapshot_->active && !snapshot_->table) snapshot_->table.emplace(*table_);
}

void TForm2::RestoreSnapshot() {
    if (snapshot_->active && snapshot_->table) {
        // File name, size, cells, and with them the read mode and line count
        // that belong to that table.
        *table_ = std::move(*snapshot_->table);
        loadedFromFile_ = snapshot_->loadedFromFile;
        model_->Reload();
        ApplyTableLook();
    }
    ReleaseSnapshot();
}

void TForm2::ReleaseSnapshot() {
    snapshot_->active = false;
    snapshot_->table.reset();
}

int TForm2::ShowPrepared() {
    FormShow();
    const int result = exec();
    panelWidth_ = Panel1->width();
    ReleaseSnapshot();
    return result;
}

void TForm2::FormShow() {
    prepared_->built.reset();
    model_->UndoStack()->clear();
    SetModifiedFlag(false);
    // The number of explanatory variables follows the main window's model.
    {
        const QSignalBlocker block(ComboBoxDim);
        SetText(ComboBoxDim, std::to_string(mainExplanatoryCount_));
    }
    ShowExplanatoryRows(mainExplanatoryCount_);
    ComboBoxDim->setEnabled(dimensionEditable_);
    setWindowTitle(Q(kCaptionPrefix) + QString::fromStdString(table_->CurrentFile().filename().string()));
    ApplyTableLook();
    snapshot_->shownSettings = CollectSettings();
    WriteSettings(kurvex::TempTableSheetPath());
}

void TForm2::reject() { BitBtn2Click(); }

void TForm2::BitBtn2Click() {
    prepared_->built.reset();
    if (snapshot_->shownSettings) ApplySettings(*snapshot_->shownSettings);
    QDialog::reject();
    RestoreSnapshot();
}

// ---------------------------------------------------------------------------
// The modified state

void TForm2::SetModifiedFlag(bool modified) {
    modified_ = modified;
    StatusBar1->showMessage(Q(modified ? kChangedStatus : kUnchangedStatus));
}

bool TForm2::Modified() const { return modified_; }
bool TForm2::LoadedFromFile() const { return loadedFromFile_; }

QString TForm2::CurrentFileName() const { return QString::fromStdString(table_->CurrentFile().string()); }

int TForm2::TableRowCount() const { return table_->RowCount(); }
int TForm2::FixedRowCount() const { return table_->FixedRows(); }
int TForm2::FixedColumnCount() const { return table_->FixedColumns(); }
kurvex::DataTable& TForm2::Table() { return *table_; }
const kurvex::DataTable& TForm2::Table() const { return *table_; }

void TForm2::SetMainExplanatoryCount(int count, bool dimensionEditable) {
    mainExplanatoryCount_ = std::clamp(count, 1, kMaxExplanatory);
    dimensionEditable_ = dimensionEditable;
    ComboBoxDim->setEnabled(dimensionEditable_);
}

int TForm2::ExplanatoryCount() const { return explanatoryCount_; }

// ---------------------------------------------------------------------------
// The table's look: editability, fixed rows and columns

void TForm2::ApplyTableLook() {
    DataGridView* grid = StringGrid1;
    // A streaming table only shows the head of the file: nothing to edit.
    grid->setEditTriggers(table_->Editable() ? QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                                                   QAbstractItemView::AnyKeyPressed
                                             : QAbstractItemView::NoEditTriggers);
    grid->SetFrozen(table_->FixedRows() - 1, table_->FixedColumns() - 1);
    grid->SetColumnsMovable(table_->Editable());
    model_->RefreshLook();
    UpdateEditCommands();
}

void TForm2::ApplyFixedSettings() {
    bool ok = false;
    const int columns = ComboBoxFixedCol->currentText().trimmed().toInt(&ok);
    if (ok) table_->SetFixedDataColumns(columns);
    const int rows = ComboBoxFixedRow->currentText().trimmed().toInt(&ok);
    if (ok) table_->SetFixedDataRows(rows);
}

void TForm2::ComboBoxFixedColChange() {
    if (settingControls_) return;
    bool ok = false;
    const int k = ComboBoxFixedCol->currentText().trimmed().toInt(&ok);
    if (!ok) return;  // half-typed text: applied once it is a number
    if (table_->SetFixedDataColumns(k)) ApplyTableLook();
}

void TForm2::ComboBoxFixedRowChange() {
    if (settingControls_) return;
    bool ok = false;
    const int k = ComboBoxFixedRow->currentText().trimmed().toInt(&ok);
    if (!ok) return;
    if (table_->SetFixedDataRows(k)) ApplyTableLook();
}

// ---------------------------------------------------------------------------
// The pop-up menu

void TForm2::PopupMenu1Popup() {
    const bool columnsAllowed = !StringGrid1->WholeRowSelection();
    const bool editable = table_->Editable();
    MenuInsertColumn->setEnabled(columnsAllowed && editable);
    MenuDeleteColumn->setEnabled(columnsAllowed && editable);
    MenuInsertRow->setEnabled(editable);
    MenuDeleteRow->setEnabled(editable);
    UpdateEditCommands();
}

void TForm2::MenuInsertRowClick() {
    if (!table_->Editable()) return;
    DataGridView* grid = StringGrid1;
    const int row = std::max(grid->CurrentTableRow(), table_->FixedRows() - 1);
    const int column = std::max(grid->CurrentTableColumn(), table_->FixedColumns());
    model_->InsertRowAfter(row);
    grid->SetCurrentTableCell(column, std::max(row, 1));
}

void TForm2::MenuDeleteRowClick() {
    DataGridView* grid = StringGrid1;
    const int row = grid->CurrentTableRow();
    if (!table_->Editable() || row < table_->FixedRows() || table_->RowCount() <= table_->FixedRows() + 1) {
        // The last movable row stays: the grid always keeps one row to edit.
        if (table_->Editable() && row >= 1) kurvex::Messages().Beep();
        return;
    }
    const int column = std::max(grid->CurrentTableColumn(), table_->FixedColumns());
    // Show what is about to go.
    grid->clearSelection();
    grid->selectionModel()->select(QItemSelection(model_->index(row - 1, table_->FixedColumns() - 1),
                                                  model_->index(row - 1, model_->columnCount() - 1)),
                                   QItemSelectionModel::Select);
    if (!kurvex::AskYesNo(kDeleteQuestion)) return;
    model_->DeleteRow(row);
    grid->SetCurrentTableCell(column, std::min(row, table_->RowCount() - 1));
}

void TForm2::MenuInsertColumnClick() {
    if (!table_->Editable() || StringGrid1->WholeRowSelection()) return;
    DataGridView* grid = StringGrid1;
    const int column = std::max(grid->CurrentTableColumn(), table_->FixedColumns() - 1);
    const int row = std::max(grid->CurrentTableRow(), table_->FixedRows());
    model_->InsertColumnAfter(column);
    grid->SetCurrentTableCell(std::max(column, 1), row);
}

void TForm2::MenuDeleteColumnClick() {
    DataGridView* grid = StringGrid1;
    const int column = grid->CurrentTableColumn();
    if (!table_->Editable() || grid->WholeRowSelection() || column < table_->FixedColumns() ||
        table_->ColumnCount() <= table_->FixedColumns() + 1) {
        if (table_->Editable() && column >= 1) kurvex::Messages().Beep();
        return;
    }
    const int row = std::max(grid->CurrentTableRow(), table_->FixedRows());
    grid->clearSelection();
    grid->selectionModel()->select(QItemSelection(model_->index(table_->FixedRows() - 1, column - 1),
                                                  model_->index(model_->rowCount() - 1, column - 1)),
                                   QItemSelectionModel::Select);
    if (!kurvex::AskYesNo(kDeleteQuestion)) return;
    model_->DeleteColumn(column);
    grid->SetCurrentTableCell(std::min(column, table_->ColumnCount() - 1), row);
}

// ---------------------------------------------------------------------------
// Help, open dialog, panel width

void TForm2::BitBtn3Click() { emit HelpRequested(Q(kHelpKeyword)); }

QString TForm2::RunOpenDialog() {
    FileDialogRequest request;
    request.parent = this;
    request.caption = Q("ファイルを開く");
    request.initialPath = openDialogFileName_;
    request.filterList = Q(kTableFileFilter);
    const QString chosen = AskOpenFileName(request);
    if (!chosen.isEmpty()) openDialogFileName_ = chosen;
    return chosen;
}

QString TForm2::OpenDialogFileName() const { return openDialogFileName_; }
void TForm2::SetOpenDialogFileName(const QString& name) { openDialogFileName_ = name; }

int TForm2::Panel1Width() const { return isVisible() ? Panel1->width() : panelWidth_; }

void TForm2::SetPanel1Width(int width) {
    panelWidth_ = std::max(width, 50);
    if (isVisible()) showEvent(nullptr);
}

void TForm2::showEvent(QShowEvent* event) {
    if (event) QDialog::showEvent(event);
    // The splitter knows its width only once the window is laid out.
    const int total = Splitter1->width();
    Splitter1->setSizes({std::max(total - panelWidth_, 100), panelWidth_});
}

// ---------------------------------------------------------------------------
// Explanatory variables

std::string TForm2::Text(const QComboBox* box) { return box->currentText().toStdString(); }

void TForm2::SetText(QComboBox* box, const std::string& text) {
    const QString value = QString::fromStdString(text);
    const int position = value.isEmpty() ? -1 : box->findText(value);
    box->setCurrentIndex(position);
    if (position < 0) box->setEditText(value);
}

kurvex::SelectionSettings TForm2::CollectSettings() const {
    kurvex::SelectionSettings s;
    s.fixedColumns = Text(ComboBoxFixedCol);
    s.fixedRows = Text(ComboBoxFixedRow);
    s.yColumn = Text(ComboBoxY);
    s.yTransform = EditYFunc->text().toStdString();
    s.weightColumn = Text(ComboBoxWt);
    s.skip = Text(ComboBox1);
    s.step = Text(ComboBox3);
    s.lastRow = EditLastRow->text().toStdString();
    s.conditionOn = CheckBoxConditionalEq->isChecked();
    s.condition = EditConditionalEq->text().toStdString();
    s.variableCount = Text(ComboBoxDim);
    s.x.resize(kMaxExplanatory);
    for (int i = 0; i < kMaxExplanatory; ++i) {
        s.x[i].column = StringGridExpVar->item(i, 1)->text().toStdString();
        s.x[i].transform = StringGridExpVar->item(i, 2)->text().toStdString();
    }
    return s;
}

void TForm2::ApplySettings(const kurvex::SelectionSettings& s) {
    // Setting the controls is not a user change: the fixed rows and columns
    // reach the table with the next load or the user's own choice.
    settingControls_ = true;
    SetText(ComboBoxFixedCol, s.fixedColumns);
    SetText(ComboBoxFixedRow, s.fixedRows);
    SetText(ComboBoxY, s.yColumn);
    EditYFunc->setText(QString::fromStdString(s.yTransform));
    SetText(ComboBoxWt, s.weightColumn);
    SetText(ComboBox1, s.skip);
    SetText(ComboBox3, s.step);
    EditLastRow->setText(QString::fromStdString(s.lastRow));
    CheckBoxConditionalEq->setChecked(s.conditionOn);
    EditConditionalEq->setText(QString::fromStdString(s.condition));
    SetText(ComboBoxDim, s.variableCount);
    for (int i = 0; i < kMaxExplanatory && i < static_cast<int>(s.x.size()); ++i) {
        StringGridExpVar->item(i, 1)->setText(QString::fromStdString(s.x[i].column));
        StringGridExpVar->item(i, 2)->setText(QString::fromStdString(s.x[i].transform));
    }
    ShowExplanatoryRows(kurvex::SelectedVariableCount(s));
    settingControls_ = false;
}

void TForm2::ReadSettings(const std::filesystem::path& path) {
    kurvex::SelectionSettings s = CollectSettings();
    kurvex::ReadReadSettings(path, s);
    ApplySettings(s);
}

void TForm2::WriteSettings(const std::filesystem::path& path) const {
    kurvex::WriteReadSettings(path, CollectSettings());
}

void TForm2::Button1Click() { WriteSettings(kurvex::ReadParameterPath()); }

void TForm2::BitBtnDefaultClick() {
    kurvex::SelectionSettings s = CollectSettings();
    kurvex::ApplyDefaultSelection(s);
    ApplySettings(s);
}

// ---------------------------------------------------------------------------
// "読込み"

void TForm2::BitBtn1Click() {
    const kurvex::ReadCheckResult check = kurvex::CheckReadSettings(CollectSettings(), table_->DataColumnCount());
    if (!check.ok) {
        // The window stays open with every setting as typed.
        kurvex::ShowReadCheckFailure(check);
        return;
    }
    explanatoryCount_ = check.values.n;
    emit ExplanatoryCountChosen(explanatoryCount_);
    std::optional<kurvex::PreparedSelection> prepared = kurvex::PrepareSelection(check.values, *table_);
    if (!prepared) return;
    // The rows are read now, while the settings can still be corrected: a row
    // condition that cannot be decided keeps the window open with its message.
    kurvex::TFitData data;
    std::optional<kurvex::FileStamp> stamp;
    const kurvex::BuildResult built = BuildFrom(*prepared, data, stamp);
    if (built.outcome == kurvex::BuildOutcome::ConditionFault) return;
    prepared_->selection = std::move(prepared);
    prepared_->stamp = std::move(stamp);
    prepared_->built = std::move(data);
    prepared_->builtResult = built;
    done(QDialog::Accepted);
    AskToSaveTable();
}

kurvex::BuildResult TForm2::BuildFrom(const kurvex::PreparedSelection& selection, kurvex::TFitData& data,
                                      std::optional<kurvex::FileStamp>& stamp) {
    // Outputs that read a streamed file again check it against this stamp.
    stamp.reset();
    if (table_->Mode() == kurvex::ReadMode::Streaming) stamp = kurvex::StampOfFile(table_->CurrentFile());
    return kurvex::BuildDataSet(selection, *table_, data);
}

const kurvex::PreparedSelection* TForm2::Selection() const {
    return prepared_->selection ? &*prepared_->selection : nullptr;
}

kurvex::BuildResult TForm2::BuildDataSet(kurvex::TFitData& data) {
    if (!prepared_->selection) return {};
    if (prepared_->built) {
        // Read by "読込み" from the table as it still is; its messages have been shown.
        data = std::move(*prepared_->built);
        prepared_->built.reset();
        return prepared_->builtResult;
    }
    return BuildFrom(*prepared_->selection, data, prepared_->stamp);
}

const kurvex::FileStamp* TForm2::SourceFileStamp() const { return prepared_->stamp ? &*prepared_->stamp : nullptr; }

long long TForm2::CandidateCount() const { return prepared_->selection ? prepared_->selection->candidateCount : 0; }

QString TForm2::YName() const {
    return prepared_->selection ? QString::fromStdString(prepared_->selection->yName) : QStringLiteral("y");
}

QStringList TForm2::XNames() const {
    QStringList names;
    if (prepared_->selection)
        for (const std::string& name : prepared_->selection->xNames) names << QString::fromStdString(name);
    return names;
}

void TForm2::ShowExplanatoryRows(int count) {
    // Rows beyond n keep their texts, hidden, for when n grows again.
    QTableWidget* grid = StringGridExpVar;
    for (int i = 0; i < grid->rowCount(); ++i) grid->setRowHidden(i, i >= count);
}

void TForm2::ComboBoxDimChange() {
    bool ok = false;
    const int n = ComboBoxDim->currentText().trimmed().toInt(&ok);
    // A half-typed or out-of-range text is refused by "読込み"; until then the
    // rows stay as they are.
    if (ok && n >= 1 && n <= kMaxExplanatory) ShowExplanatoryRows(n);
}

// ---------------------------------------------------------------------------
// The save question after "読込み"

void TForm2::AskToSaveTable() {
    if (!modified_) return;
    // A streaming table is only the head of its file: the file itself is the
    // data, and writing the head over it would lose every later line.
    if (table_->Mode() == kurvex::ReadMode::Streaming) return;
    const char* question = loadedFromFile_ ? kSaveChangedQuestion : kSaveNewQuestion;
    if (kurvex::Messages().Show(kurvex::MessageKind::Information, question, kurvex::MessageButtons::YesNo) !=
        kurvex::MessageAnswer::Yes) {
        // The data set is built from the edited table, not from the file.
        table_->SetMode(kurvex::ReadMode::Table);
        return;
    }
    FileDialogRequest request;
    request.parent = parentWidget();
    request.caption = Q("名前を付けて保存");
    // A new table only keeps the previous file's name for the caption: the
    // dialog offers that file's folder, never the file itself.
    const QString current = CurrentFileName();
    request.initialPath = loadedFromFile_ || current.isEmpty() ? current : QFileInfo(current).absolutePath();
    request.filterList = Q(kTableFileFilter);
    const QString chosen = AskSaveFileName(request);  // asks before replacing a file
    if (chosen.isEmpty()) return;
    if (table_->SaveTable(std::filesystem::path(chosen.toStdString()))) {
        table_->SetCurrentFile(std::filesystem::path(chosen.toStdString()));
        openDialogFileName_ = chosen;
        loadedFromFile_ = true;  // the table is now that file's content
    }
}

}  // namespace kurvex::gui
