#pragma once
// The three fitting methods. Each works on the fit state: it starts from the
// coefficients in state.results.coefficients (the initial values), leaves the
// current coefficients there, writes the result texts into state.fields,
// notifies the observer at each shown set of results and sets
// state.results.valid once it has shown a complete set. Each sizes the
// coefficients (m), the residuals (n) and the result texts it fills itself.
#include <cstdint>
#include <functional>
#include <string>

#include "core/common/ProgressSink.h"
#include "core/regression/FitState.h"
#include "core/regression/ResultFields.h"

namespace kurvex {

inline constexpr const char* kStartFailedMessage = "式型または初期値を修正して下さい。";
inline constexpr const char* kLambdaTooLargeMessage =
    "λが大きくなり過ぎました。\n初期値を変更して下さい。\n初期値に計算結果をコピーすると\nうまく行くことがあります。";
inline constexpr const char* kIterationCommentPrefix = "繰り返し数：";

// How a fitting method ended.
enum class FitEnd {
    Converged,       // every step within its tolerance (Marquardt), or the linear solution found
    IterationLimit,  // maximum iterations passed, no message
    LambdaBound,     // λ reached its upper bound, message shown
    Cancelled,       // the progress sink's cancel flag, no message
    Error,           // a fault inside the iteration, message shown, what was shown stays
    StartError,      // the model could not be evaluated at the initial values (message) or the linear solve failed
};

const char* FitEndName(FitEnd end);
// The line the result pages show after a fit: how it ended and, for the
// iterative methods, how many trial steps it solved.
std::string FitEndText(FitEnd end, bool linear, int iterations);

// One solved trial step of the Marquardt iteration, for a verbose CLI run and the tests.
struct MarquardtStep {
    int iteration = 0;              // solves so far, this one included
    long double lambda = 0;         // damping used for this solve
    long double lambdaRestart = 0;  // λc of the current Jacobian
    long double ssr = 0;            // SSR before the step
    long double trialSsr = 0;       // SSR at the trial coefficients
    long double ratio = 0;          // actual / predicted reduction; −8 when the trial point could
                                    // not be evaluated (the ratio that gives λ its largest growth, 10)
    bool accepted = false;
    std::uint64_t evaluations = 0;  // model and derivative evaluations of the fit so far
};
using MarquardtTrace = std::function<void(const MarquardtStep&)>;

FitEnd FitMarquardt(TFitState& state, ProgressSink& progress, const ResultObserver& observer,
                    const MarquardtTrace& trace = {});
FitEnd FitLinear(TFitState& state, ProgressSink& progress, const ResultObserver& observer);
FitEnd FitAllometric(TFitState& state, ProgressSink& progress, const ResultObserver& observer);

}  // namespace kurvex
