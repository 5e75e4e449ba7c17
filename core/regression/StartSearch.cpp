#include "core/regression/StartSearch.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <functional>
#include <limits>
#include <numeric>
#include <thread>

#include "core/common/MessageSink.h"
#include "core/common/NumberFormat.h"
#include "core/expression/EvaluationError.h"
#include "core/regression/Fitting.h"
#include "core/regression/Models.h"

namespace kurvex {

namespace {

constexpr long double kInfinity = std::numeric_limits<long double>::infinity();
constexpr std::size_t kScreenPoints = 100;    // points a draw is screened on
constexpr double kScreenEvaluations = 1.5e6;  // model evaluations the screening may take
constexpr int kLocalIterations = 30;          // damped iterations from each local start
constexpr int kPolishIterations = 300;        // at least this many for the polishing fit

// SplitMix64: a small generator whose sequence is fixed by its seed on every platform.
class Random {
public:
    explicit Random(std::uint64_t seed) : state_(seed) {}
    std::uint64_t Next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    double Uniform() { return static_cast<double>(Next() >> 11) * 0x1.0p-53; }

private:
    std::uint64_t state_;
};

double Draw(Random& random, const std::optional<CoefficientRange>& range) {
    const double u = random.Uniform();
    const bool negative = (random.Next() & 1) != 0;
    if (!range) return (negative ? -1 : 1) * std::pow(10.0, -3 + 6 * u);
    const double low = range->low, high = range->high;
    if (low > 0 || high < 0) {
        const double a = std::log(std::fabs(low)), b = std::log(std::fabs(high));
        return (low > 0 ? 1 : -1) * std::exp(a + (b - a) * u);
    }
    return low + (high - low) * u;
}

// min |A·a − b| for a column-major n × p matrix by Householder reflections;
// a column with no part left beyond the others gets 0.
bool SolveSmallLeastSquares(std::vector<long double>& A, std::vector<long double>& b, std::size_t n, std::size_t p,
                            std::vector<long double>& a) {
    a.assign(p, 0);
    std::vector<long double> norms(p), diagonal(p, 0);
    std::vector<bool> used(p, false);
    for (std::size_t k = 0; k < p; ++k) {
        long double s = 0;
        for (std::size_t i = 0; i < n; ++i) s += A[k * n + i] * A[k * n + i];
        norms[k] = std::sqrt(s);
    }
    for (std::size_t k = 0; k < p && k < n; ++k) {
        long double s = 0;
        for (std::size_t i = k; i < n; ++i) s += A[k * n + i] * A[k * n + i];
        const long double norm = std::sqrt(s);
        if (!(norm > 1e-13L * norms[k]) || !std::isfinite(norm)) continue;
        used[k] = true;
        const long double alpha = A[k * n + k] > 0 ? -norm : norm;
        const long double vnorm2 = 2 * (s - alpha * A[k * n + k]);  // |x − α·e|²
        A[k * n + k] -= alpha;
        // Reflect the later columns and b.
        auto reflect = [&](long double* column) {
            long double dot = 0;
            for (std::size_t i = k; i < n; ++i) dot += A[k * n + i] * column[i];
            const long double f = 2 * dot / vnorm2;
            for (std::size_t i = k; i < n; ++i) column[i] -= f * A[k * n + i];
        };
        for (std::size_t j = k + 1; j < p; ++j) reflect(&A[j * n]);
        reflect(b.data());
        diagonal[k] = alpha;
    }
    for (std::size_t k = std::min(p, n); k-- > 0;) {
        if (!used[k]) continue;
        long double s = b[k];
        for (std::size_t j = k + 1; j < p; ++j)
            if (used[j]) s -= A[j * n + k] * a[j];
        a[k] = s / diagonal[k];
        if (!std::isfinite(a[k])) return false;
    }
    return true;
}

// Solves the q × q system M·x = v by elimination with partial pivoting.
bool SolveSquare(std::vector<long double> M, std::vector<long double> v, std::size_t q, std::vector<long double>& x) {
    for (std::size_t k = 0; k < q; ++k) {
        std::size_t pivot = k;
        for (std::size_t i = k + 1; i < q; ++i)
            if (std::fabs(M[i * q + k]) > std::fabs(M[pivot * q + k])) pivot = i;
        if (!(std::fabs(M[pivot * q + k]) > 0)) return false;
        if (pivot != k) {
            for (std::size_t j = 0; j < q; ++j) std::swap(M[k * q + j], M[pivot * q + j]);
            std::swap(v[k], v[pivot]);
        }
        for (std::size_t i = k + 1; i < q; ++i) {
            const long double f = M[i * q + k] / M[k * q + k];
            for (std::size_t j = k; j < q; ++j) M[i * q + j] -= f * M[k * q + j];
            v[i] -= f * v[k];
        }
    }
    x.assign(q, 0);
    for (std::size_t k = q; k-- > 0;) {
        long double s = v[k];
        for (std::size_t j = k + 1; j < q; ++j) s -= M[k * q + j] * x[j];
        x[k] = s / M[k * q + k];
        if (!std::isfinite(x[k])) return false;
    }
    return true;
}

// Which coefficients are drawn, which are solved, which stay.
struct Roles {
    std::vector<int> drawn;   // free coefficients the model is not linear in
    std::vector<int> solved;  // free coefficients the model is jointly linear in
};

// The model restricted to some points, with the linear coefficients solved
// for each choice of the drawn ones. One per thread: it owns its evaluator.
class Projection {
public:
    Projection(const TFitModel& model, const TFitData& data, std::vector<std::int32_t> points,
               const std::vector<double>& base, const Roles& roles)
        : evaluator_(model), data_(data), points_(std::move(points)), base_(base), roles_(roles) {}

    std::size_t PointCount() const { return points_.size(); }

    // The coefficients for the drawn values theta (the solved ones filled in)
    // and their weighted residuals; false where the model cannot be evaluated.
    bool Residuals(const std::vector<double>& theta, std::vector<double>& c, std::vector<long double>& r) {
        const std::size_t n = points_.size(), p = roles_.solved.size();
        c = base_;
        for (std::size_t k = 0; k < theta.size(); ++k) c[static_cast<std::size_t>(roles_.drawn[k])] = theta[k];
        for (const int j : roles_.solved) c[static_cast<std::size_t>(j)] = 0;
        r.resize(n);
        try {
            for (std::size_t i = 0; i < n; ++i) r[i] = Value(i, c);
            if (p > 0) {
                basis_.assign(n * p, 0);
                for (std::size_t k = 0; k < p; ++k) {
                    const auto j = static_cast<std::size_t>(roles_.solved[k]);
                    c[j] = 1;
                    for (std::size_t i = 0; i < n; ++i) basis_[k * n + i] = (Value(i, c) - r[i]) * SqrtW(i);
                    c[j] = 0;
                }
                right_.resize(n);
                for (std::size_t i = 0; i < n; ++i) right_[i] = (Y(i) - r[i]) * SqrtW(i);
                std::vector<long double> rightCopy = right_;
                if (!SolveSmallLeastSquares(basis_, rightCopy, n, p, solution_)) return false;
                for (std::size_t k = 0; k < p; ++k)
                    c[static_cast<std::size_t>(roles_.solved[k])] = static_cast<double>(solution_[k]);
            }
            for (std::size_t i = 0; i < n; ++i) {
                r[i] = (Y(i) - Value(i, c)) * SqrtW(i);
                if (!std::isfinite(r[i])) return false;
            }
            return true;
        } catch (const EvaluationError&) {
            return false;
        } catch (const FloatingPointFault&) {
            return false;
        }
    }

    long double Ssr(const std::vector<double>& theta, std::vector<double>& c) {
        if (!Residuals(theta, c, scratch_)) return kInfinity;
        long double s = 0;
        for (const long double v : scratch_) s += v * v;
        return std::isfinite(s) ? s : kInfinity;
    }

    // A damped Gauss–Newton iteration over the drawn coefficients, with
    // difference quotients of the projected residuals; gives the SSR reached.
    long double Descend(std::vector<double>& theta, std::vector<double>& c, int iterations,
                        const std::atomic<bool>& stop) {
        const std::size_t q = theta.size(), n = points_.size();
        std::vector<long double> r, rh, J(n * q), JtJ(q * q), g(q), step;
        std::vector<double> ch, trial;
        if (!Residuals(theta, c, r)) return kInfinity;
        long double S = 0;
        for (const long double v : r) S += v * v;
        if (q == 0) return S;
        long double lambda = 1e-3L;
        for (int it = 0; it < iterations && !stop.load(std::memory_order_relaxed); ++it) {
            for (std::size_t k = 0; k < q; ++k) {
                trial = theta;
                const double h = 1e-7 * std::max(std::fabs(theta[k]), 1e-7);
                trial[k] += h;
                if (!Residuals(trial, ch, rh)) return S;
                const long double dh = static_cast<long double>(trial[k]) - theta[k];
                for (std::size_t i = 0; i < n; ++i) J[k * n + i] = (rh[i] - r[i]) / dh;
            }
            for (std::size_t a = 0; a < q; ++a) {
                long double s = 0;
                for (std::size_t i = 0; i < n; ++i) s += J[a * n + i] * r[i];
                g[a] = -s;
                for (std::size_t b = 0; b <= a; ++b) {
                    long double t = 0;
                    for (std::size_t i = 0; i < n; ++i) t += J[a * n + i] * J[b * n + i];
                    JtJ[a * q + b] = JtJ[b * q + a] = t;
                }
            }
            bool accepted = false;
            while (!accepted && lambda < 1e16L) {
                std::vector<long double> M = JtJ;
                for (std::size_t a = 0; a < q; ++a) M[a * q + a] += lambda * std::max(JtJ[a * q + a], 1e-30L);
                if (SolveSquare(M, g, q, step)) {
                    trial = theta;
                    for (std::size_t k = 0; k < q; ++k) trial[k] = static_cast<double>(theta[k] + step[k]);
                    std::vector<double> trialC;
                    const long double trialS = Residuals(trial, trialC, rh) ? SumSquares(rh) : kInfinity;
                    if (trialS < S) {
                        const bool small = S - trialS <= 1e-12L * S;
                        theta = trial;
                        c = trialC;
                        r.swap(rh);
                        S = trialS;
                        lambda = std::max(lambda / 3, 1e-12L);
                        accepted = true;
                        if (small) return S;
                        continue;
                    }
                }
                lambda *= 4;
            }
            if (!accepted) break;
        }
        return S;
    }

private:
    static long double SumSquares(const std::vector<long double>& r) {
        long double s = 0;
        for (const long double v : r) s += v * v;
        return std::isfinite(s) ? s : kInfinity;
    }
    long double Value(std::size_t i, const std::vector<double>& c) {
        return evaluator_.Value(data_.PointX(points_[i]), c);
    }
    long double Y(std::size_t i) const { return data_.y[static_cast<std::size_t>(points_[i])]; }
    long double SqrtW(std::size_t i) const { return data_.sqrtw[static_cast<std::size_t>(points_[i])]; }

    ModelEvaluator evaluator_;
    const TFitData& data_;
    std::vector<std::int32_t> points_;
    const std::vector<double>& base_;
    const Roles& roles_;
    std::vector<long double> basis_, right_, solution_, scratch_;
};

std::vector<std::int32_t> EveryPoint(const TFitData& data) {
    std::vector<std::int32_t> points(static_cast<std::size_t>(data.n));
    std::iota(points.begin(), points.end(), 0);
    return points;
}

std::vector<std::int32_t> ThinnedPoints(const TFitData& data, std::size_t limit) {
    const auto n = static_cast<std::size_t>(data.n);
    if (n <= limit) return EveryPoint(data);
    std::vector<std::int32_t> points;
    for (std::size_t k = 0; k < limit; ++k) points.push_back(static_cast<std::int32_t>(k * n / limit));
    return points;
}

// The model is affine in Cj at a few points and random values of the rest;
// jointly so with every coefficient already taken as linear. The values of
// the rest are moderate (0.01..1 of either sign) and redrawn where the model
// cannot be evaluated; a coefficient never seen at two evaluable backgrounds
// counts as nonlinear.
Roles FindRoles(const TFitModel& model, const TFitData& data, const std::vector<double>& base,
                const std::vector<bool>& fixed, Random& random) {
    Roles roles;
    const auto m = static_cast<std::size_t>(model.m);
    ModelEvaluator evaluator(model);
    const std::vector<std::int32_t> probes = {0, data.n / 2, data.n - 1};
    const CoefficientRange moderate{0.01, 1};
    auto f = [&](const std::vector<double>& c, std::int32_t i) { return evaluator.Value(data.PointX(i), c); };
    auto near = [](long double a, long double scale) { return std::fabs(a) <= 1e-9L * scale + 1e-300L; };
    // Affine in Cj (and jointly with the solved ones) at one background; throws where it cannot be evaluated.
    auto affineAt = [&](std::vector<double> c, std::size_t j) {
        for (const int k : roles.solved) c[static_cast<std::size_t>(k)] = 0;
        for (const std::int32_t i : probes) {
            c[j] = 0;
            const long double f0 = f(c, i);
            c[j] = 1;
            const long double f1 = f(c, i);
            c[j] = 2.5;
            const long double f2 = f(c, i);
            const long double scale = std::fabs(f0) + std::fabs(f1) + std::fabs(f2);
            if (!near(f2 - f0 - 2.5L * (f1 - f0), scale)) return false;
            for (const int k : roles.solved) {
                const auto kk = static_cast<std::size_t>(k);
                c[j] = 1;
                c[kk] = 1;
                const long double f11 = f(c, i);
                c[j] = 0;
                const long double f01 = f(c, i);
                c[kk] = 0;
                if (!near(f11 - f01 - f1 + f0, scale + std::fabs(f11) + std::fabs(f01))) return false;
            }
        }
        return true;
    };
    for (std::size_t j = 0; j < m; ++j) {
        if (j < fixed.size() && fixed[j]) continue;
        int seen = 0;
        bool linear = true;
        for (int attempt = 0; attempt < 30 && seen < 2 && linear; ++attempt) {
            std::vector<double> c = base;
            for (std::size_t k = 0; k < m; ++k)
                if (!(k < fixed.size() && fixed[k])) c[k] = (random.Next() & 1 ? -1 : 1) * Draw(random, moderate);
            try {
                linear = affineAt(c, j);
                ++seen;
            } catch (const std::exception&) {
            }
        }
        (linear && seen == 2 ? roles.solved : roles.drawn).push_back(static_cast<int>(j));
    }
    return roles;
}

// Runs task(k, worker) for k = 0..count−1 over the threads, each with its own
// worker; shows progress between `from` and `to` percent and stops on Cancel.
template <class Worker, class MakeWorker, class Task>
bool RunParallel(std::size_t count, unsigned threads, MakeWorker makeWorker, Task task, ProgressSink& progress,
                 int from, int to, std::atomic<bool>& stop) {
    std::atomic<std::size_t> next{0}, done{0};
    auto work = [&] {
        QuietMessageSink quiet;
        ScopedMessageSink guard(quiet);
        Worker worker = makeWorker();
        for (;;) {
            const std::size_t k = next.fetch_add(1);
            if (k >= count || stop.load()) return;
            task(k, worker);
            done.fetch_add(1);
        }
    };
    std::vector<std::thread> pool;
    const unsigned used =
        std::max(1u, std::min<unsigned>(threads, static_cast<unsigned>(std::max<std::size_t>(count, 1))));
    for (unsigned t = 0; t < used; ++t) pool.emplace_back(work);
    while (done.load() < count && !stop.load()) {
        // Nothing left to hand out: wait for the last tasks to finish.
        if (next.load() >= count + used) break;
        progress.SetProgress(from + static_cast<int>((to - from) * static_cast<double>(done.load()) /
                                                     static_cast<double>(std::max<std::size_t>(count, 1))));
        if (progress.Cancelled()) stop = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    for (auto& thread : pool) thread.join();
    if (progress.Cancelled()) stop = true;
    return !stop.load();
}

struct Candidate {
    long double ssr = kInfinity;
    std::vector<double> theta;
    std::vector<double> c;
};

bool Better(const Candidate& a, std::size_t ia, const Candidate& b, std::size_t ib) {
    return a.ssr < b.ssr || (a.ssr == b.ssr && ia < ib);
}

// Indexes of the `count` best finite candidates, best first.
std::vector<std::size_t> BestOf(const std::vector<Candidate>& candidates, std::size_t count) {
    std::vector<std::size_t> order;
    for (std::size_t k = 0; k < candidates.size(); ++k)
        if (std::isfinite(candidates[k].ssr)) order.push_back(k);
    std::sort(order.begin(), order.end(),
              [&](std::size_t a, std::size_t b) { return Better(candidates[a], a, candidates[b], b); });
    if (order.size() > count) order.resize(count);
    return order;
}

// The program's own fit from c; the SSR it ends at (infinite when it found nothing).
Candidate PolishByFit(const TFitModel& model, const TFitData& data, const TFitConditions& conditions,
                      const std::vector<double>& c) {
    SilentProgressSink silent;
    TFitState state;
    state.data = data;
    state.model = model;
    state.conditions = conditions;
    state.conditions.maxIterations = std::max(conditions.maxIterations, kPolishIterations);
    state.results.coefficients = c;
    state.results.residuals.assign(static_cast<std::size_t>(data.n), 0.0);
    state.fields.ClearGridColumns(model.m);
    FitMarquardt(state, silent, {});
    Candidate out;
    if (state.results.valid) {
        out.c = state.results.coefficients;
        out.ssr = state.results.SSR;
    }
    return out;
}

}  // namespace

StartSearchResult SearchStartValues(const TFitModel& model, const TFitData& data, const TFitConditions& conditions,
                                    const StartSearchOptions& options, ProgressSink& progress) {
    // Candidates that cannot be evaluated are dropped, not reported.
    QuietMessageSink quiet;
    ScopedMessageSink guard(quiet);
    StartSearchResult result;
    result.message = kSearchFailedMessage;
    const auto m = static_cast<std::size_t>(model.m);
    if (m == 0 || data.n < 1) return result;
    std::vector<double> base = conditions.initialValues;
    base.resize(m, 1.0);
    std::vector<bool> fixed = conditions.fixed;
    fixed.resize(m, false);
    const unsigned threads = options.threads > 0 ? options.threads : std::max(1u, std::thread::hardware_concurrency());

    progress.StartProgress(kSearchProgressCaption);
    struct Finish {
        ProgressSink& progress;
        ~Finish() { progress.FinishProgress(); }
    } finish{progress};

    Random random(options.seed);
    const Roles roles = FindRoles(model, data, base, fixed, random);
    const std::size_t q = roles.drawn.size(), p = roles.solved.size();
    const std::vector<std::int32_t> screenPoints = ThinnedPoints(data, kScreenPoints), allPoints = EveryPoint(data);

    // Draws: the current values first, so the search never ends worse than them.
    std::size_t drawCount =
        options.draws > 0
            ? static_cast<std::size_t>(options.draws)
            : static_cast<std::size_t>(
                  std::clamp(kScreenEvaluations / static_cast<double>((p + 2) * screenPoints.size()), 200.0, 20000.0));
    if (q == 0) drawCount = 1;
    std::vector<Candidate> draws(drawCount);
    for (std::size_t k = 0; k < drawCount; ++k) {
        draws[k].theta.resize(q);
        for (std::size_t d = 0; d < q; ++d) {
            const auto j = static_cast<std::size_t>(roles.drawn[d]);
            draws[k].theta[d] =
                k == 0 ? base[j] : Draw(random, j < options.ranges.size() ? options.ranges[j] : std::nullopt);
        }
    }
    result.draws = static_cast<int>(drawCount);

    std::atomic<bool> stop{false};
    auto onScreen = [&] { return Projection(model, data, screenPoints, base, roles); };
    auto onAll = [&] { return Projection(model, data, allPoints, base, roles); };
    progress.SetComment("候補の選別");
    if (!RunParallel<Projection>(
            drawCount, threads, onScreen,
            [&](std::size_t k, Projection& projection) { draws[k].ssr = projection.Ssr(draws[k].theta, draws[k].c); },
            progress, 0, 40, stop)) {
        result.outcome = StartOutcome::Cancelled;
        result.message.clear();
        return result;
    }

    // Damped iterations on every point from the best draws (and the current values).
    std::vector<std::size_t> chosen = BestOf(draws, static_cast<std::size_t>(std::max(options.localStarts, 1)));
    if (std::find(chosen.begin(), chosen.end(), 0) == chosen.end()) chosen.push_back(0);
    std::vector<Candidate> local(chosen.size());
    progress.SetComment("候補からの反復");
    if (!RunParallel<Projection>(
            chosen.size(), threads, onAll,
            [&](std::size_t k, Projection& projection) {
                local[k].theta = draws[chosen[k]].theta;
                local[k].ssr = projection.Descend(local[k].theta, local[k].c, kLocalIterations, stop);
            },
            progress, 40, 85, stop)) {
        result.outcome = StartOutcome::Cancelled;
        result.message.clear();
        return result;
    }

    // The best few polished by the full fit, one after another (the fit reports through the one message port).
    progress.SetComment("最良の候補の仕上げ");
    const std::vector<std::size_t> finalists = BestOf(local, static_cast<std::size_t>(std::max(options.polished, 1)));
    Candidate best;
    std::size_t bestIndex = 0;
    for (std::size_t f = 0; f < finalists.size(); ++f) {
        if (progress.Cancelled()) {
            result.outcome = StartOutcome::Cancelled;
            result.message.clear();
            return result;
        }
        const Candidate& start = local[finalists[f]];
        Candidate polished = PolishByFit(model, data, conditions, start.c);
        const Candidate& winner = polished.ssr <= start.ssr ? polished : start;
        if (Better(winner, f, best, bestIndex)) {
            best = winner;
            bestIndex = f;
        }
        progress.SetProgress(
            85 + static_cast<int>(15.0 * static_cast<double>(f + 1) / static_cast<double>(finalists.size())));
    }
    if (!std::isfinite(best.ssr)) return result;
    for (const double v : best.c)
        if (!std::isfinite(v)) return result;

    const auto now = SumOfSquaresAt(model, data, base);
    if (now && *now <= best.ssr) {
        result.outcome = StartOutcome::CurrentBetter;
        result.message = kCurrentStartBetterMessage;
        return result;
    }
    result.outcome = StartOutcome::Estimated;
    result.values = best.c;
    result.ssr = best.ssr;
    result.message.clear();
    return result;
}

bool ParseCoefficientRange(const std::string& text, int m, std::vector<std::optional<CoefficientRange>>& ranges,
                           std::string& error) {
    const auto first = text.find(':');
    const auto second = first == std::string::npos ? first : text.find(':', first + 1);
    if (second == std::string::npos) {
        error = "--range: '" + text + "' is not j:low:high";
        return false;
    }
    const auto index = ParseInteger(text.substr(0, first));
    const auto low = ParseExtended(text.substr(first + 1, second - first - 1));
    const auto high = ParseExtended(text.substr(second + 1));
    if (!index || !low || !high || !std::isfinite(*low) || !std::isfinite(*high)) {
        error = "--range: '" + text + "' is not j:low:high";
        return false;
    }
    if (*index < 0 || *index >= m) {
        error = "--range: coefficient " + std::to_string(*index) + " is not one of C0..C" + std::to_string(m - 1);
        return false;
    }
    if (!(*low < *high)) {
        error = "--range: '" + text + "' needs low < high";
        return false;
    }
    ranges.resize(static_cast<std::size_t>(m));
    ranges[static_cast<std::size_t>(*index)] = CoefficientRange{static_cast<double>(*low), static_cast<double>(*high)};
    return true;
}

}  // namespace kurvex
