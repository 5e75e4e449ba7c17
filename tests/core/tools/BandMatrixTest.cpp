#include "core/tools/BandMatrix.h"

#include <gtest/gtest.h>

#include <random>

#include "core/common/MessageSink.h"
#include "tests/core/tools/DenseAlgebra.h"

using namespace kurvex;
using kurvex::testing::DenseMatrix;
using kurvex::testing::DenseSolve;

namespace {

// A random symmetric positive definite band matrix (diagonally dominant).
SymmetricBandMatrix RandomBand(int order, int halfBandwidth, std::mt19937& rng) {
    std::uniform_real_distribution<double> off(-1.0, 1.0);
    SymmetricBandMatrix m(order, halfBandwidth);
    for (int i = 0; i < order; ++i)
        for (int j = std::max(0, i - halfBandwidth); j < i; ++j) m.At(i, j) = off(rng);
    for (int i = 0; i < order; ++i) {
        double rowSum = 0;
        for (int j = 0; j < order; ++j)
            if (j != i) rowSum += std::fabs(m.Full(i, j));
        m.At(i, i) = rowSum + 0.5 + std::fabs(off(rng));
    }
    return m;
}

DenseMatrix ToDense(const SymmetricBandMatrix& m) {
    DenseMatrix d = kurvex::testing::ZeroMatrix(static_cast<std::size_t>(m.Order()));
    for (int i = 0; i < m.Order(); ++i)
        for (int j = 0; j < m.Order(); ++j) d[i][j] = m.Full(i, j);
    return d;
}

}  // namespace

TEST(BandMatrix, SolveAndLogDetAgreeWithDenseElimination) {
    std::mt19937 rng(7);
    for (int halfBandwidth : {1, 2, 3}) {
        for (int order : {1, 2, 5, 17}) {
            SymmetricBandMatrix m = RandomBand(order, halfBandwidth, rng);
            std::vector<double> b(static_cast<std::size_t>(order));
            for (double& v : b) v = std::uniform_real_distribution<double>(-5, 5)(rng);
            long double logDet = 0;
            const std::vector<long double> expected =
                DenseSolve(ToDense(m), std::vector<long double>(b.begin(), b.end()), &logDet);

            const std::optional<long double> bandLogDet = BandLogDet(m);
            ASSERT_TRUE(bandLogDet);
            EXPECT_NEAR(static_cast<double>(*bandLogDet), static_cast<double>(logDet), 1e-12);

            std::vector<double> x = b;
            ASSERT_EQ(FactorAndSolveBand(m, x, -1), BandSolveStatus::Solved);
            for (int i = 0; i < order; ++i) EXPECT_NEAR(x[i], static_cast<double>(expected[i]), 1e-12) << order;
        }
    }
}

TEST(BandMatrix, PivotChecksUseTheToleranceAndShowTheirMessages) {
    RecordingMessageSink sink;
    ScopedMessageSink guard(sink);

    // First pivot must exceed the tolerance: equal is refused.
    SymmetricBandMatrix first(2, 2);
    first.At(0, 0) = 1e-14;
    first.At(1, 1) = 1;
    std::vector<double> b{1, 1};
    EXPECT_FALSE(BandSolveLDL(first, b, -1));

    // A later pivot equal to the tolerance is accepted, one below it refused.
    SymmetricBandMatrix later(2, 1);
    later.At(0, 0) = 1;
    later.At(1, 0) = 1;
    later.At(1, 1) = 1 + 0.5;  // pivot 0.5
    b = {1, 1};
    EXPECT_TRUE(BandSolveLDL(later, b, 0.5));
    later.At(0, 0) = 1;
    later.At(1, 0) = 1;
    later.At(1, 1) = 1 + 0.25;
    b = {1, 1};
    EXPECT_FALSE(BandSolveLDL(later, b, 0.5));

    EXPECT_EQ(sink.Texts(), (std::vector<std::string>{"対角要素が許容値より小さくなりました。", "計算エラー"}));
    EXPECT_EQ(sink.messages[0].kind, MessageKind::Error);

    // An indefinite matrix has no real log determinant.
    SymmetricBandMatrix indefinite(2, 1);
    indefinite.At(0, 0) = 1;
    indefinite.At(1, 0) = 2;
    indefinite.At(1, 1) = 1;
    EXPECT_FALSE(BandLogDet(indefinite));
}
