#include "core/common/TextConverter.h"

#include <iconv.h>
#include <cerrno>

namespace kurvex {
namespace {
const iconv_t kNoConverter = reinterpret_cast<iconv_t>(-1);
}

TextConverter::TextConverter(const char* to, const char* from, std::string replacement)
    : converter_(iconv_open(to, from)), replacement_(std::move(replacement)) {}

TextConverter::~TextConverter() {
    if (static_cast<iconv_t>(converter_) != kNoConverter) iconv_close(static_cast<iconv_t>(converter_));
}

std::string TextConverter::Convert(std::string_view bytes) {
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
    char buffer[4096];
    while (inLeft > 0) {
        char* outPtr = buffer;
        std::size_t outLeft = sizeof buffer;
        const std::size_t rc = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        out.append(buffer, sizeof buffer - outLeft);
        if (rc == static_cast<std::size_t>(-1) && errno != E2BIG) {
            // EILSEQ, or EINVAL for a sequence cut off at the end: replace one byte and go on.
            out += replacement_;
            ++in;
            --inLeft;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
        }
    }
    return out;
}

}  // namespace kurvex
