#pragma once
// Starting values of a general model by a bounded multi-start search.
//
// Starts are drawn over magnitude ranges (by default 1e-3..1e3 of either
// sign, or the range typed for a coefficient). The coefficients the model is
// linear in are not drawn: for every draw of the others they are the weighted
// least-squares solution, which makes each draw a far better start. The
// draws are screened on a thinned data set, the best ones run a few damped
// iterations on all points, and the best few of those are polished by the
// program's own fit. The draws come from a seeded generator and every start
// is worked on by itself, so the answer is the same for the same data
// whatever the number of threads; the starts are shared out over every core.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/common/ProgressSink.h"
#include "core/regression/FitState.h"
#include "core/regression/StartEstimates.h"

namespace kurvex {

inline constexpr const char* kSearchProgressCaption = "ただいま、初期値を探索中.......";
inline constexpr const char* kSearchFailedMessage =
    "初期値の探索で、データに合う係数の組が見つかりませんでした。初期値は変更していません。";

// Values drawn for one coefficient: log-uniform over [low, high] when both
// have the same sign, uniform when the range contains 0.
struct CoefficientRange {
    double low = 0;
    double high = 0;
};

struct StartSearchOptions {
    std::vector<std::optional<CoefficientRange>> ranges;  // per coefficient; none: 1e-3..1e3 of either sign
    std::uint64_t seed = 1;
    unsigned threads = 0;  // 0: every core
    int draws = 0;         // draws screened; 0: as many as about 1.5 million model evaluations allow
    int localStarts = 16;  // draws that run damped iterations on every point
    int polished = 3;      // local results polished by the full fit
};

struct StartSearchResult {
    StartOutcome outcome = StartOutcome::NotPossible;
    std::vector<double> values;  // the proposed initial values (Estimated only)
    long double ssr = 0;         // their weighted SSR
    std::string message;         // what to tell the user when nothing changes
    int draws = 0;               // draws screened
};

// Searches starts for `model` on `data`. conditions holds the current initial
// values (kept for the coefficients marked fixed, and kept altogether when no
// start fits better) and the conditions of the polishing fit. Shows progress
// on `progress` and stops early when it is cancelled.
StartSearchResult SearchStartValues(const TFitModel& model, const TFitData& data, const TFitConditions& conditions,
                                    const StartSearchOptions& options, ProgressSink& progress);

// Reads "j:low:high" (coefficient index, then the range) into `ranges`;
// false with a message for a malformed text or an empty range.
bool ParseCoefficientRange(const std::string& text, int m, std::vector<std::optional<CoefficientRange>>& ranges,
                           std::string& error);

}  // namespace kurvex
