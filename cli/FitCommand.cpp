#include "Commands.h"
#include "JsonNumbers.h"
#include "ModelSetup.h"

#include "tools/Prediction.h"

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
               Json& out) {
    out["command"] = command;
    auto loaded = LoadDataSet(selection);
    if (!loaded) return kExitAnalysisError;
    out["data"] = DataJson(selection, *loaded);
    state.data = std::move(loaded->data);
    state.fields.EdtNS = std::to_string(state.data.n);
    const int dataNx = loaded->selection.n;
    FitConditionTexts texts;
    if (!SetUpModel(model, dataNx, state, texts)) return kExitAnalysisError;
    return FitAndReport(state, dataNx, texts, model.trace, out);
}

}  // namespace

int RunFit(const SelectionOptions& selection, const ModelOptions& model, Json& out) {
    TFitState state;
    return LoadAndFit(selection, model, "fit", state, out);
}

int RunPredict(const SelectionOptions& selection, const ModelOptions& model, const PredictOptions& predict,
               Json& out) {
    TFitState state;
    Json fit;
    const int status = LoadAndFit(selection, model, "predict", state, fit);
    out["command"] = "predict";
    out["fit"] = fit;
    if (status != kExitOk && !state.results.valid) return status;
    const std::vector<double> coefficients =
        state.results.valid ? state.results.coefficients : std::vector<double>{};
    const auto value = Predict(state.model, coefficients, predict.at);
    out["at"] = predict.at;
    if (!value) return kExitAnalysisError;
    out["value"] = Number(*value);
    out["text"] = FormatNumber(*value, kPredictionPrecision);
    return kExitOk;
}

}  // namespace kurvex::cli
