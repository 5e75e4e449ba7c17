#pragma once
// The one fit state of the main window: the data set, the chosen model, the
// conditions typed for the fit and the results of the last fit. Plain records
// so that every fitting routine, the GUI and the CLI share them.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/regression/ResultFields.h"

namespace kurvex {

// The data set built from the candidate rows of the data input window.
struct TFitData {
    std::int32_t n = 0;                   // number of points (shown in EdtNS)
    std::int16_t nx = 0;                  // explanatory variables per point
    std::vector<std::int32_t> sourceRow;  // table row each point came from
    std::vector<double> y;                // objective values
    std::vector<double> sqrtw;            // square roots of the weights
    std::vector<double> x;                // X1..Xnx of point 0, then of point 1, ...
    long double N = 0;                    // Σ w: the number of data in every degree of freedom
    long double yMean = 0;                // Σ w·y / N
    long double Syy = 0;                  // Σ w·y² − ȳ²·N
    long double sumWy = 0;                // running Σ w·y of AddPoint
    long double sumWy2 = 0;               // running Σ w·y² of AddPoint

    // X1..Xnx of point i.
    std::span<const double> PointX(std::int32_t i) const {
        return {x.data() + static_cast<std::size_t>(i) * static_cast<std::size_t>(nx), static_cast<std::size_t>(nx)};
    }
    double Weight(std::int32_t i) const { return sqrtw[i] * sqrtw[i]; }

    // Empties the set (no points, all sums 0); nx is kept.
    void Clear();
    // Appends a point (x holds its nx values) and adds w to N, w·y and w·y²
    // to the running sums: the data-set build's one way to add a point.
    void AddPoint(std::int32_t row, double yValue, double w, std::span<const double> xValues);
    // ȳ = Σ w·y / N and Syy = Σ w·y² − ȳ²·N from the running sums.
    void FinishSums();
};

inline constexpr std::int32_t kGeneralModelIndex = 9;

struct TFitModel {
    std::int32_t index = 0;  // 0..8 built-in, 9 the general model
    std::string formula;     // general: its formula; built-in: catalogue text up to its first blank
    std::int32_t m = 0;      // coefficients C0..C(m−1)
    std::int16_t nx = 1;     // explanatory variables the model uses
    std::vector<std::string> derivativeFormulas;  // ∂f/∂Cj, upper case
    bool numericDerivatives = true;               // finite differences instead of the formulas
};

// Items of RadioGroup1 ("微分係数の計算方法").
enum class DerivativeMethod { Numeric = 0, Formulas = 1 };

struct TFitConditions {
    long double lambdaUpperBound = 250;  // EdtAlammx
    std::int32_t maxIterations = 100;    // EdtItmax
    std::vector<double> h0;              // initial increments (EditdX for every coefficient)
    std::vector<double> initialValues;   // StringGridCoefInit column 1
    std::vector<double> tolerances;      // StringGridCoefInit column 2
    long double alpha = 0.05L;           // 1 − p/100, p from EditConfLimit
    DerivativeMethod derivativeMethod = DerivativeMethod::Numeric;
    std::vector<bool> fixed;  // Cj held at its initial value ("固定"); empty: none
};

// Cj is held at its initial value during the fit.
inline bool IsFixed(const TFitConditions& conditions, int j) {
    return static_cast<std::size_t>(j) < conditions.fixed.size() && conditions.fixed[static_cast<std::size_t>(j)];
}
// The coefficients the fit estimates: every degree of freedom counts these only.
int FreeCoefficientCount(const TFitModel& model, const TFitConditions& conditions);

// The figures of the result pages as numbers, from which their texts are
// formatted. Nothing where a page shows "計算不能" or "不能".
struct TFitStatistics {
    std::optional<long double> SE;                       // √(SSR / (N − m))
    std::optional<long double> R2;                       // squared correlation of y and f
    std::optional<long double> R;                        // √R²
    std::optional<long double> relativeError;            // (1/n) Σ |f − y| / f
    std::optional<long double> t;                        // Student t factor of the limits
    std::vector<std::optional<long double>> halfWidths;  // confidence half-width of each Cj
    bool testShown = false;                              // the F test has been computed
    std::int32_t df1 = 0;                                // m − 1
    long long df2 = 0;                                   // round(N − m)
    std::optional<long double> P;                        // P(F > F value), above the 0.0001 level
    bool pBelowLevel = false;                            // P below 0.0001 ("<< 0.0001")
};

struct TFitResults {
    std::vector<double>
        coefficients;  // the fit starts from the initial values copied here and leaves its coefficients here
    std::vector<double> residuals;  // weighted residuals at the current coefficients
    long double SSR = 0;            // Σ r_i²
    long double F = -1;             // analysis-of-variance F, −1 when m < 2
    bool valid = false;             // a complete set of results has been shown
    TFitStatistics statistics;      // the figures of the last shown results
    std::int32_t iterations = 0;    // trial steps solved by the last fit
    std::uint64_t evaluations = 0;  // model and derivative evaluations of the last fit
    std::vector<double>
        inverseJtJ;  // (JᵀJ)⁻¹ behind the shown limits of an iterative fit (m × m, row-major); empty when none
};

struct TFitState {
    TFitData data;
    TFitModel model;
    TFitConditions conditions;
    TFitResults results;
    TResultFields fields;  // the texts of the result pages, as last shown
};

}  // namespace kurvex
