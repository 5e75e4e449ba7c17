// Marquardt fits of many points: time per fit and model evaluations per second.
//
//   fit_benchmark [--benchmark_filter=...]
//
// BM_LogisticBuiltIn: 100,000 points, the built-in logistic model, numeric
// derivatives (the increment search), default conditions.
// BM_LogisticFormula: the same model typed as a general formula, 10,000 points,
// which measures the formula evaluator inside the fit.
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

#include "core/common/MessageSink.h"
#include "core/common/ProgressSink.h"
#include "core/regression/Fitting.h"
#include "core/regression/ModelSelection.h"

namespace {

using namespace kurvex;

// y = 100 / (1 + exp(5 − 0.1·x)) with normal noise (sd 1), x uniform on 0..100.
TFitData LogisticData(int n) {
    std::mt19937_64 random(20240607);
    std::uniform_real_distribution<double> uniform(0, 100);
    std::normal_distribution<double> noise(0, 1);
    TFitData data;
    data.nx = 1;
    for (int i = 0; i < n; ++i) {
        const double x = uniform(random);
        const double y = 100 / (1 + std::exp(5 - 0.1 * x)) + noise(random);
        data.AddPoint(i + 1, y, 1.0, std::span<const double>(&x, 1));
    }
    data.FinishSums();
    return data;
}

TFitState LogisticState(int n, bool general) {
    TFitState state;
    state.data = LogisticData(n);
    if (general) {
        GeneralModelSource source;
        source.formula = "C0/(1+EXP(C1-C2*X1))";
        source.coefficientCount = 3;
        source.variableCount = 1;
        SelectModel(state.model, kGeneralModelIndex, 1, source);
    } else {
        SelectModel(state.model, 2, 1, GeneralModelSource{});
    }
    state.model.numericDerivatives = true;
    state.conditions.initialValues = {80, 4, 0.08};
    state.conditions.tolerances.assign(3, 1e-6);
    state.conditions.h0.assign(3, 1e-6);
    return state;
}

void RunFits(benchmark::State& bench, int n, bool general) {
    RecordingMessageSink messages;
    ScopedMessageSink guard(messages);
    const TFitState prepared = LogisticState(n, general);
    std::uint64_t evaluations = 0;
    int iterations = 0;
    FitEnd end = FitEnd::Error;
    for (auto _ : bench) {
        TFitState state = prepared;
        state.results.coefficients = state.conditions.initialValues;
        state.results.residuals.assign(static_cast<std::size_t>(n), 0.0);
        SilentProgressSink progress;
        end = FitMarquardt(state, progress, {}, [&](const MarquardtStep& step) {
            evaluations = step.evaluations;
            iterations = step.iteration;
        });
        benchmark::DoNotOptimize(state.results.coefficients.data());
    }
    bench.counters["evaluations"] = benchmark::Counter(static_cast<double>(evaluations));
    bench.counters["evaluations/s"] = benchmark::Counter(
        static_cast<double>(evaluations) * static_cast<double>(bench.iterations()), benchmark::Counter::kIsRate);
    bench.counters["solves"] = iterations;
    bench.SetLabel(std::string(FitEndName(end)) + (messages.messages.empty() ? "" : ", with a message"));
}

void BM_LogisticBuiltIn(benchmark::State& bench) { RunFits(bench, 100000, false); }
void BM_LogisticFormula(benchmark::State& bench) { RunFits(bench, 10000, true); }

BENCHMARK(BM_LogisticBuiltIn)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LogisticFormula)->Unit(benchmark::kMillisecond);

}  // namespace
