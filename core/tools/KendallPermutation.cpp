#include "tools/KendallPermutation.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <stdexcept>
#include <vector>

#include "tools/KendallScore.h"

namespace kurvex {

namespace {

std::uint64_t Factorial(int n) {
    std::uint64_t f = 1;
    for (int i = 2; i <= n; ++i) f *= static_cast<std::uint64_t>(i);
    return f;
}

int Sign(double a, double b) { return (a > b) - (a < b); }

double Fraction(std::uint64_t hits, std::uint64_t count) {
    return static_cast<double>(static_cast<long double>(hits) / static_cast<long double>(count));
}

int PercentDone(std::uint64_t count, std::uint64_t total) {
    return static_cast<int>(std::nearbyint(static_cast<long double>(count) * 100 / static_cast<long double>(total)));
}

void CheckArguments(std::span<const double> x, std::span<const double> y) {
    if (x.size() != y.size()) throw std::invalid_argument("Kendall permutation test: x and y differ in length");
    if (x.size() < 2 || x.size() > static_cast<std::size_t>(kMaxPermutationPoints))
        throw std::invalid_argument("Kendall permutation test: n outside 2..20");
}

bool IsHit(std::int64_t s, std::int64_t observed, bool upward) { return upward ? s >= observed : s <= observed; }

}  // namespace

std::uint64_t EnumeratePermutations(int n, const std::function<bool(std::span<const int>)>& visit) {
    if (n < 2) throw std::invalid_argument("EnumeratePermutations: n < 2");
    std::vector<int> perm(static_cast<std::size_t>(n));
    std::iota(perm.begin(), perm.end(), 0);
    std::vector<int> counter(static_cast<std::size_t>(n), 0);
    int level = n - 2;
    std::uint64_t visited = 0;
    for (;;) {
        if (level == n - 2) {
            ++visited;
            if (!visit(perm)) return visited;
        }
        int& c = counter[static_cast<std::size_t>(level)];
        ++c;
        if (c < n - level) {
            std::swap(perm[static_cast<std::size_t>(level)], perm[static_cast<std::size_t>(level + c)]);
            level = n - 2;
        } else if (level == 0) {
            return visited;
        } else {
            std::rotate(perm.begin() + level, perm.begin() + level + 1, perm.end());
            c = 0;
            --level;
        }
    }
}

KendallPermutationResult KendallPermutationPByEnumeration(std::span<const double> x, std::span<const double> y,
                                                          ProgressSink& progress) {
    CheckArguments(x, y);
    const int n = static_cast<int>(x.size());
    KendallPermutationResult result;
    result.S = KendallScore(x, y);
    const bool upward = result.S >= 0;
    progress.StartProgress(kPermutationProgressCaption);
    const std::uint64_t total = Factorial(n);
    EnumeratePermutations(n, [&](std::span<const int> perm) {
        ++result.count;
        if (result.count % 100 == 1) progress.SetProgress(PercentDone(result.count, total));
        std::int64_t s = 0;
        for (int i = 0; i < n; ++i)
            for (int j = i + 1; j < n; ++j) s += Sign(x[i], x[j]) * Sign(y[perm[i]], y[perm[j]]);
        if (IsHit(s, result.S, upward)) ++result.hits;
        return !(result.cancelled = progress.Cancelled());
    });
    progress.FinishProgress();
    result.P = result.cancelled ? -1.0 : Fraction(result.hits, result.count);
    return result;
}

std::vector<std::uint64_t> PermutationInversionCounts(int n) {
    if (n < 1 || n > kMaxPermutationPoints) throw std::invalid_argument("PermutationInversionCounts: n outside 1..20");
    // Placing the m-th element adds 0..m−1 inversions.
    std::vector<std::uint64_t> counts{1};
    for (int m = 2; m <= n; ++m) {
        std::vector<std::uint64_t> next(counts.size() + static_cast<std::size_t>(m - 1), 0);
        std::uint64_t window = 0;  // sum of counts[k − m + 1 .. k]
        for (std::size_t k = 0; k < next.size(); ++k) {
            if (k < counts.size()) window += counts[k];
            if (k >= static_cast<std::size_t>(m)) window -= counts[k - static_cast<std::size_t>(m)];
            next[k] = window;
        }
        counts.swap(next);
    }
    return counts;
}

namespace {

bool HasTies(std::span<const double> values) {
    std::vector<double> sorted(values.begin(), values.end());
    std::sort(sorted.begin(), sorted.end());
    return std::adjacent_find(sorted.begin(), sorted.end()) != sorted.end();
}

// Without ties S = n(n−1)/2 − 2·(inversions of the ordering), so counting
// orderings by inversions counts them by S.
KendallPermutationResult CountWithoutTies(int n, std::int64_t observed) {
    KendallPermutationResult result;
    result.S = observed;
    const bool upward = observed >= 0;
    const std::vector<std::uint64_t> byInversions = PermutationInversionCounts(n);
    const std::int64_t pairs = static_cast<std::int64_t>(n) * (n - 1) / 2;
    for (std::size_t k = 0; k < byInversions.size(); ++k) {
        result.count += byInversions[k];
        if (IsHit(pairs - 2 * static_cast<std::int64_t>(k), observed, upward)) result.hits += byInversions[k];
    }
    result.P = Fraction(result.hits, result.count);
    return result;
}

// Every ordering by plain changes (each step swaps two neighbours). The fixed
// variable is sorted, so a swap of the values at positions p and p + 1 changes
// only the pair (p, p + 1) and the pairs with points tied to p or p + 1.
KendallPermutationResult CountByTranspositions(std::span<const double> fixed, std::span<const double> moving,
                                               std::int64_t observed, ProgressSink& progress) {
    const int n = static_cast<int>(fixed.size());
    std::vector<int> order(static_cast<std::size_t>(n));
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return fixed[a] < fixed[b]; });
    std::vector<double> key(static_cast<std::size_t>(n));    // fixed values, ascending
    std::vector<double> value(static_cast<std::size_t>(n));  // moving values in the current ordering
    for (int i = 0; i < n; ++i) {
        key[static_cast<std::size_t>(i)] = fixed[order[static_cast<std::size_t>(i)]];
        value[static_cast<std::size_t>(i)] = moving[order[static_cast<std::size_t>(i)]];
    }
    // Run of equal fixed values around each position: [runStart, runEnd).
    std::vector<int> runStart(static_cast<std::size_t>(n)), runEnd(static_cast<std::size_t>(n));
    for (int i = 0; i < n;) {
        int j = i;
        while (j < n && key[static_cast<std::size_t>(j)] == key[static_cast<std::size_t>(i)]) ++j;
        for (int k = i; k < j; ++k) {
            runStart[static_cast<std::size_t>(k)] = i;
            runEnd[static_cast<std::size_t>(k)] = j;
        }
        i = j;
    }

    KendallPermutationResult result;
    result.S = observed;
    const bool upward = observed >= 0;
    const std::uint64_t total = Factorial(n);
    constexpr std::uint64_t kProgressEvery = 65536;
    progress.StartProgress(kPermutationProgressCaption);

    std::int64_t s = KendallScore(key, value);  // the starting ordering is the observed one
    auto visit = [&]() {
        ++result.count;
        if (IsHit(s, observed, upward)) ++result.hits;
        if (result.count % kProgressEvery == 1) {
            progress.SetProgress(PercentDone(result.count, total));
            if (progress.Cancelled()) result.cancelled = true;
        }
        return !result.cancelled;
    };
    auto swapNeighbours = [&](int p) {
        const std::size_t q = static_cast<std::size_t>(p);
        const double a = value[q];
        const double b = value[q + 1];
        if (key[q] != key[q + 1]) {
            // The pair itself: −sign(a − b) becomes −sign(b − a).
            std::int64_t change = 2 * Sign(a, b);
            // Points tied with p move from sign 0 to sign +1 against p + 1's
            // position and back; likewise points tied with p + 1.
            auto tiedWith = [&](int member) {
                for (int k = runStart[static_cast<std::size_t>(member)]; k < runEnd[static_cast<std::size_t>(member)]; ++k) {
                    if (k == p || k == p + 1) continue;
                    const double v = value[static_cast<std::size_t>(k)];
                    change -= Sign(b, v) - Sign(a, v);
                }
            };
            if (runEnd[q] - runStart[q] > 1) tiedWith(p);
            if (runEnd[q + 1] - runStart[q + 1] > 1) tiedWith(p + 1);
            s += change;
        }
        value[q] = b;
        value[q + 1] = a;
    };

    // Plain changes with counters c and directions o (1-based, as usually written).
    std::vector<int> c(static_cast<std::size_t>(n) + 1, 0), o(static_cast<std::size_t>(n) + 1, 1);
    if (visit()) {
        for (;;) {
            int j = n;
            int shift = 0;
            bool finished = false;
            for (;;) {
                const int q = c[static_cast<std::size_t>(j)] + o[static_cast<std::size_t>(j)];
                if (q >= 0 && q != j) {
                    const int from = j - c[static_cast<std::size_t>(j)] + shift;
                    const int to = j - q + shift;
                    swapNeighbours(std::min(from, to) - 1);
                    c[static_cast<std::size_t>(j)] = q;
                    break;
                }
                if (q == j) {
                    if (j == 1) {
                        finished = true;
                        break;
                    }
                    ++shift;
                }
                o[static_cast<std::size_t>(j)] = -o[static_cast<std::size_t>(j)];
                --j;
            }
            if (finished || !visit()) break;
        }
    }
    progress.FinishProgress();
    result.P = result.cancelled ? -1.0 : Fraction(result.hits, result.count);
    return result;
}

}  // namespace

KendallPermutationResult KendallPermutationP(std::span<const double> x, std::span<const double> y,
                                             ProgressSink& progress) {
    CheckArguments(x, y);
    const int n = static_cast<int>(x.size());
    const std::int64_t observed = KendallScoreFast(x, y);
    const bool xTied = HasTies(x);
    const bool yTied = HasTies(y);
    if (!xTied && !yTied) return CountWithoutTies(n, observed);
    // S is symmetric in the two variables and the set of orderings is the same
    // either way, so keep fixed the one whose ties cost less per step.
    const TieSumsResult xTies = TieSums(x);
    const TieSumsResult yTies = TieSums(y);
    return xTies.T1 <= yTies.T1 ? CountByTranspositions(x, y, observed, progress)
                                : CountByTranspositions(y, x, observed, progress);
}

}  // namespace kurvex
