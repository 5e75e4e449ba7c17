#pragma once
// The charts of the HTML report as SVG text, drawn from the fit state alone
// (so that kurvex-cli writes the same report as the window): the data with
// the fitted curve and its confidence and prediction bands, and the weighted
// residuals against X1 and against the fitted value.
#include <string>

#include "core/regression/FitState.h"

namespace kurvex {

// Data and curve for one explanatory variable; observed against fitted
// values otherwise. Bands where the fit has them.
std::string FitChartSvg(const TFitState& state, const std::string& xTitle, const std::string& yTitle);
// Weighted residuals against X1 (or the point number when there is no X1)
// and against the fitted value, each with a zero line.
std::string ResidualChartsSvg(const TFitState& state, const std::string& xTitle);

// `text` with the characters that XML and HTML give meaning to as entities.
std::string EscapeXml(const std::string& text);

}  // namespace kurvex
