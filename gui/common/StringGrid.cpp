#include "common/StringGrid.h"

#include <QHeaderView>
#include <QScrollBar>

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
    const QTableWidgetItem* cell = item(row, column);
    return cell ? cell->text() : QString();
}

void StringGrid::SetCell(int column, int row, const QString& text) {
    if (column < 0 || row < 0 || column >= columnCount() || row >= rowCount()) return;
    EnsureItem(column, row)->setText(text);
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
        if (editable_) flags |= Qt::ItemIsEditable;
    }
    cell->setFlags(flags);
    cell->setBackground(fixed ? palette().button() : palette().base());
}

void StringGrid::RestyleAll() {
    for (int r = 0; r < rowCount(); ++r)
        for (int c = 0; c < columnCount(); ++c) StyleCell(EnsureItem(c, r), c, r);
}

void StringGrid::SetColCount(int count) {
    setColumnCount(count);
    RestyleAll();
}

void StringGrid::SetRowCount(int count) {
    setRowCount(count);
    RestyleAll();
}

void StringGrid::SetFixedCols(int count) {
    fixedCols_ = count;
    RestyleAll();
}

void StringGrid::SetFixedRows(int count) {
    fixedRows_ = count;
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
