#pragma once
// Bayesian-type spline: a least-squares fit of quadratic B-splines on equally
// spaced knots with a second-difference smoothness prior whose weight is
// chosen among 0.5, 1, ..., 32 by the smallest ABIC.
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/tools/SplineState.h"

namespace kurvex {

struct SplineKnots {
    double KnotStep = 0;    // h = (RangeMax − RangeMin) / ND
    double KnotOrigin = 0;  // x0 = RangeMin − 2h
    double KnotUpper = 0;   // xU = RangeMax + 2h
    int basisCount = 0;     // a = ND + 6
};

SplineKnots MakeSplineKnots(double rangeMin, double rangeMax, int nd);

// The knot interval d that holds x and the values of basis functions d − 1, d
// and d + 1 there (numbers outside 1..a do not exist and must be skipped).
struct SplineBasisTriple {
    long long d = 0;
    double values[3] = {0, 0, 0};  // basis d − 1, d, d + 1
};
SplineBasisTriple SplineBasisAt(const SplineKnots& knots, double x);

// Basis function j (1..a) at x: the quadratic B-spline centred at
// x0 + (j − 0.5)h, divided by h; 0 for j outside 1..a.
double SplineBasis(const SplineKnots& knots, int j, double x);

// Σ_j B_j(x)·coef[j − 1].
long double SplineCurveValue(const SplineKnots& knots, std::span<const double> coef, double x);

inline constexpr int kBayesWeightExponentFirst = -1;
inline constexpr int kBayesWeightExponentLast = 5;
inline constexpr int kMaxSplineIntervals = 10'000'000;

struct BayesSplineFit {
    bool ok = false;
    std::string failure;                      // the message when !ok
    std::vector<std::string> solverMessages;  // distinct messages of refused candidates, in order
    SplineKnots knots;
    std::vector<double> coef;  // coefficient of basis j at j − 1
    long double abic = 0;
    bool abicFinite = true;         // false: the chosen fit meets every point exactly (ABIC → −∞)
    long double standardError = 0;  // sqrt(RSS / n) of the chosen fit
    int weightExponent = 0;         // the chosen weight is 2^weightExponent
    long long keptPoints = 0;       // n: points with x0 <= X <= xU
};

// The whole fit without any message box: validation, point selection, normal
// equations, the weight search.
BayesSplineFit FitBayesSpline(std::span<const double> x, std::span<const double> y, double rangeMin, double rangeMax,
                              int nd);

// "推定値の標準誤差：" SE "\n" "ベイズ型情報量規準：" ABIC, 5 significant digits;
// "計算不能" in place of an ABIC that does not exist.
std::string BayesSplineResultText(long double standardError, std::optional<long double> abic);

// Runs the fit on the state's range, fills the knot fields, SplineCoef, CurveY
// (at the state's CurveX) and resultText. Shows the solver messages, and the
// failure or the result (information, captioned "計算結果"). False when
// nothing may be drawn.
bool BayesSpline(SplineState& state, int nd, std::span<const double> x, std::span<const double> y);

}  // namespace kurvex
