#include "core/tools/KendallTest.h"

#include <gtest/gtest.h>

#include <boost/math/distributions/normal.hpp>
#include <cmath>
#include <map>
#include <numeric>
#include <random>
#include <set>

#include "core/tools/KendallPermutation.h"
#include "core/tools/KendallScore.h"
#include "tests/core/tools/CaptionRecordingSink.h"

using namespace kurvex;
using kurvex::testing::CaptionRecordingSink;

namespace {

std::vector<double> RandomValues(std::mt19937& rng, int n, int distinct) {
    std::uniform_int_distribution<int> pick(0, distinct - 1);
    std::vector<double> v(static_cast<std::size_t>(n));
    for (double& e : v) e = pick(rng) * 0.7 - 3;
    return v;
}

// Var of S straight from the run sizes of each variable.
long double DirectVariance(const std::vector<double>& x, const std::vector<double>& y) {
    const long double n = static_cast<long double>(x.size());
    auto runs = [](const std::vector<double>& v) {
        std::map<double, long double> count;
        for (double e : v) count[e] += 1;
        return count;
    };
    long double a3 = 0, b3 = 0, a2 = 0, b2 = 0, a1 = 0, b1 = 0;
    for (auto [value, t] : runs(x)) {
        a1 += t * (t - 1);
        a2 += t * (t - 1) * (t - 2);
        a3 += t * (t - 1) * (2 * t + 5);
    }
    for (auto [value, t] : runs(y)) {
        b1 += t * (t - 1);
        b2 += t * (t - 1) * (t - 2);
        b3 += t * (t - 1) * (2 * t + 5);
    }
    return (n * (n - 1) * (2 * n + 5) - a3 - b3) / 18 + a2 * b2 / (9 * n * (n - 1) * (n - 2)) +
           a1 * b1 / (2 * n * (n - 1));
}

TFitData DataSet(const std::vector<double>& y, const std::vector<std::vector<double>>& columns) {
    TFitData data;
    data.n = static_cast<std::int32_t>(y.size());
    data.nx = static_cast<std::int16_t>(columns.size());
    data.y = y;
    data.sqrtw.assign(y.size(), 1.0);
    for (std::size_t i = 0; i < y.size(); ++i)
        for (const auto& column : columns) data.x.push_back(column[i]);
    return data;
}

// Presses Cancel at the first progress update.
class CancellingProgress : public SilentProgressSink {
public:
    void SetProgress(int percent) override {
        SilentProgressSink::SetProgress(percent);
        ++updates;
        Cancel();
    }
    void FinishProgress() override { ++finished; }
    int updates = 0;
    int finished = 0;
};

}  // namespace

TEST(Kendall, TieSumsAndScores) {
    const TieSumsResult sums = TieSums(std::vector<double>{3, 1, 2, 3, 1, 3});
    EXPECT_EQ(sums.T1, 8);
    EXPECT_EQ(sums.T2, 6);
    EXPECT_EQ(sums.T3, 84);
    const TieSumsResult nearly = TieSums(std::vector<double>{1, std::nextafter(1.0, 2.0)});
    EXPECT_EQ(nearly.T1, 0);

    const std::vector<double> up{1, 2, 3, 4};
    EXPECT_EQ(KendallScore(up, up), 6);
    EXPECT_EQ(KendallScore(up, std::vector<double>{4, 3, 2, 1}), -6);
    EXPECT_EQ(KendallScore(up, std::vector<double>{1, 1, 2, 2}), 4);  // tied pairs count 0
    // Signs of the differences, not of their product, which could underflow or overflow.
    const std::vector<double> tiny{0, 1e-300, 2e-300}, huge{-1e308, 0, 1e308};
    EXPECT_EQ(KendallScore(tiny, tiny), 3);
    EXPECT_EQ(KendallScore(huge, huge), 3);
    EXPECT_EQ(KendallScoreFast(tiny, huge), 3);
}

TEST(Kendall, FastScoreEqualsPairwiseDefinition) {
    std::mt19937 rng(17);
    for (int n : {0, 1, 2, 3, 5, 16, 100, 1001}) {
        for (int distinct : {2, 5, 1000000}) {
            const std::vector<double> x = RandomValues(rng, n, distinct), y = RandomValues(rng, n, distinct);
            EXPECT_EQ(KendallScoreFast(x, y), KendallScore(x, y)) << n << " " << distinct;
            EXPECT_EQ(KendallScoreFast(x, x), KendallScore(x, x)) << n << " " << distinct;
            const KendallPairStatistics statistics = KendallStatistics(x, y);
            EXPECT_EQ(statistics.xTies.T3, TieSums(x).T3);
            EXPECT_EQ(statistics.yTies.T1, TieSums(y).T1);
            EXPECT_EQ(statistics.yTies.T2, TieSums(y).T2);
        }
    }
}

TEST(Kendall, NormalApproximationAgreesWithDirectFormula) {
    const std::vector<double> up{1, 2, 3, 4};
    const std::optional<KendallNormalResult> four = KendallNormalApproximation(up, up);
    ASSERT_TRUE(four);
    EXPECT_EQ(four->S, 6);
    EXPECT_NEAR(static_cast<double>(four->variance), 26.0 / 3, 1e-15);
    EXPECT_NEAR(static_cast<double>(four->z), 1.6984155512168937, 1e-12);
    EXPECT_NEAR(four->P, 0.04471467951449679, 1e-10);

    const boost::math::normal standard;
    std::mt19937 rng(23);
    for (int n : {3, 7, 40, 3000}) {
        for (int distinct : {3, 12, 1000000}) {
            const std::vector<double> x = RandomValues(rng, n, distinct), y = RandomValues(rng, n, distinct);
            const long double variance = DirectVariance(x, y);
            if (!(variance > 0)) continue;
            const std::optional<KendallNormalResult> r = KendallNormalApproximation(x, y);
            ASSERT_TRUE(r);
            const std::int64_t s = KendallScore(x, y);
            EXPECT_EQ(r->S, s);
            EXPECT_NEAR(static_cast<double>(r->variance / variance), 1.0, 1e-15);
            const double z = static_cast<double>((std::fabs(static_cast<long double>(s)) - 1) / std::sqrt(variance));
            EXPECT_NEAR(r->P, boost::math::cdf(boost::math::complement(standard, z)), 1e-12) << n;
        }
    }
    // Large tie counts do not overflow: one value repeated 3000 times.
    std::vector<double> x(6000), y(6000);
    for (int i = 0; i < 6000; ++i) {
        x[i] = i < 3000 ? 0 : i;
        y[i] = i % 7;
    }
    EXPECT_NEAR(static_cast<double>(KendallVariance(6000, TieSums(x), TieSums(y)) / DirectVariance(x, y)), 1.0, 1e-15);

    EXPECT_FALSE(KendallNormalApproximation(std::vector<double>{1, 2}, std::vector<double>{1, 2}));
    EXPECT_FALSE(KendallNormalApproximation(std::vector<double>{5, 5, 5}, std::vector<double>{1, 2, 3}));
}

TEST(KendallPermutation, EnumerationOrderAndCompleteness) {
    std::vector<std::string> visited;
    EnumeratePermutations(3, [&](std::span<const int> p) {
        visited.push_back(std::to_string(p[0]) + std::to_string(p[1]) + std::to_string(p[2]));
        return true;
    });
    EXPECT_EQ(visited, (std::vector<std::string>{"012", "021", "102", "120", "201", "210"}));

    std::uint64_t factorial = 1;
    for (int n = 2; n <= 7; ++n) {
        factorial *= static_cast<std::uint64_t>(n);
        std::set<std::vector<int>> distinct;
        const std::uint64_t count = EnumeratePermutations(n, [&](std::span<const int> p) {
            distinct.insert(std::vector<int>(p.begin(), p.end()));
            return true;
        });
        EXPECT_EQ(count, factorial);
        EXPECT_EQ(distinct.size(), factorial);
    }
    EXPECT_EQ(PermutationInversionCounts(4), (std::vector<std::uint64_t>{1, 3, 5, 6, 5, 3, 1}));
    EXPECT_EQ(MultisetInversionCounts(std::vector<int>{1, 1, 1, 1}), PermutationInversionCounts(4));
    EXPECT_EQ(MultisetInversionCounts(std::vector<int>{2, 1}), (std::vector<std::uint64_t>{1, 1, 1}));  // aab aba baa
    EXPECT_EQ(MultisetInversionCounts(std::vector<int>{2, 2}), (std::vector<std::uint64_t>{1, 1, 2, 1, 1}));
    const std::vector<std::uint64_t> big = MultisetInversionCounts(std::vector<int>{3, 2, 2});
    EXPECT_EQ(std::accumulate(big.begin(), big.end(), std::uint64_t{0}), 210u);  // 7!/(3!·2!·2!)
    EXPECT_EQ(big.size(), 3u * 2 + 3 * 2 + 2 * 2 + 1);
}

TEST(KendallPermutation, FastCountsEqualTheEnumeration) {
    SilentProgressSink progress;
    const std::vector<double> up{1, 2, 3, 4};
    for (const auto& r : {KendallPermutationPByEnumeration(up, up, progress), KendallPermutationP(up, up, progress)}) {
        EXPECT_EQ(r.S, 6);
        EXPECT_EQ(r.hits, 1u);
        EXPECT_EQ(r.count, 24u);
        EXPECT_DOUBLE_EQ(r.P, 1.0 / 24);
    }
    EXPECT_EQ(progress.Caption(), "ただ今、並べ替え検定の実行中．．．．");

    std::mt19937 rng(29);
    for (int n = 2; n <= 8; ++n) {
        for (int distinct : {2, 3, n, 1000000}) {
            for (int trial = 0; trial < 3; ++trial) {
                // Ties in both, in one of them (either side), or in none.
                const bool tiesInX = trial != 1, tiesInY = trial != 2;
                const std::vector<double> x = RandomValues(rng, n, tiesInX ? distinct : 1000000),
                                          y = RandomValues(rng, n, tiesInY ? distinct : 1000000);
                const KendallPermutationResult reference = KendallPermutationPByEnumeration(x, y, progress);
                const KendallPermutationResult fast = KendallPermutationP(x, y, progress);
                EXPECT_EQ(fast.S, reference.S);
                EXPECT_EQ(fast.hits, reference.hits) << n << " " << distinct;
                EXPECT_EQ(fast.count, reference.count);
                EXPECT_EQ(fast.P, reference.P);
                EXPECT_FALSE(fast.cancelled);
            }
        }
    }
    // One tied pair in each variable.
    for (int n = 3; n <= 8; ++n) {
        std::vector<double> x = RandomValues(rng, n, 1000000), y = RandomValues(rng, n, 1000000);
        x[0] = x[n - 1];
        y[1] = y[n / 2 + 1];
        const KendallPermutationResult reference = KendallPermutationPByEnumeration(x, y, progress);
        const KendallPermutationResult fast = KendallPermutationP(x, y, progress);
        EXPECT_EQ(fast.hits, reference.hits) << n;
        EXPECT_EQ(fast.count, reference.count) << n;
    }
    // S = 0 counts upward: the orderings with S >= 0, i.e. at most 3 inversions.
    const std::vector<double> flat{1, 2, 3, 4}, mixed{3, 1, 4, 2};
    const KendallPermutationResult balanced = KendallPermutationP(flat, mixed, progress);
    ASSERT_EQ(balanced.S, 0);
    EXPECT_EQ(balanced.hits, 1u + 3 + 5 + 6);
    EXPECT_EQ(KendallPermutationPByEnumeration(flat, mixed, progress).hits, balanced.hits);
}

TEST(KendallPermutation, CancelStopsWithMinusOne) {
    // The enumeration, and the group count with one tied pair each and with many ties.
    const std::vector<double> x{1, 2, 2, 4, 5, 6}, tied{1, 1, 2, 3, 5, 8};
    const std::vector<double> few{1, 1, 2, 2, 3, 3}, fewer{1, 1, 1, 2, 2, 2};
    for (int method : {0, 1, 2}) {
        CancellingProgress progress;
        const KendallPermutationResult r = method == 0   ? KendallPermutationPByEnumeration(x, tied, progress)
                                           : method == 1 ? KendallPermutationP(x, tied, progress)
                                                         : KendallPermutationP(few, fewer, progress);
        EXPECT_TRUE(r.cancelled);
        EXPECT_EQ(r.P, -1);
        EXPECT_EQ(progress.updates, 1);
        EXPECT_EQ(progress.finished, 1);
        EXPECT_LT(r.count, 720u);
    }
}

TEST(KendallTestCommand, TextsForBothMethods) {
    const std::vector<double> up{1, 2, 3, 4};
    const TFitData data = DataSet(up, {up});
    SilentProgressSink progress;
    {
        CaptionRecordingSink sink;
        ScopedMessageSink guard(sink);
        sink.answers = {MessageAnswer::No};
        const std::optional<std::string> text = KendallTest(data, "Y", {"X1"}, progress);
        ASSERT_TRUE(text);
        EXPECT_EQ(*text, "正規近似による確率計算\nn = 4\nY vs. X1\n  K = 6 (P = 0.044715)");
        ASSERT_EQ(sink.messages.size(), 2u);
        EXPECT_EQ(sink.messages[0].text, "データ数が少ないので、並べ替え理論を適用して確率を計算しますか。");
        EXPECT_EQ(sink.messages[0].kind, MessageKind::Confirmation);
        EXPECT_EQ(sink.messages[0].buttons, MessageButtons::YesNo);
        EXPECT_EQ(sink.messages[1].text, *text);
        EXPECT_EQ(sink.messages[1].kind, MessageKind::Information);
        EXPECT_EQ(sink.captions[1], "相関のKendallの検定");
    }
    {
        RecordingMessageSink sink;
        ScopedMessageSink guard(sink);
        sink.answers = {MessageAnswer::Yes};
        EXPECT_EQ(KendallTest(data, "Y", {"X1"}, progress),
                  "並べかえ理論による確率計算\nn = 4\nY vs. X1\n  K = 6 (P = 0.041667)");
    }
}

TEST(KendallTestCommand, QuestionOnlyBelowTwelvePointsAndOneBlockPerVariable) {
    std::vector<double> y, a, b;
    for (int i = 0; i < 12; ++i) {
        y.push_back(i);
        a.push_back(i % 4);
        b.push_back(-i);
    }
    SilentProgressSink progress;
    RecordingMessageSink sink;
    ScopedMessageSink guard(sink);
    const std::optional<std::string> text = KendallTest(DataSet(y, {a, b}), "収量", {"温度", "時間"}, progress);
    ASSERT_TRUE(text);
    EXPECT_EQ(sink.messages.size(), 1u);  // no question for n = 12
    const std::string expectedB = "\n収量 vs. 時間\n  K = -66 (P = ";
    EXPECT_EQ(text->rfind("正規近似による確率計算\nn = 12\n収量 vs. 温度\n  K = ", 0), 0u);
    EXPECT_NE(text->find(expectedB), std::string::npos);
    EXPECT_LT(text->find("温度"), text->find("時間"));
    EXPECT_EQ(std::count(text->begin(), text->end(), '\n'), 5);

    sink.messages.clear();
    y.pop_back();
    a.pop_back();
    b.pop_back();
    KendallTest(DataSet(y, {a, b}), "Y", {"A", "B"}, progress);
    EXPECT_EQ(sink.messages.front().kind, MessageKind::Confirmation);  // n = 11 asks

    // No data set yet: the method line and the n line only.
    sink.messages.clear();
    EXPECT_EQ(KendallTest(TFitData{}, "Y", {}, progress), "正規近似による確率計算\nn = 0");
}

TEST(KendallTestCommand, RefusalsAndCancel) {
    SilentProgressSink progress;
    RecordingMessageSink sink;
    ScopedMessageSink guard(sink);
    sink.answers = {MessageAnswer::Yes, MessageAnswer::No, MessageAnswer::No};
    EXPECT_FALSE(KendallTest(DataSet({1}, {{1}}), "Y", {"X1"}, progress));
    EXPECT_FALSE(KendallTest(DataSet({1, 2}, {{1, 2}}), "Y", {"X1"}, progress));
    EXPECT_FALSE(KendallTest(DataSet({1, 2, 3}, {{4, 4, 4}}), "Y", {"X1"}, progress));
    EXPECT_EQ(sink.Texts(), (std::vector<std::string>{kKendallPermutationQuestion, kKendallTooFewForPermutationMessage,
                                                      kKendallPermutationQuestion, kKendallTooFewForNormalMessage,
                                                      kKendallPermutationQuestion, kKendallNoVarianceMessage}));

    // Cancel during the second variable: nothing is shown, not even the first result.
    sink.messages.clear();
    sink.answers = {MessageAnswer::Yes};
    CancellingProgress cancelling;
    const std::vector<double> y{1, 1, 3, 4, 5}, untied{5, 3, 1, 2, 4}, tied{1, 1, 2, 2, 3};
    EXPECT_FALSE(KendallTest(DataSet(y, {untied, tied}), "Y", {"A", "B"}, cancelling));
    EXPECT_EQ(sink.Texts(), (std::vector<std::string>{kKendallPermutationQuestion}));
}
