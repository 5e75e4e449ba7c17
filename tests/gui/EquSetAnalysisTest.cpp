// A whole analysis with a general model typed and registered in the
// equation editor, with its derivative formulas: the fit through the model
// the editor hands over reaches the certified values of a reference problem
// and agrees with the fit by finite differences.

#include <QLineEdit>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <fstream>
#include <sstream>

#include "core/common/MessageSink.h"
#include "core/common/ProgramFolder.h"
#include "core/common/ProgressSink.h"
#include "core/regression/Calculate.h"
#include "core/regression/ModelSelection.h"
#include "gui/common/StringGrid.h"
#include "gui/equations/EquSet.h"

using namespace kurvex;
using namespace kurvex::gui;

namespace {

// Misra1a (y = b1*(1-exp(-b2*x))): data lines 61..74, columns y and x.
TFitData Misra1a() {
    std::ifstream in(std::string(KURVEX_TEST_DATA_DIR) + "/nist/nonlinear/Misra1a.dat");
    TFitData data;
    data.nx = 1;
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        if (number < 61 || number > 74) continue;
        std::istringstream fields(line);
        double y = 0, x = 0;
        fields >> y >> x;
        const std::vector<double> xs{x};
        data.AddPoint(number, y, 1, xs);
    }
    data.FinishSums();
    return data;
}

std::vector<double> Fit(const GeneralModelSource& general, DerivativeMethod method) {
    TFitState state;
    state.data = Misra1a();
    const ModelPresentation presentation = SelectModel(state.model, kGeneralModelIndex, 1, general);
    if (method == DerivativeMethod::Formulas && !presentation.derivativeChoiceEnabled) return {};
    FitConditionTexts texts;
    texts.maxIterations = "500";
    texts.initialValues = {"250", "0.0005"};
    texts.tolerances = {"0.000000001", "0.000000001"};
    texts.derivativeMethod = method;
    SilentProgressSink progress;
    const CalculateOutcome outcome = Calculate(state, 1, texts, progress, {});
    if (!outcome.ran || outcome.end != FitEnd::Converged) return {};
    return state.results.coefficients;
}

double Lre(double estimate, double certified) {
    const double relative = std::abs(estimate - certified) / std::abs(certified);
    return relative == 0 ? 11 : std::min(11.0, -std::log10(relative));
}

}  // namespace

class EquSetAnalysisTest : public QObject {
    Q_OBJECT

private slots:
    void generalModelWithFormulaDerivativesFitsTheReferenceProblem() {
        QTemporaryDir dir;
        SetProgramFolder(dir.path().toStdString());
        RecordingMessageSink sink;
        ScopedMessageSink guard(sink);
        QCOMPARE(Misra1a().n, 14);

        TFrmEquSet window;
        window.FormShow();
        window.StringGrid1Click(2);  // "新規"
        QTest::keyClicks(window.EditEqu, QStringLiteral("c0*(1-exp(-c1*x1))"));
        window.BitBtn4Click();
        window.StringGrid2->SetCell(1, 1, QStringLiteral("1-exp(-c1*x1)"));
        window.StringGrid2->SetCell(1, 2, QStringLiteral("c0*x1*exp(-c1*x1)"));
        window.BitBtn1Click();
        QCOMPARE(window.result(), int(QDialog::Accepted));

        const GeneralModelSource general = window.GeneralModel();
        QCOMPARE(general.formula, std::string("C0*(1-EXP(-C1*X1))"));
        QCOMPARE(general.coefficientCount, 2);
        QCOMPARE(general.variableCount, 1);
        // OK stored the typed derivatives with the entry.
        QCOMPARE(window.List().Entry(1).derivativeTexts,
                 (std::vector<std::string>{"1-exp(-c1*x1)", "c0*x1*exp(-c1*x1)"}));

        const std::vector<double> formulas = Fit(general, DerivativeMethod::Formulas);
        const std::vector<double> differences = Fit(general, DerivativeMethod::Numeric);
        QCOMPARE(formulas.size(), std::size_t(2));
        QCOMPARE(differences.size(), std::size_t(2));
        QVERIFY2(Lre(formulas[0], 238.94212918) >= 6, qPrintable(QString::number(formulas[0], 'g', 12)));
        QVERIFY2(Lre(formulas[1], 0.00055015643181) >= 6, qPrintable(QString::number(formulas[1], 'g', 12)));
        QVERIFY(Lre(formulas[0], differences[0]) >= 6);
        QVERIFY(Lre(formulas[1], differences[1]) >= 6);

        // One derivative left empty: the model falls back to finite differences.
        GeneralModelSource incomplete = general;
        incomplete.derivativeTexts[1].clear();
        QVERIFY(Fit(incomplete, DerivativeMethod::Formulas).empty());
        SetProgramFolder({});
    }
};

QTEST_MAIN(EquSetAnalysisTest)
#include "EquSetAnalysisTest.moc"
