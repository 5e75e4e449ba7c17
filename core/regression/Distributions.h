#pragma once
// Distribution functions of the fit statistics: Student's t, F, chi-square and
// the standard normal. Probabilities come from adaptive 9-point Gauss–Legendre
// integration of the densities; quantiles from closed-form approximations with
// a Newton correction, expansions in 1/ν, or a decimal search on the t
// distribution function. Arithmetic is long double; entry routines take and
// return double.
//
// Arguments outside the domain (p ≤ 0 or p ≥ 1 for a quantile, ν ≤ 0) and
// every division by zero, invalid operation or overflow inside throw
// FloatingPointFault (regression/FloatingPoint.h); no routine shows a message.
// All routines are re-entrant (no shared state).
#include <functional>

namespace kurvex {

// --- Entry routines ---------------------------------------------------------

// t with P(T_ν > t) = p. ν ≤ 30: decimal search to about 7 decimals (0 for
// p ≥ 0.5); ν > 30: fifth-order expansion in 1/ν.
double TUpperQuantile(int nu, double p);
// F with P(F(ν1,ν2) > F) ≈ p (closed forms and expansions; a few digits).
double FUpperQuantile(int nu1, int nu2, double p);
// P(F(ν1,ν2) > x); 1 for x ≤ 0.
double FUpperProb(int nu1, int nu2, double x);
// 1 − Φ(x).
double NormalUpperProb(double x);

// --- Building blocks (also used by the tests) ---------------------------------

using Integrand = std::function<long double(long double)>;

// 9-point Gauss–Legendre rule on [lo, hi].
long double GaussLegendre9(const Integrand& f, long double lo, long double hi);
// Bisection until both halves agree with their parent to 1e-15 relative (or
// the whole is below 1e-15) and no interval is longer than 1.
long double AdaptiveIntegral(const Integrand& f, long double lo, long double hi);
// exp(a·ln b), b > 0.
long double PowerOf(long double a, long double b);
// Γ(x) for x a positive multiple of 1/2.
long double GammaHalf(long double x);

long double NormalCDF(long double x);
long double TCDF(int nu, long double t);
long double ChiSquareCDF(int nu, long double x);
long double FCDF(int nu1, int nu2, long double x);

// z with 1 − Φ(z) = p.
double NormalUpperQuantile(double p);
// x with P(χ²_ν > x) = p.
long double ChiSquareUpperQuantile(int nu, long double p);
long double ChiSquareUpperProb(int nu, long double x);
// Cornish–Fisher expansion of the t quantile to 1/ν⁵.
long double TUpperQuantileLargeDf(int nu, long double p);
// F quantile from the chi-square quantile x, numerator df c, denominator df b,
// a = c − 2.
long double FQuantileExpansion(long double x, long double c, long double b, long double a);

}  // namespace kurvex
