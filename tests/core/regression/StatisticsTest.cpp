#include "core/regression/Statistics.h"

#include <gtest/gtest.h>

#include <limits>

#include <boost/math/distributions/fisher_f.hpp>
#include <boost/math/distributions/students_t.hpp>
#include <cmath>
#include <string>
#include <vector>

#include "core/common/MessageSink.h"
#include "core/common/NumberFormat.h"
#include "core/regression/Fitting.h"
#include "tests/core/regression/FitTestSupport.h"

namespace kurvex {
namespace {

using test::MakeData;

// Sets the SSR from the residuals of c, then shows the statistics of c.
void ShowFor(TFitState& state, const std::vector<double>& c) {
    state.results.coefficients = c;
    ModelEvaluator model(state.model);
    long double S = 0;
    for (std::int32_t i = 0; i < state.data.n; ++i) {
        const long double r = model.WeightedResidual(state.data, i, c);
        S += r * r;
    }
    state.results.SSR = S;
    ShowFitStatistics(state, c, model);
}

double Number(const std::string& text) {
    const auto value = ParseNumber(text);
    EXPECT_TRUE(value.has_value()) << "not a number: " << text;
    return value.value_or(std::nan(""));
}

TEST(FitStatistics, ExactFitShowsEverythingButFAndP) {
    RecordingMessageSink sink;
    ScopedMessageSink guard(sink);
    std::vector<double> x, y;
    for (int i = 1; i <= 10; ++i) {
        x.push_back(i);
        y.push_back(1 + 2 * i);
    }
    TFitState state = test::MakeState(MakeData(1, x, y), test::BuiltInModel(0), test::Conditions({1, 2}));
    ShowFor(state, {1, 2});
    EXPECT_EQ(state.fields.EdtSSQ, "0");
    EXPECT_EQ(state.fields.EdtSE, "0");
    EXPECT_EQ(state.fields.EditR2, "1");
    EXPECT_EQ(state.fields.EditR, "1");
    EXPECT_EQ(state.results.F, -1.0L);
    ASSERT_TRUE(ShowFTest(state));
    EXPECT_EQ(state.fields.EditDF, "1, 8");
    EXPECT_EQ(state.fields.EditFV, "不能");
    EXPECT_EQ(state.fields.EditSP, "不能");
    ASSERT_TRUE(LinearConfidenceLimits(state));
    EXPECT_EQ(state.fields.limits[0], "0");
    EXPECT_EQ(state.fields.limits[1], "0");
    EXPECT_TRUE(sink.messages.empty());
}

TEST(FitStatistics, OneCoefficientModelHasNoFTest) {
    RecordingMessageSink sink;
    ScopedMessageSink guard(sink);
    TFitState state = test::MakeState(MakeData(1, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, {3, 1, 4, 1, 5, 9, 2, 6, 5, 3}),
                                      test::GeneralModel("C0+0*X1", 1, 1), test::Conditions({3.9}));
    ShowFor(state, {3.9});
    EXPECT_EQ(state.results.F, -1.0L);
    EXPECT_EQ(state.fields.EditR2, "計算不能");  // constant fitted values have no correlation
    EXPECT_EQ(state.fields.EdtSE, FormatNumber(std::sqrt(static_cast<long double>(state.results.SSR) / 9), 7));
    ASSERT_TRUE(ShowFTest(state));
    EXPECT_EQ(state.fields.EditDF, "0, 9");
    EXPECT_EQ(state.fields.EditFV, "不能");
    EXPECT_EQ(state.fields.EditSP, "不能");
}

TEST(FitStatistics, WeightsCountInEveryDegreeOfFreedom) {
    RecordingMessageSink sink;
    ScopedMessageSink guard(sink);
    const std::vector<double> x = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    const std::vector<double> y = {2.9, 5.2, 6.8, 9.1, 11.2, 12.7, 15.3, 16.8, 19.1, 21.2};
    TFitState state = test::MakeState(MakeData(1, x, y, std::vector<double>(10, 2.0)), test::BuiltInModel(0),
                                      test::Conditions({1, 1}));
    SilentProgressSink progress;
    ASSERT_EQ(FitLinear(state, progress, {}), FitEnd::Converged);
    EXPECT_EQ(state.data.N, 20.0L);
    EXPECT_EQ(state.fields.EdtSE, FormatNumber(std::sqrt(state.results.SSR / 18), 7));
    ASSERT_TRUE(ShowFTest(state));
    EXPECT_EQ(state.fields.EditDF, "1, 18");
    // A straight line through these points explains almost all: P far below the critical level.
    EXPECT_EQ(state.fields.EditSP, "<< 0.0001");

    // Unweighted the same points give half the SSR and df2 = 8.
    TFitState unweighted = test::MakeState(MakeData(1, x, y), test::BuiltInModel(0), test::Conditions({1, 1}));
    ASSERT_EQ(FitLinear(unweighted, progress, {}), FitEnd::Converged);
    EXPECT_NEAR(static_cast<double>(unweighted.results.SSR * 2), static_cast<double>(state.results.SSR), 1e-12);
    EXPECT_EQ(unweighted.fields.coefficients, state.fields.coefficients);
}

TEST(FitStatistics, FProbabilityAgreesWithAnIndependentDistribution) {
    RecordingMessageSink sink;
    ScopedMessageSink guard(sink);
    // A weak trend in noise: F small enough for a probability.
    const std::vector<double> x = {1, 2, 3, 4, 5, 6, 7, 8};
    const std::vector<double> y = {5.1, 3.9, 6.2, 4.8, 5.9, 4.7, 6.4, 5.3};
    TFitState state = test::MakeState(MakeData(1, x, y), test::BuiltInModel(0), test::Conditions({1, 1}));
    SilentProgressSink progress;
    ASSERT_EQ(FitLinear(state, progress, {}), FitEnd::Converged);
    ASSERT_TRUE(ShowFTest(state));
    const long double F = state.results.F;
    ASSERT_GT(F, 0);
    EXPECT_EQ(state.fields.EditFV, FormatNumber(F, 5));
    const double oracle =
        boost::math::cdf(boost::math::complement(boost::math::fisher_f(1, 6), static_cast<double>(F)));
    EXPECT_NEAR(Number(state.fields.EditSP), oracle, 2e-4 * oracle);
    // R² equals the squared correlation of x and y for a straight line.
    double sx = 0, sy = 0, sxx = 0, syy = 0, sxy = 0;
    for (std::size_t i = 0; i < x.size(); ++i) {
        sx += x[i];
        sy += y[i];
        sxx += x[i] * x[i];
        syy += y[i] * y[i];
        sxy += x[i] * y[i];
    }
    const double n = 8, r = (n * sxy - sx * sy) / std::sqrt((n * sxx - sx * sx) * (n * syy - sy * sy));
    EXPECT_NEAR(Number(state.fields.EditR2), r * r, 1e-6);
    EXPECT_NEAR(Number(state.fields.EditR), std::fabs(r), 1e-6);
}

TEST(FitStatistics, RelativeErrorIsUnweightedAndRefusesTinyFittedValues) {
    RecordingMessageSink sink;
    ScopedMessageSink guard(sink);
    TFitState state = test::MakeState(MakeData(1, {1, 2, 3}, {2.0, 4.5, 5.0}, {9, 1, 4}), test::BuiltInModel(0),
                                      test::Conditions({0, 2}));
    ModelEvaluator model(state.model);
    // Fitted 2, 4, 6: (0/2 + 0.5/4 + 1/6) / 3.
    EXPECT_EQ(ComputeRelativeError(state, std::vector<double>{0, 2}, model), FormatNumber((0.125L + 1.0L / 6) / 3, 7));
    // A fitted value of 0.000009 at the first point.
    EXPECT_EQ(ComputeRelativeError(state, std::vector<double>{0.000009 - 2, 2}, model), "計算不能");
    EXPECT_EQ(ComputeRelativeError(state, std::vector<double>{-10, 2}, model), "計算不能");
}

// Inverse of a symmetric 3 × 3 matrix by cofactors.
std::array<std::array<double, 3>, 3> Inverse3(const std::array<std::array<double, 3>, 3>& a) {
    std::array<std::array<double, 3>, 3> inv{};
    const double det = a[0][0] * (a[1][1] * a[2][2] - a[1][2] * a[2][1]) -
                       a[0][1] * (a[1][0] * a[2][2] - a[1][2] * a[2][0]) +
                       a[0][2] * (a[1][0] * a[2][1] - a[1][1] * a[2][0]);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            const int r1 = (j + 1) % 3, r2 = (j + 2) % 3, c1 = (i + 1) % 3, c2 = (i + 2) % 3;
            inv[i][j] = (a[r1][c1] * a[r2][c2] - a[r1][c2] * a[r2][c1]) / det;
        }
    return inv;
}

TEST(LinearConfidenceLimits, QuadraticModelMatchesTheInverseOfTheWeightedDesign) {
    RecordingMessageSink sink;
    ScopedMessageSink guard(sink);
    const std::vector<double> x = {-3, -2, -1, 0, 1, 2, 3, 4};
    const std::vector<double> y = {10.2, 4.9, 2.1, 1.2, 2.8, 7.1, 11.8, 19.3};
    const std::vector<double> w = {1, 2, 1, 3, 1, 2, 1, 1};
    TFitState state = test::MakeState(MakeData(1, x, y, w), test::BuiltInModel(1), test::Conditions({1, 1, 1}));
    state.conditions.alpha = 0.10L;
    SilentProgressSink progress;
    ASSERT_EQ(FitLinear(state, progress, {}), FitEnd::Converged);
    ASSERT_TRUE(LinearConfidenceLimits(state));

    std::array<std::array<double, 3>, 3> xtwx{};
    double N = 0;
    for (std::size_t i = 0; i < x.size(); ++i) {
        const double z[3] = {1, x[i], x[i] * x[i]};
        N += w[i];
        for (int j = 0; j < 3; ++j)
            for (int k = 0; k < 3; ++k) xtwx[j][k] += w[i] * z[j] * z[k];
    }
    const auto inv = Inverse3(xtwx);
    const double s2 = static_cast<double>(state.results.SSR) / (N - 3);
    const double t = boost::math::quantile(boost::math::complement(boost::math::students_t(N - 3), 0.05));
    for (int j = 0; j < 3; ++j) {
        const double expected = t * std::sqrt(s2 * inv[j][j]);
        EXPECT_NEAR(Number(state.fields.limits[static_cast<std::size_t>(j)]), expected, 1e-4 * expected) << j;
    }
    EXPECT_TRUE(sink.messages.empty());
}

TEST(LinearConfidenceLimits, DependentVariablesReportACalculationError) {
    RecordingMessageSink sink;
    ScopedMessageSink guard(sink);
    // X2 = X1 exactly: the cross-product matrix cannot be inverted.
    TFitState state = test::MakeState(MakeData(2, {1, 1, 2, 2, 3, 3, 4, 4, 5, 5}, {1.1, 2.3, 2.9, 4.2, 5.1}),
                                      test::BuiltInModel(0, 2), test::Conditions({1, 1, 1}));
    SilentProgressSink progress;
    ASSERT_EQ(FitLinear(state, progress, {}), FitEnd::Converged);
    EXPECT_FALSE(LinearConfidenceLimits(state));
    EXPECT_EQ(sink.Texts(), std::vector<std::string>{"計算エラー！\n計算条件を変更して下さい。"});
    EXPECT_EQ(sink.messages[0].kind, MessageKind::Error);
}

TEST(FitStatistics, NoResidualDegreeOfFreedomLeavesNoInfinity) {
    RecordingMessageSink sink;
    ScopedMessageSink guard(sink);
    // Three points with weights 0.5: n > m but N = 1.5 < m = 2.
    TFitState state = test::MakeState(MakeData(1, {1, 2, 3}, {1, 3, 2}, {0.5, 0.5, 0.5}), test::BuiltInModel(0),
                                      test::Conditions({1, 1}));
    SilentProgressSink progress;
    ASSERT_EQ(FitLinear(state, progress, {}), FitEnd::Converged);
    EXPECT_EQ(state.fields.EdtSE, "計算不能");
    ASSERT_TRUE(LinearConfidenceLimits(state));
    ASSERT_TRUE(ShowFTest(state));
    EXPECT_EQ(state.fields.EditFV, "不能");
    EXPECT_EQ(state.fields.EditSP, "不能");
    EXPECT_EQ(state.fields.limits[0], "計算不能");
    EXPECT_TRUE(sink.messages.empty());
}

TEST(FitStatistics, RoundingOfDegreesOfFreedomIsHalfToEven) {
    EXPECT_EQ(RoundHalfEven(2.5L), 2);
    EXPECT_EQ(RoundHalfEven(3.5L), 4);
    EXPECT_EQ(RoundHalfEven(-0.5L), 0);
    EXPECT_EQ(RoundHalfEven(7.4999L), 7);
}

}  // namespace
}  // namespace kurvex

TEST(Statistics, DegreesOfFreedomSaturateForHugeWeightSums) {
    // A weight sum near 1e38 must not overflow the integer arithmetic of the F test and the limits.
    EXPECT_EQ(kurvex::RoundHalfEven(2.5L), 2);
    EXPECT_EQ(kurvex::RoundHalfEven(3.5L), 4);
    EXPECT_GT(kurvex::RoundHalfEven(1e38L) - 50, 0);
    EXPECT_LT(kurvex::RoundHalfEven(-1e38L) + 50, 0);
    EXPECT_EQ(kurvex::DegreesOfFreedomArgument(kurvex::RoundHalfEven(1e38L)), std::numeric_limits<int>::max());
    EXPECT_EQ(kurvex::DegreesOfFreedomArgument(10), 10);
}
