#pragma once
// Text replacement as the formula rewriting needs it: ASCII case ignored,
// optionally leaving double-quoted literals untouched.
#include <string>
#include <string_view>

namespace kurvex {

// Replaces every occurrence of `from` (ASCII letters compared without case)
// by `to`, scanning left to right; replaced text is not searched again.
std::string ReplaceAllIgnoringCase(std::string_view text, std::string_view from, std::string_view to);

// The same, but text between a pair of double quotes is left as it is. An
// opening quote without a closing one is ordinary text.
std::string ReplaceOutsideQuotes(std::string_view text, std::string_view from, std::string_view to);

// Calls f(begin, end, quoted) for each piece of the text in order: the
// quoted pieces include their quotes.
template <typename F>
void ForEachQuotePiece(std::string_view text, F&& f) {
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t open = text.find('"', pos);
        const std::size_t close = open == std::string_view::npos ? open : text.find('"', open + 1);
        if (close == std::string_view::npos) {
            f(pos, text.size(), false);
            return;
        }
        if (open > pos) f(pos, open, false);
        f(open, close + 1, true);
        pos = close + 1;
    }
}

}  // namespace kurvex
