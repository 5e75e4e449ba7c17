#include "core/tools/BayesSpline.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "core/common/NumberFormat.h"
#include "core/tools/SplineMessages.h"
#include "tests/core/tools/CaptionRecordingSink.h"
#include "tests/core/tools/DenseAlgebra.h"

using namespace kurvex;
using kurvex::testing::CaptionRecordingSink;
using kurvex::testing::DenseMatrix;
using kurvex::testing::DenseSolve;
using kurvex::testing::ZeroMatrix;

namespace {

// The quadratic B-spline of unit spacing centred at 0.
long double CardinalQuadratic(long double s) {
    s = std::fabs(s);
    if (s < 0.5L) return 0.75L - s * s;
    if (s < 1.5L) return 0.5L * (1.5L - s) * (1.5L - s);
    return 0;
}

struct DenseFit {
    int exponent = 0;
    long double abic = 0;
    long double se = 0;
    std::vector<long double> coef;
};

// The whole weight search with full matrices: an explicit design matrix, the
// second-difference matrix D, dense solves and determinants.
DenseFit DenseBayesSpline(const std::vector<double>& xs, const std::vector<double>& ys, double lo, double hi, int nd) {
    const long double h = (static_cast<long double>(hi) - lo) / nd;
    const long double x0 = lo - 2 * h, xU = hi + 2 * h;
    const std::size_t a = static_cast<std::size_t>(nd) + 6;
    std::vector<std::vector<long double>> design;
    std::vector<long double> y;
    for (std::size_t k = 0; k < xs.size(); ++k) {
        if (xs[k] < x0 || xs[k] > xU) continue;
        std::vector<long double> row(a);
        for (std::size_t j = 1; j <= a; ++j) row[j - 1] = CardinalQuadratic((xs[k] - (x0 + (j - 0.5L) * h)) / h) / h;
        design.push_back(row);
        y.push_back(ys[k]);
    }
    const long double n = static_cast<long double>(y.size());
    DenseMatrix btb = ZeroMatrix(a);
    std::vector<long double> bty(a, 0);
    for (std::size_t k = 0; k < design.size(); ++k)
        for (std::size_t i = 0; i < a; ++i) {
            bty[i] += design[k][i] * y[k];
            for (std::size_t j = 0; j < a; ++j) btb[i][j] += design[k][i] * design[k][j];
        }
    DenseMatrix dtd = ZeroMatrix(a + 2);  // D: rows i = 1..a, u_{i−1} − 2u_i + u_{i+1}
    for (std::size_t i = 1; i <= a; ++i) {
        const long double row[3] = {1, -2, 1};
        for (int p = 0; p < 3; ++p)
            for (int q = 0; q < 3; ++q) dtd[i - 1 + p][i - 1 + q] += row[p] * row[q];
    }
    DenseFit best;
    bool have = false;
    for (int e = -1; e <= 5; ++e) {
        const long double w = std::ldexp(1.0L, e);
        DenseMatrix system = ZeroMatrix(a + 2);
        std::vector<long double> rhs(a + 2, 0);
        for (std::size_t i = 0; i < a + 2; ++i)
            for (std::size_t j = 0; j < a + 2; ++j) system[i][j] = w * dtd[i][j];
        for (std::size_t i = 0; i < a; ++i) {
            rhs[i + 2] = bty[i];
            for (std::size_t j = 0; j < a; ++j) system[i + 2][j + 2] += btb[i][j];
        }
        const std::vector<long double> u = DenseSolve(system, rhs);
        long double rss = 0, roughness = 0;
        for (std::size_t k = 0; k < design.size(); ++k) {
            long double f = 0;
            for (std::size_t j = 0; j < a; ++j) f += design[k][j] * u[j + 2];
            rss += (y[k] - f) * (y[k] - f);
        }
        for (std::size_t i = 1; i <= a; ++i) roughness += std::pow(u[i - 1] - 2 * u[i] + u[i + 1], 2);
        DenseMatrix prior = btb;
        for (std::size_t i = 0; i < a; ++i)
            for (std::size_t j = 0; j < a; ++j) {
                const std::size_t gap = i > j ? i - j : j - i;
                prior[i][j] += w * (gap == 0 ? 6 : gap == 1 ? -4 : gap == 2 ? 1 : 0);
            }
        long double logDet = 0;
        DenseSolve(prior, std::vector<long double>(a, 0), &logDet);
        const long double abic = n * (std::log(2 * 3.14159265358979323846L) + 1 + std::log((w * roughness + rss) / n)) +
                                 logDet - a * std::log(w);
        if (!have || abic < best.abic) {
            have = true;
            best.exponent = e;
            best.abic = abic;
            best.se = std::sqrt(rss / n);
            best.coef.assign(u.begin() + 2, u.end());
        }
    }
    return best;
}

}  // namespace

TEST(BayesSpline, KnotsAndBasisValues) {
    const SplineKnots knots = MakeSplineKnots(0, 10, 10);
    EXPECT_EQ(knots.basisCount, 16);
    const double h = knots.KnotStep;
    EXPECT_DOUBLE_EQ(h, 1);
    EXPECT_DOUBLE_EQ(knots.KnotOrigin, -2);
    EXPECT_DOUBLE_EQ(knots.KnotUpper, 12);

    // A non-unit spacing shows the division by h.
    const SplineKnots wide = MakeSplineKnots(-3, 5, 4);  // h = 2
    const double centre = wide.KnotOrigin + (6 - 0.5) * wide.KnotStep;
    EXPECT_DOUBLE_EQ(SplineBasis(wide, 5, centre), 0.125 / 2);
    EXPECT_DOUBLE_EQ(SplineBasis(wide, 6, centre), 0.75 / 2);
    EXPECT_DOUBLE_EQ(SplineBasis(wide, 7, centre), 0.125 / 2);
    EXPECT_EQ(SplineBasis(wide, 4, centre), 0);
    EXPECT_EQ(SplineBasis(wide, 8, centre), 0);
    EXPECT_EQ(SplineBasis(wide, 0, centre), 0);
    EXPECT_EQ(SplineBasis(wide, 11, centre), 0);
    for (double far : {-1e300, 1e300, double(NAN)})
        for (int j = 1; j <= wide.basisCount; ++j) EXPECT_EQ(SplineBasis(wide, j, far), 0);

    // Partition of 1/h from RangeMin − h up to the last knot; less in the lowest interval.
    for (double x = -3 - 2; x <= wide.KnotUpper; x += 0.0625) {
        double sum = 0;
        for (int j = 1; j <= wide.basisCount; ++j) sum += SplineBasis(wide, j, x);
        EXPECT_NEAR(sum, 0.5, 1e-15) << x;
    }
    for (double x = wide.KnotOrigin; x < wide.KnotOrigin + wide.KnotStep; x += 0.25) {
        double sum = 0;
        for (int j = 1; j <= wide.basisCount; ++j) sum += SplineBasis(wide, j, x);
        EXPECT_LT(sum, 0.5 - 1e-3) << x;
        EXPECT_GT(SplineBasis(wide, 1, x) + SplineBasis(wide, 2, x), 0) << x;
    }
    // Against the cardinal B-spline everywhere in the knot range.
    for (double x = wide.KnotOrigin; x <= wide.KnotUpper; x += 0.37)
        for (int j = 1; j <= wide.basisCount; ++j)
            EXPECT_NEAR(SplineBasis(wide, j, x),
                        static_cast<double>(CardinalQuadratic((x - (wide.KnotOrigin + (j - 0.5) * 2)) / 2) / 2), 1e-15);
}

TEST(BayesSpline, WeightSearchMatchesDenseComputation) {
    std::mt19937 rng(11);
    std::normal_distribution<double> noise(0, 0.2);
    std::uniform_real_distribution<double> where(-1, 11);
    for (int nd : {3, 10, 25}) {
        std::vector<double> x, y;
        for (int k = 0; k < 120; ++k) {
            x.push_back(where(rng));
            y.push_back(std::sin(x.back()) + 0.1 * x.back() + noise(rng));
        }
        const BayesSplineFit fit = FitBayesSpline(x, y, 0, 10, nd);
        ASSERT_TRUE(fit.ok) << fit.failure;
        const DenseFit dense = DenseBayesSpline(x, y, 0, 10, nd);
        EXPECT_EQ(fit.weightExponent, dense.exponent) << nd;
        EXPECT_NEAR(static_cast<double>(fit.abic), static_cast<double>(dense.abic),
                    1e-8 * std::fabs(static_cast<double>(dense.abic)));
        EXPECT_NEAR(static_cast<double>(fit.standardError), static_cast<double>(dense.se), 1e-10);
        ASSERT_EQ(fit.coef.size(), dense.coef.size());
        for (std::size_t j = 0; j < fit.coef.size(); ++j)
            EXPECT_NEAR(fit.coef[j], static_cast<double>(dense.coef[j]), 1e-8) << nd << " " << j;
    }
}

TEST(BayesSpline, PointSelectionIncludesBothKnotEnds) {
    const SplineKnots knots = MakeSplineKnots(0, 10, 10);
    std::vector<double> x{knots.KnotOrigin,
                          5,
                          knots.KnotUpper,
                          std::nextafter(knots.KnotUpper, 100),
                          std::nextafter(knots.KnotOrigin, -100),
                          3};
    std::vector<double> y{1, 2, 3, 4, 5, 6};
    const BayesSplineFit fit = FitBayesSpline(x, y, 0, 10, 10);
    ASSERT_TRUE(fit.ok);
    EXPECT_EQ(fit.keptPoints, 4);

    // The order of the data set does not matter.
    std::vector<double> rx(x.rbegin(), x.rend()), ry(y.rbegin(), y.rend());
    const BayesSplineFit reversed = FitBayesSpline(rx, ry, 0, 10, 10);
    EXPECT_EQ(reversed.weightExponent, fit.weightExponent);
    EXPECT_NEAR(static_cast<double>(reversed.abic), static_cast<double>(fit.abic), 1e-9);
}

TEST(BayesSpline, StraightLineIsReproduced) {
    std::vector<double> x, y;
    for (int k = 0; k <= 40; ++k) {
        x.push_back(1 + 0.2 * k);
        y.push_back(3 - 2 * x.back());
    }
    SplineState state;
    state.RangeMin = 1;
    state.RangeMax = 9;
    for (int i = 0; i <= 100; ++i) state.CurveX.push_back(1 + 0.08 * i);
    RecordingMessageSink sink;
    ScopedMessageSink guard(sink);
    ASSERT_TRUE(BayesSpline(state, 10, x, y));
    const BayesSplineFit fit = FitBayesSpline(x, y, 1, 9, 10);
    EXPECT_LT(fit.standardError, 1e-12);
    for (std::size_t j = 2; j + 1 < fit.coef.size(); ++j)
        EXPECT_NEAR(2 * fit.coef[j] - fit.coef[j - 1] - fit.coef[j + 1], 0, 1e-9) << j;
    ASSERT_EQ(state.CurveY.size(), 101u);
    for (std::size_t i = 0; i < state.CurveX.size(); ++i) EXPECT_NEAR(state.CurveY[i], 3 - 2 * state.CurveX[i], 1e-9);
    EXPECT_EQ(state.SplineCoef.size(), 16u);
    EXPECT_DOUBLE_EQ(state.KnotStep, 0.8);
}

TEST(BayesSpline, ResultTextHasOneLineFeedAndFiveDigits) {
    std::vector<double> x, y;
    for (int k = 0; k < 30; ++k) {
        x.push_back(k * 0.3);
        y.push_back(std::cos(k * 0.3) + (k % 3) * 0.05);
    }
    SplineState state;
    state.RangeMin = 0;
    state.RangeMax = 8.7;
    state.CurveX = {0, 4, 8.7};
    CaptionRecordingSink sink;
    ScopedMessageSink guard(sink);
    ASSERT_TRUE(BayesSpline(state, 10, x, y));
    const BayesSplineFit fit = FitBayesSpline(x, y, 0, 8.7, 10);
    ASSERT_EQ(sink.messages.size(), 1u);
    EXPECT_EQ(sink.messages[0].kind, MessageKind::Information);
    EXPECT_EQ(sink.captions[0], "計算結果");
    const std::string expected = "推定値の標準誤差：" + FormatNumber(fit.standardError, 5) + "\n" +
                                 "ベイズ型情報量規準：" + FormatNumber(fit.abic, 5);
    EXPECT_EQ(sink.messages[0].text, expected);
    EXPECT_EQ(state.resultText, expected);
    EXPECT_EQ(std::count(expected.begin(), expected.end(), '\n'), 1);
    EXPECT_EQ(CurrentMessageCaption(), "");
    EXPECT_EQ(BayesSplineResultText(0.0123456, -45.67891), "推定値の標準誤差：0.012346\nベイズ型情報量規準：-45.679");
}

TEST(BayesSpline, RefusesWhatItCannotCompute) {
    RecordingMessageSink sink;
    ScopedMessageSink guard(sink);
    const std::vector<double> x{1, 2, 3}, y{1, 4, 9};
    SplineState state;
    state.CurveX = {1, 2};
    state.RangeMin = 1;
    state.RangeMax = 3;
    EXPECT_FALSE(BayesSpline(state, 0, x, y));
    state.RangeMin = 3;
    EXPECT_FALSE(BayesSpline(state, 10, x, y));
    state.RangeMin = 100;
    state.RangeMax = 200;
    EXPECT_FALSE(BayesSpline(state, 10, x, y));
    EXPECT_EQ(sink.Texts(),
              (std::vector<std::string>{kIntervalCountMessage, kRangeOrderMessage, kNoPointsForBayesMessage}));
    EXPECT_TRUE(state.CurveY.empty());

    // A range so narrow that the normal equations overflow: every weight is
    // refused by the solver, whose message is shown once.
    sink.messages.clear();
    state.RangeMin = 0;
    state.RangeMax = 1e-300;
    const std::vector<double> tinyX{0, 5e-301, 1e-300}, tinyY{1, 2, 3};
    EXPECT_FALSE(BayesSpline(state, 1, tinyX, tinyY));
    EXPECT_EQ(sink.Texts(), (std::vector<std::string>{"計算エラー", kNoSmoothingWeightMessage}));
}

TEST(BayesSpline, DataMetExactlyHasNoCriterionButACurve) {
    const std::vector<double> x{0, 1, 2, 3, 4}, y{0, 0, 0, 0, 0};
    SplineState state;
    state.RangeMin = 0;
    state.RangeMax = 4;
    state.CurveX = {0, 2, 4};
    RecordingMessageSink sink;
    ScopedMessageSink guard(sink);
    ASSERT_TRUE(BayesSpline(state, 4, x, y));
    EXPECT_EQ(state.CurveY, (std::vector<double>{0, 0, 0}));
    EXPECT_EQ(sink.Texts(), (std::vector<std::string>{"推定値の標準誤差：0\nベイズ型情報量規準：計算不能"}));
    EXPECT_EQ(FitBayesSpline(x, y, 0, 4, 4).weightExponent, -1);
}
