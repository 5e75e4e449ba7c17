#pragma once
// Converts many short CP932 texts (the lines or cells of one file) to UTF-8
// with one converter, instead of opening a converter per text.
#include <string>
#include <string_view>

namespace kurvex {

class Cp932Decoder {
public:
    Cp932Decoder();
    ~Cp932Decoder();
    Cp932Decoder(const Cp932Decoder&) = delete;
    Cp932Decoder& operator=(const Cp932Decoder&) = delete;

    // Bytes that are not CP932 become U+FFFD; nothing aborts.
    std::string Decode(std::string_view bytes);

private:
    void* converter_;
};

}  // namespace kurvex
