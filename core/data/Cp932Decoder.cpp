#include "data/Cp932Decoder.h"

#include <cerrno>
#include <iconv.h>

namespace kurvex {
namespace {
const iconv_t kNoConverter = reinterpret_cast<iconv_t>(-1);
}

Cp932Decoder::Cp932Decoder() : converter_(iconv_open("UTF-8", "CP932")) {}

Cp932Decoder::~Cp932Decoder() {
    if (static_cast<iconv_t>(converter_) != kNoConverter) iconv_close(static_cast<iconv_t>(converter_));
}

std::string Cp932Decoder::Decode(std::string_view bytes) {
    bool ascii = true;
    for (const char c : bytes)
        if (static_cast<unsigned char>(c) >= 0x80) {
            ascii = false;
            break;
        }
    const auto cd = static_cast<iconv_t>(converter_);
    if (ascii || cd == kNoConverter) return std::string(bytes);

    iconv(cd, nullptr, nullptr, nullptr, nullptr);  // reset the shift state
    std::string out;
    out.reserve(bytes.size() * 3 / 2 + 8);
    char* in = const_cast<char*>(bytes.data());
    std::size_t inLeft = bytes.size();
    char buffer[1024];
    while (inLeft > 0) {
        char* outPtr = buffer;
        std::size_t outLeft = sizeof buffer;
        const std::size_t rc = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        out.append(buffer, sizeof buffer - outLeft);
        if (rc == static_cast<std::size_t>(-1) && errno != E2BIG) {
            out += "\xEF\xBF\xBD";
            ++in;
            --inLeft;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
        }
    }
    return out;
}

}  // namespace kurvex
