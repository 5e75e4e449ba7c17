#pragma once
// Choosing the model from --model / --formula and reading the conditions,
// through the same routines as the main window and the equation editor.
#include "cli/Json.h"

#include "cli/Commands.h"
#include "core/regression/Calculate.h"

namespace kurvex::cli {

// Selects the model for a data set of dataNx explanatory variables and fills
// the condition texts; false (message shown) when the formula is refused.
bool SetUpModel(const ModelOptions& options, int dataNx, TFitState& state, FitConditionTexts& texts);

// --fix, then --init auto / search: marks the fixed coefficients and replaces
// the initial values by estimates; the start part of `out`. A usage error
// gives kExitUsage, a refused condition kExitAnalysisError.
int ApplyStartOptions(const ModelOptions& options, int dataNx, TFitState& state, FitConditionTexts& texts, Json& out);

// Runs the calculate command; fills the fit part of `out`.
int FitAndReport(TFitState& state, int dataNx, const FitConditionTexts& texts, bool trace, Json& out);
// 0 converged (or a linear fit solved), 3 results but not converged, 1 no results.
int ExitStatusOf(const CalculateOutcome& outcome);

}  // namespace kurvex::cli
