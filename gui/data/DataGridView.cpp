#include "gui/data/DataGridView.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QSignalBlocker>

namespace kurvex::gui {

DataGridView::DataGridView(QWidget* parent) : QTableView(parent) {
    setSelectionMode(QAbstractItemView::ContiguousSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                    QAbstractItemView::AnyKeyPressed);
    // Rows of one fixed height keep a table of hundreds of thousands of rows
    // as quick as a short one.
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(20);
    verticalHeader()->setFixedWidth(60);
    verticalHeader()->setDefaultAlignment(Qt::AlignRight | Qt::AlignVCenter);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    // A dragged column moves its cells, not just its place on the screen: the
    // labels stay with the positions, as formulas name columns by them.
    horizontalHeader()->setSectionsMovable(false);
    verticalHeader()->setSectionsMovable(false);
    connect(horizontalHeader(), &QHeaderView::sectionMoved, this, [this](int, int oldVisual, int newVisual) {
        {
            const QSignalBlocker quiet(horizontalHeader());
            horizontalHeader()->moveSection(newVisual, oldVisual);
        }
        emit ColumnDragged(oldVisual + 1, newVisual + 1);
    });
    setContextMenuPolicy(Qt::CustomContextMenu);
    setWordWrap(false);
    // The fixed parts follow the scrolling and the column widths of the grid.
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this](int value) {
        if (frozenColumnView_) frozenColumnView_->verticalScrollBar()->setValue(value);
    });
    connect(horizontalScrollBar(), &QScrollBar::valueChanged, this, [this](int value) {
        if (frozenRowView_) frozenRowView_->horizontalScrollBar()->setValue(value);
    });
    connect(horizontalHeader(), &QHeaderView::sectionResized, this, [this](int column, int, int size) {
        for (QTableView* view : {frozenRowView_, frozenColumnView_, frozenCornerView_})
            if (view && view->columnWidth(column) != size) view->setColumnWidth(column, size);
        UpdateFrozenGeometry();
    });
}

QTableView* DataGridView::MakeOverlay(bool showRowNumbers, bool showLabels) {
    // A second view over the same model and selection, laid over the fixed
    // part of this one; the cells under it scroll away as in any grid.
    auto* view = new QTableView(this);
    view->setModel(model());
    view->setSelectionModel(selectionModel());
    view->setFocusPolicy(Qt::NoFocus);
    view->setFrameShape(QFrame::NoFrame);
    view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // The fixed part shows its own rows and columns whatever cell is current.
    view->setAutoScroll(false);
    view->setSelectionMode(selectionMode());
    view->setSelectionBehavior(selectionBehavior());
    view->setWordWrap(false);
    view->setContextMenuPolicy(Qt::NoContextMenu);
    view->verticalHeader()->setVisible(showRowNumbers);
    view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view->verticalHeader()->setDefaultSectionSize(verticalHeader()->defaultSectionSize());
    view->verticalHeader()->setFixedWidth(verticalHeader()->width());
    view->verticalHeader()->setDefaultAlignment(verticalHeader()->defaultAlignment());
    view->horizontalHeader()->setVisible(showLabels);
    view->horizontalHeader()->setSectionsMovable(false);
    view->horizontalHeader()->setFixedHeight(horizontalHeader()->height());
    for (int c = 0; c < model()->columnCount(); ++c) view->setColumnWidth(c, columnWidth(c));
    connect(view, &QTableView::pressed, this, [this] {
        if (wholeRowSelection_) SetWholeRowSelection(false);
    });
    // Widths changed on the fixed part apply to the whole column.
    connect(view->horizontalHeader(), &QHeaderView::sectionResized, this, [this](int column, int, int size) {
        if (columnWidth(column) != size) setColumnWidth(column, size);
    });
    view->show();
    return view;
}

void DataGridView::SetFrozen(int dataRows, int dataColumns) {
    if (!model()) return;
    frozenRows_ = std::max(dataRows, 0);
    frozenColumns_ = std::max(dataColumns, 0);
    auto keep = [this](QTableView*& view, bool wanted, bool rowNumbers, bool labels) {
        if (wanted && !view) view = MakeOverlay(rowNumbers, labels);
        if (!wanted && view) {
            delete view;
            view = nullptr;
        }
    };
    keep(frozenRowView_, frozenRows_ > 0, true, false);
    keep(frozenColumnView_, frozenColumns_ > 0, false, true);
    keep(frozenCornerView_, frozenRows_ > 0 && frozenColumns_ > 0, false, false);
    UpdateFrozenGeometry();
}

void DataGridView::UpdateFrozenGeometry() {
    if (!model()) return;
    const int frame = frameWidth();
    const int headerWidth = verticalHeader()->isVisible() ? verticalHeader()->width() : 0;
    const int headerHeight = horizontalHeader()->isVisible() ? horizontalHeader()->height() : 0;
    const int rows = std::min(frozenRows_, model()->rowCount());
    const int columns = std::min(frozenColumns_, model()->columnCount());
    int rowsHeight = 0;
    for (int r = 0; r < rows; ++r) rowsHeight += rowHeight(r);
    int columnsWidth = 0;
    for (int c = 0; c < columns; ++c) columnsWidth += columnWidth(c);
    rowsHeight = std::min(rowsHeight, viewport()->height());
    columnsWidth = std::min(columnsWidth, viewport()->width());
    if (frozenRowView_) {
        frozenRowView_->setGeometry(frame, frame + headerHeight, headerWidth + viewport()->width(), rowsHeight);
        frozenRowView_->horizontalScrollBar()->setValue(horizontalScrollBar()->value());
        frozenRowView_->verticalScrollBar()->setValue(0);
        frozenRowView_->raise();
    }
    if (frozenColumnView_) {
        frozenColumnView_->setGeometry(frame + headerWidth, frame, columnsWidth, headerHeight + viewport()->height());
        frozenColumnView_->verticalScrollBar()->setValue(verticalScrollBar()->value());
        frozenColumnView_->horizontalScrollBar()->setValue(0);
        frozenColumnView_->raise();
    }
    if (frozenCornerView_) {
        frozenCornerView_->setGeometry(frame + headerWidth, frame + headerHeight, columnsWidth, rowsHeight);
        frozenCornerView_->verticalScrollBar()->setValue(0);
        frozenCornerView_->horizontalScrollBar()->setValue(0);
        frozenCornerView_->raise();
    }
}

void DataGridView::updateGeometries() {
    QTableView::updateGeometries();
    UpdateFrozenGeometry();
}

void DataGridView::resizeEvent(QResizeEvent* event) {
    QTableView::resizeEvent(event);
    UpdateFrozenGeometry();
}

void DataGridView::FitColumnsToTexts() {
    if (!model()) return;
    constexpr int kWidestFittedColumn = 240;
    // Only the first rows are measured: a table of a million rows opens as fast.
    horizontalHeader()->setResizeContentsPrecision(200);
    const int columns = std::min(model()->columnCount(), 200);
    for (int c = 0; c < columns; ++c) {
        resizeColumnToContents(c);
        if (columnWidth(c) > kWidestFittedColumn) setColumnWidth(c, kWidestFittedColumn);
    }
}

void DataGridView::SetColumnsMovable(bool movable) { horizontalHeader()->setSectionsMovable(movable); }

QRect DataGridView::SelectedTableBlock() const {
    QRect block;
    if (selectionModel())
        for (const QItemSelectionRange& range : selectionModel()->selection())
            block |= QRect(QPoint(range.left() + 1, range.top() + 1), QPoint(range.right() + 1, range.bottom() + 1));
    if (block.isEmpty() && currentIndex().isValid())
        block = QRect(currentIndex().column() + 1, currentIndex().row() + 1, 1, 1);
    return block;
}

void DataGridView::scrollTo(const QModelIndex& index, ScrollHint hint) {
    if (!index.isValid()) return;
    const bool rowFixed = index.row() < frozenRows_;
    const bool columnFixed = index.column() < frozenColumns_;
    const int vertical = verticalScrollBar()->value(), horizontal = horizontalScrollBar()->value();
    QTableView::scrollTo(index, hint);
    if (rowFixed) verticalScrollBar()->setValue(vertical);
    if (columnFixed) horizontalScrollBar()->setValue(horizontal);
    // Per-item scrolling: step back until the cell is clear of the fixed part.
    int fixedHeight = 0, fixedWidth = 0;
    for (int r = 0; r < std::min(frozenRows_, model()->rowCount()); ++r) fixedHeight += rowHeight(r);
    for (int c = 0; c < std::min(frozenColumns_, model()->columnCount()); ++c) fixedWidth += columnWidth(c);
    while (!rowFixed && verticalScrollBar()->value() > 0 && visualRect(index).top() < fixedHeight)
        verticalScrollBar()->setValue(verticalScrollBar()->value() - 1);
    while (!columnFixed && horizontalScrollBar()->value() > 0 && visualRect(index).left() < fixedWidth)
        horizontalScrollBar()->setValue(horizontalScrollBar()->value() - 1);
}

void DataGridView::SetWholeRowSelection(bool on) {
    wholeRowSelection_ = on;
    setSelectionBehavior(on ? QAbstractItemView::SelectRows : QAbstractItemView::SelectItems);
    for (QTableView* view : {frozenRowView_, frozenColumnView_, frozenCornerView_})
        if (view) view->setSelectionBehavior(selectionBehavior());
    if (on && currentIndex().isValid()) selectRow(currentIndex().row());
}

int DataGridView::CurrentTableRow() const {
    const QModelIndex index = currentIndex();
    return index.isValid() ? index.row() + 1 : 0;
}

int DataGridView::CurrentTableColumn() const {
    const QModelIndex index = currentIndex();
    return index.isValid() ? index.column() + 1 : 0;
}

void DataGridView::SetCurrentTableCell(int column, int row) {
    if (!model() || row < 1 || column < 1) return;
    const QModelIndex index = model()->index(row - 1, column - 1);
    if (!index.isValid()) return;
    setCurrentIndex(index);
    scrollTo(index);
}

int DataGridView::FirstMovableRow() const {
    for (int r = 0; r < model()->rowCount(); ++r) {
        if (model()->flags(model()->index(r, model()->columnCount() - 1)) & Qt::ItemIsEditable) return r;
    }
    return 0;
}

int DataGridView::FirstMovableColumn() const {
    for (int c = 0; c < model()->columnCount(); ++c) {
        if (model()->flags(model()->index(model()->rowCount() - 1, c)) & Qt::ItemIsEditable) return c;
    }
    return 0;
}

void DataGridView::MoveAfterEnter() {
    if (!model() || model()->rowCount() == 0 || model()->columnCount() == 0) return;
    QModelIndex index = currentIndex();
    if (!index.isValid()) index = model()->index(0, 0);
    int row = index.row();
    int column = index.column() + 1;
    if (column >= model()->columnCount()) {
        // Past the last column: the first data column of the next row, and
        // from the last row back to the first; fixed cells are never current.
        column = FirstMovableColumn();
        row = row + 1 >= model()->rowCount() ? FirstMovableRow() : row + 1;
    }
    const QModelIndex next = model()->index(row, column);
    setCurrentIndex(next);
    scrollTo(next);
}

void DataGridView::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        // From a cell editor the key reaches the grid before the delegate's queued
        // commit; closeEditor moves on then. Moving here too closed the editor
        // early and moved two cells.
        if (state() != EditingState) MoveAfterEnter();
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

void DataGridView::mousePressEvent(QMouseEvent* event) {
    if (wholeRowSelection_) SetWholeRowSelection(false);
    QTableView::mousePressEvent(event);
}

void DataGridView::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) {
    // Enter in a cell editor commits it and then moves on like Enter in the grid;
    // an editor that is already closed moves nothing.
    const bool submitted = hint == QAbstractItemDelegate::SubmitModelCache && state() == EditingState;
    QTableView::closeEditor(editor, hint);
    if (submitted) MoveAfterEnter();
}

}  // namespace kurvex::gui
