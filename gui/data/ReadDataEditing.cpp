// The data table of `TForm2` as a spreadsheet: undo and redo of every change
// of the table, cut, copy as tab- or comma-separated text, paste of such a
// block from the current cell, clearing a selection, and columns dragged by
// their labels. Each command has the platform's standard key while the table
// has the focus (a cell editor keeps its own keys) and an item in the table's
// pop-up menu.

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QSplitter>
#include <QStatusBar>
#include <QTableWidget>
#include <QUndoStack>

#include "core/common/MessageSink.h"
#include "core/data/DataTable.h"
#include "core/data/DataTableBlock.h"
#include "core/data/SelectionColumnMove.h"
#include "gui/data/DataGridView.h"
#include "gui/data/DataTableModel.h"
#include "gui/data/ReadData.h"

namespace kurvex::gui {

namespace {

QString Q(const char* text) { return QString::fromUtf8(text); }

// The platform's keys for a command, `first` shown in the menu; a key listed
// twice would make the shortcut ambiguous and dead.
QList<QKeySequence> Keys(QKeySequence::StandardKey key, const QKeySequence& first = {}) {
    QList<QKeySequence> keys;
    if (!first.isEmpty()) keys << first;
    for (const QKeySequence& binding : QKeySequence::keyBindings(key))
        if (!keys.contains(binding)) keys << binding;
    return keys;
}

QString BlockQText(const kurvex::DataTable& table, const QRect& block, char separator) {
    return QString::fromStdString(
        kurvex::BlockText(table, block.left(), block.top(), block.right(), block.bottom(), separator));
}

}  // namespace

void TForm2::BuildEditCommands() {
    QMenu* menu = PopupMenu1;
    auto add = [&](QAction*& action, const char* name, const char* caption, const QList<QKeySequence>& keys,
                   const std::function<void()>& handler) {
        action = menu->addAction(Q(caption));
        action->setObjectName(QString::fromLatin1(name));
        action->setShortcuts(keys);
        action->setShortcutContext(Qt::WidgetShortcut);
        StringGrid1->addAction(action);
        connect(action, &QAction::triggered, this, handler);
    };
    QUndoStack* history = model_->UndoStack();
    menu->addSeparator();
    add(MenuUndo, "MenuUndo", "元に戻す(&U)", Keys(QKeySequence::Undo), [history] { history->undo(); });
    add(MenuRedo, "MenuRedo", "やり直し(&Y)", Keys(QKeySequence::Redo, QKeySequence(Qt::CTRL | Qt::Key_Y)),
        [history] { history->redo(); });
    menu->addSeparator();
    add(MenuCut, "MenuCut", "切り取り(&T)", Keys(QKeySequence::Cut), [this] { MenuCutClick(); });
    add(MenuCopy, "MenuCopy", "コピー(&O)", Keys(QKeySequence::Copy), [this] { MenuCopyClick('\t'); });
    add(MenuCopyCsv, "MenuCopyCsv", "カンマ区切りでコピー(&S)", {}, [this] { MenuCopyClick(','); });
    add(MenuPaste, "MenuPaste", "貼り付け(&P)", Keys(QKeySequence::Paste), [this] { MenuPasteClick(); });
    add(MenuClearCells, "MenuClearCells", "内容の削除(&D)", Keys(QKeySequence::Delete),
        [this] { MenuClearCellsClick(); });
    connect(history, &QUndoStack::canUndoChanged, this, &TForm2::UpdateEditCommands);
    connect(history, &QUndoStack::canRedoChanged, this, &TForm2::UpdateEditCommands);
    UpdateEditCommands();
}

void TForm2::UpdateEditCommands() {
    if (!MenuUndo) return;
    // A streaming table is only the head of its file: it can be copied, not changed.
    const bool editable = table_->Editable();
    MenuUndo->setEnabled(editable && model_->UndoStack()->canUndo());
    MenuRedo->setEnabled(editable && model_->UndoStack()->canRedo());
    MenuCut->setEnabled(editable);
    MenuPaste->setEnabled(editable);
    MenuClearCells->setEnabled(editable);
}

void TForm2::MenuCopyClick(char separator) {
    const QRect block = StringGrid1->SelectedTableBlock();
    if (block.isEmpty()) return;
    auto* mime = new QMimeData;
    mime->setText(BlockQText(*table_, block, separator));
    // Spreadsheets that take comma-separated text find it as well.
    mime->setData(QStringLiteral("text/csv"), BlockQText(*table_, block, ',').toUtf8());
    QGuiApplication::clipboard()->setMimeData(mime);
}

void TForm2::MenuCutClick() {
    if (!table_->Editable()) return;
    MenuCopyClick('\t');
    MenuClearCellsClick();
}

void TForm2::MenuPasteClick() {
    if (!table_->Editable()) return;
    DataGridView* grid = StringGrid1;
    const int column = grid->CurrentTableColumn(), row = grid->CurrentTableRow();
    if (column < table_->FixedColumns() || row < table_->FixedRows()) {
        kurvex::Messages().Beep();  // fixed cells are not edited
        return;
    }
    const kurvex::CellBlock block = kurvex::ParseCellBlock(QGuiApplication::clipboard()->text().toStdString());
    if (block.empty()) return;
    const QRect selected = grid->SelectedTableBlock();
    if (block.size() == 1 && block[0].size() == 1 && selected.width() * static_cast<long long>(selected.height()) > 1 &&
        selected.contains(column, row)) {
        // One value into a selected block fills the block.
        std::vector<DataTableModel::CellAddress> cells;
        for (int r = std::max(selected.top(), table_->FixedRows()); r <= selected.bottom(); ++r)
            for (int c = std::max(selected.left(), table_->FixedColumns()); c <= selected.right(); ++c)
                cells.push_back({c, r});
        model_->SetCells(cells, block[0][0]);
        return;
    }
    if (!model_->PasteBlock(column, row, block)) return;
    std::size_t width = 0;
    for (const auto& line : block) width = std::max(width, line.size());
    const QModelIndex first = model_->index(row - 1, column - 1);
    const QModelIndex last =
        model_->index(row - 2 + static_cast<int>(block.size()), column - 2 + static_cast<int>(width));
    grid->selectionModel()->select(QItemSelection(first, last), QItemSelectionModel::ClearAndSelect);
}

void TForm2::MenuClearCellsClick() {
    if (!table_->Editable()) return;
    const QRect block = StringGrid1->SelectedTableBlock();
    std::vector<DataTableModel::CellAddress> cells;
    for (int r = std::max(block.top(), table_->FixedRows()); r <= block.bottom(); ++r)
        for (int c = std::max(block.left(), table_->FixedColumns()); c <= block.right(); ++c) cells.push_back({c, r});
    model_->SetCells(cells, std::string());
}

void TForm2::ColumnDragged(int from, int to) {
    if (!table_->Editable()) return;
    const int row = std::max(StringGrid1->CurrentTableRow(), table_->FixedRows());
    model_->MoveColumn(from, to);
    StringGrid1->SetCurrentTableCell(to, row);
}

void TForm2::FollowMovedColumn(int from, int to) {
    // Y, X and weight columns and the names in formulas keep meaning the cells
    // the user sees, whether the column moved by a drag, an undo or a redo.
    kurvex::SelectionSettings settings = CollectSettings();
    kurvex::FollowMovedColumn(settings, from, to);
    ApplySettings(settings);
}

}  // namespace kurvex::gui
