#pragma once
// One iconv converter reused for many short texts (the lines or cells of one
// file), instead of opening a converter per text. Bytes that cannot be
// converted become the replacement; nothing aborts.
#include <string>
#include <string_view>

namespace kurvex {

class TextConverter {
public:
    TextConverter(const char* to, const char* from, std::string replacement);
    ~TextConverter();
    TextConverter(const TextConverter&) = delete;
    TextConverter& operator=(const TextConverter&) = delete;

    std::string Convert(std::string_view bytes);

private:
    void* converter_;
    std::string replacement_;
};

// CP932 (Shift-JIS) to UTF-8; invalid bytes become U+FFFD. Pure ASCII passes untouched.
class Cp932Decoder : public TextConverter {
public:
    Cp932Decoder() : TextConverter("UTF-8", "CP932", "\xEF\xBF\xBD") {}
    std::string Decode(std::string_view bytes) { return Convert(bytes); }
};

}  // namespace kurvex
