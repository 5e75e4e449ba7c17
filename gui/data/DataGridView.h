#pragma once

// The table view of `StringGrid1`: a QTableView that behaves like the grid
// the window needs. Enter moves the current cell to the right (and to the
// next row after the last column), whole-row selection (set when the window
// is opened from a chart point) ends with the first click, the fixed rows
// and columns stay in view, and a column dragged by its label is reported
// so that the window can move its cells.

#include <QTableView>

namespace kurvex::gui {

class DataGridView : public QTableView {
    Q_OBJECT

public:
    explicit DataGridView(QWidget* parent = nullptr);

    void SetWholeRowSelection(bool on);
    bool WholeRowSelection() const { return wholeRowSelection_; }

    // The current cell in table coordinates (row 0 and column 0 are the
    // headers, so both are >= 1 when a cell is current, 0 otherwise).
    int CurrentTableRow() const;
    int CurrentTableColumn() const;
    void SetCurrentTableCell(int column, int row);

    // Moves the current cell as Enter does.
    void MoveAfterEnter();

    // Keeps the first `dataRows` data rows and `dataColumns` data columns in
    // view while the rest scrolls (the label row and the row-number column are
    // the headers and always stay).
    void SetFrozen(int dataRows, int dataColumns);

    // Widens the columns to their texts in the first rows (labels such as a
    // header line are not cut), within a bound so one long text cannot take
    // the whole view.
    void FitColumnsToTexts();

    // Whether a column may be dragged by its label (table mode only).
    void SetColumnsMovable(bool movable);

    // The selected block in table coordinates (the bounding rectangle of the
    // selection; the current cell when nothing is selected; empty when there
    // is no current cell either).
    QRect SelectedTableBlock() const;

    // A cell under the fixed rows or columns is scrolled out from under them;
    // a fixed cell never scrolls the grid along its fixed direction.
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;

signals:
    // A column was dropped at another place (table columns, from 1); the
    // grid's own order of sections stays as it was.
    void ColumnDragged(int from, int to);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;
    void updateGeometries() override;
    void resizeEvent(QResizeEvent* event) override;

private:
    int FirstMovableRow() const;
    int FirstMovableColumn() const;
    QTableView* MakeOverlay(bool showRowNumbers, bool showLabels);
    void UpdateFrozenGeometry();

    bool wholeRowSelection_ = false;
    int frozenRows_ = 0;
    int frozenColumns_ = 0;
    QTableView* frozenRowView_ = nullptr;     // the fixed data rows, across the top
    QTableView* frozenColumnView_ = nullptr;  // the fixed data columns, down the left
    QTableView* frozenCornerView_ = nullptr;  // where both meet
};

}  // namespace kurvex::gui
