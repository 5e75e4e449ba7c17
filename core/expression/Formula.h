#pragma once
// Text-level operations on formulas before they are evaluated: normalisation,
// the identifier check and the model check that counts coefficients and
// explanatory variables.
#include <string>
#include <string_view>

namespace kurvex {

// Upper-cases ASCII letters, trims control characters and blanks at both ends,
// removes the blanks inside and compares the bracket counts. Returns an empty
// text for an empty input (silently) or for unbalanced brackets (after the
// message "括弧の数が合いません。").
std::string NormalizeFormula(std::string_view text);

// True when the text is not empty and every identifier resolves with the
// coefficients C0..C<highestCoefficient> and variables X0..X<highestVariable>.
// Evaluates nothing and shows no message.
bool CheckFormula(std::string_view text, int highestCoefficient, int highestVariable);

// Number of coefficients of a model formula: the first k for which "C<k>" does
// not occur in the upper-cased text (a substring test: C10 contains C1).
int CountCoefficients(std::string_view text);

// Normalises and checks a model equation. Returns the normalised formula, or
// an empty text after its message. Updates CoefficientCount and VariableCount.
std::string ValidateModelFormula(std::string_view text);

// The counts of the last ValidateModelFormula call (0 before the first).
int CoefficientCount();  // coefficients C0..C(count-1)
int VariableCount();     // explanatory variables X1..X(count)

}  // namespace kurvex
