#include "core/regression/Fitting.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "core/common/CacheLine.h"
#include "core/common/MessageSink.h"
#include "core/common/NumberFormat.h"
#include "core/common/ParallelSweep.h"
#include "core/expression/Evaluator.h"
#include "core/regression/Distributions.h"
#include "core/regression/FloatingPoint.h"
#include "core/regression/LeastSquares.h"
#include "core/regression/Models.h"
#include "core/regression/Statistics.h"

namespace kurvex {

const char* FitEndName(FitEnd end) {
    switch (end) {
        case FitEnd::Converged: return "converged";
        case FitEnd::IterationLimit: return "iteration limit";
        case FitEnd::LambdaBound: return "lambda bound";
        case FitEnd::Cancelled: return "cancelled";
        case FitEnd::Error: return "error";
        case FitEnd::StartError: return "start error";
    }
    return "?";
}

std::string FitEndText(FitEnd end, bool linear, int iterations) {
    const std::string steps = "（繰り返し数：" + std::to_string(iterations) + "）";
    switch (end) {
        case FitEnd::Converged: return linear ? "最小二乗解が求まりました" : "収束しました" + steps;
        case FitEnd::IterationLimit: return "最大繰り返し数に達しました。収束していません" + steps;
        case FitEnd::LambdaBound: return "λが上限に達しました。収束していません" + steps;
        case FitEnd::Cancelled: return "中止しました。収束していません" + steps;
        case FitEnd::Error: return "計算エラーで止まりました。結果は最後に表示したものです" + steps;
        case FitEnd::StartError: return "計算できませんでした。結果はありません";
    }
    return {};
}

namespace {

std::size_t Index(std::int32_t row, std::int32_t column, std::int32_t columns) {
    return static_cast<std::size_t>(row) * static_cast<std::size_t>(columns) + static_cast<std::size_t>(column);
}

void EnsureSizes(TFitState& state) {
    const auto m = static_cast<std::size_t>(state.model.m);
    state.results.coefficients.resize(m, 1.0);
    if (state.results.residuals.size() != static_cast<std::size_t>(state.data.n))
        state.results.residuals.resize(static_cast<std::size_t>(state.data.n));
    if (state.fields.coefficients.size() < m) state.fields.coefficients.resize(m);
    if (state.fields.limits.size() < m) state.fields.limits.resize(m);
    state.results.inverseJtJ.clear();
}

// 2 − R limited to 2..10: the growth of λ after a poor step.
long double GrowthFactor(long double ratio) { return std::clamp(2 - ratio, 2.0L, 10.0L); }

// The ratio a trial point that cannot be evaluated counts with: λ grows the most.
constexpr long double kUnevaluableTrialRatio = -8;

// A part of a sweep over the points smaller than this is not worth a thread.
constexpr std::size_t kPointsPerPart = 4096;

// The working state of one part of a sweep: its own evaluator (prepared
// formulas and buffers) and coefficients to perturb for numeric derivatives.
// Written on every evaluation by its own thread: on cache lines of its own.
struct alignas(kCacheLineBytes) SweepWorker {
    SweepWorker(const TFitModel& model, std::int32_t m) : model(model), perturbedC(static_cast<std::size_t>(m), 0.0) {}
    ModelEvaluator model;
    CacheLineVector<double> perturbedC;
};

// Everything one Marquardt run works on, allocated once.
class MarquardtIteration {
public:
    MarquardtIteration(TFitState& state, ProgressSink& progress, const ResultObserver& observer,
                       const MarquardtTrace& trace)
        : state_(state),
          data_(state.data),
          conditions_(state.conditions),
          progress_(progress),
          observer_(observer),
          trace_(trace),
          n_(state.data.n),
          m_(state.model.m),
          main_(state.model, m_),
          J_(Index(n_, 0, m_), 0.0),
          JtJ_(Index(m_, 0, m_), 0.0),
          G_(Index(m_, 0, 2 * m_), 0.0),
          A_(Index(n_ + m_, 0, m_), 0.0),
          b_(static_cast<std::size_t>(n_ + m_), 0.0),
          delta_(static_cast<std::size_t>(m_), 0.0),
          trialC_(static_cast<std::size_t>(m_), 0.0),
          trialR_(static_cast<std::size_t>(n_), 0.0),
          inverseDiagonal_(static_cast<std::size_t>(m_), 0.0),
          undampedDelta_(static_cast<std::size_t>(m_), 0.0),
          fitted_(static_cast<std::size_t>(n_), 0.0L),
          trialFitted_(static_cast<std::size_t>(n_), 0.0L),
          work_(m_) {}

    FitEnd Run();
    std::uint64_t Evaluations() const { return model_.Evaluations() + workerEvaluations_; }

private:
    using PointSweep = std::function<void(SweepWorker& worker, std::int32_t begin, std::int32_t end)>;
    void SweepPoints(const PointSweep& sweep);
    void ComputeResiduals(std::span<const double> c, std::vector<double>& r, std::vector<long double>& fitted,
                          long double& ssr);
    void BuildJacobian();
    long double NumericDerivative(SweepWorker& worker, std::int32_t i, int j);
    void FormCrossProducts();
    void SolveStep(long double lambda, std::vector<double>& step);
    void ShowIteration();
    bool TryResiduals(std::span<const double> c, long double& ssr);
    bool WithinTolerance(const std::vector<double>& step) const;
    bool UndampedStepNegligible();
    bool DampHarder(long double& lambda, long double ratio);

    // What a trial step leaves to do: damp harder and try again, take a new
    // Jacobian at the accepted coefficients, or end the fit.
    struct StepVerdict {
        enum class Kind { DampAgain, Accepted, End } kind = Kind::DampAgain;
        FitEnd end = FitEnd::Converged;
        static StepVerdict DampAgain() { return {Kind::DampAgain}; }
        static StepVerdict Accepted() { return {Kind::Accepted}; }
        static StepVerdict End(FitEnd end) { return {Kind::End, end}; }
    };
    StepVerdict TryStep(long double& lambda, long double& S);
    long double PredictedChange(long double lambda, long double& stepSquared) const;
    void AdjustDamping(long double& lambda, long double ratio) const;

    TFitState& state_;
    const TFitData& data_;
    const TFitConditions& conditions_;
    ProgressSink& progress_;
    const ResultObserver& observer_;
    const MarquardtTrace& trace_;
    const std::int32_t n_;
    const std::int32_t m_;

    SweepWorker main_;  // the calling thread's part: the evaluator that also serves the rest of the run
    ModelEvaluator& model_ = main_.model;
    std::vector<std::unique_ptr<SweepWorker>> workers_;  // parts 1, 2, ... of a split sweep
    std::uint64_t workerEvaluations_ = 0;
    std::vector<double> J_, JtJ_, G_, A_, b_, delta_, trialC_, trialR_, inverseDiagonal_, undampedDelta_;
    // The model values at the current and the trial coefficients, unrounded:
    // the difference quotients take the residuals from them, and the shown
    // statistics need no further sweep over the points.
    std::vector<long double> fitted_, trialFitted_;
    LeastSquaresWorkspace work_;
    long double lambdaRestart_ = 0;
    bool inverseValid_ = false;     // (JᵀJ)⁻¹ of the current Jacobian could be formed
    std::optional<long double> t_;  // Student t factor; none without residual degrees of freedom
    std::int32_t iterations_ = 0;
};

// Runs the sweep over all points, split into parts over the threads. A
// one-thread sweep stops at its first fault; so the evaluations counted are
// those of the parts up to the failing one. The first point goes alone on
// this thread: a formula that cannot be evaluated at all says so there, once,
// with its message box, as on one thread; the other points cannot fail that way.
void MarquardtIteration::SweepPoints(const PointSweep& sweep) {
    const int parts = SweepParts(static_cast<std::size_t>(n_), kPointsPerPart);
    if (parts == 1) {
        sweep(main_, 0, n_);
        return;
    }
    sweep(main_, 0, 1);
    const auto rest = static_cast<std::size_t>(n_ - 1);
    while (workers_.size() + 1 < static_cast<std::size_t>(parts))
        workers_.push_back(std::make_unique<SweepWorker>(state_.model, m_));
    std::vector<std::uint64_t> evaluations(static_cast<std::size_t>(parts), 0);
    int failedPart = parts;
    auto countUpTo = [&](int lastPart) {
        for (int part = 1; part <= lastPart && part < parts; ++part)
            workerEvaluations_ += evaluations[static_cast<std::size_t>(part)];
    };
    try {
        RunParts(
            parts,
            [&](int part) {
                const PartRange range = RangeOfPart(rest, parts, part);
                const auto begin = static_cast<std::int32_t>(range.begin + 1),
                           end = static_cast<std::int32_t>(range.end + 1);
                if (part == 0) return sweep(main_, begin, end);
                SweepWorker& worker = *workers_[static_cast<std::size_t>(part - 1)];
                const std::uint64_t before = worker.model.Evaluations();
                try {
                    sweep(worker, begin, end);
                } catch (...) {
                    evaluations[static_cast<std::size_t>(part)] = worker.model.Evaluations() - before;
                    throw;
                }
                evaluations[static_cast<std::size_t>(part)] = worker.model.Evaluations() - before;
            },
            &failedPart);
    } catch (...) {
        countUpTo(failedPart);
        throw;
    }
    countUpTo(parts);
}

// The model values go into arrays point by point (in parts over the threads),
// then the SSR is summed in point order.
void MarquardtIteration::ComputeResiduals(std::span<const double> c, std::vector<double>& r,
                                          std::vector<long double>& fitted, long double& ssr) {
    SweepPoints([&](SweepWorker& worker, std::int32_t begin, std::int32_t end) {
        for (std::int32_t i = begin; i < end; ++i) {
            const long double f = worker.model.Value(data_.PointX(i), c);
            r[static_cast<std::size_t>(i)] = static_cast<double>(ModelEvaluator::WeightedResidualOf(data_, i, f));
            fitted[static_cast<std::size_t>(i)] = f;
        }
    });
    long double sum = 0;
    for (std::int32_t i = 0; i < n_; ++i) {
        const long double ri = ModelEvaluator::WeightedResidualOf(data_, i, fitted[static_cast<std::size_t>(i)]);
        sum += ri * ri;
    }
    ssr = Finite(sum);
}

// The increment search: shrink h tenfold until the quotients with h and h/10
// agree within the coefficient's tolerance, or h falls below 1e-20.
// Each quotient divides by the increment as actually stored in the 64-bit
// coefficient. While truncation dominates, the disagreement falls about
// tenfold per pass; once it grows again rounding has taken over, and the
// pair before is the most accurate this search can give (the passes further
// down perturb below the coefficient's resolution and are noise).
// A pass's wide increment is the narrow one of the pass before (both are
// h/10 of that pass, rounded alike), so its quotient is the one already
// formed: each pass after the first evaluates the model once, not twice.
long double MarquardtIteration::NumericDerivative(SweepWorker& worker, std::int32_t i, int j) {
    auto& c = worker.perturbedC;
    ModelEvaluator& model = worker.model;
    const auto jj = static_cast<std::size_t>(j);
    const double cj = state_.results.coefficients[jj];
    const long double ri = ModelEvaluator::WeightedResidualOf(data_, i, fitted_[static_cast<std::size_t>(i)]);
    const long double tolerance = conditions_.tolerances[jj];
    long double h = conditions_.h0[jj];
    long double previous = 0, previousDisagreement = std::numeric_limits<long double>::infinity();
    double wide = static_cast<double>(cj + h);
    bool haveWide = false;  // d1 holds the quotient for wide
    long double d1 = 0;
    for (;;) {
        const long double next = h / 10;
        const double narrow = static_cast<double>(cj + next);
        if (wide == cj || narrow == cj) return previous;
        if (!haveWide) {
            c[jj] = wide;
            const long double r1 = ModelEvaluator::WeightedResidualOf(data_, i, model.PointValue(c));
            d1 = CheckedDivide(r1 - ri, static_cast<long double>(wide) - cj);
        }
        c[jj] = narrow;
        const long double r2 = ModelEvaluator::WeightedResidualOf(data_, i, model.PointValue(c));
        c[jj] = cj;
        const long double d2 = CheckedDivide(r2 - ri, static_cast<long double>(narrow) - cj);
        const long double disagreement = std::fabs(d1 - d2);
        if (disagreement < tolerance) return d2;
        if (disagreement > previousDisagreement) return previous;
        previous = d2;
        previousDisagreement = disagreement;
        h = next;
        if (h < 1e-20L) return d2;
        wide = narrow;
        d1 = d2;
        haveWide = true;
    }
}

void MarquardtIteration::BuildJacobian() {
    const auto& c = state_.results.coefficients;
    const bool numeric = state_.model.numericDerivatives;
    SweepPoints([&](SweepWorker& worker, std::int32_t begin, std::int32_t end) {
        if (numeric) std::copy(c.begin(), c.end(), worker.perturbedC.begin());
        for (std::int32_t i = begin; i < end; ++i) {
            worker.model.SetPoint(data_.PointX(i));
            for (int j = 0; j < m_; ++j) {
                // A coefficient held fixed has no column: the step leaves it where it is.
                if (IsFixed(conditions_, j)) {
                    J_[Index(i, j, m_)] = 0.0;
                    continue;
                }
                const long double d =
                    numeric ? NumericDerivative(worker, i, j)
                            : -data_.sqrtw[static_cast<std::size_t>(i)] * worker.model.PointDerivative(j, c);
                J_[Index(i, j, m_)] = static_cast<double>(Finite(d));
            }
        }
    });
}

// Each element of JᵀJ is one sum in point order; the elements are shared out
// among the threads, not the points.
void MarquardtIteration::FormCrossProducts() {
    std::vector<std::pair<int, int>> elements;
    for (int j = 0; j < m_; ++j)
        for (int k = 0; k <= j; ++k) elements.emplace_back(j, k);
    const int parts = std::min(static_cast<int>(elements.size()),
                               SweepParts(static_cast<std::size_t>(n_) * elements.size(), kPointsPerPart));
    RunParts(parts, [&](int part) {
        for (std::size_t e = static_cast<std::size_t>(part); e < elements.size();
             e += static_cast<std::size_t>(parts)) {
            const auto [j, k] = elements[e];
            long double s = 0;
            for (std::int32_t i = 0; i < n_; ++i)
                s += static_cast<long double>(J_[Index(i, j, m_)]) * J_[Index(i, k, m_)];
            const double stored = static_cast<double>(Finite(s));
            JtJ_[Index(j, k, m_)] = stored;
            JtJ_[Index(k, j, m_)] = stored;
        }
    });
    const int width = 2 * m_;
    for (int j = 0; j < m_; ++j)
        for (int k = 0; k < width; ++k)
            G_[Index(j, k, width)] = k < m_ ? JtJ_[Index(j, k, m_)] : (k - m_ == j ? 1.0 : 0.0);
    // A fixed coefficient's zero row and column get a unit diagonal, so that
    // the inverse is that of the free coefficients' block.
    for (int j = 0; j < m_; ++j)
        if (IsFixed(conditions_, j)) G_[Index(j, j, width)] = 1.0;
    // λc = 1 / trace of the inverse of JᵀJ scaled to unit diagonal, the same
    // scaling as the damping block √(λ·JᵀJ[j][j]): λ is then free of the
    // coefficients' units, and so is its upper bound. A numerically singular
    // JᵀJ (no inverse, or a trace that rounding made non-positive) restarts
    // from λ = 1, damping as strongly as the diagonal itself; the stacked
    // solve copes with the rank, only the limits are then not available.
    inverseValid_ = true;
    try {
        InvertGaussJordan(G_.data(), m_);
    } catch (const FloatingPointFault&) {
        inverseValid_ = false;
    }
    long double trace = 0;
    for (int j = 0; j < m_ && inverseValid_; ++j) {
        inverseDiagonal_[static_cast<std::size_t>(j)] = G_[Index(j, m_ + j, width)];
        if (IsFixed(conditions_, j)) continue;
        trace += static_cast<long double>(inverseDiagonal_[static_cast<std::size_t>(j)]) * JtJ_[Index(j, j, m_)];
    }
    if (!std::isfinite(trace)) inverseValid_ = false;
    lambdaRestart_ = inverseValid_ && trace > 0 ? CheckedDivide(1, trace) : 1.0L;
}

// δ from min |[J; √(λ·diag JᵀJ)]·δ + [r; 0]|.
void MarquardtIteration::SolveStep(long double lambda, std::vector<double>& step) {
    std::copy(J_.begin(), J_.end(), A_.begin());
    std::fill(A_.begin() + static_cast<std::ptrdiff_t>(Index(n_, 0, m_)), A_.end(), 0.0);
    for (int j = 0; j < m_; ++j)
        A_[Index(n_ + j, j, m_)] = static_cast<double>(CheckedSqrt(Finite(lambda * JtJ_[Index(j, j, m_)])));
    const auto& r = state_.results.residuals;
    for (std::int32_t i = 0; i < n_; ++i) b_[static_cast<std::size_t>(i)] = -r[static_cast<std::size_t>(i)];
    std::fill(b_.begin() + n_, b_.end(), 0.0);
    SolveLeastSquares(n_ + m_, m_, A_.data(), step.data(), b_.data(), work_);
}

bool MarquardtIteration::TryResiduals(std::span<const double> c, long double& ssr) {
    try {
        ComputeResiduals(c, trialR_, trialFitted_, ssr);
        return true;
    } catch (const EvaluationError&) {
        return false;
    } catch (const FloatingPointFault&) {
        return false;
    }
}

bool MarquardtIteration::WithinTolerance(const std::vector<double>& step) const {
    for (int j = 0; j < m_; ++j)
        if (!(std::fabs(step[static_cast<std::size_t>(j)]) <= conditions_.tolerances[static_cast<std::size_t>(j)]))
            return false;
    return true;
}

// The Gauss–Newton step from the current coefficients is within the
// tolerances, or promises a reduction of the SSR lost in rounding.
bool MarquardtIteration::UndampedStepNegligible() {
    std::fill(undampedDelta_.begin(), undampedDelta_.end(), 0.0);
    SolveStep(0, undampedDelta_);
    if (WithinTolerance(undampedDelta_)) return true;
    long double promised = 0;
    for (int i = 0; i < m_; ++i)
        for (int j = 0; j < m_; ++j)
            promised += static_cast<long double>(undampedDelta_[static_cast<std::size_t>(i)]) * JtJ_[Index(i, j, m_)] *
                        undampedDelta_[static_cast<std::size_t>(j)];
    return promised <= 1e-10L * state_.results.SSR + 1e-28L * std::fabs(data_.Syy);
}

// λ after a rejected step: λc from 0, else grown by the ratio's factor.
// False, with the warning shown, once λ reaches its upper bound.
bool MarquardtIteration::DampHarder(long double& lambda, long double ratio) {
    lambda = lambda == 0 ? lambdaRestart_ : Finite(GrowthFactor(ratio) * lambda);
    if (lambda < conditions_.lambdaUpperBound) return true;
    Messages().Show(MessageKind::Warning, kLambdaTooLargeMessage, MessageButtons::Ok);
    return false;
}

void MarquardtIteration::ShowIteration() {
    TResultFields& fields = state_.fields;
    fields.iterations = iterations_;
    fields.comment = kIterationCommentPrefix + std::to_string(iterations_);
    progress_.SetComment(fields.comment);
    const int maxIterations = conditions_.maxIterations;
    const long double share = maxIterations > 0 ? static_cast<long double>(iterations_) / maxIterations : 1.0L;
    progress_.SetProgress(static_cast<int>(std::clamp(RoundHalfEven(share * 100), 0LL, 100LL)));

    const auto& c = state_.results.coefficients;
    ShowFitStatistics(state_, fitted_);
    TFitStatistics& figures = state_.results.statistics;
    const auto& se = figures.SE;
    figures.t = t_;
    figures.halfWidths.assign(static_cast<std::size_t>(m_), std::nullopt);
    for (int j = 0; j < m_; ++j) {
        const auto jj = static_cast<std::size_t>(j);
        fields.coefficients[jj] = FormatNumber(c[jj], kResultPrecision);
        if (IsFixed(conditions_, j)) {
            fields.limits[jj] = kFixedText;
            continue;
        }
        // A negative diagonal of the inverse (a nearly singular JᵀJ) has no limit.
        if (se && t_ && inverseValid_ && inverseDiagonal_[jj] >= 0)
            figures.halfWidths[jj] = *se * *t_ * std::sqrt(static_cast<long double>(inverseDiagonal_[jj]));
        fields.limits[jj] = ResultText(figures.halfWidths[jj]);
    }
    // The inverse behind these limits, for the standard errors and bands of the report.
    auto& inverse = state_.results.inverseJtJ;
    inverse.clear();
    if (inverseValid_)
        for (int j = 0; j < m_; ++j)
            for (int k = 0; k < m_; ++k) inverse.push_back(G_[Index(j, m_ + k, 2 * m_)]);
    if (observer_) observer_(fields);
    progress_.ProcessPendingEvents();
    state_.results.valid = true;
}

// −(δᵀJᵀJδ + 2λ·δᵀDδ), D = diag JᵀJ: minus the reduction the damped linear
// model predicts for the step it was solved with. `stepSquared` gets δᵀδ.
long double MarquardtIteration::PredictedChange(long double lambda, long double& stepSquared) const {
    long double quadratic = 0, dampedSquared = 0;
    stepSquared = 0;
    for (int i = 0; i < m_; ++i) {
        const long double di = delta_[static_cast<std::size_t>(i)];
        long double row = 0;
        for (int j = 0; j < m_; ++j) row += JtJ_[Index(i, j, m_)] * delta_[static_cast<std::size_t>(j)];
        quadratic += di * row;
        dampedSquared += di * di * JtJ_[Index(i, i, m_)];
        stepSquared += di * di;
    }
    return Finite(-quadratic - 2 * lambda * dampedSquared);
}

// λ after an accepted step: halved (down to none) when the linear model
// predicted the change well, raised when it predicted it badly.
void MarquardtIteration::AdjustDamping(long double& lambda, long double ratio) const {
    if (ratio >= 0.75L) {
        lambda /= 2;
        if (lambda < lambdaRestart_) lambda = 0;
    } else if (ratio <= 0.25L) {
        lambda = lambda == 0 ? lambdaRestart_ : Finite(GrowthFactor(ratio) * lambda);
    }
}

// One trial step from the current coefficients with the current Jacobian.
MarquardtIteration::StepVerdict MarquardtIteration::TryStep(long double& lambda, long double& S) {
    TFitResults& results = state_.results;
    SolveStep(lambda, delta_);
    for (int j = 0; j < m_; ++j)
        trialC_[static_cast<std::size_t>(j)] =
            static_cast<double>(results.coefficients[static_cast<std::size_t>(j)] +
                                static_cast<long double>(delta_[static_cast<std::size_t>(j)]));
    ++iterations_;
    results.iterations = iterations_;
    results.evaluations = Evaluations();
    long double trialS = 0;
    // A trial point where the model cannot be evaluated (an overflowing
    // exponential after a wild step) is a failed step, not a failed fit:
    // reject it and damp harder.
    if (!TryResiduals(trialC_, trialS)) {
        if (trace_)
            trace_({iterations_, lambda, lambdaRestart_, S, std::numeric_limits<long double>::infinity(),
                    kUnevaluableTrialRatio, false, Evaluations()});
        if (DampHarder(lambda, kUnevaluableTrialRatio)) return StepVerdict::DampAgain();
        return StepVerdict::End(FitEnd::LambdaBound);
    }

    long double stepSquared = 0;
    const long double predicted = PredictedChange(lambda, stepSquared);
    // A step of exactly zero (an exact fit, or a fit already at the minimum
    // to the last bit) changes nothing, which is what was predicted: a ratio
    // of 1, not a 0/0 fault.
    const long double ratio = stepSquared == 0 && trialS == S ? 1.0L : CheckedDivide(trialS - S, predicted);
    if (trace_) trace_({iterations_, lambda, lambdaRestart_, S, trialS, ratio, !(trialS > S), Evaluations()});

    if (trialS > S) {
        // At the minimum rounding alone can make a step fail; a failed step
        // within the tolerances whose undamped step is negligible too finds
        // the coefficients already converged.
        if (inverseValid_ && WithinTolerance(delta_) && (lambda == 0 || UndampedStepNegligible())) {
            if (!results.valid) ShowIteration();
            return StepVerdict::End(FitEnd::Converged);
        }
        if (DampHarder(lambda, ratio)) return StepVerdict::DampAgain();
        return StepVerdict::End(FitEnd::LambdaBound);
    }

    const long double lambdaUsed = lambda;
    std::copy(trialC_.begin(), trialC_.end(), results.coefficients.begin());
    std::swap(results.residuals, trialR_);
    std::swap(fitted_, trialFitted_);
    S = trialS;
    results.SSR = S;
    if (progress_.Cancelled()) return StepVerdict::End(FitEnd::Cancelled);
    ShowIteration();
    AdjustDamping(lambda, ratio);

    // Coefficients the data do not determine (JᵀJ has no inverse) have not
    // converged, however small the step. A damped step can be small only
    // because λ is large while the coefficients still drift (a valley running
    // off to infinity); it counts only when the undamped step from here is
    // negligible too.
    bool converged = inverseValid_ && WithinTolerance(delta_);
    if (converged && lambdaUsed != 0) converged = UndampedStepNegligible();
    if (converged) return StepVerdict::End(FitEnd::Converged);
    if (iterations_ > conditions_.maxIterations) return StepVerdict::End(FitEnd::IterationLimit);
    return StepVerdict::Accepted();
}

FitEnd MarquardtIteration::Run() {
    TFitResults& results = state_.results;
    long double S = 0;
    try {
        ComputeResiduals(results.coefficients, results.residuals, fitted_, S);
    } catch (const std::exception&) {
        Messages().Show(MessageKind::Confirmation, kStartFailedMessage, MessageButtons::Ok);
        return FitEnd::StartError;
    }

    try {
        const long long dfT = RoundHalfEven(data_.N) - FreeCoefficientCount(state_.model, conditions_);
        if (dfT > 0) t_ = TUpperQuantile(DegreesOfFreedomArgument(dfT), static_cast<double>(conditions_.alpha / 2));
        long double lambda = 0;
        results.SSR = S;
        iterations_ = 0;
        for (;;) {
            // A new Jacobian at the coefficients of each accepted step; the
            // trial steps from it are damped harder until one is accepted.
            BuildJacobian();
            FormCrossProducts();
            StepVerdict verdict;
            do verdict = TryStep(lambda, S);
            while (verdict.kind == StepVerdict::Kind::DampAgain);
            if (verdict.kind == StepVerdict::Kind::End) return verdict.end;
        }
    } catch (const std::exception&) {
        ShowError(kCalculationErrorMessage);
        return FitEnd::Error;
    }
}

// Restores the data set and the model index after the log-linear start.
class AllometricStartGuard {
public:
    explicit AllometricStartGuard(TFitState& state)
        : state_(state),
          n_(state.data.n),
          x_(state.data.x),
          y_(state.data.y),
          sqrtw_(state.data.sqrtw),
          index_(state.model.index) {}
    ~AllometricStartGuard() {
        state_.data.n = n_;
        state_.data.x = std::move(x_);
        state_.data.y = std::move(y_);
        state_.data.sqrtw = std::move(sqrtw_);
        state_.model.index = index_;
    }
    AllometricStartGuard(const AllometricStartGuard&) = delete;
    AllometricStartGuard& operator=(const AllometricStartGuard&) = delete;

private:
    TFitState& state_;
    std::int32_t n_;
    std::vector<double> x_, y_, sqrtw_;
    std::int32_t index_;
};

}  // namespace

FitEnd FitMarquardt(TFitState& state, ProgressSink& progress, const ResultObserver& observer,
                    const MarquardtTrace& trace) {
    state.results.valid = false;
    EnsureSizes(state);
    std::optional<MarquardtIteration> iteration;
    try {
        iteration.emplace(state, progress, observer, trace);
    } catch (const std::bad_alloc&) {
        ShowError(kCalculationErrorMessage);
        return FitEnd::Error;
    }
    state.results.iterations = 0;
    const FitEnd end = iteration->Run();
    state.results.evaluations = iteration->Evaluations();
    return end;
}

FitEnd FitLinear(TFitState& state, ProgressSink& progress, const ResultObserver& observer) {
    TFitResults& results = state.results;
    const TFitData& data = state.data;
    results.valid = false;
    EnsureSizes(state);
    const std::int32_t n = data.n;
    const int m = state.model.m;
    try {
        std::vector<double> a(Index(n, 0, m), 0.0), b(static_cast<std::size_t>(n), 0.0),
            x(static_cast<std::size_t>(m), 0.0);
        LeastSquaresWorkspace work(m);
        for (std::int32_t i = 0; i < n; ++i) {
            const double sw = data.sqrtw[static_cast<std::size_t>(i)];
            const auto xi = data.PointX(i);
            for (int j = 0; j <= m; ++j) {
                if (progress.Cancelled()) return FitEnd::Cancelled;
                if (j == m) {
                    b[static_cast<std::size_t>(i)] = sw * data.y[static_cast<std::size_t>(i)];
                } else if (j == 0) {
                    a[Index(i, 0, m)] = sw;
                } else if (state.model.index == 0) {
                    a[Index(i, j, m)] = sw * xi[static_cast<std::size_t>(j - 1)];
                } else {
                    const long double power =
                        j == 1 ? static_cast<long double>(xi[0]) : static_cast<long double>(xi[0]) * xi[0];
                    a[Index(i, j, m)] = static_cast<double>(Finite(sw * power));
                }
            }
        }
        if (!SolveLeastSquares(n, m, a.data(), x.data(), b.data(), work)) {
            ShowError(kCalculationErrorMessage);
            return FitEnd::Error;
        }
        std::copy(x.begin(), x.end(), results.coefficients.begin());

        ModelEvaluator model(state.model);
        long double S = 0;
        for (std::int32_t i = 0; i < n; ++i) {
            const long double r = model.WeightedResidual(data, i, results.coefficients);
            results.residuals[static_cast<std::size_t>(i)] = static_cast<double>(r);
            S += r * r;
        }
        results.SSR = Finite(S);
        ShowFitStatistics(state, results.coefficients, model);
        for (int j = 0; j < m; ++j)
            state.fields.coefficients[static_cast<std::size_t>(j)] =
                FormatNumber(results.coefficients[static_cast<std::size_t>(j)], kResultPrecision);
        results.valid = true;
        if (observer) observer(state.fields);
        return FitEnd::Converged;
    } catch (const std::exception&) {
        ShowError(kCalculationErrorMessage);
        return FitEnd::Error;
    }
}

FitEnd FitAllometric(TFitState& state, ProgressSink& progress, const ResultObserver& observer) {
    {
        AllometricStartGuard restore(state);
        TFitData& data = state.data;
        // ln y = ln C0 + C1·ln x over the points with x > 0 and y > 0, in their order.
        std::int32_t kept = 0;
        for (std::int32_t i = 0; i < data.n; ++i) {
            const double x = data.x[static_cast<std::size_t>(i)];
            const double y = data.y[static_cast<std::size_t>(i)];
            if (!(x > 0 && y > 0)) continue;
            data.x[static_cast<std::size_t>(kept)] = std::log(x);
            data.y[static_cast<std::size_t>(kept)] = std::log(y);
            data.sqrtw[static_cast<std::size_t>(kept)] = data.sqrtw[static_cast<std::size_t>(i)];
            ++kept;
        }
        data.n = kept;
        state.model.index = 0;
        // With fewer than two usable points there is no line; the iteration
        // starts from the typed values. The line only supplies the start: its
        // figures, taken against the untransformed data, describe no fit of
        // this model (an R² above 1 among them), so they are never shown.
        const TResultFields shownBefore = state.fields;
        const std::vector<double> typed = state.results.coefficients;
        if (kept >= 2 && FitLinear(state, progress, {}) == FitEnd::Converged) {
            auto& c = state.results.coefficients;
            const long double c0 = std::exp(static_cast<long double>(c[0]));
            if (std::isfinite(static_cast<double>(c0))) c[0] = static_cast<double>(c0);
            else c = typed;
        } else {
            state.results.coefficients = typed;
        }
        state.fields = shownBefore;
        state.results.statistics = {};
    }
    return FitMarquardt(state, progress, observer);
}

}  // namespace kurvex
