#include "core/tools/NiceRange.h"

#include <cmath>

namespace kurvex {

namespace {

// Truncation toward zero for positive values; for negative ones a value less
// than a thousandth above an integer in magnitude counts as that integer.
long double TruncateOutward(long double v) { return v >= 0 ? std::trunc(v) : -std::trunc(std::fabs(v) + 0.999L); }

}  // namespace

bool NiceRange(double& lo, double& hi, int& k) {
    const long double d = static_cast<long double>(hi) - lo;
    if (!std::isfinite(d) || !(d > 0) || k < 2) return false;

    long double best = 9;
    long double step = 0;
    long double fallback = 0;  // when no candidate beats 9, the first one
    for (int m = k - 1; m <= k + 1; ++m) {
        const long double perDivision = d / m;
        const long double logarithm = std::log10(perDivision);
        const long double e = logarithm > 0 ? std::trunc(logarithm) : -std::trunc(std::fabs(logarithm) + 0.999L);
        const long double power = std::pow(10.0L, e);
        const long double r = std::nearbyint(perDivision / power);
        if (m == k - 1) fallback = r * power;
        if (r < best) {
            best = r;
            step = r * power;
        }
    }
    if (step == 0) step = fallback;
    if (!(step > 0)) return false;

    const long double newLo = TruncateOutward(lo / step) * step;
    const long double divisions = std::trunc((hi - newLo) / step + 0.999L);
    if (!std::isfinite(newLo) || !(divisions >= 1) || divisions > 2147483647.0L) return false;
    lo = static_cast<double>(newLo);
    k = static_cast<int>(divisions);
    hi = static_cast<double>(newLo + divisions * step);
    return true;
}

}  // namespace kurvex
