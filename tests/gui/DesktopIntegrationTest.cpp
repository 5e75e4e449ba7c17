// The ways a desktop opens files and the keys it expects: a file named on
// the command line, a file dropped onto the main window, the standard
// shortcuts, Ctrl+C in the result grids; and where an installed program
// finds its help pages and samples.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QDropEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include "core/common/Version.h"
#include "gui/app/AboutBox.h"
#include "gui/app/AppFolders.h"
#include "gui/app/FileOpening.h"
#include "gui/app/HelpViewer.h"
#include "gui/common/StringGrid.h"
#include "gui/data/ReadData.h"
#include "tests/gui/support/MainWindowFixture.h"

using namespace kurvex;
using namespace kurvex::gui;
using kurvex::test::MainWindowFixture;

namespace {

// Presses "読込み" in the data input window the next time it opens.
void AcceptDataWindow(MainWindowFixture& fixture) {
    fixture.Modals().Then([](QWidget* modal) {
        QCOMPARE(modal->objectName(), QStringLiteral("Form2"));
        kurvex::test::ClickButton(modal, QStringLiteral("BitBtn1"));
    });
}

// Drags `urls` onto the window: whether it accepts the drag, and drops them if so.
bool Drop(TForm1& form, const QList<QUrl>& urls) {
    QMimeData mime;
    mime.setUrls(urls);
    const QPointF where(form.width() / 2.0, form.height() / 2.0);
    QDragEnterEvent enter(where.toPoint(), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&form, &enter);
    if (!enter.isAccepted()) return false;
    QDropEvent drop(where, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&form, &drop);
    return drop.isAccepted();
}

}  // namespace

class DesktopIntegrationTest : public QObject {
    Q_OBJECT

private slots:
    void commandLineFileOpensAsTheOpenCommand();
    void droppedFileOpensTheSameWay();
    void standardKeysAreShownAndWork();
    void ctrlCCopiesTheSelectedResultCells();
    void installedProgramFindsHelpAndSamplesInShare();
};

void DesktopIntegrationTest::commandLineFileOpensAsTheOpenCommand() {
    MainWindowFixture fixture;
    const QString sample = fixture.Sample(QStringLiteral("enzyme_kinetics.csv"));
    // Relative to the folder the program starts in; nothing named: nothing opened.
    QCOMPARE(DataFileArgument({QStringLiteral("kurvex"), QStringLiteral("enzyme_kinetics.csv")}), sample);
    QCOMPARE(DataFileArgument({QStringLiteral("kurvex")}), QString());

    TForm1& form = fixture.Start();
    AcceptDataWindow(fixture);
    OpenDataFileLater(form, sample);
    QTRY_VERIFY(fixture.Modals().Idle());
    QTRY_VERIFY(form.BitBtn1->isVisibleTo(&form));  // a data set was built
    QCOMPARE(form.RecentFiles().Count(), 1);
    QCOMPARE(QString::fromStdString(form.RecentFiles().At(0)), sample);
    QCOMPARE(form.Form2->OpenDialogFileName(), sample);

    // A file that is not there: the open command's message, nothing changes.
    OpenDataFileLater(form, fixture.Folder() + QStringLiteral("/missing.csv"));
    QTRY_COMPARE(fixture.Messages().Texts().size(), std::size_t{1});
    QVERIFY(fixture.Messages().Texts().front().starts_with("ファイルを読み込めません。\n"));
    QCOMPARE(form.RecentFiles().Count(), 1);
    QVERIFY(fixture.Modals().Unexpected().isEmpty());
}

void DesktopIntegrationTest::droppedFileOpensTheSameWay() {
    MainWindowFixture fixture;
    const QString sample = fixture.Sample(QStringLiteral("bacterial_growth.csv"));
    TForm1& form = fixture.Start();
    QVERIFY(form.acceptDrops());

    // Several files, a folder or a remote link are refused at the door.
    QVERIFY(!Drop(form, {QUrl::fromLocalFile(sample), QUrl::fromLocalFile(sample)}));
    QVERIFY(!Drop(form, {QUrl::fromLocalFile(fixture.Folder())}));
    QVERIFY(!Drop(form, {QUrl(QStringLiteral("https://example.org/data.csv"))}));

    AcceptDataWindow(fixture);
    QVERIFY(Drop(form, {QUrl::fromLocalFile(sample)}));
    QTRY_VERIFY(fixture.Modals().Idle());
    QTRY_VERIFY(form.BitBtn1->isVisibleTo(&form));
    QCOMPARE(QString::fromStdString(form.RecentFiles().At(0)), sample);
    QVERIFY(fixture.Modals().Unexpected().isEmpty());
}

void DesktopIntegrationTest::standardKeysAreShownAndWork() {
    MainWindowFixture fixture;
    TForm1& form = fixture.Start();
    QCOMPARE(form.Open1->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_O));
    QCOMPARE(form.Print1->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_P));
    QCOMPARE(form.Exit1->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Q));
    QCOMPARE(form.Contents->shortcut(), QKeySequence(Qt::Key_F1));

    // Offscreen, the closed about box stays the active window until told otherwise.
    QApplication::setActiveWindow(&form);
    QTRY_COMPARE(QApplication::activeWindow(), &form);
    QTest::keyClick(form.windowHandle(), Qt::Key_F1);
    QTRY_VERIFY(form.HelpViewer->isVisible());
    form.HelpViewer->close();
    QApplication::setActiveWindow(&form);

    QTest::keyClick(form.windowHandle(), Qt::Key_Q, Qt::ControlModifier);
    QTRY_VERIFY(!form.isVisible());
    QVERIFY(QFileInfo::exists(fixture.SettingsPath()));  // closed as by 終了: settings written
}

void DesktopIntegrationTest::ctrlCCopiesTheSelectedResultCells() {
    MainWindowFixture fixture;
    TForm1& form = fixture.Start();
    for (StringGrid* grid : {form.StringGridCoefficients, form.StringGridLimit}) {
        grid->SetCell(1, 1, QStringLiteral("2.482377"));
        grid->SetCell(1, 2, QStringLiteral("0.5"));
        grid->SetCell(1, 3, QStringLiteral("7"));
        grid->clearSelection();
        grid->setRangeSelected(QTableWidgetSelectionRange(1, 1, 2, 1), true);
        QTest::keyClick(grid, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("2.482377\n0.5"));
    }
    // Rows and columns of a wider grid: tabs between the cells, lines between the rows.
    StringGrid grid(3, 3);
    grid.setSelectionMode(QAbstractItemView::ContiguousSelection);
    grid.SetCell(1, 1, QStringLiteral("a"));
    grid.SetCell(2, 1, QStringLiteral("b"));
    grid.SetCell(2, 2, QStringLiteral("d"));
    grid.setRangeSelected(QTableWidgetSelectionRange(1, 1, 2, 2), true);
    QTest::keyClick(&grid, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("a\tb\n\td"));
}

void DesktopIntegrationTest::installedProgramFindsHelpAndSamplesInShare() {
    QTemporaryDir prefix;
    QDir(prefix.path()).mkpath(QStringLiteral("bin"));
    QDir(prefix.path()).mkpath(QStringLiteral("share/kurvex/help"));
    QDir(prefix.path()).mkpath(QStringLiteral("share/kurvex/samples"));
    QFile toc(prefix.filePath(QStringLiteral("share/kurvex/help/toc.txt")));
    QVERIFY(toc.open(QIODevice::WriteOnly));
    toc.close();
    const std::filesystem::path installed = prefix.filePath(QStringLiteral("bin/kurvex")).toStdString();
    QCOMPARE(FindDataFolder(installed, QStringLiteral("help"), QStringLiteral("toc.txt")),
             prefix.filePath(QStringLiteral("share/kurvex/help")));
    QCOMPARE(FindDataFolder(installed, QStringLiteral("samples"), QString()),
             prefix.filePath(QStringLiteral("share/kurvex/samples")));

    // Files beside the executable (a build tree, a portable copy) come first.
    QDir(prefix.path()).mkpath(QStringLiteral("bin/samples"));
    QCOMPARE(FindDataFolder(installed, QStringLiteral("samples"), QString()),
             prefix.filePath(QStringLiteral("bin/samples")));

    // The about box and kurvex-cli --version show the version of the build.
    TAboutBox about;
    QCOMPARE(about.findChild<QLabel*>(QStringLiteral("Version"))->text(),
             QStringLiteral("Version ") + QString::fromLatin1(kProgramVersion));
}

QTEST_MAIN(DesktopIntegrationTest)
#include "DesktopIntegrationTest.moc"
