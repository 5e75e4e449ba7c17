#include "core/tools/KendallScore.h"

#include <algorithm>
#include <numeric>
#include <stdexcept>
#include <utility>
#include <vector>

namespace kurvex {

namespace {

int Sign(double a, double b) { return (a > b) - (a < b); }

// Pairs inside runs of equal keys of an array sorted by that key: Σ t(t−1)/2.
template <typename Equal>
std::int64_t TiedPairs(std::size_t n, Equal&& equal) {
    std::int64_t pairs = 0;
    std::int64_t run = 1;
    for (std::size_t i = 1; i <= n; ++i) {
        if (i < n && equal(i - 1, i)) {
            ++run;
        } else {
            pairs += run * (run - 1) / 2;
            run = 1;
        }
    }
    return pairs;
}

}  // namespace

std::int64_t KendallScore(std::span<const double> x, std::span<const double> y) {
    if (x.size() != y.size()) throw std::invalid_argument("KendallScore: x and y differ in length");
    std::int64_t s = 0;
    for (std::size_t i = 0; i < x.size(); ++i)
        for (std::size_t j = i + 1; j < x.size(); ++j) s += Sign(x[i], x[j]) * Sign(y[i], y[j]);
    return s;
}

namespace {

// Adds the run sizes of a sorted sequence (equal(a, b): items a and b equal)
// to the three tie sums.
template <typename Equal>
void AddRuns(std::size_t n, Equal&& equal, TieSumsResult& sums) {
    std::size_t start = 0;
    for (std::size_t i = 1; i <= n; ++i) {
        if (i < n && equal(start, i)) continue;
        const long double t = static_cast<long double>(i - start);
        sums.T1 += t * (t - 1);
        sums.T2 += t * (t - 1) * (t - 2);
        sums.T3 += t * (t - 1) * (2 * t + 5);
        start = i;
    }
}

}  // namespace

KendallPairStatistics KendallStatistics(std::span<const double> x, std::span<const double> y) {
    if (x.size() != y.size()) throw std::invalid_argument("KendallStatistics: x and y differ in length");
    const std::size_t n = x.size();
    KendallPairStatistics result;
    if (n < 2) return result;
    std::vector<std::pair<double, double>> points(n);
    for (std::size_t i = 0; i < n; ++i) points[i] = {x[i], y[i]};
    std::sort(points.begin(), points.end());
    std::vector<double> ys(n);
    for (std::size_t i = 0; i < n; ++i) ys[i] = points[i].second;

    const std::int64_t tiedX =
        TiedPairs(n, [&](std::size_t a, std::size_t b) { return points[a].first == points[b].first; });
    const std::int64_t tiedBoth = TiedPairs(n, [&](std::size_t a, std::size_t b) { return points[a] == points[b]; });
    AddRuns(
        n, [&](std::size_t a, std::size_t b) { return points[a].first == points[b].first; }, result.xTies);
    points = {};

    // Bottom-up merge sort of ys; each element taken from the right run jumps
    // over the still waiting, strictly greater elements of the left run.
    std::int64_t discordant = 0;
    std::vector<double> buffer(n);
    for (std::size_t width = 1; width < n; width *= 2) {
        for (std::size_t lo = 0; lo < n; lo += 2 * width) {
            const std::size_t mid = std::min(lo + width, n);
            const std::size_t hi = std::min(lo + 2 * width, n);
            std::size_t i = lo, j = mid, k = lo;
            while (i < mid && j < hi) {
                if (ys[j] < ys[i]) {
                    discordant += static_cast<std::int64_t>(mid - i);
                    buffer[k++] = ys[j++];
                } else {
                    buffer[k++] = ys[i++];
                }
            }
            while (i < mid) buffer[k++] = ys[i++];
            while (j < hi) buffer[k++] = ys[j++];
        }
        ys.swap(buffer);
    }
    const std::int64_t tiedY = TiedPairs(n, [&](std::size_t a, std::size_t b) { return ys[a] == ys[b]; });
    AddRuns(
        n, [&](std::size_t a, std::size_t b) { return ys[a] == ys[b]; }, result.yTies);

    const std::int64_t allPairs = static_cast<std::int64_t>(n) * static_cast<std::int64_t>(n - 1) / 2;
    const std::int64_t untied = allPairs - tiedX - tiedY + tiedBoth;
    result.S = untied - 2 * discordant;
    return result;
}

std::int64_t KendallScoreFast(std::span<const double> x, std::span<const double> y) {
    return KendallStatistics(x, y).S;
}

TieSumsResult TieSums(std::span<const double> values) {
    std::vector<double> sorted(values.begin(), values.end());
    std::sort(sorted.begin(), sorted.end());
    TieSumsResult sums;
    AddRuns(
        sorted.size(), [&](std::size_t a, std::size_t b) { return sorted[a] == sorted[b]; }, sums);
    return sums;
}

long double KendallVariance(std::int64_t count, const TieSumsResult& x, const TieSumsResult& y) {
    const long double n = static_cast<long double>(count);
    return (n * (n - 1) * (2 * n + 5) - x.T3 - y.T3) / 18 + x.T2 * y.T2 / (9 * n * (n - 1) * (n - 2)) +
           x.T1 * y.T1 / (2 * n * (n - 1));
}

}  // namespace kurvex
