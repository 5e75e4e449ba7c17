#include "gui/data/DataTableModel.h"

#include <QApplication>
#include <QBrush>
#include <QPalette>
#include <QSignalBlocker>
#include <QString>
#include <QTimer>

#include <algorithm>

#include "core/common/MessageSink.h"
#include "core/data/DataTable.h"

namespace kurvex::gui {

namespace {

constexpr const char* kBlockInOneCellMessage =
    "1つのセルにはタブや改行を入力できません。\n値はセルごとに入力して下さい。";

// One step of the undo history; pushing it does it.
class TableEdit : public QUndoCommand {
public:
    TableEdit(std::function<void()> redo, std::function<void()> undo)
        : redo_(std::move(redo)), undo_(std::move(undo)) {}
    void redo() override { redo_(); }
    void undo() override { undo_(); }

private:
    std::function<void()> redo_, undo_;
};

}  // namespace

DataTableModel::DataTableModel(kurvex::DataTable* table, QObject* parent)
    : QAbstractTableModel(parent), table_(table) {}

void DataTableModel::Reload() {
    beginResetModel();
    endResetModel();
    // The history belongs to the table it was made on. Clearing is no edit:
    // the window's modified flag is not told.
    const QSignalBlocker quiet(&undo_);
    undo_.clear();
}

void DataTableModel::RefreshLook() {
    if (rowCount() > 0 && columnCount() > 0) {
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1),
                         {Qt::BackgroundRole, Qt::ForegroundRole});
    }
    emit headerDataChanged(Qt::Horizontal, 0, std::max(0, columnCount() - 1));
}

void DataTableModel::NotifyBeforeChange() {
    if (beforeChange_) beforeChange_();
}

void DataTableModel::Push(const std::function<void()>& redo, const std::function<void()>& undo) {
    undo_.push(new TableEdit(redo, undo));
}

std::vector<DataTableModel::CellText> DataTableModel::RowCells(int row) const {
    std::vector<CellText> cells;
    for (int c = 1; c < table_->ColumnCount(); ++c)
        if (!table_->DataCell(c, row).empty()) cells.push_back({c, row, std::string(table_->DataCell(c, row))});
    return cells;
}

std::vector<DataTableModel::CellText> DataTableModel::ColumnCells(int column) const {
    std::vector<CellText> cells;
    for (int r = 1; r < table_->RowCount(); ++r)
        if (!table_->DataCell(column, r).empty())
            cells.push_back({column, r, std::string(table_->DataCell(column, r))});
    return cells;
}

// ---------------------------------------------------------------------------
// Edits: each pushes its step, which does it.

void DataTableModel::InsertRowAfter(int row) {
    row = std::clamp(row, 0, table_->RowCount() - 1);
    Push([this, row] { DoInsertRowAfter(row); }, [this, row] { DoDeleteRow(row + 1); });
}

void DataTableModel::DeleteRow(int row) {
    if (row < 1 || row >= table_->RowCount()) return;
    const std::vector<CellText> cells = RowCells(row);
    Push([this, row] { DoDeleteRow(row); },
         [this, row, cells] {
             DoInsertRowAfter(row - 1);
             WriteCells(cells);
         });
}

void DataTableModel::InsertColumnAfter(int column) {
    column = std::clamp(column, 0, table_->ColumnCount() - 1);
    Push([this, column] { DoInsertColumnAfter(column); }, [this, column] { DoDeleteColumn(column + 1); });
}

void DataTableModel::DeleteColumn(int column) {
    if (column < 1 || column >= table_->ColumnCount()) return;
    const std::vector<CellText> cells = ColumnCells(column);
    Push([this, column] { DoDeleteColumn(column); },
         [this, column, cells] {
             DoInsertColumnAfter(column - 1);
             WriteCells(cells);
         });
}

void DataTableModel::MoveColumn(int from, int to) {
    if (from < 1 || to < 1 || from >= table_->ColumnCount() || to >= table_->ColumnCount() || from == to) return;
    Push([this, from, to] { DoMoveColumn(from, to); }, [this, from, to] { DoMoveColumn(to, from); });
}

bool DataTableModel::PasteBlock(int column, int row, const kurvex::CellBlock& block) {
    if (block.empty() || column < 1 || row < 1) return false;
    std::size_t width = 0;
    for (const auto& line : block) {
        width = std::max(width, line.size());
        for (const std::string& cell : line) {
            if (cell.find_first_of("\t\r\n") != std::string::npos) {
                kurvex::ShowError(kBlockInOneCellMessage);
                return false;
            }
        }
    }
    const int oldColumns = table_->ColumnCount(), oldRows = table_->RowCount();
    const int newColumns = std::max<long long>(oldColumns, column + static_cast<long long>(width));
    const int newRows = std::max<long long>(oldRows, row + static_cast<long long>(block.size()));
    std::vector<CellText> before, after;
    for (std::size_t r = 0; r < block.size(); ++r) {
        // A short line clears the rest of the block's width, as a block is one rectangle.
        for (std::size_t c = 0; c < width; ++c) {
            const int tc = column + static_cast<int>(c), tr = row + static_cast<int>(r);
            after.push_back({tc, tr, c < block[r].size() ? block[r][c] : std::string()});
            if (tc < oldColumns && tr < oldRows) before.push_back({tc, tr, std::string(table_->DataCell(tc, tr))});
        }
    }
    Push(
        [this, newColumns, newRows, after] {
            Resize(newColumns, newRows);
            WriteCells(after);
        },
        [this, oldColumns, oldRows, before] {
            WriteCells(before);
            Resize(oldColumns, oldRows);
        });
    return true;
}

void DataTableModel::SetCells(const std::vector<CellAddress>& cells, const std::string& text) {
    std::vector<CellText> before, after;
    for (const CellAddress& cell : cells) {
        const std::string_view old = table_->DataCell(cell.column, cell.row);
        if (old == text) continue;
        before.push_back({cell.column, cell.row, std::string(old)});
        after.push_back({cell.column, cell.row, text});
    }
    if (after.empty()) return;  // nothing changes: no step, no change of the table
    Push([this, after] { WriteCells(after); }, [this, before] { WriteCells(before); });
}

// ---------------------------------------------------------------------------
// The changes

void DataTableModel::WriteCells(const std::vector<CellText>& cells) {
    if (cells.empty()) return;
    NotifyBeforeChange();
    int left = cells.front().column, right = left, top = cells.front().row, bottom = top;
    for (const CellText& cell : cells) {
        table_->SetCell(cell.column, cell.row, cell.text);
        left = std::min(left, cell.column);
        right = std::max(right, cell.column);
        top = std::min(top, cell.row);
        bottom = std::max(bottom, cell.row);
    }
    emit dataChanged(index(top - 1, left - 1), index(bottom - 1, right - 1), {Qt::DisplayRole, Qt::EditRole});
}

void DataTableModel::Resize(int columns, int rows) {
    const int oldColumns = table_->ColumnCount(), oldRows = table_->RowCount();
    if (columns == oldColumns && rows == oldRows) return;
    NotifyBeforeChange();
    if (rows > oldRows) {
        beginInsertRows(QModelIndex(), oldRows - 1, rows - 2);
        table_->SetSize(oldColumns, rows);
        endInsertRows();
    } else if (rows < oldRows) {
        beginRemoveRows(QModelIndex(), rows - 1, oldRows - 2);
        table_->SetSize(oldColumns, rows);
        endRemoveRows();
    }
    if (columns > oldColumns) {
        beginInsertColumns(QModelIndex(), oldColumns - 1, columns - 2);
        table_->SetSize(columns, rows);
        endInsertColumns();
    } else if (columns < oldColumns) {
        beginRemoveColumns(QModelIndex(), columns - 1, oldColumns - 2);
        table_->SetSize(columns, rows);
        endRemoveColumns();
    }
}

void DataTableModel::DoInsertRowAfter(int row) {
    NotifyBeforeChange();
    // The new table row row + 1 is model row `row`.
    beginInsertRows(QModelIndex(), row, row);
    table_->InsertRowAfter(row);
    endInsertRows();
    // Row numbers are positions: every header below the insertion shifts.
    emit headerDataChanged(Qt::Vertical, row, rowCount() - 1);
}

void DataTableModel::DoDeleteRow(int row) {
    NotifyBeforeChange();
    beginRemoveRows(QModelIndex(), row - 1, row - 1);
    table_->DeleteRow(row);
    endRemoveRows();
    if (row - 1 < rowCount()) emit headerDataChanged(Qt::Vertical, row - 1, rowCount() - 1);
}

void DataTableModel::DoInsertColumnAfter(int column) {
    NotifyBeforeChange();
    beginInsertColumns(QModelIndex(), column, column);
    table_->InsertColumnAfter(column);
    endInsertColumns();
    emit headerDataChanged(Qt::Horizontal, column, columnCount() - 1);
}

void DataTableModel::DoDeleteColumn(int column) {
    NotifyBeforeChange();
    beginRemoveColumns(QModelIndex(), column - 1, column - 1);
    table_->DeleteColumn(column);
    endRemoveColumns();
    // The columns that moved left take the labels of their new positions.
    if (column - 1 < columnCount()) emit headerDataChanged(Qt::Horizontal, column - 1, columnCount() - 1);
}

void DataTableModel::DoMoveColumn(int from, int to) {
    NotifyBeforeChange();
    table_->MoveColumn(from, to);
    // Labels stay with the positions: only the cells between changed.
    if (rowCount() > 0)
        emit dataChanged(index(0, std::min(from, to) - 1), index(rowCount() - 1, std::max(from, to) - 1),
                         {Qt::DisplayRole, Qt::EditRole});
    emit ColumnMoved(from, to);
}

// ---------------------------------------------------------------------------
// The item model

int DataTableModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : table_->RowCount() - 1; }

int DataTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : table_->ColumnCount() - 1;
}

bool DataTableModel::IsFixed(const QModelIndex& index) const {
    return index.row() + 1 < table_->FixedRows() || index.column() + 1 < table_->FixedColumns();
}

QVariant DataTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    switch (role) {
        case Qt::DisplayRole:
        case Qt::EditRole: {
            const std::string_view text = table_->DataCell(index.column() + 1, index.row() + 1);
            return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
        }
        case Qt::BackgroundRole:
            // Fixed data rows and columns look like the headers they extend.
            if (IsFixed(index)) return QApplication::palette().brush(QPalette::Button);
            return {};
        default: return {};
    }
}

bool DataTableModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || role != Qt::EditRole || !table_->Editable()) return false;
    QString typed = value.toString();
    while (typed.endsWith(QLatin1Char('\n')) || typed.endsWith(QLatin1Char('\r'))) typed.chop(1);
    if (typed.contains(QLatin1Char('\t')) || typed.contains(QLatin1Char('\n')) || typed.contains(QLatin1Char('\r'))) {
        // Told once the editor has closed: a message box while it closes would
        // take its focus and commit it a second time.
        if (!refusalPending_) {
            refusalPending_ = true;
            QTimer::singleShot(0, this, [this] {
                refusalPending_ = false;
                kurvex::ShowError(kBlockInOneCellMessage);
            });
        }
        return false;
    }
    SetCells({{index.column() + 1, index.row() + 1}}, typed.toStdString());
    return true;
}

Qt::ItemFlags DataTableModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    Qt::ItemFlags result = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (table_->Editable() && !IsFixed(index)) result |= Qt::ItemIsEditable;
    return result;
}

QVariant DataTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) return QAbstractTableModel::headerData(section, orientation, role);
    if (orientation == Qt::Horizontal) return QString::fromStdString(kurvex::ColumnLabel(section + 1));
    return QString::number(section + 1);
}

}  // namespace kurvex::gui
