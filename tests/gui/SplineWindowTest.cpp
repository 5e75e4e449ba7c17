// The spline window and the command that draws the spline: defaults, the
// three range modes, the method switch, Cancel and bad input.

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QTimer>
#include <QtTest>

#include <cmath>
#include <functional>

#include "core/common/MessageSink.h"
#include "core/regression/FitState.h"
#include "gui/chart/ChartComposer.h"
#include "gui/chart/ChartPanel.h"
#include "gui/common/RadioGroup.h"
#include "gui/tools/SetSpline.h"

using namespace kurvex;
using namespace kurvex::gui;

namespace {

// n points evenly from lo to hi on a smooth curve.
void FillData(TFitState& state, double lo, double hi, int n) {
    state = TFitState{};
    state.data.nx = 1;
    for (int i = 0; i < n; ++i) {
        const double x = lo + (hi - lo) * i / (n - 1);
        state.data.AddPoint(i + 1, std::sin(x / 2) + 0.01 * (i % 3), 1, {&x, 1});
    }
    state.data.FinishSums();
}

}  // namespace

class SplineWindowTest : public QObject {
    Q_OBJECT

private:
    TFitState state_;
    ChartPanel* chart_ = nullptr;
    ChartComposer* composer_ = nullptr;
    TFrmSetSpline* window_ = nullptr;
    QAction saveSpline_, graphRefresh_, drawSpline_;
    RecordingMessageSink sink_;
    std::unique_ptr<ScopedMessageSink> guard_;

    void Load(double lo, double hi, int n = 12) {
        FillData(state_, lo, hi, n);
        composer_->ClearForDataSet();
        composer_->ComposeChart(QStringLiteral("Y"), {QStringLiteral("X")});
    }

    // Runs the command; `inWindow` acts on the open window, then OK (or Cancel).
    bool Draw(const std::function<void(TFrmSetSpline&)>& inWindow, bool ok = true) {
        QTimer::singleShot(0, window_, [this, inWindow, ok] {
            if (inWindow) inWindow(*window_);
            if (ok) window_->BitBtn1->click();
            else window_->BitBtn2->click();
        });
        return DrawSplineCommand(*window_, *composer_, *chart_, state_.data);
    }

private slots:
    void init() {
        chart_ = new ChartPanel;
        composer_ = new ChartComposer(chart_, &state_, chart_);
        ChartCommandActions actions;
        actions.SaveSpline = &saveSpline_;
        actions.GraphRefresh = &graphRefresh_;
        actions.DrawSpline = &drawSpline_;
        composer_->SetCommandActions(actions);
        window_ = new TFrmSetSpline;
        sink_ = RecordingMessageSink{};
        guard_ = std::make_unique<ScopedMessageSink>(sink_);
    }
    void cleanup() {
        guard_.reset();
        delete window_;
        delete chart_;
    }

    void defaultsDrawTheBayesianSplineOverTheDataRange() {
        QCOMPARE(window_->windowTitle(), QStringLiteral("スプライン補間の条件設定"));
        QCOMPARE(window_->PageControl1->currentWidget(), window_->TabSheet1);
        QCOMPARE(window_->PageControl1->tabText(0), QStringLiteral("方法"));
        QCOMPARE(window_->PageControl1->tabText(1), QStringLiteral("範囲"));
        QCOMPARE(window_->RadioGroupMethod->ItemIndex(), 0);
        QCOMPARE(window_->EditND->text(), QStringLiteral("10"));
        QCOMPARE(window_->EditNp->text(), QStringLiteral("100"));
        QCOMPARE(window_->EditNp->toolTip(), QStringLiteral("スプライン曲線データの数－１"));

        Load(0.3, 9.7);
        QVERIFY(!saveSpline_.isEnabled());
        QVERIFY(Draw([](TFrmSetSpline& w) {
            QCOMPARE(w.RangeMode(), SplineRangeMode::DataRange);
            QVERIFY(!w.EditMin->isEnabled());
            QCOMPARE(w.EditMin->text(), QStringLiteral("0.3"));
            QCOMPARE(w.EditMax->text(), QStringLiteral("9.7"));
        }));
        QCOMPARE(chart_->SeriesPointCount(SplineSeries), 101);
        QCOMPARE(chart_->SeriesPoint(SplineSeries, 0).x(), 0.3);
        QVERIFY(std::abs(chart_->SeriesPoint(SplineSeries, 100).x() - 9.7) < 1e-12);
        QCOMPARE(chart_->SeriesTitle(SplineSeries), QStringLiteral("Bayesian Spline"));
        QVERIFY(chart_->IsSeriesActive(SplineSeries));
        QVERIFY(saveSpline_.isEnabled());
        QVERIFY(graphRefresh_.isEnabled());
        // The curve follows the data: the Bayesian spline smooths, it does not wander off.
        QVERIFY(std::abs(chart_->SeriesPoint(SplineSeries, 50).y() - std::sin(5.0 / 2)) < 0.1);
    }

    void optimizedRangeRoundsOutward() {
        struct Case {
            double lo, hi;
            const char* min;
            const char* max;
        };
        for (const Case& c :
             {Case{0.3, 9.7, "0", "10"}, Case{-3.2, 47.5, "-10", "50"}, Case{-2.0005, 7.9, "-2", "8"}}) {
            Load(c.lo, c.hi);
            QVERIFY(Draw([&c](TFrmSetSpline& w) {
                w.RadioGroupRangeSet->Item(2)->click();
                QVERIFY(!w.EditMin->isEnabled());
                QCOMPARE(w.EditMin->text(), QString::fromLatin1(c.min));
                QCOMPARE(w.EditMax->text(), QString::fromLatin1(c.max));
            }));
            QCOMPARE(chart_->SeriesPoint(SplineSeries, 0).x(), QString::fromLatin1(c.min).toDouble());
        }
        // The mode confirmed last is the one the window opens with.
        Load(0.3, 9.7);
        QVERIFY(Draw([](TFrmSetSpline& w) {
            QCOMPARE(w.RangeMode(), SplineRangeMode::Optimized);
            QCOMPARE(w.EditMax->text(), QStringLiteral("10"));
        }));
    }

    void manualRangeIsUsedAndOfferedAgain() {
        Load(1, 5);
        QVERIFY(Draw([](TFrmSetSpline& w) {
            w.RadioGroupRangeSet->Item(1)->click();
            QVERIFY(w.EditMin->isEnabled());
            QVERIFY(w.EditMax->isEnabled());
            w.EditMin->setText(QStringLiteral("2"));
            w.EditMax->setText(QStringLiteral("4"));
            w.EditNp->setText(QStringLiteral("20"));
            w.RadioGroupMethod->Item(1)->click();
        }));
        QCOMPARE(chart_->SeriesPointCount(SplineSeries), 21);
        QCOMPARE(chart_->SeriesPoint(SplineSeries, 0).x(), 2.0);
        QCOMPARE(chart_->SeriesPoint(SplineSeries, 20).x(), 4.0);
        QCOMPARE(chart_->SeriesTitle(SplineSeries), QStringLiteral("Cubic Spline"));

        // Reopened in the manual mode with the typed range; switching to the
        // data range brings the data's ends back.
        QVERIFY(Draw([](TFrmSetSpline& w) {
            QCOMPARE(w.RangeMode(), SplineRangeMode::Manual);
            QCOMPARE(w.EditMin->text(), QStringLiteral("2"));
            QCOMPARE(w.EditMax->text(), QStringLiteral("4"));
            QCOMPARE(w.EditNp->text(), QStringLiteral("20"));
            QCOMPARE(w.RadioGroupMethod->ItemIndex(), 1);
            w.RadioGroupRangeSet->Item(0)->click();
            QCOMPARE(w.EditMin->text(), QStringLiteral("1"));
            QCOMPARE(w.EditMax->text(), QStringLiteral("5"));
        }));
        QCOMPARE(chart_->SeriesPoint(SplineSeries, 20).x(), 5.0);
    }

    void theCubicMethodHidesTheSubIntervals() {
        window_->EditND->setText(QStringLiteral("7"));
        window_->RadioGroupMethod->Item(1)->click();
        QVERIFY(!window_->EditND->isVisibleTo(window_));
        QVERIFY(!window_->LabelND->isVisibleTo(window_));
        window_->RadioGroupMethod->Item(0)->click();
        QVERIFY(window_->EditND->isVisibleTo(window_));
        QCOMPARE(window_->EditND->text(), QStringLiteral("7"));
    }

    void cancelAndBadInputLeaveTheChartAsItWas() {
        Load(0.3, 9.7);
        QVERIFY(Draw(nullptr));
        const QPointF before = chart_->SeriesPoint(SplineSeries, 50);

        QVERIFY(!Draw([](TFrmSetSpline& w) { w.EditNp->setText(QStringLiteral("50")); }, false));
        QCOMPARE(chart_->SeriesPointCount(SplineSeries), 101);
        QVERIFY(saveSpline_.isEnabled());

        sink_.messages.clear();
        QVERIFY(!Draw([](TFrmSetSpline& w) { w.EditNp->setText(QStringLiteral("1O0")); }));
        QCOMPARE(sink_.messages.size(), std::size_t(1));
        QCOMPARE(sink_.messages[0].kind, MessageKind::Error);
        QCOMPARE(chart_->SeriesPointCount(SplineSeries), 101);
        QCOMPARE(chart_->SeriesPoint(SplineSeries, 50), before);

        // No output interval: refused with a message instead of a division by zero.
        sink_.messages.clear();
        QVERIFY(!Draw([](TFrmSetSpline& w) { w.EditNp->setText(QStringLiteral("0")); }));
        QCOMPARE(sink_.messages.size(), std::size_t(1));
        QCOMPARE(chart_->SeriesPointCount(SplineSeries), 101);

        // A new data set clears the spline and turns its file command off.
        Load(1, 2);
        QCOMPARE(chart_->SeriesPointCount(SplineSeries), 0);
        QVERIFY(!saveSpline_.isEnabled());
    }
};

QTEST_MAIN(SplineWindowTest)
#include "SplineWindowTest.moc"
