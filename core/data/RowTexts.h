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
    std::vector<std::string> ToStrings() const {
        std::vector<std::string> out;
        out.reserve(ends_.size());
        for (std::size_t i = 0; i < ends_.size(); ++i) out.emplace_back((*this)[i]);
        return out;
    }

private:
    std::string buffer_;
    std::vector<std::size_t> ends_;
};

}  // namespace kurvex
