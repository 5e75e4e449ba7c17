#include "core/regression/LeastSquares.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "core/common/MessageSink.h"
#include "core/regression/FloatingPoint.h"

namespace kurvex {
namespace {

const char* const kNearZeroJacobian = "ヤコビアンが0に近くなりました。";

// A row-major M × P problem with the copies the solver overwrites.
struct Problem {
    int rows;
    int columns;
    std::vector<double> a;
    std::vector<double> b;

    double At(int k, int c) const { return a[static_cast<std::size_t>(k * columns + c)]; }
};

// Solves the normal equations AᵀA·x = Aᵀb of a 3-column problem by Cramer's
// rule in long double: an oracle independent of the orthogonalisation.
std::vector<long double> NormalEquationsSolution(const Problem& p) {
    long double g[3][3] = {};
    long double h[3] = {};
    for (int k = 0; k < p.rows; ++k)
        for (int i = 0; i < 3; ++i) {
            h[i] += static_cast<long double>(p.At(k, i)) * p.b[k];
            for (int j = 0; j < 3; ++j) g[i][j] += static_cast<long double>(p.At(k, i)) * p.At(k, j);
        }
    auto det = [](long double m[3][3]) {
        return m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) - m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
               m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
    };
    const long double d = det(g);
    std::vector<long double> x(3);
    for (int c = 0; c < 3; ++c) {
        long double m[3][3];
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j) m[i][j] = j == c ? h[i] : g[i][j];
        x[c] = det(m) / d;
    }
    return x;
}

// Quadratic in t with scattered measurements: columns 1, t, t².
Problem QuadraticProblem() {
    Problem p{12, 3, {}, {}};
    for (int k = 0; k < p.rows; ++k) {
        const double t = 0.5 * k - 1.3;
        p.a.insert(p.a.end(), {1.0, t, t * t});
        p.b.push_back(2.0 - 0.7 * t + 0.25 * t * t + 0.1 * std::sin(3.0 * k));
    }
    return p;
}

TEST(LeastSquares, FullRankSolutionMatchesNormalEquationsAndLeavesResidual) {
    Problem p = QuadraticProblem();
    const Problem original = p;
    const std::vector<long double> expected = NormalEquationsSolution(p);
    RecordingMessageSink sink;
    ScopedMessageSink guard(sink);
    LeastSquaresWorkspace work(3);
    std::vector<double> x(3, 0.0);

    ASSERT_TRUE(SolveLeastSquares(p.rows, p.columns, p.a.data(), x.data(), p.b.data(), work));

    for (int c = 0; c < 3; ++c) EXPECT_NEAR(x[c], static_cast<double>(expected[c]), 1e-13) << "column " << c;
    // b now holds the residual b − A·x, which is orthogonal to every column.
    for (int k = 0; k < p.rows; ++k) {
        long double fitted = 0;
        for (int c = 0; c < 3; ++c) fitted += static_cast<long double>(original.At(k, c)) * x[c];
        EXPECT_NEAR(p.b[k], static_cast<double>(original.b[k] - fitted), 1e-13);
    }
    for (int c = 0; c < 3; ++c) {
        long double dot = 0;
        for (int k = 0; k < p.rows; ++k) dot += static_cast<long double>(original.At(k, c)) * p.b[k];
        EXPECT_NEAR(static_cast<double>(dot), 0.0, 1e-12);
    }
    // The pivot columns of A became orthonormal.
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            long double dot = 0;
            for (int k = 0; k < p.rows; ++k) dot += static_cast<long double>(p.At(k, i)) * p.At(k, j);
            EXPECT_NEAR(static_cast<double>(dot), i == j ? 1.0 : 0.0, 1e-14);
        }
    EXPECT_TRUE(sink.messages.empty());
}

TEST(LeastSquares, SingleColumnGivesProjectionCoefficient) {
    std::vector<double> a = {1.0, 2.0, -3.0, 0.5};
    std::vector<double> b = {2.0, 3.5, -6.5, 1.5};
    const double expected = (2.0 + 7.0 + 19.5 + 0.75) / (1.0 + 4.0 + 9.0 + 0.25);
    LeastSquaresWorkspace work;
    double x = 0;
    ASSERT_TRUE(SolveLeastSquares(4, 1, a.data(), &x, b.data(), work));
    EXPECT_NEAR(x, expected, 1e-15);
    EXPECT_EQ(work.Columns(), 1);  // sized on demand
}

TEST(LeastSquares, DependentColumnsAreDroppedWithZeroCoefficient) {
    RecordingMessageSink sink;
    ScopedMessageSink guard(sink);
    LeastSquaresWorkspace work(3);

    // Columns 0 and 1 identical: equal norms, so column 0 is taken first and
    // column 1 has nothing left; the fit is that of columns 0 and 2 alone.
    {
        Problem p{5, 3, {}, {}};
        for (int k = 0; k < 5; ++k) {
            p.a.insert(p.a.end(), {1.0 + k, 1.0 + k, (k % 2) * 1.0});
            p.b.push_back(3.0 * (1.0 + k) - 2.0 * (k % 2));
        }
        std::vector<double> x(3, 9.0);
        ASSERT_TRUE(SolveLeastSquares(5, 3, p.a.data(), x.data(), p.b.data(), work));
        EXPECT_NEAR(x[0], 3.0, 1e-14);
        EXPECT_EQ(x[1], 0.0);
        EXPECT_NEAR(x[2], -2.0, 1e-14);
        EXPECT_EQ(work.pivot[2], 1);
    }
    // A zero column among non-zero ones is never chosen.
    {
        Problem p{4, 3, {}, {}};
        for (int k = 0; k < 4; ++k) {
            p.a.insert(p.a.end(), {0.0, 1.0, static_cast<double>(k)});
            p.b.push_back(1.5 + 0.5 * k);
        }
        std::vector<double> x(3, 9.0);
        ASSERT_TRUE(SolveLeastSquares(4, 3, p.a.data(), x.data(), p.b.data(), work));
        EXPECT_EQ(x[0], 0.0);
        EXPECT_NEAR(x[1], 1.5, 1e-14);
        EXPECT_NEAR(x[2], 0.5, 1e-14);
    }
    EXPECT_TRUE(sink.messages.empty());
}

TEST(LeastSquares, ColumnsOfVeryDifferentScaleKeepFullRank) {
    // The rank test after the first step is relative to each column's own
    // norm, so a column 1e10 times smaller still counts.
    Problem p{6, 3, {}, {}};
    const double small = 1e-10;
    for (int k = 0; k < 6; ++k) {
        const double t = k - 2.5;
        p.a.insert(p.a.end(), {1.0, small * t, small * t * t});
        p.b.push_back(4.0 + 2.0 * t - 1.0 * t * t);  // coefficients 4, 2e10, -1e10
    }
    LeastSquaresWorkspace work(3);
    std::vector<double> x(3, 0.0);
    ASSERT_TRUE(SolveLeastSquares(6, 3, p.a.data(), x.data(), p.b.data(), work));
    EXPECT_NEAR(x[0], 4.0, 1e-12);
    EXPECT_NEAR(x[1] / 2e10, 1.0, 1e-13);
    EXPECT_NEAR(x[2] / -1e10, 1.0, 1e-13);
}

TEST(LeastSquares, NearZeroMatrixShowsMessageAndKeepsX) {
    RecordingMessageSink sink;
    ScopedMessageSink guard(sink);
    LeastSquaresWorkspace work(2);
    std::vector<double> x = {1.25, -7.0};

    std::vector<double> zero(8, 0.0);
    std::vector<double> b = {1.0, 2.0, 3.0, 4.0};
    EXPECT_TRUE(SolveLeastSquares(4, 2, zero.data(), x.data(), b.data(), work));
    EXPECT_EQ(x, (std::vector<double>{1.25, -7.0}));

    // Squared norms below 1e-50 count as zero too; 1e-24² = 1e-48 does not.
    std::vector<double> tiny = {1e-26, 0.0, 0.0, 2e-26, 0.0, 0.0, 1e-26, 0.0};
    EXPECT_TRUE(SolveLeastSquares(4, 2, tiny.data(), x.data(), b.data(), work));
    EXPECT_EQ(x, (std::vector<double>{1.25, -7.0}));

    std::vector<double> small = {1e-24, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0};
    std::vector<double> b2 = {3e-24, 1.0, 1.0, 1.0};
    EXPECT_TRUE(SolveLeastSquares(4, 2, small.data(), x.data(), b2.data(), work));
    EXPECT_NEAR(x[0], 3.0, 1e-12);
    EXPECT_EQ(x[1], 0.0);

    ASSERT_EQ(sink.messages.size(), 2u);
    for (const RecordedMessage& m : sink.messages) {
        EXPECT_EQ(m.text, kNearZeroJacobian);
        EXPECT_EQ(m.kind, MessageKind::Error);
        EXPECT_EQ(m.buttons, MessageButtons::Ok);
    }
}

TEST(LeastSquares, FloatingPointFaultsReturnFalseWithoutMessage) {
    RecordingMessageSink sink;
    ScopedMessageSink guard(sink);
    LeastSquaresWorkspace work(2);
    std::vector<double> x(2, 0.0);

    // A squared norm beyond the double range cannot be stored.
    std::vector<double> huge = {1e200, 1.0, 1e200, 2.0};
    std::vector<double> b = {1.0, 1.0};
    EXPECT_FALSE(SolveLeastSquares(2, 2, huge.data(), x.data(), b.data(), work));

    std::vector<double> withNan = {std::numeric_limits<double>::quiet_NaN(), 1.0, 1.0, 2.0};
    b = {1.0, 1.0};
    EXPECT_FALSE(SolveLeastSquares(2, 2, withNan.data(), x.data(), b.data(), work));

    std::vector<double> fine = {1.0, 0.0, 0.0, 1.0};
    b = {std::numeric_limits<double>::infinity(), 1.0};
    EXPECT_FALSE(SolveLeastSquares(2, 2, fine.data(), x.data(), b.data(), work));

    EXPECT_TRUE(sink.messages.empty());
}

TEST(LeastSquares, WorkspaceIsReusedAcrossSolvesAndResizedOnDemand) {
    LeastSquaresWorkspace work(3);
    const double* storage = work.r.data();
    for (int round = 0; round < 3; ++round) {
        Problem p = QuadraticProblem();
        const std::vector<long double> expected = NormalEquationsSolution(p);
        std::vector<double> x(3, 0.0);
        ASSERT_TRUE(SolveLeastSquares(p.rows, 3, p.a.data(), x.data(), p.b.data(), work));
        EXPECT_NEAR(x[1], static_cast<double>(expected[1]), 1e-13);
    }
    EXPECT_EQ(work.r.data(), storage);

    std::vector<double> a = {1.0, 1.0, 1.0, 2.0, 1.0, 3.0};
    std::vector<double> b = {1.0, 3.0, 5.0};
    std::vector<double> x(2, 0.0);
    ASSERT_TRUE(SolveLeastSquares(3, 2, a.data(), x.data(), b.data(), work));
    EXPECT_NEAR(x[0], -1.0, 1e-14);
    EXPECT_NEAR(x[1], 2.0, 1e-14);
    EXPECT_EQ(work.Columns(), 2);
}

// Multiplies the left half of the original by the right half of the result.
void ExpectInverse(const std::vector<double>& matrix, const std::vector<double>& g, int m, double tolerance) {
    for (int i = 0; i < m; ++i)
        for (int j = 0; j < m; ++j) {
            long double sum = 0;
            for (int k = 0; k < m; ++k) sum += static_cast<long double>(matrix[i * m + k]) * g[k * 2 * m + m + j];
            EXPECT_NEAR(static_cast<double>(sum), i == j ? 1.0 : 0.0, tolerance) << i << "," << j;
        }
}

std::vector<double> Augmented(const std::vector<double>& matrix, int m) {
    std::vector<double> g(static_cast<std::size_t>(2 * m * m), 7.0);  // right half must be reset
    for (int i = 0; i < m; ++i)
        for (int j = 0; j < m; ++j) g[i * 2 * m + j] = matrix[i * m + j];
    return g;
}

TEST(InvertGaussJordan, InvertsCrossProductMatrices) {
    const std::vector<double> spd = {4.0, 2.0, 0.6, 2.0, 5.0, 1.5, 0.6, 1.5, 3.0};
    std::vector<double> g = Augmented(spd, 3);
    InvertGaussJordan(g.data(), 3);
    ExpectInverse(spd, g, 3, 1e-15);

    std::vector<double> one = {0.0, 0.0};
    one[0] = 8.0;
    InvertGaussJordan(one.data(), 1);
    EXPECT_EQ(one[1], 0.125);

    // Badly scaled but regular: inverse (1/9)·[[1e-5, −1], [−1, 1e6]].
    const std::vector<double> scaled = {1e6, 1.0, 1.0, 1e-5};
    g = Augmented(scaled, 2);
    InvertGaussJordan(g.data(), 2);
    EXPECT_NEAR(g[2] / (1e-5 / 9), 1.0, 1e-12);
    EXPECT_NEAR(g[3] / (-1.0 / 9), 1.0, 1e-12);
    EXPECT_NEAR(g[7] / (1e6 / 9), 1.0, 1e-12);
}

TEST(InvertGaussJordan, ZeroPivotIsMendedByAddingALaterRow) {
    const std::vector<double> swapped = {0.0, 2.0, 0.0, 1.0, 1.0, 0.0, 0.0, 0.0, 3.0};
    std::vector<double> g = Augmented(swapped, 3);
    InvertGaussJordan(g.data(), 3);
    ExpectInverse(swapped, g, 3, 1e-15);
}

TEST(InvertGaussJordan, SingularMatrixRaisesFault) {
    const std::vector<double> singular = {1.0, 2.0, 2.0, 4.0};
    std::vector<double> g = Augmented(singular, 2);
    EXPECT_THROW(InvertGaussJordan(g.data(), 2), FloatingPointFault);

    std::vector<double> zero = {0.0, 0.0};
    EXPECT_THROW(InvertGaussJordan(zero.data(), 1), FloatingPointFault);
}

}  // namespace
}  // namespace kurvex
