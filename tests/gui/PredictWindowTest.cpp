// The prediction window: its rows, the Enter key, the computed value and
// the two error messages.

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include "core/common/MessageSink.h"
#include "core/regression/FitState.h"
#include "gui/common/StringGrid.h"
#include "gui/tools/PredictionWindow.h"

using namespace kurvex;
using namespace kurvex::gui;

namespace {

// True while an in-place editor of `view` has the focus.
bool EditorOpenIn(const QWidget* view) {
    QWidget* focus = QApplication::focusWidget();
    return qobject_cast<QLineEdit*>(focus) != nullptr && view->isAncestorOf(focus);
}

// The linear model in `nx` variables after a fit with the given coefficients.
TFitState LinearFit(int nx, std::vector<double> coefficients) {
    TFitState state;
    state.data.nx = static_cast<std::int16_t>(nx);
    state.model.index = 0;
    state.model.m = nx + 1;
    state.model.nx = static_cast<std::int16_t>(nx);
    state.results.coefficients = std::move(coefficients);
    state.results.valid = true;
    return state;
}

}  // namespace

class PredictWindowTest : public QObject {
    Q_OBJECT

private:
    RecordingMessageSink sink_;
    std::unique_ptr<ScopedMessageSink> guard_;

private slots:
    void init() {
        sink_ = RecordingMessageSink{};
        guard_ = std::make_unique<ScopedMessageSink>(sink_);
    }
    void cleanup() { guard_.reset(); }

    void firstOpeningListsTheVariablesWithZero() {
        const TFitState state = LinearFit(2, {1, 2, 3});
        TFrmPredict window;
        window.SetFitState(&state);
        window.FormShow();
        QCOMPARE(window.windowTitle(), QStringLiteral("回帰式による予測"));
        QCOMPARE(window.StringGridXValue->RowCount(), 3);
        QCOMPARE(window.StringGridXValue->Cell(0, 1), QStringLiteral("X1"));
        QCOMPARE(window.StringGridXValue->Cell(0, 2), QStringLiteral("X2"));
        QCOMPARE(window.StringGridXValue->Cell(1, 0), QStringLiteral("値"));
        QCOMPARE(window.StringGridXValue->Cell(1, 1), QStringLiteral("0"));
        QCOMPARE(window.StringGridXValue->Cell(1, 2), QStringLiteral("0"));
        QCOMPARE(window.EditValue->text(), QString());
        QVERIFY(window.EditValue->isReadOnly());

        window.StringGridXValue->SetCell(1, 1, QStringLiteral("2"));
        window.StringGridXValue->SetCell(1, 2, QStringLiteral("1.5"));
        window.BitBtn1Click();
        QCOMPARE(window.EditValue->text(), QStringLiteral("9.5"));
        // Typed values stay for the next opening; the result does not.
        window.FormShow();
        QCOMPARE(window.StringGridXValue->Cell(1, 1), QStringLiteral("2"));
        QCOMPARE(window.EditValue->text(), QString());
    }

    void enterMovesDownThenToTheButtonWhichComputes() {
        const TFitState state = LinearFit(2, {1, 2, 0.5});
        TFrmPredict window;
        window.SetFitState(&state);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        window.StringGridXValue->setFocus();
        window.StringGridXValue->setCurrentCell(1, 1);

        // Typing opens the cell editor; Enter commits and moves on.
        QTest::keyClicks(window.StringGridXValue, QStringLiteral("3"));
        QTRY_VERIFY(EditorOpenIn(window.StringGridXValue));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QTRY_COMPARE(window.StringGridXValue->currentRow(), 2);
        QCOMPARE(window.StringGridXValue->Cell(1, 1), QStringLiteral("3"));

        // Enter in the last row without an editor: the focus goes to "計算", nothing is computed.
        QTRY_VERIFY(window.StringGridXValue->hasFocus());
        QTest::keyClick(window.StringGridXValue, Qt::Key_Return);
        QTRY_VERIFY(window.BitBtn1->hasFocus());
        QCOMPARE(window.EditValue->text(), QString());
        QVERIFY(sink_.messages.empty());

        QTest::keyClick(window.BitBtn1, Qt::Key_Return);
        QCOMPARE(window.EditValue->text(), QStringLiteral("7"));
        QVERIFY(window.isVisible());
    }

    void sevenSignificantDigits() {
        const TFitState state = LinearFit(1, {0, 1});
        TFrmPredict window;
        window.SetFitState(&state);
        window.FormShow();
        window.StringGridXValue->SetCell(1, 1, QStringLiteral("12345678"));
        window.BitBtn1Click();
        QCOMPARE(window.EditValue->text(), QStringLiteral("1.234568E7"));
    }

    void inputAndEvaluationErrorsKeepTheLastValue() {
        TFitState state = LinearFit(1, {1, 2});
        TFrmPredict window;
        window.SetFitState(&state);
        window.FormShow();
        window.StringGridXValue->SetCell(1, 1, QStringLiteral("3"));
        window.BitBtn1Click();
        QCOMPARE(window.EditValue->text(), QStringLiteral("7"));

        window.StringGridXValue->SetCell(1, 1, QString());
        window.BitBtn1Click();
        QCOMPARE(sink_.Texts(), (std::vector<std::string>{"説明変数の入力エラー"}));
        QCOMPARE(sink_.messages[0].kind, MessageKind::Error);
        QCOMPARE(window.EditValue->text(), QStringLiteral("7"));

        // A general formula outside its domain.
        state.model.index = kGeneralModelIndex;
        state.model.formula = "C0*LN(X1)";
        state.model.m = 1;
        state.results.coefficients = {2};
        window.StringGridXValue->SetCell(1, 1, QStringLiteral("-1"));
        sink_.messages.clear();
        window.BitBtn1Click();
        QCOMPARE(sink_.Texts(), (std::vector<std::string>{"予測値の計算エラー"}));
        QCOMPARE(window.EditValue->text(), QStringLiteral("7"));

        // Before any fit there are no coefficients to use.
        state.results.coefficients.clear();
        window.StringGridXValue->SetCell(1, 1, QStringLiteral("1"));
        sink_.messages.clear();
        window.BitBtn1Click();
        QCOMPARE(sink_.Texts(), (std::vector<std::string>{"予測値の計算エラー"}));

        // The emptied cell gets its 0 back at the next opening.
        window.StringGridXValue->SetCell(1, 1, QString());
        window.FormShow();
        QCOMPARE(window.StringGridXValue->Cell(1, 1), QStringLiteral("0"));
    }
};

QTEST_MAIN(PredictWindowTest)
#include "PredictWindowTest.moc"
