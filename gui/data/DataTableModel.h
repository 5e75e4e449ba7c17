#pragma once

// The item model of `StringGrid1`: reads and writes the cells of the data
// table directly, so a table of any size costs no object per cell. Model row
// i and column j are table row i + 1 and column j + 1; the label row and the
// row-number column are the view's headers, tied to their positions.

#include <QAbstractTableModel>

#include <functional>

namespace kurvex {
class DataTable;
}  // namespace kurvex

namespace kurvex::gui {

class DataTableModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  explicit DataTableModel(kurvex::DataTable* table, QObject* parent = nullptr);

  // Called before any change of the table's cells or size (the window copies
  // its Cancel snapshot there) and after a cell was edited.
  void SetBeforeChange(std::function<void()> callback) { beforeChange_ = std::move(callback); }
  void SetAfterEdit(std::function<void()> callback) { afterEdit_ = std::move(callback); }

  // The table was replaced or reloaded: the view starts over.
  void Reload();
  // The fixed rows or columns, or the editability, changed: repaint.
  void RefreshLook();

  // Pop-up menu commands in table coordinates (row >= 1, column >= 1).
  void InsertRowAfter(int row);
  void DeleteRow(int row);
  void InsertColumnAfter(int column);
  void DeleteColumn(int column);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  // A text holding a tab or a line break (a block pasted from a spreadsheet)
  // is refused with a message: written to the file it would split the row.
  // Line breaks at its end only (one copied cell) are dropped.
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 private:
  bool IsFixed(const QModelIndex& index) const;
  void NotifyBeforeChange();

  kurvex::DataTable* table_;
  std::function<void()> beforeChange_;
  std::function<void()> afterEdit_;
  bool refusalPending_ = false;  // the message about a refused text is on its way
};

}  // namespace kurvex::gui
