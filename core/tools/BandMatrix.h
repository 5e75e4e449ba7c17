#pragma once
// Symmetric band matrices in lower band storage and the two routines the
// Bayesian spline needs on them: a root-free Cholesky solve and the log
// determinant. Memory and time grow linearly with the order.
#include <cstddef>
#include <optional>
#include <span>
#include <vector>

namespace kurvex {

// Row i holds the diagonal element and the `halfBandwidth` elements to its left.
class SymmetricBandMatrix {
public:
    SymmetricBandMatrix(int order, int halfBandwidth);

    int Order() const { return order_; }
    int HalfBandwidth() const { return halfBandwidth_; }

    // Element (i, j) with 0 <= i - j <= halfBandwidth (0-based).
    double& At(int i, int j) { return values_[Index(i, j)]; }
    double At(int i, int j) const { return values_[Index(i, j)]; }
    // Element (i, j) of the full symmetric matrix; 0 outside the band.
    double Full(int i, int j) const;

private:
    std::size_t Index(int i, int j) const {
        return static_cast<std::size_t>(i) * static_cast<std::size_t>(halfBandwidth_ + 1) +
               static_cast<std::size_t>(halfBandwidth_ - (i - j));
    }

    int order_;
    int halfBandwidth_;
    std::vector<double> values_;
};

enum class BandSolveStatus { Solved, FirstPivotTooSmall, LaterPivotTooSmall };

inline constexpr double kDefaultPivotTolerance = 1e-14;

// LDLᵀ without pivoting, then forward substitution, division by the pivots and
// back substitution; `rhs` is replaced by the solution and `matrix` by its
// factors. A negative tolerance means kDefaultPivotTolerance. The first pivot
// must exceed the tolerance in magnitude, every later one reach it.
// Shows no message.
BandSolveStatus FactorAndSolveBand(SymmetricBandMatrix& matrix, std::span<double> rhs, double tolerance);

// The message a refused solve shows: "対角要素が許容値より小さくなりました。"
// or "計算エラー"; empty for Solved.
const char* BandSolveMessage(BandSolveStatus status);

// FactorAndSolveBand that shows the error box of a refused solve; true when solved.
bool BandSolveLDL(SymmetricBandMatrix& matrix, std::span<double> rhs, double tolerance);

// ln det by Gaussian elimination without pivoting inside the band. Empty when a
// pivot is not positive (the logarithm does not exist). The matrix is unchanged.
std::optional<long double> BandLogDet(const SymmetricBandMatrix& matrix);

}  // namespace kurvex
