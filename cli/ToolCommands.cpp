#include "cli/Commands.h"
#include "cli/JsonNumbers.h"

#include <algorithm>
#include <sstream>

#include "core/common/MessageSink.h"
#include "core/data/DataOutput.h"
#include "core/tools/KendallPermutation.h"
#include "core/tools/KendallTest.h"
#include "core/tools/NiceRange.h"
#include "core/tools/RunSpline.h"

namespace kurvex::cli {
namespace {

std::vector<double> Column(const TFitData& data, int variable) {
    std::vector<double> values(static_cast<std::size_t>(data.n));
    for (std::int32_t i = 0; i < data.n; ++i)
        values[static_cast<std::size_t>(i)] = data.PointX(i)[static_cast<std::size_t>(variable)];
    return values;
}

}  // namespace

int RunKendall(const SelectionOptions& selection, const KendallOptions& options, Json& out) {
    out["command"] = "kendall";
    auto loaded = LoadDataSet(selection);
    if (!loaded) return kExitAnalysisError;
    const TFitData& data = loaded->data;
    SilentProgressSink progress;
    const auto text = KendallTest(data, loaded->selection.yName, loaded->selection.xNames, progress);
    const bool permutation = options.exact && data.n < kKendallPermutationOfferBelow;
    out["method"] = permutation ? "permutation" : "normal";
    out["n"] = data.n;
    if (!text) return kExitAnalysisError;
    out["text"] = *text;

    // The figures of each variable, as the text shows them.
    Json variables = Json::array();
    for (int v = 0; v < data.nx; ++v) {
        const std::vector<double> x = Column(data, v);
        Json entry = {{"name", static_cast<std::size_t>(v) < loaded->selection.xNames.size()
                                   ? loaded->selection.xNames[static_cast<std::size_t>(v)]
                                   : "X" + std::to_string(v + 1)}};
        if (permutation) {
            const auto result = KendallPermutationP(x, data.y, progress);
            entry["S"] = result.S;
            entry["P"] = Number(result.P);
        } else if (const auto result = KendallNormalApproximation(x, data.y)) {
            entry["S"] = result->S;
            entry["z"] = Number(result->z);
            entry["P"] = Number(result->P);
        }
        variables.push_back(entry);
    }
    out["variables"] = variables;
    return kExitOk;
}

namespace {

// --range: "data", "nice" or "MIN,MAX"; false with a message when it is none of them.
bool ResolveRange(const std::string& range, const TFitData& data, double& lo, double& hi) {
    const auto [minIt, maxIt] = std::minmax_element(data.x.begin(), data.x.end());
    lo = *minIt;
    hi = *maxIt;
    if (range == "data") return true;
    if (range == "nice") {
        int k = 5;
        NiceRange(lo, hi, k);
        return true;
    }
    const auto comma = range.find(',');
    if (comma != std::string::npos) {
        const auto a = ParseNumber(range.substr(0, comma));
        const auto b = ParseNumber(range.substr(comma + 1));
        if (a && b) {
            lo = *a;
            hi = *b;
            return true;
        }
    }
    ShowError("'" + range + "' は出力範囲として正しくありません (data, nice または 下限,上限)。");
    return false;
}

}  // namespace

int RunSpline(const SelectionOptions& selection, const SplineOptions& options, Json& out) {
    out["command"] = "spline";
    auto loaded = LoadDataSet(selection);
    if (!loaded) return kExitAnalysisError;
    const TFitData& data = loaded->data;
    if (data.nx != 1) {
        ShowError("スプラインは説明変数が１つのデータにだけ使えます。");
        return kExitAnalysisError;
    }
    double lo = 0, hi = 0;
    if (!ResolveRange(options.range, data, lo, hi)) return kExitAnalysisError;
    const SplineMethod method = options.method == "cubic" ? SplineMethod::Cubic : SplineMethod::Bayesian;
    const auto settings =
        ReadSplineSettings(method, options.np, options.nd, FormatNumber(lo, 15), FormatNumber(hi, 15));
    if (!settings) return kExitAnalysisError;

    SplineState state;
    out["method"] = method == SplineMethod::Cubic ? "cubic" : "bayes";
    out["title"] = SplineSeriesTitle(method);
    out["range"] = {settings->rangeMin, settings->rangeMax};
    if (!RunSpline(state, *settings, data.x, data.y)) return kExitAnalysisError;
    Json points = Json::array();
    for (std::size_t i = 0; i < state.CurveX.size(); ++i) points.push_back({state.CurveX[i], state.CurveY[i]});
    out["points"] = points;
    out["text"] = state.resultText;
    if (!options.outFile.empty()) {
        const std::string xTitle = loaded->selection.xNames.empty() ? "X1" : loaded->selection.xNames[0];
        if (!SaveCurve(options.outFile, xTitle, loaded->selection.yName, state.CurveX, state.CurveY))
            return kExitAnalysisError;
        out["out"] = options.outFile;
    }
    return kExitOk;
}

}  // namespace kurvex::cli
