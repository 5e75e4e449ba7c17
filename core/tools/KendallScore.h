#pragma once
// Kendall's score S and the tie sums of its variance.
#include <cstdint>
#include <span>

namespace kurvex {

// S = Σ_{i<j} sign(x_i − x_j)·sign(y_i − y_j): every pair, O(n²). A tie in
// either variable contributes 0; only exactly equal values tie.
std::int64_t KendallScore(std::span<const double> x, std::span<const double> y);

// The same S in O(n log n): concordant minus discordant pairs, from the pairs
// tied in x, in y and in both and the inversions left by a merge sort.
std::int64_t KendallScoreFast(std::span<const double> x, std::span<const double> y);

// Over the runs of equal values (sizes t): T1 = Σ t(t−1), T2 = Σ t(t−1)(t−2),
// T3 = Σ t(t−1)(2t+5). Held as long double: exact integers far beyond the
// sample sizes a table can hold.
struct TieSumsResult {
    long double T1 = 0;
    long double T2 = 0;
    long double T3 = 0;
};
TieSumsResult TieSums(std::span<const double> values);

// S together with the tie sums of both variables, from the same two sorts.
struct KendallPairStatistics {
    std::int64_t S = 0;
    TieSumsResult xTies;
    TieSumsResult yTies;
};
KendallPairStatistics KendallStatistics(std::span<const double> x, std::span<const double> y);

// Variance of S under independence, corrected for ties; needs n >= 3.
long double KendallVariance(std::int64_t n, const TieSumsResult& x, const TieSumsResult& y);

}  // namespace kurvex
