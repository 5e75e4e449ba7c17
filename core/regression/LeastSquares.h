#pragma once
// Linear least squares min |A·x − b| by modified Gram–Schmidt with column
// pivoting and a numerical rank decision, and the Gauss–Jordan inversion used
// for (JᵀJ)⁻¹ and the inverse cross-product matrix of the linear fits.
//
// Matrices are plain contiguous row-major arrays of double: element (row k,
// column c) of an M × P matrix is a[k * P + c]. Sums are formed in long double.
#include <vector>

namespace kurvex {

// Below this squared column norm every column counts as zero (rank 0).
inline constexpr long double kAbsoluteRankThreshold = 1e-50L;
// A column whose remaining squared norm is below kRelativeRankTolerance² of
// its starting squared norm is taken as dependent on the columns before it.
inline constexpr long double kRelativeRankTolerance = 1e-14L;

// Work arrays of one least-squares problem with P columns. Size it once per
// fit and pass it to every solve: the solver itself never allocates.
struct LeastSquaresWorkspace {
    LeastSquaresWorkspace() = default;
    explicit LeastSquaresWorkspace(int columns) { Resize(columns); }
    void Resize(int columns);
    int Columns() const { return static_cast<int>(pivot.size()); }

    std::vector<double> columnNorms;  // W: starting squared norms, by position
    std::vector<double> r;            // P × P upper triangle, by pivot position
    std::vector<int> pivot;           // pivot[i] = column of A at position i (0-based)
};

// Solves min |A·x − b| for A of `rows` × `columns`. A and b are overwritten
// (A's pivot columns become the orthonormal vectors, b the residual).
// Coefficients of columns beyond the numerical rank are set to 0. When every
// column is (nearly) zero, shows "ヤコビアンが0に近くなりました。" and leaves x as
// it was. Returns false only when a floating-point fault occurred inside (no
// message then); x may then be partly written.
// `work` is resized when its column count differs (the only allocation).
bool SolveLeastSquares(int rows, int columns, double* a, double* x, double* b, LeastSquaresWorkspace& work);

// The two steps of SolveLeastSquares. DecomposeQR returns the numerical rank
// and fills work.columnNorms, work.r and work.pivot; SolveQR needs rank ≥ 1.
// Both throw FloatingPointFault on a fault.
int DecomposeQR(int rows, int columns, double* a, LeastSquaresWorkspace& work);
void SolveQR(int rows, int columns, const double* a, int rank, double* x, double* b, const LeastSquaresWorkspace& work);

// G is m rows × 2m columns, row-major; its left half holds the matrix. On
// return the right half holds the inverse of the left half (no row
// exchanges; a near-zero pivot is mended by adding a later row). Throws
// FloatingPointFault when the matrix is singular enough to divide by zero
// or overflow.
void InvertGaussJordan(double* g, int m);

}  // namespace kurvex
