#include "common/StringGrid.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
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
    return cell ? cell->text() : QString();
}

void StringGrid::SetCell(int column, int row, const QString& text) {
    if (column < 0 || row < 0) return;
    if (column >= columnCount() || row >= rowCount()) {
        // Written while cut off: shown again when the grid grows.
        stashed_.insert({column, row}, text);
        return;
    }
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

void StringGrid::StashCellsBeyond(int columns, int rows) {
    for (int r = 0; r < rowCount(); ++r)
        for (int c = 0; c < columnCount(); ++c)
            if (r >= rows || c >= columns)
                if (const QTableWidgetItem* cell = item(r, c); cell && !cell->text().isEmpty())
                    stashed_.insert({c, r}, cell->text());
}

void StringGrid::RestoreStashedCells() {
    for (auto it = stashed_.begin(); it != stashed_.end();) {
        const auto [c, r] = it.key();
        if (c < columnCount() && r < rowCount()) {
            EnsureItem(c, r)->setText(it.value());
            it = stashed_.erase(it);
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
