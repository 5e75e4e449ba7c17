// The main window with data: loading enables the commands, model choice
// sizes the tables, "計算" shows the core's results, the busy state.
#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPixmap>
#include <QPushButton>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include "core/common/NumberFormat.h"
#include "core/common/ProgressSink.h"
#include "core/regression/Calculate.h"
#include "core/regression/StartEstimates.h"
#include "gui/common/RadioGroup.h"
#include "gui/common/StringGrid.h"
#include "gui/data/FileDialogs.h"
#include "gui/data/ReadData.h"
#include "gui/data/SaveData.h"
#include "gui/regression/Processing.h"
#include "gui/tools/PredictionWindow.h"
#include "tests/gui/support/MainWindowFixture.h"

using namespace kurvex;
using namespace kurvex::gui;
using kurvex::test::MainWindowFixture;

namespace {

void ChooseModel(TForm1& form, int index) {
    form.ComboBoxEq->setCurrentIndex(index);
    emit form.ComboBoxEq->activated(index);
}

double Number(const QString& text) {
    const auto value = ParseNumber(text.toStdString());
    return value ? *value : -1e300;
}

FitConditionTexts TextsOf(const TForm1& form) {
    FitConditionTexts texts;
    texts.lambdaUpperBound = form.EdtAlammx->text().toStdString();
    texts.maxIterations = form.EdtItmax->text().toStdString();
    texts.increment = form.EditdX->text().toStdString();
    texts.confidencePercent = form.EditConfLimit->text().toStdString();
    for (int j = 1; j <= form.FitState().model.m; ++j) {
        texts.initialValues.push_back(form.StringGridCoefInit->Cell(1, j).toStdString());
        texts.tolerances.push_back(form.StringGridCoefInit->Cell(2, j).toStdString());
    }
    texts.derivativeMethod = static_cast<DerivativeMethod>(form.RadioGroup1->ItemIndex());
    return texts;
}

// With KURVEX_SCREENSHOT_DIR set (under xvfb-run for real fonts), the window
// is saved as a picture for the documentation.
void SaveScreenshot(QWidget& window, const QString& name) {
    const QString folder = qEnvironmentVariable("KURVEX_SCREENSHOT_DIR");
    if (folder.isEmpty()) return;
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTest::qWait(200);
    QVERIFY(window.grab().save(folder + QLatin1Char('/') + name));
}

}  // namespace

class MainWindowFitTest : public QObject {
    Q_OBJECT

private slots:
    void loadingASampleEnablesTheDataCommands();
    void michaelisMentenHasTwoRowsAndConditionTabs();
    void calculateShowsWhatTheCoreComputes();
    void copyResultsNeedsAFit();
    void controlsAreLockedWhileAFitRuns();
    void failedBuildLeavesNothingToFit();
    void checksStopBeforeTheFit();
    void estimatedStartsAndFixedCoefficients();
};

void MainWindowFitTest::loadingASampleEnablesTheDataCommands() {
    MainWindowFixture fixture;
    TForm1& form = fixture.Start();
    // Cancel in the data input window changes nothing.
    fixture.Modals().Then([](QWidget* modal) { kurvex::test::ClickButton(modal, QStringLiteral("BitBtn2")); });
    QVERIFY(!form.LoadAndShow(fixture.Sample(QStringLiteral("enzyme_kinetics.csv"))));
    QVERIFY(form.BitBtn1->isHidden());
    QCOMPARE(form.RecentFiles().Count(), 0);

    QVERIFY(fixture.LoadAccepted(fixture.Sample(QStringLiteral("enzyme_kinetics.csv"))));
    QVERIFY(!form.BitBtn1->isHidden());
    QVERIFY(form.D1->isEnabled());
    QVERIFY(form.G1->isEnabled());
    QVERIFY(form.Tool1->isEnabled());
    QVERIFY(form.SaveData->isEnabled());
    QVERIFY(form.G2->isEnabled());
    QCOMPARE(form.EdtNS->text(), QStringLiteral("12"));
    QCOMPARE(form.FitState().data.n, 12);
    QCOMPARE(form.windowTitle(), QStringLiteral("回帰分析 /enzyme_kinetics.csv"));
    QCOMPARE(form.RecentFiles().Count(), 1);
    QVERIFY(fixture.Messages().messages.empty());
}

void MainWindowFitTest::michaelisMentenHasTwoRowsAndConditionTabs() {
    MainWindowFixture fixture;
    TForm1& form = fixture.Start();
    QVERIFY(fixture.LoadAccepted(fixture.Sample(QStringLiteral("enzyme_kinetics.csv"))));
    ChooseModel(form, 3);
    QCOMPARE(form.FitState().model.m, 2);
    QCOMPARE(form.StringGridCoefInit->RowCount(), 3);
    QCOMPARE(form.StringGridCoefInit->Cell(0, 1), QStringLiteral("C0"));
    QCOMPARE(form.StringGridCoefInit->Cell(0, 2), QStringLiteral("C1"));
    QCOMPARE(form.StringGridCoefficients->RowCount(), 3);
    QCOMPARE(form.StringGridLimit->RowCount(), 3);
    QVERIFY(form.PageControl1->isTabVisible(0));
    QVERIFY(form.PageControl1->isTabVisible(1));
    QCOMPARE(form.PageControl1->currentWidget(), form.TabSheet1);
    QVERIFY(!form.RadioGroup1->isEnabled());
    QCOMPARE(form.RadioGroup1->ItemIndex(), 1);
    QVERIFY(form.EditdX->isHidden());
    QVERIFY(form.Label2->isHidden());

    // "デフォルト" after typing resets the table and the increment.
    form.StringGridCoefInit->SetCell(1, 1, QStringLiteral("7"));
    form.StringGridCoefInit->SetCell(2, 2, QStringLiteral("0.1"));
    form.EditdX->setText(QStringLiteral("0.5"));
    form.ButtonDefault->click();
    QCOMPARE(form.StringGridCoefInit->Cell(1, 1), QStringLiteral("1"));
    QCOMPARE(form.StringGridCoefInit->Cell(2, 2), QStringLiteral("0.000001"));
    QCOMPARE(form.EditdX->text(), QStringLiteral("0.000001"));

    // Model 0 hides the condition tabs and brings "結果１" to the front.
    ChooseModel(form, 0);
    QVERIFY(!form.PageControl1->isTabVisible(0));
    QVERIFY(!form.PageControl1->isTabVisible(1));
    QCOMPARE(form.PageControl1->currentWidget(), form.TabSheet3);
    QCOMPARE(form.FitState().model.m, 2);
}

void MainWindowFitTest::calculateShowsWhatTheCoreComputes() {
    MainWindowFixture fixture;
    TForm1& form = fixture.Start();
    QVERIFY(fixture.LoadAccepted(fixture.Sample(QStringLiteral("enzyme_kinetics.csv"))));
    ChooseModel(form, 3);

    // The same fit run straight through the core, as the command-line tool does.
    TFitState oracle = form.FitState();
    SilentProgressSink silent;
    const CalculateOutcome expected = Calculate(oracle, oracle.data.nx, TextsOf(form), silent, {});
    QVERIFY(expected.resultsValid);

    form.BitBtn1->click();
    QVERIFY(fixture.Messages().messages.empty());
    QVERIFY(!form.FrmProgress->isVisible());
    QCOMPARE(form.PageControl1->currentWidget(), form.TabSheet3);
    const TResultFields& f = oracle.fields;
    QCOMPARE(form.EdtNS->text(), QStringLiteral("12"));
    QCOMPARE(form.EdtSSQ->text().toStdString(), f.EdtSSQ);
    QCOMPARE(form.EdtSE->text().toStdString(), f.EdtSE);
    QCOMPARE(form.EditR2->text().toStdString(), f.EditR2);
    QCOMPARE(form.EditR->text().toStdString(), f.EditR);
    QCOMPARE(form.EditRelativeError->text().toStdString(), f.EditRelativeError);
    QCOMPARE(form.EditDF->text(), QStringLiteral("1, 10"));
    QCOMPARE(form.EditFV->text().toStdString(), f.EditFV);
    QCOMPARE(form.EditSP->text().toStdString(), f.EditSP);
    for (int j = 0; j < 2; ++j) {
        QCOMPARE(form.StringGridCoefficients->Cell(1, j + 1).toStdString(), f.coefficients[j]);
        QCOMPARE(form.StringGridLimit->Cell(1, j + 1).toStdString(), f.limits[j]);
    }
    // The sample was made with Vmax 2.45 and Km 0.82 and 2.5 % noise.
    QVERIFY(std::abs(Number(form.StringGridCoefficients->Cell(1, 1)) - 2.45) < 0.15);
    QVERIFY(std::abs(Number(form.StringGridCoefficients->Cell(1, 2)) - 0.82) < 0.12);
    QVERIFY(Number(form.EditR2->text()) > 0.99);
    QVERIFY(Number(form.StringGridLimit->Cell(1, 1)) > 0);
    QVERIFY(form.GraphRefresh->isEnabled());
    QVERIFY(form.SaveRegression->isEnabled());
    // Both result pages say how the fit ended.
    QVERIFY(form.LblFitEnd1->text().startsWith(QStringLiteral("収束しました（繰り返し数：")));
    QCOMPARE(form.LblFitEnd1->text().toStdString(), f.fitEnd);
    QCOMPARE(form.LblFitEnd2->text(), form.LblFitEnd1->text());
    QVERIFY(!form.BitBtn1->isHidden());
    QVERIFY(form.BitBtn1->isEnabled());
    SaveScreenshot(form, QStringLiteral("main-window.png"));
    if (qEnvironmentVariableIsSet("KURVEX_SCREENSHOT_DIR")) {
        form.PageControl1->setCurrentWidget(form.TabSheet4);
        SaveScreenshot(form, QStringLiteral("main-window-statistics.png"));
        form.PageControl1->setCurrentWidget(form.TabSheet3);
    }

    // "回帰曲線データの保存": the main save dialog, then the 501 points of the curve.
    const QString chosen = fixture.Folder() + QStringLiteral("/curve");
    SetSaveFileDialogHook([&chosen](const FileDialogRequest& request) {
        return request.filterList == QStringLiteral("カンマ区切りファイル (*.csv)|*.CSV") ? chosen : QString();
    });
    form.SaveRegression->trigger();
    SetSaveFileDialogHook({});
    QFile curve(chosen + QStringLiteral(".CSV"));
    QVERIFY(curve.open(QIODevice::ReadOnly));
    const QStringList curveLines =
        QString::fromUtf8(curve.readAll()).split(QRegularExpression("\\r?\\n"), Qt::SkipEmptyParts);
    QCOMPARE(curveLines.size(), 502);
    QCOMPARE(curveLines.front(), QStringLiteral("基質濃度 S (mM),初速度 v (umol/min)"));
    // The same name again: the file it would replace is asked about, No keeps it.
    curve.close();
    QVERIFY(QFile::resize(curve.fileName(), 0));
    fixture.Messages().messages.clear();
    fixture.Messages().answers = {MessageAnswer::No};
    SetSaveFileDialogHook([&chosen](const FileDialogRequest&) { return chosen; });
    form.SaveRegression->trigger();
    SetSaveFileDialogHook({});
    QCOMPARE(fixture.Messages().Texts(),
             std::vector<std::string>{"curve.CSV は既に存在します。\n上書きしてよろしいですか。"});
    QCOMPARE(QFileInfo(curve.fileName()).size(), 0);
    fixture.Messages().messages.clear();

    // Changing the model empties the result columns, keeps the data set.
    ChooseModel(form, 4);
    QCOMPARE(form.StringGridCoefficients->Cell(1, 1), QString());
    QCOMPARE(form.EdtNS->text(), QStringLiteral("12"));
    // Its formula has no coefficients of its own yet: no prediction from the old model's.
    form.PredictMenu->trigger();
    QCOMPARE(fixture.Messages().Texts(), std::vector<std::string>{kNoCoefficientsForPredictionMessage});
    QVERIFY(!form.FrmPredict->isVisible());
    fixture.Messages().messages.clear();

    // The linear model on the same data: direct fit, limits with five digits.
    ChooseModel(form, 0);
    oracle = form.FitState();
    Calculate(oracle, oracle.data.nx, TextsOf(form), silent, {});
    form.BitBtn1->click();
    QCOMPARE(form.StringGridLimit->Cell(1, 2).toStdString(), oracle.fields.limits[1]);
    QCOMPARE(form.EditFV->text().toStdString(), oracle.fields.EditFV);
}

void MainWindowFitTest::copyResultsNeedsAFit() {
    MainWindowFixture fixture;
    TForm1& form = fixture.Start();
    QVERIFY(fixture.LoadAccepted(fixture.Sample(QStringLiteral("enzyme_kinetics.csv"))));
    ChooseModel(form, 3);
    form.BitBtn3->click();
    QCOMPARE(fixture.Messages().Texts(), std::vector<std::string>{"計算結果がありません。"});
    QCOMPARE(fixture.Messages().messages[0].kind, MessageKind::Confirmation);
    QCOMPARE(form.StringGridCoefInit->Cell(1, 1), QStringLiteral("1"));

    form.BitBtn1->click();
    const QString c0 = form.StringGridCoefficients->Cell(1, 1);
    const QString c1 = form.StringGridCoefficients->Cell(1, 2);
    QVERIFY(!c0.isEmpty());
    form.StringGridCoefInit->SetCell(2, 1, QStringLiteral("0.001"));
    form.BitBtn3->click();
    QCOMPARE(form.StringGridCoefInit->Cell(1, 1), c0);
    QCOMPARE(form.StringGridCoefInit->Cell(1, 2), c1);
    QCOMPARE(form.StringGridCoefInit->Cell(2, 1), QStringLiteral("0.001"));  // tolerances untouched
    QCOMPARE(fixture.Messages().messages.size(), std::size_t{1});
}

void MainWindowFitTest::controlsAreLockedWhileAFitRuns() {
    MainWindowFixture fixture;
    TForm1& form = fixture.Start();
    QVERIFY(fixture.LoadAccepted(fixture.Sample(QStringLiteral("bacterial_growth.csv"))));
    ChooseModel(form, 2);
    bool checked = false;
    // Runs inside the fit, when the progress window lets pending events through.
    QTimer::singleShot(0, &form, [&] {
        checked = true;
        QVERIFY(form.Busy());
        QVERIFY(form.FrmProgress->isVisible());
        QCOMPARE(form.FrmProgress->windowTitle(), QStringLiteral("ただいま、計算中......."));
        QVERIFY(!form.menuBar()->isEnabled());
        QVERIFY(!form.ComboBoxEq->isEnabled());
        QVERIFY(!form.BitBtn1->isEnabled());
        QVERIFY(!form.BitBtn4->isEnabled());
        QVERIFY(!form.BitBtn6->isEnabled());
        // A second calculate or a close during the fit does nothing harmful.
        form.BitBtn1Click();
        form.close();
        QVERIFY(form.isVisible());
        form.FrmProgress->BitBtn1->click();  // Cancel
    });
    form.BitBtn1->click();
    QVERIFY(checked);
    QVERIFY(form.FrmProgress->Cancelled());
    QVERIFY(!form.Busy());
    QVERIFY(form.menuBar()->isEnabled());
    QVERIFY(form.ComboBoxEq->isEnabled());
    QVERIFY(form.BitBtn1->isEnabled());
    QVERIFY(!form.FrmProgress->isVisible());
    QVERIFY(fixture.Messages().messages.empty());
}

void MainWindowFitTest::failedBuildLeavesNothingToFit() {
    MainWindowFixture fixture;
    TForm1& form = fixture.Start();
    QVERIFY(fixture.LoadAccepted(fixture.Sample(QStringLiteral("enzyme_kinetics.csv"))));
    const QString bad = fixture.WriteFile(QStringLiteral("no_numbers.csv"), "y,x\nabc,1\ndef,2\n");
    QVERIFY(!fixture.LoadAccepted(bad));
    QCOMPARE(fixture.Messages().Texts(), std::vector<std::string>{"有効なデータの組がありません。"});
    QCOMPARE(form.FitState().data.n, 0);
    QCOMPARE(form.EdtNS->text(), QStringLiteral("0"));
    form.BitBtn1->click();
    QCOMPARE(fixture.Messages().Texts().size(), std::size_t{2});
    QCOMPARE(fixture.Messages().Texts().back(), std::string("有効なデータの組がありません。"));
    QVERIFY(form.EdtSSQ->text().isEmpty());
    // Saving the used data refuses once, before any dialog, instead of "保存しました。" for a header alone.
    bool dialogShown = false;
    SetSaveFileDialogHook([&](const FileDialogRequest&) {
        dialogShown = true;
        return QString();
    });
    form.SaveData->trigger();
    SetSaveFileDialogHook({});
    QVERIFY(!dialogShown && !form.FrmSaveData->isVisible());
    QCOMPARE(fixture.Messages().Texts().size(), std::size_t{3});
    QCOMPARE(fixture.Messages().Texts().back(), std::string("有効なデータの組がありません。"));
}

void MainWindowFitTest::checksStopBeforeTheFit() {
    MainWindowFixture fixture;
    TForm1& form = fixture.Start();
    const QString three = fixture.WriteFile(QStringLiteral("three.csv"), "y,x\n1,1\n4,2\n9,3\n");
    QVERIFY(fixture.LoadAccepted(three));
    ChooseModel(form, 1);  // quadratic: three coefficients need more than three points
    form.BitBtn1->click();
    QCOMPARE(fixture.Messages().Texts(),
             std::vector<std::string>{"データ数が足りません。\n推定すべきパラメータ数 3 より多くして下さい。"});
    QVERIFY(form.EdtSSQ->text().isEmpty());

    ChooseModel(form, 3);
    form.StringGridCoefInit->SetCell(1, 1, QStringLiteral("abc"));
    form.BitBtn1->click();
    QCOMPARE(fixture.Messages().Texts().back(), std::string("'abc' は正しい浮動小数点数ではありません。"));
    QCOMPARE(form.PageControl1->currentWidget(), form.TabSheet1);  // nothing started
    QVERIFY(!form.FrmProgress->isVisible());
}

// "初期値の推定" fills the initial values from the data, "計算" then converges
// with the default conditions; a coefficient checked "固定" keeps its value.
void MainWindowFitTest::estimatedStartsAndFixedCoefficients() {
    MainWindowFixture fixture;
    TForm1& form = fixture.Start();
    QVERIFY(fixture.LoadAccepted(fixture.Sample(QStringLiteral("enzyme_kinetics.csv"))));
    ChooseModel(form, 6);
    QCOMPARE(form.StringGridCoefInit->Cell(kFixedColumn, 0), QStringLiteral("固定"));
    form.ButtonEstimateStart->click();
    QVERIFY(fixture.Messages().messages.empty());
    QVERIFY(Number(form.StringGridCoefInit->Cell(1, 3)) < 0);  // C2: a saturating rate
    SaveScreenshot(form, QStringLiteral("start-estimate.png"));
    form.BitBtn1->click();
    QVERIFY(form.LblFitEnd1->text().startsWith(QStringLiteral("収束しました")));

    // Pressed again at the least-squares answer itself, it never leaves a start that fits worse.
    auto columnSsr = [&form] {
        std::vector<double> c;
        for (int j = 1; j <= 3; ++j) c.push_back(Number(form.StringGridCoefInit->Cell(1, j)));
        return *SumOfSquaresAt(form.FitState().model, form.FitState().data, c);
    };
    for (int j = 0; j < 3; ++j)
        form.StringGridCoefInit->SetCell(1, j + 1,
                                         QString::fromStdString(ShortestNumberText(
                                             form.FitState().results.coefficients[static_cast<std::size_t>(j)])));
    const long double atAnswer = columnSsr();
    form.ButtonEstimateStart->click();
    QVERIFY(columnSsr() <= atAnswer * (1 + 1e-6L));

    // C1 of Michaelis–Menten held at 0.8: "固定" as its limit, one coefficient in the degrees of freedom.
    ChooseModel(form, 3);
    form.StringGridCoefInit->SetCell(1, 1, QStringLiteral("2"));
    form.StringGridCoefInit->SetCell(1, 2, QStringLiteral("0.8"));
    form.StringGridCoefInit->SetCell(kFixedColumn, 2, QStringLiteral("1"));
    form.BitBtn1->click();
    QCOMPARE(form.StringGridCoefficients->Cell(1, 2), QStringLiteral("0.8"));
    QCOMPARE(form.StringGridLimit->Cell(1, 2), QStringLiteral("固定"));
    QCOMPARE(form.EditDF->text(), QStringLiteral("0, 11"));
    QCOMPARE(form.CurrentSettings().fixed[1], std::string("1"));
}

QTEST_MAIN(MainWindowFitTest)
#include "MainWindowFitTest.moc"
