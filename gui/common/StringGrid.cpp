#include "gui/common/StringGrid.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QScrollBar>
#include <QStyle>
#include <algorithm>

namespace kurvex::gui {

StringGrid::StringGrid(int columns, int rows, QWidget* parent) : QTableWidget(rows, columns, parent) {
    horizontalHeader()->hide();
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(20);
    verticalHeader()->setMinimumSectionSize(16);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setSelectionMode(QAbstractItemView::SingleSelection);
    SetEditable(false);
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this](int) { emit TopLeftChanged(TopRow()); });
    RestyleAll();
}

QString StringGrid::Cell(int column, int row) const {
    if (column >= columnCount() || row >= rowCount()) return stashed_.value({column, row});
    const QTableWidgetItem* cell = item(row, column);
    if (IsCheckCell(column, row)) return cell && cell->checkState() == Qt::Checked ? QStringLiteral("1") : QString();
    return cell ? cell->text() : QString();
}

void StringGrid::SetCell(int column, int row, const QString& text) {
    if (column < 0 || row < 0) return;
    if (column >= columnCount() || row >= rowCount()) {
        // Written while cut off: shown again when the grid grows.
        stashed_.insert({column, row}, text);
        return;
    }
    if (IsCheckCell(column, row))
        EnsureItem(column, row)->setCheckState(text == QLatin1String("1") ? Qt::Checked : Qt::Unchecked);
    else EnsureItem(column, row)->setText(text);
    if (row == 0 && headerRow_) setHorizontalHeaderItem(column, new QTableWidgetItem(text));
    if (column < fixedCols_ || row < fixedRows_) GrowToFit(column, text);
}

void StringGrid::SetColWidth(int column, int width) {
    if (column < 0) return;
    leastWidths_.insert(column, width);
    setColumnWidth(column, std::max(width, FixedTextWidth(column)));
    KeepColumnsInView();
}

void StringGrid::KeepHeaderRowInView() {
    headerRow_ = true;
    horizontalHeader()->show();
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setStretchLastSection(false);
    horizontalHeader()->setHighlightSections(false);
    for (int c = 0; c < columnCount(); ++c) setHorizontalHeaderItem(c, new QTableWidgetItem(Cell(c, 0)));
    setRowHidden(0, true);
    for (int c = 0; c < columnCount(); ++c) FitColumn(c);
}

int StringGrid::FixedTextWidth(int column) const {
    if (column < 0 || column >= columnCount()) return 0;
    const QFontMetrics metrics(font());
    int widest = 0;
    for (int r = 0; r < rowCount(); ++r) {
        if (column >= fixedCols_ && r >= fixedRows_) break;
        if (const QTableWidgetItem* cell = item(r, column); cell && !cell->text().isEmpty())
            widest = std::max(widest, metrics.horizontalAdvance(cell->text()));
    }
    int needed = widest > 0 ? widest + TextMargins() : 0;
    if (headerRow_) needed = std::max(needed, horizontalHeader()->sectionSizeHint(column));
    return needed;
}

int StringGrid::TextMargins() const {
    // The item delegate's text margin either side, and the grid line.
    return 2 * (style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1) + 2;
}

void StringGrid::GrowToFit(int column, const QString& text) {
    // Only the new text is measured: a list of a thousand labels stays quick to fill.
    int needed = text.isEmpty() ? 0 : QFontMetrics(font()).horizontalAdvance(text) + TextMargins();
    if (headerRow_) needed = std::max(needed, horizontalHeader()->sectionSizeHint(column));
    if (needed <= columnWidth(column)) return;
    setColumnWidth(column, needed);
    KeepColumnsInView();
}

void StringGrid::FitColumn(int column) {
    const int least = leastWidths_.value(column, columnWidth(column));
    const int width = std::max(least, FixedTextWidth(column));
    if (width != columnWidth(column)) setColumnWidth(column, width);
    KeepColumnsInView();
}

void StringGrid::KeepColumnsInView() {
    if (horizontalScrollBarPolicy() != Qt::ScrollBarAlwaysOff) return;
    int total = 2 * frameWidth();
    for (int c = 0; c < columnCount(); ++c) total += columnWidth(c);
    if (verticalScrollBarPolicy() == Qt::ScrollBarAlwaysOn) total += verticalScrollBar()->sizeHint().width();
    setMinimumWidth(total);
}

QTableWidgetItem* StringGrid::EnsureItem(int column, int row) {
    QTableWidgetItem* cell = item(row, column);
    if (!cell) {
        cell = new QTableWidgetItem;
        StyleCell(cell, column, row);
        setItem(row, column, cell);
    }
    return cell;
}

void StringGrid::StyleCell(QTableWidgetItem* cell, int column, int row) const {
    const bool fixed = column < fixedCols_ || row < fixedRows_;
    Qt::ItemFlags flags = Qt::ItemIsEnabled;
    if (!fixed) {
        flags |= Qt::ItemIsSelectable;
        if (IsCheckCell(column, row)) flags |= Qt::ItemIsUserCheckable;
        else if (editable_) flags |= Qt::ItemIsEditable;
    }
    cell->setFlags(flags);
    if (!fixed && IsCheckCell(column, row) && !cell->data(Qt::CheckStateRole).isValid())
        cell->setCheckState(Qt::Unchecked);
    cell->setBackground(fixed ? palette().button() : palette().base());
}

void StringGrid::RestyleAll() {
    for (int r = 0; r < rowCount(); ++r)
        for (int c = 0; c < columnCount(); ++c) StyleCell(EnsureItem(c, r), c, r);
}

void StringGrid::StashCellsBeyond(int columns, int rows) {
    for (int r = 0; r < rowCount(); ++r)
        for (int c = 0; c < columnCount(); ++c)
            if (r >= rows || c >= columns)
                if (!Cell(c, r).isEmpty()) stashed_.insert({c, r}, Cell(c, r));
}

void StringGrid::RestoreStashedCells() {
    for (auto it = stashed_.begin(); it != stashed_.end();) {
        const auto [c, r] = it.key();
        if (c < columnCount() && r < rowCount()) {
            const QString text = it.value();
            it = stashed_.erase(it);
            SetCell(c, r, text);
        } else {
            ++it;
        }
    }
}

void StringGrid::SetColCount(int count) {
    count = std::max(count, 0);
    StashCellsBeyond(count, rowCount());
    setColumnCount(count);
    RestyleAll();
    RestoreStashedCells();
    if (headerRow_)
        for (int c = 0; c < columnCount(); ++c) setHorizontalHeaderItem(c, new QTableWidgetItem(Cell(c, 0)));
}

void StringGrid::SetRowCount(int count) {
    count = std::max(count, 0);
    StashCellsBeyond(columnCount(), count);
    setRowCount(count);
    RestyleAll();
    RestoreStashedCells();
}

void StringGrid::SetFixedCols(int count) {
    fixedCols_ = count;
    RestyleAll();
}

void StringGrid::SetFixedRows(int count) {
    fixedRows_ = count;
    RestyleAll();
}

void StringGrid::SetCheckColumn(int column) {
    checkColumn_ = column;
    RestyleAll();
}

void StringGrid::SetEditable(bool editable) {
    editable_ = editable;
    setEditTriggers(editable ? (QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                                QAbstractItemView::AnyKeyPressed | QAbstractItemView::SelectedClicked)
                             : QAbstractItemView::NoEditTriggers);
    RestyleAll();
}

QString StringGrid::SelectedText() const {
    const QModelIndexList cells = selectedIndexes();
    if (cells.isEmpty()) return {};
    int top = cells.first().row(), bottom = top, left = cells.first().column(), right = left;
    for (const QModelIndex& cell : cells) {
        top = std::min(top, cell.row());
        bottom = std::max(bottom, cell.row());
        left = std::min(left, cell.column());
        right = std::max(right, cell.column());
    }
    QStringList lines;
    for (int r = top; r <= bottom; ++r) {
        QStringList fields;
        for (int c = left; c <= right; ++c) {
            const QTableWidgetItem* cell = item(r, c);
            fields << (cell && cell->isSelected() ? cell->text() : QString());
        }
        lines << fields.join(QLatin1Char('\t'));
    }
    return lines.join(QLatin1Char('\n'));
}

void StringGrid::keyPressEvent(QKeyEvent* event) {
    if (event == QKeySequence::Copy && !IsEditing()) {
        if (const QString text = SelectedText(); !text.isEmpty()) QGuiApplication::clipboard()->setText(text);
        event->accept();
        return;
    }
    QTableWidget::keyPressEvent(event);
}

int StringGrid::TopRow() const { return verticalScrollBar()->value(); }

void StringGrid::SetTopRow(int row) { verticalScrollBar()->setValue(row); }

}  // namespace kurvex::gui
