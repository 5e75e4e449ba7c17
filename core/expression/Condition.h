#pragma once
// Row conditions: comparisons of formulas or texts combined with AND and OR.
// The condition arrives rewritten by the data input window: normalised, with
// the comparison symbols turned into EQ, NE, GE, LE, GT, LT, the raw columns
// named X0..XC and the row's computed values C0..Cn.
#include <span>
#include <string>
#include <string_view>

namespace kurvex {

// Decides the condition for one row. rowTexts[0] is the row number in decimal,
// rowTexts[k] the text of column k; x and c are the numeric operands as for
// EvaluateFormula. An empty condition is true. `fault` is set when the
// condition has no decision (an evaluation error, or a text that does not
// reduce to one truth value, after the message
// "判別式のプログラムエラー\n作者までエラー状況をご報告ください。"); the answer
// is then false. A numeric operand beyond the range of a 64-bit real is an
// overflow, a fault like any other, never a comparison of infinities.
bool EvaluateCondition(std::string_view condition, std::span<const std::string> rowTexts, std::span<const double> x,
                       std::span<const double> c, bool& fault);

// What kind of fault ended an evaluation: a numeric one (division by zero,
// invalid operation, overflow) has shown no message, the others have.
enum class ConditionFaultKind { None, Numeric, Reported };
bool EvaluateCondition(std::string_view condition, std::span<const std::string> rowTexts, std::span<const double> x,
                       std::span<const double> c, ConditionFaultKind& fault);

// The text value of a text operand: a double-quoted literal (dequoted; the
// literal itself when that gives the empty text), "X<k>" for rowTexts[k], and
// "?" for everything else, including a column beyond the row.
std::string OperandText(std::string_view operand, std::span<const std::string> rowTexts);

}  // namespace kurvex
