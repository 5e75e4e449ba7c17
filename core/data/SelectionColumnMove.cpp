#include "core/data/SelectionColumnMove.h"

#include "core/common/NumberFormat.h"
#include "core/data/TextReplace.h"

namespace kurvex {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

void RenumberPiece(std::string_view text, std::size_t begin, std::size_t end, int from, int to, std::string& out) {
    for (std::size_t i = begin; i < end; ++i) {
        out += text[i];
        if ((text[i] != 'A' && text[i] != 'a') || i + 1 >= end || !IsDigit(text[i + 1])) continue;
        std::size_t j = i + 1;
        long long column = 0;
        while (j < end && IsDigit(text[j])) {
            if (column < 1'000'000'000) column = column * 10 + (text[j] - '0');
            ++j;
        }
        const int moved = column < 1'000'000'000 ? MovedColumnPosition(static_cast<int>(column), from, to) : -1;
        if (moved >= 0 && moved != column) out += std::to_string(moved);
        else out.append(text.substr(i + 1, j - i - 1));
        i = j - 1;
    }
}

void FollowColumnNumber(std::string& text, int from, int to) {
    const std::optional<long long> column = ParseInteger(text);
    if (!column || *column < 1 || *column > 1'000'000'000) return;
    const int moved = MovedColumnPosition(static_cast<int>(*column), from, to);
    if (moved != *column) text = std::to_string(moved);
}

}  // namespace

int MovedColumnPosition(int column, int from, int to) {
    if (column == from) return to;
    if (from < to && column > from && column <= to) return column - 1;
    if (to < from && column >= to && column < from) return column + 1;
    return column;
}

std::string FollowMovedColumnNames(std::string_view formula, int from, int to, bool literalsStay) {
    std::string out;
    out.reserve(formula.size());
    if (!literalsStay) {
        RenumberPiece(formula, 0, formula.size(), from, to, out);
        return out;
    }
    ForEachQuotePiece(formula, [&](std::size_t begin, std::size_t end, bool quoted) {
        if (quoted) out.append(formula.substr(begin, end - begin));
        else RenumberPiece(formula, begin, end, from, to, out);
    });
    return out;
}

void FollowMovedColumn(SelectionSettings& settings, int from, int to) {
    FollowColumnNumber(settings.yColumn, from, to);
    FollowColumnNumber(settings.weightColumn, from, to);
    settings.yTransform = FollowMovedColumnNames(settings.yTransform, from, to, false);
    for (ExplanatoryVariableSetting& x : settings.x) {
        FollowColumnNumber(x.column, from, to);
        x.transform = FollowMovedColumnNames(x.transform, from, to, false);
    }
    settings.condition = FollowMovedColumnNames(settings.condition, from, to, true);
}

}  // namespace kurvex
