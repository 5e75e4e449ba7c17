#include "common/GuiMessageSink.h"

#include <QApplication>
#include <QCursor>
#include <QMessageBox>
#include <QPushButton>
#include <QString>

#include "common/MessageCaption.h"

namespace kurvex::gui {

namespace {

QMessageBox::Icon IconFor(MessageKind kind) {
    switch (kind) {
    case MessageKind::Error: return QMessageBox::Critical;
    case MessageKind::Warning: return QMessageBox::Warning;
    case MessageKind::Information: return QMessageBox::Information;
    case MessageKind::Confirmation: return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

QString TitleFor(MessageKind kind) {
    switch (kind) {
    case MessageKind::Error: return QStringLiteral("エラー");
    case MessageKind::Warning: return QStringLiteral("警告");
    case MessageKind::Information: return QStringLiteral("情報");
    case MessageKind::Confirmation: return QStringLiteral("確認");
    }
    return QString();
}

}  // namespace

MessageAnswer GuiMessageSink::Show(MessageKind kind, const std::string& text, MessageButtons buttons) {
    // A question in the middle of a busy step is answered with the arrow.
    const bool busy = QApplication::overrideCursor() != nullptr;
    if (busy) QApplication::setOverrideCursor(QCursor(Qt::ArrowCursor));
    struct RestoreCursor {
        bool busy;
        ~RestoreCursor() {
            if (busy) QApplication::restoreOverrideCursor();
        }
    } restore{busy};
    QWidget* parent = QApplication::activeModalWidget();
    if (!parent) parent = QApplication::activeWindow();
    QMessageBox box(IconFor(kind), TitleFor(kind), QString::fromStdString(text), QMessageBox::NoButton, parent);
    box.setObjectName(QStringLiteral("KurvexMessageBox"));
    // Result boxes carry their own caption, and their figures can be selected and copied.
    if (!CurrentMessageCaption().empty()) box.setWindowTitle(QString::fromStdString(CurrentMessageCaption()));
    box.setTextInteractionFlags(Qt::TextSelectableByMouse);
    // The button captions are set here rather than left to the translation, so
    // the answers read the same whatever Qt translation is installed.
    if (buttons == MessageButtons::YesNo) {
        QPushButton* yes = box.addButton(QStringLiteral("はい(&Y)"), QMessageBox::YesRole);
        QPushButton* no = box.addButton(QStringLiteral("いいえ(&N)"), QMessageBox::NoRole);
        yes->setObjectName(QStringLiteral("YesButton"));
        no->setObjectName(QStringLiteral("NoButton"));
        box.setDefaultButton(yes);
        box.setEscapeButton(no);
        box.exec();
        return box.clickedButton() == yes ? MessageAnswer::Yes : MessageAnswer::No;
    }
    QPushButton* ok = box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    ok->setObjectName(QStringLiteral("OkButton"));
    box.setDefaultButton(ok);
    box.setEscapeButton(ok);
    box.exec();
    return MessageAnswer::Ok;
}

void GuiMessageSink::Beep() { QApplication::beep(); }

void InstallGuiMessageSink() {
    static GuiMessageSink sink;
    SetMessageSink(&sink);
}

}  // namespace kurvex::gui
