#pragma once
// Kendall's test by permutations: the exact one-sided P, the fraction of all
// n! orderings of Y against X whose score is at least as extreme as the
// observed one in the observed direction (the observed ordering included).
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "core/common/ProgressSink.h"

namespace kurvex {

inline constexpr const char* kPermutationProgressCaption = "ただ今、並べ替え検定の実行中．．．．";
inline constexpr int kMaxPermutationPoints = 20;  // n! still fits the counters

struct KendallPermutationResult {
    double P = -1;            // hits / count; −1 when the user stopped
    std::int64_t S = 0;       // the observed score
    std::uint64_t hits = 0;   // orderings at least as extreme
    std::uint64_t count = 0;  // orderings counted (n! when complete)
    bool cancelled = false;
};

// Visits every permutation of 0..n−1 (n >= 2), starting with the identity, in
// the order 012, 021, 102, 120, 201, 210 for n = 3. The visitor returns false
// to stop. Returns the number visited.
std::uint64_t EnumeratePermutations(int n, const std::function<bool(std::span<const int>)>& visit);

// The literal test: every ordering scored pair by pair, progress every 100
// orderings, the stop request tested after every step. The reference for the
// faster routine below (the tests use it); n from 2 to kMaxPermutationPoints.
KendallPermutationResult KendallPermutationPByEnumeration(std::span<const double> x, std::span<const double> y,
                                                          ProgressSink& progress);

// The same counts, fast. When one variable has no ties the null distribution
// of S comes from counting the orderings of the other by inversions (no
// enumeration, no progress window). With ties in both, the orderings are
// counted group by group over the sets of y values placed so far (progress
// and the stop request once a group); n up to 13 then (std::invalid_argument
// above, where the counter's table would not fit).
KendallPermutationResult KendallPermutationP(std::span<const double> x, std::span<const double> y,
                                             ProgressSink& progress);

// Number of permutations of n elements with exactly k inversions, k = 0..n(n−1)/2 (n <= 20).
std::vector<std::uint64_t> PermutationInversionCounts(int n);

// Number of distinct arrangements of a multiset with runs of equal values of
// the given sizes that have exactly k inversions (total size <= 20).
std::vector<std::uint64_t> MultisetInversionCounts(std::span<const int> runSizes);

}  // namespace kurvex
