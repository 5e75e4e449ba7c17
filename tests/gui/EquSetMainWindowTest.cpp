// The equation editor and the tools windows reached from the main window:
// "一般式の設定" hands the registered formula and its derivatives to the
// model, the choice survives a restart, and the tools menu opens its windows.
#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "gui/chart/ChartPanel.h"
#include "gui/common/RadioGroup.h"
#include "gui/common/StringGrid.h"
#include "gui/equations/EquSet.h"
#include "gui/tools/PredictionWindow.h"
#include "tests/gui/support/MainWindowFixture.h"

using namespace kurvex;
using namespace kurvex::gui;
using kurvex::test::MainWindowFixture;

class EquSetMainWindowTest : public QObject {
    Q_OBJECT

private slots:
    void theRegisteredGeneralModelReachesTheMainWindowAndSurvivesARestart() {
        MainWindowFixture fixture;
        TForm1& form = fixture.Start();
        fixture.RegisterMichaelisMentenEntry();
        QVERIFY(fixture.Modals().Idle());
        QCOMPARE(form.ComboBoxEq->itemText(kGeneralModelIndex), QStringLiteral("y = C0*X1/(C1+X1)"));
        QCOMPARE(form.FitState().model.index, kGeneralModelIndex);
        QCOMPARE(form.FitState().model.m, 2);
        QVERIFY(form.RadioGroup1->isEnabled());
        QCOMPARE(form.FitState().model.derivativeFormulas,
                 (std::vector<std::string>{"X1/(C1+X1)", "-C0*X1/(C1+X1)^2"}));
        QCOMPARE(form.GeneralEquationIndex(), 1);

        // Cancel leaves the model as it was.
        fixture.Modals().Then([](QWidget* modal) { kurvex::test::ClickButton(modal, QStringLiteral("BitBtn2")); });
        form.BitBtn4->click();
        QCOMPARE(form.ComboBoxEq->itemText(kGeneralModelIndex), QStringLiteral("y = C0*X1/(C1+X1)"));

        fixture.Stop();
        const QByteArray settings = fixture.SettingsText();
        QVERIFY(settings.contains("General Model No=1"));
        QVERIFY(settings.contains("[Equation Form]"));
        QVERIFY(settings.contains("Width of Form Column="));

        // The next start prepares the editor on the stored entry without showing it.
        TForm1& again = fixture.Start();
        QCOMPARE(again.ComboBoxEq->itemText(kGeneralModelIndex), QStringLiteral("y = C0*X1/(C1+X1)"));
        QCOMPARE(again.FitState().model.index, kGeneralModelIndex);
        QCOMPARE(again.FitState().model.derivativeFormulas,
                 (std::vector<std::string>{"X1/(C1+X1)", "-C0*X1/(C1+X1)^2"}));
        QVERIFY(!again.FrmEquSet->isVisible());
    }

    void aNewEntryWithoutDerivativesIsFittedNumericallyAndSaysSo() {
        MainWindowFixture fixture;
        TForm1& form = fixture.Start();
        auto note = [&form] { return form.findChild<QLabel*>(QStringLiteral("LabelDerivativeNote")); };
        // The cubic, shown first, has all its derivative texts: the formula method is offered.
        fixture.Modals().Then([](QWidget* modal) { kurvex::test::ClickButton(modal, QStringLiteral("BitBtn1")); });
        form.BitBtn4->click();
        QVERIFY(form.RadioGroup1->isEnabled());
        QVERIFY(!note() || note()->isHidden());
        form.RadioGroup1->Item(1)->click();

        fixture.Modals().Then([](QWidget* modal) {
            auto* editor = qobject_cast<TFrmEquSet*>(modal);
            editor->StringGrid1Click(2);  // "新規", right after the cubic
            QTest::keyClicks(editor->EditEqu, QStringLiteral("c0*exp(-c1*x1)"));
            editor->BitBtn4Click();
            editor->BitBtn1Click();
        });
        form.BitBtn4->click();
        QVERIFY(fixture.Modals().Idle());
        QCOMPARE(form.FitState().model.m, 2);
        QVERIFY(form.FitState().model.derivativeFormulas.empty());
        QVERIFY(!form.RadioGroup1->isEnabled());
        QCOMPARE(form.RadioGroup1->ItemIndex(), 0);
        QVERIFY(note() && !note()->isHidden());
        QCOMPARE(note()->text(), QStringLiteral("導関数の式がすべて入力されていないため、数値微分で計算します。"));
        QVERIFY(fixture.Messages().messages.empty());

        // Browsing back to the cubic and cancelling changes neither the model nor the stored entry.
        fixture.Modals().Then([](QWidget* modal) {
            qobject_cast<TFrmEquSet*>(modal)->StringGrid1Click(1);
            kurvex::test::ClickButton(modal, QStringLiteral("BitBtn2"));
        });
        form.BitBtn4->click();
        QCOMPARE(form.GeneralEquationIndex(), 1);
        form.ComboBoxEqChange(kGeneralModelIndex);
        QVERIFY(form.FitState().model.derivativeFormulas.empty());
        QVERIFY(!form.RadioGroup1->isEnabled());
    }

    void anUnreadableListIsReportedOnceAtStart() {
        MainWindowFixture fixture;
        QVERIFY(QDir(fixture.Folder()).mkdir(QStringLiteral("Equation.txt")));  // a folder in the file's place
        fixture.Start();
        int reports = 0;
        for (const std::string& text : fixture.Messages().Texts())
            reports += text.rfind("登録式のファイルを読み込めません。", 0) == 0;
        QCOMPARE(reports, 1);
    }

    void theToolsMenuOpensItsWindows() {
        MainWindowFixture fixture;
        TForm1& form = fixture.Start();
        QVERIFY(fixture.LoadAccepted(fixture.Sample(QStringLiteral("enzyme_kinetics.csv"))));

        fixture.Modals().ThenAccept(QStringLiteral("FrmSetSpline"));
        form.DrawSpline->trigger();
        QVERIFY(fixture.Modals().Idle());
        QCOMPARE(form.Chart1->SeriesPointCount(SplineSeries), 101);
        QCOMPARE(form.Chart1->SeriesTitle(SplineSeries), QStringLiteral("Bayesian Spline"));
        QVERIFY(form.SaveSpline->isEnabled());

        // Twelve points: no question, the normal approximation at once.
        fixture.Messages().messages.clear();
        form.C2->trigger();
        QCOMPARE(fixture.Messages().messages.size(), std::size_t(1));
        QVERIFY(fixture.Messages().messages[0].text.rfind("正規近似による確率計算\nn = 12\n", 0) == 0);
        QVERIFY(form.menuBar()->isEnabled());

        form.BitBtn1->click();  // prediction needs a fit of the chosen model
        fixture.Modals().Then([](QWidget* modal) {
            auto* predict = qobject_cast<TFrmPredict*>(modal);
            QVERIFY(predict);
            QCOMPARE(predict->StringGridXValue->Cell(0, 1), QStringLiteral("X1"));
            predict->reject();
        });
        form.PredictMenuClick();
        QVERIFY(fixture.Modals().Idle());
    }
};

QTEST_MAIN(EquSetMainWindowTest)
#include "EquSetMainWindowTest.moc"
