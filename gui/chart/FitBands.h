#pragma once
// What the graph menu adds to the chart: the confidence band (a shaded area)
// and the prediction band (dashed lines) of the regression curve, in the
// curve's colour; and the residual plot, a chart of its own with the
// weighted residuals against X1 and against the fitted value.
#include <qcustomplot.h>

#include <vector>

#include "core/regression/Bands.h"

namespace kurvex::gui {

class ChartPanel;

class FitBandsOverlay : public QObject {
    Q_OBJECT

public:
    FitBandsOverlay(ChartPanel* chart, const TFitState* state, QObject* parent = nullptr);

    void SetShown(bool shown);
    bool Shown() const { return shown_; }
    // Recomputes the bands over the bottom axis range (after the regression
    // curve was drawn); `current`: the fit belongs to the curve on the chart.
    void Refresh(bool current);
    // The points of the last computed bands (empty when none are drawn).
    const std::vector<BandPoint>& Points() const { return points_; }

private:
    void SyncVisibility();

    ChartPanel* chart_;
    const TFitState* state_;
    QCPGraph *confidenceLow_, *confidenceHigh_, *predictionLow_, *predictionHigh_;
    std::vector<BandPoint> points_;
    bool shown_ = false;
    bool current_ = false;
};

class ResidualPlot : public QCustomPlot {
    Q_OBJECT

public:
    explicit ResidualPlot(QWidget* parent = nullptr);
    // Weighted residuals of the fit against X1 (the point number without an
    // X1) and against the fitted value; empty when there is no fit.
    void ShowResiduals(const TFitState& state, bool current, const QString& xTitle);
    int PointCount() const;

private:
    QCPAxisRect* againstFitted_;
    QCPGraph *byX_, *byFitted_, *zeroByX_, *zeroByFitted_;
};

}  // namespace kurvex::gui
