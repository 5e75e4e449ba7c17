#include "core/expression/Formula.h"

#include <algorithm>
#include <limits>
#include <vector>

#include "core/common/MessageSink.h"
#include "core/expression/Tokenizer.h"

namespace kurvex {

namespace {

int lastCoefficientCount = 0;
int lastVariableCount = 0;

char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// The first k >= from for which `letter` followed by k in decimal occurs
// nowhere in `text`, in one pass over it: a run of digits after the letter
// holds each of its leading parts (C123 holds C1, C12 and C123; C01 only C0).
// Searching the text once per index took minutes for a long formula.
int FirstAbsentIndex(std::string_view text, char letter, int from) {
    // No more indexes can occur than the text has characters.
    const std::size_t limit = std::min<std::size_t>(text.size() + 1, std::numeric_limits<int>::max());
    std::vector<bool> present(limit + 1, false);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != letter) continue;
        std::size_t value = 0;
        for (std::size_t j = i + 1; j < text.size() && text[j] >= '0' && text[j] <= '9'; ++j) {
            value = value * 10 + static_cast<std::size_t>(text[j] - '0');
            if (value > limit) break;
            present[value] = true;
            if (value == 0) break;  // a leading zero names no further index
        }
    }
    std::size_t k = static_cast<std::size_t>(std::max(from, 0));
    while (k < limit && present[k]) ++k;
    return static_cast<int>(k);
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
    auto vectorLength = [](int highest) {
        return highest < 0 ? std::size_t{0} : static_cast<std::size_t>(highest) + 1;
    };
    std::string tokens;
    std::vector<OperandSource> operands;
    return BuildTokenString(text, vectorLength(highestVariable), vectorLength(highestCoefficient), tokens, operands);
}

int CountCoefficients(std::string_view text) {
    std::string upper(text);
    std::transform(upper.begin(), upper.end(), upper.begin(), AsciiUpper);
    return FirstAbsentIndex(upper, 'C', 0);
}

std::string ValidateModelFormula(std::string_view text) {
    std::string formula = NormalizeFormula(text);
    if (formula.empty()) return {};

    lastCoefficientCount = CountCoefficients(formula);
    if (lastCoefficientCount == 0) {
        ShowError("最初のパラメータC0がありません。正しく設定して下さい。");
        return {};
    }
    lastVariableCount = FirstAbsentIndex(formula, 'X', 1) - 1;
    if (lastVariableCount == 0) {
        ShowError("説明変数がありません。");
        return {};
    }
    return formula;
}

int CoefficientCount() { return lastCoefficientCount; }
int VariableCount() { return lastVariableCount; }

}  // namespace kurvex
