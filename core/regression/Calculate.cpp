#include "core/regression/Calculate.h"

#include <cmath>
#include <cstdint>

#include "core/common/MessageSink.h"
#include "core/common/NumberFormat.h"
#include "core/regression/Models.h"
#include "core/regression/Statistics.h"

namespace kurvex {

namespace {

bool running = false;

class RunningGuard {
public:
    RunningGuard() { running = true; }
    ~RunningGuard() { running = false; }
    RunningGuard(const RunningGuard&) = delete;
    RunningGuard& operator=(const RunningGuard&) = delete;
};

std::string NotAnIntegerMessage(const std::string& text) { return "'" + text + "' は正しい整数値ではありません。"; }

bool ReadReal(const std::string& text, long double& value) {
    const auto parsed = ReadTypedReal(text);
    if (parsed) value = *parsed;
    return parsed.has_value();
}

bool CheckDataAgainstModel(const TFitState& state, int dataNx, const std::vector<bool>& fixed) {
    if (dataNx != state.model.nx) {
        ShowError(kWrongVariablesMessage);
        return false;
    }
    // A model without coefficients has nothing to fit.
    if (state.model.m < 1) {
        Messages().Show(MessageKind::Confirmation, kStartFailedMessage, MessageButtons::Ok);
        return false;
    }
    // Only the iterative fit holds coefficients fixed; it needs one free one.
    TFitConditions held;
    if (FitMethodOf(state.model.index) == FitMethod::Marquardt) held.fixed = fixed;
    const int free = FreeCoefficientCount(state.model, held);
    if (free < 1) {
        ShowError(kAllFixedMessage);
        return false;
    }
    if (free >= state.data.n) {
        ShowError(TooFewDataMessage(free));
        return false;
    }
    return true;
}

CalculateOutcome RunFit(TFitState& state, const TFitConditions& conditions, ProgressSink& progress,
                        const ResultObserver& observer) {
    RunningGuard guard;
    TFitModel& model = state.model;
    const auto m = static_cast<std::size_t>(model.m);
    state.conditions = conditions;
    if (model.index > 1)
        model.numericDerivatives =
            conditions.derivativeMethod == DerivativeMethod::Numeric || model.derivativeFormulas.size() < m;
    state.conditions.h0.resize(m, conditions.h0.empty() ? 1e-6 : conditions.h0.back());
    state.conditions.initialValues.resize(m, 1.0);
    state.conditions.tolerances.resize(m, 1e-6);
    if (FitMethodOf(model.index) == FitMethod::Marquardt) state.conditions.fixed.resize(m, false);
    else state.conditions.fixed.clear();

    state.fields.ClearGridColumns(model.m);
    state.fields.fitEnd.clear();
    state.results.statistics = {};
    state.results.iterations = 0;
    state.results.evaluations = 0;
    if (observer) observer(state.fields);

    CalculateOutcome outcome;
    outcome.ran = true;
    struct ResidualRelease {
        std::vector<double>& residuals;
        ~ResidualRelease() {
            residuals.clear();
            residuals.shrink_to_fit();
        }
    } release{state.results.residuals};

    try {
        state.results.residuals.assign(static_cast<std::size_t>(state.data.n), 0.0);
        state.results.coefficients = state.conditions.initialValues;
    } catch (const std::bad_alloc&) {
        ShowError(kCalculationErrorMessage);
        return outcome;
    }

    progress.StartProgress(kProgressCaption);
    switch (FitMethodOf(model.index)) {
        case FitMethod::Linear: outcome.end = FitLinear(state, progress, observer); break;
        case FitMethod::Allometric: outcome.end = FitAllometric(state, progress, observer); break;
        case FitMethod::Marquardt: outcome.end = FitMarquardt(state, progress, observer); break;
    }
    progress.FinishProgress();

    const bool linear = FitMethodOf(model.index) == FitMethod::Linear;
    if (state.results.valid) {
        // A fault in the figures after the fit leaves the results incomplete.
        if (linear && !LinearConfidenceLimits(state)) outcome.end = FitEnd::Error;
        if (!ShowFTest(state)) outcome.end = FitEnd::Error;
    }
    state.fields.fitEnd = FitEndText(outcome.end, linear, state.results.iterations);
    if (observer) observer(state.fields);
    outcome.resultsValid = state.results.valid;
    return outcome;
}

}  // namespace

std::string TooFewDataMessage(int m) {
    return "データ数が足りません。\n推定すべきパラメータ数 " + std::to_string(m) + " より多くして下さい。";
}

bool ReadFitConditions(const FitConditionTexts& texts, int m, TFitConditions& conditions) {
    TFitConditions read;
    if (!ReadReal(texts.lambdaUpperBound, read.lambdaUpperBound)) return false;
    const auto iterations = ParseInteger(texts.maxIterations);
    if (!iterations || *iterations < INT32_MIN || *iterations > INT32_MAX) {
        ShowError(NotAnIntegerMessage(texts.maxIterations));
        return false;
    }
    read.maxIterations = static_cast<std::int32_t>(*iterations);
    long double increment = 0, percent = 0;
    if (!ReadReal(texts.increment, increment)) return false;
    if (!ReadReal(texts.confidencePercent, percent)) return false;
    // 0 % and 100 % have no limits (a zero or an infinite t factor).
    if (!(percent > 0 && percent < 100)) {
        ShowError(kConfidenceRangeMessage);
        return false;
    }
    read.alpha = 1 - percent / 100;
    for (int j = 0; j < m; ++j) {
        const auto jj = static_cast<std::size_t>(j);
        long double initial = 0, tolerance = 0;
        if (!ReadReal(jj < texts.initialValues.size() ? texts.initialValues[jj] : std::string(), initial)) return false;
        if (!ReadReal(jj < texts.tolerances.size() ? texts.tolerances[jj] : std::string(), tolerance)) return false;
        read.initialValues.push_back(static_cast<double>(initial));
        read.tolerances.push_back(static_cast<double>(tolerance));
        read.h0.push_back(static_cast<double>(increment));
    }
    read.derivativeMethod = texts.derivativeMethod;
    read.fixed = texts.fixed;
    conditions = std::move(read);
    return true;
}

CalculateOutcome Calculate(TFitState& state, int dataNx, const FitConditionTexts& texts, ProgressSink& progress,
                           const ResultObserver& observer) {
    if (running || !CheckDataAgainstModel(state, dataNx, texts.fixed)) return {};
    TFitConditions conditions;
    if (!ReadFitConditions(texts, state.model.m, conditions)) return {};
    return RunFit(state, conditions, progress, observer);
}

CalculateOutcome Calculate(TFitState& state, int dataNx, const TFitConditions& conditions, ProgressSink& progress,
                           const ResultObserver& observer) {
    if (running || !CheckDataAgainstModel(state, dataNx, conditions.fixed)) return {};
    return RunFit(state, conditions, progress, observer);
}

bool CalculationRunning() { return running; }

}  // namespace kurvex
