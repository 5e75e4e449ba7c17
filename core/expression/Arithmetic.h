#pragma once
// The numeric operations of the evaluator, shared by the rewriting and the
// prepared evaluation so that both give the same bits. Every result is
// checked: an infinity or NaN means division by zero, an invalid operation or
// overflow, and ends the evaluation. Underflow passes.
#include <cmath>

#include "expression/Evaluator.h"

namespace kurvex::arithmetic {

inline constexpr long double kPi = 3.14159265358979323846264338327950288L;
// Beyond this magnitude tanh is exactly ±1 (e^2x would overflow first).
inline constexpr long double kTanhCutOff = 5678.2224944132199997L;

enum FunctionCode : int {
    kExp = 1, kLn, kSin, kCos, kTan, kLog10, kSinh, kCosh, kTanh, kSqr, kSqrt, kAbs, kPsgn,
};
inline constexpr int kFunctionCount = 13;

[[noreturn]] void RaiseNumericFault();

inline long double Checked(long double value) {
    if (!std::isfinite(value)) RaiseNumericFault();
    return value;
}

long double Power(long double base, long double exponent);
long double ApplyFunction(int code, long double argument);

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
