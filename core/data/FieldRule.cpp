#include "data/FieldRule.h"

#include <algorithm>

#include "data/RowTexts.h"

namespace kurvex {

std::size_t CountFields(std::string_view line) {
    return 1 + static_cast<std::size_t>(std::count(line.begin(), line.end(), ','));
}

namespace {

// Appends `text` without its double quotes to the last text of `out`.
void AppendUnquoted(std::string_view text, RowTexts& out) {
    std::size_t quote;
    while ((quote = text.find('"')) != std::string_view::npos) {
        out.AppendToLast(text.substr(0, quote));
        text.remove_prefix(quote + 1);
    }
    out.AppendToLast(text);
}

}  // namespace

std::string Field(std::string_view line, std::size_t k) {
    if (k < 1) return {};
    std::size_t start = 0;
    for (std::size_t i = 1; i < k; ++i) {
        const std::size_t comma = line.find(',', start);
        if (comma == std::string_view::npos) return {};
        start = comma + 1;
    }
    std::string_view field = line.substr(start);
    field = field.substr(0, field.find(','));
    std::string out;
    out.reserve(field.size());
    for (const char c : field)
        if (c != '"') out += c;
    return out;
}

void AppendFields(std::string_view line, std::size_t count, RowTexts& out) {
    // Most lines have no quote at all: then each field is one piece.
    const bool quoted = line.find('"') != std::string_view::npos;
    std::size_t taken = 0;
    bool lineLeft = true;
    while (taken < count && lineLeft) {
        const std::size_t comma = line.find(',');
        std::string_view field = line.substr(0, comma);
        if (comma == std::string_view::npos)
            lineLeft = false;
        else
            line.remove_prefix(comma + 1);
        if (quoted) {
            out.BeginText();
            AppendUnquoted(field, out);
        } else {
            out.Append(field);
        }
        ++taken;
    }
    for (; taken < count; ++taken) out.Append({});
}

}  // namespace kurvex
