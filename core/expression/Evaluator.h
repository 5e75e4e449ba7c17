#pragma once
// The formula evaluator. A formula is turned into a token string whose
// operands refer to slots of an operand table, then rewritten one rule per
// pass until a single operand remains. The order of the rules gives the
// language its precedence (2^3^2 = 64, 2^3^-1 = 2^(1/3), -X1^2 = -(X1^2)).
#include <array>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>

#include "core/expression/EvaluationError.h"

namespace kurvex {

// Operand slots are numbered 1..99 with two digits in the token string.
inline constexpr int kMaxOperands = 99;

struct OperandTable {
    std::array<long double, kMaxOperands + 1> slots{};  // slot 0 is never used
    int count = 0;
};

// Value of a formula for the variables X0..Xk (x[0] is X0; a model passes its
// explanatory values X1..Xn at x[1..n]) and the coefficients C0..Cm. The text
// must be normalised already. Shows "式のフォーマットエラー" for an identifier
// that does not resolve, "計算エラー" for a token string that cannot be
// reduced, and raises EvaluationError in both cases and for numeric faults
// (without a message). Never returns an infinity or NaN. Each text is
// reduced once and the recorded operations replayed (PreparedFormula.h).
long double EvaluateFormula(std::string_view formula, std::span<const double> x, std::span<const double> c);

// The same result computed by rewriting the token string on every call; kept
// as the reference the prepared evaluation is compared against.
long double EvaluateFormulaByRewriting(std::string_view formula, std::span<const double> x, std::span<const double> c);

// Turns a normalised formula into its token string ("A01+A02*A03^A04"),
// filling the table's slots from x, c, PI and numbers. Returns an empty text
// when an identifier does not resolve or there are more than 99 operands.
std::string TokenizeFormula(std::string_view formula, std::span<const double> x, std::span<const double> c,
                            OperandTable& table);

enum class ReduceOutcome {
    Reduced,           // a rule applied (or the string is a single operand)
    CalculationError,  // an operator that cannot be applied, or no rule applies
};

// Applies the first matching reduction rule once. Numeric faults raise
// EvaluationError without a message.
ReduceOutcome ReduceStep(std::string& tokens, OperandTable& table);

}  // namespace kurvex
