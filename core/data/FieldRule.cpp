#include "data/FieldRule.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

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

namespace {

// The first comma or double quote in [p, end), or end. Eight bytes at a time
// where the byte order allows: most fields are a few characters long, for
// which a library search costs more than the search itself.
const char* FindCommaOrQuote(const char* p, const char* const end) {
    if constexpr (std::endian::native == std::endian::little) {
        constexpr std::uint64_t ones = 0x0101010101010101ULL, highs = 0x8080808080808080ULL;
        while (end - p >= 8) {
            std::uint64_t word;
            std::memcpy(&word, p, 8);
            const std::uint64_t comma = word ^ (ones * ',');
            const std::uint64_t quote = word ^ (ones * '"');
            // The lowest flagged byte is always a true match (a borrow only runs upward).
            const std::uint64_t hits = ((comma - ones) & ~comma & highs) | ((quote - ones) & ~quote & highs);
            if (hits != 0) return p + (std::countr_zero(hits) >> 3);
            p += 8;
        }
    }
    while (p != end && *p != ',' && *p != '"') ++p;
    return p;
}

}  // namespace

void AppendFieldViews(std::string_view line, std::size_t count, std::vector<std::string_view>& out,
                      std::string& unquoted) {
    unquoted.clear();
    const char* p = line.data();
    const char* const end = p + line.size();
    bool lineLeft = true;
    std::size_t taken = 0;
    for (; taken < count && lineLeft; ++taken) {
        // Only the fields taken are looked at: the rest of a wide line never is.
        bool quoted = false;
        const char* stop = FindCommaOrQuote(p, end);
        while (stop != end && *stop == '"') {
            quoted = true;
            stop = FindCommaOrQuote(stop + 1, end);
        }
        if (!quoted) {
            out.emplace_back(p, static_cast<std::size_t>(stop - p));
        } else {
            // Fields without their quotes never need more than the line: the
            // views into `unquoted` stay valid while it is filled.
            if (unquoted.capacity() < line.size()) unquoted.reserve(line.size());
            const std::size_t from = unquoted.size();
            for (const char* q = p; q != stop; ++q)
                if (*q != '"') unquoted.push_back(*q);
            out.emplace_back(unquoted.data() + from, unquoted.size() - from);
        }
        lineLeft = stop != end;
        p = lineLeft ? stop + 1 : end;
    }
    for (; taken < count; ++taken) out.emplace_back();
}

}  // namespace kurvex
