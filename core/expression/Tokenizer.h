#pragma once
// Turns formula text into the token string of the reduction rules and the
// list of its operands, independent of the values the operands will take.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kurvex {

struct OperandSource {
    enum class Kind { Variable, Coefficient, Constant };
    Kind kind = Kind::Constant;
    std::size_t index = 0;     // variable or coefficient index
    long double value = 0.0L;  // constants: PI and numbers
};

// True for the seven characters that separate identifiers.
bool IsFormulaDelimiter(char c);

// Builds "A01+A02*A03"-style tokens; operands[k] feeds slot k + 1. Variables
// resolve only below variableCount and coefficients below coefficientCount.
// False when an identifier does not resolve or there are more than 99 operands.
bool BuildTokenString(std::string_view formula, std::size_t variableCount, std::size_t coefficientCount,
                      std::string& tokens, std::vector<OperandSource>& operands);

}  // namespace kurvex
