#pragma once
// The catalogue of the nine built-in models and the evaluation of the model
// (built-in or general) for one data point.
#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "core/common/CacheLine.h"
#include "core/regression/FitState.h"
#include "core/regression/FloatingPoint.h"

namespace kurvex {

// How the calculate command fits a model.
enum class FitMethod { Linear, Marquardt, Allometric };

struct BuiltInModel {
    const char* formula;       // formula text with its trailing blanks
    const char* name;          // name text with its trailing blanks
    bool showsConditionPages;  // tabs "条件１" and "条件２" visible
    FitMethod method;
    std::int32_t m;                          // coefficients (model 0: nx + 1, given here for nx = 1)
    std::array<const char*, 3> derivatives;  // ∂f/∂C0..∂f/∂C2, nullptr where the model has none
};

inline constexpr int kBuiltInModelCount = 9;

const std::array<BuiltInModel, kBuiltInModelCount>& ModelCatalogue();

// "y = " + formula + "  (" + name + ")": an item of the model chooser.
std::string ModelListItem(int index);
// The formula of built-in model `index` up to its first blank.
std::string CatalogueFormula(int index);
FitMethod FitMethodOf(int modelIndex);

// Evaluates the model of a fit state for one point, reusing its buffers (and
// the prepared general formula), so that a fit allocates nothing per point.
// Every failure is an exception: EvaluationError from a general formula,
// FloatingPointFault from a built-in one.
class ModelEvaluator {
public:
    explicit ModelEvaluator(const TFitModel& model);
    ~ModelEvaluator();
    ModelEvaluator(const ModelEvaluator&) = delete;
    ModelEvaluator& operator=(const ModelEvaluator&) = delete;

    // f(X1..Xnx; C).
    long double Value(std::span<const double> x, std::span<const double> c);
    // Value of the j-th derivative formula of the model at (x, C).
    long double Derivative(int j, std::span<const double> x, std::span<const double> c);
    // (y_i − f(x_i; C))·√w_i.
    long double WeightedResidual(const TFitData& data, std::int32_t i, std::span<const double> c) {
        return WeightedResidualOf(data, i, Value(data.PointX(i), c));
    }
    // (y_i − f)·√w_i for a model value f of point i already at hand.
    static long double WeightedResidualOf(const TFitData& data, std::int32_t i, long double f) {
        return Finite((data.y[i] - f) * data.sqrtw[i]);
    }

    // Many evaluations at one point: SetPoint(x) once, then PointValue(c)
    // and PointDerivative(j, c) equal Value(x, c) and Derivative(j, x, c)
    // without taking x in again. A call of Value or Derivative in between
    // needs SetPoint again.
    void SetPoint(std::span<const double> x);
    long double PointValue(std::span<const double> c);
    long double PointDerivative(int j, std::span<const double> c);

    // Model and derivative-formula evaluations so far.
    std::uint64_t Evaluations() const { return evaluations_; }

private:
    std::span<const double> GeneralX(std::span<const double> x);

    const TFitModel& model_;
    CacheLineVector<double> xWithX0_;                 // X0 (unused by models), X1..Xnx; written per evaluation
    std::span<const double> pointX_, pointGeneralX_;  // of SetPoint: X1..Xnx, and with X0 in front
    std::uint64_t evaluations_ = 0;
    struct Prepared;
    std::unique_ptr<Prepared> prepared_;
};

// One evaluation outside a hot loop.
long double EvaluateModel(const TFitModel& model, std::span<const double> x, std::span<const double> c);
long double WeightedResidual(const TFitState& state, std::int32_t i, std::span<const double> c);

// The built-in formulas (model index 0..8); FloatingPointFault on a fault.
long double EvaluateBuiltInModel(int index, std::span<const double> x, std::span<const double> c);
// ∂f/∂Cj of built-in model `index`, the catalogue's derivative formula
// evaluated in a form that is defined wherever the model is (its limit at
// points such as x = 0 of the allometric model, where ln x is not).
long double EvaluateBuiltInDerivative(int index, int j, std::span<const double> x, std::span<const double> c);

}  // namespace kurvex
