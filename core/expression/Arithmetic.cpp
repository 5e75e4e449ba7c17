#include "expression/Arithmetic.h"

#include <cstdint>

namespace kurvex::arithmetic {

void RaiseNumericFault() {
    throw EvaluationError("計算中に浮動小数点の例外が発生しました", EvaluationFault::Numeric);
}

namespace {

// Repeated squaring; a negative exponent takes the reciprocal at the end, so a
// negative base with an integral exponent works.
long double IntegerPower(long double base, std::int64_t exponent) {
    std::uint64_t remaining = exponent < 0 ? static_cast<std::uint64_t>(-exponent) : static_cast<std::uint64_t>(exponent);
    long double factor = base;
    long double result = 1.0L;
    while (remaining > 0) {
        while ((remaining & 1u) == 0) {
            remaining >>= 1;
            factor = Checked(factor * factor);
        }
        --remaining;
        result = Checked(result * factor);
    }
    if (exponent < 0) result = Checked(1.0L / result);
    return result;
}

}  // namespace

long double Power(long double base, long double exponent) {
    if (exponent == 0.0L) return 1.0L;
    if (base == 0.0L && exponent > 0.0L) return 0.0L;
    if (std::isfinite(exponent) && std::trunc(exponent) == exponent && std::fabs(exponent) <= 2147483647.0L) {
        return IntegerPower(base, static_cast<std::int64_t>(exponent));
    }
    const long double logarithm = Checked(std::log(base));
    return Checked(std::exp(Checked(exponent * logarithm)));
}

long double ApplyFunction(int code, long double x) {
    switch (code) {
        case kExp: return Checked(std::exp(x));
        case kLn: return Checked(std::log(x));
        case kSin: return Checked(std::sin(x));
        case kCos: return Checked(std::cos(x));
        case kTan: return Checked(std::tan(x));
        case kLog10: return Checked(std::log10(x));
        case kSinh: return Checked(std::sinh(x));
        case kCosh: return Checked(std::cosh(x));
        case kTanh:
            if (x > kTanhCutOff) return 1.0L;
            if (x < -kTanhCutOff) return -1.0L;
            return Checked(std::tanh(x));
        case kSqr: return Checked(x * x);
        case kSqrt: return Checked(std::sqrt(x));
        case kAbs: return Checked(std::fabs(x));
        case kPsgn: return x > 0.0L ? 1.0L : 0.0L;
        default: RaiseNumericFault();
    }
}

}  // namespace kurvex::arithmetic
