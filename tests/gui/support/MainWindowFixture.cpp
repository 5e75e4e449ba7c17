#include "tests/gui/support/MainWindowFixture.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "core/common/ProgramFolder.h"
#include "gui/common/StringGrid.h"
#include "gui/equations/EquSet.h"

namespace kurvex::test {

QString SourceFile(const QString& relativePath) { return QStringLiteral(KURVEX_SOURCE_DIR "/") + relativePath; }

MainWindowFixture::MainWindowFixture() {
    SetProgramFolder(folder_.path().toStdString());
    QDir::setCurrent(folder_.path());
}

MainWindowFixture::~MainWindowFixture() {
    if (form_) Stop();
    SetProgramFolder({});
}

gui::TForm1& MainWindowFixture::Start() {
    form_ = std::make_unique<gui::TForm1>();
    modals_.ThenAccept(QStringLiteral("AboutBox"));
    form_->show();
    return *form_;
}

void MainWindowFixture::Stop() {
    form_->close();
    form_.reset();
}

QString MainWindowFixture::Sample(const QString& name) const {
    const QString target = folder_.filePath(name);
    QFile::remove(target);
    QFile::copy(SourceFile(QStringLiteral("samples/") + name), target);
    return target;
}

QString MainWindowFixture::WriteFile(const QString& name, const QByteArray& content) const {
    const QString target = folder_.filePath(name);
    QFile file(target);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) file.write(content);
    return target;
}

QString MainWindowFixture::SettingsPath() const {
    return QString::fromStdString(form_ ? form_->SettingsPath().string()
                                        : (ProgramFolder() / (ExecutablePath().stem().string() + ".ini")).string());
}

QByteArray MainWindowFixture::SettingsText() const {
    QFile file(SettingsPath());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void MainWindowFixture::RegisterMichaelisMentenEntry() {
    modals_.Then([](QWidget* modal) {
        auto* editor = qobject_cast<gui::TFrmEquSet*>(modal);
        QVERIFY(editor);
        editor->StringGrid1Click(2);  // "新規"
        QTest::keyClicks(editor->EditEqu, QStringLiteral("c0*x1/(c1+x1)"));
        editor->BitBtn4Click();
        editor->StringGrid2->SetCell(1, 1, QStringLiteral("x1/(c1+x1)"));
        editor->StringGrid2->SetCell(1, 2, QStringLiteral("-c0*x1/(c1+x1)^2"));
        editor->BitBtn1Click();
    });
    form_->BitBtn4->click();
}

bool MainWindowFixture::LoadAccepted(const QString& path) {
    modals_.Then([](QWidget* modal) {
        QCOMPARE(modal->objectName(), QStringLiteral("Form2"));
        ClickButton(modal, QStringLiteral("BitBtn1"));
    });
    return form_->LoadAndShow(path);
}

}  // namespace kurvex::test
