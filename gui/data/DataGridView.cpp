#include "data/DataGridView.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyledItemDelegate>

namespace kurvex::gui {

namespace {

// Reports every key typed into a cell editor to the view, so that typing
// counts as a change even when the edit is abandoned with Escape.
class KeyReportingDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                        const QModelIndex& index) const override {
    QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
    if (editor) editor->installEventFilter(this->parent());
    return editor;
  }
};

}  // namespace

DataGridView::DataGridView(QWidget* parent) : QTableView(parent) {
  setItemDelegate(new KeyReportingDelegate(this));
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
  // Formulas name columns by position; a dragged column would silently
  // change what they mean.
  horizontalHeader()->setSectionsMovable(false);
  verticalHeader()->setSectionsMovable(false);
  setContextMenuPolicy(Qt::CustomContextMenu);
  setWordWrap(false);
}

void DataGridView::SetWholeRowSelection(bool on) {
  wholeRowSelection_ = on;
  setSelectionBehavior(on ? QAbstractItemView::SelectRows : QAbstractItemView::SelectItems);
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
  emit keyTyped();
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    MoveAfterEnter();
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
  QTableView::closeEditor(editor, hint);
  // Enter in a cell editor commits it and then moves on like Enter in the grid.
  if (hint == QAbstractItemDelegate::SubmitModelCache) MoveAfterEnter();
}

bool DataGridView::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) emit keyTyped();
  return QTableView::eventFilter(watched, event);
}

}  // namespace kurvex::gui
