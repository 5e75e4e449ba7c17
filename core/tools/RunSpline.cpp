#include "core/tools/RunSpline.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "core/common/MessageSink.h"
#include "core/common/NumberFormat.h"
#include "core/tools/BayesSpline.h"
#include "core/tools/CubicSpline.h"
#include "core/tools/SplineMessages.h"

namespace kurvex {

std::optional<SplineSettings> ReadSplineSettings(SplineMethod method, const std::string& outputIntervalsText,
                                                 const std::string& subIntervalsText, const std::string& rangeMinText,
                                                 const std::string& rangeMaxText) {
    SplineSettings settings;
    settings.method = method;
    auto integer = [](const std::string& text, long long& out) {
        const std::optional<long long> value = ParseInteger(text);
        if (!value) ShowError("'" + text + "' は正しい整数ではありません。");
        else out = *value;
        return value.has_value();
    };
    auto number = [](const std::string& text, double& out) {
        const std::optional<double> value = ParseNumber(text);
        if (!value) ShowError("'" + text + "' は正しい数値ではありません。");
        else out = *value;
        return value.has_value();
    };
    if (!integer(outputIntervalsText, settings.outputIntervals) || !integer(subIntervalsText, settings.subIntervals) ||
        !number(rangeMinText, settings.rangeMin) || !number(rangeMaxText, settings.rangeMax))
        return std::nullopt;
    return settings;
}

std::vector<double> SplineOutputGrid(double rangeMin, double rangeMax, long long outputIntervals) {
    const double step = (rangeMax - rangeMin) / static_cast<double>(outputIntervals);
    std::vector<double> grid(static_cast<std::size_t>(outputIntervals) + 1);
    for (std::size_t i = 0; i < grid.size(); ++i) grid[i] = static_cast<double>(i) * step + rangeMin;
    return grid;
}

bool RunSpline(SplineState& state, const SplineSettings& settings, std::span<const double> x,
               std::span<const double> y) {
    if (settings.outputIntervals < 1 || settings.outputIntervals > kMaxSplineIntervals) {
        ShowError(kOutputPointsMessage);
        return false;
    }
    if (settings.method == SplineMethod::Bayesian &&
        (settings.subIntervals < 1 || settings.subIntervals > kMaxSplineIntervals)) {
        ShowError(kIntervalCountMessage);
        return false;
    }
    if (!std::isfinite(settings.rangeMin) || !std::isfinite(settings.rangeMax) ||
        !(settings.rangeMin < settings.rangeMax) || !std::isfinite(settings.rangeMax - settings.rangeMin)) {
        ShowError(kRangeOrderMessage);
        return false;
    }
    // Work on a copy so that a refused method leaves the drawn curve as it was.
    SplineState work = state;
    work.OutputIntervals = static_cast<int>(settings.outputIntervals);
    work.RangeMin = settings.rangeMin;
    work.RangeMax = settings.rangeMax;
    work.CurveX = SplineOutputGrid(settings.rangeMin, settings.rangeMax, settings.outputIntervals);
    work.CurveY.assign(work.CurveX.size(), 0.0);
    const bool ok = settings.method == SplineMethod::Bayesian
                        ? BayesSpline(work, static_cast<int>(settings.subIntervals), x, y)
                        : CubicSpline(work, x, y);
    if (ok) state = std::move(work);
    return ok;
}

bool RunSpline(SplineState& state, const SplineSettings& settings, const TFitData& data) {
    if (data.nx != 1 && data.n > 0) throw std::invalid_argument("RunSpline: the data set must have one X variable");
    const std::size_t n = static_cast<std::size_t>(std::max<std::int32_t>(data.n, 0));
    return RunSpline(state, settings, std::span<const double>(data.x.data(), n),
                     std::span<const double>(data.y.data(), n));
}

const char* SplineSeriesTitle(SplineMethod method) {
    return method == SplineMethod::Bayesian ? "Bayesian Spline" : "Cubic Spline";
}

}  // namespace kurvex
