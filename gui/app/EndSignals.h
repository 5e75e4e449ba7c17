#pragma once
// Logout, shutdown and Ctrl+C (SIGTERM, SIGHUP, SIGINT) end the program as
// the main window's close does: open dialogs are closed, then the window,
// which writes the settings; a running fit is stopped first. A second signal
// ends the program at once, should the close not come through.
#include <QWidget>

namespace kurvex::gui {

// Catches the signals from now on (call it right after the application is
// made: the main window's construction may already show a message); dialogs
// opened before the main window exists are closed.
void InstallEndSignals();
// The window to close on a signal (installs the signals if need be).
void CloseOnEndSignals(QWidget& mainWindow);

}  // namespace kurvex::gui
