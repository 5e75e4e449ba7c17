#include "gui/common/GuiMessageSink.h"

#include <QApplication>
#include <QCursor>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QString>

#include "core/common/MessageCaption.h"

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

// Notes whether a box is being closed by Escape or its close box.
class ClosingWatch : public QObject {
public:
    bool closed = false;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Close) closed = true;
        if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) closed = true;
        return QObject::eventFilter(watched, event);
    }
};

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
        // Escape and the close box are told apart from a click on "いいえ":
        // for some questions closing means what "はい" means.
        ClosingWatch closing;
        box.installEventFilter(&closing);
        box.exec();
        if (box.clickedButton() == yes) return MessageAnswer::Yes;
        return closing.closed ? MessageAnswer::Closed : MessageAnswer::No;
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
