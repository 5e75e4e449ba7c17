#pragma once
#include <string>
#include <string_view>

namespace kurvex {

bool IsValidUtf8(std::string_view bytes);

// Text of a file as UTF-8: a UTF-8 byte-order mark is dropped; valid UTF-8 is
// kept as it is; anything else is read as Shift-JIS (CP932). Bytes that are
// not valid in CP932 either become U+FFFD, so nothing aborts the read.
std::string DecodeToUtf8(std::string_view bytes);

// UTF-8 to CP932 for the rare file that must be written in the old encoding;
// characters without a CP932 form become "?".
std::string EncodeToCp932(std::string_view utf8);

}  // namespace kurvex
