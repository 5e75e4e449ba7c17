#pragma once
// The subcommands of kurvex-cli. Each fills `out` with its JSON result and
// returns the exit status: 0 result produced (a fit: converged), 1 the
// analysis reported an error and produced no result, 2 bad arguments, 3 a fit
// that has results but did not converge.
#include <optional>
#include <string>
#include <vector>

#include "Json.h"

#include "SelectionOptions.h"

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
    std::optional<int> model;                   // --model 0..8
    std::optional<std::string> formula;         // --formula
    std::optional<std::string> derivatives;     // --deriv "D0;D1;..."
    std::vector<std::string> initialValues;     // --init
    std::vector<std::string> tolerances;        // --tol
    std::optional<std::string> method;          // numeric | formula
    std::string lambdaMax = "250";
    std::string maxIterations = "100";
    std::string increment = "0.000001";
    std::string confidence = "95";
    bool trace = false;                         // every Marquardt step into the JSON
};
int RunFit(const SelectionOptions& selection, const ModelOptions& model, Json& out);

struct PredictOptions {
    std::vector<std::vector<std::string>> at;  // one point per --at: X1, X2, ... as typed
};
int RunPredict(const SelectionOptions& selection, const ModelOptions& model, const PredictOptions& predict,
               Json& out);

struct KendallOptions {
    bool exact = false;
};
int RunKendall(const SelectionOptions& selection, const KendallOptions& options, Json& out);

struct SplineOptions {
    std::string method = "bayes";  // bayes | cubic
    std::string nd = "10";
    std::string range = "data";    // data | nice | MIN,MAX
    std::string np = "100";
    std::string outFile;
};
int RunSpline(const SelectionOptions& selection, const SplineOptions& options, Json& out);

// The nine built-in models with their numbers, formulas and names.
int RunModels(Json& out);

}  // namespace kurvex::cli
