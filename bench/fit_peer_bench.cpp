// FitMarquardt of the general logistic model against two peers on the same
// data and start: GSL's gsl_multifit_nlinear (trust-region LM, its default
// forward-difference Jacobian) and MINPACK's lmder (cminpack, analytic
// Jacobian).
//
//   fit_peer_bench [points] [repeats]     (default 1000000 points, 3 repeats)
//
// Data: x uniform on [0, 10], y = 5/(1+exp(3−0.8x)) + N(0, 0.05²); start
// (4, 2, 0.5). Kurvex evaluates the typed formula "C0/(1+EXP(C1-C2*X1))"
// (and, with formula derivatives, the three derivative formulas) in extended
// precision; the peers call the model written in C++ double, as their users
// would. A second pair of peer runs calls Kurvex's prepared evaluator from
// the peers' callbacks, which compares the algorithms at equal model cost.
#include <cminpack.h>
#include <gsl/gsl_blas.h>
#include <gsl/gsl_multifit_nlinear.h>
#include <gsl/gsl_vector.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

#include "bench/BenchSupport.h"
#include "core/common/MessageSink.h"
#include "core/common/ProgressSink.h"
#include "core/expression/PreparedFormula.h"
#include "core/regression/Fitting.h"
#include "core/regression/ModelSelection.h"
#include "core/regression/Models.h"

namespace {

using namespace kurvex;

constexpr const char* kModel = "C0/(1+EXP(C1-C2*X1))";
const std::vector<std::string> kDerivatives = {"1/(1+EXP(C1-C2*X1))", "-C0*EXP(C1-C2*X1)/(1+EXP(C1-C2*X1))^2",
                                               "C0*X1*EXP(C1-C2*X1)/(1+EXP(C1-C2*X1))^2"};
const double kStart[3] = {4, 2, 0.5};

struct Points {
    std::vector<double> x, y;
};

Points MakePoints(std::size_t n) {
    std::mt19937_64 random(20240607);
    std::uniform_real_distribution<double> uniform(0, 10);
    std::normal_distribution<double> noise(0, 0.05);
    Points points;
    points.x.resize(n);
    points.y.resize(n);
    for (std::size_t i = 0; i < n; ++i) {
        points.x[i] = uniform(random);
        points.y[i] = 5 / (1 + std::exp(3 - 0.8 * points.x[i])) + noise(random);
    }
    return points;
}

// ---- Kurvex ---------------------------------------------------------------

TFitState KurvexState(const Points& points, bool formulaDerivatives) {
    TFitState state;
    state.data.nx = 1;
    for (std::size_t i = 0; i < points.x.size(); ++i)
        state.data.AddPoint(static_cast<std::int32_t>(i + 1), points.y[i], 1.0,
                            std::span<const double>(&points.x[i], 1));
    state.data.FinishSums();
    GeneralModelSource source;
    source.formula = kModel;
    source.coefficientCount = 3;
    source.variableCount = 1;
    if (formulaDerivatives) {
        source.derivativeTableShown = true;
        source.derivativeTexts = kDerivatives;
    }
    SelectModel(state.model, kGeneralModelIndex, 1, source);
    state.model.numericDerivatives = !formulaDerivatives;
    // The defaults of the condition pages.
    state.conditions.initialValues.assign(kStart, kStart + 3);
    state.conditions.tolerances.assign(3, 1e-6);
    state.conditions.h0.assign(3, 1e-6);
    return state;
}

struct Outcome {
    double c[3] = {0, 0, 0};
    double ssr = 0;
    int iterations = 0;
    std::uint64_t modelEvaluations = 0;  // point evaluations of the model (derivatives included)
    const char* end = "";
};

Outcome RunKurvex(const TFitState& prepared) {
    RecordingMessageSink messages;
    ScopedMessageSink guard(messages);
    TFitState state = prepared;
    state.results.coefficients = state.conditions.initialValues;
    state.results.residuals.assign(static_cast<std::size_t>(state.data.n), 0.0);
    SilentProgressSink progress;
    Outcome outcome;
    const FitEnd end = FitMarquardt(state, progress, {}, [&](const MarquardtStep& step) {
        outcome.modelEvaluations = step.evaluations;
        outcome.iterations = step.iteration;
    });
    outcome.end = FitEndName(end);
    for (int j = 0; j < 3; ++j) outcome.c[j] = state.results.coefficients[static_cast<std::size_t>(j)];
    outcome.ssr = static_cast<double>(state.results.SSR);
    return outcome;
}

// ---- the peers' model: C++ double, or Kurvex's prepared evaluator -----------

struct PeerModel {
    const Points* points;
    bool useEvaluator;
    PreparedFormula model = PrepareFormula(kModel);
    std::vector<PreparedFormula> derivatives;
    std::uint64_t evaluations = 0;
    int jacobians = 0;  // lmder's Jacobian evaluations: its iterations

    PeerModel(const Points& p, bool evaluator) : points(&p), useEvaluator(evaluator) {
        for (const auto& text : kDerivatives) derivatives.push_back(PrepareFormula(text));
    }
    double Value(std::size_t i, const double* c) {
        ++evaluations;
        const double xi = points->x[i];
        if (!useEvaluator) return c[0] / (1 + std::exp(c[1] - c[2] * xi));
        const double x[2] = {0, xi};
        return static_cast<double>(EvaluatePrepared(model, x, std::span<const double>(c, 3)));
    }
    double Derivative(int j, std::size_t i, const double* c) {
        ++evaluations;
        const double xi = points->x[i];
        if (!useEvaluator) {
            const double e = std::exp(c[1] - c[2] * xi), q = 1 / (1 + e);
            return j == 0 ? q : j == 1 ? -c[0] * e * q * q : c[0] * xi * e * q * q;
        }
        const double x[2] = {0, xi};
        return static_cast<double>(
            EvaluatePrepared(derivatives[static_cast<std::size_t>(j)], x, std::span<const double>(c, 3)));
    }
};

// ---- GSL: residual f_i = model − y_i, finite-difference Jacobian ------------

int GslResidual(const gsl_vector* c, void* data, gsl_vector* f) {
    auto& model = *static_cast<PeerModel*>(data);
    const double coefficients[3] = {gsl_vector_get(c, 0), gsl_vector_get(c, 1), gsl_vector_get(c, 2)};
    for (std::size_t i = 0; i < f->size; ++i) gsl_vector_set(f, i, model.Value(i, coefficients) - model.points->y[i]);
    return GSL_SUCCESS;
}

Outcome RunGsl(PeerModel& model) {
    const std::size_t n = model.points->x.size();
    gsl_multifit_nlinear_fdf fdf{};
    fdf.f = GslResidual;
    fdf.df = nullptr;  // forward differences
    fdf.fvv = nullptr;
    fdf.n = n;
    fdf.p = 3;
    fdf.params = &model;
    const gsl_multifit_nlinear_parameters parameters = gsl_multifit_nlinear_default_parameters();
    gsl_multifit_nlinear_workspace* work = gsl_multifit_nlinear_alloc(gsl_multifit_nlinear_trust, &parameters, n, 3);
    gsl_vector_const_view start = gsl_vector_const_view_array(kStart, 3);
    model.evaluations = 0;
    gsl_multifit_nlinear_init(&start.vector, &fdf, work);
    int info = 0;
    // The tolerances of GSL's own example.
    const int status = gsl_multifit_nlinear_driver(100, 1e-8, 1e-8, 0.0, nullptr, nullptr, &info, work);
    Outcome outcome;
    const gsl_vector* c = gsl_multifit_nlinear_position(work);
    for (int j = 0; j < 3; ++j) outcome.c[j] = gsl_vector_get(c, static_cast<std::size_t>(j));
    double norm = 0;
    gsl_blas_ddot(gsl_multifit_nlinear_residual(work), gsl_multifit_nlinear_residual(work), &norm);
    outcome.ssr = norm;
    outcome.iterations = static_cast<int>(gsl_multifit_nlinear_niter(work));
    outcome.modelEvaluations = model.evaluations;
    outcome.end = status == GSL_SUCCESS ? "converged" : gsl_strerror(status);
    gsl_multifit_nlinear_free(work);
    return outcome;
}

// ---- MINPACK lmder ----------------------------------------------------------

int MinpackFunction(void* data, int m, int, const double* c, double* fvec, double* fjac, int ldfjac, int iflag) {
    auto& model = *static_cast<PeerModel*>(data);
    const auto points = static_cast<std::size_t>(m);
    if (iflag == 1) {
        for (std::size_t i = 0; i < points; ++i) fvec[i] = model.Value(i, c) - model.points->y[i];
    } else if (iflag == 2) {
        ++model.jacobians;
        for (int j = 0; j < 3; ++j)
            for (std::size_t i = 0; i < points; ++i)
                fjac[static_cast<std::size_t>(j) * static_cast<std::size_t>(ldfjac) + i] = model.Derivative(j, i, c);
    }
    return 0;
}

Outcome RunMinpack(PeerModel& model) {
    const int m = static_cast<int>(model.points->x.size());
    std::vector<double> c(kStart, kStart + 3), fvec(static_cast<std::size_t>(m)), fjac(static_cast<std::size_t>(m) * 3),
        work(static_cast<std::size_t>(5 * 3 + m));
    int ipvt[3];
    model.evaluations = 0;
    model.jacobians = 0;
    // lmder1: ftol = xtol = tol, gtol = 0, the documented choice of tol.
    const int info = lmder1(MinpackFunction, &model, m, 3, c.data(), fvec.data(), fjac.data(), m, std::sqrt(dpmpar(1)),
                            ipvt, work.data(), static_cast<int>(work.size()));
    Outcome outcome;
    for (int j = 0; j < 3; ++j) outcome.c[j] = c[static_cast<std::size_t>(j)];
    double ssr = 0;
    for (double f : fvec) ssr += f * f;
    outcome.ssr = ssr;
    outcome.modelEvaluations = model.evaluations;
    outcome.iterations = model.jacobians;
    outcome.end = info >= 1 && info <= 4 ? "converged" : "not converged";
    return outcome;
}

void Report(const char* name, double seconds, const Outcome& outcome) {
    std::printf("%-38s %10s  %-14s C = (%.9g, %.9g, %.9g)  SSR %.10g  iterations %d  model evaluations %.3g\n", name,
                bench::Duration(seconds).c_str(), outcome.end, outcome.c[0], outcome.c[1], outcome.c[2], outcome.ssr,
                outcome.iterations, static_cast<double>(outcome.modelEvaluations));
}

}  // namespace

int main(int argc, char** argv) {
    const std::size_t n = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 1'000'000;
    const int repeats = argc > 2 ? std::atoi(argv[2]) : 3;
    if (n < 10 || repeats < 1) {
        std::fprintf(stderr, "usage: fit_peer_bench [points >= 10] [repeats >= 1]\n");
        return 2;
    }
    const Points points = MakePoints(n);
    const TFitState numeric = KurvexState(points, false);
    const TFitState formulas = KurvexState(points, true);
    PeerModel compiled(points, false), evaluated(points, true);

    bench::BestTime kurvexNumeric, kurvexFormulas, gsl, minpack, gslEvaluator, minpackEvaluator;
    Outcome outcomes[6];
    for (int r = 0; r < repeats; ++r) {
        kurvexNumeric.Time([&] { outcomes[0] = RunKurvex(numeric); });
        gsl.Time([&] { outcomes[1] = RunGsl(compiled); });
        kurvexFormulas.Time([&] { outcomes[2] = RunKurvex(formulas); });
        minpack.Time([&] { outcomes[3] = RunMinpack(compiled); });
        gslEvaluator.Time([&] { outcomes[4] = RunGsl(evaluated); });
        minpackEvaluator.Time([&] { outcomes[5] = RunMinpack(evaluated); });
    }
    std::printf("%zu points, best of %d runs (iterations: Kurvex solves, GSL iterations, lmder Jacobians)\n", n,
                repeats);
    Report("Kurvex FitMarquardt, numeric", kurvexNumeric.Seconds(), outcomes[0]);
    Report("GSL nlinear, forward differences", gsl.Seconds(), outcomes[1]);
    Report("Kurvex FitMarquardt, formula derivatives", kurvexFormulas.Seconds(), outcomes[2]);
    Report("MINPACK lmder", minpack.Seconds(), outcomes[3]);
    Report("GSL nlinear, Kurvex evaluator", gslEvaluator.Seconds(), outcomes[4]);
    Report("MINPACK lmder, Kurvex evaluator", minpackEvaluator.Seconds(), outcomes[5]);

    bench::RatioTable table;
    table.Ratio("FitMarquardt, numeric derivatives", kurvexNumeric.Seconds(), "GSL nlinear (C++ double f)",
                gsl.Seconds(), "<= 1.0", kurvexNumeric.Seconds() <= gsl.Seconds());
    table.Ratio("FitMarquardt, formula derivatives", kurvexFormulas.Seconds(), "lmder (C++ double f, J)",
                minpack.Seconds(), "<= 1.5", kurvexFormulas.Seconds() <= 1.5 * minpack.Seconds());
    table.Ratio("FitMarquardt, numeric derivatives", kurvexNumeric.Seconds(), "GSL nlinear, Kurvex evaluator",
                gslEvaluator.Seconds(), "-", true);
    table.Ratio("FitMarquardt, formula derivatives", kurvexFormulas.Seconds(), "lmder, Kurvex evaluator",
                minpackEvaluator.Seconds(), "-", true);
    table.Print();
    return 0;
}
