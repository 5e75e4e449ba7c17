#include "core/expression/Condition.h"

#include <array>
#include <cmath>

#include "core/common/MessageSink.h"
#include "core/expression/Arithmetic.h"
#include "core/expression/Evaluator.h"
#include "core/expression/OneBasedText.h"

namespace kurvex {

namespace {

// Truth tokens hold lower-case letters, so they never meet the upper-case
// text of a normalised condition.
constexpr std::string_view kTrue = "Yes";
constexpr std::string_view kFalse = "Non";
constexpr std::array<std::string_view, 6> kComparisons = {"EQ", "NE", "GE", "LE", "GT", "LT"};

constexpr const char* kProgramErrorMessage = "判別式のプログラムエラー\n作者までエラー状況をご報告ください。";

struct ConditionProgramError {};

// The working text of a condition as it is decided part by part.
class ConditionText : public OneBasedText {
public:
    explicit ConditionText(std::string_view text) : OneBasedText(text_), text_(text) {}
    ConditionText(const ConditionText&) = delete;
    ConditionText& operator=(const ConditionText&) = delete;

    std::string Slice(long from, long to) const {  // inclusive, clamped
        if (from < 1) from = 1;
        if (to > Size()) to = Size();
        return from > to ? std::string()
                         : s_.substr(static_cast<std::size_t>(from - 1), static_cast<std::size_t>(to - from + 1));
    }
    // A decided part [start, end] takes the enclosing parentheses with it.
    void ReplaceWidened(long start, long end, std::string_view token) {
        while (start > 1 && At(start - 1) == '(' && At(end + 1) == ')') --start, ++end;
        s_.replace(static_cast<std::size_t>(start - 1), static_cast<std::size_t>(end - start + 1), token);
    }
    const std::string& Text() const { return s_; }

private:
    std::string text_;
};

std::string WithoutEnclosingParentheses(std::string operand) {
    if (operand.size() >= 2 && operand.front() == '(' && operand.back() == ')')
        return operand.substr(1, operand.size() - 2);
    return operand;
}

// Operands are compared as 64-bit reals; one too large for them overflows.
double AsComparedValue(long double value) {
    const double compared = static_cast<double>(value);
    if (!std::isfinite(compared)) arithmetic::RaiseNumericFault();
    return compared;
}

bool CompareNumbers(std::string_view word, double left, double right) {
    if (word == "EQ") return left == right;
    if (word == "NE") return left != right;
    if (word == "GE") return left >= right;
    if (word == "LE") return left <= right;
    if (word == "GT") return left > right;
    return left < right;
}

// Decides the comparison at p and replaces it by its truth token.
void DecideComparison(ConditionText& s, std::string_view word, long p, std::span<const std::string> rowTexts,
                      std::span<const double> x, std::span<const double> c) {
    long start = p - 1;
    for (int depth = 0; start >= 1; --start) {
        if (s.At(start) == ')') ++depth;
        if (s.At(start) == '(' && --depth < 0) break;
    }
    ++start;  // just after the unmatched "(" or at position 1

    long end = p + 2;
    for (int depth = 0; end <= s.Size(); ++end) {
        if (s.At(end) == '(') ++depth;
        if (s.At(end) == ')' && --depth < 0) break;
    }
    --end;  // just before the unmatched ")" or at the end

    const std::string left = WithoutEnclosingParentheses(s.Slice(start, p - 1));
    const std::string right = WithoutEnclosingParentheses(s.Slice(p + 2, end));

    bool holds = false;
    if ((word == "EQ" || word == "NE") && (left.starts_with('"') || right.starts_with('"'))) {
        const bool equal = OperandText(left, rowTexts) == OperandText(right, rowTexts);
        holds = word == "EQ" ? equal : !equal;
    } else {
        const double leftValue = AsComparedValue(EvaluateFormula(left, x, c));
        const double rightValue = AsComparedValue(EvaluateFormula(right, x, c));
        holds = CompareNumbers(word, leftValue, rightValue);
    }
    s.ReplaceWidened(start, end, holds ? kTrue : kFalse);
}

// An AND or OR whose operands are truth tokens; one with a parenthesis beside
// it waits until the parenthesised part has been decided.
long FindLogicalWord(const ConditionText& s, std::string_view word) {
    for (long p = s.Find(word, 1); p != 0; p = s.Find(word, p + 1)) {
        const long after = p + static_cast<long>(word.size());
        if (s.At(p - 1) != ')' && s.At(after) != '(') return p;
    }
    return 0;
}

bool TruthValue(const std::string& token) {
    if (token == kTrue) return true;
    if (token == kFalse) return false;
    throw ConditionProgramError{};
}

bool DecideLogicalWord(ConditionText& s) {
    const bool isAnd = FindLogicalWord(s, "AND") != 0;
    const long p = isAnd ? FindLogicalWord(s, "AND") : FindLogicalWord(s, "OR");
    if (p == 0) return false;
    const long wordLength = isAnd ? 3 : 2;
    // Operands beside the word that are no truth tokens leave the condition
    // without a decision rather than being read as false.
    if (p - 3 < 1 || p + wordLength + 2 > s.Size()) throw ConditionProgramError{};
    const bool left = TruthValue(s.Slice(p - 3, p - 1));
    const bool right = TruthValue(s.Slice(p + wordLength, p + wordLength + 2));
    const bool result = isAnd ? (left && right) : (left || right);
    s.ReplaceWidened(p - 3, p + wordLength + 2, result ? kTrue : kFalse);
    return true;
}

}  // namespace

std::string OperandText(std::string_view operand, std::span<const std::string> rowTexts) {
    if (operand.starts_with('"')) {
        std::string value;
        for (std::size_t i = 1; i < operand.size(); ++i) {
            if (operand[i] != '"') {
                value.push_back(operand[i]);
            } else if (i + 1 < operand.size() && operand[i + 1] == '"') {
                value.push_back('"');
                ++i;
            } else {
                break;
            }
        }
        return value.empty() ? std::string(operand) : value;
    }
    if (operand.starts_with('X') && operand.size() > 1) {
        std::size_t k = 0;
        for (char d : operand.substr(1)) {
            if (d < '0' || d > '9') return "?";
            k = k * 10 + static_cast<std::size_t>(d - '0');
            if (k >= rowTexts.size()) return "?";  // also stops before any overflow
        }
        return rowTexts[k];
    }
    return "?";
}

bool EvaluateCondition(std::string_view condition, std::span<const std::string> rowTexts, std::span<const double> x,
                       std::span<const double> c, bool& fault) {
    ConditionFaultKind kind = ConditionFaultKind::None;
    const bool holds = EvaluateCondition(condition, rowTexts, x, c, kind);
    fault = kind != ConditionFaultKind::None;
    return holds;
}

bool EvaluateCondition(std::string_view condition, std::span<const std::string> rowTexts, std::span<const double> x,
                       std::span<const double> c, ConditionFaultKind& fault) {
    fault = ConditionFaultKind::None;
    if (condition.empty()) return true;
    ConditionText s(condition);
    try {
        for (;;) {
            long p = 0;
            std::string_view word;
            for (std::string_view candidate : kComparisons) {
                if ((p = s.Find(candidate, 1)) != 0) {
                    word = candidate;
                    break;
                }
            }
            if (p == 0) break;
            DecideComparison(s, word, p, rowTexts, x, c);
        }
        while (DecideLogicalWord(s)) {
        }
        if (s.Text() == kTrue) return true;
        if (s.Text() == kFalse) return false;
        throw ConditionProgramError{};
    } catch (const EvaluationError& error) {
        // The evaluator has shown its own message where it has one.
        fault = error.fault() == EvaluationFault::Numeric ? ConditionFaultKind::Numeric : ConditionFaultKind::Reported;
        return false;
    } catch (const ConditionProgramError&) {
        ShowError(kProgramErrorMessage);
    }
    fault = ConditionFaultKind::Reported;
    return false;
}

}  // namespace kurvex
