#include "core/tools/ReportFile.h"

#include <charconv>

#include "core/common/FileIo.h"
#include "core/common/MessageSink.h"
#include "core/common/NumberFormat.h"
#include "core/regression/Bands.h"
#include "core/regression/FitReport.h"
#include "core/regression/Models.h"
#include "core/regression/ResultFields.h"
#include "core/tools/ReportChart.h"
#include "core/tools/ReportTables.h"

namespace kurvex {
namespace {

// The shortest text that reads back as the same double.
std::string Full(long double value) {
    char buffer[40];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, static_cast<double>(value));
    return std::string(buffer, result.ptr);
}

// Escaped, with each line break as <br>.
std::string Escape(const std::string& text) {
    std::string out;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        out += EscapeXml(text.substr(start, end - start)) + "<br>";
    return out + EscapeXml(text.substr(start));
}

std::string HtmlTable(const ReportTable& table) {
    std::string html = "<h3>" + Escape(table.title) + "</h3>\n<table>\n";
    if (!table.header.empty()) {
        html += "<tr>";
        for (const auto& cell : table.header) html += "<th>" + Escape(cell) + "</th>";
        html += "</tr>\n";
    }
    for (const auto& row : table.rows) {
        html += "<tr>";
        for (std::size_t i = 0; i < row.size(); ++i)
            html += (i == 0 ? "<th>" : "<td>") + Escape(row[i]) + (i == 0 ? "</th>" : "</td>");
        html += "</tr>\n";
    }
    return html + "</table>\n";
}

std::string ModelText(const TFitModel& model) {
    if (model.index >= 0 && model.index < kBuiltInModelCount) return ModelListItem(model.index);
    return "y = " + model.formula;
}

ReportTable ConditionTable(const TFitState& state) {
    const TFitConditions& c = state.conditions;
    ReportTable table{"モデルと計算条件", {}, {}};
    table.rows.push_back({"回帰式", ModelText(state.model)});
    table.rows.push_back({"係数の数 m", std::to_string(state.model.m)});
    if (FitMethodOf(state.model.index) != FitMethod::Linear || state.model.index == kGeneralModelIndex) {
        table.rows.push_back(
            {"微分係数の計算方法", state.model.numericDerivatives ? "近似式による計算" : "偏導関数による計算"});
        table.rows.push_back({"λの上限", FormatNumber(c.lambdaUpperBound, 15)});
        table.rows.push_back({"最大繰返し数", std::to_string(c.maxIterations)});
        if (!c.h0.empty()) table.rows.push_back({"初期微分増分", FormatNumber(c.h0[0], 15)});
        for (std::size_t j = 0; j < c.initialValues.size(); ++j)
            table.rows.push_back({CoefficientName(static_cast<int>(j)) + " の初期値・収束判定値",
                                  FormatNumber(c.initialValues[j], 15) + " / " +
                                      (j < c.tolerances.size() ? FormatNumber(c.tolerances[j], 15) : std::string())});
    }
    table.rows.push_back({"両側信頼区間の確率(%)", FormatNumber((1 - c.alpha) * 100, 15)});
    return table;
}

ReportTable ResidualTable(const TFitState& state, const ReportSource& source) {
    const TFitData& data = state.data;
    ReportTable table{"残差", {"No.", "行"}, {}};
    for (int k = 0; k < data.nx; ++k)
        table.header.push_back(k < static_cast<int>(source.xTitles.size()) ? source.xTitles[static_cast<std::size_t>(k)]
                                                                           : "X" + std::to_string(k + 1));
    for (const char* caption : {"Y", "計算値", "残差", "重み付き残差", "重み"}) table.header.push_back(caption);
    table.header[2 + static_cast<std::size_t>(data.nx)] = source.yTitle;
    ModelEvaluator model(state.model);
    for (std::int32_t i = 0; i < data.n; ++i) {
        const auto k = static_cast<std::size_t>(i);
        std::vector<std::string> row{std::to_string(i + 1), std::to_string(data.sourceRow[k])};
        for (const double x : data.PointX(i)) row.push_back(FormatNumber(x, kResultPrecision));
        row.push_back(FormatNumber(data.y[k], kResultPrecision));
        try {
            const long double f = model.Value(data.PointX(i), state.results.coefficients);
            row.push_back(FormatNumber(f, kResultPrecision));
            row.push_back(FormatNumber(data.y[k] - f, kResultPrecision));
            row.push_back(FormatNumber((data.y[k] - f) * data.sqrtw[k], kResultPrecision));
        } catch (const std::exception&) {
            row.insert(row.end(), 3, kNotComputableText);
        }
        row.push_back(FormatNumber(data.Weight(i), kResultPrecision));
        table.rows.push_back(row);
    }
    return table;
}

const char* const kStyle =
    "body{font-family:'IPAPGothic','IPAGothic','Noto Sans CJK JP',sans-serif;margin:24px;color:#111}"
    "h1{font-size:22px}h2{font-size:18px;border-bottom:1px solid #888;margin-top:28px}h3{font-size:15px}"
    "table{border-collapse:collapse;margin:6px 0 14px}th,td{border:1px solid #999;padding:2px 8px;font-size:13px}"
    "td{text-align:right}th{background:#eef;text-align:left}.note{font-size:12px;color:#444}";

}  // namespace

ReportSource SourceOf(const std::string& dataFile, const PreparedSelection& selection) {
    ReportSource source;
    source.dataFile = dataFile;
    source.yTitle = selection.yName;
    source.xTitles = selection.xNames;
    auto column = [](int c) { return "A" + std::to_string(c); };
    source.selection.push_back(
        {"目的変数 Y", selection.yName + "（" + column(selection.yColumn) + ": " + selection.yExpression + "）"});
    for (std::size_t k = 0; k < selection.xNames.size(); ++k)
        source.selection.push_back(
            {"説明変数 X" + std::to_string(k + 1),
             selection.xNames[k] +
                 (k < selection.xExpressions.size() ? "（" + selection.xExpressions[k] + "）" : std::string())});
    source.selection.push_back(
        {"重み", selection.weightColumn > 0 ? column(selection.weightColumn) : std::string("なし")});
    source.selection.push_back({"読込み開始行・間隔", std::to_string(selection.skip + 1) + " 行目から " +
                                                          std::to_string(selection.step) + " 行ごと"});
    source.selection.push_back({"候補の行数", std::to_string(selection.candidateCount)});
    if (selection.conditionOn) source.selection.push_back({"条件式", selection.conditionExpression});
    return source;
}

std::string ReportHtml(const TFitState& state, const ReportSource& source) {
    const std::string xTitle = source.xTitles.empty() ? "X1" : source.xTitles.front();
    std::string html =
        "<!DOCTYPE html>\n<html lang=\"ja\">\n<head>\n<meta charset=\"UTF-8\">\n<title>Kurvex "
        "回帰分析レポート</title>\n<style>";
    html += kStyle;
    html += "</style>\n</head>\n<body>\n<h1>Kurvex 回帰分析レポート</h1>\n";

    ReportTable dataTable{"データ", {}, {{"データファイル", source.dataFile}}};
    for (const auto& [label, text] : source.selection) dataTable.rows.push_back({label, text});
    dataTable.rows.push_back({"データ数 n", std::to_string(state.data.n)});
    dataTable.rows.push_back({"重みの和 N", FormatNumber(state.data.N, 15)});
    html += "<h2>データと回帰式</h2>\n" + HtmlTable(dataTable) + HtmlTable(ConditionTable(state));

    html += "<h2>計算結果</h2>\n";
    if (!state.results.valid) html += "<p>計算結果はありません。</p>\n";
    if (!state.fields.fitEnd.empty()) html += "<p>" + Escape(state.fields.fitEnd) + "</p>\n";
    for (const auto& table : ResultPageTables(state)) html += HtmlTable(table);
    html += "<h2>" + std::string(kDetailPageCaption) + "</h2>\n";
    for (const auto& table : DetailTables(state, ComputeFitReport(state))) html += HtmlTable(table);
    html +=
        "<p class=\"note\">標準誤差は s·√((JᵀJ)⁻¹), s² = SSR/(N−m)。P値は自由度 N−m のt分布による両側確率。"
        "対数尤度は −N/2·(ln 2π + 1 − ln N + ln SSR)（重みは同じ点の繰り返し数として数えます）、"
        "AIC・AICc・BIC のパラメータ数は m+1。</p>\n";

    html += "<h2>グラフ</h2>\n" + FitChartSvg(state, xTitle, source.yTitle);
    html += "<p class=\"note\">実線：回帰曲線　点線：信頼帯　破線：予測帯（" +
            FormatNumber((1 - state.conditions.alpha) * 100, 15) + "%）</p>\n";
    html += "<h2>残差プロット</h2>\n" + ResidualChartsSvg(state, xTitle);
    html += HtmlTable(ResidualTable(state, source));
    return html + "</body>\n</html>\n";
}

std::string ResidualsCsv(const TFitState& state) {
    const TFitData& data = state.data;
    std::string csv = "行番号";
    for (int k = 1; k <= data.nx; ++k) csv += ",X" + std::to_string(k);
    csv += ",Y,計算値,残差,重み付き残差\n";
    ModelEvaluator model(state.model);
    for (std::int32_t i = 0; i < data.n; ++i) {
        const auto k = static_cast<std::size_t>(i);
        csv += std::to_string(data.sourceRow[k]);
        for (const double x : data.PointX(i)) csv += "," + Full(x);
        csv += "," + Full(data.y[k]);
        try {
            const long double f = model.Value(data.PointX(i), state.results.coefficients);
            csv += "," + Full(f) + "," + Full(data.y[k] - f) + "," + Full((data.y[k] - f) * data.sqrtw[k]) + "\n";
        } catch (const std::exception&) {
            csv += ",,,\n";
        }
    }
    return csv;
}

std::filesystem::path PointsCsvPath(const std::filesystem::path& reportPath) {
    std::filesystem::path path = reportPath;
    path.replace_extension();
    path += "_points.csv";
    return path;
}

bool SaveReport(const std::filesystem::path& path, const TFitState& state, const ReportSource& source,
                bool withPointsCsv) {
    return WriteFileOrReport(path, ReportHtml(state, source)) &&
           (!withPointsCsv || WriteFileOrReport(PointsCsvPath(path), ResidualsCsv(state)));
}

std::string BandCurveText(const std::string& xTitle, const std::string& yTitle, const std::vector<BandPoint>& points) {
    constexpr int kDigits = 5;
    auto field = [](const std::optional<double>& v) { return v ? FormatNumber(*v, kDigits) : std::string(); };
    std::string text = xTitle + "," + yTitle + ",信頼下限,信頼上限,予測下限,予測上限\n";
    for (const BandPoint& p : points)
        text += FormatNumber(p.x, kDigits) + "," + FormatNumber(p.fit, kDigits) + "," + field(p.confidenceLow) + "," +
                field(p.confidenceHigh) + "," + field(p.predictionLow) + "," + field(p.predictionHigh) + "\n";
    return text;
}

}  // namespace kurvex
