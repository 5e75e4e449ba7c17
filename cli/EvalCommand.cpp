#include "cli/Commands.h"
#include "cli/JsonNumbers.h"

#include "core/expression/Evaluator.h"
#include "core/expression/Formula.h"

namespace kurvex::cli {

int RunEval(const EvalOptions& options, Json& out) {
    out["command"] = "eval";
    out["formula"] = options.formula;
    const std::string normalized = NormalizeFormula(options.formula);
    out["normalized"] = normalized;
    if (normalized.empty()) {
        out["error"] = "empty formula or unbalanced brackets";
        return kExitAnalysisError;
    }
    try {
        const long double value = EvaluateFormula(normalized, options.x, options.c);
        out["value"] = Number(value);
        out["text"] = FormatNumber(value, 15);
        return kExitOk;
    } catch (const EvaluationError& error) {
        out["error"] = error.what();
        return kExitAnalysisError;
    }
}

}  // namespace kurvex::cli
