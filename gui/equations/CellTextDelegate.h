#pragma once
// The in-place editor of the equation editor's grids. A comma or a line break
// would split an entry's line in the list file and a double quote would be
// lost on reading, so a text holding one is refused instead of committed.
// The delegate also remembers the editor it opened, for the copy
// and paste commands of the list's context menu.
#include <QPointer>
#include <QStyledItemDelegate>
#include <functional>

class QLineEdit;

namespace kurvex::gui {

class CellTextDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    explicit CellTextDelegate(QObject* parent = nullptr);

    // Runs after the editor has closed when such a text was refused.
    void SetRefusedHandler(std::function<void()> handler) { refused_ = std::move(handler); }

    // The editor open at this moment (null when none is open).
    QLineEdit* OpenEditor() const;
    // True from the first in-place edit on.
    bool EditorEverOpened() const { return everOpened_; }

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;

private:
    std::function<void()> refused_;
    mutable QPointer<QWidget> editor_;
    mutable bool everOpened_ = false;
};

}  // namespace kurvex::gui
