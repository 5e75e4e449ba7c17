#include "core/tools/BandMatrix.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "core/common/MessageSink.h"

namespace kurvex {

SymmetricBandMatrix::SymmetricBandMatrix(int order, int halfBandwidth) : order_(order), halfBandwidth_(halfBandwidth) {
    if (order < 0 || halfBandwidth < 0) throw std::invalid_argument("band matrix: negative size");
    values_.assign(static_cast<std::size_t>(order) * static_cast<std::size_t>(halfBandwidth + 1), 0.0);
}

double SymmetricBandMatrix::Full(int i, int j) const {
    if (i < j) std::swap(i, j);
    if (i - j > halfBandwidth_) return 0.0;
    return At(i, j);
}

BandSolveStatus FactorAndSolveBand(SymmetricBandMatrix& a, std::span<double> rhs, double tolerance) {
    const int m = a.Order();
    const int b = a.HalfBandwidth();
    if (static_cast<int>(rhs.size()) != m) throw std::invalid_argument("band solve: right-hand side size");
    if (tolerance < 0) tolerance = kDefaultPivotTolerance;
    std::vector<long double> reciprocalPivot(static_cast<std::size_t>(m));

    // Row i of L is stored over row i of the band, its pivot on the diagonal.
    for (int i = 0; i < m; ++i) {
        const int first = std::max(0, i - b);
        for (int j = first; j < i; ++j) {
            long double sum = a.At(i, j);
            for (int k = std::max(first, j - b); k < j; ++k)
                sum -= static_cast<long double>(a.At(i, k)) * a.At(k, k) * a.At(j, k);
            a.At(i, j) = static_cast<double>(sum * reciprocalPivot[static_cast<std::size_t>(j)]);
        }
        long double pivot = a.At(i, i);
        for (int k = first; k < i; ++k) pivot -= static_cast<long double>(a.At(i, k)) * a.At(i, k) * a.At(k, k);
        const long double magnitude = std::fabs(pivot);
        if (i == 0 ? !(magnitude > tolerance) : !(magnitude >= tolerance))
            return i == 0 ? BandSolveStatus::FirstPivotTooSmall : BandSolveStatus::LaterPivotTooSmall;
        a.At(i, i) = static_cast<double>(pivot);
        reciprocalPivot[static_cast<std::size_t>(i)] = 1.0L / pivot;
    }
    for (int i = 0; i < m; ++i) {
        long double sum = rhs[static_cast<std::size_t>(i)];
        for (int k = std::max(0, i - b); k < i; ++k)
            sum -= static_cast<long double>(a.At(i, k)) * rhs[static_cast<std::size_t>(k)];
        rhs[static_cast<std::size_t>(i)] = static_cast<double>(sum);
    }
    for (int i = 0; i < m; ++i)
        rhs[static_cast<std::size_t>(i)] =
            static_cast<double>(rhs[static_cast<std::size_t>(i)] * reciprocalPivot[static_cast<std::size_t>(i)]);
    for (int i = m - 1; i >= 0; --i) {
        long double sum = rhs[static_cast<std::size_t>(i)];
        for (int k = i + 1; k <= std::min(m - 1, i + b); ++k)
            sum -= static_cast<long double>(a.At(k, i)) * rhs[static_cast<std::size_t>(k)];
        rhs[static_cast<std::size_t>(i)] = static_cast<double>(sum);
    }
    return BandSolveStatus::Solved;
}

const char* BandSolveMessage(BandSolveStatus status) {
    switch (status) {
        case BandSolveStatus::Solved: return "";
        case BandSolveStatus::FirstPivotTooSmall: return "対角要素が許容値より小さくなりました。";
        case BandSolveStatus::LaterPivotTooSmall: return "計算エラー";
    }
    return "計算エラー";
}

bool BandSolveLDL(SymmetricBandMatrix& matrix, std::span<double> rhs, double tolerance) {
    const BandSolveStatus status = FactorAndSolveBand(matrix, rhs, tolerance);
    if (status == BandSolveStatus::Solved) return true;
    ShowError(BandSolveMessage(status));
    return false;
}

std::optional<long double> BandLogDet(const SymmetricBandMatrix& matrix) {
    const int m = matrix.Order();
    const int b = matrix.HalfBandwidth();
    const int width = 2 * b + 1;
    // Both triangles: work[i][b + (j - i)] = element (i, j) for |i - j| <= b.
    std::vector<long double> work(static_cast<std::size_t>(m) * static_cast<std::size_t>(width), 0.0L);
    auto cell = [&](int i, int j) -> long double& {
        return work[static_cast<std::size_t>(i) * static_cast<std::size_t>(width) +
                    static_cast<std::size_t>(b + j - i)];
    };
    for (int i = 0; i < m; ++i)
        for (int j = std::max(0, i - b); j <= std::min(m - 1, i + b); ++j) cell(i, j) = matrix.Full(i, j);

    long double logDet = 0;
    for (int k = 0; k < m; ++k) {
        const long double pivot = cell(k, k);
        if (!(pivot > 0) || !std::isfinite(pivot)) return std::nullopt;
        logDet += std::log(pivot);
        for (int i = k + 1; i <= std::min(m - 1, k + b); ++i) {
            const long double factor = cell(i, k) / pivot;
            for (int j = k + 1; j <= std::min(m - 1, k + b); ++j) cell(i, j) -= factor * cell(k, j);
        }
    }
    return logDet;
}

}  // namespace kurvex
