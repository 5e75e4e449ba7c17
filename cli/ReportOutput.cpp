#include "cli/ReportOutput.h"

#include <algorithm>
#include <limits>

#include "cli/JsonNumbers.h"

#include "core/regression/Bands.h"
#include "core/regression/FitReport.h"

namespace kurvex::cli {
namespace {

Json Figure(const std::optional<long double>& value) { return value ? Number(*value) : Json(nullptr); }

Json List(const std::vector<std::optional<long double>>& values) {
    Json list = Json::array();
    for (const auto& v : values) list.push_back(Figure(v));
    return list;
}

Json Optional(const std::optional<double>& value) { return value ? Number(*value) : Json(nullptr); }

}  // namespace

void AddReportFields(const TFitState& state, Json& out) {
    const TFitReport report = ComputeFitReport(state);
    out["standard_errors"] = List(report.standardErrors);
    out["t_values"] = List(report.tValues);
    out["p_values"] = List(report.pValues);
    Json correlation = Json::array();
    for (const auto& row : report.correlation) correlation.push_back(List(row));
    out["correlation"] = correlation;
    out["R2_explained"] = Figure(report.R2explained);
    out["R2_adjusted"] = Figure(report.R2adjusted);
    out["log_likelihood"] = Figure(report.logLikelihood);
    out["AIC"] = Figure(report.AIC);
    out["AICc"] = Figure(report.AICc);
    out["BIC"] = Figure(report.BIC);
    out["reduced_chi2"] = Figure(report.reducedChi2);
}

Json BandsJson(const TFitState& state, int count) {
    Json bands = Json::array();
    if (!state.results.valid || state.data.n == 0 || state.data.nx != 1) return bands;
    double lo = std::numeric_limits<double>::infinity(), hi = -lo;
    for (std::int32_t i = 0; i < state.data.n; ++i) {
        lo = std::min(lo, state.data.PointX(i)[0]);
        hi = std::max(hi, state.data.PointX(i)[0]);
    }
    for (const BandPoint& p : ComputeBands(state, lo, hi, count))
        bands.push_back({{"x", p.x},
                         {"fit", Number(p.fit)},
                         {"confidence_low", Optional(p.confidenceLow)},
                         {"confidence_high", Optional(p.confidenceHigh)},
                         {"prediction_low", Optional(p.predictionLow)},
                         {"prediction_high", Optional(p.predictionHigh)}});
    return bands;
}

void AddIntervals(const TFitState& state, const std::vector<double>& at, Json& prediction) {
    prediction["confidence_interval"] = nullptr;
    prediction["prediction_interval"] = nullptr;
    try {
        BandCalculator bands(state);
        const PredictionInterval interval = bands.At(at);
        if (interval.confidenceHalf)
            prediction["confidence_interval"] = Json::array(
                {Number(interval.value - *interval.confidenceHalf), Number(interval.value + *interval.confidenceHalf)});
        if (interval.predictionHalf)
            prediction["prediction_interval"] = Json::array(
                {Number(interval.value - *interval.predictionHalf), Number(interval.value + *interval.predictionHalf)});
    } catch (const std::exception&) {
        // The value itself was computed; an interval that cannot be is null.
    }
}

}  // namespace kurvex::cli
