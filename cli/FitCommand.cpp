#include "cli/Commands.h"
#include "cli/JsonNumbers.h"
#include "cli/ModelSetup.h"
#include "cli/ReportOutput.h"

#include "core/common/MessageSink.h"
#include "core/tools/Prediction.h"

namespace kurvex::cli {
namespace {

Json DataJson(const SelectionOptions& selection, const LoadedData& loaded) {
    return {{"file", selection.file},
            {"streaming", loaded.table.Mode() == ReadMode::Streaming},
            {"candidate_rows", loaded.selection.candidateCount},
            {"y_name", loaded.selection.yName},
            {"x_names", loaded.selection.xNames}};
}

// Loads, selects the model and fits; the state holds the fit afterwards.
int LoadAndFit(const SelectionOptions& selection, const ModelOptions& model, const char* command, TFitState& state,
               Json& out, std::optional<PreparedSelection>* prepared = nullptr) {
    out["command"] = command;
    auto loaded = LoadDataSet(selection);
    if (!loaded) return kExitAnalysisError;
    out["data"] = DataJson(selection, *loaded);
    if (prepared) *prepared = loaded->selection;
    state.data = std::move(loaded->data);
    state.fields.EdtNS = std::to_string(state.data.n);
    const int dataNx = loaded->selection.n;
    FitConditionTexts texts;
    if (!SetUpModel(model, dataNx, state, texts)) return kExitAnalysisError;
    if (const int status = ApplyStartOptions(model, dataNx, state, texts, out); status != kExitOk) return status;
    return FitAndReport(state, dataNx, texts, model.trace, out);
}

}  // namespace

int RunFit(const SelectionOptions& selection, const ModelOptions& model, Json& out) {
    TFitState state;
    std::optional<PreparedSelection> prepared;
    const int status = LoadAndFit(selection, model, "fit", state, out, &prepared);
    if (model.bands) out["bands"] = BandsJson(state, *model.bands);
    if (!model.reportFile.empty() && prepared) {
        if (!SaveReport(model.reportFile, state, SourceOf(selection.file, *prepared), model.reportPoints))
            return kExitAnalysisError;
        out["report"] = model.reportFile;
        if (model.reportPoints) out["report_points"] = PointsCsvPath(model.reportFile).string();
    }
    return status;
}

int RunPredict(const SelectionOptions& selection, const ModelOptions& model, const PredictOptions& predict, Json& out) {
    TFitState state;
    Json fit;
    const int status = LoadAndFit(selection, model, "predict", state, fit);
    out["command"] = "predict";
    out["fit"] = fit;
    if (!state.results.valid) return status == kExitOk ? kExitAnalysisError : status;
    // Each --at is one point: as many values as the model has variables.
    for (const auto& point : predict.at)
        if (point.size() != static_cast<std::size_t>(state.model.nx)) {
            ShowError("--at: " + std::to_string(point.size()) + " values given, the model has " +
                      std::to_string(state.model.nx) + " explanatory variable(s)");
            return kExitUsage;
        }
    Json predictions = Json::array();
    for (const auto& point : predict.at) {
        const auto value = Predict(state.model, state.results.coefficients, point);
        if (!value) return kExitAnalysisError;
        Json at = Json::array();
        for (const auto& text : point) at.push_back(NumberFromText(text));
        Json prediction = {{"at", at}, {"value", Number(*value)}, {"text", FormatNumber(*value, kPredictionPrecision)}};
        std::vector<double> x;
        for (const auto& text : point) x.push_back(ParseNumber(text).value_or(0.0));
        AddIntervals(state, x, prediction);
        predictions.push_back(prediction);
    }
    out["predictions"] = predictions;
    return status;
}

}  // namespace kurvex::cli
