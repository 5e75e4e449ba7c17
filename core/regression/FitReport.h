#pragma once
// The figures a full fit report adds to the result pages: standard errors,
// t and two-sided P values and the correlation matrix of the coefficients,
// the explained-variance R², information criteria and the reduced χ².
//
// They come from the numbers the confidence limits use: s² = SSR / (N − m)
// and the unscaled covariance (JᵀJ)⁻¹, for the linear models 0 and 1 that of
// their design matrix. Coefficients held fixed take no part: they get no
// figures, and the residual degrees of freedom are N − (free coefficients).
//
// Weights count as replicates, as everywhere else in the program (N = Σ w):
// a point of weight 2 counts as the same point twice. The log-likelihood is
// the Gaussian one of the weighted residuals, −N/2·(ln 2π + 1 − ln N + ln SSR),
// with m + 1 parameters (the coefficients and σ); unweighted it is the
// usual figure of a nonlinear least-squares fit.
#include <optional>
#include <span>
#include <vector>

#include "core/regression/FitState.h"

namespace kurvex {

// Which coefficients are held fixed; empty: none.
using FixedMask = std::vector<bool>;

struct TFitReport {
    int freeCount = 0;                                                 // coefficients estimated
    long double residualDf = 0;                                        // N − freeCount
    std::vector<bool> fixed;                                           // per coefficient: held fixed
    std::vector<std::optional<long double>> standardErrors;            // per coefficient; none when fixed
    std::vector<std::optional<long double>> tValues;                   // Cj / SEj
    std::vector<std::optional<long double>> pValues;                   // two-sided, Student t with N − m df
    std::vector<std::vector<std::optional<long double>>> correlation;  // m × m
    std::optional<long double> R2explained;                            // 1 − SSR / Syy
    std::optional<long double> R2adjusted;                             // 1 − (1 − R²)·(N − 1) / (N − m)
    std::optional<long double> logLikelihood;
    std::optional<long double> AIC;          // −2 logL + 2k, k = m + 1
    std::optional<long double> AICc;         // AIC + 2k(k + 1) / (N − k − 1)
    std::optional<long double> BIC;          // −2 logL + k ln N
    std::optional<long double> reducedChi2;  // SSR / (N − m)
};

bool IsFixed(const FixedMask& fixed, int j);
int FreeCount(const FixedMask& fixed, int m);
// `fixed`, or when it is empty the coefficients the fit's conditions held fixed.
const FixedMask& EffectiveMask(const TFitState& state, const FixedMask& fixed);

// (JᵀJ)⁻¹ over the free coefficients, in their order (row-major, free × free):
// for models 0 and 1 from the weighted design matrix, otherwise the inverse the
// Marquardt iteration used for its last shown limits. Empty when there is none
// (no fit, or a singular JᵀJ).
std::vector<long double> UnscaledCovariance(const TFitState& state, const FixedMask& fixed = {});

// The report of the fit in `state` (its coefficients, SSR and data set).
TFitReport ComputeFitReport(const TFitState& state, const FixedMask& fixed = {});
// The same with the unscaled covariance given (free × free).
TFitReport ComputeFitReport(const TFitState& state, std::span<const long double> unscaledCovariance,
                            const FixedMask& fixed = {});

// P(|T_ν| > |t|) for Student's t with real ν > 0, from the regularised
// incomplete beta function (accurate far into the tail).
long double StudentTwoSidedP(long double t, long double nu);

}  // namespace kurvex
