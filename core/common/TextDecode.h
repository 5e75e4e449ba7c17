#pragma once
#include <string>
#include <string_view>

namespace kurvex {

bool IsValidUtf8(std::string_view bytes);

// Text of a file as UTF-8: a UTF-8 byte-order mark is dropped; valid UTF-8 is
// kept as it is; anything else is read as Shift-JIS (CP932). Bytes that are
// not valid in CP932 either become U+FFFD, so nothing aborts the read.
std::string DecodeToUtf8(std::string_view bytes);

}  // namespace kurvex
