#pragma once
// Starting values of the built-in iterative models from the data alone.
//
// Each of these models is linear in its scale (and, for the asymptotic
// regression model, its offset) once its shape is given: a midpoint and a
// width, or a rate. The shape is chosen by a grid over the spans the data
// suggest (the range of x sets every rate and width), the linear part is the
// weighted least-squares solution for each shape, and the best shape is
// refined by a pattern search. The criterion is the weighted SSR of the fit
// itself, so unsorted x, transformed variables and weights need nothing
// special, and noise or a few outliers move the start no further than they
// move the least-squares answer.
#include <optional>
#include <string>
#include <vector>

#include "core/regression/FitState.h"

namespace kurvex {

inline constexpr const char* kNoEstimateMessage = "データから初期値を推定できませんでした。初期値は変更していません。";
inline constexpr const char* kCurrentStartBetterMessage =
    "今の初期値の方がデータによく合っているため、初期値は変更していません。";

// True for the models whose starts this unit estimates (2, 3, 4, 6, 7, 8).
bool HasStartEstimate(int modelIndex);

// The estimated C0..C(m−1) of built-in model `modelIndex`, or nothing when the
// data allow none (fewer points than coefficients, one distinct x, a model that
// cannot be evaluated anywhere on the grid).
std::optional<std::vector<double>> EstimateBuiltInStart(int modelIndex, const TFitData& data);

// The weighted SSR of the model at c, or nothing when it cannot be evaluated.
std::optional<long double> SumOfSquaresAt(const TFitModel& model, const TFitData& data, const std::vector<double>& c);

enum class StartOutcome { Estimated, CurrentBetter, NotPossible, Cancelled };

struct StartProposal {
    StartOutcome outcome = StartOutcome::NotPossible;
    std::vector<double> values;  // the new initial values (Estimated only)
    std::string message;         // what to tell the user when nothing changes
};

// An estimate for the current initial values `current`: coefficients marked
// fixed keep their values, and an estimate that fits the data worse than the
// current values is not proposed, so an estimate never makes a start worse.
StartProposal ProposeBuiltInStart(const TFitModel& model, const TFitData& data, const std::vector<double>& current,
                                  const std::vector<bool>& fixed);

}  // namespace kurvex
