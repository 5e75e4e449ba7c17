#pragma once
// Goodness-of-fit figures and the confidence limits of the linear models.
// Every figure is weighted, and N = Σ w (not the point count) is the number of
// data in every degree of freedom, standard error and mean.
#include <optional>
#include <span>
#include <string>

#include "core/regression/FitState.h"
#include "core/regression/Models.h"

namespace kurvex {

inline constexpr const char* kCalculationErrorMessage = "計算エラー！\n計算条件を変更して下さい。";
// The F test's probability is computed down to this level; below it the page shows "<< 0.0001".
inline constexpr double kSignificanceFloor = 0.0001;

// A figure of the result pages in 7 digits, or "計算不能" when it has no value.
std::string ResultText(const std::optional<long double>& value);

// √(SSR / (N − m)); nothing when N ≤ m.
std::optional<long double> StandardError(long double ssr, long double N, int m);

// R², the squared weighted correlation of observed and fitted values; stores
// the F value in state.results.F (−1 when it has no value: m < 2, an exact
// fit with SSR = 0, or N ≤ m). Gives nothing when R² has no value because
// the observed or the fitted values do not vary. Uses state.results.SSR.
// Evaluation failures propagate.
std::optional<long double> ComputeR2AndF(TFitState& state, std::span<const double> c, ModelEvaluator& model);

// (1/n) Σ |f_i − y_i| / f_i, unweighted, 7 digits; "計算不能" as soon as a
// fitted value is below 1e-5. Evaluation failures propagate.
std::string ComputeRelativeError(const TFitState& state, std::span<const double> c, ModelEvaluator& model);

// Writes SSR, SE, R², |R| and the relative error of the coefficients c into
// state.fields (SSR taken from state.results.SSR).
void ShowFitStatistics(TFitState& state, std::span<const double> c, ModelEvaluator& model);
// The same from the model values f_i the fit already holds for c (one per
// point, in extended precision): no evaluation of the model.
void ShowFitStatistics(TFitState& state, std::span<const long double> fitted);

// The confidence half-widths of the coefficients of models 0 and 1 (5 digits)
// into state.fields.limits. A floating-point fault is reported with
// kCalculationErrorMessage; returns false then.
bool LinearConfidenceLimits(TFitState& state);

// Degrees of freedom, F value and probability into EditDF, EditFV, EditSP.
// "不能" in F and P when F has no value. A fault is reported with
// kCalculationErrorMessage; returns false then.
bool ShowFTest(TFitState& state);

// round(v) to the nearest integer, halves to even.
long long RoundHalfEven(long double v);
// A degrees-of-freedom count as the int the distribution routines take (saturated).
int DegreesOfFreedomArgument(long long df);

}  // namespace kurvex
