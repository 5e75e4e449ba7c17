#include "core/data/TextReplace.h"

namespace kurvex {
namespace {

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool MatchesAt(std::string_view text, std::size_t pos, std::string_view word) {
    if (pos + word.size() > text.size()) return false;
    for (std::size_t i = 0; i < word.size(); ++i)
        if (Upper(text[pos + i]) != Upper(word[i])) return false;
    return true;
}

}  // namespace

std::string ReplaceAllIgnoringCase(std::string_view text, std::string_view from, std::string_view to) {
    if (from.empty()) return std::string(text);
    std::string out;
    out.reserve(text.size());
    std::size_t pos = 0;
    while (pos < text.size()) {
        if (MatchesAt(text, pos, from)) {
            out.append(to);
            pos += from.size();
        } else {
            out.push_back(text[pos++]);
        }
    }
    return out;
}

std::string ReplaceOutsideQuotes(std::string_view text, std::string_view from, std::string_view to) {
    std::string out;
    out.reserve(text.size());
    ForEachQuotePiece(text, [&](std::size_t begin, std::size_t end, bool quoted) {
        const std::string_view piece = text.substr(begin, end - begin);
        if (quoted) out.append(piece);
        else out += ReplaceAllIgnoringCase(piece, from, to);
    });
    return out;
}

}  // namespace kurvex
