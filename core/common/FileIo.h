#pragma once
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace kurvex {

// The bytes of a file, or nullopt when it cannot be opened or read, or is no
// regular file (`error` then holds the system's reason).
std::optional<std::string> ReadWholeFile(const std::filesystem::path& path, std::string* error = nullptr);

// Writes the whole content or nothing: a temporary file beside the target,
// flushed and synced, then renamed over it. On failure the previous file is
// untouched, the temporary file removed and `error` says why. A symbolic link
// keeps pointing at the replaced file; a device (/dev/null, /dev/full) is
// written in place; a folder, pipe or socket is refused.
bool WriteFileAtomically(const std::filesystem::path& path, std::string_view content, std::string* error = nullptr);

// Test seam: when set, every atomic write fails after writing this many bytes
// of the temporary file, as a full disk or a crash would. -1 turns it off.
void SetAtomicWriteFailureAfterBytes(long long bytes);

}  // namespace kurvex
