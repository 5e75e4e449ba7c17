// Kurvex: nonlinear regression analysis.
#include <QApplication>
#include <QFont>
#include <QLibraryInfo>
#include <QLocale>
#include <QSocketNotifier>
#include <QTimer>
#include <QTranslator>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

#include "app/OrlaMain.h"
#include "chart/ChartPanel.h"
#include "common/GuiMessageSink.h"

namespace {

// Logout, shutdown and Ctrl+C end the program as the window's close does,
// settings written. The handler only writes a byte; the event loop reads it.
int signalPipe[2] = {-1, -1};

void OnEndSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t ignored = ::write(signalPipe[1], &byte, 1);
}

void InstallEndSignals() {
    if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
    struct sigaction action {};
    action.sa_handler = OnEndSignal;
    sigemptyset(&action.sa_mask);
    // A second signal ends the program at once, should the close not come through.
    action.sa_flags = SA_RESTART | SA_RESETHAND;
    for (const int signal : {SIGTERM, SIGHUP, SIGINT}) ::sigaction(signal, &action, nullptr);
}

// Closes the open dialogs, then the main window, which writes the settings.
// A running fit is stopped by the first close; the next attempt ends it.
void CloseOnEndSignal(QWidget& mainWindow) {
    if (signalPipe[0] < 0) return;
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &mainWindow);
    auto* closer = new QTimer(&mainWindow);
    closer->setInterval(100);
    QObject::connect(closer, &QTimer::timeout, &mainWindow, [&mainWindow] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            modal->close();
            return;
        }
        if (mainWindow.isVisible()) mainWindow.close();
        if (!mainWindow.isVisible()) QApplication::quit();
    });
    QObject::connect(notifier, &QSocketNotifier::activated, &mainWindow, [notifier, closer] {
        char bytes[16];
        while (::read(signalPipe[0], bytes, sizeof bytes) > 0) {
        }
        notifier->setEnabled(false);
        closer->start();
    });
}

}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    InstallEndSignals();
    QApplication::setApplicationName(QStringLiteral("Kurvex"));

    // Qt's own buttons and dialogs (file dialogs, print preview) in Japanese.
    QTranslator qtTranslator;
    if (qtTranslator.load(QStringLiteral("qtbase_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTranslator);
    QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));

    // The chart and the windows name Windows font families; map them to the
    // IPA fonts before the first widget asks for a font.
    kurvex::gui::InstallJapaneseFontSubstitutions();
    kurvex::gui::InstallGuiMessageSink();

    kurvex::gui::TForm1 form1;
    CloseOnEndSignal(form1);
    form1.show();
    return QApplication::exec();
}
