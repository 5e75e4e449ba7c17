#include "core/regression/Models.h"

#include <cmath>
#include <limits>
#include <optional>

#include "core/expression/Arithmetic.h"
#include "core/expression/Evaluator.h"
#include "core/expression/PreparedFormula.h"

namespace kurvex {

namespace {

const std::array<BuiltInModel, kBuiltInModelCount> kCatalogue = {{
    {"C0+C1*x1+....+Cm*xm    ", "m変数一次式", false, FitMethod::Linear, 2, {nullptr, nullptr, nullptr}},
    {"C0+C1*x1+C2*x1^2       ", "二次式", false, FitMethod::Linear, 3, {nullptr, nullptr, nullptr}},
    {"C0/(1+exp(C1-C2*x1))   ",
     "Logistic model",
     true,
     FitMethod::Marquardt,
     3,
     {"1/(1+EXP(C1-C2*X1))", "-C0*EXP(C1-C2*X1)/(1+EXP(C1-C2*X1))^2", "C0*X1*EXP(C1-C2*X1)/(1+EXP(C1-C2*X1))^2"}},
    {"C0*x1/(C1+x1)          ",
     "Michaelis-Menten model",
     true,
     FitMethod::Marquardt,
     2,
     {"X1/(C1+X1)", "-C0*X1/(C1+X1)^2", nullptr}},
    {"C0*(1-exp(-C1*x1))     ",
     "Exponential rise model",
     true,
     FitMethod::Marquardt,
     2,
     {"1-EXP(-C1*X1)", "C0*X1*EXP(-C1*X1)", nullptr}},
    {"C0*x1^C1               ",
     "Allometoric model",
     false,
     FitMethod::Allometric,
     2,
     {"X1^C1", "C0*X1^C1*LN(X1)", nullptr}},
    {"C0+C1*exp(C2*x1)       ",
     "Asymptotic regression model",
     true,
     FitMethod::Marquardt,
     3,
     {"1", "EXP(C2*X1)", "C1*X1*EXP(C2*X1)"}},
    {"C0*exp(-exp(-C1*(x1-C2)))",
     "Gompertz growth model",
     true,
     FitMethod::Marquardt,
     3,
     {"EXP(-EXP(-C1*(X1-C2)))", "C0*EXP(-EXP(-C1*(X1-C2)))*EXP(-C1*(X1-C2))*(X1-C2)",
      "-C0*EXP(-EXP(-C1*(X1-C2)))*EXP(-C1*(X1-C2))*C1"}},
    {"C0/(1+exp(-(x1-C1)/C2))",
     "Sigmoid Curve",
     true,
     FitMethod::Marquardt,
     3,
     {"1/(1+EXP(-(X1-C1)/C2))", "-C0*EXP(-(X1-C1)/C2)/C2/(1+EXP(-(X1-C1)/C2))^2",
      "-C0*EXP(-(X1-C1)/C2)*(X1-C1)/((1+EXP(-(X1-C1)/C2))*C2)^2"}},
}};

// The power of the allometric model: 1 for a zero exponent, repeated
// multiplication for a whole one (the formula language's power, so negative x
// is allowed), otherwise exp(C1·ln x), which faults for x < 0.
long double AllometricPower(long double x, long double exponent) {
    if (exponent == 0) return 1;
    if (exponent == std::nearbyint(exponent) && std::fabs(exponent) <= 2147483647.0L)
        return arithmetic::PowerBySquaring(x, static_cast<std::int64_t>(exponent),
                                           [](long double v) { return Finite(v); });
    return CheckedExp(exponent * CheckedLn(x));
}

}  // namespace

const std::array<BuiltInModel, kBuiltInModelCount>& ModelCatalogue() { return kCatalogue; }

std::string ModelListItem(int index) {
    const BuiltInModel& model = kCatalogue.at(static_cast<std::size_t>(index));
    return std::string("y = ") + model.formula + "  (" + model.name + ")";
}

std::string CatalogueFormula(int index) {
    const std::string formula = kCatalogue.at(static_cast<std::size_t>(index)).formula;
    return formula.substr(0, formula.find(' '));
}

FitMethod FitMethodOf(int modelIndex) {
    if (modelIndex >= 0 && modelIndex < kBuiltInModelCount)
        return kCatalogue[static_cast<std::size_t>(modelIndex)].method;
    return FitMethod::Marquardt;
}

long double EvaluateBuiltInModel(int index, std::span<const double> x, std::span<const double> c) {
    switch (index) {
        case 0: {
            long double f = c[0];
            for (std::size_t k = 0; k < x.size(); ++k) f += static_cast<long double>(c[k + 1]) * x[k];
            return Finite(f);
        }
        case 1: {
            const long double t = x[0];
            return Finite(c[0] + c[1] * t + c[2] * t * t);
        }
        case 2: return CheckedDivide(c[0], 1 + CheckedExp(c[1] - static_cast<long double>(c[2]) * x[0]));
        case 3: return CheckedDivide(static_cast<long double>(c[0]) * x[0], static_cast<long double>(c[1]) + x[0]);
        case 4: return Finite(c[0] * (1 - CheckedExp(-static_cast<long double>(c[1]) * x[0])));
        case 5:
            if (x[0] == 0) return 0;
            return Finite(c[0] * AllometricPower(x[0], c[1]));
        case 6: return Finite(c[0] + c[1] * CheckedExp(static_cast<long double>(c[2]) * x[0]));
        case 7: {
            const long double inner =
                CheckedExp(-static_cast<long double>(c[1]) * (static_cast<long double>(x[0]) - c[2]));
            return Finite(c[0] * CheckedExp(-inner));
        }
        case 8: {
            const long double z = CheckedDivide(-(static_cast<long double>(x[0]) - c[1]), c[2]);
            return CheckedDivide(c[0], 1 + CheckedExp(z));
        }
        default: throw FloatingPointFault("unknown model");
    }
}

namespace {

// s = 1/(1+e^z) and its complement e^z/(1+e^z): the logistic derivatives as
// C0·s·(1−s) stay finite wherever the model is, where the catalogue's
// e^z/(1+e^z)² overflows long before the model does.
struct LogisticShares {
    long double s, complement;
};
LogisticShares LogisticOf(long double z) {
    const long double e = CheckedExp(z);
    return {CheckedDivide(1, 1 + e), CheckedDivide(e, 1 + e)};
}

}  // namespace

long double EvaluateBuiltInDerivative(int index, int j, std::span<const double> x, std::span<const double> c) {
    const long double x1 = x.empty() ? 0.0L : static_cast<long double>(x[0]);
    switch (index) {
        case 0: return j == 0 ? 1.0L : static_cast<long double>(x[static_cast<std::size_t>(j - 1)]);
        case 1: return j == 0 ? 1.0L : j == 1 ? x1 : Finite(x1 * x1);
        case 2: {
            const auto [s, complement] = LogisticOf(c[1] - static_cast<long double>(c[2]) * x1);
            if (j == 0) return s;
            const long double slope = Finite(c[0] * s * complement);
            return j == 1 ? -slope : Finite(slope * x1);
        }
        case 3: {
            const long double share = CheckedDivide(x1, static_cast<long double>(c[1]) + x1);
            return j == 0 ? share : -CheckedDivide(Finite(c[0] * share), static_cast<long double>(c[1]) + x1);
        }
        case 4: {
            const long double e = CheckedExp(-static_cast<long double>(c[1]) * x1);
            return j == 0 ? Finite(1 - e) : Finite(c[0] * x1 * e);
        }
        case 5: {
            // The model is 0 at x = 0 whatever C0 and C1; so are its derivatives
            // (x^C1·ln x → 0). A whole exponent allows x < 0, where ln |x| is
            // the derivative along the real axis.
            if (x1 == 0) return 0;
            const long double power = AllometricPower(x1, c[1]);
            return j == 0 ? power : Finite(c[0] * power * CheckedLn(std::fabs(x1)));
        }
        case 6: {
            const long double e = CheckedExp(static_cast<long double>(c[2]) * x1);
            return j == 0 ? 1.0L : j == 1 ? e : Finite(c[1] * x1 * e);
        }
        case 7: {
            const long double u = CheckedExp(-static_cast<long double>(c[1]) * (x1 - c[2]));
            const long double g = CheckedExp(-u);
            if (j == 0) return g;
            const long double gu = Finite(c[0] * g * u);
            return j == 1 ? Finite(gu * (x1 - c[2])) : Finite(-gu * c[1]);
        }
        case 8: {
            const long double offset = x1 - c[1];
            const auto [s, complement] = LogisticOf(CheckedDivide(-offset, c[2]));
            if (j == 0) return s;
            const long double slope = CheckedDivide(Finite(c[0] * s * complement), c[2]);
            return j == 1 ? -slope : -CheckedDivide(Finite(slope * offset), c[2]);
        }
        default: throw FloatingPointFault("unknown model");
    }
}

// The general formula and the derivative formulas reduced once per fit
// (derivatives on their first use).
struct ModelEvaluator::Prepared {
    std::optional<PreparedFormula> model;
    std::vector<std::optional<PreparedFormula>> derivatives;
};

ModelEvaluator::ModelEvaluator(const TFitModel& model)
    : model_(model), xWithX0_(static_cast<std::size_t>(model.nx) + 1, 0.0), prepared_(std::make_unique<Prepared>()) {
    prepared_->derivatives.resize(model.derivativeFormulas.size());
}

ModelEvaluator::~ModelEvaluator() = default;

std::span<const double> ModelEvaluator::GeneralX(std::span<const double> x) {
    if (xWithX0_.size() < x.size() + 1) xWithX0_.resize(x.size() + 1);
    for (std::size_t k = 0; k < x.size(); ++k) xWithX0_[k + 1] = x[k];
    return {xWithX0_.data(), x.size() + 1};
}

long double ModelEvaluator::Value(std::span<const double> x, std::span<const double> c) {
    ++evaluations_;
    if (model_.index != kGeneralModelIndex) return EvaluateBuiltInModel(model_.index, x, c);
    if (!prepared_->model) prepared_->model = PrepareFormula(model_.formula);
    return Finite(EvaluatePrepared(*prepared_->model, GeneralX(x), c));
}

void ModelEvaluator::SetPoint(std::span<const double> x) {
    pointX_ = x;
    pointGeneralX_ = GeneralX(x);
}

long double ModelEvaluator::PointValue(std::span<const double> c) {
    ++evaluations_;
    if (model_.index != kGeneralModelIndex) return EvaluateBuiltInModel(model_.index, pointX_, c);
    if (!prepared_->model) prepared_->model = PrepareFormula(model_.formula);
    return Finite(EvaluatePrepared(*prepared_->model, pointGeneralX_, c));
}

long double ModelEvaluator::Derivative(int j, std::span<const double> x, std::span<const double> c) {
    ++evaluations_;
    if (model_.index != kGeneralModelIndex) return EvaluateBuiltInDerivative(model_.index, j, x, c);
    auto& prepared = prepared_->derivatives.at(static_cast<std::size_t>(j));
    if (!prepared) prepared = PrepareFormula(model_.derivativeFormulas[static_cast<std::size_t>(j)]);
    return Finite(EvaluatePrepared(*prepared, GeneralX(x), c));
}

long double ModelEvaluator::PointDerivative(int j, std::span<const double> c) {
    ++evaluations_;
    if (model_.index != kGeneralModelIndex) return EvaluateBuiltInDerivative(model_.index, j, pointX_, c);
    auto& prepared = prepared_->derivatives.at(static_cast<std::size_t>(j));
    if (!prepared) prepared = PrepareFormula(model_.derivativeFormulas[static_cast<std::size_t>(j)]);
    return Finite(EvaluatePrepared(*prepared, pointGeneralX_, c));
}

long double EvaluateModel(const TFitModel& model, std::span<const double> x, std::span<const double> c) {
    ModelEvaluator evaluator(model);
    return evaluator.Value(x, c);
}

long double WeightedResidual(const TFitState& state, std::int32_t i, std::span<const double> c) {
    ModelEvaluator evaluator(state.model);
    return evaluator.WeightedResidual(state.data, i, c);
}

}  // namespace kurvex
