#include "core/regression/Statistics.h"

#include <algorithm>
#include <limits>

#include <cmath>
#include <vector>

#include "core/common/MessageSink.h"
#include "core/common/NumberFormat.h"
#include "core/regression/Distributions.h"
#include "core/regression/FloatingPoint.h"
#include "core/regression/LeastSquares.h"

namespace kurvex {

long long RoundHalfEven(long double v) {
    // Saturates so that huge weight sums (N near 1e38) cannot overflow the
    // degrees-of-freedom arithmetic that follows.
    constexpr long double kLimit = 4.0e18L;
    if (!(v < kLimit)) return 4000000000000000000LL;
    if (v <= -kLimit) return -4000000000000000000LL;
    return std::llrint(std::nearbyint(v));
}

int DegreesOfFreedomArgument(long long df) {
    return static_cast<int>(std::min<long long>(df, std::numeric_limits<int>::max()));
}

std::string ResultText(const std::optional<long double>& value) {
    return value ? FormatNumber(*value, kResultPrecision) : kNotComputableText;
}

std::optional<long double> StandardError(long double ssr, long double N, int m) {
    if (!(N > m)) return std::nullopt;
    return CheckedSqrt(CheckedDivide(ssr, N - m));
}

namespace {

// The figures from the fitted value of each point, however it is obtained.
template <class Fitted>
std::optional<long double> R2AndF(TFitState& state, Fitted fitted) {
    const TFitData& data = state.data;
    const int m = FreeCoefficientCount(state.model, state.conditions);
    long double sumWf = 0;
    for (std::int32_t i = 0; i < data.n; ++i) sumWf += data.Weight(i) * fitted(i);
    const long double fMean = CheckedDivide(sumWf, data.N);

    long double Sff = 0, Syf = 0;
    for (std::int32_t i = 0; i < data.n; ++i) {
        const long double w = data.Weight(i);
        const long double df = fitted(i) - fMean;
        Sff += w * df * df;
        Syf += w * (data.y[i] - data.yMean) * df;
    }
    Sff = Finite(Sff);
    Syf = Finite(Syf);

    // F has no value for one coefficient, an exact fit or no residual degree of freedom.
    const long double ssr = state.results.SSR;
    if (m < 2 || ssr == 0 || !(data.N > m)) state.results.F = -1;
    else state.results.F = CheckedDivide(Sff / (m - 1), ssr / (data.N - m));

    const long double denominator = data.Syy * Sff;
    if (!(denominator > 0)) return std::nullopt;
    return CheckedDivide(Syf * Syf, denominator);
}

// Nothing as soon as a fitted value is below 1e-5 (the page shows "計算不能").
template <class Fitted>
std::optional<long double> RelativeError(const TFitState& state, Fitted fitted) {
    const TFitData& data = state.data;
    long double sum = 0;
    for (std::int32_t i = 0; i < data.n; ++i) {
        const long double f = fitted(i);
        if (f < 1e-5L) return std::nullopt;
        sum += std::fabs(f - data.y[i]) / f;
    }
    if (data.n == 0) return std::nullopt;
    return Finite(sum / data.n);
}

template <class Fitted>
void FitStatistics(TFitState& state, Fitted fitted) {
    TResultFields& fields = state.fields;
    TFitStatistics& figures = state.results.statistics;
    const long double ssr = state.results.SSR;
    figures.SE = StandardError(ssr, state.data.N, FreeCoefficientCount(state.model, state.conditions));
    figures.R2 = R2AndF(state, fitted);
    figures.R = figures.R2 ? std::optional<long double>(std::sqrt(*figures.R2)) : std::nullopt;
    figures.relativeError = RelativeError(state, fitted);
    fields.EdtSSQ = FormatNumber(ssr, kResultPrecision);
    fields.EdtSE = ResultText(figures.SE);
    fields.EditR2 = ResultText(figures.R2);
    fields.EditR = ResultText(figures.R);
    fields.EditRelativeError = ResultText(figures.relativeError);
}

auto EvaluatedAt(const TFitState& state, std::span<const double> c, ModelEvaluator& model) {
    return [&state, c, &model](std::int32_t i) { return model.Value(state.data.PointX(i), c); };
}

auto StoredIn(std::span<const long double> fitted) {
    return [fitted](std::int32_t i) { return fitted[static_cast<std::size_t>(i)]; };
}

}  // namespace

std::optional<long double> ComputeR2AndF(TFitState& state, std::span<const double> c, ModelEvaluator& model) {
    return R2AndF(state, EvaluatedAt(state, c, model));
}

std::string ComputeRelativeError(const TFitState& state, std::span<const double> c, ModelEvaluator& model) {
    return ResultText(RelativeError(state, EvaluatedAt(state, c, model)));
}

void ShowFitStatistics(TFitState& state, std::span<const double> c, ModelEvaluator& model) {
    FitStatistics(state, EvaluatedAt(state, c, model));
}

void ShowFitStatistics(TFitState& state, std::span<const long double> fitted) {
    FitStatistics(state, StoredIn(fitted));
}

namespace {

// Regressor j (1-based) of point i for the linear models: Xj for model 0, x^j for model 1.
long double Regressor(const TFitState& state, std::int32_t i, int j) {
    const auto x = state.data.PointX(i);
    if (state.model.index == 0) return x[static_cast<std::size_t>(j - 1)];
    long double v = 1;
    for (int k = 0; k < j; ++k) v *= x[0];
    return v;
}

void ComputeLinearLimits(TFitState& state) {
    const TFitData& data = state.data;
    const int m = state.model.m;
    const int q = state.model.index == 0 ? data.nx : 2;
    auto& limits = state.fields.limits;
    if (limits.size() < static_cast<std::size_t>(q + 1)) limits.resize(static_cast<std::size_t>(q + 1));
    auto& halfWidths = state.results.statistics.halfWidths;
    halfWidths.assign(static_cast<std::size_t>(q + 1), std::nullopt);

    const long long dfT = RoundHalfEven(data.N) - m;
    if (dfT <= 0 || !(data.N > m)) {  // no residual degree of freedom: no limits
        for (int j = 0; j <= q; ++j) limits[static_cast<std::size_t>(j)] = kNotComputableText;
        return;
    }

    std::vector<long double> mean(static_cast<std::size_t>(q + 1), 0.0L);
    for (std::int32_t i = 0; i < data.n; ++i)
        for (int j = 1; j <= q; ++j) mean[static_cast<std::size_t>(j)] += data.Weight(i) * Regressor(state, i, j);
    for (int j = 1; j <= q; ++j)
        mean[static_cast<std::size_t>(j)] = CheckedDivide(mean[static_cast<std::size_t>(j)], data.N);

    // G = [S | I], S the weighted cross-products about the means.
    const int width = 2 * q;
    std::vector<double> g(static_cast<std::size_t>(q * width), 0.0);
    for (int j = 1; j <= q; ++j)
        for (int k = 1; k <= j; ++k) {
            long double s = 0;
            for (std::int32_t i = 0; i < data.n; ++i)
                s += data.Weight(i) * (Regressor(state, i, j) - mean[static_cast<std::size_t>(j)]) *
                     (Regressor(state, i, k) - mean[static_cast<std::size_t>(k)]);
            const double stored = static_cast<double>(Finite(s));
            g[static_cast<std::size_t>((j - 1) * width + (k - 1))] = stored;
            g[static_cast<std::size_t>((k - 1) * width + (j - 1))] = stored;
        }
    InvertGaussJordan(g.data(), q);
    auto inverse = [&](int j, int k) -> long double {
        return g[static_cast<std::size_t>((j - 1) * width + q + (k - 1))];
    };

    const long double s2 = CheckedDivide(state.results.SSR, data.N - m);
    const long double t =
        TUpperQuantile(DegreesOfFreedomArgument(dfT), static_cast<double>(state.conditions.alpha / 2));

    long double quadratic = 0;
    for (int j = 1; j <= q; ++j)
        for (int k = 1; k <= q; ++k)
            quadratic += mean[static_cast<std::size_t>(j)] * mean[static_cast<std::size_t>(k)] * inverse(j, k);
    state.results.statistics.t = t;
    halfWidths[0] = t * CheckedSqrt(Finite(s2 * (CheckedDivide(1, data.N) + quadratic)));
    for (int j = 1; j <= q; ++j) halfWidths[static_cast<std::size_t>(j)] = t * CheckedSqrt(Finite(s2 * inverse(j, j)));
    for (int j = 0; j <= q; ++j)
        limits[static_cast<std::size_t>(j)] = FormatNumber(*halfWidths[static_cast<std::size_t>(j)], kTestPrecision);
}

void ComputeFTest(TFitState& state) {
    TResultFields& fields = state.fields;
    const int m = FreeCoefficientCount(state.model, state.conditions);
    const int df1 = m - 1;
    const long long df2 = RoundHalfEven(state.data.N - m);
    TFitStatistics& figures = state.results.statistics;
    figures.testShown = true;
    figures.df1 = df1;
    figures.df2 = df2;
    figures.P.reset();
    figures.pBelowLevel = false;
    fields.EditDF = std::to_string(df1) + ", " + std::to_string(df2);
    const long double F = state.results.F;
    if (F < 0 || df1 < 1 || df2 < 1) {
        fields.EditFV = kImpossibleText;
        fields.EditSP = kImpossibleText;
        return;
    }
    fields.EditFV = FormatNumber(F, kTestPrecision);
    const double critical = FUpperQuantile(df1, DegreesOfFreedomArgument(df2), kSignificanceFloor);
    if (critical >= F) {
        figures.P = FUpperProb(df1, DegreesOfFreedomArgument(df2), static_cast<double>(F));
        fields.EditSP = FormatNumber(*figures.P, kTestPrecision);
    } else {
        figures.pBelowLevel = true;
        fields.EditSP = "<< " + FormatNumber(kSignificanceFloor, kTestPrecision);
    }
}

}  // namespace

bool LinearConfidenceLimits(TFitState& state) {
    try {
        ComputeLinearLimits(state);
        return true;
    } catch (const std::exception&) {
        ShowError(kCalculationErrorMessage);
        return false;
    }
}

bool ShowFTest(TFitState& state) {
    try {
        ComputeFTest(state);
        return true;
    } catch (const std::exception&) {
        ShowError(kCalculationErrorMessage);
        return false;
    }
}

}  // namespace kurvex
