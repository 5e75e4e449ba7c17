#include "gui/app/EndSignals.h"

#include <fcntl.h>
#include <unistd.h>
#include <QApplication>
#include <QPointer>
#include <QSocketNotifier>
#include <QTimer>
#include <csignal>

namespace kurvex::gui {

namespace {

// The handler only writes a byte; the event loop reads it and closes.
int signalPipe[2] = {-1, -1};
QSocketNotifier* notifier = nullptr;
QPointer<QWidget> mainWindow;

void OnEndSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t ignored = ::write(signalPipe[1], &byte, 1);
}

// A modal dialog (the data window, a message) runs its own loop: it is
// closed first, then the main window; a close refused while a fit runs
// (which it stops) is tried again.
void CloseStep(QTimer* closer) {
    if (QWidget* modal = QApplication::activeModalWidget()) {
        modal->close();
        return;
    }
    if (mainWindow.isNull()) return;  // still being made: its turn comes
    if (mainWindow->isVisible()) mainWindow->close();
    if (!mainWindow->isVisible()) {
        closer->stop();
        QApplication::quit();
    }
}

}  // namespace

void InstallEndSignals() {
    if (notifier == nullptr) {
        if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
        notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, qApp);
        auto* closer = new QTimer(qApp);
        closer->setInterval(100);
        QObject::connect(closer, &QTimer::timeout, qApp, [closer] { CloseStep(closer); });
        QObject::connect(notifier, &QSocketNotifier::activated, qApp, [closer] {
            char bytes[16];
            while (::read(signalPipe[0], bytes, sizeof bytes) > 0) {
            }
            notifier->setEnabled(false);
            closer->start();
            CloseStep(closer);
        });
    }
    notifier->setEnabled(true);
    struct sigaction action {};
    action.sa_handler = OnEndSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART | SA_RESETHAND;
    for (const int signal : {SIGTERM, SIGHUP, SIGINT}) ::sigaction(signal, &action, nullptr);
}

void CloseOnEndSignals(QWidget& window) {
    InstallEndSignals();
    mainWindow = &window;
}

}  // namespace kurvex::gui
