// FitMarquardt of the general logistic model on all hardware threads against
// the same fit on one thread, numeric and formula derivatives; the two must
// agree bit for bit (coefficients, SSR, evaluations, iterations).
//
//   fit_threads_bench [points] [repeats]     (default 1000000 points, 3 repeats)
//
// Times are wall time (the point of the threads), best of the repeats, the
// two thread counts interleaved. Data and start as fit_peer_bench.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

#include "bench/BenchSupport.h"
#include "core/common/MessageSink.h"
#include "core/common/ParallelSweep.h"
#include "core/common/ProgressSink.h"
#include "core/regression/Fitting.h"
#include "core/regression/ModelSelection.h"

namespace {

using namespace kurvex;

TFitState LogisticState(std::size_t n, bool formulaDerivatives) {
    std::mt19937_64 random(20240607);
    std::uniform_real_distribution<double> uniform(0, 10);
    std::normal_distribution<double> noise(0, 0.05);
    TFitState state;
    state.data.nx = 1;
    for (std::size_t i = 0; i < n; ++i) {
        const double x = uniform(random);
        const double y = 5 / (1 + std::exp(3 - 0.8 * x)) + noise(random);
        state.data.AddPoint(static_cast<std::int32_t>(i + 1), y, 1.0, std::span<const double>(&x, 1));
    }
    state.data.FinishSums();
    GeneralModelSource source;
    source.formula = "C0/(1+EXP(C1-C2*X1))";
    source.coefficientCount = 3;
    source.variableCount = 1;
    if (formulaDerivatives) {
        source.derivativeTableShown = true;
        source.derivativeTexts = {"1/(1+EXP(C1-C2*X1))", "-C0*EXP(C1-C2*X1)/(1+EXP(C1-C2*X1))^2",
                                  "C0*X1*EXP(C1-C2*X1)/(1+EXP(C1-C2*X1))^2"};
    }
    SelectModel(state.model, kGeneralModelIndex, 1, source);
    state.model.numericDerivatives = !formulaDerivatives;
    state.conditions.initialValues = {4, 2, 0.5};
    state.conditions.tolerances.assign(3, 1e-6);
    state.conditions.h0.assign(3, 1e-6);
    return state;
}

struct Run {
    std::vector<double> c;
    long double ssr = 0;
    std::uint64_t evaluations = 0;
    int iterations = 0;
    FitEnd end{};
    bool operator==(const Run& other) const {
        return c.size() == other.c.size() && std::memcmp(c.data(), other.c.data(), c.size() * sizeof(double)) == 0 &&
               ssr == other.ssr && evaluations == other.evaluations && iterations == other.iterations &&
               end == other.end;
    }
};

Run Fit(const TFitState& prepared, int threads, double& wallSeconds) {
    RecordingMessageSink messages;
    ScopedMessageSink guard(messages);
    SetThreadLimit(threads);
    TFitState state = prepared;
    state.results.coefficients = state.conditions.initialValues;
    state.results.residuals.assign(static_cast<std::size_t>(state.data.n), 0.0);
    SilentProgressSink progress;
    const double start = bench::WallSeconds();
    Run run;
    run.end = FitMarquardt(state, progress, {});
    wallSeconds = bench::WallSeconds() - start;
    SetThreadLimit(0);
    run.c = state.results.coefficients;
    run.ssr = state.results.SSR;
    run.evaluations = state.results.evaluations;
    run.iterations = state.results.iterations;
    return run;
}

}  // namespace

int main(int argc, char** argv) {
    const std::size_t n = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 1'000'000;
    const int repeats = argc > 2 ? std::atoi(argv[2]) : 3;
    const int threads = AvailableThreads();
    std::printf("general logistic, %zu points, %d hardware threads, best of %d\n", n, threads, repeats);
    bench::RatioTable table;
    bool identical = true;
    for (const bool formula : {false, true}) {
        const TFitState state = LogisticState(n, formula);
        double best1 = 0, bestN = 0;
        Run one, many;
        for (int r = 0; r < repeats; ++r) {
            double seconds = 0;
            one = Fit(state, 1, seconds);
            if (r == 0 || seconds < best1) best1 = seconds;
            many = Fit(state, 0, seconds);
            if (r == 0 || seconds < bestN) bestN = seconds;
            identical = identical && one == many;
        }
        std::printf("%s: %s after %d solves, %llu evaluations, C = %.17g %.17g %.17g\n",
                    formula ? "formula derivatives" : "numeric derivatives", FitEndName(one.end), one.iterations,
                    static_cast<unsigned long long>(one.evaluations), one.c[0], one.c[1], one.c[2]);
        table.Ratio(formula ? "FitMarquardt, formula derivatives, all threads" : "FitMarquardt, numeric, all threads",
                    bestN, "the same fit on one thread", best1, "<= 0.6", bestN <= 0.6 * best1);
    }
    table.Print();
    std::printf("\nthreaded and one-thread fits identical bit for bit: %s\n", identical ? "yes" : "NO");
    return identical ? 0 : 1;
}
