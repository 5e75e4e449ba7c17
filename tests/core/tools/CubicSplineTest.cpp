#include "core/tools/CubicSpline.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "core/common/MessageSink.h"
#include "core/tools/SplineMessages.h"
#include "tests/core/tools/DenseAlgebra.h"

using namespace kurvex;

namespace {

SplineState StateFor(double lo, double hi, std::vector<double> curveX) {
    SplineState state;
    state.RangeMin = lo;
    state.RangeMax = hi;
    state.CurveX = std::move(curveX);
    return state;
}

// Derivative at x[end] of the interpolating polynomial of the window, from
// its monomial coefficients (a dense Vandermonde solve).
long double WindowSlope(const std::vector<double>& x, const std::vector<double>& y, std::size_t first,
                        std::size_t count, std::size_t end) {
    kurvex::testing::DenseMatrix v = kurvex::testing::ZeroMatrix(count);
    std::vector<long double> rhs(count);
    for (std::size_t i = 0; i < count; ++i) {
        for (std::size_t p = 0; p < count; ++p) v[i][p] = std::pow(static_cast<long double>(x[first + i]), p);
        rhs[i] = y[first + i];
    }
    const std::vector<long double> c = kurvex::testing::DenseSolve(v, rhs);
    long double slope = 0;
    for (std::size_t p = 1; p < count; ++p) slope += p * c[p] * std::pow(static_cast<long double>(x[end]), p - 1);
    return slope;
}

// A clamped cubic spline in the first-derivative (Hermite) form: unknown
// slopes at the points, continuity of the second derivative inside.
struct HermiteSpline {
    std::vector<double> x, y;
    std::vector<long double> slope;

    HermiteSpline(std::vector<double> xs, std::vector<double> ys, long double first, long double last)
        : x(std::move(xs)), y(std::move(ys)) {
        const std::size_t n = x.size();
        kurvex::testing::DenseMatrix a = kurvex::testing::ZeroMatrix(n);
        std::vector<long double> rhs(n, 0);
        a[0][0] = 1;
        rhs[0] = first;
        a[n - 1][n - 1] = 1;
        rhs[n - 1] = last;
        for (std::size_t i = 1; i + 1 < n; ++i) {
            const long double h0 = x[i] - x[i - 1], h1 = x[i + 1] - x[i];
            a[i][i - 1] = 1 / h0;
            a[i][i] = 2 / h0 + 2 / h1;
            a[i][i + 1] = 1 / h1;
            rhs[i] = 3 * (y[i] - y[i - 1]) / (h0 * h0) + 3 * (y[i + 1] - y[i]) / (h1 * h1);
        }
        slope = kurvex::testing::DenseSolve(a, rhs);
    }

    long double operator()(double t) const {
        std::size_t i = 0;
        while (i + 2 < x.size() && t >= x[i + 1]) ++i;
        const long double h = x[i + 1] - x[i], s = (t - x[i]) / h;
        const long double h00 = 2 * s * s * s - 3 * s * s + 1, h10 = s * s * s - 2 * s * s + s;
        const long double h01 = -2 * s * s * s + 3 * s * s, h11 = s * s * s - s * s;
        return h00 * y[i] + h10 * h * slope[i] + h01 * y[i + 1] + h11 * h * slope[i + 1];
    }
};

}  // namespace

TEST(CubicSpline, HeapSortOrdersXAndCarriesY) {
    std::mt19937 rng(3);
    for (int n : {0, 1, 2, 7, 64, 257}) {
        std::vector<double> x(n), y(n);
        for (int i = 0; i < n; ++i) {
            x[i] = std::uniform_int_distribution<int>(-50, 50)(rng) * 0.5;
            y[i] = x[i] * 3 + 1;  // y follows its x
        }
        std::vector<double> expected = x;
        std::sort(expected.begin(), expected.end());
        HeapSortXY(x, y);
        EXPECT_EQ(x, expected);
        for (int i = 0; i < n; ++i) EXPECT_EQ(y[i], x[i] * 3 + 1);
    }
}

TEST(CubicSpline, TwoPointsGiveTheStraightLine) {
    SplineState state = StateFor(1, 3, {0, 1, 2, 3, 4});
    ASSERT_TRUE(CubicSpline(state, std::vector<double>{3, 1}, std::vector<double>{7, 3}));
    ASSERT_EQ(state.CubicCoef.size(), 1u);
    EXPECT_DOUBLE_EQ(state.CubicCoef[0][0], 2);
    EXPECT_EQ(state.CubicCoef[0][1], 0);
    EXPECT_EQ(state.CubicCoef[0][2], 0);
    EXPECT_EQ(state.CurveY, (std::vector<double>{1, 3, 5, 7, 9}));
}

TEST(CubicSpline, ReproducesPolynomialsOfItsEndWindows) {
    // Three points: the end windows hold the quadratic through them, which is
    // itself a clamped cubic spline; four or more points of a cubic likewise.
    auto quadratic = [](double t) { return 2 - t + 0.5 * t * t; };
    auto cubic = [](double t) { return 1 + t - 2 * t * t + 0.25 * t * t * t; };
    for (auto [count, f] : {std::pair<int, double (*)(double)>{3, quadratic}, {4, cubic}, {9, cubic}}) {
        std::vector<double> x, y;
        for (int i = 0; i < count; ++i) {
            x.push_back(i * i * 0.5 - 1);  // uneven spacing
            y.push_back(f(x.back()));
        }
        std::vector<std::array<double, 3>> coef;
        ASSERT_TRUE(CubicSplineSetup(x, y, coef));
        for (double t = x.front() - 2; t <= x.back() + 2; t += 0.173)
            EXPECT_NEAR(CubicSplineValue(x, y, coef, t), f(t), 1e-9 * (1 + std::fabs(f(t)))) << count << " " << t;
    }
}

TEST(CubicSpline, AgreesWithHermiteFormOnRandomData) {
    std::mt19937 rng(5);
    std::uniform_real_distribution<double> step(0.1, 2.0), value(-3, 3);
    for (int n : {2, 3, 4, 5, 12}) {
        std::vector<double> x{value(rng)}, y{value(rng)};
        for (int i = 1; i < n; ++i) {
            x.push_back(x.back() + step(rng));
            y.push_back(value(rng));
        }
        const std::size_t window = std::min(4, n);
        const HermiteSpline peer(x, y, WindowSlope(x, y, 0, window, 0),
                                 WindowSlope(x, y, x.size() - window, window, x.size() - 1));
        std::vector<std::array<double, 3>> coef;
        ASSERT_TRUE(CubicSplineSetup(x, y, coef));
        for (double t = x.front() - 1; t <= x.back() + 1; t += 0.05)
            EXPECT_NEAR(CubicSplineValue(x, y, coef, t), static_cast<double>(peer(t)), 1e-9) << n << " " << t;
    }
}

TEST(CubicSpline, KnotValuesAreExactAndEndsExtrapolate) {
    const std::vector<double> x{0.1, 0.7, 1.3, 2.9, 3.3}, y{0.3, -1.7, 2.1, 0.9, 4.4};
    std::vector<std::array<double, 3>> coef;
    ASSERT_TRUE(CubicSplineSetup(x, y, coef));
    for (std::size_t i = 0; i + 1 < x.size(); ++i) EXPECT_EQ(CubicSplineValue(x, y, coef, x[i]), y[i]);
    EXPECT_NEAR(CubicSplineValue(x, y, coef, x.back()), y.back(), 1e-12);

    auto piece = [&](std::size_t i, double t) {
        const double u = t - x[i];
        return ((coef[i][2] * u + coef[i][1]) * u + coef[i][0]) * u + y[i];
    };
    EXPECT_DOUBLE_EQ(CubicSplineValue(x, y, coef, -1.5), piece(0, -1.5));
    EXPECT_DOUBLE_EQ(CubicSplineValue(x, y, coef, 5.0), piece(3, 5.0));
    EXPECT_DOUBLE_EQ(CubicSplineValue(x, y, coef, 2.0), piece(2, 2.0));
}

TEST(CubicSpline, SelectsTheRangeFromUnsortedData) {
    const std::vector<double> x{5, -4, 2, 9, 0, 3, 12}, y{25, 16, 4, 81, 0, 9, 144};
    SplineState state = StateFor(0, 5, {0, 2.5, 5});
    ASSERT_TRUE(CubicSpline(state, x, y));
    EXPECT_EQ(state.CubicCoef.size(), 3u);  // points 0, 2, 3, 5
    EXPECT_EQ(state.CurveY[0], 0);
    EXPECT_NEAR(state.CurveY[1], 6.25, 1e-12);  // four points of x²: exact
    EXPECT_NEAR(state.CurveY[2], 25, 1e-12);
}

TEST(CubicSpline, RefusesEqualXAndTooFewPoints) {
    RecordingMessageSink sink;
    ScopedMessageSink guard(sink);
    SplineState state = StateFor(0, 10, {0, 5});
    EXPECT_FALSE(CubicSpline(state, std::vector<double>{4, 1, 7, 1}, std::vector<double>{2, 3, 4, 3}));
    EXPECT_FALSE(CubicSpline(state, std::vector<double>{4, 11}, std::vector<double>{2, 3}));
    EXPECT_FALSE(CubicSpline(state, std::vector<double>{}, std::vector<double>{}));
    EXPECT_EQ(sink.Texts(),
              (std::vector<std::string>{"ｘの値に同じデータが２つ以上あるため、この方法は適用できません。",
                                        kTooFewPointsForCubicMessage, kTooFewPointsForCubicMessage}));
    EXPECT_EQ(sink.messages[0].kind, MessageKind::Error);
    EXPECT_TRUE(state.CurveY.empty());
    EXPECT_TRUE(state.CubicCoef.empty());
}
