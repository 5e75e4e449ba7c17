#include "gui/chart/ChartComposer.h"

#include <QAction>

#include <cmath>
#include <limits>
#include <stdexcept>

#include "core/common/MessageSink.h"
#include "core/common/NumberFormat.h"
#include "core/data/DataOutput.h"
#include "core/expression/EvaluationError.h"
#include "core/regression/FitState.h"
#include "core/regression/Models.h"
#include "gui/chart/ChartPanel.h"

namespace kurvex::gui {

namespace {

constexpr double kGap = std::numeric_limits<double>::quiet_NaN();

// A formula that cannot be read (or reduced) fails the same way at every
// point, each time showing its message: the remaining points are left as
// gaps without asking again. Numeric faults belong to their point only and
// show nothing.
bool IsFormulaFault(const std::runtime_error& error) {
    const auto* evaluation = dynamic_cast<const EvaluationError*>(&error);
    return evaluation && evaluation->fault() != EvaluationFault::Numeric;
}

// x_i = a + (b − a)/500·i, both ends included.
long double CurveX(const QCPRange& range, int i) {
    const long double a = range.lower;
    const long double b = range.upper;
    if (i == kCurvePointCount - 1) return b;
    return a + (b - a) / (kCurvePointCount - 1) * i;
}

QString General7(double value) { return QString::fromStdString(FormatNumber(value, 7)); }

}  // namespace

ChartComposer::ChartComposer(ChartPanel* chart, const TFitState* state, QObject* parent)
    : QObject(parent), chart_(chart), state_(state) {}

bool ChartComposer::OneX() const { return state_->data.nx <= 1; }

void ChartComposer::Enable(QAction* action, bool enabled) {
    if (action != nullptr) action->setEnabled(enabled);
}

void ChartComposer::ClearForDataSet() {
    chart_->HighlightDataPoint(-1);
    for (int i = 0; i < ChartSeriesCount; ++i) chart_->ClearSeries(i);
    chart_->SetSeriesActive(RegressionSeries, false);
    chart_->SetSeriesActive(InitialLineSeries, false);
    chart_->SetSeriesActive(SplineSeries, false);
    Enable(actions_.SaveRegression, false);
    Enable(actions_.SaveSpline, false);
    Enable(actions_.PredictMenu, false);
    // No curve is left for a refresh to remove.
    Enable(actions_.GraphRefresh, false);
}

void ChartComposer::FollowDataSet() { Enable(actions_.DrawSpline, OneX() && state_->data.n > 0); }

void ChartComposer::ComposeChart(const QString& yName, const QStringList& xNames) {
    if (OneX()) {
        chart_->xAxis->setLabel(xNames.value(0));
        chart_->yAxis->setLabel(yName);
        DrawData();
    } else {
        chart_->xAxis->setLabel(QStringLiteral("Predicted ") + yName);
        chart_->yAxis->setLabel(QStringLiteral("Observed ") + yName);
        chart_->ClearSeries(DataSeries);
        chart_->UpdateAxes();
    }
}

void ChartComposer::DrawData() {
    const TFitData& data = state_->data;
    chart_->SetSeriesActive(DataSeries, true);
    chart_->HighlightDataPoint(-1);
    if (data.n > 0) dataXMin_ = dataXMax_ = data.PointX(0)[0];
    QVector<QPointF> points(data.n);
    for (std::int32_t i = 0; i < data.n; ++i) {
        const double x = data.PointX(i)[0];
        points[i] = QPointF(x, data.y[i]);
        if (x < dataXMin_) dataXMin_ = x;
        if (x > dataXMax_) dataXMax_ = x;
    }
    chart_->SetDataPoints(points);
    chart_->UpdateAxes();
    DrawRegression();
}

void ChartComposer::DrawRegression() {
    chart_->ClearSeries(RegressionSeries);
    const TFitResults& results = state_->results;
    if (!results.valid) {
        chart_->UpdateAxes();
        return;
    }
    Enable(actions_.PredictMenu, true);
    chart_->SetSeriesActive(RegressionSeries, true);
    Enable(actions_.SaveRegression, true);
    if (OneX()) {
        chart_->SetSeriesTitle(RegressionSeries, QStringLiteral("Regression"));
        chart_->UpdateAxes();
        FillModelCurve(RegressionSeries, results.coefficients);
    } else {
        FillObservedPredicted(results.coefficients);
        chart_->SetSeriesTitle(RegressionSeries, QStringLiteral("Observed = Predicted"));
        FillDiagonal(RegressionSeries);
    }
    chart_->UpdateAxes();
}

void ChartComposer::BeginInitialLine() {
    chart_->SetSeriesTitle(InitialLineSeries,
                           OneX() ? QStringLiteral("Initial line") : QStringLiteral("Predicted = Observed"));
    chart_->SetSeriesActive(InitialLineSeries, true);
}

void ChartComposer::DrawInitialLine(std::span<const double> initialCoefficients) {
    BeginInitialLine();
    // The initial values are used for this curve only: the fitted
    // coefficients stay in the fit state for prediction and the curve file.
    chart_->ClearSeries(InitialLineSeries);
    if (OneX()) {
        chart_->UpdateAxes();
        FillModelCurve(InitialLineSeries, initialCoefficients);
    } else {
        FillObservedPredicted(initialCoefficients);
        FillDiagonal(InitialLineSeries);
    }
    chart_->UpdateAxes();
    Enable(actions_.GraphRefresh, true);
}

void ChartComposer::DrawSplineCurve(std::span<const double> xs, std::span<const double> ys) {
    chart_->ClearSeries(SplineSeries);
    chart_->SetSeriesActive(SplineSeries, true);
    const std::size_t count = std::min(xs.size(), ys.size());
    for (std::size_t i = 0; i < count; ++i) chart_->AddPoint(SplineSeries, xs[i], ys[i]);
    chart_->UpdateAxes();
    Enable(actions_.SaveSpline, true);
    Enable(actions_.GraphRefresh, true);
}

void ChartComposer::FillModelCurve(int seriesIndex, std::span<const double> coefficients) {
    const QCPRange range = chart_->xAxis->range();
    ModelEvaluator evaluator(state_->model);
    double x1[1];
    bool formulaFault = false;
    for (int i = 0; i < kCurvePointCount; ++i) {
        const long double x = CurveX(range, i);
        x1[0] = static_cast<double>(x);
        double y = kGap;
        if (!formulaFault) {
            try {
                const long double f = evaluator.Value(std::span<const double>(x1, 1), coefficients);
                if (std::isfinite(f) && std::abs(f) <= std::numeric_limits<double>::max()) y = double(f);
            } catch (const std::runtime_error& error) {
                // Outside the model's domain (a negative base, an overflow): the
                // curve has a gap there instead of ending the whole drawing.
                formulaFault = IsFormulaFault(error);
            }
        }
        chart_->AddPoint(seriesIndex, x1[0], y);
    }
}

void ChartComposer::FillDiagonal(int seriesIndex) {
    chart_->UpdateAxes();
    const QCPRange range = chart_->xAxis->range();
    for (int i = 0; i < kCurvePointCount; ++i) {
        const double x = static_cast<double>(CurveX(range, i));
        chart_->AddPoint(seriesIndex, x, x);
    }
}

void ChartComposer::FillObservedPredicted(std::span<const double> coefficients) {
    const TFitData& data = state_->data;
    chart_->SetSeriesActive(DataSeries, true);
    chart_->HighlightDataPoint(-1);
    chart_->ClearSeries(DataSeries);
    ModelEvaluator evaluator(state_->model);
    bool formulaFault = false;
    for (std::int32_t i = 0; i < data.n; ++i) {
        double predicted = kGap;
        if (!formulaFault) {
            try {
                const long double f = evaluator.Value(data.PointX(i), coefficients);
                if (std::isfinite(f) && std::abs(f) <= std::numeric_limits<double>::max()) predicted = double(f);
            } catch (const std::runtime_error& error) {
                // Kept as a gap so that point indexes still match the data set.
                formulaFault = IsFormulaFault(error);
            }
        }
        chart_->AddPoint(DataSeries, predicted, data.y[i]);
    }
    chart_->UpdateAxes();
}

QString ChartComposer::PointText(int k) const {
    const QPointF point = chart_->SeriesPoint(DataSeries, k);
    const int row = k < static_cast<int>(state_->data.sourceRow.size()) ? state_->data.sourceRow[k] : 0;
    return QStringLiteral("No.") + QString::number(k + 1) + QStringLiteral("(第") + QString::number(row) +
           QStringLiteral("行)\nX=") + General7(point.x()) + QStringLiteral(", Y=") + General7(point.y());
}

void ChartComposer::Chart1ClickSeries(int k) {
    if (k < 0 || k >= chart_->SeriesPointCount(DataSeries) || k >= state_->data.n) return;
    chart_->HighlightDataPoint(k);
    const QString text = PointText(k);
    const int row = state_->data.sourceRow[k];
    const int tableRows = tableRowCount_ ? tableRowCount_() : 0;
    if (row < tableRows) {
        const QString question = text + QStringLiteral("\n入力画面を参照しますか。");
        if (AskYesNo(question.toStdString(), MessageKind::Information)) {
            emit DataRowVisitRequested(row);
        }
    } else {
        ShowInformation(text.toStdString());
    }
    chart_->HighlightDataPoint(-1);
}

void ChartComposer::GraphRefreshClick() {
    for (int index : {RegressionSeries, InitialLineSeries, SplineSeries}) {
        if (chart_->IsSeriesActive(index)) {
            chart_->SetSeriesActive(index, false);
            chart_->ClearSeries(index);
        }
    }
    chart_->UpdateAxes();
    Enable(actions_.GraphRefresh, false);
    Enable(actions_.PredictMenu, false);
    Enable(actions_.SaveRegression, false);
    Enable(actions_.SaveSpline, false);
}

std::vector<QPointF> ChartComposer::CurvePoints(int seriesIndex) const {
    std::vector<QPointF> points;
    const int count = chart_->SeriesPointCount(seriesIndex);
    points.reserve(count);
    for (int k = 0; k < count; ++k) {
        const QPointF p = chart_->SeriesPoint(seriesIndex, k);
        if (std::isfinite(p.x()) && std::isfinite(p.y())) points.push_back(p);
    }
    return points;
}

void ChartComposer::ModelChanged() {
    Enable(actions_.SaveRegression, false);
    Enable(actions_.SaveSpline, false);
}

QString ChartComposer::SaveRegressionTo(const QString& chosenName) const {
    return SaveCurveTo(RegressionSeries, chosenName);
}

QString ChartComposer::SaveSplineTo(const QString& chosenName) const { return SaveCurveTo(SplineSeries, chosenName); }

QString ChartComposer::SaveCurveTo(int seriesIndex, const QString& chosenName) const {
    if (chosenName.isEmpty()) return QString();
    std::vector<double> xs, ys;
    for (const QPointF& p : CurvePoints(seriesIndex)) {
        xs.push_back(p.x());
        ys.push_back(p.y());
    }
    const std::filesystem::path path = CurvePath(std::filesystem::path(chosenName.toStdString()));
    if (!SaveCurve(path, chart_->xAxis->label().toStdString(), chart_->yAxis->label().toStdString(), xs, ys)) {
        return QString();
    }
    return QString::fromStdString(path.string());
}

}  // namespace kurvex::gui
