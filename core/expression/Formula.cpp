#include "expression/Formula.h"

#include <algorithm>
#include <limits>
#include <vector>

#include "common/MessageSink.h"
#include "expression/Tokenizer.h"

namespace kurvex {

namespace {

int lastCoefficientCount = 0;
int lastVariableCount = 0;

char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool Contains(std::string_view text, char prefix, int index) {
    const std::string name = prefix + std::to_string(index);
    return text.find(name) != std::string_view::npos;
}

}  // namespace

std::string NormalizeFormula(std::string_view text) {
    auto isControlOrBlank = [](char c) { return static_cast<unsigned char>(c) <= 32; };
    std::size_t first = 0, last = text.size();
    while (first < last && isControlOrBlank(text[first])) ++first;
    while (last > first && isControlOrBlank(text[last - 1])) --last;

    std::string result;
    result.reserve(last - first);
    for (std::size_t i = first; i < last; ++i) {
        if (text[i] != ' ') result.push_back(AsciiUpper(text[i]));
    }
    if (std::count(result.begin(), result.end(), '(') != std::count(result.begin(), result.end(), ')')) {
        ShowError("括弧の数が合いません。");
        return {};
    }
    return result;
}

bool CheckFormula(std::string_view text, int highestCoefficient, int highestVariable) {
    if (text.empty()) return false;
    auto vectorLength = [](int highest) { return highest < 0 ? std::size_t{0} : static_cast<std::size_t>(highest) + 1; };
    std::string tokens;
    std::vector<OperandSource> operands;
    return BuildTokenString(text, vectorLength(highestVariable), vectorLength(highestCoefficient), tokens, operands);
}

int CountCoefficients(std::string_view text) {
    std::string upper(text);
    std::transform(upper.begin(), upper.end(), upper.begin(), AsciiUpper);
    int count = 0;
    while (count < std::numeric_limits<int>::max() && Contains(upper, 'C', count)) ++count;
    return count;
}

std::string ValidateModelFormula(std::string_view text) {
    std::string formula = NormalizeFormula(text);
    if (formula.empty()) return {};

    lastCoefficientCount = CountCoefficients(formula);
    if (lastCoefficientCount == 0) {
        ShowError("最初のパラメータC0がありません。正しく設定して下さい。");
        return {};
    }
    lastVariableCount = 0;
    while (lastVariableCount < std::numeric_limits<int>::max() && Contains(formula, 'X', lastVariableCount + 1)) {
        ++lastVariableCount;
    }
    if (lastVariableCount == 0) {
        ShowError("説明変数がありません。");
        return {};
    }
    return formula;
}

int CoefficientCount() { return lastCoefficientCount; }
int VariableCount() { return lastVariableCount; }

}  // namespace kurvex
