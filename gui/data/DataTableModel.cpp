#include "data/DataTableModel.h"

#include <QApplication>
#include <QBrush>
#include <QPalette>
#include <QString>
#include <QTimer>

#include "common/MessageSink.h"
#include "data/DataTable.h"

namespace kurvex::gui {

DataTableModel::DataTableModel(kurvex::DataTable* table, QObject* parent)
    : QAbstractTableModel(parent), table_(table) {}

void DataTableModel::Reload() {
  beginResetModel();
  endResetModel();
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

void DataTableModel::InsertRowAfter(int row) {
  NotifyBeforeChange();
  // The new table row row + 1 is model row `row`.
  beginInsertRows(QModelIndex(), row, row);
  table_->InsertRowAfter(row);
  endInsertRows();
  // Row numbers are positions: every header below the insertion shifts.
  emit headerDataChanged(Qt::Vertical, row, rowCount() - 1);
}

void DataTableModel::DeleteRow(int row) {
  NotifyBeforeChange();
  beginRemoveRows(QModelIndex(), row - 1, row - 1);
  table_->DeleteRow(row);
  endRemoveRows();
  if (row - 1 < rowCount()) emit headerDataChanged(Qt::Vertical, row - 1, rowCount() - 1);
}

void DataTableModel::InsertColumnAfter(int column) {
  NotifyBeforeChange();
  beginInsertColumns(QModelIndex(), column, column);
  table_->InsertColumnAfter(column);
  endInsertColumns();
  emit headerDataChanged(Qt::Horizontal, column, columnCount() - 1);
}

void DataTableModel::DeleteColumn(int column) {
  NotifyBeforeChange();
  beginRemoveColumns(QModelIndex(), column - 1, column - 1);
  table_->DeleteColumn(column);
  endRemoveColumns();
  // The columns that moved left take the labels of their new positions.
  if (column - 1 < columnCount()) emit headerDataChanged(Qt::Horizontal, column - 1, columnCount() - 1);
}

int DataTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : table_->RowCount() - 1;
}

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
    default:
      return {};
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
        kurvex::ShowError("1つのセルにはタブや改行を入力できません。\n値はセルごとに入力して下さい。");
      });
    }
    return false;
  }
  const QByteArray text = typed.toUtf8();
  const std::string_view newText(text.constData(), static_cast<std::size_t>(text.size()));
  if (table_->DataCell(index.column() + 1, index.row() + 1) != newText) {
    NotifyBeforeChange();
    table_->SetCell(index.column() + 1, index.row() + 1, newText);
    emit dataChanged(index, index, {Qt::DisplayRole, Qt::EditRole});
  }
  if (afterEdit_) afterEdit_();
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
