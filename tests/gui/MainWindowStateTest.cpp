// Commands and pages follow the data set and the model now in use: the spline
// menu after each build, a visit to the data window that is cancelled, the
// page shown after a fit without results, stored choices that no longer fit,
// and the progress window of a second run.
#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include "gui/chart/ChartComposer.h"
#include "gui/common/RadioGroup.h"
#include "gui/common/StringGrid.h"
#include "gui/equations/EquSet.h"
#include "gui/regression/Processing.h"
#include "tests/gui/support/MainWindowFixture.h"

using namespace kurvex;
using namespace kurvex::gui;
using kurvex::test::ClickButton;
using kurvex::test::MainWindowFixture;

namespace {

void ChooseModel(TForm1& form, int index) {
    form.ComboBoxEq->setCurrentIndex(index);
    emit form.ComboBoxEq->activated(index);
}

// Loads `path` with `explanatory` X variables (columns 2.. by default) through "読込み".
bool LoadWith(MainWindowFixture& fixture, const QString& path, int explanatory) {
    fixture.Modals().Then([explanatory](QWidget* modal) {
        auto* dim = modal->findChild<QComboBox*>(QStringLiteral("ComboBoxDim"));
        dim->setCurrentText(QString::number(explanatory));
        ClickButton(modal, QStringLiteral("BitBtn1"));
    });
    return fixture.Form().LoadAndShow(path);
}

}  // namespace

class MainWindowStateTest : public QObject {
    Q_OBJECT

private slots:
    void splineMenuFollowsTheDataSetJustBuilt() {
        MainWindowFixture fixture;
        TForm1& form = fixture.Start();
        QVERIFY(LoadWith(fixture, fixture.Sample(QStringLiteral("fuel_consumption.csv")), 2));
        QCOMPARE(form.FitState().data.nx, 2);
        QVERIFY(!form.DrawSpline->isEnabled());
        QVERIFY(LoadWith(fixture, fixture.Sample(QStringLiteral("enzyme_kinetics.csv")), 1));
        QCOMPARE(form.FitState().data.nx, 1);
        QVERIFY(form.DrawSpline->isEnabled());

        // After a fit, a new build leaves no curve: nothing for a refresh to do.
        ChooseModel(form, 3);
        form.BitBtn1->click();
        QVERIFY(form.GraphRefresh->isEnabled());
        QVERIFY(LoadWith(fixture, fixture.Sample(QStringLiteral("enzyme_kinetics.csv")), 1));
        QVERIFY(!form.GraphRefresh->isEnabled());
        QVERIFY(fixture.Modals().Unexpected().isEmpty());
    }

    void cancelledVisitFromTheChartKeepsTheFit() {
        MainWindowFixture fixture;
        TForm1& form = fixture.Start();
        QVERIFY(fixture.LoadAccepted(fixture.Sample(QStringLiteral("enzyme_kinetics.csv"))));
        ChooseModel(form, 3);
        form.BitBtn1->click();
        const QString c0 = form.StringGridCoefficients->Cell(1, 1);
        QVERIFY(!c0.isEmpty());

        // はい, a cell typed into, then ｷｬﾝｾﾙ: the table comes back, and so must everything built on it.
        fixture.Messages().answers.push_back(MessageAnswer::Yes);
        fixture.Modals().Then([](QWidget* modal) {
            auto* grid = modal->findChild<QTableView*>(QStringLiteral("StringGrid1"));
            QTest::keyClicks(grid, QStringLiteral("9"));
            ClickButton(modal, QStringLiteral("BitBtn2"));
        });
        form.Composer->Chart1ClickSeries(2);
        QVERIFY(fixture.Modals().Idle());
        QCOMPARE(form.StringGridCoefficients->Cell(1, 1), c0);
        QVERIFY(form.FitState().results.valid);
        QVERIFY(form.PredictMenu->isEnabled());
        QVERIFY(form.SaveRegression->isEnabled());
    }

    void aFitWithoutResultsShowsAPageThatCanBeSeen() {
        MainWindowFixture fixture;
        TForm1& form = fixture.Start();
        QVERIFY(fixture.LoadAccepted(fixture.Sample(QStringLiteral("enzyme_kinetics.csv"))));
        ChooseModel(form, 0);
        QVERIFY(!form.PageControl1->isTabVisible(form.PageControl1->indexOf(form.TabSheet1)));
        // Cancelled as soon as the progress window shows: the line has no results.
        QTimer::singleShot(0, form.FrmProgress, [&form] { form.FrmProgress->BitBtn1->click(); });
        form.BitBtn1->click();
        QVERIFY(!form.FitState().results.valid);
        QVERIFY(form.PageControl1->isTabVisible(form.PageControl1->currentIndex()));
    }

    void storedChoicesOutsideTheirRangeFallBack() {
        MainWindowFixture fixture;
        TForm1& form = fixture.Start();
        fixture.RegisterMichaelisMentenEntry();
        ChooseModel(form, 3);
        fixture.Stop();

        // A built-in model stored: the tenth item still shows the registered equation.
        TForm1& again = fixture.Start();
        QCOMPARE(again.FitState().model.index, 3);
        QCOMPARE(again.ComboBoxEq->itemText(kGeneralModelIndex), QStringLiteral("y = C0*X1/(C1+X1)"));
        ChooseModel(again, kGeneralModelIndex);
        QCOMPARE(again.FitState().model.index, kGeneralModelIndex);
        QVERIFY(fixture.Modals().Idle());  // chosen without the editor
        fixture.Stop();

        // A derivative method no button stands for: the default, not none.
        QByteArray settings = fixture.SettingsText();
        settings.replace("Method Number for Calcuating Differential=1", "Method Number for Calcuating Differential=7");
        settings.replace("Method Number for Calcuating Differential=0", "Method Number for Calcuating Differential=7");
        settings.replace("Width of Form Column=", "Width of Form Column=-5");
        fixture.WriteFile(QStringLiteral("settings.tmp"), settings);
        QFile::remove(fixture.SettingsPath());
        QFile::rename(fixture.Folder() + QStringLiteral("/settings.tmp"), fixture.SettingsPath());
        TForm1& third = fixture.Start();
        QCOMPARE(third.FitState().model.index, kGeneralModelIndex);
        QCOMPARE(third.RadioGroup1->ItemIndex(), 0);
        QVERIFY(third.FrmEquSet->StringGrid1->columnWidth(1) > 8);
    }

    void progressOfASecondRunStartsWithoutTheLastCount() {
        MainWindowFixture fixture;
        TForm1& form = fixture.Start();
        QVERIFY(fixture.LoadAccepted(fixture.Sample(QStringLiteral("enzyme_kinetics.csv"))));
        ChooseModel(form, 3);
        form.BitBtn1->click();
        QVERIFY(form.FrmProgress->LblComment->text().contains(QStringLiteral("繰り返し数")));
        form.FrmProgress->StartProgress("ただいま、計算中.......");
        QCOMPARE(form.FrmProgress->ProgressBar1->value(), 0);
        QVERIFY(form.FrmProgress->LblComment->text().isEmpty());
        form.FrmProgress->FinishProgress();
    }
};

QTEST_MAIN(MainWindowStateTest)
#include "MainWindowStateTest.moc"
