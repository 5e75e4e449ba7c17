#include "cli/ModelSetup.h"
#include "cli/JsonNumbers.h"
#include "cli/ReportOutput.h"

#include <sstream>

#include "core/common/MessageSink.h"
#include "core/expression/Formula.h"
#include "core/regression/ModelSelection.h"
#include "core/regression/Statistics.h"

namespace kurvex::cli {
namespace {

std::vector<std::string> SplitDerivatives(const std::string& text) {
    std::vector<std::string> parts;
    std::stringstream stream(text);
    std::string part;
    while (std::getline(stream, part, ';')) parts.push_back(part);
    return parts;
}

Json FieldsJson(const TResultFields& fields) {
    return {{"EdtNS", fields.EdtNS},
            {"EdtSSQ", fields.EdtSSQ},
            {"EdtSE", fields.EdtSE},
            {"EditR2", fields.EditR2},
            {"EditR", fields.EditR},
            {"EditRelativeError", fields.EditRelativeError},
            {"EditDF", fields.EditDF},
            {"EditFV", fields.EditFV},
            {"EditSP", fields.EditSP},
            {"fit_end", fields.fitEnd},
            {"StringGridCoefficients", fields.coefficients},
            {"StringGridLimit", fields.limits}};
}

}  // namespace

bool SetUpModel(const ModelOptions& options, int dataNx, TFitState& state, FitConditionTexts& texts) {
    GeneralModelSource general;
    int index = options.model.value_or(0);
    if (options.formula) {
        general.formula = ValidateModelFormula(*options.formula);
        if (general.formula.empty()) return false;
        general.coefficientCount = CoefficientCount();
        general.variableCount = VariableCount();
        if (options.derivatives) {
            general.derivativeTableShown = true;
            for (const auto& text : SplitDerivatives(*options.derivatives))
                general.derivativeTexts.push_back(NormalizeFormula(text));
            general.derivativeTexts.resize(static_cast<std::size_t>(general.coefficientCount));
        }
        index = kGeneralModelIndex;
    }
    const ModelPresentation shown = SelectModel(state.model, index, dataNx, general);

    const auto m = static_cast<std::size_t>(state.model.m);
    texts.lambdaUpperBound = options.lambdaMax;
    texts.maxIterations = options.maxIterations;
    texts.increment = options.increment;
    texts.confidencePercent = options.confidence;
    texts.initialValues = options.initialValues;
    texts.initialValues.resize(std::max(m, texts.initialValues.size()), kDefaultInitialValueText);
    texts.tolerances = options.tolerances;
    texts.tolerances.resize(std::max(m, texts.tolerances.size()), kDefaultToleranceText);
    const bool wantsFormulas = options.method && *options.method == "formula";
    texts.derivativeMethod =
        shown.forcedMethod.value_or(wantsFormulas ? DerivativeMethod::Formulas : DerivativeMethod::Numeric);
    if (shown.derivativeChoiceEnabled)
        texts.derivativeMethod = wantsFormulas ? DerivativeMethod::Formulas : DerivativeMethod::Numeric;
    return true;
}

int FitAndReport(TFitState& state, int dataNx, const FitConditionTexts& texts, bool trace, Json& out) {
    SilentProgressSink progress;
    Json steps = Json::array();
    int shown = 0;
    const CalculateOutcome outcome = Calculate(state, dataNx, texts, progress, [&](const TResultFields& fields) {
        ++shown;
        if (trace && !fields.coefficients.empty() && !fields.coefficients[0].empty())
            steps.push_back(
                {{"iterations", fields.iterations}, {"EdtSSQ", fields.EdtSSQ}, {"coefficients", fields.coefficients}});
    });

    const TFitModel& model = state.model;
    out["model"] = {{"index", model.index},
                    {"formula", model.formula},
                    {"m", model.m},
                    {"nx", model.nx},
                    {"numeric_derivatives", model.numericDerivatives},
                    {"derivative_formulas", model.derivativeFormulas}};
    out["n"] = state.data.n;
    out["N"] = Number(state.data.N);
    out["m"] = model.m;
    if (!outcome.ran) {
        out["end"] = "refused";
        return kExitAnalysisError;
    }
    out["end"] = FitEndName(outcome.end);
    out["results_valid"] = outcome.resultsValid;
    out["iterations"] = state.fields.iterations;

    out["end_text"] = state.fields.fitEnd;
    out["evaluations"] = state.results.evaluations;

    const TResultFields& fields = state.fields;
    const TFitStatistics& figures = state.results.statistics;
    auto figure = [&](const std::optional<long double>& value) {
        return outcome.resultsValid && value ? Number(*value) : Json(nullptr);
    };
    Json coefficients = Json::array();
    Json halfWidths = Json::array();
    for (int j = 0; j < model.m; ++j) {
        const auto k = static_cast<std::size_t>(j);
        coefficients.push_back(outcome.resultsValid && k < state.results.coefficients.size()
                                   ? Number(state.results.coefficients[k])
                                   : Json(nullptr));
        halfWidths.push_back(k < figures.halfWidths.size() ? figure(figures.halfWidths[k]) : Json(nullptr));
    }
    out["coefficients"] = coefficients;
    out["confidence_half_widths"] = halfWidths;
    out["t_factor"] = figure(figures.t);
    out["SSR"] = outcome.resultsValid ? Number(state.results.SSR) : Json(nullptr);
    out["SE"] = figure(figures.SE);
    out["R2"] = figure(figures.R2);
    out["R"] = figure(figures.R);
    out["relative_error"] = figure(figures.relativeError);
    out["df1"] = figures.testShown ? Json(figures.df1) : Json(nullptr);
    out["df2"] = figures.testShown ? Json(figures.df2) : Json(nullptr);
    out["F"] = state.results.F >= 0 && outcome.resultsValid ? Number(state.results.F) : Json(nullptr);
    // P is computed only down to the 0.0001 level; beyond it the page shows "<< 0.0001".
    out["P"] = figure(figures.P);
    out["P_below"] = figures.pBelowLevel ? Json(kSignificanceFloor) : Json(nullptr);
    AddReportFields(state, out);
    out["fields"] = FieldsJson(fields);
    if (trace) out["shown_results"] = steps;
    out["shown_result_count"] = shown;
    return ExitStatusOf(outcome);
}

int ExitStatusOf(const CalculateOutcome& outcome) {
    if (!outcome.ran || !outcome.resultsValid) return kExitAnalysisError;
    return outcome.end == FitEnd::Converged ? kExitOk : kExitNotConverged;
}

}  // namespace kurvex::cli
