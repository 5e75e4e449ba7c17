#include "core/data/FieldRule.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

#include "core/data/RowTexts.h"

namespace kurvex {

std::size_t CountFields(std::string_view line) {
    return 1 + static_cast<std::size_t>(std::count(line.begin(), line.end(), ','));
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

// The rule itself: hands fields 1..count of the line to take(field, quoted),
// the field as it stands in the line and whether it holds a double quote
// (to be dropped); missing fields as empty. Only the fields taken are looked
// at: the rest of a wide line never is.
template <class Take>
void CutFields(std::string_view line, std::size_t count, Take take) {
    const char* p = line.data();
    const char* const end = p + line.size();
    bool lineLeft = true;
    std::size_t taken = 0;
    for (; taken < count && lineLeft; ++taken) {
        bool quoted = false;
        const char* stop = FindCommaOrQuote(p, end);
        while (stop != end && *stop == '"') {
            quoted = true;
            stop = FindCommaOrQuote(stop + 1, end);
        }
        take(std::string_view(p, static_cast<std::size_t>(stop - p)), quoted);
        lineLeft = stop != end;
        p = lineLeft ? stop + 1 : end;
    }
    for (; taken < count; ++taken) take(std::string_view(), false);
}

}  // namespace

void AppendFields(std::string_view line, std::size_t count, RowTexts& out) {
    CutFields(line, count, [&out](std::string_view field, bool quoted) {
        if (!quoted) return out.Append(field);
        out.BeginText();
        for (std::size_t quote; (quote = field.find('"')) != std::string_view::npos; field.remove_prefix(quote + 1))
            out.AppendToLast(field.substr(0, quote));
        out.AppendToLast(field);
    });
}

void AppendFieldViews(std::string_view line, std::size_t count, std::vector<std::string_view>& out,
                      std::string& unquoted) {
    unquoted.clear();
    CutFields(line, count, [&](std::string_view field, bool quoted) {
        if (!quoted) return static_cast<void>(out.push_back(field));
        // Fields without their quotes never need more than the line: the
        // views into `unquoted` stay valid while it is filled.
        if (unquoted.capacity() < line.size()) unquoted.reserve(line.size());
        const std::size_t from = unquoted.size();
        for (const char c : field)
            if (c != '"') unquoted.push_back(c);
        out.emplace_back(unquoted.data() + from, unquoted.size() - from);
    });
}

std::vector<std::string> SplitFields(std::string_view line) {
    std::vector<std::string_view> views;
    std::string unquoted;
    AppendFieldViews(line, CountFields(line), views, unquoted);
    return {views.begin(), views.end()};
}

}  // namespace kurvex
