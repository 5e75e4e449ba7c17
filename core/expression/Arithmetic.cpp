#include "core/expression/Arithmetic.h"

namespace kurvex::arithmetic {

void RaiseNumericFault() { throw EvaluationError("計算中に浮動小数点の例外が発生しました", EvaluationFault::Numeric); }

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
