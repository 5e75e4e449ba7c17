#pragma once
// A main window started as a user starts it, in a temporary program folder:
// the about box is answered, message boxes go to a recording sink.
#include <QString>
#include <QTemporaryDir>
#include <memory>

#include "core/common/MessageSink.h"
#include "gui/app/OrlaMain.h"
#include "tests/gui/support/ModalDriver.h"

namespace kurvex::test {

class MainWindowFixture {
public:
    MainWindowFixture();
    ~MainWindowFixture();

    // Creates and shows the window; the about box is accepted.
    gui::TForm1& Start();
    // Closes the window (settings are written) and destroys it.
    void Stop();

    // Copies a bundled sample into the program folder and returns its path.
    QString Sample(const QString& name) const;
    // Writes a file into the program folder and returns its path.
    QString WriteFile(const QString& name, const QByteArray& content) const;
    QString Folder() const { return folder_.path(); }
    QString SettingsPath() const;
    QByteArray SettingsText() const;

    // Loads a file through Load and show, pressing "読込み" in the data input window.
    bool LoadAccepted(const QString& path);
    // Registers C0*X1/(C1+X1) with its two derivatives as a new entry of the
    // equation editor (一般式の設定 → 新規 → 登録 → OK).
    void RegisterMichaelisMentenEntry();

    gui::TForm1& Form() { return *form_; }
    ModalDriver& Modals() { return modals_; }
    RecordingMessageSink& Messages() { return messages_; }

private:
    QTemporaryDir folder_;
    RecordingMessageSink messages_;
    ScopedMessageSink scopedSink_{messages_};
    ModalDriver modals_;
    std::unique_ptr<gui::TForm1> form_;
};

// The path of a bundled file in the source tree (samples/, help/).
QString SourceFile(const QString& relativePath);

}  // namespace kurvex::test
