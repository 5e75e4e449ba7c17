#include "core/regression/FitReport.h"

#include <cmath>
#include <numbers>

#include "core/regression/Models.h"
#include "core/regression/Statistics.h"

namespace kurvex {

bool IsFixed(const FixedMask& fixed, int j) {
    return j < static_cast<int>(fixed.size()) && fixed[static_cast<std::size_t>(j)];
}

int FreeCount(const FixedMask& fixed, int m) {
    int count = 0;
    for (int j = 0; j < m; ++j) count += IsFixed(fixed, j) ? 0 : 1;
    return count;
}

namespace {

// Continued fraction of the incomplete beta function (modified Lentz).
long double BetaContinuedFraction(long double a, long double b, long double x) {
    constexpr long double kTiny = 1e-4000L;
    constexpr long double kEpsilon = 1e-19L;
    long double c = 1, d = 1 - (a + b) * x / (a + 1);
    if (std::fabs(d) < kTiny) d = kTiny;
    d = 1 / d;
    long double h = d;
    for (int k = 1; k <= 1000; ++k) {
        const long double even = k * (b - k) * x / ((a + 2 * k - 1) * (a + 2 * k));
        d = 1 + even * d;
        c = 1 + even / c;
        if (std::fabs(d) < kTiny) d = kTiny;
        if (std::fabs(c) < kTiny) c = kTiny;
        d = 1 / d;
        h *= d * c;
        const long double odd = -(a + k) * (a + b + k) * x / ((a + 2 * k) * (a + 2 * k + 1));
        d = 1 + odd * d;
        c = 1 + odd / c;
        if (std::fabs(d) < kTiny) d = kTiny;
        if (std::fabs(c) < kTiny) c = kTiny;
        d = 1 / d;
        const long double step = d * c;
        h *= step;
        if (std::fabs(step - 1) < kEpsilon) break;
    }
    return h;
}

// I_x(a, b), with x and 1 − x both given so that neither loses digits.
long double RegularisedBeta(long double a, long double b, long double x, long double oneMinusX) {
    if (x <= 0) return 0;
    if (oneMinusX <= 0) return 1;
    const long double logFront =
        std::lgamma(a + b) - std::lgamma(a) - std::lgamma(b) + a * std::log(x) + b * std::log(oneMinusX);
    if (x < (a + 1) / (a + b + 2)) return std::exp(logFront) * BetaContinuedFraction(a, b, x) / a;
    return 1 - std::exp(logFront) * BetaContinuedFraction(b, a, oneMinusX) / b;
}

std::optional<long double> FiniteOrNone(long double v) {
    if (!std::isfinite(v)) return std::nullopt;
    return v;
}

std::size_t At(int row, int column, int columns) {
    return static_cast<std::size_t>(row) * static_cast<std::size_t>(columns) + static_cast<std::size_t>(column);
}

// Inverts the symmetric positive definite k × k matrix s in place (Gauss–Jordan
// with partial pivoting); false when it is singular.
bool InvertInPlace(std::vector<long double>& s, int k) {
    std::vector<long double> g(static_cast<std::size_t>(k) * static_cast<std::size_t>(2 * k), 0.0L);
    for (int r = 0; r < k; ++r) {
        for (int c = 0; c < k; ++c) g[At(r, c, 2 * k)] = s[At(r, c, k)];
        g[At(r, k + r, 2 * k)] = 1;
    }
    for (int col = 0; col < k; ++col) {
        int pivot = col;
        for (int r = col + 1; r < k; ++r)
            if (std::fabs(g[At(r, col, 2 * k)]) > std::fabs(g[At(pivot, col, 2 * k)])) pivot = r;
        const long double p = g[At(pivot, col, 2 * k)];
        if (!(std::fabs(p) > 0) || !std::isfinite(p)) return false;
        if (pivot != col)
            for (int c = 0; c < 2 * k; ++c) std::swap(g[At(pivot, c, 2 * k)], g[At(col, c, 2 * k)]);
        for (int c = 0; c < 2 * k; ++c) g[At(col, c, 2 * k)] /= p;
        for (int r = 0; r < k; ++r) {
            if (r == col) continue;
            const long double factor = g[At(r, col, 2 * k)];
            if (factor == 0) continue;
            for (int c = 0; c < 2 * k; ++c) g[At(r, c, 2 * k)] -= factor * g[At(col, c, 2 * k)];
        }
    }
    for (int r = 0; r < k; ++r)
        for (int c = 0; c < k; ++c) {
            s[At(r, c, k)] = g[At(r, k + c, 2 * k)];
            if (!std::isfinite(s[At(r, c, k)])) return false;
        }
    return true;
}

// The regressor of coefficient j of linear model 0 or 1 at point x.
long double LinearRegressor(int modelIndex, int j, std::span<const double> x) {
    if (j == 0) return 1;
    if (modelIndex == 0) return x[static_cast<std::size_t>(j - 1)];
    const long double x1 = x[0];
    return j == 1 ? x1 : x1 * x1;
}

// (XᵀWX)⁻¹ of the free columns; the columns are scaled to unit length first
// so that only their collinearity, not their units, costs digits.
std::vector<long double> LinearCovariance(const TFitState& state, const FixedMask& fixed) {
    const TFitData& data = state.data;
    const int m = state.model.m;
    std::vector<int> columns;
    for (int j = 0; j < m; ++j)
        if (!IsFixed(fixed, j)) columns.push_back(j);
    const int k = static_cast<int>(columns.size());
    if (k == 0) return {};
    std::vector<long double> s(static_cast<std::size_t>(k * k), 0.0L), scale(static_cast<std::size_t>(k), 0.0L);
    std::vector<long double> row(static_cast<std::size_t>(k));
    for (std::int32_t i = 0; i < data.n; ++i) {
        const long double w = data.Weight(i);
        for (int a = 0; a < k; ++a)
            row[static_cast<std::size_t>(a)] = LinearRegressor(state.model.index, columns[a], data.PointX(i));
        for (int a = 0; a < k; ++a)
            for (int b = 0; b <= a; ++b)
                s[At(a, b, k)] += w * row[static_cast<std::size_t>(a)] * row[static_cast<std::size_t>(b)];
    }
    for (int a = 0; a < k; ++a) {
        scale[static_cast<std::size_t>(a)] = std::sqrt(s[At(a, a, k)]);
        if (!(scale[static_cast<std::size_t>(a)] > 0) || !std::isfinite(scale[static_cast<std::size_t>(a)])) return {};
    }
    for (int a = 0; a < k; ++a)
        for (int b = 0; b <= a; ++b) {
            const long double v =
                s[At(a, b, k)] / (scale[static_cast<std::size_t>(a)] * scale[static_cast<std::size_t>(b)]);
            s[At(a, b, k)] = v;
            s[At(b, a, k)] = v;
        }
    if (!InvertInPlace(s, k)) return {};
    for (int a = 0; a < k; ++a)
        for (int b = 0; b < k; ++b)
            s[At(a, b, k)] /= scale[static_cast<std::size_t>(a)] * scale[static_cast<std::size_t>(b)];
    return s;
}

}  // namespace

long double StudentTwoSidedP(long double t, long double nu) {
    const long double t2 = t * t;
    return RegularisedBeta(nu / 2, 0.5L, nu / (nu + t2), t2 / (nu + t2));
}

const FixedMask& EffectiveMask(const TFitState& state, const FixedMask& fixed) {
    return fixed.empty() ? state.conditions.fixed : fixed;
}

std::vector<long double> UnscaledCovariance(const TFitState& state, const FixedMask& mask) {
    if (!state.results.valid) return {};
    const FixedMask& fixed = EffectiveMask(state, mask);
    if (FitMethodOf(state.model.index) == FitMethod::Linear && state.model.index != kGeneralModelIndex)
        return LinearCovariance(state, fixed);
    const auto& inverse = state.results.inverseJtJ;
    const int m = state.model.m;
    const int k = FreeCount(fixed, m);
    const auto kk = static_cast<std::size_t>(k) * static_cast<std::size_t>(k);
    if (inverse.size() == kk) return {inverse.begin(), inverse.end()};
    // The iteration inverts all m columns, a fixed one standing alone on a unit
    // diagonal: the free block of that inverse is the inverse of the free block.
    if (inverse.size() != static_cast<std::size_t>(m) * static_cast<std::size_t>(m)) return {};
    std::vector<long double> free;
    free.reserve(kk);
    for (int a = 0; a < m; ++a)
        for (int b = 0; b < m; ++b)
            if (!IsFixed(fixed, a) && !IsFixed(fixed, b)) free.push_back(inverse[At(a, b, m)]);
    return free;
}

TFitReport ComputeFitReport(const TFitState& state, const FixedMask& fixed) {
    const auto covariance = UnscaledCovariance(state, fixed);
    return ComputeFitReport(state, covariance, EffectiveMask(state, fixed));
}

TFitReport ComputeFitReport(const TFitState& state, std::span<const long double> unscaledCovariance,
                            const FixedMask& mask) {
    const FixedMask& fixed = EffectiveMask(state, mask);
    TFitReport report;
    const int m = state.model.m;
    const long double N = state.data.N;
    const long double ssr = state.results.SSR;
    const int k = FreeCount(fixed, m);
    report.freeCount = k;
    report.residualDf = N - k;
    const auto mm = static_cast<std::size_t>(m);
    for (int j = 0; j < m; ++j) report.fixed.push_back(IsFixed(fixed, j));
    report.standardErrors.assign(mm, std::nullopt);
    report.tValues.assign(mm, std::nullopt);
    report.pValues.assign(mm, std::nullopt);
    report.correlation.assign(mm, std::vector<std::optional<long double>>(mm, std::nullopt));
    if (!state.results.valid || state.results.coefficients.size() < mm) return report;

    const bool haveDf = report.residualDf > 0;
    const long double s2 = haveDf ? ssr / report.residualDf : 0;
    if (haveDf) report.reducedChi2 = FiniteOrNone(s2);

    // Free coefficient j sits at position free[j] of the covariance.
    std::vector<int> position(mm, -1);
    for (int j = 0, p = 0; j < m; ++j)
        if (!IsFixed(fixed, j)) position[static_cast<std::size_t>(j)] = p++;
    const bool haveCovariance = unscaledCovariance.size() == static_cast<std::size_t>(k) * static_cast<std::size_t>(k);
    auto cov = [&](int a, int b) {
        return unscaledCovariance[At(position[static_cast<std::size_t>(a)], position[static_cast<std::size_t>(b)], k)];
    };
    if (haveCovariance) {
        for (int j = 0; j < m; ++j) {
            if (IsFixed(fixed, j)) continue;
            const auto jj = static_cast<std::size_t>(j);
            const long double diagonal = cov(j, j);
            if (haveDf && diagonal >= 0) {
                const long double se = std::sqrt(s2 * diagonal);
                report.standardErrors[jj] = FiniteOrNone(se);
                if (se > 0) {
                    const long double t = state.results.coefficients[jj] / se;
                    report.tValues[jj] = FiniteOrNone(t);
                    if (report.tValues[jj]) report.pValues[jj] = FiniteOrNone(StudentTwoSidedP(t, report.residualDf));
                }
            }
            for (int l = 0; l < m; ++l) {
                if (IsFixed(fixed, l)) continue;
                const long double product = diagonal * cov(l, l);
                if (product > 0)
                    report.correlation[jj][static_cast<std::size_t>(l)] = FiniteOrNone(cov(j, l) / std::sqrt(product));
            }
        }
    }

    if (state.data.Syy > 0) {
        const long double r2 = 1 - ssr / state.data.Syy;
        report.R2explained = FiniteOrNone(r2);
        if (haveDf && N > 1) report.R2adjusted = FiniteOrNone(1 - (1 - r2) * (N - 1) / report.residualDf);
    }
    if (ssr > 0 && N > 0) {
        const long double logL =
            -N / 2 * (std::log(2 * std::numbers::pi_v<long double>) + 1 - std::log(N) + std::log(ssr));
        const long double parameters = k + 1;
        report.logLikelihood = FiniteOrNone(logL);
        report.AIC = FiniteOrNone(-2 * logL + 2 * parameters);
        report.BIC = FiniteOrNone(-2 * logL + parameters * std::log(N));
        if (N - parameters - 1 > 0 && report.AIC)
            report.AICc = FiniteOrNone(*report.AIC + 2 * parameters * (parameters + 1) / (N - parameters - 1));
    }
    return report;
}

}  // namespace kurvex
