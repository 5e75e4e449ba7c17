#pragma once
// The fit report in kurvex-cli: its figures in the JSON, the bands, the
// intervals of a prediction and the HTML report file.
#include <optional>
#include <string>
#include <vector>

#include "cli/Json.h"

#include "core/regression/FitState.h"
#include "core/tools/ReportFile.h"

namespace kurvex::cli {

// "standard_errors", "t_values", "p_values", "correlation", "R2_explained",
// "R2_adjusted", "log_likelihood", "AIC", "AICc", "BIC", "reduced_chi2"
// (null where a figure has no value or the fit has no results).
void AddReportFields(const TFitState& state, Json& out);
// "bands": `count` points over the data's X1 range (the chart's automatic
// x range), each with x, fit, confidence_low/high and prediction_low/high.
Json BandsJson(const TFitState& state, int count);
// "confidence_interval" and "prediction_interval" ([low, high], or null) of
// one predicted point.
void AddIntervals(const TFitState& state, const std::vector<double>& at, Json& prediction);

}  // namespace kurvex::cli
