#pragma once
// Cubic spline through the points inside the output range, clamped at both
// ends with slopes taken from the polynomial through the (up to) four end points.
#include <array>
#include <span>
#include <vector>

#include "core/tools/SplineState.h"

namespace kurvex {

// Heapsort (max-heap) of x ascending, y moved along. Not stable.
void HeapSortXY(std::span<double> x, std::span<double> y);

// Slope at x[end] of the polynomial interpolating the points x[first..last].
long double EndSlope(std::span<const double> x, std::span<const double> y, std::size_t first, std::size_t last,
                     std::size_t end);

// Fills coef with one row (c1, c2, c3) per interval of the sorted points;
// S(x) = y_i + c1·t + c2·t² + c3·t³, t = x − x_i. False without a message when
// two x are equal (or out of order) or there are fewer than two points.
bool CubicSplineCoefficients(std::span<const double> x, std::span<const double> y,
                             std::vector<std::array<double, 3>>& coef);

// CubicSplineCoefficients that shows "ｘの値に同じデータが２つ以上あるため、
// この方法は適用できません。" for equal x (or the too-few-points message).
bool CubicSplineSetup(std::span<const double> x, std::span<const double> y, std::vector<std::array<double, 3>>& coef);

// The spline at t: y_i exactly at a point x_i other than the last, the first
// cubic below x_1, the last cubic from the last point on.
double CubicSplineValue(std::span<const double> x, std::span<const double> y,
                        std::span<const std::array<double, 3>> coef, double t);

// Selects the points with RangeMin <= X <= RangeMax, sorts them, builds
// CubicCoef and fills CurveY at the state's CurveX. False (message shown) when
// the spline cannot be built.
bool CubicSpline(SplineState& state, std::span<const double> x, std::span<const double> y);

}  // namespace kurvex
