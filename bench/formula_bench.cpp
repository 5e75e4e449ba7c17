// The logistic model "C0/(1+EXP(C1-C2*X1))" on many points: the prepared
// evaluator against the rewriting evaluator and against the same expression
// compiled as C++ (long double, this file is built with -O2).
//
//   formula_bench [points] [repeats]     (default 1000000 points, 5 repeats)
//
// Every value of the prepared evaluator is compared bit for bit with the
// rewriting evaluator's.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

#include "bench/BenchSupport.h"
#include "core/expression/Evaluator.h"
#include "core/expression/PreparedFormula.h"

namespace {

constexpr const char* kLogistic = "C0/(1+EXP(C1-C2*X1))";
const std::vector<double> kCoefficients = {5, 3, 0.8};

// X0 (unused) and X1 of each point, back to back, as the evaluators take them.
std::vector<double> Points(std::size_t n) {
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> uniform(0, 10);
    std::vector<double> x(2 * n, 0.0);
    for (std::size_t i = 0; i < n; ++i) x[2 * i + 1] = uniform(random);
    return x;
}

std::span<const double> PointX(const std::vector<double>& x, std::size_t i) { return {x.data() + 2 * i, 2}; }

// The hand-written model: what a compiler makes of the expression itself.
__attribute__((noinline)) void Compiled(const std::vector<double>& x, const double* c, std::vector<long double>& out) {
    const long double c0 = c[0], c1 = c[1], c2 = c[2];
    for (std::size_t i = 0; i < out.size(); ++i) out[i] = c0 / (1 + std::exp(c1 - c2 * x[2 * i + 1]));
}

__attribute__((noinline)) void Prepared(const kurvex::PreparedFormula& formula, const std::vector<double>& x,
                                        std::vector<long double>& out) {
    for (std::size_t i = 0; i < out.size(); ++i)
        out[i] = kurvex::EvaluatePrepared(formula, PointX(x, i), kCoefficients);
}

__attribute__((noinline)) void Cached(const std::vector<double>& x, std::vector<long double>& out) {
    for (std::size_t i = 0; i < out.size(); ++i)
        out[i] = kurvex::EvaluateFormula(kLogistic, PointX(x, i), kCoefficients);
}

__attribute__((noinline)) void Rewriting(const std::vector<double>& x, std::vector<long double>& out) {
    for (std::size_t i = 0; i < out.size(); ++i)
        out[i] = kurvex::EvaluateFormulaByRewriting(kLogistic, PointX(x, i), kCoefficients);
}

// Differences in the 80 significant bits.
std::size_t Differences(const std::vector<long double>& a, const std::vector<long double>& b) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < a.size(); ++i) count += std::memcmp(&a[i], &b[i], 10) != 0;
    return count;
}

}  // namespace

int main(int argc, char** argv) {
    const std::size_t n = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 1'000'000;
    const int repeats = argc > 2 ? std::atoi(argv[2]) : 5;
    if (n == 0 || repeats < 1) {
        std::fprintf(stderr, "usage: formula_bench [points >= 1] [repeats >= 1]\n");
        return 2;
    }
    const std::vector<double> x = Points(n);
    const kurvex::PreparedFormula formula = kurvex::PrepareFormula(kLogistic);
    std::vector<long double> compiled(n), prepared(n), cached(n), rewritten(n);

    bench::BestTime compiledTime, preparedTime, cachedTime, rewritingTime;
    for (int r = 0; r < repeats; ++r) {
        compiledTime.Time([&] { Compiled(x, kCoefficients.data(), compiled); });
        preparedTime.Time([&] { Prepared(formula, x, prepared); });
        cachedTime.Time([&] { Cached(x, cached); });
        // The reference is slow and steady: two runs suffice.
        if (r < 2) rewritingTime.Time([&] { Rewriting(x, rewritten); });
    }
    const std::size_t differences = Differences(prepared, rewritten) + Differences(cached, rewritten);
    std::size_t compiledDifferences = Differences(compiled, rewritten);
    std::printf(
        "%zu points, best of %d runs (rewriting: %d); prepared and cached values differing from the "
        "rewriting evaluator's: %zu; compiled C++ values differing: %zu\n",
        n, repeats, rewritingTime.Runs(), differences, compiledDifferences);
    std::printf("per point: compiled %.1f ns, prepared %.1f ns, cached %.1f ns, rewriting %.1f ns\n",
                compiledTime.Seconds() / n * 1e9, preparedTime.Seconds() / n * 1e9, cachedTime.Seconds() / n * 1e9,
                rewritingTime.Seconds() / n * 1e9);

    bench::RatioTable table;
    const double speedUp = rewritingTime.Seconds() / preparedTime.Seconds();
    char speedUpText[64];
    std::snprintf(speedUpText, sizeof speedUpText, "prepared (%.1fx faster)", speedUp);
    table.Ratio(speedUpText, preparedTime.Seconds(), "rewriting evaluator", rewritingTime.Seconds(), "<= 0.02 (50x)",
                speedUp >= 50);
    table.Ratio("EvaluateFormula (cache lookup + prepared)", cachedTime.Seconds(), "rewriting evaluator",
                rewritingTime.Seconds(), "-", true);
    table.Ratio("prepared", preparedTime.Seconds(), "C++ -O2 long double", compiledTime.Seconds(), "<= 2",
                preparedTime.Seconds() <= 2 * compiledTime.Seconds());
    table.Print();
    return differences == 0 ? 0 : 1;
}
