// The exact Kendall P with ties in both variables, counted group by group,
// against the literal enumeration at the sizes where that is still quick.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "core/common/ProgressSink.h"
#include "core/tools/KendallPermutation.h"

namespace kurvex {
namespace {

std::vector<double> Drawn(std::mt19937& rng, int n, int distinct) {
    std::uniform_int_distribution<int> pick(1, distinct);
    std::vector<double> values(static_cast<std::size_t>(n));
    for (double& v : values) v = pick(rng);
    return values;
}

void ExpectSameCounts(const std::vector<double>& x, const std::vector<double>& y) {
    SilentProgressSink progress;
    const KendallPermutationResult reference = KendallPermutationPByEnumeration(x, y, progress);
    const KendallPermutationResult counted = KendallPermutationP(x, y, progress);
    EXPECT_EQ(counted.S, reference.S);
    EXPECT_EQ(counted.hits, reference.hits);
    EXPECT_EQ(counted.count, reference.count);
    EXPECT_EQ(counted.P, reference.P);
}

TEST(KendallGroupCount, EqualsTheEnumerationWithTiesInBoth) {
    std::mt19937 rng(4711);
    for (int n : {8, 9}) {
        for (int distinct : {2, 4, n - 2}) {
            ExpectSameCounts(Drawn(rng, n, distinct), Drawn(rng, n, distinct));
        }
    }
    // One tied pair each, negative S (counted downward), and one variable
    // with a single value except for one point.
    ExpectSameCounts({1, 2, 3, 4, 5, 6, 7, 8, 9, 9}, {9, 8, 7, 6, 5, 4, 3, 2, 1, 1});
    ExpectSameCounts({1, 1, 1, 1, 1, 1, 1, 1, 2}, {3, 1, 4, 1, 5, 9, 2, 6, 5});
}

TEST(KendallGroupCount, ElevenPointsWithTiesAreCountedAtOnce) {
    SilentProgressSink progress;
    const std::vector<double> x{1, 2, 3, 4, 5, 5, 7, 8, 9, 10, 11};
    const std::vector<double> y{3, 1, 4, 1, 5, 9, 2, 6, 10, 8, 7};
    const KendallPermutationResult r = KendallPermutationP(x, y, progress);
    EXPECT_EQ(r.count, 39916800u);  // 11!
    EXPECT_EQ(r.S, 27);
    // The orderings at least as extreme, as the enumeration counts them.
    EXPECT_EQ(r.hits, 780820u);
    EXPECT_EQ(progress.Caption(), "ただ今、並べ替え検定の実行中．．．．");
}

}  // namespace
}  // namespace kurvex
