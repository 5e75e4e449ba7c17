#pragma once

// Helpers shared by the data-window tests: temporary program folder and data
// files, message recording, answering file dialogs, and acting inside a
// modal window while it is shown.

#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>
#include <string>
#include <vector>

#include "core/common/MessageSink.h"
#include "core/common/ProgramFolder.h"
#include "gui/data/FileDialogs.h"

namespace datawin_test {

inline QString Q(const char* text) { return QString::fromUtf8(text); }

// Writes `text` to `dir`/`name` and returns the full path.
inline QString WriteFile(const QTemporaryDir& dir, const QString& name, const QByteArray& text) {
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) qFatal("cannot write test file");
    file.write(text);
    return path;
}

inline QByteArray ReadFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return file.readAll();
}

// Runs `open`, which shows `window` modally, and calls `act` once the window
// is on screen. A window that is still open 20 s later is rejected so that a
// failing check cannot hang the test run.
inline int WhileShown(QDialog& window, const std::function<void()>& act, const std::function<int()>& open) {
    bool acted = false;
    QTimer starter;
    starter.setInterval(0);
    QObject::connect(&starter, &QTimer::timeout, [&] {
        if (acted || !window.isVisible()) return;
        acted = true;
        starter.stop();
        window.activateWindow();
        act();
    });
    starter.start();
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [&] {
        if (window.isVisible()) window.done(QDialog::Rejected);
    });
    guard.start(20000);
    const int result = open();
    return result;
}

template <typename T>
T* Child(QObject& parent, const char* name) {
    T* child = parent.findChild<T*>(QString::fromLatin1(name));
    if (!child) qFatal("no child %s", name);
    return child;
}

inline void Click(QObject& window, const char* buttonName) {
    QTest::mouseClick(Child<QPushButton>(window, buttonName), Qt::LeftButton);
}

inline void SetComboText(QObject& window, const char* name, const QString& text) {
    QComboBox* box = Child<QComboBox>(window, name);
    const int position = box->findText(text);
    if (position >= 0) box->setCurrentIndex(position);
    else box->setEditText(text);
}

inline QString StatusText(QObject& window) { return Child<QStatusBar>(window, "StatusBar1")->currentMessage(); }

// Every test gets its own program folder (settings files), a recording
// message sink and answered file dialogs.
struct Environment {
    QTemporaryDir dir;
    kurvex::RecordingMessageSink messages;
    kurvex::ScopedMessageSink scope{messages};
    std::vector<kurvex::gui::FileDialogRequest> saveRequests;
    QString saveAnswer;  // the name the save dialog returns ("" = Cancel)

    Environment() {
        kurvex::SetProgramFolder(dir.path().toStdString());
        kurvex::gui::SetSaveFileDialogHook([this](const kurvex::gui::FileDialogRequest& request) {
            saveRequests.push_back(request);
            return saveAnswer;
        });
    }
    ~Environment() {
        kurvex::gui::SetSaveFileDialogHook({});
        kurvex::SetProgramFolder({});
    }
    std::vector<std::string> Texts() const { return messages.Texts(); }
};

}  // namespace datawin_test
