#include "core/regression/StartEstimates.h"

#include "core/common/MessageSink.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>

#include "core/expression/EvaluationError.h"
#include "core/regression/Models.h"

namespace kurvex {

namespace {

constexpr std::size_t kGridPoints = 2000;  // a larger data set is thinned evenly for the grid

// The points the grid and the refinement work on.
struct Sample {
    std::vector<double> x, y, w;
    double xMin = 0, xMax = 0, xAbsMax = 0;
};

Sample TakeSample(const TFitData& data) {
    Sample s;
    const auto n = static_cast<std::size_t>(data.n);
    const std::size_t stride = n > kGridPoints ? (n + kGridPoints - 1) / kGridPoints : 1;
    for (std::size_t i = 0; i < n; i += stride) {
        const double w = data.Weight(static_cast<std::int32_t>(i));
        if (!(w > 0)) continue;
        s.x.push_back(data.x[i * static_cast<std::size_t>(data.nx)]);
        s.y.push_back(data.y[i]);
        s.w.push_back(w);
    }
    if (s.x.empty()) return s;
    const auto [lo, hi] = std::minmax_element(s.x.begin(), s.x.end());
    s.xMin = *lo;
    s.xMax = *hi;
    s.xAbsMax = std::max(std::fabs(s.xMin), std::fabs(s.xMax));
    return s;
}

// The model's shape at x for the shape parameters θ; NaN where it has none.
using ShapeFunction = std::function<long double(const std::vector<double>& theta, double x)>;

struct ScaleSolution {
    long double ssr = std::numeric_limits<long double>::infinity();
    long double scale = 0;   // a of a·g
    long double offset = 0;  // b of a·g + b (the offset model only)
};

// Weighted least squares of y ≈ a·g (+ b) for the shape values g.
ScaleSolution FitScale(const Sample& s, const std::vector<long double>& g, bool withOffset) {
    ScaleSolution out;
    const std::size_t n = s.x.size();
    long double sw = 0, swg = 0, swy = 0;
    for (std::size_t i = 0; i < n; ++i) {
        sw += s.w[i];
        swg += s.w[i] * g[i];
        swy += s.w[i] * s.y[i];
    }
    const long double gMean = withOffset ? swg / sw : 0, yMean = withOffset ? swy / sw : 0;
    long double sgg = 0, sgy = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const long double dg = g[i] - gMean;
        sgg += s.w[i] * dg * dg;
        sgy += s.w[i] * dg * (s.y[i] - yMean);
    }
    if (!(sgg > 0) || !std::isfinite(sgg)) return out;
    out.scale = sgy / sgg;
    out.offset = yMean - out.scale * gMean;
    long double ssr = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const long double r = s.y[i] - out.offset - out.scale * g[i];
        ssr += s.w[i] * r * r;
    }
    if (std::isfinite(ssr) && std::isfinite(out.scale) && out.scale != 0) out.ssr = ssr;
    return out;
}

struct ShapeFit {
    std::vector<double> theta;
    ScaleSolution solution;
};

class ShapeSearch {
public:
    ShapeSearch(const Sample& sample, ShapeFunction shape, bool withOffset)
        : sample_(sample), shape_(std::move(shape)), withOffset_(withOffset), g_(sample.x.size()) {}

    ScaleSolution Evaluate(const std::vector<double>& theta) {
        for (std::size_t i = 0; i < sample_.x.size(); ++i) {
            g_[i] = shape_(theta, sample_.x[i]);
            if (!std::isfinite(g_[i])) return {};
        }
        return FitScale(sample_, g_, withOffset_);
    }

    // Every combination of the grid values of each shape parameter.
    ShapeFit Grid(const std::vector<std::vector<double>>& axes) {
        ShapeFit best;
        std::vector<double> theta(axes.size());
        std::vector<std::size_t> at(axes.size(), 0);
        for (;;) {
            for (std::size_t d = 0; d < axes.size(); ++d) theta[d] = axes[d][at[d]];
            const ScaleSolution solution = Evaluate(theta);
            if (solution.ssr < best.solution.ssr) best = {theta, solution};
            std::size_t d = 0;
            while (d < axes.size() && ++at[d] == axes[d].size()) at[d++] = 0;
            if (d == axes.size()) break;
        }
        return best;
    }

    // Pattern search from the best grid point: try a step either way along
    // each parameter, halve the steps when none improves. Bounded: on data
    // that only show the start of a curve the best shape runs off without end.
    void Refine(ShapeFit& fit, std::vector<double> steps) {
        if (!std::isfinite(fit.solution.ssr)) return;
        for (int halvings = 0, passes = 0; halvings < 40 && passes < 400; ++passes) {
            bool improved = false;
            for (std::size_t d = 0; d < steps.size(); ++d)
                for (const double sign : {1.0, -1.0}) {
                    std::vector<double> trial = fit.theta;
                    trial[d] += sign * steps[d];
                    const ScaleSolution solution = Evaluate(trial);
                    if (solution.ssr < fit.solution.ssr) {
                        fit = {trial, solution};
                        improved = true;
                    }
                }
            if (!improved) {
                for (double& step : steps) step /= 2;
                ++halvings;
            }
        }
    }

private:
    const Sample& sample_;
    ShapeFunction shape_;
    bool withOffset_;
    std::vector<long double> g_;
};

std::vector<double> Linear(double from, double to, int count) {
    std::vector<double> values;
    for (int k = 0; k < count; ++k) values.push_back(from + (to - from) * k / (count - 1));
    return values;
}

// Exponents of ten, in quarter decades.
std::vector<double> Decades(int fromQuarter, int toQuarter) {
    std::vector<double> values;
    for (int k = fromQuarter; k <= toQuarter; ++k) values.push_back(k / 4.0);
    return values;
}

long double Logistic(long double z) { return 1 / (1 + std::exp(-z)); }

// Sigmoids (models 2, 7, 8): θ = (midpoint, log10 |width|), the width's sign
// tried both ways: a falling curve is a negative width.
std::optional<std::vector<double>> EstimateSigmoid(int modelIndex, const Sample& s) {
    const double span = s.xMax - s.xMin;
    std::optional<std::vector<double>> best;
    long double bestSsr = std::numeric_limits<long double>::infinity();
    for (const double sign : {1.0, -1.0}) {
        auto shape = [&, sign](const std::vector<double>& theta, double x) -> long double {
            const long double z = (x - theta[0]) / (sign * std::pow(10.0L, theta[1]) * span);
            if (modelIndex == 7) return std::exp(-std::exp(-z));
            return Logistic(z);
        };
        ShapeSearch search(s, shape, false);
        ShapeFit fit = search.Grid({Linear(s.xMin - span, s.xMax + span, 61), Decades(-12, 4)});
        search.Refine(fit, {span / 60, 0.125});
        if (!(fit.solution.ssr < bestSsr)) continue;
        bestSsr = fit.solution.ssr;
        const double midpoint = fit.theta[0];
        const double width = static_cast<double>(sign * std::pow(10.0L, fit.theta[1]) * span);
        const auto a = static_cast<double>(fit.solution.scale);
        if (modelIndex == 2) best = std::vector<double>{a, midpoint / width, 1 / width};
        else if (modelIndex == 7) best = std::vector<double>{a, 1 / width, midpoint};
        else best = std::vector<double>{a, midpoint, width};
    }
    return best;
}

// One rate (models 3, 4, 6): θ = (log10 |rate / unit|), both signs.
std::optional<std::vector<double>> EstimateRate(int modelIndex, const Sample& s) {
    const double span = s.xMax - s.xMin;
    std::optional<std::vector<double>> best;
    long double bestSsr = std::numeric_limits<long double>::infinity();
    for (const double sign : {1.0, -1.0}) {
        // Michaelis–Menten's C1 is a half-saturation x; the others are rates per x.
        const double unit = modelIndex == 3 ? s.xAbsMax : 1 / (modelIndex == 4 ? s.xAbsMax : span);
        auto rate = [sign, unit](const std::vector<double>& theta) {
            return static_cast<long double>(sign * unit) * std::pow(10.0L, theta[0]);
        };
        // The exponential of model 6 is taken relative to its largest value, so
        // that a steep rate over large x does not overflow the grid.
        const double reference = sign > 0 ? s.xMax : s.xMin;
        auto shape = [&, modelIndex](const std::vector<double>& theta, double x) -> long double {
            const long double k = rate(theta);
            if (modelIndex == 3) {
                const long double d = k + x;
                // A pole among the data is no shape for the whole set.
                if (d == 0 || (d > 0) != (k + s.xMin > 0) || (d > 0) != (k + s.xMax > 0))
                    return std::numeric_limits<long double>::quiet_NaN();
                return x / d;
            }
            if (modelIndex == 4) return -std::expm1(-k * x);
            return std::exp(k * (x - reference));
        };
        ShapeSearch search(s, shape, modelIndex == 6);
        ShapeFit fit = search.Grid({modelIndex == 3 ? Decades(-16, 8) : Decades(-12, 12)});
        search.Refine(fit, {0.125});
        if (!(fit.solution.ssr < bestSsr)) continue;
        const long double k = rate(fit.theta);
        const long double a = fit.solution.scale;
        std::vector<double> c;
        if (modelIndex == 6) {
            const long double c1 = a * std::exp(-k * reference);
            if (!std::isfinite(c1) || c1 == 0) continue;
            c = {static_cast<double>(fit.solution.offset), static_cast<double>(c1), static_cast<double>(k)};
        } else {
            c = {static_cast<double>(a), static_cast<double>(k)};
        }
        bestSsr = fit.solution.ssr;
        best = c;
    }
    return best;
}

}  // namespace

bool HasStartEstimate(int modelIndex) {
    return modelIndex == 2 || modelIndex == 3 || modelIndex == 4 || modelIndex == 6 || modelIndex == 7 ||
           modelIndex == 8;
}

std::optional<long double> SumOfSquaresAt(const TFitModel& model, const TFitData& data, const std::vector<double>& c) {
    QuietMessageSink quiet;  // a start that cannot be evaluated is no start, not an error
    ScopedMessageSink guard(quiet);
    try {
        ModelEvaluator evaluator(model);
        long double ssr = 0;
        for (std::int32_t i = 0; i < data.n; ++i) {
            const long double r = evaluator.WeightedResidual(data, i, c);
            ssr += r * r;
        }
        if (!std::isfinite(ssr)) return std::nullopt;
        return ssr;
    } catch (const EvaluationError&) {
        return std::nullopt;
    } catch (const FloatingPointFault&) {
        return std::nullopt;
    }
}

std::optional<std::vector<double>> EstimateBuiltInStart(int modelIndex, const TFitData& data) {
    if (!HasStartEstimate(modelIndex) || data.nx < 1) return std::nullopt;
    const Sample sample = TakeSample(data);
    const std::size_t m = modelIndex == 3 || modelIndex == 4 ? 2 : 3;
    if (sample.x.size() < m || !(sample.xMax > sample.xMin)) return std::nullopt;
    auto estimate = modelIndex == 2 || modelIndex == 7 || modelIndex == 8 ? EstimateSigmoid(modelIndex, sample)
                                                                          : EstimateRate(modelIndex, sample);
    if (!estimate) return std::nullopt;
    for (const double v : *estimate)
        if (!std::isfinite(v)) return std::nullopt;
    TFitModel model;
    model.index = modelIndex;
    model.m = static_cast<std::int32_t>(m);
    if (!SumOfSquaresAt(model, data, *estimate)) return std::nullopt;
    return estimate;
}

StartProposal ProposeBuiltInStart(const TFitModel& model, const TFitData& data, const std::vector<double>& current,
                                  const std::vector<bool>& fixed) {
    StartProposal proposal;
    proposal.message = kNoEstimateMessage;
    auto estimate = EstimateBuiltInStart(model.index, data);
    if (!estimate || estimate->size() != static_cast<std::size_t>(model.m)) return proposal;
    for (std::size_t j = 0; j < estimate->size(); ++j)
        if (j < fixed.size() && fixed[j] && j < current.size()) (*estimate)[j] = current[j];
    const auto estimated = SumOfSquaresAt(model, data, *estimate);
    if (!estimated) return proposal;
    if (current.size() == estimate->size()) {
        const auto now = SumOfSquaresAt(model, data, current);
        if (now && *now <= *estimated) {
            proposal.outcome = StartOutcome::CurrentBetter;
            proposal.message = kCurrentStartBetterMessage;
            return proposal;
        }
    }
    proposal.outcome = StartOutcome::Estimated;
    proposal.values = std::move(*estimate);
    proposal.message.clear();
    return proposal;
}

}  // namespace kurvex
