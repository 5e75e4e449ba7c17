#include "gui/equations/CellTextDelegate.h"

#include <QLineEdit>
#include <QTimer>

#include "core/equations/EquationList.h"

namespace kurvex::gui {

CellTextDelegate::CellTextDelegate(QObject* parent) : QStyledItemDelegate(parent) {}

QLineEdit* CellTextDelegate::OpenEditor() const { return qobject_cast<QLineEdit*>(editor_.data()); }

QWidget* CellTextDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                                        const QModelIndex& index) const {
    QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
    editor_ = editor;
    everOpened_ = true;
    return editor;
}

void CellTextDelegate::setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const {
    if (const auto* line = qobject_cast<QLineEdit*>(editor); line && BreaksEquationFile(line->text().toStdString())) {
        // The message waits until the editor is gone: a modal box inside the
        // commit would take the focus from the closing editor.
        if (refused_) QTimer::singleShot(0, this, [handler = refused_] { handler(); });
        return;
    }
    QStyledItemDelegate::setModelData(editor, model, index);
}

}  // namespace kurvex::gui
