// The decoding every file goes through: the result is always UTF-8, and valid
// UTF-8 passes unchanged (its byte-order mark dropped).
#include <cstdint>
#include <string>

#include "core/common/TextDecode.h"
#include "tests/fuzz/FuzzSupport.h"

using namespace kurvex;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes = fuzz::AsText(data, size);
    const std::string decoded = DecodeToUtf8(bytes);
    KURVEX_FUZZ_CHECK(IsValidUtf8(decoded));
    if (IsValidUtf8(bytes)) {
        const std::string_view body = bytes.rfind("\xEF\xBB\xBF", 0) == 0 ? bytes.substr(3) : bytes;
        KURVEX_FUZZ_CHECK(decoded == body);
    }
    return 0;
}
