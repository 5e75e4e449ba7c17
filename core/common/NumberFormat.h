#pragma once
#include <optional>
#include <string>
#include <string_view>

namespace kurvex {

// The general number format: the value rounded to `precision` significant
// digits, in fixed notation for decimal exponents -3..precision (0.d1d2...×10^E),
// otherwise as d.ddd E exp ("1.234568E7", "1.234568E-5"). Zero is "0".
std::string FormatNumber(long double value, int precision);

// Reads a whole text as a number with "." as the decimal point (C locale);
// leading and trailing blanks are allowed, nothing else.
std::optional<double> ParseNumber(std::string_view text);
std::optional<long double> ParseExtended(std::string_view text);
std::optional<long long> ParseInteger(std::string_view text);

}  // namespace kurvex
