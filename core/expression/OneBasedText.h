#pragma once
// 1-based positions into a working text, as the reduction rules and the
// condition decider are stated. Every access is checked, so that any byte
// string is safe.
#include <string>
#include <string_view>

namespace kurvex {

class OneBasedText {
public:
    explicit OneBasedText(std::string& s) : s_(s) {}

    long Size() const { return static_cast<long>(s_.size()); }
    char At(long i) const { return i >= 1 && i <= Size() ? s_[static_cast<std::size_t>(i - 1)] : '\0'; }

    // First occurrence of pattern at or after from; 0 when none.
    long Find(std::string_view pattern, long from) const {
        if (from < 1) from = 1;
        if (from > Size()) return 0;
        const auto at = s_.find(pattern, static_cast<std::size_t>(from - 1));
        return at == std::string::npos ? 0 : static_cast<long>(at) + 1;
    }

protected:
    std::string& s_;
};

}  // namespace kurvex
