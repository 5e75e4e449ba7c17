#pragma once
#include <charconv>
#include <cmath>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

namespace kurvex {

// The general number format: the value rounded to `precision` significant
// digits, in fixed notation for decimal exponents -3..precision (0.d1d2...×10^E),
// otherwise as d.ddd E exp ("1.234568E7", "1.234568E-5"). Zero is "0".
std::string FormatNumber(long double value, int precision);
// The shortest text that reads back as the same double (starting values
// written into the initial-value column lose nothing).
std::string ShortestNumberText(double value);

// Reads a whole text as a number with "." as the decimal point (C locale);
// leading and trailing blanks are allowed, nothing else.
std::optional<double> ParseNumber(std::string_view text);
// The same, for loops over many cells: the value in `result` (unchanged on
// failure). Inline, and returning a plain bool: an optional's flag byte
// stored and read back as a whole word stalls a hot loop.
bool ParseNumber(std::string_view text, double& result);
std::optional<long double> ParseExtended(std::string_view text);
std::optional<long long> ParseInteger(std::string_view text);

// "'text' は正しい浮動小数点数ではありません。"
std::string NotARealMessage(std::string_view text);
// A real number typed into a condition, a coefficient cell or an axis bound:
// any number within the range of a double (one too small for it, "1e-400",
// is kept in extended precision and is 0 as a double). Anything else is
// reported with NotARealMessage and gives nothing.
std::optional<long double> ReadTypedReal(std::string_view text);

// A number text too small for a double ("1e-400") reads as zero of its sign;
// one too large is no number. Underflow is never a fault.
bool ParseUnderflow(std::string_view text, double& result);

// Drops leading and trailing blanks: the space and the control bytes below it
// (tab, CR, LF). Numbers, settings keys and values, equation-list lines.
std::string_view TrimBlanks(std::string_view text);

inline bool ParseNumber(std::string_view text, double& result) {
    // Most cells have no blank at either end: no call then.
    if (text.empty() || static_cast<unsigned char>(text.front()) <= ' ' ||
        static_cast<unsigned char>(text.back()) <= ' ')
        text = TrimBlanks(text);
    if (text.empty()) return false;
    if (text.front() == '+') text.remove_prefix(1);
    double value = 0;
    const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec == std::errc::result_out_of_range && ptr == text.data() + text.size()) return ParseUnderflow(text, result);
    if (ec != std::errc() || ptr != text.data() + text.size()) return false;
    if (!std::isfinite(value)) return false;
    result = value;
    return true;
}

}  // namespace kurvex
