#include "tests/gui/support/ModalDriver.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QTest>

namespace kurvex::test {

ModalDriver::ModalDriver() {
    timer_.setInterval(10);
    connect(&timer_, &QTimer::timeout, this, &ModalDriver::Poll);
    timer_.start();
}

ModalDriver::~ModalDriver() { timer_.stop(); }

void ModalDriver::ThenAccept(const QString& name) {
    Then([name](QWidget* modal) {
        QCOMPARE(modal->objectName(), name);
        if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->accept();
    });
}

void ModalDriver::Poll() {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || !modal->isVisible()) {
        handled_ = nullptr;  // closed: the same window may come again later
        return;
    }
    if (modal == handled_) return;
    handled_ = modal;
    seen_ << modal->objectName();
    if (handlers_.empty()) {
        unexpected_ << modal->objectName();
        if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->reject();
        else modal->close();
        handled_ = nullptr;
        return;
    }
    Handler handler = std::move(handlers_.front());
    handlers_.pop_front();
    QPointer<QWidget> guard(modal);
    handler(modal);
    // Closed by the handler: the same window may be shown again before the next poll.
    if (!guard || !guard->isVisible()) handled_ = nullptr;
}

void ClickButton(QWidget* parent, const QString& name) {
    auto* button = parent->findChild<QAbstractButton*>(name);
    QVERIFY2(button, qPrintable(QStringLiteral("no button ") + name));
    button->click();
}

}  // namespace kurvex::test
