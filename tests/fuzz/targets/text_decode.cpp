// The decoding every file goes through: the result is always UTF-8, valid
// UTF-8 passes unchanged (its byte-order mark dropped), and CP932 written back
// from the result never fails.
#include <cstdint>
#include <string>

#include "../FuzzSupport.h"
#include "common/TextDecode.h"

using namespace kurvex;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes = fuzz::AsText(data, size);
    const std::string decoded = DecodeToUtf8(bytes);
    KURVEX_FUZZ_CHECK(IsValidUtf8(decoded));
    if (IsValidUtf8(bytes)) {
        const std::string_view body = bytes.rfind("\xEF\xBB\xBF", 0) == 0 ? bytes.substr(3) : bytes;
        KURVEX_FUZZ_CHECK(decoded == body);
    }
    const std::string legacy = EncodeToCp932(decoded);
    // Whatever CP932 holds decodes back to UTF-8 again.
    KURVEX_FUZZ_CHECK(IsValidUtf8(DecodeToUtf8(legacy)));
    return 0;
}
