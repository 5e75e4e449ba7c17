#include "core/regression/LeastSquares.h"

#include <cmath>
#include <new>
#include <stdexcept>
#include <utility>

#include "core/common/MessageSink.h"
#include "core/regression/FloatingPoint.h"

namespace kurvex {

namespace {

// Stores a long double into a double element; overflow on the way is a fault.
double StoreFinite(long double v) {
    const double stored = static_cast<double>(v);
    if (!std::isfinite(stored)) throw FloatingPointFault("floating-point overflow");
    return stored;
}

// Below this magnitude a Gauss–Jordan pivot is replaced by adding a later row.
constexpr long double kNearZeroPivot = 1e-38L;

}  // namespace

void LeastSquaresWorkspace::Resize(int columns) {
    if (columns < 0) throw std::invalid_argument("negative column count");
    const auto p = static_cast<std::size_t>(columns);
    columnNorms.assign(p, 0.0);
    r.assign(p * p, 0.0);
    pivot.assign(p, 0);
}

int DecomposeQR(int rows, int columns, double* a, LeastSquaresWorkspace& work) {
    const long double epsilonSquared = kRelativeRankTolerance * kRelativeRankTolerance;
    const std::size_t m = static_cast<std::size_t>(rows);
    const std::size_t p = static_cast<std::size_t>(columns);
    double* w = work.columnNorms.data();
    double* r = work.r.data();
    int* piv = work.pivot.data();
    auto element = [&](std::size_t k, int c) -> double& { return a[k * p + static_cast<std::size_t>(c)]; };

    for (std::size_t k = 0; k < p; ++k) piv[k] = static_cast<int>(k);

    for (std::size_t i = 0; i < p; ++i) {
        long double bestSquares = 0;
        long double bestFraction = 0;
        std::size_t chosen = i;
        int chosenColumn = -1;
        for (std::size_t j = i; j < p; ++j) {
            const int c = piv[j];
            long double s = 0;
            for (std::size_t k = 0; k < m; ++k) {
                const long double v = element(k, c);
                s += v * v;
            }
            Finite(s);
            if (i == 0) {
                w[j] = StoreFinite(s);
                if (s > bestSquares) {
                    bestSquares = s;
                    chosen = j;
                    chosenColumn = c;
                }
            } else {
                // Fraction of the column's starting squared norm still left
                // after removing the directions already taken.
                const long double fraction = w[j] != 0 ? s / w[j] : 0;
                if (fraction > bestFraction) {
                    bestFraction = fraction;
                    bestSquares = s;
                    chosen = j;
                    chosenColumn = c;
                }
            }
        }
        // The starting norm travels with its column.
        w[chosen] = w[i];
        w[i] = StoreFinite(i == 0 ? bestSquares : bestFraction);
        std::swap(piv[i], piv[chosen]);
        if (chosen != i) {
            for (std::size_t row = 0; row < i; ++row) std::swap(r[row * p + i], r[row * p + chosen]);
        }

        if ((i == 0 && bestSquares < kAbsoluteRankThreshold) || (i > 0 && bestFraction < epsilonSquared))
            return static_cast<int>(i);

        const long double d = std::sqrt(bestSquares);
        r[i * p + i] = StoreFinite(d);
        for (std::size_t k = 0; k < m; ++k)
            element(k, chosenColumn) = static_cast<double>(element(k, chosenColumn) / d);

        for (std::size_t j = i + 1; j < p; ++j) {
            const int c = piv[j];
            long double t = 0;
            for (std::size_t k = 0; k < m; ++k) t += static_cast<long double>(element(k, c)) * element(k, chosenColumn);
            r[i * p + j] = StoreFinite(t);
            for (std::size_t k = 0; k < m; ++k)
                element(k, c) = static_cast<double>(element(k, c) - t * element(k, chosenColumn));
        }
    }
    return columns;
}

void SolveQR(int rows, int columns, const double* a, int rank, double* x, double* b,
             const LeastSquaresWorkspace& work) {
    const std::size_t m = static_cast<std::size_t>(rows);
    const std::size_t p = static_cast<std::size_t>(columns);
    const std::size_t used = static_cast<std::size_t>(rank);
    const double* r = work.r.data();
    const int* piv = work.pivot.data();

    // Qᵀb by successive projection; b is left holding the residual.
    for (std::size_t i = 0; i < used; ++i) {
        const std::size_t c = static_cast<std::size_t>(piv[i]);
        long double t = 0;
        for (std::size_t k = 0; k < m; ++k) t += static_cast<long double>(a[k * p + c]) * b[k];
        x[c] = StoreFinite(t);
        for (std::size_t k = 0; k < m; ++k) b[k] = static_cast<double>(b[k] - t * a[k * p + c]);
    }

    // Back substitution over pivot positions.
    for (std::size_t i = used; i-- > 0;) {
        long double sum = x[piv[i]];
        for (std::size_t j = i + 1; j < used; ++j) sum -= static_cast<long double>(r[i * p + j]) * x[piv[j]];
        x[piv[i]] = StoreFinite(CheckedDivide(sum, r[i * p + i]));
    }

    for (std::size_t i = used; i < p; ++i) x[piv[i]] = 0;
}

bool SolveLeastSquares(int rows, int columns, double* a, double* x, double* b, LeastSquaresWorkspace& work) {
    if (rows < 0 || columns < 1) throw std::invalid_argument("least-squares problem without columns");
    int rank = 0;
    try {
        if (work.Columns() != columns) work.Resize(columns);
        rank = DecomposeQR(rows, columns, a, work);
        if (rank > 0) SolveQR(rows, columns, a, rank, x, b, work);
    } catch (const FloatingPointFault&) {
        return false;
    } catch (const std::bad_alloc&) {
        return false;
    }
    if (rank == 0) ShowError("ヤコビアンが0に近くなりました。");
    return true;
}

void InvertGaussJordan(double* g, int m) {
    if (m < 1) throw std::invalid_argument("empty matrix to invert");
    const std::size_t n = static_cast<std::size_t>(m);
    const std::size_t width = 2 * n;
    auto at = [&](std::size_t row, std::size_t col) -> double& { return g[row * width + col]; };

    for (std::size_t row = 0; row < n; ++row)
        for (std::size_t col = n; col < width; ++col) at(row, col) = (col - n == row) ? 1.0 : 0.0;

    if (n == 1) {
        at(0, 1) = StoreFinite(CheckedDivide(1.0L, at(0, 0)));
        return;
    }

    // Forward elimination without row exchanges.
    for (std::size_t k = 0; k + 1 < n; ++k) {
        long double c = at(k, k);
        if (std::fabs(c) < kNearZeroPivot) {
            for (std::size_t l = k + 1; l < n; ++l) {
                if (std::fabs(static_cast<long double>(at(l, k))) > kNearZeroPivot) {
                    for (std::size_t col = k; col < width; ++col)
                        at(k, col) = StoreFinite(static_cast<long double>(at(k, col)) + at(l, col));
                    c = at(k, k);
                    break;
                }
            }
        }
        for (std::size_t col = 0; col < width; ++col) at(k, col) = StoreFinite(CheckedDivide(at(k, col), c));
        for (std::size_t l = k + 1; l < n; ++l) {
            const long double factor = at(l, k);
            for (std::size_t col = 0; col < width; ++col) at(l, col) = StoreFinite(at(l, col) - factor * at(k, col));
        }
    }

    const std::size_t last = n - 1;
    const long double lastPivot = at(last, last);
    for (std::size_t col = last; col < width; ++col)
        at(last, col) = StoreFinite(CheckedDivide(at(last, col), lastPivot));

    // Back elimination above each pivot.
    for (std::size_t f = 1; f < n; ++f) {
        for (std::size_t l = 0; l < f; ++l) {
            const long double factor = at(l, f);
            for (std::size_t col = f; col < width; ++col) at(l, col) = StoreFinite(at(l, col) - factor * at(f, col));
        }
    }
}

}  // namespace kurvex
