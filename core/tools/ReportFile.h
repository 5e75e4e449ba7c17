#pragma once
// The report file of a fit: one self-contained HTML page (UTF-8, charts as
// inline SVG) with the data set, the model, the conditions, every figure of
// the result pages and of "詳細統計", and the residuals; and, on request, a
// CSV of the points with their fitted values and residuals.
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "core/data/Selection.h"
#include "core/regression/FitState.h"

namespace kurvex {

inline constexpr const char* kReportSavedMessage = "レポートを保存しました。";

// What the report says about where the data came from, as label and text
// (the data file, Y, X1.., the weight, the rows); the caller knows them.
struct ReportSource {
    std::string dataFile;
    std::string yTitle = "Y";
    std::vector<std::string> xTitles;  // X1..Xnx
    std::vector<std::pair<std::string, std::string>> selection;
};

// The source from the prepared selection: Y and X1.. with their columns and
// transforms, the weight column, the rows and the condition.
ReportSource SourceOf(const std::string& dataFile, const PreparedSelection& selection);

std::string ReportHtml(const TFitState& state, const ReportSource& source);
// "行番号,X1..,Y,計算値,残差,重み付き残差" and one line per point (full precision).
std::string ResidualsCsv(const TFitState& state);
// The CSV that goes with a report: the report's name with "_points.csv".
std::filesystem::path PointsCsvPath(const std::filesystem::path& reportPath);

// Writes the report (and the CSV when asked), whole or not at all; shows an
// error and returns false on failure.
bool SaveReport(const std::filesystem::path& path, const TFitState& state, const ReportSource& source,
                bool withPointsCsv);

}  // namespace kurvex

namespace kurvex {

struct BandPoint;

// The regression curve file with its bands: the line "x title,y title,
// 信頼下限,信頼上限,予測下限,予測上限", then one line per point in 5
// significant digits (an empty field where a band has no value).
std::string BandCurveText(const std::string& xTitle, const std::string& yTitle, const std::vector<BandPoint>& points);

}  // namespace kurvex
