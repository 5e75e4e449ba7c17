#pragma once
// Division by zero, overflow and invalid operations are errors in every
// computation of the fit, never infinities or NaN: each operation that can
// produce them is checked and raises FloatingPointFault.
#include <cmath>
#include <stdexcept>

namespace kurvex {

class FloatingPointFault : public std::runtime_error {
public:
    explicit FloatingPointFault(const char* what) : std::runtime_error(what) {}
};

// A value that should be finite; a non-finite one is a fault.
inline long double Finite(long double v, const char* what = "floating-point overflow") {
    if (!std::isfinite(v)) throw FloatingPointFault(what);
    return v;
}

inline long double CheckedDivide(long double a, long double b) {
    if (b == 0) throw FloatingPointFault("division by zero");
    return Finite(a / b);
}

inline long double CheckedExp(long double v) { return Finite(std::exp(v)); }

inline long double CheckedLn(long double v) {
    if (!(v > 0)) throw FloatingPointFault("logarithm of a non-positive number");
    return std::log(v);
}

inline long double CheckedSqrt(long double v) {
    if (v < 0) throw FloatingPointFault("square root of a negative number");
    return std::sqrt(v);
}

}  // namespace kurvex
