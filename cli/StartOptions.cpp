#include "cli/JsonNumbers.h"
#include "cli/ModelSetup.h"

#include <chrono>

#include "core/common/MessageSink.h"
#include "core/common/NumberFormat.h"
#include "core/regression/Models.h"
#include "core/regression/StartEstimates.h"
#include "core/regression/StartSearch.h"

namespace kurvex::cli {
namespace {

const char* OutcomeName(StartOutcome outcome) {
    switch (outcome) {
        case StartOutcome::Estimated: return "estimated";
        case StartOutcome::CurrentBetter: return "current values kept";
        case StartOutcome::NotPossible: return "not possible";
        case StartOutcome::Cancelled: return "cancelled";
    }
    return "?";
}

}  // namespace

int ApplyStartOptions(const ModelOptions& options, int dataNx, TFitState& state, FitConditionTexts& texts, Json& out) {
    const int m = state.model.m;
    const bool iterative = FitMethodOf(state.model.index) == FitMethod::Marquardt;
    if (!options.fixed.empty()) {
        if (!iterative) {
            ShowError(
                "--fix: only the iteratively fitted models (2, 3, 4, 6, 7, 8 and general ones) hold coefficients "
                "fixed");
            return kExitUsage;
        }
        texts.fixed.assign(static_cast<std::size_t>(m), false);
        for (const int j : options.fixed) {
            if (j < 0 || j >= m) {
                ShowError("--fix: coefficient " + std::to_string(j) + " is not one of C0..C" + std::to_string(m - 1));
                return kExitUsage;
            }
            texts.fixed[static_cast<std::size_t>(j)] = true;
        }
    }
    if (!options.ranges.empty() && options.startMode != "search") {
        ShowError("--range needs --init search");
        return kExitUsage;
    }
    if (options.startMode.empty()) return kExitOk;
    if (!iterative) {
        ShowError("--init " + options.startMode + ": model " + std::to_string(state.model.index) +
                  " is fitted without starting values");
        return kExitUsage;
    }
    StartSearchOptions searchOptions;
    for (const auto& text : options.ranges) {
        std::string error;
        if (!ParseCoefficientRange(text, m, searchOptions.ranges, error)) {
            ShowError(error);
            return kExitUsage;
        }
    }
    TFitConditions conditions;
    if (dataNx != state.model.nx || !ReadFitConditions(texts, m, conditions)) return kExitAnalysisError;

    const auto started = std::chrono::steady_clock::now();
    StartOutcome outcome;
    std::vector<double> values;
    std::string message;
    Json start = {{"mode", options.startMode}};
    // The built-in models have estimates of their own; a general model, or --init search, searches.
    if (options.startMode == "auto" && HasStartEstimate(state.model.index)) {
        const StartProposal proposal =
            ProposeBuiltInStart(state.model, state.data, conditions.initialValues, conditions.fixed);
        outcome = proposal.outcome;
        values = proposal.values;
        message = proposal.message;
        start["method"] = "estimate";
    } else {
        SilentProgressSink progress;
        const StartSearchResult found = SearchStartValues(state.model, state.data, conditions, searchOptions, progress);
        outcome = found.outcome;
        values = found.values;
        message = found.message;
        start["method"] = "search";
        start["draws"] = found.draws;
    }
    start["seconds"] = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    start["outcome"] = OutcomeName(outcome);
    if (!message.empty()) ShowInformation(message);
    if (outcome == StartOutcome::Estimated) {
        Json shown = Json::array();
        for (std::size_t j = 0; j < values.size(); ++j) {
            texts.initialValues[j] = ShortestNumberText(values[j]);
            shown.push_back(Number(values[j]));
        }
        start["values"] = shown;
    }
    out["start"] = start;
    return kExitOk;
}

}  // namespace kurvex::cli
