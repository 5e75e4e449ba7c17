#pragma once
// Confidence band of the fitted curve and prediction band of a new
// observation: f(x) ± t·s·√(gᵀVg) and f(x) ± t·s·√(1 + gᵀVg), with
// g = ∂f/∂C at x, V = (JᵀJ)⁻¹ and s, t those of the confidence limits
// (t = TUpperQuantile(round(N) − m, α/2)). A new observation has weight 1.
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/regression/FitReport.h"
#include "core/regression/FitState.h"
#include "core/regression/Models.h"

namespace kurvex {

struct PredictionInterval {
    long double value = 0;                      // f(x)
    std::optional<long double> confidenceHalf;  // t·s·√(gᵀVg)
    std::optional<long double> predictionHalf;  // t·s·√(1 + gᵀVg)
};

struct BandPoint {
    double x = 0;
    double fit = 0;
    std::optional<double> confidenceLow, confidenceHigh, predictionLow, predictionHigh;
};

class BandCalculator {
public:
    explicit BandCalculator(const TFitState& state, const FixedMask& fixed = {});
    BandCalculator(const BandCalculator&) = delete;
    BandCalculator& operator=(const BandCalculator&) = delete;

    // The fit has what the bands need: a covariance, residual degrees of freedom and t.
    bool Available() const { return available_; }
    // f and the half-widths at X1..Xnx; an evaluation failure propagates.
    PredictionInterval At(std::span<const double> x);
    // ∂f/∂Cj at x for the free coefficients: derivative formulas where the
    // model has them, otherwise central differences.
    std::vector<long double> Gradient(std::span<const double> x);

private:
    const TFitState& state_;
    FixedMask fixed_;
    ModelEvaluator model_;
    std::vector<long double> covariance_;
    long double s_ = 0, t_ = 0;
    bool available_ = false;
};

// "low ～ high" of value ± half in 7 significant digits; empty without a half-width.
std::string IntervalText(long double value, const std::optional<long double>& half);

// `count` points evenly from xMin to xMax (one-variable models); points
// where the model cannot be evaluated are left out.
std::vector<BandPoint> ComputeBands(const TFitState& state, double xMin, double xMax, int count,
                                    const FixedMask& fixed = {});

}  // namespace kurvex
