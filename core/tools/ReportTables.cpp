#include "core/tools/ReportTables.h"

#include "core/common/NumberFormat.h"
#include "core/regression/ResultFields.h"
#include "core/regression/Statistics.h"

namespace kurvex {

std::string CoefficientName(int j) { return "C" + std::to_string(j); }

namespace {

std::string Cell(const std::vector<std::string>& column, int j) {
    return j < static_cast<int>(column.size()) ? column[static_cast<std::size_t>(j)] : std::string();
}

// A figure of the report; "計算不能" where it has no value.
std::string Figure(const std::optional<long double>& value) { return ResultText(value); }

std::string DegreesOfFreedomText(long double df) { return FormatNumber(df, kResultPrecision); }

}  // namespace

std::vector<ReportTable> ResultPageTables(const TFitState& state) {
    const TResultFields& f = state.fields;
    ReportTable coefficients{"結果１", {"係数", "計算結果", "信頼区間(±)"}, {}};
    for (int j = 0; j < state.model.m; ++j)
        coefficients.rows.push_back({CoefficientName(j), Cell(f.coefficients, j), Cell(f.limits, j)});
    ReportTable figures{"結果２", {"項目", "値"}, {}};
    figures.rows = {{"サンプル数 N", f.EdtNS},     {"残差平方和 SSR", f.EdtSSQ},
                    {"標準誤差 SE", f.EdtSE},      {"寄与率 R^2", f.EditR2},
                    {"重相関係数 |R|", f.EditR},   {"相対誤差", f.EditRelativeError},
                    {"自由度 df1, df2", f.EditDF}, {"F値", f.EditFV},
                    {"有意確率 P", f.EditSP}};
    return {coefficients, figures};
}

std::vector<ReportTable> DetailTables(const TFitState& state, const TFitReport& report) {
    const int m = state.model.m;
    ReportTable coefficients{"係数の検定", {"係数", "計算結果", "標準誤差", "t値", "P値(両側)"}, {}};
    for (int j = 0; j < m; ++j) {
        const auto jj = static_cast<std::size_t>(j);
        const std::string value = jj < state.results.coefficients.size() && state.results.valid
                                      ? FormatNumber(state.results.coefficients[jj], kResultPrecision)
                                      : std::string();
        if (jj < report.fixed.size() && report.fixed[jj])
            coefficients.rows.push_back({CoefficientName(j), value, kFixedText, kFixedText, kFixedText});
        else if (jj < report.standardErrors.size())
            coefficients.rows.push_back({CoefficientName(j), value, Figure(report.standardErrors[jj]),
                                         Figure(report.tValues[jj]), Figure(report.pValues[jj])});
    }

    ReportTable correlation{"係数の相関行列", {""}, {}};
    for (int j = 0; j < m; ++j) correlation.header.push_back(CoefficientName(j));
    for (int j = 0; j < m && static_cast<std::size_t>(j) < report.correlation.size(); ++j) {
        std::vector<std::string> row{CoefficientName(j)};
        for (const auto& value : report.correlation[static_cast<std::size_t>(j)]) row.push_back(Figure(value));
        correlation.rows.push_back(row);
    }

    ReportTable fit{"適合度と情報量規準", {"項目", "値"}, {}};
    fit.rows = {{kExplainedR2Label, Figure(report.R2explained)},
                {kAdjustedR2Label, Figure(report.R2adjusted)},
                {"対数尤度", Figure(report.logLikelihood)},
                {"AIC", Figure(report.AIC)},
                {"AICc", Figure(report.AICc)},
                {"BIC", Figure(report.BIC)},
                {"換算χ² SSR/(N-m)", Figure(report.reducedChi2)},
                {"残差の自由度 N-m", DegreesOfFreedomText(report.residualDf)},
                {"終了状態", state.fields.fitEnd},
                {"繰り返し数", std::to_string(state.results.iterations)},
                {"モデルの評価回数", std::to_string(state.results.evaluations)}};
    return {coefficients, correlation, fit};
}

std::string TablesAsTabText(const std::vector<ReportTable>& tables) {
    std::string text;
    auto line = [&](const std::vector<std::string>& cells) {
        for (std::size_t i = 0; i < cells.size(); ++i) text += (i ? "\t" : "") + cells[i];
        text += "\n";
    };
    for (std::size_t t = 0; t < tables.size(); ++t) {
        if (t) text += "\n";
        text += tables[t].title + "\n";
        if (!tables[t].header.empty()) line(tables[t].header);
        for (const auto& row : tables[t].rows) line(row);
    }
    return text;
}

}  // namespace kurvex
