#pragma once
// The spline command after its window closed with OK: read the settings,
// prepare the output grid, run the chosen method.
#include <optional>
#include <span>
#include <string>

#include "core/regression/FitState.h"
#include "core/tools/SplineState.h"

namespace kurvex {

struct SplineSettings {
    SplineMethod method = SplineMethod::Bayesian;
    long long outputIntervals = 100;  // EditNp: Np, the curve has Np + 1 points
    long long subIntervals = 10;      // EditND: ND, used by the Bayesian spline
    double rangeMin = 0;              // EditMin
    double rangeMax = 0;              // EditMax
};

// Reads EditNp, EditND (integers, also for the cubic method), EditMin and
// EditMax (numbers), in this order; the first text that is not a valid number
// is reported with an error box and gives no settings.
std::optional<SplineSettings> ReadSplineSettings(SplineMethod method, const std::string& outputIntervalsText,
                                                 const std::string& subIntervalsText, const std::string& rangeMinText,
                                                 const std::string& rangeMaxText);

// CurveX_i = i·(RangeMax − RangeMin)/Np + RangeMin, i = 0..Np.
std::vector<double> SplineOutputGrid(double rangeMin, double rangeMax, long long outputIntervals);

// Checks the settings (Np >= 1, ND >= 1 for the Bayesian spline, a finite range
// with RangeMin < RangeMax; a message box otherwise), stores the range and the
// grid in the state and runs the method. True when the curve CurveX/CurveY
// (Np + 1 points) may be drawn; on false the state's previous curve is kept.
bool RunSpline(SplineState& state, const SplineSettings& settings, std::span<const double> x,
               std::span<const double> y);

// RunSpline on a data set with one explanatory variable (the spline command
// is offered only then); the point weights play no part.
bool RunSpline(SplineState& state, const SplineSettings& settings, const TFitData& data);

// "Bayesian Spline" or "Cubic Spline": the title of the drawn series.
const char* SplineSeriesTitle(SplineMethod method);

}  // namespace kurvex
