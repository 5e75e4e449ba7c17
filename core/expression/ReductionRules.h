#pragma once
// The seven reduction rules over a token string. They look only at the token
// string, never at values, so the same code serves the rewriting evaluator
// (which computes as each rule fires) and the preparation of a formula (which
// records the operations for replay).
//
// Ops must provide:
//   void Power(int target, int exponentSlot, bool negateExponent);
//   void Negate(int slot);
//   void Binary(char op, int target, int source);   // op: + - * /
//   void Function(int code, int slot);
#include <algorithm>
#include <string>
#include <string_view>

#include "core/expression/Arithmetic.h"
#include "core/expression/Evaluator.h"
#include "core/expression/OneBasedText.h"

namespace kurvex::reduction {

// The token string with its operand slots.
class TokenView : public OneBasedText {
public:
    TokenView(std::string& s, int operandCount) : OneBasedText(s), operandCount_(operandCount) {}

    // Slot number written in two digits at i, i+1; 0 when that is no
    // assigned slot.
    int SlotAt(long i) const {
        const char a = At(i), b = At(i + 1);
        if (a < '0' || a > '9' || b < '0' || b > '9') return 0;
        const int n = (a - '0') * 10 + (b - '0');
        return n >= 1 && n <= operandCount_ ? n : 0;
    }

    // Last occurrence of ch before position `before`; 0 when none.
    long FindLastBefore(char ch, long before) const {
        if (before <= 1) return 0;
        const auto at = s_.rfind(ch, static_cast<std::size_t>(std::min(before, Size() + 1) - 2));
        return at == std::string::npos ? 0 : static_cast<long>(at) + 1;
    }

    void Erase(long from, long count) { s_.erase(static_cast<std::size_t>(from - 1), static_cast<std::size_t>(count)); }

    void Replace(long from, long count, int slot, bool keepParentheses) {
        char token[5] = {'(', 'A', static_cast<char>('0' + slot / 10), static_cast<char>('0' + slot % 10), ')'};
        const std::string_view text = keepParentheses ? std::string_view(token, 5) : std::string_view(token + 1, 3);
        s_.replace(static_cast<std::size_t>(from - 1), static_cast<std::size_t>(count), text);
    }

private:
    int operandCount_;
};

// Rules 1-4: powers and signs.
template <class Ops>
bool ApplyPowerOrSign(TokenView& s, Ops& ops, bool& fault) {
    // Power with a negative exponent, before any plain power.
    for (long p = s.Find("^-A", 1); p != 0; p = s.Find("^-A", p + 5)) {
        if (s.At(p - 3) != 'A') continue;
        const int target = s.SlotAt(p - 2), exponent = s.SlotAt(p + 3);
        if (!target || !exponent) return fault = true;
        ops.Power(target, exponent, true);
        s.Erase(p, 5);
        return true;
    }
    // Power, left to right.
    for (long p = s.Find("^A", 1); p != 0; p = s.Find("^A", p + 4)) {
        if (s.At(p - 3) != 'A') continue;
        const int target = s.SlotAt(p - 2), exponent = s.SlotAt(p + 2);
        if (!target || !exponent) return fault = true;
        ops.Power(target, exponent, false);
        s.Erase(p, 4);
        return true;
    }
    // Leading minus, once its operand carries no power.
    if (s.At(1) == '-' && s.At(2) == 'A' && s.At(5) != '^') {
        const int slot = s.SlotAt(3);
        if (!slot) return fault = true;
        ops.Negate(slot);
        s.Erase(1, 1);
        return true;
    }
    // Minus directly after "(", likewise. Looked for by its "-A": a deeply
    // nested formula holds thousands of "(" but few signs, and every pass
    // comes here.
    long from = 1;  // after a "(-A" that carries a power the search goes on 5 further
    for (long m = s.Find("-A", 2); m != 0; m = s.Find("-A", m + 1)) {
        const long p = m - 1;
        if (p < from || s.At(p) != '(') continue;
        if (s.At(p + 5) == '^') {
            from = p + 5;
            continue;
        }
        const int slot = s.SlotAt(p + 3);
        if (!slot) return fault = true;
        ops.Negate(slot);
        s.Erase(p + 1, 1);
        return true;
    }
    return false;
}

// Rule 5: the first product or quotient whose operands carry no pending power.
template <class Ops>
bool ApplyProduct(TokenView& s, Ops& ops, bool& fault) {
    long q = 1;
    for (;;) {
        const long times = s.Find("*A", q), divide = s.Find("/A", q);
        const long p = times == 0 ? divide : (divide == 0 ? times : std::min(times, divide));
        if (p == 0) return false;
        if (s.At(p + 4) == '^' || (p > 4 && s.At(p - 4) == '^')) return false;
        if (s.At(p - 3) == 'A') {
            const int target = s.SlotAt(p - 2), source = s.SlotAt(p + 2);
            if (!target || !source) return fault = true;
            ops.Binary(s.At(p), target, source);
            s.Erase(p, 4);
            return true;
        }
        q = p + 4;
        if (q >= s.Size()) return false;
    }
}

// Rule 6: the innermost parentheses: a bare operand (with its function), a
// signed operand, or the sum or difference of two operands.
template <class Ops>
bool ApplyGroup(TokenView& s, Ops& ops, bool& fault) {
    long q = 1;
    for (;;) {
        long b = s.Find("(", q);
        if (b == 0) return false;
        const long e = s.Find(")", b);
        if (e == 0) return false;
        // The innermost group ends at e: it opens at the last "(" before e.
        b = s.FindLastBefore('(', e);

        switch (e - b) {
            case 4: {  // (Ann), perhaps after Fnn
                const int slot = s.At(b + 1) == 'A' ? s.SlotAt(b + 2) : 0;
                if (!slot) return fault = true;
                if (s.At(b - 3) == 'F') {
                    const int code = (s.At(b - 2) - '0') * 10 + (s.At(b - 1) - '0');
                    if (code < 1 || code > arithmetic::kFunctionCount || s.At(b - 2) < '0' || s.At(b - 2) > '9' ||
                        s.At(b - 1) < '0' || s.At(b - 1) > '9') {
                        return fault = true;
                    }
                    ops.Function(code, slot);
                    s.Replace(b - 3, e - b + 4, slot, false);
                } else {
                    s.Replace(b, e - b + 1, slot, false);
                }
                return true;
            }
            case 5: {  // (-Ann) or (+Ann)
                const char sign = s.At(b + 1);
                const int slot = s.At(b + 2) == 'A' ? s.SlotAt(b + 3) : 0;
                if ((sign != '-' && sign != '+') || !slot) return fault = true;
                if (sign == '-') ops.Negate(slot);
                s.Erase(b + 1, 1);
                return true;
            }
            case 8: {  // (Ann+Amm) or (Ann-Amm)
                const char op = s.At(b + 4);
                const int target = s.At(b + 1) == 'A' ? s.SlotAt(b + 2) : 0;
                const int source = s.At(b + 5) == 'A' ? s.SlotAt(b + 6) : 0;
                if ((op != '+' && op != '-') || !target || !source) return fault = true;
                ops.Binary(op, target, source);
                s.Replace(b, 9, target, b != 1);
                return true;
            }
            default:
                q = b + 4;
                if (q > s.Size()) return false;
        }
    }
}

// One pass: the first rule that matches is applied once (rule 7 adds up the
// whole leading sum). A token string on which nothing can be done is a
// calculation error, as is an operator a rule cannot apply.
template <class Ops>
ReduceOutcome Reduce(std::string& tokens, int operandCount, Ops& ops) {
    TokenView s(tokens, operandCount);
    bool fault = false;
    if (ApplyPowerOrSign(s, ops, fault) || fault)
        return fault ? ReduceOutcome::CalculationError : ReduceOutcome::Reduced;
    if (ApplyProduct(s, ops, fault) || fault) return fault ? ReduceOutcome::CalculationError : ReduceOutcome::Reduced;
    if (ApplyGroup(s, ops, fault) || fault) return fault ? ReduceOutcome::CalculationError : ReduceOutcome::Reduced;

    // Sums and differences from the left.
    bool changed = false;
    while (s.Size() != 3 && s.At(1) == 'A' && s.At(5) == 'A') {
        const char op = s.At(4);
        const int target = s.SlotAt(2), source = s.SlotAt(6);
        if ((op != '+' && op != '-') || !target || !source) return ReduceOutcome::CalculationError;
        ops.Binary(op, target, source);
        s.Erase(4, 4);
        changed = true;
    }
    if (s.Size() == 3) return s.At(1) == 'A' && s.SlotAt(2) ? ReduceOutcome::Reduced : ReduceOutcome::CalculationError;
    return changed ? ReduceOutcome::Reduced : ReduceOutcome::CalculationError;
}

// The slot a finished token string names, 0 when it is no single operand.
inline int FinalSlot(std::string& tokens, int operandCount) {
    TokenView s(tokens, operandCount);
    return s.Size() == 3 && s.At(1) == 'A' ? s.SlotAt(2) : 0;
}

}  // namespace kurvex::reduction
