#include "core/tools/BayesSpline.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <stdexcept>

#include "core/common/MessageCaption.h"
#include "core/common/MessageSink.h"
#include "core/common/NumberFormat.h"
#include "core/regression/ResultFields.h"
#include "core/tools/BandMatrix.h"
#include "core/tools/SplineMessages.h"

namespace kurvex {

SplineKnots MakeSplineKnots(double rangeMin, double rangeMax, int nd) {
    SplineKnots knots;
    knots.KnotStep = (rangeMax - rangeMin) / nd;
    knots.KnotOrigin = rangeMin - 2 * knots.KnotStep;
    knots.KnotUpper = rangeMax + 2 * knots.KnotStep;
    knots.basisCount = nd + 6;
    return knots;
}

SplineBasisTriple SplineBasisAt(const SplineKnots& knots, double x) {
    const long double h = knots.KnotStep;
    const long double x0 = knots.KnotOrigin;
    // Far-away abscissae only need an interval number that no basis reaches.
    const long double position = std::trunc((x - x0) / h);
    const long double limit = static_cast<long double>(knots.basisCount) + 3;
    SplineBasisTriple triple;
    triple.d = std::isnan(position) ? static_cast<long long>(limit) + 2
                                    : static_cast<long long>(std::clamp(position, -limit, limit)) + 1;
    const long double centre = x0 + (static_cast<long double>(triple.d) - 0.5L) * h;
    const double fromCentre = static_cast<double>(x - centre);
    const long double t = fromCentre / h;
    const long double below = -t + 0.5L;  // for basis d − 1
    const long double above = t + 0.5L;   // for basis d + 1
    triple.values[0] = static_cast<double>(0.5L * below * below / h);
    triple.values[1] = static_cast<double>((0.75L - t * t) / h);
    triple.values[2] = static_cast<double>(0.5L * above * above / h);
    return triple;
}

double SplineBasis(const SplineKnots& knots, int j, double x) {
    if (j < 1 || j > knots.basisCount) return 0.0;
    const SplineBasisTriple triple = SplineBasisAt(knots, x);
    const long long offset = j - triple.d;
    if (offset < -1 || offset > 1) return 0.0;
    return triple.values[offset + 1];
}

namespace {

// Calls visit(j, B_j(x)) for the existing basis functions that are non-zero-capable at x.
template <typename Visit>
void ForEachBasis(const SplineKnots& knots, double x, Visit&& visit) {
    const SplineBasisTriple triple = SplineBasisAt(knots, x);
    for (int k = 0; k < 3; ++k) {
        const long long j = triple.d - 1 + k;
        if (j >= 1 && j <= knots.basisCount) visit(static_cast<int>(j), triple.values[k]);
    }
}

}  // namespace

long double SplineCurveValue(const SplineKnots& knots, std::span<const double> coef, double x) {
    long double sum = 0;
    ForEachBasis(knots, x,
                 [&](int j, double b) { sum += static_cast<long double>(b) * coef[static_cast<std::size_t>(j - 1)]; });
    return sum;
}

namespace {

struct Point {
    double x;
    double y;
};

// A kept point with the interval and basis values it is fitted through,
// evaluated once for the normal equations and every residual sum.
struct BasisPoint {
    double y;
    long long d;
    double values[3];
};

// The points that take part: x0 <= X <= xU, ordered by ascending X.
std::vector<BasisPoint> SelectPoints(std::span<const double> x, std::span<const double> y, const SplineKnots& knots) {
    std::vector<Point> points;
    for (std::size_t k = 0; k < x.size(); ++k)
        if (x[k] >= knots.KnotOrigin && x[k] <= knots.KnotUpper) points.push_back({x[k], y[k]});
    std::stable_sort(points.begin(), points.end(), [](const Point& a, const Point& b) { return a.x < b.x; });
    std::vector<BasisPoint> kept(points.size());
    for (std::size_t k = 0; k < points.size(); ++k) {
        const SplineBasisTriple triple = SplineBasisAt(knots, points[k].x);
        kept[k] = {points[k].y, triple.d, {triple.values[0], triple.values[1], triple.values[2]}};
    }
    return kept;
}

long double FittedValue(const BasisPoint& p, int a, std::span<const double> coef) {
    long double sum = 0;
    for (int k = 0; k < 3; ++k) {
        const long long j = p.d - 1 + k;
        if (j >= 1 && j <= a) sum += static_cast<long double>(p.values[k]) * coef[static_cast<std::size_t>(j - 1)];
    }
    return sum;
}

long double ResidualSumOfSquares(const std::vector<BasisPoint>& points, int a, std::span<const double> coef) {
    long double rss = 0;
    for (const BasisPoint& p : points) {
        const long double r = p.y - FittedValue(p, a, coef);
        rss += r * r;
    }
    return rss;
}

// The normal equations of the least-squares part; basis functions more than
// two apart never overlap, so each row keeps (i, i), (i, i−1), (i, i−2).
struct NormalEquations {
    int a = 0;
    std::vector<long double> gram, rhs;
    double Gram(int i, int offset) const {  // G(i, i − offset), 1-based i
        return static_cast<double>(gram[static_cast<std::size_t>(i - 1) * 3 + static_cast<std::size_t>(offset)]);
    }
};

NormalEquations AccumulateNormalEquations(const std::vector<BasisPoint>& points, int a) {
    NormalEquations normal{a, std::vector<long double>(static_cast<std::size_t>(a) * 3, 0.0L),
                           std::vector<long double>(static_cast<std::size_t>(a), 0.0L)};
    for (const BasisPoint& p : points) {
        for (int k = 0; k < 3; ++k) {
            const long long i = p.d - 1 + k;
            if (i < 1 || i > a) continue;
            normal.rhs[static_cast<std::size_t>(i - 1)] += static_cast<long double>(p.y) * p.values[k];
            for (int l = 0; l <= k; ++l) {
                const long long j = p.d - 1 + l;
                if (j < 1) continue;
                normal.gram[static_cast<std::size_t>(i - 1) * 3 + static_cast<std::size_t>(k - l)] +=
                    static_cast<long double>(p.values[k]) * p.values[l];
            }
        }
    }
    return normal;
}

// Solves (G + w·DᵀD) u = b for the unknowns u_0..u_{a+1}, D the second
// differences u_{i−1} − 2u_i + u_{i+1}, i = 1..a; u_{j+1} is the coefficient
// of basis j, u_0 and u_1 only enter the roughness term.
BandSolveStatus SolveSmoothed(const NormalEquations& normal, double w, std::vector<double>& u) {
    const int a = normal.a;
    SymmetricBandMatrix system(a + 2, 2);
    std::fill(u.begin(), u.end(), 0.0);
    for (int i = 1; i <= a; ++i) {
        for (int offset = 0; offset <= 2 && i - offset >= 1; ++offset)
            system.At(i + 1, i + 1 - offset) = normal.Gram(i, offset);
        u[static_cast<std::size_t>(i + 1)] = static_cast<double>(normal.rhs[static_cast<std::size_t>(i - 1)]);
    }
    system.At(0, 0) = w;
    system.At(1, 1) = 5 * w;
    system.At(1, 0) = -2 * w;
    for (int r = 2; r <= a + 1; ++r) {
        const double diagonal = r <= a - 1 ? 6 * w : (r == a ? 5 * w : w);
        const double first = r == a + 1 ? -2 * w : -4 * w;
        system.At(r, r) += diagonal;
        system.At(r, r - 1) += first;
        system.At(r, r - 2) += w;
    }
    return FactorAndSolveBand(system, u, -1);
}

long double Roughness(const std::vector<double>& u, int a) {
    long double roughness = 0;
    for (int i = 1; i <= a; ++i) {
        const long double r = 2.0L * u[static_cast<std::size_t>(i)] - u[static_cast<std::size_t>(i - 1)] -
                              u[static_cast<std::size_t>(i + 1)];
        roughness += r * r;
    }
    return roughness;
}

// log det of the coefficients' posterior precision, G + w·(the roughness
// penalty restricted to the a coefficients); none when it is not positive definite.
std::optional<long double> PosteriorLogDeterminant(const NormalEquations& normal, double w) {
    const int a = normal.a;
    SymmetricBandMatrix prior(a, 2);
    for (int i = 1; i <= a; ++i) {
        prior.At(i - 1, i - 1) = normal.Gram(i, 0) + 6 * w;
        if (i >= 2) prior.At(i - 1, i - 2) = normal.Gram(i, 1) - 4 * w;
        if (i >= 3) prior.At(i - 1, i - 3) = normal.Gram(i, 2) + w;
    }
    return BandLogDet(prior);
}

}  // namespace

BayesSplineFit FitBayesSpline(std::span<const double> x, std::span<const double> y, double rangeMin, double rangeMax,
                              int nd) {
    if (x.size() != y.size()) throw std::invalid_argument("FitBayesSpline: x and y differ in length");
    BayesSplineFit fit;
    if (nd < 1 || nd > kMaxSplineIntervals) {
        fit.failure = kIntervalCountMessage;
        return fit;
    }
    if (!std::isfinite(rangeMin) || !std::isfinite(rangeMax) || !(rangeMin < rangeMax)) {
        fit.failure = kRangeOrderMessage;
        return fit;
    }
    const SplineKnots knots = MakeSplineKnots(rangeMin, rangeMax, nd);
    fit.knots = knots;
    if (!(knots.KnotStep > 0) || !std::isfinite(knots.KnotOrigin) || !std::isfinite(knots.KnotUpper)) {
        fit.failure = kRangeOrderMessage;
        return fit;
    }
    const std::vector<BasisPoint> points = SelectPoints(x, y, knots);
    fit.keptPoints = static_cast<long long>(points.size());
    if (points.empty()) {
        fit.failure = kNoPointsForBayesMessage;
        return fit;
    }
    const int a = knots.basisCount;
    const long double n = static_cast<long double>(points.size());

    const NormalEquations normal = AccumulateNormalEquations(points, a);
    const long double logTwoPi = std::log(6.283185307179586477L);
    bool haveBest = false;
    std::vector<double> u(static_cast<std::size_t>(a + 2));
    for (int e = kBayesWeightExponentFirst; e <= kBayesWeightExponentLast; ++e) {
        const double w = std::ldexp(1.0, e);
        const BandSolveStatus status = SolveSmoothed(normal, w, u);
        if (status != BandSolveStatus::Solved) {
            const std::string message = BandSolveMessage(status);
            if (std::find(fit.solverMessages.begin(), fit.solverMessages.end(), message) == fit.solverMessages.end())
                fit.solverMessages.push_back(message);
            continue;
        }
        const std::span<const double> coef(u.data() + 2, static_cast<std::size_t>(a));
        const long double rss = ResidualSumOfSquares(points, a, coef);
        const long double variance = (w * Roughness(u, a) + rss) / n;
        const std::optional<long double> logDet = PosteriorLogDeterminant(normal, w);
        if (!logDet || !std::isfinite(variance) || variance < 0) continue;  // no criterion for this weight
        // Data that the curve meets exactly (all y zero, say) leave no variance:
        // the criterion tends to −∞ and such a fit beats every other.
        const bool exact = variance == 0;
        const long double abic =
            exact ? 0 : n * (logTwoPi + 1 + std::log(variance)) + *logDet - a * std::log(static_cast<long double>(w));
        if (!std::isfinite(abic)) continue;

        // Strictly smaller: on a tie the earlier, smaller weight stays.
        const bool better = !haveBest || (exact ? fit.abicFinite : fit.abicFinite && abic < fit.abic);
        if (better) {
            haveBest = true;
            fit.abicFinite = !exact;
            fit.abic = abic;
            fit.standardError = std::sqrt(rss / n);
            fit.weightExponent = e;
            fit.coef.assign(coef.begin(), coef.end());
        }
    }
    if (!haveBest) {
        fit.failure = kNoSmoothingWeightMessage;
        return fit;
    }
    // The standard error of the result comes from the stored coefficients.
    fit.standardError = std::sqrt(ResidualSumOfSquares(points, a, fit.coef) / n);
    fit.ok = true;
    return fit;
}

std::string BayesSplineResultText(long double standardError, std::optional<long double> abic) {
    return "推定値の標準誤差：" + FormatNumber(standardError, 5) + "\n" + "ベイズ型情報量規準：" +
           (abic ? FormatNumber(*abic, 5) : std::string(kNotComputableText));
}

bool BayesSpline(SplineState& state, int nd, std::span<const double> x, std::span<const double> y) {
    const BayesSplineFit fit = FitBayesSpline(x, y, state.RangeMin, state.RangeMax, nd);
    for (const std::string& message : fit.solverMessages) ShowError(message);
    if (!fit.ok) {
        ShowError(fit.failure);
        return false;
    }
    state.KnotStep = fit.knots.KnotStep;
    state.KnotOrigin = fit.knots.KnotOrigin;
    state.KnotUpper = fit.knots.KnotUpper;
    state.SplineCoef = fit.coef;
    state.CurveY.resize(state.CurveX.size());
    for (std::size_t k = 0; k < state.CurveX.size(); ++k)
        state.CurveY[k] = static_cast<double>(SplineCurveValue(fit.knots, fit.coef, state.CurveX[k]));
    state.resultText =
        BayesSplineResultText(fit.standardError, fit.abicFinite ? std::optional<long double>(fit.abic) : std::nullopt);
    ShowCaptionedInformation(kSplineResultCaption, state.resultText);
    return true;
}

}  // namespace kurvex
