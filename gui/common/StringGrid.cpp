#include "common/StringGrid.h"

#include <QHeaderView>
#include <QScrollBar>
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
    if (IsCheckCell(column, row)) EnsureItem(column, row)->setCheckState(text == QLatin1String("1") ? Qt::Checked : Qt::Unchecked);
    else EnsureItem(column, row)->setText(text);
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
    if (!fixed && IsCheckCell(column, row) && !cell->data(Qt::CheckStateRole).isValid()) cell->setCheckState(Qt::Unchecked);
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

int StringGrid::TopRow() const { return verticalScrollBar()->value(); }

void StringGrid::SetTopRow(int row) { verticalScrollBar()->setValue(row); }

}  // namespace kurvex::gui
