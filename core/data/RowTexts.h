#pragma once
// The texts of one row in one buffer: no allocation per cell, so a scan over
// millions of rows reuses the same storage.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kurvex {

class RowTexts {
public:
    void Clear() {
        buffer_.clear();
        ends_.clear();
    }
    void Append(std::string_view text) {
        buffer_.append(text);
        ends_.push_back(buffer_.size());
    }
    // Appends one text built piece by piece: Begin, then AppendToLast as often as needed.
    void BeginText() { ends_.push_back(buffer_.size()); }
    void AppendToLast(std::string_view piece) {
        buffer_.append(piece);
        ends_.back() = buffer_.size();
    }
    std::size_t Size() const { return ends_.size(); }
    std::string_view operator[](std::size_t i) const {
        if (i >= ends_.size()) return {};
        const std::size_t begin = i == 0 ? 0 : ends_[i - 1];
        return std::string_view(buffer_).substr(begin, ends_[i] - begin);
    }

private:
    std::string buffer_;
    std::vector<std::size_t> ends_;
};

// The texts of one row as views into where they are kept (the line just read,
// the table's cells), with storage only for what has to be made: a field
// without its double quotes, a line decoded from CP932, the row number.
// Valid until the next read or a change of the table.
struct RowTextViews {
    std::vector<std::string_view> texts;  // [0] the row number, [1..] the cells
    std::string unquoted;
    std::string decoded;
    char number[24];
    // False: texts[0] stays empty (a reader that never reads it spares the conversion).
    bool withRowNumber = true;

    std::size_t Size() const { return texts.size(); }
    std::string_view operator[](std::size_t i) const { return i < texts.size() ? texts[i] : std::string_view{}; }
};

}  // namespace kurvex
