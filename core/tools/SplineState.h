#pragma once
// What the spline window keeps between the computation of a curve and its
// drawing or saving: the output range and grid, the curve, and the fields of
// the method that made it.
#include <array>
#include <string>
#include <vector>

namespace kurvex {

// Items of RadioGroupMethod ("計算方法").
enum class SplineMethod { Bayesian = 0, Cubic = 1 };

struct SplineState {
    double RangeMin = 0;
    double RangeMax = 0;
    int OutputIntervals = 100;  // Np: the curve has Np + 1 points
    std::vector<double> CurveX;
    std::vector<double> CurveY;

    // Bayesian spline: knot spacing h, lowest and highest knot, coefficients 1..ND+6.
    double KnotStep = 0;
    double KnotOrigin = 0;
    double KnotUpper = 0;
    std::vector<double> SplineCoef;  // SplineCoef[j - 1] belongs to basis function j

    // Cubic spline: one row (c1, c2, c3) per interval between neighbouring points.
    std::vector<std::array<double, 3>> CubicCoef;

    // The result message of the last Bayesian spline (shown captioned "計算結果").
    std::string resultText;
};

inline constexpr const char* kSplineResultCaption = "計算結果";

}  // namespace kurvex
