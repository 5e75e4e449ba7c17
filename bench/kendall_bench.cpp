// Kendall's test at its limits: the exact P for n = 11 (without ties and with
// ties), and the normal approximation for n = 1,000,000 against a plain
// O(n log n) reference written here (sort by (x, y), count tied runs, count
// the inversions of y by merge sort).
//
//   kendall_bench [points] [repeats]     (default 1000000 points, 5 repeats)
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <numeric>
#include <random>
#include <vector>

#include "bench/BenchSupport.h"
#include "core/common/ProgressSink.h"
#include "core/tools/KendallPermutation.h"
#include "core/tools/KendallScore.h"
#include "core/tools/KendallTest.h"

namespace {

using namespace kurvex;

// ---- the reference ----------------------------------------------------------

// Σ t(t−1)/2, Σ t(t−1)(t−2), Σ t(t−1)(2t+5) over runs of equal values of sorted v.
struct Runs {
    long double pairs = 0, t2 = 0, t3 = 0;
};
template <class Equal>
Runs TiedRuns(std::size_t n, Equal equal) {
    Runs runs;
    for (std::size_t start = 0; start < n;) {
        std::size_t end = start + 1;
        while (end < n && equal(start, end)) ++end;
        const long double t = static_cast<long double>(end - start);
        runs.pairs += t * (t - 1) / 2;
        runs.t2 += t * (t - 1) * (t - 2);
        runs.t3 += t * (t - 1) * (2 * t + 5);
        start = end;
    }
    return runs;
}

std::int64_t MergeInversions(std::vector<double>& v, std::vector<double>& buffer) {
    std::int64_t inversions = 0;
    const std::size_t n = v.size();
    for (std::size_t width = 1; width < n; width *= 2) {
        for (std::size_t low = 0; low < n; low += 2 * width) {
            const std::size_t mid = std::min(low + width, n), high = std::min(low + 2 * width, n);
            std::size_t i = low, j = mid, k = low;
            while (i < mid && j < high) {
                if (v[j] < v[i]) {
                    inversions += static_cast<std::int64_t>(mid - i);
                    buffer[k++] = v[j++];
                } else {
                    buffer[k++] = v[i++];
                }
            }
            while (i < mid) buffer[k++] = v[i++];
            while (j < high) buffer[k++] = v[j++];
        }
        v.swap(buffer);
    }
    return inversions;
}

struct ReferenceResult {
    std::int64_t S = 0;
    double P = 0;
};

ReferenceResult ReferenceKendall(const std::vector<double>& x, const std::vector<double>& y) {
    const std::size_t n = x.size();
    std::vector<std::pair<double, double>> pairs(n);
    for (std::size_t i = 0; i < n; ++i) pairs[i] = {x[i], y[i]};
    std::sort(pairs.begin(), pairs.end());
    const Runs xRuns = TiedRuns(n, [&](std::size_t a, std::size_t b) { return pairs[a].first == pairs[b].first; });
    const Runs bothRuns = TiedRuns(n, [&](std::size_t a, std::size_t b) { return pairs[a] == pairs[b]; });
    std::vector<double> ys(n), buffer(n);
    for (std::size_t i = 0; i < n; ++i) ys[i] = pairs[i].second;
    const std::int64_t swaps = MergeInversions(ys, buffer);
    const Runs yRuns = TiedRuns(n, [&](std::size_t a, std::size_t b) { return ys[a] == ys[b]; });
    const long double all = static_cast<long double>(n) * (n - 1) / 2;
    ReferenceResult result;
    result.S = static_cast<std::int64_t>(all - xRuns.pairs - yRuns.pairs + bothRuns.pairs) - 2 * swaps;
    const long double nn = static_cast<long double>(n);
    // Var S = [n(n−1)(2n+5) − Σx t(t−1)(2t+5) − Σy ...]/18
    //       + Σx t(t−1)(t−2)·Σy t(t−1)(t−2) / (9n(n−1)(n−2))
    //       + Σx t(t−1)·Σy t(t−1) / (2n(n−1))
    const long double v = (nn * (nn - 1) * (2 * nn + 5) - xRuns.t3 - yRuns.t3) / 18 +
                          xRuns.t2 * yRuns.t2 / (9 * nn * (nn - 1) * (nn - 2)) +
                          (2 * xRuns.pairs) * (2 * yRuns.pairs) / (2 * nn * (nn - 1));
    const long double z = (std::fabs(static_cast<long double>(result.S)) - 1) / std::sqrt(v);
    result.P = 0.5 * std::erfc(static_cast<double>(z) / std::sqrt(2.0));
    return result;
}

// ---- data -------------------------------------------------------------------

// Correlated values rounded so that both variables have many ties.
void TiedPair(std::size_t n, std::vector<double>& x, std::vector<double>& y) {
    std::mt19937_64 random(99);
    std::uniform_int_distribution<int> value(0, 99'999);
    std::normal_distribution<double> noise(0, 20'000);
    x.resize(n);
    y.resize(n);
    for (std::size_t i = 0; i < n; ++i) {
        x[i] = value(random);
        y[i] = std::round((x[i] + noise(random)) / 10);
    }
}

}  // namespace

int main(int argc, char** argv) {
    const std::size_t n = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 1'000'000;
    const int repeats = argc > 2 ? std::atoi(argv[2]) : 5;
    if (n < 3 || repeats < 1) {
        std::fprintf(stderr, "usage: kendall_bench [points >= 3] [repeats >= 1]\n");
        return 2;
    }
    SilentProgressSink progress;
    bench::RatioTable table;
    bool same = true;

    // Exact P, n = 11. Without ties: one variable untied is enough for the
    // counting path. With ties: one tied pair in each variable, counted group
    // by group.
    const std::vector<double> x11 = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
    const std::vector<double> y11 = {3, 1, 4, 11, 5, 9, 2, 6, 10, 8, 7};
    const std::vector<double> xTied = {1, 2, 3, 4, 5, 5, 7, 8, 9, 10, 11};
    const std::vector<double> yTied = {3, 1, 4, 1, 5, 9, 2, 6, 10, 8, 7};
    bench::BestTime untied, tied;
    KendallPermutationResult untiedResult, tiedResult;
    for (int r = 0; r < repeats; ++r) {
        untied.Time([&] { untiedResult = KendallPermutationP(x11, y11, progress); });
        tied.Time([&] { tiedResult = KendallPermutationP(xTied, yTied, progress); });
    }
    std::printf("exact, n = 11 without ties: S = %lld, P = %.10g (%llu of %llu orderings)\n",
                static_cast<long long>(untiedResult.S), untiedResult.P,
                static_cast<unsigned long long>(untiedResult.hits),
                static_cast<unsigned long long>(untiedResult.count));
    std::printf("exact, n = 11 with ties:    S = %lld, P = %.10g (%llu of %llu orderings)\n",
                static_cast<long long>(tiedResult.S), tiedResult.P, static_cast<unsigned long long>(tiedResult.hits),
                static_cast<unsigned long long>(tiedResult.count));
    table.Absolute("exact P, n = 11, no ties", untied.Seconds(), "< 1 ms", untied.Seconds() < 1e-3);
    table.Absolute("exact P, n = 11, a tie in x and in y", tied.Seconds(), "< 0.5 s", tied.Seconds() < 0.5);

    // Normal approximation.
    std::vector<double> x, y;
    TiedPair(n, x, y);
    bench::BestTime kurvexTime, referenceTime;
    std::optional<KendallNormalResult> kurvexResult;
    ReferenceResult reference;
    for (int r = 0; r < repeats; ++r) {
        referenceTime.Time([&] { reference = ReferenceKendall(x, y); });
        kurvexTime.Time([&] { kurvexResult = KendallNormalApproximation(x, y); });
    }
    same = kurvexResult && kurvexResult->S == reference.S;
    std::printf("normal approximation, n = %zu: S = %lld (reference %lld), P = %.6g (reference %.6g)\n", n,
                kurvexResult ? static_cast<long long>(kurvexResult->S) : 0LL, static_cast<long long>(reference.S),
                kurvexResult ? kurvexResult->P : -1.0, reference.P);
    table.Ratio("normal approximation, n = " + std::to_string(n), kurvexTime.Seconds(), "O(n log n) reference",
                referenceTime.Seconds(), "<= 1.3", kurvexTime.Seconds() <= 1.3 * referenceTime.Seconds());
    table.Absolute("normal approximation, n = " + std::to_string(n), kurvexTime.Seconds(), "< 1 s",
                   kurvexTime.Seconds() < 1);
    table.Print();
    return same ? 0 : 1;
}
