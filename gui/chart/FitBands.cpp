#include "gui/chart/FitBands.h"

#include <cmath>

#include "core/regression/Bands.h"
#include "core/regression/Models.h"
#include "gui/chart/ChartComposer.h"
#include "gui/chart/ChartPanel.h"

namespace kurvex::gui {
namespace {

QCPGraph* NewBandLine(ChartPanel* chart, Qt::PenStyle style) {
    auto* graph = chart->addGraph(chart->xAxis, chart->yAxis);
    graph->removeFromLegend();
    graph->setSelectable(QCP::stNone);
    graph->setLineStyle(QCPGraph::lsLine);
    QPen pen = chart->Series2()->pen();
    pen.setWidth(1);
    pen.setStyle(style);
    graph->setPen(pen);
    graph->setVisible(false);
    return graph;
}

}  // namespace

FitBandsOverlay::FitBandsOverlay(ChartPanel* chart, const TFitState* state, QObject* parent)
    : QObject(parent), chart_(chart), state_(state) {
    confidenceLow_ = NewBandLine(chart, Qt::SolidLine);
    confidenceHigh_ = NewBandLine(chart, Qt::SolidLine);
    predictionLow_ = NewBandLine(chart, Qt::DashLine);
    predictionHigh_ = NewBandLine(chart, Qt::DashLine);
    // The confidence band as an area in the curve's colour.
    QColor fill = chart->Series2()->pen().color();
    fill.setAlpha(60);
    confidenceHigh_->setBrush(QBrush(fill));
    confidenceHigh_->setChannelFillGraph(confidenceLow_);
    for (auto* line : {confidenceLow_, confidenceHigh_}) {
        QPen pen = line->pen();
        QColor colour = pen.color();
        colour.setAlpha(120);
        pen.setColor(colour);
        line->setPen(pen);
    }
    connect(chart_, &QCustomPlot::beforeReplot, this, &FitBandsOverlay::SyncVisibility);
}

void FitBandsOverlay::SetShown(bool shown) {
    shown_ = shown;
    Refresh(current_);
}

void FitBandsOverlay::Refresh(bool current) {
    current_ = current;
    points_.clear();
    for (auto* graph : {confidenceLow_, confidenceHigh_, predictionLow_, predictionHigh_}) graph->data()->clear();
    if (shown_ && current_ && state_->data.nx == 1 && state_->model.nx == 1) {
        const QCPRange range = chart_->xAxis->range();
        points_ = ComputeBands(*state_, range.lower, range.upper, kCurvePointCount);
        for (const BandPoint& p : points_) {
            if (!p.confidenceLow) continue;
            confidenceLow_->addData(p.x, *p.confidenceLow);
            confidenceHigh_->addData(p.x, *p.confidenceHigh);
            predictionLow_->addData(p.x, *p.predictionLow);
            predictionHigh_->addData(p.x, *p.predictionHigh);
        }
    }
    chart_->replot();
}

void FitBandsOverlay::SyncVisibility() {
    // A new data set or model takes the curve off the chart; its bands go with it.
    const bool visible = shown_ && current_ && chart_->IsSeriesActive(RegressionSeries);
    for (auto* graph : {confidenceLow_, confidenceHigh_, predictionLow_, predictionHigh_}) graph->setVisible(visible);
}

ResidualPlot::ResidualPlot(QWidget* parent) : QCustomPlot(parent) {
    setObjectName(QStringLiteral("ResidualPlot"));
    setBackground(Qt::white);
    againstFitted_ = new QCPAxisRect(this);
    plotLayout()->addElement(0, 1, againstFitted_);
    auto points = [this](QCPAxis* x, QCPAxis* y) {
        auto* graph = addGraph(x, y);
        graph->setLineStyle(QCPGraph::lsNone);
        graph->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssCircle, QPen(Qt::red), QBrush(Qt::red), 6));
        return graph;
    };
    auto zero = [this](QCPAxis* x, QCPAxis* y) {
        auto* graph = addGraph(x, y);
        graph->setPen(QPen(Qt::gray, 1));
        return graph;
    };
    QCPAxis* fx = againstFitted_->axis(QCPAxis::atBottom);
    QCPAxis* fy = againstFitted_->axis(QCPAxis::atLeft);
    byX_ = points(xAxis, yAxis);
    byFitted_ = points(fx, fy);
    zeroByX_ = zero(xAxis, yAxis);
    zeroByFitted_ = zero(fx, fy);
    yAxis->setLabel(QStringLiteral("重み付き残差"));
    fy->setLabel(QStringLiteral("重み付き残差"));
    fx->setLabel(QStringLiteral("計算値"));
}

int ResidualPlot::PointCount() const { return byX_->dataCount(); }

void ResidualPlot::ShowResiduals(const TFitState& state, bool current, const QString& xTitle) {
    for (auto* graph : {byX_, byFitted_, zeroByX_, zeroByFitted_}) graph->data()->clear();
    xAxis->setLabel(state.data.nx >= 1 ? xTitle : QStringLiteral("データ番号"));
    if (current && state.results.valid) {
        ModelEvaluator model(state.model);
        for (std::int32_t i = 0; i < state.data.n; ++i) {
            try {
                const auto k = static_cast<std::size_t>(i);
                const double f = static_cast<double>(model.Value(state.data.PointX(i), state.results.coefficients));
                const double r = (state.data.y[k] - f) * state.data.sqrtw[k];
                if (!std::isfinite(f) || !std::isfinite(r)) continue;
                byX_->addData(state.data.nx >= 1 ? state.data.PointX(i)[0] : i + 1.0, r);
                byFitted_->addData(f, r);
            } catch (const std::exception&) {
                // A point the model cannot be evaluated at has no residual.
            }
        }
    }
    for (auto [points, line] : {std::pair{byX_, zeroByX_}, std::pair{byFitted_, zeroByFitted_}}) {
        points->rescaleAxes();
        QCPAxis* x = points->keyAxis();
        QCPAxis* y = points->valueAxis();
        const double spread = std::max(std::fabs(y->range().lower), std::fabs(y->range().upper));
        y->setRange(-1.1 * (spread > 0 ? spread : 1), 1.1 * (spread > 0 ? spread : 1));
        const double margin = x->range().size() > 0 ? 0.05 * x->range().size() : 1;
        x->setRange(x->range().lower - margin, x->range().upper + margin);
        line->addData(x->range().lower, 0);
        line->addData(x->range().upper, 0);
    }
    replot();
}

}  // namespace kurvex::gui
