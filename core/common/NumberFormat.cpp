#include "core/common/NumberFormat.h"

#include <locale.h>
#include <cfloat>
#include <clocale>
#include <cstdlib>

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/common/MessageSink.h"

namespace kurvex {

std::string FormatNumber(long double value, int precision) {
    if (precision < 1) precision = 1;
    if (precision > 18) precision = 18;
    if (std::isnan(value)) return "NAN";
    if (std::isinf(value)) return value > 0 ? "INF" : "-INF";
    if (value == 0) return "0";

    // %Le gives the correctly rounded significant digits and the exponent.
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*Le", precision - 1, value);
    std::string text(buffer);
    const bool negative = text[0] == '-';
    if (negative) text.erase(0, 1);
    const auto ePos = text.find('e');
    const int exponent10 = std::atoi(text.c_str() + ePos + 1);
    std::string digits;
    for (std::size_t i = 0; i < ePos; ++i)
        if (text[i] != '.') digits.push_back(text[i]);
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();

    // The value is 0.d1d2... × 10^E with E = exponent10 + 1.
    const int E = exponent10 + 1;
    std::string out = negative ? "-" : "";
    if (E >= -3 && E <= precision) {
        if (E <= 0) {
            out += "0.";
            out.append(static_cast<std::size_t>(-E), '0');
            out += digits;
        } else if (static_cast<int>(digits.size()) <= E) {
            out += digits;
            out.append(static_cast<std::size_t>(E) - digits.size(), '0');
        } else {
            out += digits.substr(0, static_cast<std::size_t>(E));
            out += '.';
            out += digits.substr(static_cast<std::size_t>(E));
        }
    } else {
        out += digits[0];
        if (digits.size() > 1) {
            out += '.';
            out += digits.substr(1);
        }
        out += 'E';
        out += std::to_string(exponent10);
    }
    return out;
}

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ') text.remove_prefix(1);
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') text.remove_suffix(1);
    return text;
}

bool ParseUnderflow(std::string_view text, double& result) {
    // from_chars accepted the whole text but its value is out of range:
    // strtod tells underflow (a tiny or zero result) from overflow (±HUGE_VAL).
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
    const std::string copy(text);
    const double value = strtod_l(copy.c_str(), nullptr, cLocale);
    if (!std::isfinite(value) || std::fabs(value) >= DBL_MIN) return false;
    result = value;
    return true;
}

std::optional<double> ParseNumber(std::string_view text) {
    double value = 0;
    if (!ParseNumber(text, value)) return std::nullopt;
    return value;
}

std::optional<long double> ParseExtended(std::string_view text) {
    text = TrimBlanks(text);
    if (text.empty()) return std::nullopt;
    // strtold is locale-dependent; the program never changes LC_NUMERIC from "C".
    std::string copy(text);
    if (copy.find_first_of("xXpP") != std::string::npos) return std::nullopt;  // no hex floats
    char* end = nullptr;
    errno = 0;
    long double value = std::strtold(copy.c_str(), &end);
    if (end != copy.c_str() + copy.size()) return std::nullopt;
    if (!std::isfinite(value)) return std::nullopt;
    return value;
}

std::string NotARealMessage(std::string_view text) {
    return "'" + std::string(text) + "' は正しい浮動小数点数ではありません。";
}

std::optional<long double> ReadTypedReal(std::string_view text) {
    const auto parsed = ParseExtended(text);
    if (!parsed || std::fabs(*parsed) > DBL_MAX) {
        ShowError(NotARealMessage(text));
        return std::nullopt;
    }
    return parsed;
}

std::optional<long long> ParseInteger(std::string_view text) {
    text = TrimBlanks(text);
    if (text.empty()) return std::nullopt;
    if (text.front() == '+') text.remove_prefix(1);
    long long value = 0;
    auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || ptr != text.data() + text.size()) return std::nullopt;
    return value;
}

std::string ShortestNumberText(double value) {
    char buffer[64];
    const auto written = std::to_chars(buffer, buffer + sizeof buffer, value);
    return {buffer, written.ptr};
}

}  // namespace kurvex
