#include "core/tools/KendallPermutation.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <numeric>
#include <stdexcept>
#include <vector>

#include "core/tools/KendallScore.h"

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

std::vector<std::uint64_t> MultisetInversionCounts(std::span<const int> runSizes) {
    int total = 0;
    for (int size : runSizes) {
        if (size < 1) throw std::invalid_argument("MultisetInversionCounts: empty run");
        total += size;
    }
    if (total < 1 || total > kMaxPermutationPoints)
        throw std::invalid_argument("MultisetInversionCounts: n outside 1..20");
    // Gaussian binomials [m, k]_q as coefficient lists, by [m, k] = [m−1, k−1] + q^k·[m−1, k].
    auto gaussianBinomial = [](int m, int k) {
        std::vector<std::vector<std::uint64_t>> row(static_cast<std::size_t>(k) + 1);  // row[j] = [current m, j]
        row[0] = {1};
        for (int mm = 1; mm <= m; ++mm) {
            for (int j = std::min(mm, k); j >= 1; --j) {
                const std::vector<std::uint64_t>& lower = row[static_cast<std::size_t>(j - 1)];  // [mm−1, j−1]
                const std::vector<std::uint64_t> same = row[static_cast<std::size_t>(j)];        // [mm−1, j]
                std::vector<std::uint64_t> next(
                    std::max(lower.size(), same.empty() ? 0 : same.size() + static_cast<std::size_t>(j)), 0);
                for (std::size_t e = 0; e < lower.size(); ++e) next[e] += lower[e];
                for (std::size_t e = 0; e < same.size(); ++e) next[e + static_cast<std::size_t>(j)] += same[e];
                row[static_cast<std::size_t>(j)] = std::move(next);
            }
        }
        return row[static_cast<std::size_t>(k)];
    };
    std::vector<std::uint64_t> counts{1};
    int placed = 0;
    for (int size : runSizes) {
        const std::vector<std::uint64_t> factor = gaussianBinomial(placed + size, size);
        std::vector<std::uint64_t> product(counts.size() + factor.size() - 1, 0);
        for (std::size_t a = 0; a < counts.size(); ++a)
            for (std::size_t b = 0; b < factor.size(); ++b) product[a + b] += counts[a] * factor[b];
        counts = std::move(product);
        placed += size;
    }
    return counts;
}

namespace {

bool HasTies(std::span<const double> values) {
    std::vector<double> sorted(values.begin(), values.end());
    std::sort(sorted.begin(), sorted.end());
    return std::adjacent_find(sorted.begin(), sorted.end()) != sorted.end();
}

// Sizes of the runs of equal values.
std::vector<int> RunSizes(std::span<const double> values) {
    std::vector<double> sorted(values.begin(), values.end());
    std::sort(sorted.begin(), sorted.end());
    std::vector<int> sizes;
    for (std::size_t i = 0; i < sorted.size();) {
        std::size_t j = i;
        while (j < sorted.size() && sorted[j] == sorted[i]) ++j;
        sizes.push_back(static_cast<int>(j - i));
        i = j;
    }
    return sizes;
}

// With one variable free of ties, sorted, the score of an ordering of the
// other is U − 2·(its inversions), U the pairs not tied in it. Counting the
// distinct arrangements of the tied values by inversions (q-multinomial
// coefficients; all n! orderings without ties) counts the orderings by S, each
// arrangement standing for Π t! orderings.
KendallPermutationResult CountByInversions(std::span<const double> tied, std::int64_t observed) {
    const std::vector<int> sizes = RunSizes(tied);
    const std::vector<std::uint64_t> byInversions = MultisetInversionCounts(sizes);
    const std::int64_t n = static_cast<std::int64_t>(tied.size());
    std::int64_t untied = n * (n - 1) / 2;
    std::uint64_t weight = 1;
    for (int t : sizes) {
        untied -= static_cast<std::int64_t>(t) * (t - 1) / 2;
        weight *= Factorial(t);
    }
    KendallPermutationResult result;
    result.S = observed;
    const bool upward = observed >= 0;
    for (std::size_t k = 0; k < byInversions.size(); ++k) {
        const std::uint64_t orderings = byInversions[k] * weight;
        result.count += orderings;
        if (IsHit(untied - 2 * static_cast<std::int64_t>(k), observed, upward)) result.hits += orderings;
    }
    result.P = Fraction(result.hits, result.count);
    return result;
}

// Orderings counted without visiting them: place the points of x's tied
// groups one group at a time, in increasing x. A group's contribution to S
// depends only on which y values it takes and which the earlier groups took,
// so the state is the set of y values placed so far, with the number of
// orderings reaching each partial score; a group of t points stands for t!
// orderings of itself. Exact integer counts, about 3^n steps.
constexpr int kMaxGroupCountPoints = 13;  // 2^13 states of up to 157 scores

KendallPermutationResult CountByGroups(std::span<const double> x, std::span<const double> y, std::int64_t observed,
                                       ProgressSink& progress) {
    const int n = static_cast<int>(x.size());
    std::vector<int> order(static_cast<std::size_t>(n));
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return x[a] < x[b]; });
    std::vector<int> groupSizes;
    for (int i = 0; i < n;) {
        int j = i;
        while (j < n && x[order[static_cast<std::size_t>(j)]] == x[order[static_cast<std::size_t>(i)]]) ++j;
        groupSizes.push_back(j - i);
        i = j;
    }
    // The y values below and above each one, as sets of points.
    std::vector<std::uint32_t> below(static_cast<std::size_t>(n), 0), above(static_cast<std::size_t>(n), 0);
    for (int v = 0; v < n; ++v)
        for (int u = 0; u < n; ++u) {
            if (y[u] < y[v]) below[static_cast<std::size_t>(v)] |= 1u << u;
            if (y[u] > y[v]) above[static_cast<std::size_t>(v)] |= 1u << u;
        }

    const int maxScore = n * (n - 1) / 2;
    const std::size_t width = static_cast<std::size_t>(2 * maxScore + 1);
    const std::uint32_t all = (1u << n) - 1;
    std::vector<std::uint64_t> counts((static_cast<std::size_t>(all) + 1) * width, 0), next(counts.size(), 0);
    std::vector<std::uint32_t> states{0}, nextStates;
    std::vector<char> reached(static_cast<std::size_t>(all) + 1, 0);
    counts[static_cast<std::size_t>(maxScore)] = 1;

    KendallPermutationResult result;
    result.S = observed;
    progress.StartProgress(kPermutationProgressCaption);
    int placed = 0;
    for (std::size_t g = 0; g < groupSizes.size(); ++g) {
        progress.SetProgress(static_cast<int>(100 * placed / n));
        if (progress.Cancelled()) {
            result.cancelled = true;
            progress.FinishProgress();
            result.P = -1.0;
            return result;
        }
        const int size = groupSizes[g];
        const std::uint64_t orderingsWithin = Factorial(size);
        // The scores the points placed so far can have: |S| <= placed·(placed − 1)/2.
        const std::size_t reach = static_cast<std::size_t>(placed * (placed - 1) / 2);
        const std::size_t lowest = static_cast<std::size_t>(maxScore) - reach;
        const std::size_t highest = static_cast<std::size_t>(maxScore) + reach;
        nextStates.clear();
        for (const std::uint32_t used : states) {
            const std::uint64_t* from = &counts[static_cast<std::size_t>(used) * width];
            const std::uint32_t free = all & ~used;
            // Every subset of the free points with `size` members.
            for (std::uint32_t group = free;; group = (group - 1) & free) {
                if (std::popcount(group) == size) {
                    int change = 0;
                    for (std::uint32_t rest = group; rest != 0; rest &= rest - 1) {
                        const auto v = static_cast<std::size_t>(std::countr_zero(rest));
                        change += std::popcount(used & below[v]) - std::popcount(used & above[v]);
                    }
                    const std::uint32_t target = used | group;
                    if (!reached[target]) {
                        reached[target] = 1;
                        nextStates.push_back(target);
                    }
                    std::uint64_t* to = &next[static_cast<std::size_t>(target) * width];
                    for (std::size_t k = lowest; k <= highest; ++k)
                        if (from[k] != 0)
                            to[static_cast<std::size_t>(static_cast<long>(k) + change)] += from[k] * orderingsWithin;
                }
                if (group == 0) break;
            }
        }
        for (const std::uint32_t used : states) std::fill_n(&counts[static_cast<std::size_t>(used) * width], width, 0);
        counts.swap(next);
        states.swap(nextStates);
        for (const std::uint32_t target : states) reached[target] = 0;
        placed += size;
    }
    const bool upward = observed >= 0;
    const std::uint64_t* final = &counts[static_cast<std::size_t>(all) * width];
    for (int score = -maxScore; score <= maxScore; ++score) {
        const std::uint64_t count = final[static_cast<std::size_t>(score + maxScore)];
        result.count += count;
        if (IsHit(score, observed, upward)) result.hits += count;
    }
    progress.FinishProgress();
    result.P = Fraction(result.hits, result.count);
    return result;
}

}  // namespace

KendallPermutationResult KendallPermutationP(std::span<const double> x, std::span<const double> y,
                                             ProgressSink& progress) {
    CheckArguments(x, y);
    const std::int64_t observed = KendallScoreFast(x, y);
    const bool xTied = HasTies(x);
    const bool yTied = HasTies(y);
    if (!xTied) return CountByInversions(y, observed);
    if (!yTied) return CountByInversions(x, observed);
    // Ties in both: counted group by group without visiting the orderings.
    // The test is offered below 12 points, well inside the counter's reach.
    if (static_cast<int>(x.size()) > kMaxGroupCountPoints)
        throw std::invalid_argument("KendallPermutationP: ties in both variables and more than 13 points");
    return CountByGroups(x, y, observed, progress);
}

}  // namespace kurvex
