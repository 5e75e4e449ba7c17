// The Bayesian spline on many points, and how its time grows with n and ND
// (the method should be n log n in the points and linear in ND).
//
//   spline_bench [points] [nd] [repeats]     (default 1000000 points, ND = 100, 3 repeats)
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

#include "bench/BenchSupport.h"
#include "core/tools/BayesSpline.h"

namespace {

struct Points {
    std::vector<double> x, y;
};

// A smooth curve with noise, x uniform on [0, 10] (so values repeat rarely).
Points MakePoints(std::size_t n) {
    std::mt19937_64 random(5);
    std::uniform_real_distribution<double> uniform(0, 10);
    std::normal_distribution<double> noise(0, 0.2);
    Points p;
    p.x.resize(n);
    p.y.resize(n);
    for (std::size_t i = 0; i < n; ++i) {
        p.x[i] = uniform(random);
        p.y[i] = std::sin(p.x[i]) + 0.1 * p.x[i] + noise(random);
    }
    return p;
}

double TimeFit(const Points& p, int nd, int repeats, kurvex::BayesSplineFit& fit) {
    bench::BestTime time;
    for (int r = 0; r < repeats; ++r) time.Time([&] { fit = kurvex::FitBayesSpline(p.x, p.y, 0, 10, nd); });
    return time.Seconds();
}

}  // namespace

int main(int argc, char** argv) {
    const std::size_t n = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 1'000'000;
    const int nd = argc > 2 ? std::atoi(argv[2]) : 100;
    const int repeats = argc > 3 ? std::atoi(argv[3]) : 3;
    if (n < 20 || nd < 1 || repeats < 1) {
        std::fprintf(stderr, "usage: spline_bench [points >= 20] [nd >= 1] [repeats >= 1]\n");
        return 2;
    }
    const Points full = MakePoints(n);
    const Points tenth = MakePoints(n / 10);
    kurvex::BayesSplineFit fit, fitTenth, fitFinerKnots;
    const double seconds = TimeFit(full, nd, repeats, fit);
    const double tenthSeconds = TimeFit(tenth, nd, repeats, fitTenth);
    const double finerSeconds = TimeFit(full, 10 * nd, repeats, fitFinerKnots);
    std::printf("%zu points, ND = %d, best of %d runs: %s, weight 2^%d, SE %.6g, %lld points kept\n", n, nd, repeats,
                fit.ok ? "fitted" : fit.failure.c_str(), fit.weightExponent, static_cast<double>(fit.standardError),
                fit.keptPoints);

    bench::RatioTable table;
    table.Absolute("Bayesian spline, n = " + std::to_string(n) + ", ND = " + std::to_string(nd), seconds, "< 1 s",
                   fit.ok && seconds < 1);
    table.Ratio("the same", seconds, "n / 10", tenthSeconds, "-", true);
    table.Ratio("ND x 10", finerSeconds, "ND = " + std::to_string(nd), seconds, "-", true);
    table.Print();
    return fit.ok ? 0 : 1;
}
