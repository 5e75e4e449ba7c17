#include "gui/equations/EquSet.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "core/common/IniFile.h"
#include "core/common/MessageSink.h"
#include "core/common/ProgramFolder.h"
#include "core/expression/Formula.h"
#include "gui/common/StringGrid.h"
#include "gui/equations/CellTextDelegate.h"

namespace kurvex::gui {

namespace {

constexpr const char* kFormSection = "Equation Form";
constexpr const char* kFunctionsSection = "Table of Functions";
constexpr const char* kDerivativesSection = "Table of Derivatives";

// Design values of the window and its columns.
constexpr int kDesignWidth = 560;
constexpr int kDesignHeight = 560;
constexpr int kDesignTop = 123;
constexpr int kDesignLeft = 182;
constexpr int kNumberColumnWidth = 30;
constexpr int kFormColumnWidth = 335;
constexpr int kNameColumnWidth = 108;
constexpr int kLabelColumnWidth = 64;
constexpr int kDerivativeColumnWidth = 344;

constexpr int kFormulaColumn = 1;
constexpr int kNameColumn = 2;

QString Q(const std::string& text) { return QString::fromStdString(text); }

QPushButton* NewButton(QWidget* parent, const char* objectName, const QString& caption) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(objectName));
    return button;
}

// Row 0 carries the headings as the grid's cells; the visible header above it
// shows the same texts and lets the user resize the columns.
void UseHeaderForRowZero(StringGrid* grid, const QStringList& headings) {
    grid->horizontalHeader()->show();
    grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    grid->horizontalHeader()->setStretchLastSection(false);
    grid->setHorizontalHeaderLabels(headings);
    for (int c = 0; c < headings.size(); ++c) grid->SetCell(c, 0, headings[c]);
    grid->setRowHidden(0, true);
}

void ClearEditable(StringGrid* grid, int column, int row) {
    if (QTableWidgetItem* cell = grid->item(row, column)) cell->setFlags(cell->flags() & ~Qt::ItemIsEditable);
}

}  // namespace

TFrmEquSet::TFrmEquSet(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("FrmEquSet"));
    setWindowTitle(QStringLiteral("一般式の入力"));
    setModal(true);
    CreateControls();
    ConnectHandlers();
    resize(kDesignWidth, kDesignHeight);
    move(kDesignLeft, kDesignTop);
    LoadEquationList(ProgramFolder() / kEquationFileName);
}

TFrmEquSet::~TFrmEquSet() = default;

void TFrmEquSet::CreateControls() {
    Label1 = new QLabel(QStringLiteral("y ="), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    EditEqu = new QLineEdit(this);
    EditEqu->setObjectName(QStringLiteral("EditEqu"));
    Label1->setBuddy(EditEqu);

    StringGrid2 = new StringGrid(2, kMaxNamedCoefficients + 1, this);
    StringGrid2->setObjectName(QStringLiteral("StringGrid2"));
    StringGrid2->SetEditable(true);
    UseHeaderForRowZero(StringGrid2, {QString(), QStringLiteral("偏導関数")});
    StringGrid2->SetColWidth(0, kLabelColumnWidth);
    StringGrid2->SetColWidth(1, kDerivativeColumnWidth);
    for (int k = 0; k < kMaxNamedCoefficients; ++k) StringGrid2->SetCell(0, k + 1, QStringLiteral("dy/dC%1 =").arg(k));
    tableDelegate_ = new CellTextDelegate(this);
    StringGrid2->setItemDelegate(tableDelegate_);
    StringGrid2->installEventFilter(this);
    // The list below keeps its place when the derivative table hides.
    QSizePolicy keepPlace = StringGrid2->sizePolicy();
    keepPlace.setRetainSizeWhenHidden(true);
    StringGrid2->setSizePolicy(keepPlace);

    Label2 = new QLabel(QStringLiteral("登録式一覧表"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    StringGrid1 = new StringGrid(3, 2, this);
    StringGrid1->setObjectName(QStringLiteral("StringGrid1"));
    StringGrid1->SetEditable(true);
    StringGrid1->setDragDropMode(QAbstractItemView::NoDragDrop);  // texts would not follow a moved row
    UseHeaderForRowZero(StringGrid1, {QStringLiteral("No."), QStringLiteral("関数式"), QStringLiteral("関数名")});
    StringGrid1->SetColWidth(0, kNumberColumnWidth);
    StringGrid1->SetColWidth(kFormulaColumn, kFormColumnWidth);
    StringGrid1->SetColWidth(kNameColumn, kNameColumnWidth);
    StringGrid1->setContextMenuPolicy(Qt::CustomContextMenu);
    listDelegate_ = new CellTextDelegate(this);
    StringGrid1->setItemDelegate(listDelegate_);
    StringGrid1->installEventFilter(this);
    StringGrid1->viewport()->installEventFilter(this);

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    Copy1 = PopupMenu1->addAction(QStringLiteral("コピー(&C)"));
    Copy1->setObjectName(QStringLiteral("Copy1"));
    Paste1 = PopupMenu1->addAction(QStringLiteral("貼り付け(&P)"));
    Paste1->setObjectName(QStringLiteral("Paste1"));
    PopupMenu1->addSeparator();
    Erase1 = PopupMenu1->addAction(QStringLiteral("登録削除(&E)"));
    Erase1->setObjectName(QStringLiteral("Erase1"));

    BitBtn1 = NewButton(this, "BitBtn1", QStringLiteral("OK"));
    BitBtn2 = NewButton(this, "BitBtn2", QStringLiteral("ｷｬﾝｾﾙ"));
    BitBtn3 = NewButton(this, "BitBtn3", QStringLiteral("ヘルプ"));
    BitBtn4 = NewButton(this, "BitBtn4", QStringLiteral("登\u3000録"));
    for (QPushButton* button : {BitBtn1, BitBtn2, BitBtn3}) button->setAutoDefault(false);
    BitBtn4->setDefault(true);

    auto* formulaRow = new QHBoxLayout;
    formulaRow->addWidget(Label1);
    formulaRow->addWidget(EditEqu, 1);
    formulaRow->addWidget(BitBtn4);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(BitBtn1);
    buttons->addWidget(BitBtn2);
    buttons->addWidget(BitBtn3);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(formulaRow);
    layout->addWidget(StringGrid2, 2);
    layout->addWidget(Label2);
    layout->addWidget(StringGrid1, 3);
    layout->addLayout(buttons);
}

void TFrmEquSet::ConnectHandlers() {
    connect(EditEqu, &QLineEdit::textEdited, this, [this] {
        formulaChanged_ = true;
        UpdateOkButton();
    });
    connect(StringGrid1, &QTableWidget::currentCellChanged, this, [this](int row, int, int previousRow, int) {
        if (!filling_ && row != previousRow) CurrentRowChanged(row);
    });
    connect(StringGrid1, &QTableWidget::cellClicked, this, [this](int row, int) {
        if (!filling_) StringGrid1Click(row);
    });
    connect(StringGrid1, &QTableWidget::cellDoubleClicked, this, [this](int row, int) { StringGrid1DblClick(row); });
    connect(StringGrid1, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* cell) {
        if (!filling_ && cell->column() == kNameColumn) NameCellChanged(cell->row());
    });
    connect(StringGrid1, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        PopupMenu1Popup(StringGrid1->currentRow());
        PopupMenu1->popup(StringGrid1->viewport()->mapToGlobal(pos));
    });
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) { ListFocusChanged(now); });
    connect(Copy1, &QAction::triggered, this, &TFrmEquSet::Copy1Click);
    connect(Paste1, &QAction::triggered, this, &TFrmEquSet::Paste1Click);
    connect(Erase1, &QAction::triggered, this, &TFrmEquSet::Erase1Click);
    connect(BitBtn1, &QPushButton::clicked, this, &TFrmEquSet::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &TFrmEquSet::BitBtn2Click);
    connect(BitBtn3, &QPushButton::clicked, this, &TFrmEquSet::BitBtn3Click);
    connect(BitBtn4, &QPushButton::clicked, this, &TFrmEquSet::BitBtn4Click);
    auto refused = [] { ShowError(kCommaInEquationMessage); };
    listDelegate_->SetRefusedHandler(refused);
    tableDelegate_->SetRefusedHandler(refused);
}

// ---------------------------------------------------------------------------
// The list and the shown entry

int TFrmEquSet::NewRow() const { return static_cast<int>(list_.Count()) + 1; }

void TFrmEquSet::LoadEquationList(const std::filesystem::path& file) {
    list_.Load(file);
    savedText_ = list_.FileText();
    currentEntry_ = 0;
    FillList();
    selectedRow_ = list_.Count() > 0 ? 1 : NewRow();
    SelectRow(selectedRow_);
    ShowEntry(selectedRow_);
    UpdateOkButton();
}

void TFrmEquSet::FillList() {
    ++filling_;
    const int rows = NewRow() + 1;
    StringGrid1->SetRowCount(rows);
    for (std::size_t i = 0; i < list_.Count(); ++i) {
        const int row = static_cast<int>(i) + 1;
        StringGrid1->SetCell(0, row, QString::number(row));
        StringGrid1->SetCell(kFormulaColumn, row, Q(list_.Entry(i).formulaText));
        StringGrid1->SetCell(kNameColumn, row, Q(list_.Entry(i).name));
    }
    StringGrid1->SetCell(0, NewRow(), QString::number(NewRow()));
    StringGrid1->SetCell(kFormulaColumn, NewRow(), QString::fromUtf8(kNewRowText));
    StringGrid1->SetCell(kNameColumn, NewRow(), QString());
    // Formulas change only through the formula box, where they are checked;
    // the "新規" row is not a place to write at all.
    for (int row = 1; row < rows; ++row) ClearEditable(StringGrid1, kFormulaColumn, row);
    ClearEditable(StringGrid1, kNameColumn, NewRow());
    --filling_;
}

void TFrmEquSet::SelectRow(int row) {
    ++filling_;
    const int column = cellEditing_ && StringGrid1->currentColumn() > 0 ? StringGrid1->currentColumn() : kFormulaColumn;
    StringGrid1->setCurrentCell(row, column);
    if (!cellEditing_) StringGrid1->selectRow(row);
    --filling_;
}

void TFrmEquSet::ScrollToSelectedRow() {
    QTableWidgetItem* cell = StringGrid1->item(selectedRow_, kFormulaColumn);
    if (!cell) return;
    const QRect shown = StringGrid1->viewport()->rect();
    const QRect place = StringGrid1->visualItemRect(cell);
    if (!shown.contains(place.topLeft()) || !shown.contains(place.bottomLeft()))
        StringGrid1->scrollToItem(cell, QAbstractItemView::PositionAtTop);
}

void TFrmEquSet::SetFormulaBox(const QString& text) {
    EditEqu->setText(text);  // not a change of the user's
    formulaChanged_ = false;
}

void TFrmEquSet::ShowEntry(int row) {
    ++filling_;
    if (!IsRegisteredRow(row)) {
        SetFormulaBox(QString());
        ClearDerivativeCells();
        StringGrid2->hide();
        --filling_;
        return;
    }
    const RegisteredEquation& entry = list_.Entry(static_cast<std::size_t>(row - 1));
    const std::string formula = FormulaOfDisplayText(entry.formulaText);
    SetFormulaBox(Q(formula));
    const int m = CountCoefficients(formula);
    ClearDerivativeCells();
    if (m > 0) {
        StringGrid2->SetRowCount(m + 1);
        for (int k = 0; k < m; ++k) {
            const std::size_t index = static_cast<std::size_t>(k);
            StringGrid2->SetCell(1, k + 1,
                                 index < entry.derivativeTexts.size() ? Q(entry.derivativeTexts[index]) : QString());
        }
        StringGrid2->show();
    } else {
        StringGrid2->hide();
    }
    --filling_;
}

void TFrmEquSet::ClearDerivativeCells() {
    // Rows cut off by a smaller row count come back when the formula gains
    // coefficients; they must not bring another entry's derivatives with them.
    const int rows = std::max(StringGrid2->rowCount(), kMaxNamedCoefficients + 1);
    for (int r = 1; r < rows; ++r)
        if (QTableWidgetItem* cell = StringGrid2->item(r, 1); cell && !cell->text().isEmpty()) cell->setText(QString());
}

std::vector<std::string> TFrmEquSet::TableTexts(int count) const {
    std::vector<std::string> texts;
    for (int k = 0; k < count; ++k) texts.push_back(StringGrid2->Cell(1, k + 1).toStdString());
    return texts;
}

void TFrmEquSet::StoreTableIntoCurrentEntry() {
    if (currentEntry_ < 0 || static_cast<std::size_t>(currentEntry_) >= list_.Count()) return;
    std::vector<std::string>& texts = list_.Entry(static_cast<std::size_t>(currentEntry_)).derivativeTexts;
    const std::size_t rows = static_cast<std::size_t>(std::max(StringGrid2->RowCount() - 1, 0));
    for (std::size_t k = 0; k < std::min(texts.size(), rows); ++k)
        texts[k] = StringGrid2->Cell(1, static_cast<int>(k) + 1).toStdString();
}

void TFrmEquSet::UpdateOkButton() {
    // OK hands over what the list holds: a typed change must be registered first.
    BitBtn1->setEnabled(IsRegisteredRow(selectedRow_) && !formulaChanged_);
}

void TFrmEquSet::SetCurrentEntry(int entry) { currentEntry_ = std::clamp(entry, 0, 32767); }

QString TFrmEquSet::FormulaText(int row) const {
    return IsRegisteredRow(row) ? Q(list_.Entry(static_cast<std::size_t>(row - 1)).formulaText) : QString();
}

// ---------------------------------------------------------------------------
// Showing the window

void TFrmEquSet::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    FormShow();
}

void TFrmEquSet::FormShow() {
    SetCellEditing(false);
    FillList();
    const int entries = static_cast<int>(list_.Count());
    currentEntry_ = std::clamp(currentEntry_, 0, std::max(entries - 1, 0));
    entryOnShow_ = currentEntry_;
    selectedRow_ = entries > 0 ? currentEntry_ + 1 : NewRow();
    SelectRow(selectedRow_);
    ShowEntry(selectedRow_);
    UpdateOkButton();
    ScrollToSelectedRow();
}

std::optional<std::string> TFrmEquSet::EditGeneralEquation() {
    if (exec() != QDialog::Accepted) return std::nullopt;
    return generalFormula_;
}

bool TFrmEquSet::PrepareGeneralModel() {
    FormShow();
    const std::string formula = ValidateModelFormula(EditEqu->text().toStdString());
    coefficientCount_ = kurvex::CoefficientCount();
    variableCount_ = kurvex::VariableCount();
    if (formula.empty()) return false;
    generalFormula_ = formula;
    SetFormulaBox(Q(formula));
    TakeModelInUse();
    return true;
}

void TFrmEquSet::TakeModelInUse() {
    GeneralModelSource source;
    source.formula = generalFormula_;
    source.coefficientCount = coefficientCount_;
    source.variableCount = variableCount_;
    // The texts of the entry itself, one per coefficient; a blank one is no formula.
    if (IsRegisteredRow(selectedRow_)) {
        source.derivativeTexts = list_.Entry(static_cast<std::size_t>(selectedRow_ - 1)).derivativeTexts;
        FitDerivativeTexts(source.derivativeTexts, static_cast<std::size_t>(std::max(coefficientCount_, 0)));
        for (std::string& text : source.derivativeTexts)
            if (text.find_first_not_of(" \t\u3000") == std::string::npos) text.clear();
    }
    source.derivativeTableShown = !source.derivativeTexts.empty();
    inUse_ = std::move(source);
}

void TFrmEquSet::reject() {
    currentEntry_ = entryOnShow_;
    QDialog::reject();
}

// ---------------------------------------------------------------------------
// The list grid

void TFrmEquSet::CurrentRowChanged(int row) {
    // The formula box always shows the row the cursor is on, so OK and
    // "登　録" can never act on another entry than the one shown.
    StringGrid1Click(row);
}

void TFrmEquSet::StringGrid1Click(int row) {
    if (row < 1 || row > NewRow()) return;
    if (row != selectedRow_) {
        if (IsRegisteredRow(selectedRow_)) StoreTableIntoCurrentEntry();
        selectedRow_ = row;
        if (StringGrid1->currentRow() != row) SelectRow(row);
        ShowEntry(row);
        if (IsRegisteredRow(row)) currentEntry_ = row - 1;
    }
    UpdateOkButton();
}

void TFrmEquSet::StringGrid1DblClick(int row) {
    if (row == NewRow()) {
        WarnNewRow();
        return;
    }
    if (IsRegisteredRow(row) && !cellEditing_) SetCellEditing(true);
}

void TFrmEquSet::WarnNewRow() {
    Messages().Beep();
    ShowWarning(kNewRowWriteWarning);
}

void TFrmEquSet::SetCellEditing(bool on) {
    cellEditing_ = on;
    if (on) {
        StringGrid1->setSelectionBehavior(QAbstractItemView::SelectItems);
        StringGrid1->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                                     QAbstractItemView::AnyKeyPressed | QAbstractItemView::SelectedClicked);
    } else {
        StringGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
        StringGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
        if (selectedRow_ >= 1 && selectedRow_ < StringGrid1->RowCount()) SelectRow(selectedRow_);
    }
}

void TFrmEquSet::ListFocusChanged(QWidget* now) {
    // Leaving the list ends in-place editing; a popup menu takes no focus.
    if (!cellEditing_ || !now || now == StringGrid1 || StringGrid1->isAncestorOf(now)) return;
    SetCellEditing(false);
}

void TFrmEquSet::NameCellChanged(int row) {
    if (!IsRegisteredRow(row)) return;
    const std::size_t index = static_cast<std::size_t>(row - 1);
    if (!list_.Rename(index, StringGrid1->Cell(kNameColumn, row).toStdString())) {
        ++filling_;
        StringGrid1->SetCell(kNameColumn, row, Q(list_.Entry(index).name));
        --filling_;
    }
}

bool TFrmEquSet::eventFilter(QObject* watched, QEvent* event) {
    if (watched == StringGrid2 && event->type() == QEvent::FocusIn) {
        StringGrid2Enter();
    } else if (watched == StringGrid1->viewport() && event->type() == QEvent::MouseButtonPress) {
        // The right button only opens the menu: it neither moves the
        // selection nor closes an open cell editor the menu works on.
        if (static_cast<QMouseEvent*>(event)->button() == Qt::RightButton) return true;
    } else if (watched == StringGrid1 && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool writes = !key->text().isEmpty() && key->text().at(0).isPrint();
        if (cellEditing_ && writes && StringGrid1->currentRow() == NewRow()) {
            WarnNewRow();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------
// The derivative table

void TFrmEquSet::StringGrid2Enter() {
    // Only the rows change: the entry keeps its texts until the new formula is registered.
    const int m = CountCoefficients(EditEqu->text().toStdString());
    StringGrid2->SetRowCount(m + 1);
}

// ---------------------------------------------------------------------------
// Buttons

void TFrmEquSet::BitBtn4Click() {
    const std::string typed = EditEqu->text().toStdString();
    const std::string formula = ValidateModelFormula(typed);
    if (formula.empty()) {
        Messages().Beep();
        ShowError(kEnterFormulaMessage);
        return;
    }
    coefficientCount_ = kurvex::CoefficientCount();
    variableCount_ = kurvex::VariableCount();
    const int m = CountCoefficients(formula);
    StringGrid2->SetRowCount(m + 1);
    const std::vector<std::string> texts = TableTexts(m);

    if (selectedRow_ == NewRow()) {
        const std::size_t before = list_.Count();
        const bool saved = list_.Add(typed, std::string(), texts);
        if (list_.Count() == before) return;  // refused; its message has been shown
        if (saved) savedText_ = list_.FileText();
        currentEntry_ = static_cast<int>(list_.Count()) - 1;
        selectedRow_ = currentEntry_ + 1;
    } else {
        const std::size_t index = static_cast<std::size_t>(selectedRow_ - 1);
        const bool saved = list_.Replace(index, typed, texts);
        if (list_.Entry(index).formulaText != kFormulaPrefix + typed) return;  // refused
        if (saved) savedText_ = list_.FileText();
        currentEntry_ = selectedRow_ - 1;
    }
    FillList();
    SelectRow(selectedRow_);
    StringGrid2->show();
    SetFormulaBox(Q(formula));
    UpdateOkButton();
    ScrollToSelectedRow();
}

void TFrmEquSet::BitBtn1Click() {
    if (!BitBtn1->isEnabled()) return;
    const std::string formula = ValidateModelFormula(EditEqu->text().toStdString());
    if (formula.empty()) {
        Messages().Beep();
        return;
    }
    coefficientCount_ = kurvex::CoefficientCount();
    variableCount_ = kurvex::VariableCount();
    if (IsRegisteredRow(selectedRow_)) {
        // The box holds the registered formula (a change must be registered
        // first); only a differently written but equal text is left alone.
        std::string& text = list_.Entry(static_cast<std::size_t>(selectedRow_ - 1)).formulaText;
        if (NormalizeFormula(FormulaOfDisplayText(text)) != formula) {
            text = kFormulaPrefix + EditEqu->text().toStdString();
            ++filling_;
            StringGrid1->SetCell(kFormulaColumn, selectedRow_, FormulaText(selectedRow_));
            --filling_;
        }
    }
    if (StringGrid2->isVisibleTo(this)) StoreTableIntoCurrentEntry();
    // Derivative formulas typed since the registration would otherwise be
    // lost at the next start, while the main window already uses them.
    if (list_.FileText() != savedText_ && list_.Save()) savedText_ = list_.FileText();
    generalFormula_ = formula;
    SetFormulaBox(Q(formula));
    TakeModelInUse();
    entryOnShow_ = currentEntry_;
    accept();
}

void TFrmEquSet::BitBtn2Click() { reject(); }

void TFrmEquSet::BitBtn3Click() { emit HelpRequested(QString::fromUtf8(kEquationHelpKeyword)); }

// ---------------------------------------------------------------------------
// The list's context menu

void TFrmEquSet::PopupMenu1Popup(int row) {
    Paste1->setEnabled(listDelegate_->EditorEverOpened());
    const bool registered = IsRegisteredRow(row);
    Erase1->setEnabled(registered);
    Copy1->setEnabled(registered);
    if (!registered) Paste1->setEnabled(false);
    if (cellEditing_) Erase1->setEnabled(false);
    else Copy1->setEnabled(false);
}

void TFrmEquSet::Copy1Click() {
    if (QLineEdit* editor = listDelegate_->OpenEditor()) {
        editor->copy();
        return;
    }
    // Without an open editor the cell under the cursor is copied whole.
    if (const QTableWidgetItem* cell = StringGrid1->currentItem(); cell && cellEditing_)
        QApplication::clipboard()->setText(cell->text());
}

void TFrmEquSet::Paste1Click() {
    if (QLineEdit* editor = listDelegate_->OpenEditor()) {
        editor->paste();
        return;
    }
    // Open the editor on the cell (if it can be edited) and paste there; the
    // user confirms with Enter like any typed name.
    QTableWidgetItem* cell = StringGrid1->currentItem();
    if (!cellEditing_ || !cell || !(cell->flags() & Qt::ItemIsEditable)) return;
    StringGrid1->editItem(cell);
    if (QLineEdit* editor = listDelegate_->OpenEditor()) {
        editor->selectAll();
        editor->paste();
    }
}

void TFrmEquSet::Erase1Click() {
    if (!IsRegisteredRow(selectedRow_) || cellEditing_) return;
    const int row = selectedRow_;
    list_.Erase(static_cast<std::size_t>(row - 1));
    if (row - 1 < entryOnShow_) --entryOnShow_;  // the entry in use moved up
    FillList();
    // The entry now at this row is shown; the erased entry's table is not stored anywhere.
    selectedRow_ = row;
    SelectRow(row);
    ShowEntry(row);
    const int entries = static_cast<int>(list_.Count());
    currentEntry_ = IsRegisteredRow(row) ? row - 1 : std::max(entries - 1, 0);
    UpdateOkButton();
}

// ---------------------------------------------------------------------------
// Settings

void TFrmEquSet::LoadEquationFormSettings(const IniFile& ini) {
    // A stored size no window or column can have (a hidden or endless
    // column, an edited file) gives way to the one in use.
    auto read = [&ini](const char* section, const char* key, int current, int lowest, int highest) {
        const long long stored = ini.ReadInteger(section, key, current);
        return stored >= lowest && stored <= highest ? static_cast<int>(stored) : current;
    };
    constexpr int kFar = 100000;
    const int formWidth = read(kFormSection, "Width", width(), 1, kFar);
    const int formHeight = read(kFormSection, "Height", height(), 1, kFar);
    const int formTop = read(kFormSection, "Top", y(), -kFar, kFar);
    const int formLeft = read(kFormSection, "Left", x(), -kFar, kFar);
    resize(formWidth, formHeight);
    move(formLeft, formTop);
    constexpr int kNarrowest = 8;
    constexpr int kWidest = 4000;
    StringGrid1->SetColWidth(kFormulaColumn, read(kFunctionsSection, "Width of Form Column",
                                                  StringGrid1->columnWidth(kFormulaColumn), kNarrowest, kWidest));
    StringGrid1->SetColWidth(kNameColumn, read(kFunctionsSection, "Width of Name Column",
                                               StringGrid1->columnWidth(kNameColumn), kNarrowest, kWidest));
    StringGrid2->SetColWidth(
        1, read(kDerivativesSection, "Width of Column", StringGrid2->columnWidth(1), kNarrowest, kWidest));
}

void TFrmEquSet::SaveEquationFormSettings(IniFile& ini) const {
    ini.WriteInteger(kFormSection, "Width", width());
    ini.WriteInteger(kFormSection, "Height", height());
    ini.WriteInteger(kFormSection, "Top", y());
    ini.WriteInteger(kFormSection, "Left", x());
    ini.WriteInteger(kFunctionsSection, "Width of Form Column", StringGrid1->columnWidth(kFormulaColumn));
    ini.WriteInteger(kFunctionsSection, "Width of Name Column", StringGrid1->columnWidth(kNameColumn));
    ini.WriteInteger(kDerivativesSection, "Width of Column", StringGrid2->columnWidth(1));
}

}  // namespace kurvex::gui
