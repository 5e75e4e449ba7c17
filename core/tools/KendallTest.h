#pragma once
// Kendall's rank correlation test of Y against every X of the data set: the
// score S ("K") and a one-sided P, exact by permutations or by the normal
// approximation with tie-corrected variance and a continuity correction of 1.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/common/ProgressSink.h"
#include "core/regression/FitState.h"

namespace kurvex {

inline constexpr const char* kKendallResultCaption = "相関のKendallの検定";
inline constexpr const char* kKendallPermutationQuestion =
    "データ数が少ないので、並べ替え理論を適用して確率を計算しますか。";
inline constexpr int kKendallPermutationOfferBelow = 12;  // the question is asked for n < 12

inline constexpr const char* kKendallTooFewForPermutationMessage =
    "データ数が２未満のため、並べ替え理論による確率は計算できません。";
inline constexpr const char* kKendallTooFewForNormalMessage =
    "データ数が３未満のため、正規近似による確率は計算できません。";
inline constexpr const char* kKendallNoVarianceMessage =
    "値がすべて等しい変数があるため、正規近似による確率は計算できません。";

struct KendallNormalResult {
    std::int64_t S = 0;
    long double variance = 0;
    long double z = 0;
    double P = 0;
};

// S by merge-sort counting, Var from the tie sums, z = (|S| − 1)/√Var,
// P = NormalUpperProb(z). Empty (no message) when n < 3 or Var <= 0.
std::optional<KendallNormalResult> KendallNormalApproximation(std::span<const double> x, std::span<const double> y);

struct KendallVariable {
    std::string name;
    std::vector<double> values;
};

// The result text for Y against each variable, by permutations or by the
// normal approximation. Empty when the user stopped the enumeration (silently)
// or the method cannot be applied (error box shown).
std::optional<std::string> KendallTestText(bool permutation, const std::string& yName, std::span<const double> y,
                                           const std::vector<KendallVariable>& variables, ProgressSink& progress);

// The whole command on a data set: asks whether to use permutations when
// n < 12, computes, and shows the text captioned "相関のKendallの検定".
// xNames[v] names X(v+1); missing names are written "X1", "X2", ...
// Returns the text shown, empty when nothing was shown.
std::optional<std::string> KendallTest(const TFitData& data, const std::string& yName,
                                       const std::vector<std::string>& xNames, ProgressSink& progress);

}  // namespace kurvex
