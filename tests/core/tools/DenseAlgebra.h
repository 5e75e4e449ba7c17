#pragma once
// Plain dense Gaussian elimination with partial pivoting: the independent
// reference for the band routines and the spline systems.
#include <cmath>
#include <utility>
#include <vector>

namespace kurvex::testing {

using DenseMatrix = std::vector<std::vector<long double>>;

inline DenseMatrix ZeroMatrix(std::size_t n) { return DenseMatrix(n, std::vector<long double>(n, 0.0L)); }

// Solves a·x = b; returns x. Also yields ln|det a| through logAbsDet.
inline std::vector<long double> DenseSolve(DenseMatrix a, std::vector<long double> b,
                                           long double* logAbsDet = nullptr) {
    const std::size_t n = a.size();
    long double logDet = 0;
    for (std::size_t k = 0; k < n; ++k) {
        std::size_t pivot = k;
        for (std::size_t i = k + 1; i < n; ++i)
            if (std::fabs(a[i][k]) > std::fabs(a[pivot][k])) pivot = i;
        std::swap(a[k], a[pivot]);
        std::swap(b[k], b[pivot]);
        logDet += std::log(std::fabs(a[k][k]));
        for (std::size_t i = k + 1; i < n; ++i) {
            const long double f = a[i][k] / a[k][k];
            for (std::size_t j = k; j < n; ++j) a[i][j] -= f * a[k][j];
            b[i] -= f * b[k];
        }
    }
    std::vector<long double> x(n);
    for (std::size_t i = n; i-- > 0;) {
        long double s = b[i];
        for (std::size_t j = i + 1; j < n; ++j) s -= a[i][j] * x[j];
        x[i] = s / a[i][i];
    }
    if (logAbsDet) *logAbsDet = logDet;
    return x;
}

}  // namespace kurvex::testing
