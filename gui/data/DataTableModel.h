#pragma once

// The item model of `StringGrid1`: reads and writes the cells of the data
// table directly, so a table of any size costs no object per cell. Model row
// i and column j are table row i + 1 and column j + 1; the label row and the
// row-number column are the view's headers, tied to their positions.
//
// Every change of the table made through the model is one step of its undo
// history: cell edits, pasted and cleared blocks, the pop-up menu's row and
// column commands and moved columns.

#include <QAbstractTableModel>
#include <QUndoStack>

#include <functional>
#include <string>
#include <vector>

#include "core/data/DataTableBlock.h"

namespace kurvex {
class DataTable;
}  // namespace kurvex

namespace kurvex::gui {

class DataTableModel : public QAbstractTableModel {
    Q_OBJECT

public:
    explicit DataTableModel(kurvex::DataTable* table, QObject* parent = nullptr);

    // Called before any change of the table's cells or size (the window copies
    // its Cancel snapshot there).
    void SetBeforeChange(std::function<void()> callback) { beforeChange_ = std::move(callback); }

    // The table was replaced or reloaded: the view and the undo history start over.
    void Reload();
    // The fixed rows or columns, or the editability, changed: repaint.
    void RefreshLook();

    QUndoStack* UndoStack() { return &undo_; }

    // Edits in table coordinates (row >= 1, column >= 1), each undoable.
    void InsertRowAfter(int row);
    void DeleteRow(int row);
    void InsertColumnAfter(int column);
    void DeleteColumn(int column);
    void MoveColumn(int from, int to);
    // The block's first cell goes to (column, row); the table grows to hold
    // it. A block with a line break or a tab inside a cell is refused with the
    // same message as such a text typed into one cell (false).
    bool PasteBlock(int column, int row, const kurvex::CellBlock& block);
    // Each listed cell gets `text` (empty: the cells are cleared).
    struct CellAddress {
        int column;
        int row;
    };
    void SetCells(const std::vector<CellAddress>& cells, const std::string& text);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    // A text holding a tab or a line break (a block pasted from a spreadsheet)
    // is refused with a message: written to the file it would split the row.
    // Line breaks at its end only (one copied cell) are dropped.
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

signals:
    // A column's cells moved (also by undo and redo): settings that name
    // columns follow it.
    void ColumnMoved(int from, int to);

private:
    struct CellText {
        int column;
        int row;
        std::string text;
    };
    bool IsFixed(const QModelIndex& index) const;
    void NotifyBeforeChange();
    void Push(const std::function<void()>& redo, const std::function<void()>& undo);
    std::vector<CellText> RowCells(int row) const;
    std::vector<CellText> ColumnCells(int column) const;

    // The changes themselves, with the view told of each.
    void WriteCells(const std::vector<CellText>& cells);
    void Resize(int columns, int rows);
    void DoInsertRowAfter(int row);
    void DoDeleteRow(int row);
    void DoInsertColumnAfter(int column);
    void DoDeleteColumn(int column);
    void DoMoveColumn(int from, int to);

    kurvex::DataTable* table_;
    std::function<void()> beforeChange_;
    QUndoStack undo_;
    bool refusalPending_ = false;  // the message about a refused text is on its way
};

}  // namespace kurvex::gui
