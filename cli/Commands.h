#pragma once
// The subcommands of kurvex-cli. Each fills `out` with its JSON result and
// returns the exit status: 0 result produced (a fit: converged), 1 the
// analysis reported an error and produced no result, 2 bad arguments, 3 a fit
// that has results but did not converge.
#include <optional>
#include <string>
#include <vector>

#include "cli/Json.h"

#include "cli/SelectionOptions.h"
#include "core/regression/Calculate.h"

namespace kurvex::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitAnalysisError = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitNotConverged = 3;

struct EvalOptions {
    std::string formula;
    std::vector<double> x;  // X0, X1, ...
    std::vector<double> c;  // C0, C1, ...
};
int RunEval(const EvalOptions& options, Json& out);

struct ModelOptions {
    std::optional<int> model;                // --model 0..8
    std::optional<std::string> formula;      // --formula
    std::optional<std::string> derivatives;  // --deriv "D0;D1;..."
    std::vector<std::string> initialValues;  // --init
    std::vector<std::string> tolerances;     // --tol
    std::string startMode;                   // --init auto | search: starting values from the data
    std::vector<std::string> ranges;         // --range j:low:high of the search
    std::vector<int> fixed;                  // --fix: coefficients held at their initial values
    std::optional<std::string> method;       // numeric | formula
    // The conditions as typed, with the main window's defaults.
    std::string lambdaMax = FitConditionTexts{}.lambdaUpperBound;
    std::string maxIterations = FitConditionTexts{}.maxIterations;
    std::string increment = FitConditionTexts{}.increment;
    std::string confidence = FitConditionTexts{}.confidencePercent;
    bool trace = false;         // every Marquardt step into the JSON
    std::optional<int> bands;   // --bands N: the bands at N points
    std::string reportFile;     // --report FILE.html
    bool reportPoints = false;  // --report-points: the points CSV beside the report
};
int RunFit(const SelectionOptions& selection, const ModelOptions& model, Json& out);

struct PredictOptions {
    std::vector<std::vector<std::string>> at;  // one point per --at: X1, X2, ... as typed
};
int RunPredict(const SelectionOptions& selection, const ModelOptions& model, const PredictOptions& predict, Json& out);

struct KendallOptions {
    bool exact = false;
};
int RunKendall(const SelectionOptions& selection, const KendallOptions& options, Json& out);

struct SplineOptions {
    std::string method = "bayes";  // bayes | cubic
    std::string nd = "10";
    std::string range = "data";  // data | nice | MIN,MAX
    std::string np = "100";
    std::string outFile;
};
int RunSpline(const SelectionOptions& selection, const SplineOptions& options, Json& out);

// The nine built-in models with their numbers, formulas and names.
int RunModels(Json& out);

}  // namespace kurvex::cli
