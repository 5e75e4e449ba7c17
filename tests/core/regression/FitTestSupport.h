#pragma once
// Builds fit states directly from numbers, as the data input window would.
#include <cmath>
#include <string>
#include <vector>

#include "core/regression/FitState.h"
#include "core/regression/ModelSelection.h"

namespace kurvex::test {

// Points with nx explanatory values each (x given point after point); weights default to 1.
inline TFitData MakeData(int nx, const std::vector<double>& x, const std::vector<double>& y,
                         const std::vector<double>& weights = {}) {
    TFitData data;
    data.nx = static_cast<std::int16_t>(nx);
    for (std::size_t i = 0; i < y.size(); ++i)
        data.AddPoint(
            static_cast<std::int32_t>(i + 1), y[i], weights.empty() ? 1.0 : weights[i],
            std::span<const double>(x.data() + i * static_cast<std::size_t>(nx), static_cast<std::size_t>(nx)));
    data.FinishSums();
    return data;
}

// A built-in model as the model chooser sets it.
inline TFitModel BuiltInModel(int index, int dataNx = 1) {
    TFitModel model;
    SelectModel(model, index, dataNx, GeneralModelSource{});
    return model;
}

// A general model; derivative formulas make the formula method available.
inline TFitModel GeneralModel(const std::string& formula, int m, int nx,
                              const std::vector<std::string>& derivatives = {}) {
    GeneralModelSource general;
    general.formula = formula;
    general.coefficientCount = m;
    general.variableCount = nx;
    general.derivativeTableShown = !derivatives.empty();
    general.derivativeTexts = derivatives;
    TFitModel model;
    SelectModel(model, kGeneralModelIndex, nx, general);
    model.numericDerivatives = derivatives.empty();
    return model;
}

// Conditions for m coefficients with the program's defaults.
inline TFitConditions Conditions(const std::vector<double>& initial, double tolerance = 1e-6,
                                 long double lambdaBound = 250, int maxIterations = 100) {
    TFitConditions conditions;
    conditions.lambdaUpperBound = lambdaBound;
    conditions.maxIterations = maxIterations;
    conditions.initialValues = initial;
    conditions.tolerances.assign(initial.size(), tolerance);
    conditions.h0.assign(initial.size(), 1e-6);
    conditions.alpha = 0.05L;
    return conditions;
}

// A state ready for a fitting method: coefficients start at the initial values.
inline TFitState MakeState(TFitData data, TFitModel model, TFitConditions conditions) {
    TFitState state;
    state.data = std::move(data);
    state.model = std::move(model);
    state.conditions = std::move(conditions);
    state.results.coefficients = state.conditions.initialValues;
    state.results.residuals.assign(static_cast<std::size_t>(state.data.n), 0.0);
    state.fields.ClearGridColumns(state.model.m);
    return state;
}

}  // namespace kurvex::test
