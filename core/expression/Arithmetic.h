#pragma once
// The numeric operations of the evaluator, shared by the rewriting and the
// prepared evaluation so that both give the same bits. Every result is
// checked: an infinity or NaN means division by zero, an invalid operation or
// overflow, and ends the evaluation. Underflow passes.
#include <cmath>
#include <cstdint>
#include <numbers>

#include "core/expression/Evaluator.h"

namespace kurvex::arithmetic {

inline constexpr long double kPi = std::numbers::pi_v<long double>;
// Beyond this magnitude tanh is exactly ±1 (e^2x would overflow first).
inline constexpr long double kTanhCutOff = 5678.2224944132199997L;

enum FunctionCode : int {
    kExp = 1,
    kLn,
    kSin,
    kCos,
    kTan,
    kLog10,
    kSinh,
    kCosh,
    kTanh,
    kSqr,
    kSqrt,
    kAbs,
    kPsgn,
};
inline constexpr int kFunctionCount = 13;

[[noreturn]] void RaiseNumericFault();

inline long double Checked(long double value) {
    if (!std::isfinite(value)) RaiseNumericFault();
    return value;
}

long double ApplyFunction(int code, long double argument);

// Repeated squaring; a negative exponent takes the reciprocal at the end, so a
// negative base with an integral exponent works. `check` passes a finite
// value on and raises the caller's own fault otherwise (the built-in models
// raise theirs).
template <class Check>
long double PowerBySquaring(long double base, std::int64_t exponent, Check check) {
    std::uint64_t remaining =
        exponent < 0 ? static_cast<std::uint64_t>(-exponent) : static_cast<std::uint64_t>(exponent);
    long double factor = base;
    long double result = 1.0L;
    while (remaining > 0) {
        while ((remaining & 1u) == 0) {
            remaining >>= 1;
            factor = check(factor * factor);
        }
        --remaining;
        result = check(result * factor);
    }
    if (exponent < 0) result = check(1.0L / result);
    return result;
}

inline long double IntegerPower(long double base, std::int64_t exponent) {
    return PowerBySquaring(base, exponent, [](long double v) { return Checked(v); });
}

inline long double Power(long double base, long double exponent) {
    if (exponent == 0.0L) return 1.0L;
    if (base == 0.0L && exponent > 0.0L) return 0.0L;
    if (std::fabs(exponent) <= 2147483647.0L) {  // false for NaN and infinities too
        const auto integral = static_cast<std::int64_t>(exponent);
        if (static_cast<long double>(integral) == exponent) return IntegerPower(base, integral);
    }
    const long double logarithm = Checked(std::log(base));
    return Checked(std::exp(Checked(exponent * logarithm)));
}

// op is one of '+', '-', '*', '/'.
inline long double ApplyBinary(char op, long double left, long double right) {
    switch (op) {
        case '+': return Checked(left + right);
        case '-': return Checked(left - right);
        case '*': return Checked(left * right);
        default: return Checked(left / right);
    }
}

}  // namespace kurvex::arithmetic
