#include "core/regression/Distributions.h"

#include <array>
#include <cmath>
#include <numbers>

#include "core/regression/FloatingPoint.h"

namespace kurvex {

namespace {

constexpr long double kSqrtPi = 1.772453850905516027298167483341145183L;
constexpr long double kSqrtTwoPi = 2.506628274631000502415765284811045253L;

// The 9-point Gauss–Legendre rule on [−1, 1]: nodes and weights.
constexpr std::array<long double, 9> kNodes = {
    -0.968160239507626089835576202903672870L,
    -0.836031107326635794299429788069734877L,
    -0.613371432700590397308702039341474185L,
    -0.324253423403808929038538014643336609L,
    0.0L,
    0.324253423403808929038538014643336609L,
    0.613371432700590397308702039341474185L,
    0.836031107326635794299429788069734877L,
    0.968160239507626089835576202903672870L,
};
constexpr std::array<long double, 9> kWeights = {
    0.081274388361574411971892158110523651L, 0.180648160694857404058472031242912810L,
    0.260610696402935462318742869418632850L, 0.312347077040002840068630406584443666L,
    0.330239355001259763164525069286974049L, 0.312347077040002840068630406584443666L,
    0.260610696402935462318742869418632850L, 0.180648160694857404058472031242912810L,
    0.081274388361574411971892158110523651L,
};

constexpr long double kIntegralTolerance = 1e-15L;

// Beyond this argument the repeated product of GammaHalf comes near the top
// of the long double range, so ratios of Γ values go through logarithms.
constexpr long double kDirectGammaLimit = 1000.0L;

double ToDouble(long double v) {
    const double stored = static_cast<double>(v);
    if (!std::isfinite(stored)) throw FloatingPointFault("floating-point overflow");
    return stored;
}

void RequireDegreesOfFreedom(int nu) {
    if (nu <= 0) throw FloatingPointFault("degrees of freedom must be positive");
}

void RequireProbability(long double p) {
    if (!(p > 0 && p < 1)) throw FloatingPointFault("probability outside (0, 1)");
}

long double Refine(const Integrand& f, long double lo, long double hi, long double previous) {
    const long double mid = (lo + hi) / 2;
    const long double left = GaussLegendre9(f, lo, mid);
    const long double right = GaussLegendre9(f, mid, hi);
    const long double whole = left + right;
    const bool unsettled = std::fabs(previous - left - right) >= kIntegralTolerance * std::fabs(whole) &&
                           std::fabs(previous) + std::fabs(whole) >= kIntegralTolerance;
    if (unsettled || std::fabs(hi - lo) >= 1) return Refine(f, lo, mid, left) + Refine(f, mid, hi, right);
    return whole;
}

// Γ(a) / (Γ(b)·Γ(c)) for positive multiples of 1/2; c = 0 leaves Γ(c) out.
long double GammaHalfRatio(long double a, long double b, long double c = 0) {
    if (a <= kDirectGammaLimit) {
        long double denominator = GammaHalf(b);
        if (c > 0) denominator *= GammaHalf(c);
        return CheckedDivide(GammaHalf(a), denominator);
    }
    long double logRatio = std::lgamma(a) - std::lgamma(b);
    if (c > 0) logRatio -= std::lgamma(c);
    return CheckedExp(logRatio);
}

// F with FUpperProb(ν1, ν2, F) = p, by regula falsi (Illinois variant) on
// ln P against ln F from a bracket around a starting guess. The chi-square
// based expansions of the F quantile go badly wrong far in the tail with few
// denominator degrees of freedom (negative for (2, 3) at p = 0.0001, a tenth
// of the true value for (5, 4)), and the F test compares its F with this
// quantile, so the value is settled on the distribution function itself.
double SettleFQuantile(int nu1, int nu2, double p, long double start) {
    const long double logP = std::log(static_cast<long double>(p));
    // Zero where the upper probability equals p, decreasing in y = ln F.
    auto gap = [&](long double y) {
        const long double upper = FUpperProb(nu1, nu2, ToDouble(std::exp(y)));
        return (upper > 0 ? std::log(upper) : -1e4L) - logP;
    };
    long double lo = std::log(start > 0 && std::isfinite(start) ? start : 1.0L);
    long double gapLo = gap(lo);
    long double hi = lo;
    long double gapHi = gapLo;
    const long double widen = std::log(2.0L);
    while (gapHi > 0) {
        lo = hi;
        gapLo = gapHi;
        hi = lo + widen;
        if (hi > 11000) throw FloatingPointFault("F quantile not found");
        gapHi = gap(hi);
    }
    while (gapLo <= 0) {
        hi = lo;
        gapHi = gapLo;
        lo = hi - widen;
        if (lo < -11000) throw FloatingPointFault("F quantile not found");
        gapLo = gap(lo);
    }
    int lastMoved = 0;
    for (int iteration = 0; iteration < 200 && hi - lo > 1e-10L; ++iteration) {
        const long double y = hi - gapHi * (hi - lo) / (gapHi - gapLo);
        const long double g = gap(y);
        if (g == 0) return ToDouble(std::exp(y));
        if (g > 0) {
            lo = y;
            gapLo = g;
            if (lastMoved == -1) gapHi /= 2;
            lastMoved = -1;
        } else {
            hi = y;
            gapHi = g;
            if (lastMoved == 1) gapLo /= 2;
            lastMoved = 1;
        }
    }
    return ToDouble(std::exp(gapLo < -gapHi ? lo : hi));
}

}  // namespace

long double GaussLegendre9(const Integrand& f, long double lo, long double hi) {
    const long double halfWidth = (hi - lo) / 2;
    const long double centre = (lo + hi) / 2;
    long double sum = 0;
    for (std::size_t k = 0; k < kNodes.size(); ++k) sum += kWeights[k] * f(halfWidth * kNodes[k] + centre);
    return Finite(halfWidth * sum);
}

long double AdaptiveIntegral(const Integrand& f, long double lo, long double hi) {
    Finite(lo);
    Finite(hi);
    return Finite(Refine(f, lo, hi, 0));
}

long double PowerOf(long double a, long double b) { return CheckedExp(a * CheckedLn(b)); }

namespace {

// (1 + w)^a as e^(a·ln(1 + w)) with ln(1 + w) taken from w itself: with many
// degrees of freedom 1 + w rounds to 1 plus noise that the large exponent
// magnifies, and the adaptive integral chasing that noise never settles.
long double PowerOfOnePlus(long double a, long double w) { return CheckedExp(a * std::log1p(Finite(w))); }

}  // namespace

long double GammaHalf(long double x) {
    long double product = 1;
    while (x > 1.25L) {
        x -= 1;
        product = Finite(product * x);
    }
    return x > 0.75L ? product : product * kSqrtPi;
}

long double NormalCDF(long double x) {
    Finite(x);
    const Integrand density = [](long double t) { return std::exp(-t * t / 2); };
    if (x == 0) return 0.5L;
    if (x > 0) return 0.5L + AdaptiveIntegral(density, 0, x) / kSqrtTwoPi;
    return 0.5L - AdaptiveIntegral(density, x, 0) / kSqrtTwoPi;
}

double NormalUpperProb(double x) { return ToDouble(1 - NormalCDF(x)); }

long double TCDF(int nu, long double t) {
    RequireDegreesOfFreedom(nu);
    Finite(t);
    const long double v = nu;
    const Integrand kernel = [v](long double s) { return CheckedDivide(1, PowerOf((v + 1) / 2, s * s / v + 1)); };
    const long double scale = GammaHalfRatio((v + 1) / 2, v / 2) / std::sqrt(v * std::numbers::pi_v<long double>);
    if (t == 0) return 0.5L;
    if (t > 0) return 0.5L + scale * AdaptiveIntegral(kernel, 0, t);
    return 0.5L - scale * AdaptiveIntegral(kernel, t, 0);
}

long double ChiSquareCDF(int nu, long double x) {
    RequireDegreesOfFreedom(nu);
    Finite(x);
    if (x <= 0) return 0;
    const long double v = nu;
    if (nu > 1) {
        const Integrand density = [v](long double s) { return PowerOf(v / 2 - 1, s) * std::exp(-s / 2); };
        return CheckedDivide(AdaptiveIntegral(density, 0, x), GammaHalf(v / 2) * PowerOf(v / 2, 2));
    }
    // One degree of freedom: the square of a standard normal variable.
    const Integrand density = [](long double s) { return std::exp(-s * s / 2); };
    const long double root = std::sqrt(x);
    return AdaptiveIntegral(density, -root, root) / kSqrtTwoPi;
}

long double ChiSquareUpperProb(int nu, long double x) { return 1 - ChiSquareCDF(nu, x); }

long double FCDF(int nu1, int nu2, long double x) {
    RequireDegreesOfFreedom(nu1);
    RequireDegreesOfFreedom(nu2);
    Finite(x);
    if (x <= 0) return 0;
    const long double v1 = nu1;
    const long double v2 = nu2;
    if (nu1 > 1) {
        const Integrand density = [v1, v2](long double s) {
            return CheckedDivide(PowerOf(v1 / 2 - 1, s), PowerOfOnePlus((v1 + v2) / 2, v1 * s / v2));
        };
        const long double scale = GammaHalfRatio((v1 + v2) / 2, v1 / 2, v2 / 2) * PowerOf(v1 / 2, v1 / v2);
        return Finite(AdaptiveIntegral(density, 0, x) * scale);
    }
    // One numerator degree of freedom: the square of a t variable.
    const Integrand density = [v2](long double s) { return PowerOfOnePlus(-(v2 + 1) / 2, s * s / v2); };
    const long double root = std::sqrt(x);
    const long double scale = GammaHalfRatio((v2 + 1) / 2, v2 / 2) / std::sqrt(v2 * std::numbers::pi_v<long double>);
    return Finite(AdaptiveIntegral(density, -root, root) * scale);
}

double FUpperProb(int nu1, int nu2, double x) {
    // Far in the tail P(F > x) = P(1/F < 1/x) with 1/F following F(ν2, ν1).
    // The integral over [0, x] is cut into pieces narrower than 1, so its
    // cost grows with x: with ν2 = 1 an F near the test's critical value
    // (~5e7) took minutes. The reciprocal form is also free of the
    // cancellation in 1 − FCDF.
    constexpr double kReciprocalTailFrom = 1000.0;
    if (std::isfinite(x) && x > kReciprocalTailFrom) return ToDouble(FCDF(nu2, nu1, 1.0L / x));
    return ToDouble(1 - FCDF(nu1, nu2, x));
}

double NormalUpperQuantile(double p) {
    RequireProbability(p);
    const long double q = p > 0.5 ? 1 - static_cast<long double>(p) : p;
    const long double s = std::sqrt(-2 * CheckedLn(q));
    double z = ToDouble(s - (2.30753L + 0.27061L * s) / (1 + 0.99229L * s + 0.04481L * s * s));
    // One Newton step on the upper tail probability.
    z = ToDouble(z + CheckedDivide(NormalUpperProb(z) - q, 0.398942L * std::exp(-static_cast<long double>(z) * z / 2)));
    return p > 0.5 ? -z : z;
}

long double ChiSquareUpperQuantile(int nu, long double p) {
    RequireDegreesOfFreedom(nu);
    RequireProbability(p);
    if (nu == 1) {
        const long double z = NormalUpperQuantile(ToDouble(p / 2));
        return z * z;
    }
    if (nu == 2) return -2 * CheckedLn(p);

    // Wilson–Hilferty, refined by one Newton step for few degrees of freedom.
    const long double v = nu;
    const long double z = NormalUpperQuantile(ToDouble(p));
    const long double u = 2 / (9 * v);
    const long double cube = 1 - u + z * std::sqrt(u);
    long double x = v * cube * cube * cube;
    if (x < 0) x = 0;
    if (nu > 10) return x;

    long double gamma = nu % 2 == 0 ? 1.0L : 1.7724538509055159L;
    for (int k = 1; k <= (nu + 1) / 2 - 1; ++k) gamma *= v / 2 - k;
    const long double density = PowerOf(v / 2 - 1, x / 2) * std::exp(-x / 2) / 2 / gamma;
    return Finite(x + CheckedDivide(ChiSquareUpperProb(nu, x) - p, density));
}

long double TUpperQuantileLargeDf(int nu, long double p) {
    RequireDegreesOfFreedom(nu);
    const long double z = NormalUpperQuantile(ToDouble(p));
    const long double g = z * z;
    const long double v = nu;
    const long double v2 = v * v;
    const long double v3 = v2 * v;
    const long double v4 = v3 * v;
    const long double v5 = v4 * v;
    const long double g2 = g * g;
    const long double g3 = g2 * g;
    const long double g4 = g3 * g;
    const long double g5 = g4 * g;
    return z *
           (1 + (g + 1) / (4 * v) + (5 * g2 + 16 * g + 3) / (96 * v2) + (3 * g3 + 19 * g2 + 17 * g - 15) / (384 * v3) +
            (79 * g4 + 776 * g3 + 1482 * g2 - 1920 * g - 945) / (92160 * v4) +
            (27 * g5 + 339 * g4 + 930 * g3 - 1782 * g2 - 765 * g + 17955) / (368640 * v5));
}

namespace {

// The lower tail of Student's t: closed forms for one and two degrees of
// freedom, whose quantiles lie far out (636.6 at 99.9 % with ν = 1), where
// the integral's cost grows with t.
long double TLowerTail(int nu, long double t) {
    if (nu == 1) return 0.5L + std::atan(t) / std::numbers::pi_v<long double>;
    if (nu == 2) return 0.5L + t / (2 * std::sqrt(2 + t * t));
    // Far out, the upper tail with s = 1/u: ∫_t^∞ k(s) ds over [0, 1/t],
    // a short interval instead of one cut into t pieces.
    constexpr long double kTailFrom = 20;
    if (t <= kTailFrom) return TCDF(nu, t);
    const long double v = nu;
    const long double scale = GammaHalfRatio((v + 1) / 2, v / 2) / std::sqrt(v * std::numbers::pi_v<long double>);
    const long double factor = std::pow(v, (v + 1) / 2);
    const Integrand tail = [v, factor](long double u) {
        return std::pow(u, v - 1) * factor / std::pow(1 + v * u * u, (v + 1) / 2);
    };
    return 1 - scale * AdaptiveIntegral(tail, 0, 1 / t);
}

}  // namespace

double TUpperQuantile(int nu, double p) {
    RequireDegreesOfFreedom(nu);
    RequireProbability(p);
    if (nu > 30) return ToDouble(TUpperQuantileLargeDf(nu, p));

    // A decimal search from below: advance while the next point stays under
    // the wanted lower-tail probability, otherwise try a ten times smaller
    // step. Its first phase climbs in steps of 10 to the largest multiple of
    // 10 below the quantile; that multiple is found here by doubling and
    // bisection instead, so the cost no longer grows with t, and the digits
    // after it are searched exactly as before.
    const long double target = 1 - static_cast<long double>(p);
    long long below = 0, above = 1;  // in tens: F(10·below) < target ≤ F(10·above) once found
    while (target > TLowerTail(nu, 10.0L * above)) {
        below = above;
        above *= 2;
    }
    while (above - below > 1) {
        const long long middle = below + (above - below) / 2;
        if (target > TLowerTail(nu, 10.0L * middle)) below = middle;
        else above = middle;
    }
    double t = static_cast<double>(10 * below);
    if (target == TLowerTail(nu, 10.0L * above)) return t;
    double step = 1;
    while (step >= 1e-7L) {
        // Far out the remaining steps are below the resolution of t.
        if (static_cast<double>(static_cast<long double>(t) + step) == t) break;
        const long double e = TLowerTail(nu, static_cast<long double>(t) + step);
        if (target > e) {
            t = ToDouble(static_cast<long double>(t) + step);
        } else if (target == e) {
            break;
        } else {
            step = static_cast<double>(step * 0.1L);
        }
    }
    return t;
}

long double FQuantileExpansion(long double x, long double c, long double b, long double a) {
    const long double b2 = b * b;
    const long double b3 = b2 * b;
    const long double x2 = x * x;
    const long double x3 = x2 * x;
    return Finite((x / c) * (1 + (x - a) / (2 * b) + (4 * x2 - 11 * a * x + a * (7 * c - 10)) / (24 * b2) +
                             (2 * x3 - 10 * a * x2 + a * (17 * c - 26) * x - a * a * (9 * c - 6)) / (48 * b3)));
}

namespace {

// The expansion of the F quantile for ν1 ≥ 2, ν2 ≥ 3 in 1/ν of the larger
// degrees of freedom, averaged with Paulson's approximation when ν1 ≤ ν2 ≤ 10.
long double FExpansionQuantile(int nu1, int nu2, double p) {
    const long double v1 = nu1;
    const long double v2 = nu2;
    if (nu2 >= nu1) {
        const long double x = ChiSquareUpperQuantile(nu1, p);
        const long double expansion = FQuantileExpansion(x, v1, v2, v1 - 2);
        if (nu2 > 10) return expansion;
        const long double u = 2 / (9 * v1);
        const long double w = 2 / (9 * v2);
        const long double z = NormalUpperQuantile(p);
        const long double root = CheckedSqrt((1 - u) * (1 - u) * w + (1 - w) * (1 - w) * u - z * z * u * w);
        const long double base = CheckedDivide((1 - u) * (1 - w) + z * root, (1 - w) * (1 - w) - z * z * w);
        return Finite((expansion + base * base * base) / 2);
    }
    const long double x = ChiSquareUpperQuantile(nu2, 1 - static_cast<long double>(p));
    return CheckedDivide(1, FQuantileExpansion(x, v2, v1, v2 - 2));
}

}  // namespace

double FUpperQuantile(int nu1, int nu2, double p) {
    RequireDegreesOfFreedom(nu1);
    RequireDegreesOfFreedom(nu2);
    RequireProbability(p);
    const long double v1 = nu1;

    if (nu2 == 1) {
        // Closed form from the ratio of Γ values; exact in the limit of small p.
        long double v = nu1 % 2 == 0 ? 1.0L : 0.6366197723675814L;
        if (nu1 > 2) {
            long double r = (v1 - 1) / 2;
            for (int k = 0; k < (nu1 - 1) / 2; ++k) {
                v = v * r / (r - 0.5L);
                r -= 1;
            }
        }
        const long double ratio = v / p;
        return ToDouble(ratio * ratio / v1);
    }
    if (nu2 == 2) {
        const long double x = ChiSquareUpperQuantile(2, 1 - static_cast<long double>(p));
        return ToDouble(CheckedDivide(1, FQuantileExpansion(x, 2, v1, 0)));
    }
    if (nu1 == 1) {
        const long double t = TUpperQuantile(nu2, p / 2);
        return ToDouble(t * t);
    }
    long double expansion = 0;
    try {
        expansion = FExpansionQuantile(nu1, nu2, p);
    } catch (const FloatingPointFault&) {
        // The expansion has no value here (its chi-square quantile fails);
        // the search below starts from 1 instead.
    }
    return SettleFQuantile(nu1, nu2, p, expansion);
}

}  // namespace kurvex
