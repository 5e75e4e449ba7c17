// The main window from start to close: first-run defaults, menus, the
// settings file, recent files, the open dialog's first folder and help.
#include <sys/stat.h>
#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTest>
#include <csignal>

#include <QTextBrowser>

#include "core/common/FileIo.h"
#include "core/common/ProgramFolder.h"
#include "gui/app/AboutBox.h"
#include "gui/app/EndSignals.h"
#include "gui/app/HelpViewer.h"
#include "gui/app/RecentFileList.h"
#include "gui/common/RadioGroup.h"
#include "gui/common/StringGrid.h"
#include "gui/data/FileDialogs.h"
#include "gui/data/ReadData.h"
#include "tests/gui/support/MainWindowFixture.h"

using namespace kurvex;
using namespace kurvex::gui;
using kurvex::test::MainWindowFixture;

namespace {

QStringList Captions(const QMenu* menu) {
    QStringList captions;
    for (const QAction* action : menu->actions())
        captions << (action->isSeparator() ? QStringLiteral("-") : action->text());
    return captions;
}

QStringList Lines(const QByteArray& text) { return QString::fromUtf8(text).split(QStringLiteral("\n")); }

}  // namespace

class MainWindowStartTest : public QObject {
    Q_OBJECT

private slots:
    void firstRunShowsAboutBoxThenDefaults();
    void menusHaveTheirCaptionsAndAccessKeys();
    void settingsSurviveARestartByteForByte();
    void changedValuesAreTheOnlyDifference();
    void storedCoefficientsOfALongerModelSurvive();
    void unusableCurrentDirectoryFallsBackToProgramFolder();
    void storedPlacesStayOnScreenAndAnUnreadableFileIsKept();
    void anEndSignalClosesAsTheUserDoes();
    void recentFileListRules();
    void recentCountAboveTenReadsTenAndKeepsOlderEntries();
    void missingRecentFileIsRemovedOnlyOnYes();
    void firstOpenDialogStartsInSamples();
    void helpKeywordsOpenTheirPages();
};

void MainWindowStartTest::firstRunShowsAboutBoxThenDefaults() {
    MainWindowFixture fixture;
    TForm1& form = fixture.Start();
    QCOMPARE(fixture.Modals().Seen(), QStringList{QStringLiteral("AboutBox")});
    QCOMPARE(form.AboutBox->windowTitle(), QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報"));
    QVERIFY(!QFileInfo::exists(fixture.SettingsPath()));

    QCOMPARE(form.windowTitle(), QStringLiteral("回帰分析"));
    QCOMPARE(form.ComboBoxEq->count(), 10);
    QCOMPARE(form.ComboBoxEq->currentIndex(), 0);
    QCOMPARE(form.ComboBoxEq->itemText(3), QStringLiteral("y = C0*x1/(C1+x1)            (Michaelis-Menten model)"));
    // The tenth item shows the registered general equation (the built-in first entry).
    QCOMPARE(form.ComboBoxEq->itemText(9), QStringLiteral("y = C0+C1*X1+C2*X1^2+C3*X1^3"));
    QCOMPARE(form.EdtAlammx->text(), QStringLiteral("250"));
    QCOMPARE(form.EdtItmax->text(), QStringLiteral("100"));
    QCOMPARE(form.EditConfLimit->text(), QStringLiteral("95"));
    QCOMPARE(form.EditdX->text(), QStringLiteral("0.000001"));
    QVERIFY(form.BitBtn1->isHidden());
    QVERIFY(!form.D1->isEnabled());
    QVERIFY(!form.G1->isEnabled());
    QVERIFY(!form.Tool1->isEnabled());
    QVERIFY(!form.SaveData->isEnabled());
    QVERIFY(!form.G2->isEnabled());
    QVERIFY(form.Open1->isEnabled());

    // Model 0 with one variable: C0 and C1, results page in front, condition tabs hidden.
    QCOMPARE(form.StringGridCoefInit->RowCount(), 3);
    QCOMPARE(form.StringGridCoefInit->Cell(0, 0), QStringLiteral("係数"));
    QCOMPARE(form.StringGridCoefInit->Cell(1, 0), QStringLiteral("初期値"));
    QCOMPARE(form.StringGridCoefInit->Cell(2, 0), QStringLiteral("許容誤差"));
    QCOMPARE(form.StringGridCoefInit->Cell(0, 2), QStringLiteral("C1"));
    QCOMPARE(form.StringGridCoefInit->Cell(1, 2), QStringLiteral("1"));
    QCOMPARE(form.StringGridCoefInit->Cell(2, 2), QStringLiteral("0.000001"));
    QCOMPARE(form.StringGridCoefficients->Cell(1, 0), QStringLiteral("係数"));
    QCOMPARE(form.StringGridCoefficients->Cell(0, 1), QStringLiteral("C0 ="));
    QCOMPARE(form.StringGridLimit->Cell(1, 0), QStringLiteral("信頼限界"));
    QCOMPARE(form.StringGridLimit->Cell(0, 2), QStringLiteral("±"));
    QCOMPARE(form.PageControl1->currentWidget(), form.TabSheet3);
    QVERIFY(!form.PageControl1->isTabVisible(0));
    QVERIFY(!form.PageControl1->isTabVisible(1));
    for (QLineEdit* edit :
         {form.EdtNS, form.EdtSSQ, form.EdtSE, form.EditR2, form.EditR, form.EditDF, form.EditFV, form.EditSP})
        QVERIFY(edit->text().isEmpty());

    // Closing with "閉じる" writes the settings file.
    form.BitBtn6->click();
    QVERIFY(QFileInfo::exists(fixture.SettingsPath()));
    const QStringList lines = Lines(fixture.SettingsText());
    QVERIFY(lines.contains(QStringLiteral("Alarm Max=250")));
    QVERIFY(lines.contains(QStringLiteral("Method Number for Calcuating Differential=1")));
    QVERIFY(lines.contains(QStringLiteral("Number of Listed Files=0")));
    QVERIFY(fixture.Modals().Unexpected().isEmpty());
}

void MainWindowStartTest::menusHaveTheirCaptionsAndAccessKeys() {
    MainWindowFixture fixture;
    TForm1& form = fixture.Start();
    // The last two before the separator are the report's commands.
    QCOMPARE(form.BaseFileItemCount(), 11);
    QCOMPARE(Captions(form.File1),
             (QStringList{"データの読み込み(&O)", "データの作成(&P)", "-", "使用データの保存(&S)",
                          "グラフ画面の保存(&G)", "回帰曲線データの保存(&R)", "スプライン回帰曲線データの保存(&S)",
                          "信頼帯付き回帰曲線データの保存(&B)", "レポートの保存(&H)", "-", "終了(&Q)"}));
    QCOMPARE(Captions(form.D1), QStringList{"入力画面(&F)"});
    QCOMPARE(Captions(form.G1),
             (QStringList{"軸の設定(&A)", "グラフのリフレッシュ(&R)", "信頼帯・予測帯の表示(&B)", "残差プロット(&E)",
                          "-", "画面コピー(&C)", "印刷(&P)", "印刷プレビュー(&V)"}));
    QCOMPARE(Captions(form.CopyGraph), (QStringList{"メタファイル(&M)", "ビットマップファイル(&B)"}));
    QCOMPARE(Captions(form.Tool1),
             (QStringList{"回帰式による予測(&P)", "スプラインの描画(&S)", "-", "相関のKendallの検定(&K)"}));
    QCOMPARE(Captions(form.Help1), (QStringList{"目次(&C)", "キーワードﾞ検索(&K)", "-", "バージョン情報(&V)"}));
    QStringList bar;
    for (const QAction* action : form.menuBar()->actions()) bar << action->text();
    QCOMPARE(bar, (QStringList{"ファイル(&F)", "データ(&D)", "グラフ(&G)", "ツール(&T)", "ヘルプ(&H)"}));

    // "バージョン情報" shows the about box again, modally.
    fixture.Modals().ThenAccept(QStringLiteral("AboutBox"));
    form.About1->trigger();
    QCOMPARE(fixture.Modals().Seen().size(), 2);

    // "終了" closes the window as "閉じる" does.
    form.Exit1->trigger();
    QVERIFY(!form.isVisible());
    QVERIFY(QFileInfo::exists(fixture.SettingsPath()));
}

void MainWindowStartTest::settingsSurviveARestartByteForByte() {
    MainWindowFixture fixture;
    fixture.Start();
    fixture.Stop();
    const QByteArray first = fixture.SettingsText();
    QVERIFY(!first.isEmpty());
    fixture.Start();
    fixture.Stop();
    QCOMPARE(fixture.SettingsText(), first);
}

void MainWindowStartTest::changedValuesAreTheOnlyDifference() {
    MainWindowFixture fixture;
    // Sections of other windows and unknown keys must stay where they are.
    fixture.WriteFile(QStringLiteral("unused"), {});
    fixture.Start();
    fixture.Stop();
    QByteArray text = fixture.SettingsText();
    text.prepend("[Notes]\nfirst line=kept\n\n");
    text.append("[Somebody Else]\nKey With Spaces=kept\n");
    QFile file(fixture.SettingsPath());
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text);
    file.close();
    const QStringList before = Lines(text);

    TForm1& form = fixture.Start();
    QCOMPARE(form.EdtAlammx->text(), QStringLiteral("250"));
    form.EdtAlammx->setText(QStringLiteral("300"));
    form.EditConfLimit->setText(QStringLiteral("99"));
    fixture.Stop();
    const QStringList after = Lines(fixture.SettingsText());
    QCOMPARE(after.size(), before.size());
    QStringList changed;
    for (int i = 0; i < after.size(); ++i)
        if (after[i] != before[i]) changed << after[i];
    QCOMPARE(changed, (QStringList{"Alarm Max=300", "Confidence Limit=99"}));

    TForm1& again = fixture.Start();
    QCOMPARE(again.EdtAlammx->text(), QStringLiteral("300"));
    QCOMPARE(again.EditConfLimit->text(), QStringLiteral("99"));
}

void MainWindowStartTest::storedCoefficientsOfALongerModelSurvive() {
    MainWindowFixture fixture;
    TForm1& form = fixture.Start();
    form.ComboBoxEq->setCurrentIndex(2);
    emit form.ComboBoxEq->activated(2);  // logistic: three coefficients
    QCOMPARE(form.StringGridCoefInit->RowCount(), 4);
    form.StringGridCoefInit->SetCell(1, 1, QStringLiteral("1.3"));
    form.StringGridCoefInit->SetCell(1, 3, QStringLiteral("0.5"));
    form.StringGridCoefInit->SetCell(2, 3, QStringLiteral("1E-8"));
    fixture.Stop();
    QVERIFY(Lines(fixture.SettingsText()).contains(QStringLiteral("Initial Values of C2=0.5")));

    TForm1& again = fixture.Start();
    QCOMPARE(again.ComboBoxEq->currentIndex(), 2);
    QCOMPARE(again.StringGridCoefInit->RowCount(), 4);
    QCOMPARE(again.StringGridCoefInit->Cell(1, 1), QStringLiteral("1.3"));
    QCOMPARE(again.StringGridCoefInit->Cell(1, 3), QStringLiteral("0.5"));
    QCOMPARE(again.StringGridCoefInit->Cell(2, 3), QStringLiteral("1E-8"));
    // Logistic shows the condition pages with "条件１" in front and derivative formulas.
    QCOMPARE(again.PageControl1->currentWidget(), again.TabSheet1);
    QVERIFY(!again.RadioGroup1->isEnabled());

    // Switching to a shorter model and back keeps the typed value of C2.
    again.ComboBoxEq->setCurrentIndex(3);
    emit again.ComboBoxEq->activated(3);
    QCOMPARE(again.StringGridCoefInit->RowCount(), 3);
    again.ComboBoxEq->setCurrentIndex(2);
    emit again.ComboBoxEq->activated(2);
    QCOMPARE(again.StringGridCoefInit->Cell(1, 3), QStringLiteral("0.5"));
}

void MainWindowStartTest::unusableCurrentDirectoryFallsBackToProgramFolder() {
    MainWindowFixture fixture;
    fixture.WriteFile(QStringLiteral("gui_MainWindowStartTest.ini"),
                      "[File]\nCurrent Directory=/no/such/folder/anywhere\n[Conditions]\nAlarm Max=777\n");
    QDir::setCurrent(QDir::rootPath());
    TForm1& form = fixture.Start();
    QCOMPARE(QDir::currentPath(), QDir(fixture.Folder()).canonicalPath());
    QCOMPARE(form.EdtAlammx->text(), QStringLiteral("777"));
    fixture.Stop();
    const QStringList lines = Lines(fixture.SettingsText());
    QVERIFY(lines.contains(QStringLiteral("Alarm Max=777")));
    QVERIFY(lines.contains(QStringLiteral("Current Directory=") + QDir(fixture.Folder()).canonicalPath()));
}

void MainWindowStartTest::storedPlacesStayOnScreenAndAnUnreadableFileIsKept() {
    MainWindowFixture fixture;
    // A huge size would make a window of gigabytes, a far-off place one the
    // user cannot reach; the window may stay as large as it opens by itself.
    const QSize builtIn = fixture.Start().size();
    fixture.Stop();
    fixture.WriteFile(QStringLiteral("gui_MainWindowStartTest.ini"),
                      "[Main Form]\nWidth=100000\nHeight=100000\nLeft=-5000\nTop=-70000\n"
                      "[Input Form]\nWidth=300\nHeight=200\nLeft=2000000\nTop=40\n");
    TForm1& form = fixture.Start();
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    QVERIFY(form.width() <= std::max(screen.width(), builtIn.width()));
    QVERIFY(form.height() <= std::max(screen.height(), builtIn.height()));
    QVERIFY(form.width() >= std::min(screen.width(), builtIn.width()));  // as large as it may be
    QVERIFY(screen.contains(form.pos()));
    QVERIFY(screen.contains(form.Form2->geometry()));
    QCOMPARE(form.Form2->width(), 300);
    fixture.Stop();

    // A settings file this run cannot read: the start goes on (a pipe no
    // longer blocks it), the user is told once, and the close leaves it.
    QFile::remove(fixture.SettingsPath());
    QCOMPARE(::mkfifo(QFile::encodeName(fixture.SettingsPath()).constData(), 0600), 0);
    const qsizetype before = fixture.Messages().messages.size();
    fixture.Start();
    QCOMPARE(fixture.Messages().messages.size(), before + 1);
    fixture.Stop();
    QCOMPARE(fixture.Messages().messages.size(), before + 1);
    QVERIFY(QFileInfo(fixture.SettingsPath()).exists());
    QVERIFY(!QFileInfo(fixture.SettingsPath()).isFile());
    ForgetKeptSettingsFiles();
}

void MainWindowStartTest::anEndSignalClosesAsTheUserDoes() {
    // Logout or shutdown (SIGTERM) must not end the program without its
    // settings: the window closes as on the user's close.
    MainWindowFixture fixture;
    TForm1& form = fixture.Start();
    CloseOnEndSignals(form);
    form.EdtAlammx->setText(QStringLiteral("4321"));
    QCOMPARE(::raise(SIGTERM), 0);
    QTRY_VERIFY(!form.isVisible());
    QVERIFY(Lines(fixture.SettingsText()).contains(QStringLiteral("Alarm Max=4321")));
    fixture.Stop();
}

void MainWindowStartTest::recentFileListRules() {
    RecentFileList list;
    list.Enter("/data/a.csv");
    list.Enter("/data/a.csv");
    QCOMPARE(list.Count(), 1);  // the same file twice
    list.Enter("/data/b.csv");
    list.Enter("/data/A.csv");  // case matters
    QCOMPARE(list.Count(), 3);
    list.Enter("/data/a.csv");  // moved to the front, not doubled
    QCOMPARE(list.Entries(), (std::vector<std::string>{"/data/a.csv", "/data/A.csv", "/data/b.csv"}));
    for (int i = 0; i < 11; ++i) list.Enter("/data/f" + std::to_string(i) + ".csv");
    QCOMPARE(list.Count(), 10);  // the eleventh drops the oldest
    QCOMPARE(list.At(0), std::string("/data/f10.csv"));
    QCOMPARE(list.At(9), std::string("/data/f1.csv"));
    QCOMPARE(list.MenuCaption(0), std::string("&0:f10.csv"));
    list.Remove(0);
    QCOMPARE(list.At(0), std::string("/data/f9.csv"));
    QCOMPARE(list.Count(), 9);

    // Through the window: loading moves a file to the front of the menu.
    MainWindowFixture fixture;
    TForm1& form = fixture.Start();
    const QString first = fixture.Sample(QStringLiteral("enzyme_kinetics.csv"));
    const QString second = fixture.Sample(QStringLiteral("bacterial_growth.csv"));
    QVERIFY(fixture.LoadAccepted(first));
    QVERIFY(fixture.LoadAccepted(second));
    QVERIFY(fixture.LoadAccepted(first));
    const QList<QAction*> items = form.RecentFileActions();
    QCOMPARE(items.size(), 2);
    QCOMPARE(items[0]->text(), QStringLiteral("&0:enzyme_kinetics.csv"));
    QCOMPARE(items[1]->text(), QStringLiteral("&1:bacterial_growth.csv"));
    QVERIFY(form.File1->actions().at(form.BaseFileItemCount())->isSeparator());
    // A recent item loads its file again.
    fixture.Modals().Then([](QWidget* modal) { kurvex::test::ClickButton(modal, QStringLiteral("BitBtn1")); });
    items[1]->trigger();
    QTRY_VERIFY(fixture.Modals().Idle());
    QCOMPARE(form.RecentFileActions().at(0)->text(), QStringLiteral("&0:bacterial_growth.csv"));
    fixture.Stop();
    const QStringList lines = Lines(fixture.SettingsText());
    QVERIFY(lines.contains(QStringLiteral("Number of Listed Files=2")));
    QVERIFY(lines.contains(QStringLiteral("File 0=") + second));
    QVERIFY(lines.contains(QStringLiteral("File 1=") + first));
}

void MainWindowStartTest::recentCountAboveTenReadsTenAndKeepsOlderEntries() {
    MainWindowFixture fixture;
    QByteArray ini = "[File]\nNumber of Listed Files=25\n";
    for (int i = 0; i < 12; ++i) ini += "File " + QByteArray::number(i) + "=/data/f" + QByteArray::number(i) + ".csv\n";
    fixture.WriteFile(QStringLiteral("gui_MainWindowStartTest.ini"), ini);
    TForm1& form = fixture.Start();
    QCOMPARE(form.RecentFiles().Count(), 10);
    QCOMPARE(form.RecentFileActions().size(), 10);
    QCOMPARE(form.RecentFileActions().at(9)->text(), QStringLiteral("&9:f9.csv"));
    fixture.Stop();
    const QStringList lines = Lines(fixture.SettingsText());
    QVERIFY(lines.contains(QStringLiteral("Number of Listed Files=10")));
    QVERIFY(lines.contains(QStringLiteral("File 11=/data/f11.csv")));  // beyond the count: left in the file

    // An empty entry ends the list early.
    fixture.WriteFile(QStringLiteral("gui_MainWindowStartTest.ini"),
                      "[File]\nNumber of Listed Files=3\nFile 0=/data/a.csv\nFile 1=\nFile 2=/data/c.csv\n");
    TForm1& again = fixture.Start();
    QCOMPARE(again.RecentFiles().Count(), 1);
}

void MainWindowStartTest::missingRecentFileIsRemovedOnlyOnYes() {
    MainWindowFixture fixture;
    const QString existing = fixture.Sample(QStringLiteral("enzyme_kinetics.csv"));
    fixture.WriteFile(QStringLiteral("gui_MainWindowStartTest.ini"),
                      "[File]\nNumber of Listed Files=2\nFile 0=/no/such/gone.csv\nFile 1=" + existing.toUtf8() + "\n");
    TForm1& form = fixture.Start();
    QCOMPARE(form.RecentFileActions().size(), 2);

    fixture.Messages().answers = {MessageAnswer::No};
    form.RecentFileActions().at(0)->trigger();
    QCOMPARE(fixture.Messages().messages.size(), std::size_t{1});
    const RecordedMessage& question = fixture.Messages().messages.back();
    QCOMPARE(question.text, std::string("指定されたファイルが見つかりません。メニューから削除しますか。"));
    QCOMPARE(question.kind, MessageKind::Error);
    QCOMPARE(question.buttons, MessageButtons::YesNo);
    QCOMPARE(form.RecentFiles().Count(), 2);

    fixture.Messages().answers = {MessageAnswer::Yes};
    form.RecentFileActions().at(0)->trigger();
    QCOMPARE(form.RecentFiles().Count(), 1);
    QCOMPARE(form.RecentFileActions().size(), 1);
    QCOMPARE(form.RecentFileActions().at(0)->text(), QStringLiteral("&0:enzyme_kinetics.csv"));
}

void MainWindowStartTest::firstOpenDialogStartsInSamples() {
    MainWindowFixture fixture;
    TForm1& form = fixture.Start();
    QString initialPath;
    SetOpenFileDialogHook([&initialPath](const FileDialogRequest& request) {
        initialPath = request.initialPath;
        return QString();  // cancelled
    });
    form.Open1->trigger();
    SetOpenFileDialogHook({});
    QVERIFY2(initialPath.endsWith(QStringLiteral("samples/")), qPrintable(initialPath));
    QVERIFY(QFileInfo(initialPath + QStringLiteral("enzyme_kinetics.csv")).exists());
    QCOMPARE(form.Form2->OpenDialogFileName(), QString());  // a cancelled dialog leaves no name behind

    // A chosen file goes on to the data input window.
    const QString sample = fixture.Sample(QStringLiteral("enzyme_kinetics.csv"));
    SetOpenFileDialogHook([&sample](const FileDialogRequest&) { return sample; });
    fixture.Modals().Then([](QWidget* modal) { kurvex::test::ClickButton(modal, QStringLiteral("BitBtn1")); });
    form.Open1->trigger();
    SetOpenFileDialogHook({});
    QVERIFY(fixture.Modals().Idle());
    QVERIFY(form.BitBtn1->isVisibleTo(&form));
    QCOMPARE(form.Form2->OpenDialogFileName(), sample);
}

void MainWindowStartTest::helpKeywordsOpenTheirPages() {
    MainWindowFixture fixture;
    TForm1& form = fixture.Start();
    THelpViewer& help = *form.HelpViewer;
    QCOMPARE(help.PageCount(), 12);
    const QList<QPair<QString, QString>> expected = {
        {QStringLiteral("データの読み込み"), QStringLiteral("loading.html")},
        {QStringLiteral("データの作成"), QStringLiteral("makedata.html")},
        {QStringLiteral("計算結果"), QStringLiteral("results.html")},
        {QStringLiteral("式の記述"), QStringLiteral("formula.html")},
    };
    for (const auto& [keyword, page] : expected) {
        form.ShowHelpKeyword(keyword);
        QCOMPARE(help.CurrentPage(), page);
        QVERIFY(help.isVisible());
    }
    form.BitBtn5->click();  // "解説"
    QCOMPARE(help.CurrentPage(), QStringLiteral("results.html"));
    QVERIFY(help.Browser->toPlainText().contains(QStringLiteral("残差平方和")));

    form.Contents->trigger();
    QCOMPARE(help.TabsNavigation->currentIndex(), 0);
    QCOMPARE(help.CurrentPage(), QStringLiteral("index.html"));
    QCOMPARE(help.ListContents->count(), 12);

    form.N1->trigger();  // keyword search with an empty keyword lists every keyword
    QCOMPARE(help.TabsNavigation->currentIndex(), 1);
    QCOMPARE(help.EditKeyword->text(), QString());
    QCOMPARE(help.ListKeywords->count(), help.Keywords().size());
    QTest::keyClicks(help.EditKeyword, QStringLiteral("Kendall"));
    QVERIFY(help.ListKeywords->count() >= 1);
    QVERIFY(help.ListKeywords->count() < help.Keywords().size());
    QTest::keyClick(help.EditKeyword, Qt::Key_Return);
    QCOMPARE(help.CurrentPage(), QStringLiteral("kendall.html"));

    // An unknown keyword opens the search with it typed in, nothing else.
    form.ShowHelpKeyword(QStringLiteral("存在しない語"));
    QCOMPARE(help.EditKeyword->text(), QStringLiteral("存在しない語"));
    QCOMPARE(help.ListKeywords->count(), 0);
}

QTEST_MAIN(MainWindowStartTest)
#include "MainWindowStartTest.moc"
