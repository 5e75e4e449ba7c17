#include "core/regression/Bands.h"

#include <cmath>

#include "core/common/NumberFormat.h"
#include "core/expression/EvaluationError.h"
#include "core/regression/Distributions.h"
#include "core/regression/ResultFields.h"
#include "core/regression/Statistics.h"

namespace kurvex {

BandCalculator::BandCalculator(const TFitState& state, const FixedMask& fixed)
    : state_(state),
      fixed_(EffectiveMask(state, fixed)),
      model_(state.model),
      covariance_(UnscaledCovariance(state, fixed)) {
    const int k = FreeCount(fixed_, state.model.m);
    const long double df = state.data.N - k;
    const long long dfT = RoundHalfEven(state.data.N) - k;
    if (covariance_.empty() || !(df > 0) || dfT <= 0) return;
    s_ = std::sqrt(state.results.SSR / df);
    try {
        t_ = TUpperQuantile(DegreesOfFreedomArgument(dfT), static_cast<double>(state.conditions.alpha / 2));
    } catch (const std::exception&) {
        return;
    }
    available_ = std::isfinite(s_) && std::isfinite(t_);
}

std::vector<long double> BandCalculator::Gradient(std::span<const double> x) {
    const TFitModel& model = state_.model;
    const auto& c = state_.results.coefficients;
    const bool formulas =
        model.index != kGeneralModelIndex ||
        (!model.numericDerivatives && model.derivativeFormulas.size() >= static_cast<std::size_t>(model.m));
    std::vector<long double> g;
    std::vector<double> shifted(c.begin(), c.end());
    for (int j = 0; j < model.m; ++j) {
        if (IsFixed(fixed_, j)) continue;
        if (formulas) {
            g.push_back(model_.Derivative(j, x, c));
            continue;
        }
        // Central difference with a step relative to the coefficient, as
        // actually stored in a double.
        const auto jj = static_cast<std::size_t>(j);
        const double step = 1e-6 * std::max(std::fabs(c[jj]), 1e-6);
        shifted[jj] = c[jj] + step;
        const double up = shifted[jj];
        const long double fUp = model_.Value(x, shifted);
        shifted[jj] = c[jj] - step;
        const double down = shifted[jj];
        const long double fDown = model_.Value(x, shifted);
        shifted[jj] = c[jj];
        g.push_back((fUp - fDown) / (static_cast<long double>(up) - down));
    }
    return g;
}

PredictionInterval BandCalculator::At(std::span<const double> x) {
    PredictionInterval interval;
    interval.value = model_.Value(x, state_.results.coefficients);
    if (!available_) return interval;
    const auto g = Gradient(x);
    const auto k = g.size();
    long double quadratic = 0;
    for (std::size_t a = 0; a < k; ++a)
        for (std::size_t b = 0; b < k; ++b) quadratic += g[a] * covariance_[a * k + b] * g[b];
    if (!(quadratic >= 0) || !std::isfinite(quadratic)) return interval;
    interval.confidenceHalf = t_ * s_ * std::sqrt(quadratic);
    interval.predictionHalf = t_ * s_ * std::sqrt(1 + quadratic);
    return interval;
}

std::string IntervalText(long double value, const std::optional<long double>& half) {
    if (!half) return {};
    return FormatNumber(value - *half, kResultPrecision) + " ～ " + FormatNumber(value + *half, kResultPrecision);
}

std::vector<BandPoint> ComputeBands(const TFitState& state, double xMin, double xMax, int count,
                                    const FixedMask& fixed) {
    std::vector<BandPoint> points;
    if (count < 1 || state.model.nx != 1) return points;
    BandCalculator bands(state, fixed);
    for (int i = 0; i < count; ++i) {
        const double x = count == 1 ? xMin : xMin + (xMax - xMin) * i / (count - 1);
        try {
            const PredictionInterval at = bands.At(std::span<const double>(&x, 1));
            BandPoint point{x, static_cast<double>(at.value), {}, {}, {}, {}};
            if (!std::isfinite(point.fit)) continue;
            if (at.confidenceHalf) {
                point.confidenceLow = static_cast<double>(at.value - *at.confidenceHalf);
                point.confidenceHigh = static_cast<double>(at.value + *at.confidenceHalf);
            }
            if (at.predictionHalf) {
                point.predictionLow = static_cast<double>(at.value - *at.predictionHalf);
                point.predictionHigh = static_cast<double>(at.value + *at.predictionHalf);
            }
            points.push_back(point);
        } catch (const EvaluationError&) {
            // A formula that cannot be evaluated fails at every point, with its message: stop at the first.
            break;
        } catch (const std::exception&) {
            // A point where the model fails (outside its domain) has no band.
        }
    }
    return points;
}

}  // namespace kurvex
