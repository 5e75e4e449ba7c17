// The chart's series after load, fit, initial line, spline and refresh, and
// the click on a data point.

#include <QAction>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

#include "core/common/MessageSink.h"
#include "core/regression/FitState.h"
#include "gui/chart/ChartComposer.h"
#include "gui/chart/ChartPanel.h"

using namespace kurvex;
using namespace kurvex::gui;

namespace {

// y = 2 + 3x at x = 1..6, from table rows 3..8.
void FillOneX(TFitState& state) {
    state = TFitState{};
    state.model.index = 0;
    state.model.m = 2;
    state.model.nx = 1;
    state.data.nx = 1;
    for (int i = 0; i < 6; ++i) {
        const double x = 1 + i;
        state.data.AddPoint(3 + i, 2 + 3 * x + (i % 2 ? 0.1 : -0.1), 1, {&x, 1});
    }
    state.data.FinishSums();
}

// y = 1 + x1 + 2 x2 + 3 x3 with three X.
void FillThreeX(TFitState& state) {
    state = TFitState{};
    state.model.index = 0;
    state.model.m = 4;
    state.model.nx = 3;
    state.data.nx = 3;
    for (int i = 0; i < 8; ++i) {
        const double x[] = {static_cast<double>(i), static_cast<double>((i * 7) % 5), static_cast<double>((i * 3) % 4)};
        state.data.AddPoint(1 + i, 1 + x[0] + 2 * x[1] + 3 * x[2] + (i % 2 ? 0.2 : -0.2), 1, x);
    }
    state.data.FinishSums();
}

void SetFit(TFitState& state, std::vector<double> coefficients) {
    state.results.coefficients = std::move(coefficients);
    state.results.valid = true;
}

}  // namespace

class ChartCompositionTest : public QObject {
    Q_OBJECT

private:
    TFitState state_;
    ChartPanel* chart_ = nullptr;
    ChartComposer* composer_ = nullptr;
    QAction predict_, saveRegression_, saveSpline_, graphRefresh_, drawSpline_;
    RecordingMessageSink sink_;

    void Load(const QString& yName, const QStringList& xNames) {
        composer_->ClearForDataSet();
        composer_->FollowDataSet();
        composer_->ComposeChart(yName, xNames);
    }

private slots:
    void init() {
        chart_ = new ChartPanel;
        chart_->resize(640, 480);
        chart_->show();
        composer_ = new ChartComposer(chart_, &state_, chart_);
        composer_->SetCommandActions({&predict_, &saveRegression_, &saveSpline_, &graphRefresh_, &drawSpline_});
        for (QAction* a : {&predict_, &saveRegression_, &saveSpline_, &graphRefresh_, &drawSpline_})
            a->setEnabled(true);
        sink_ = RecordingMessageSink{};
        SetMessageSink(&sink_);
    }
    void cleanup() {
        SetMessageSink(nullptr);
        delete chart_;
        chart_ = nullptr;
    }

    void fixedLookAndInitialSeries() {
        QCOMPARE(chart_->objectName(), QStringLiteral("Chart1"));
        QVERIFY(chart_->legend->visible());
        QVERIFY(chart_->xAxis->grid()->visible());
        QVERIFY(chart_->yAxis->grid()->visible());
        QVERIFY(!chart_->xAxis2->grid()->visible());
        QVERIFY(!chart_->yAxis2->grid()->visible());
        QCOMPARE(chart_->xAxis->labelFont().pixelSize(), 16);
        QCOMPARE(chart_->yAxis->labelFont().pixelSize(), 16);
        QCOMPARE(chart_->xAxis->labelFont().family(), QStringLiteral("ＭＳ Ｐ明朝"));
        QCOMPARE(chart_->SeriesTitle(DataSeries), QStringLiteral("Data"));
        QCOMPARE(chart_->SeriesTitle(RegressionSeries), QStringLiteral("Regression"));
        QCOMPARE(chart_->SeriesTitle(InitialLineSeries), QStringLiteral("Initial Line"));
        QCOMPARE(chart_->SeriesTitle(SplineSeries), QStringLiteral("Spline"));
        QVERIFY(chart_->IsSeriesActive(DataSeries));
        QVERIFY(chart_->IsSeriesActive(RegressionSeries));
        QVERIFY(!chart_->IsSeriesActive(SplineSeries));
        QCOMPARE(chart_->Series2()->pen().color(), QColor(0, 128, 255));
        QCOMPARE(chart_->Series3()->pen().color(), QColor(0, 255, 0));
        QCOMPARE(chart_->Series1()->scatterStyle().shape(), QCPScatterStyle::ssCircle);
        QCOMPARE(chart_->Series4()->scatterStyle().shape(), QCPScatterStyle::ssNone);
        // Data points are drawn above the curves, so a click finds them first.
        QVERIFY(chart_->Series1()->layer()->index() > chart_->Series2()->layer()->index());
        // The font is mapped to an installed Japanese font.
        QFontInfo info(chart_->xAxis->labelFont());
        QVERIFY2(info.family().contains(QStringLiteral("IPA")), qPrintable(info.family()));
    }

    void oneXLoadShowsPointsInDataSetOrder() {
        FillOneX(state_);
        std::swap(state_.data.x[0], state_.data.x[5]);  // data-set order is not X order
        Load(QStringLiteral("収量"), {QStringLiteral("温度")});
        QCOMPARE(chart_->xAxis->label(), QStringLiteral("温度"));
        QCOMPARE(chart_->yAxis->label(), QStringLiteral("収量"));
        QCOMPARE(chart_->SeriesPointCount(DataSeries), 6);
        QCOMPARE(chart_->SeriesPoint(DataSeries, 0), QPointF(6, state_.data.y[0]));
        QCOMPARE(chart_->SeriesPoint(DataSeries, 5), QPointF(1, state_.data.y[5]));
        QCOMPARE(chart_->SeriesPointCount(RegressionSeries), 0);
        QVERIFY(!chart_->IsSeriesActive(InitialLineSeries));
        QCOMPARE(composer_->DataXMin(), 1.0);
        QCOMPARE(composer_->DataXMax(), 6.0);
        QVERIFY(!saveRegression_.isEnabled());
        QVERIFY(!predict_.isEnabled());
        QVERIFY(drawSpline_.isEnabled());
        // The automatic axes enclose the points.
        QVERIFY(chart_->xAxis->range().lower <= 1 && chart_->xAxis->range().upper >= 6);
    }

    void oneXFitDraws501PointsOverTheBottomAxis() {
        FillOneX(state_);
        Load(QStringLiteral("Y"), {QStringLiteral("X")});
        SetFit(state_, {2, 3});
        composer_->DrawRegression();
        QVERIFY(chart_->IsSeriesActive(RegressionSeries));
        QCOMPARE(chart_->SeriesTitle(RegressionSeries), QStringLiteral("Regression"));
        QCOMPARE(chart_->SeriesPointCount(RegressionSeries), 501);
        const QCPRange range = chart_->xAxis->range();
        QCOMPARE(chart_->SeriesPoint(RegressionSeries, 0).x(), range.lower);
        QCOMPARE(chart_->SeriesPoint(RegressionSeries, 500).x(), range.upper);
        const QPointF mid = chart_->SeriesPoint(RegressionSeries, 250);
        QVERIFY(std::abs(mid.x() - (range.lower + range.upper) / 2) < 1e-12);
        QVERIFY(std::abs(mid.y() - (2 + 3 * mid.x())) < 1e-12);
        QVERIFY(predict_.isEnabled());
        QVERIFY(saveRegression_.isEnabled());
        // The data points are untouched.
        QCOMPARE(chart_->SeriesPointCount(DataSeries), 6);
    }

    void manualAxisRangeDecidesHowFarTheCurveReaches() {
        FillOneX(state_);
        Load(QStringLiteral("Y"), {QStringLiteral("X")});
        chart_->SetAxisAutomatic(chart_->xAxis, false);
        chart_->xAxis->setRange(-10, 40);
        SetFit(state_, {2, 3});
        composer_->DrawRegression();
        QCOMPARE(chart_->SeriesPoint(RegressionSeries, 0), QPointF(-10, -28));
        QCOMPARE(chart_->SeriesPoint(RegressionSeries, 500), QPointF(40, 122));
        QCOMPARE(chart_->SeriesPoint(RegressionSeries, 1).x(), -9.9);
    }

    void curveHasGapsWhereTheModelFails() {
        // Allometric model with a fractional power: no value for x < 0.
        FillOneX(state_);
        state_.model.index = 5;
        Load(QStringLiteral("Y"), {QStringLiteral("X")});
        chart_->SetAxisAutomatic(chart_->xAxis, false);
        chart_->xAxis->setRange(-5, 5);
        SetFit(state_, {2, 0.5});
        composer_->DrawRegression();
        QCOMPARE(chart_->SeriesPointCount(RegressionSeries), 501);
        QVERIFY(std::isnan(chart_->SeriesPoint(RegressionSeries, 0).y()));
        QCOMPARE(chart_->SeriesPoint(RegressionSeries, 500).y(), 2 * std::sqrt(5.0));
        // The curve file gets only the points that have a value (x = 0 .. 5).
        QCOMPARE(composer_->CurvePoints(RegressionSeries).size(), size_t(251));
        QVERIFY(sink_.messages.empty());
    }

    void threeXLoadThenFitShowsObservedAgainstPredicted() {
        FillThreeX(state_);
        Load(QStringLiteral("Yield"), {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")});
        QCOMPARE(chart_->xAxis->label(), QStringLiteral("Predicted Yield"));
        QCOMPARE(chart_->yAxis->label(), QStringLiteral("Observed Yield"));
        QCOMPARE(chart_->SeriesPointCount(DataSeries), 0);
        QVERIFY(!drawSpline_.isEnabled());

        SetFit(state_, {1, 1, 2, 3});
        composer_->DrawRegression();
        QCOMPARE(chart_->SeriesPointCount(DataSeries), 8);
        for (int i = 0; i < 8; ++i) {
            const auto x = state_.data.PointX(i);
            const QPointF p = chart_->SeriesPoint(DataSeries, i);
            QCOMPARE(p.x(), 1 + x[0] + 2 * x[1] + 3 * x[2]);
            QCOMPARE(p.y(), state_.data.y[i]);
        }
        QCOMPARE(chart_->SeriesTitle(RegressionSeries), QStringLiteral("Observed = Predicted"));
        QCOMPARE(chart_->SeriesPointCount(RegressionSeries), 501);
        const QCPRange range = chart_->xAxis->range();
        QCOMPARE(chart_->SeriesPoint(RegressionSeries, 0), QPointF(range.lower, range.lower));
        QCOMPARE(chart_->SeriesPoint(RegressionSeries, 500), QPointF(range.upper, range.upper));
        // The bottom axis took in the predicted values before the diagonal was laid.
        double lowest = 1e300, highest = -1e300;
        for (int i = 0; i < 8; ++i) {
            lowest = std::min(lowest, chart_->SeriesPoint(DataSeries, i).x());
            highest = std::max(highest, chart_->SeriesPoint(DataSeries, i).x());
        }
        QVERIFY(range.lower <= lowest && range.upper >= highest);
    }

    void initialLineOneXAndThreeX() {
        FillOneX(state_);
        Load(QStringLiteral("Y"), {QStringLiteral("X")});
        graphRefresh_.setEnabled(false);
        const double initial[] = {1, 1};
        composer_->DrawInitialLine(initial);
        QVERIFY(chart_->IsSeriesActive(InitialLineSeries));
        QCOMPARE(chart_->SeriesTitle(InitialLineSeries), QStringLiteral("Initial line"));
        QCOMPARE(chart_->SeriesPointCount(InitialLineSeries), 501);
        const QPointF last = chart_->SeriesPoint(InitialLineSeries, 500);
        QCOMPARE(last.y(), 1 + last.x());
        QVERIFY(graphRefresh_.isEnabled());
        QVERIFY(!state_.results.valid);  // the fit state is not touched

        FillThreeX(state_);
        Load(QStringLiteral("Y"), {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")});
        const double initial3[] = {0, 1, 1, 1};
        composer_->DrawInitialLine(initial3);
        QCOMPARE(chart_->SeriesTitle(InitialLineSeries), QStringLiteral("Predicted = Observed"));
        QCOMPARE(chart_->SeriesPointCount(DataSeries), 8);
        const auto x = state_.data.PointX(3);
        QCOMPARE(chart_->SeriesPoint(DataSeries, 3).x(), x[0] + x[1] + x[2]);
        const QPointF diagonal = chart_->SeriesPoint(InitialLineSeries, 123);
        QCOMPARE(diagonal.x(), diagonal.y());
    }

    void formulaFaultIsReportedOncePerCurve() {
        // A general formula naming X2 over data with one X cannot be evaluated at
        // any point: one message, not one per point of the curve.
        FillOneX(state_);
        state_.model.index = kGeneralModelIndex;
        state_.model.formula = "C0+C1*X2";
        state_.model.nx = 2;
        Load(QStringLiteral("Y"), {QStringLiteral("X")});
        const double initial[] = {1, 1};
        composer_->DrawInitialLine(initial);
        QCOMPARE(sink_.messages.size(), size_t(1));
        QCOMPARE(sink_.messages[0].text, std::string("式のフォーマットエラー"));
        QCOMPARE(chart_->SeriesPointCount(InitialLineSeries), 501);
        QVERIFY(std::isnan(chart_->SeriesPoint(InitialLineSeries, 250).y()));

        // With several X the predicted values stay gaps, one per data point.
        FillThreeX(state_);
        state_.model.index = kGeneralModelIndex;
        state_.model.formula = "C0+C1*X4";
        state_.model.nx = 4;
        Load(QStringLiteral("Y"), {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")});
        sink_.messages.clear();
        const double initial4[] = {0, 1};
        composer_->DrawInitialLine(initial4);
        QCOMPARE(sink_.messages.size(), size_t(1));
        QCOMPARE(chart_->SeriesPointCount(DataSeries), 8);

        // A numeric fault belongs to its point only: the rest of the curve is drawn.
        FillOneX(state_);
        state_.model.index = kGeneralModelIndex;
        state_.model.formula = "C0/(X1-3)";
        state_.model.nx = 1;
        Load(QStringLiteral("Y"), {QStringLiteral("X")});
        sink_.messages.clear();
        const double one[] = {1};
        composer_->DrawInitialLine(one);
        QVERIFY(sink_.messages.empty());
        int drawn = 0;
        for (int i = 0; i < chart_->SeriesPointCount(InitialLineSeries); ++i)
            drawn += std::isfinite(chart_->SeriesPoint(InitialLineSeries, i).y()) ? 1 : 0;
        QVERIFY(drawn >= 499);
    }

    void refreshRemovesCurvesButKeepsPoints() {
        FillOneX(state_);
        Load(QStringLiteral("Y"), {QStringLiteral("X")});
        SetFit(state_, {2, 3});
        composer_->DrawRegression();
        const double xs[] = {1, 2, 3}, ys[] = {5, 8, 11};
        composer_->DrawSplineCurve(xs, ys);
        QVERIFY(chart_->IsSeriesActive(SplineSeries));
        QVERIFY(saveSpline_.isEnabled());
        QCOMPARE(composer_->CurvePoints(SplineSeries).size(), size_t(3));

        composer_->GraphRefreshClick();
        QVERIFY(!chart_->IsSeriesActive(RegressionSeries));
        QVERIFY(!chart_->IsSeriesActive(InitialLineSeries));
        QVERIFY(!chart_->IsSeriesActive(SplineSeries));
        QCOMPARE(chart_->SeriesPointCount(RegressionSeries), 0);
        QCOMPARE(chart_->SeriesPointCount(SplineSeries), 0);
        QCOMPARE(chart_->SeriesPointCount(DataSeries), 6);
        QVERIFY(!graphRefresh_.isEnabled());
        QVERIFY(!predict_.isEnabled());
        QVERIFY(!saveRegression_.isEnabled());
        QVERIFY(!saveSpline_.isEnabled());
        // Only the data series is left in the legend.
        QCOMPARE(chart_->legend->itemCount(), 1);

        // The next calculation brings the curve back.
        composer_->DrawRegression();
        QVERIFY(chart_->IsSeriesActive(RegressionSeries));
        QCOMPARE(chart_->legend->itemCount(), 2);
    }

    void reloadClearsEverything() {
        FillOneX(state_);
        Load(QStringLiteral("Y"), {QStringLiteral("X")});
        SetFit(state_, {2, 3});
        composer_->DrawRegression();
        state_.results.valid = false;  // the build clears the result
        Load(QStringLiteral("Y"), {QStringLiteral("X")});
        QCOMPARE(chart_->SeriesPointCount(RegressionSeries), 0);
        QVERIFY(!chart_->IsSeriesActive(RegressionSeries));
        QVERIFY(!saveRegression_.isEnabled());
    }

    void clickTextAndVisitOfTheRow() {
        FillOneX(state_);
        state_.data.sourceRow = {2, 4, 7, 9, 11, 12};
        Load(QStringLiteral("Y"), {QStringLiteral("X")});
        composer_->SetTableRowCountSource([] { return 13; });
        QSignalSpy visits(composer_, &ChartComposer::DataRowVisitRequested);
        int highlightedDuringQuestion = -2;
        struct Probe : MessageSink {
            ChartPanel* chart;
            int* seen;
            std::vector<std::string> texts;
            MessageAnswer answer = MessageAnswer::Yes;
            MessageAnswer Show(MessageKind kind, const std::string& text, MessageButtons b) override {
                *seen = chart->HighlightedDataPoint();
                texts.push_back(std::string(MessageKindName(kind)) + (b == MessageButtons::YesNo ? "/yesno:" : "/ok:") +
                                text);
                return answer;
            }
        } probe;
        probe.chart = chart_;
        probe.seen = &highlightedDuringQuestion;
        SetMessageSink(&probe);

        composer_->Chart1ClickSeries(2);
        QCOMPARE(probe.texts.size(), size_t(1));
        const QString text = QString::fromStdString(probe.texts[0]);
        QVERIFY2(text.startsWith(QStringLiteral("information/yesno:No.3(第7行)\nX=3, Y=")), qPrintable(text));
        QVERIFY(text.endsWith(QStringLiteral("\n入力画面を参照しますか。")));
        QCOMPARE(highlightedDuringQuestion, 2);        // yellow while asked
        QCOMPARE(chart_->HighlightedDataPoint(), -1);  // red again afterwards
        QCOMPARE(visits.count(), 1);
        QCOMPARE(visits.at(0).at(0).toInt(), 7);

        // "No" shows nothing further.
        probe.answer = MessageAnswer::No;
        composer_->Chart1ClickSeries(0);
        QCOMPARE(visits.count(), 1);

        // A row beyond the table (the table was edited since): plain information.
        composer_->SetTableRowCountSource([] { return 12; });
        composer_->Chart1ClickSeries(5);
        QCOMPARE(QString::fromStdString(probe.texts.back()),
                 QStringLiteral("information/ok:No.6(第12行)\nX=6, Y=20.1"));
        QCOMPARE(visits.count(), 1);

        // Values in the 7-digit general format.
        state_.data.x[0] = 1.23456789e-5;
        state_.data.y[0] = 12345678;
        composer_->DrawData();
        QCOMPARE(composer_->PointText(0), QStringLiteral("No.1(第2行)\nX=1.234568E-5, Y=1.234568E7"));
        SetMessageSink(&sink_);
    }

    void curveFilesHoldTheAxisTitlesAndTheSeries() {
        QTemporaryDir dir;
        FillOneX(state_);
        Load(QStringLiteral("収量"), {QStringLiteral("温度")});
        chart_->SetAxisAutomatic(chart_->xAxis, false);
        chart_->xAxis->setRange(0, 5);
        SetFit(state_, {2, 3});
        composer_->DrawRegression();
        const QString written = composer_->SaveRegressionTo(dir.filePath("fit.txt"));
        QCOMPARE(written, dir.filePath("fit.CSV"));
        QFile file(written);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 502);
        QCOMPARE(lines[0].trimmed(), QStringLiteral("温度,収量"));
        QCOMPARE(lines[1].trimmed(), QStringLiteral("0,2"));
        QCOMPARE(lines[2].trimmed(), QStringLiteral("0.01,2.03"));
        QCOMPARE(lines[501].trimmed(), QStringLiteral("5,17"));

        const double xs[] = {1, 1.5, 2}, ys[] = {4.123456, 5, 6};
        composer_->DrawSplineCurve(xs, ys);
        const QString spline = composer_->SaveSplineTo(dir.filePath("spline"));
        QFile splineFile(spline);
        QVERIFY(splineFile.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(splineFile.readAll()).split('\n', Qt::SkipEmptyParts).value(1).trimmed(),
                 QStringLiteral("1,4.1235"));

        // A new model disables both commands; the curves stay.
        composer_->ModelChanged();
        QVERIFY(!saveRegression_.isEnabled());
        QVERIFY(!saveSpline_.isEnabled());
        QCOMPARE(chart_->SeriesPointCount(RegressionSeries), 501);
    }

    // 200,000 points: drawn in one pass, the fitted line visible through them,
    // and a click still finds its point.
    void denseDataDrawQuicklyShowTheCurveAndStayClickable() {
        state_ = TFitState{};
        state_.model.index = 0;
        state_.model.m = 2;
        state_.model.nx = 1;
        state_.data.nx = 1;
        constexpr int n = 200000, lone = 150000;
        for (int i = 0; i < n; ++i) {
            const double x = 10.0 * ((i * 7919) % n) / n;
            state_.data.AddPoint(i + 2,
                                 i == lone       ? 45
                                 : i == lone + 1 ? 50
                                                 : 2 + 3 * x + ((i * 31) % 17 - 8) * 0.3,
                                 1, {&x, 1});
        }
        state_.data.FinishSums();
        Load(QStringLiteral("Y"), {QStringLiteral("X")});
        SetFit(state_, {2, 3});
        composer_->DrawRegression();
        QElapsedTimer clock;
        clock.start();
        chart_->replot();
        QVERIFY2(clock.elapsed() < 1000, "drawing 200,000 points took a second");

        const QImage image = chart_->toPixmap().toImage();
        const QPoint onLine(qRound(chart_->xAxis->coordToPixel(2.5)), qRound(chart_->yAxis->coordToPixel(9.5)));
        bool curveShows = false;
        for (int dy = -1; dy <= 1; ++dy) {
            const QRgb colour = image.pixel(onLine + QPoint(0, dy));
            curveShows = curveShows || qBlue(colour) > qRed(colour) + 10;
        }
        QVERIFY2(curveShows, "the fitted line is hidden under the points");

        QSignalSpy clicks(chart_, &ChartPanel::dataPointClicked);
        const QPoint pixel(qRound(chart_->xAxis->coordToPixel(state_.data.x[lone])),
                           qRound(chart_->yAxis->coordToPixel(45)));
        QTest::mouseClick(chart_, Qt::LeftButton, {}, pixel);
        QCOMPARE(clicks.count(), 1);
        QCOMPARE(clicks.at(0).at(0).toInt(), lone);
    }

    void mouseClickOnAPointReachesTheComposer() {
        FillOneX(state_);
        Load(QStringLiteral("Y"), {QStringLiteral("X")});
        SetFit(state_, {2, 3});
        composer_->DrawRegression();
        QSignalSpy clicks(chart_, &ChartPanel::dataPointClicked);
        chart_->replot();
        // Point 3 lies on the regression line too; the point wins.
        const QPointF p = chart_->SeriesPoint(DataSeries, 3);
        const QPoint pixel(qRound(chart_->xAxis->coordToPixel(p.x())), qRound(chart_->yAxis->coordToPixel(p.y())));
        QTest::mouseClick(chart_, Qt::LeftButton, {}, pixel);
        QCOMPARE(clicks.count(), 1);
        QCOMPARE(clicks.at(0).at(0).toInt(), 3);

        QSignalSpy axisClicks(chart_, &ChartPanel::chartAxisClicked);
        const QRect plot = chart_->axisRect()->rect();
        QTest::mouseClick(chart_, Qt::LeftButton, {}, QPoint(plot.center().x(), plot.bottom() + 3));
        QCOMPARE(axisClicks.count(), 1);
        QCOMPARE(axisClicks.at(0).at(0).value<QCPAxis*>(), chart_->xAxis);
        QTest::mouseClick(chart_, Qt::LeftButton, {}, QPoint(plot.left() - 3, plot.center().y()));
        QCOMPARE(axisClicks.count(), 2);
        QCOMPARE(axisClicks.at(1).at(0).value<QCPAxis*>(), chart_->yAxis);
        // The top axis opens nothing.
        QTest::mouseClick(chart_, Qt::LeftButton, {}, QPoint(plot.center().x(), plot.top() - 1));
        QCOMPARE(axisClicks.count(), 2);
    }
};

QTEST_MAIN(ChartCompositionTest)
#include "ChartCompositionTest.moc"
