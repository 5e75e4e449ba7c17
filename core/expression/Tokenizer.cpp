#include "core/expression/Tokenizer.h"

#include <locale.h>
#include <array>
#include <cerrno>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <optional>

#include "core/expression/Arithmetic.h"
#include "core/expression/Evaluator.h"

namespace kurvex {

namespace {

constexpr std::array<std::string_view, arithmetic::kFunctionCount> kFunctionNames = {
    "EXP", "LN", "SIN", "COS", "TAN", "LOG10", "SINH", "COSH", "TANH", "SQR", "SQRT", "ABS", "PSGN",
};

int FunctionCode(std::string_view name) {
    for (std::size_t i = 0; i < kFunctionNames.size(); ++i) {
        if (kFunctionNames[i] == name) return static_cast<int>(i) + 1;
    }
    return 0;
}

// "X12" -> 12 for prefix 'X'; no leading zeros, no sign, nothing after.
std::optional<std::size_t> IndexedName(std::string_view name, char prefix) {
    if (name.size() < 2 || name[0] != prefix) return std::nullopt;
    const std::string_view digits = name.substr(1);
    if (digits.size() > 1 && digits[0] == '0') return std::nullopt;
    std::size_t value = 0;
    for (char d : digits) {
        if (d < '0' || d > '9') return std::nullopt;
        if (value > (std::numeric_limits<std::size_t>::max() - 9) / 10) return std::nullopt;
        value = value * 10 + static_cast<std::size_t>(d - '0');
    }
    return value;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Decimal numbers only: digits with an optional point and an optional
// unsigned exponent; no hexadecimal, infinity or NaN spellings.
bool HasNumberForm(std::string_view text) {
    std::size_t i = 0;
    std::size_t mantissaDigits = 0;
    while (i < text.size() && IsDigit(text[i])) ++i, ++mantissaDigits;
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && IsDigit(text[i])) ++i, ++mantissaDigits;
    }
    if (mantissaDigits == 0) return false;
    if (i < text.size() && (text[i] == 'E' || text[i] == 'e')) {
        ++i;
        const std::size_t exponentStart = i;
        while (i < text.size() && IsDigit(text[i])) ++i;
        if (i == exponentStart) return false;
    }
    return i == text.size();
}

locale_t CLocale() {
    static const locale_t locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
    return locale;
}

std::optional<long double> ParseNumberIdentifier(std::string_view text) {
    if (!HasNumberForm(text)) return std::nullopt;
    const std::string copy(text);
    char* end = nullptr;
    const long double value = strtold_l(copy.c_str(), &end, CLocale());
    if (end != copy.c_str() + copy.size() || !std::isfinite(value)) return std::nullopt;
    return value;  // an underflow to a tiny or zero value is accepted
}

}  // namespace

bool IsFormulaDelimiter(char c) {
    switch (c) {
        case '(':
        case ')':
        case '*':
        case '/':
        case '-':
        case '+':
        case '^': return true;
        default: return false;
    }
}

bool BuildTokenString(std::string_view formula, std::size_t variableCount, std::size_t coefficientCount,
                      std::string& tokens, std::vector<OperandSource>& operands) {
    tokens.clear();
    operands.clear();
    auto appendTwoDigits = [&](char tag, int number) {
        tokens.push_back(tag);
        tokens.push_back(static_cast<char>('0' + number / 10));
        tokens.push_back(static_cast<char>('0' + number % 10));
    };
    auto appendOperand = [&](OperandSource source) {
        if (operands.size() >= static_cast<std::size_t>(kMaxOperands)) return false;
        operands.push_back(source);
        appendTwoDigits('A', static_cast<int>(operands.size()));
        return true;
    };

    std::size_t p = 0;
    while (p < formula.size()) {
        if (IsFormulaDelimiter(formula[p])) {
            tokens.push_back(formula[p]);
            ++p;
            continue;
        }
        std::size_t end = p;
        while (end < formula.size() && !IsFormulaDelimiter(formula[end])) ++end;
        const std::string_view name = formula.substr(p, end - p);
        p = end;

        if (const int code = FunctionCode(name); code != 0) {
            appendTwoDigits('F', code);
            continue;
        }
        if (const auto j = IndexedName(name, 'X'); j && *j < variableCount) {
            if (!appendOperand({OperandSource::Kind::Variable, *j, 0.0L})) return false;
            continue;
        }
        if (const auto j = IndexedName(name, 'C'); j && *j < coefficientCount) {
            if (!appendOperand({OperandSource::Kind::Coefficient, *j, 0.0L})) return false;
            continue;
        }
        if (name == "PI") {
            if (!appendOperand({OperandSource::Kind::Constant, 0, arithmetic::kPi})) return false;
            continue;
        }
        const auto number = ParseNumberIdentifier(name);
        if (!number || !appendOperand({OperandSource::Kind::Constant, 0, *number})) return false;
    }
    return true;
}

}  // namespace kurvex
