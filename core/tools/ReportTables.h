#pragma once
// Every table of the result pages and of the detailed statistics as rows of
// texts: one source for the page "詳細統計", the tab-separated copy and the
// HTML report, so that they always show the same figures.
#include <string>
#include <vector>

#include "core/regression/FitReport.h"
#include "core/regression/FitState.h"

namespace kurvex {

inline constexpr const char* kDetailPageCaption = "詳細統計";
// The explained-variance R², labelled apart from the page's "寄与率 R^2".
inline constexpr const char* kExplainedR2Label = "決定係数 1-SSR/SST";
inline constexpr const char* kAdjustedR2Label = "自由度調整済み決定係数";

struct ReportTable {
    std::string title;
    std::vector<std::string> header;             // column captions (may be empty)
    std::vector<std::vector<std::string>> rows;  // texts, as the pages show them
};

// "C0", "C1", ...
std::string CoefficientName(int j);

// 結果１ (coefficients and ± limits), 結果２ (the page's figures and the F test).
std::vector<ReportTable> ResultPageTables(const TFitState& state);
// 詳細統計: coefficients with SE, t and P; the correlation matrix; goodness of
// fit, information criteria and how the fit ended.
std::vector<ReportTable> DetailTables(const TFitState& state, const TFitReport& report);

// Tables as tab-separated text: the title on a line of its own, the header,
// the rows, and an empty line between tables. Pastes into a spreadsheet.
std::string TablesAsTabText(const std::vector<ReportTable>& tables);

}  // namespace kurvex
