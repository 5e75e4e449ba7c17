#pragma once
// A table with fixed (grey, read-only) leading rows and columns addressed as
// Cells(column, row), the way the program's grids are described: row 0 holds
// the headings and column 0 the row labels.
#include <QHash>
#include <QPair>
#include <QString>
#include <QTableWidget>

namespace kurvex::gui {

class StringGrid : public QTableWidget {
    Q_OBJECT

public:
    explicit StringGrid(int columns, int rows, QWidget* parent = nullptr);

    QString Cell(int column, int row) const;
    void SetCell(int column, int row, const QString& text);

    int ColCount() const { return columnCount(); }
    int RowCount() const { return rowCount(); }
    // Cells cut off by a smaller count keep their texts and come back when
    // the count grows again, so a shorter model does not lose typed values.
    void SetColCount(int count);
    void SetRowCount(int count);
    void SetFixedCols(int count);
    void SetFixedRows(int count);
    int FixedCols() const { return fixedCols_; }
    int FixedRows() const { return fixedRows_; }
    // `width` is the least width: a column of labels or headings grows to
    // show its texts in the font the grid actually uses.
    void SetColWidth(int column, int width);
    // Row 0 is shown as the grid's column header, so the headings stay in
    // view while the rows scroll. Cells(column, 0) still holds them.
    void KeepHeaderRowInView();
    void SetEditable(bool editable);
    // The cells of `column` below the fixed rows become check boxes; their
    // Cell text is "1" when checked and empty otherwise (SetCell likewise).
    void SetCheckColumn(int column);

    // A cell editor is open (typing goes into a cell, not to the grid's keys).
    bool IsEditing() const { return state() == QAbstractItemView::EditingState; }

    // The selected cells as text for the clipboard: the rows of their
    // bounding rectangle, cells separated by tabs (unselected ones empty).
    QString SelectedText() const;

    // The first row shown at the top (the top left of the scrollable part).
    int TopRow() const;
    void SetTopRow(int row);

signals:
    // The grid scrolled vertically; `row` is the new top row.
    void TopLeftChanged(int row);

protected:
    // Ctrl+C copies the selection, not only the current cell.
    void keyPressEvent(QKeyEvent* event) override;

private:
    QTableWidgetItem* EnsureItem(int column, int row);
    bool IsCheckCell(int column, int row) const { return column == checkColumn_ && row >= fixedRows_; }
    void StyleCell(QTableWidgetItem* item, int column, int row) const;
    void RestyleAll();

    // Width the texts of the fixed cells of `column` need, 0 when none.
    int FixedTextWidth(int column) const;
    void FitColumn(int column);
    void GrowToFit(int column, const QString& text);
    int TextMargins() const;
    // Without a horizontal scroll bar the grid is kept wide enough for its columns.
    void KeepColumnsInView();
    void StashCellsBeyond(int columns, int rows);
    void RestoreStashedCells();

    QHash<QPair<int, int>, QString> stashed_;  // (column, row) -> text of cut-off cells
    QHash<int, int> leastWidths_;              // column -> width given by SetColWidth
    bool headerRow_ = false;
    int fixedCols_ = 1;
    int fixedRows_ = 1;
    bool editable_ = false;
    int checkColumn_ = -1;
};

}  // namespace kurvex::gui
