#pragma once
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace kurvex {

// Opens a file for reading only when it is a regular file: the open itself
// never blocks (a pipe without a writer would hang it), and a device, pipe,
// socket or folder is refused, since /dev/zero has no end and a pipe may never
// deliver. Returns the descriptor (blocking again, close-on-exec) and, in
// `size`, the file's length at the open; -1 with the reason in `error`.
int OpenRegularFileForReading(const std::filesystem::path& path, std::string* error = nullptr,
                              long long* size = nullptr);

// The bytes of a file, or nullopt when it cannot be opened or read, or is no
// regular file (`error` then holds the reason). At most the length the file
// had when it was opened is read, so a file that grows while it is read ends.
std::optional<std::string> ReadWholeFile(const std::filesystem::path& path, std::string* error = nullptr);

// Writes the whole content or nothing: a temporary file beside the target,
// created exclusively under an unpredictable name, flushed and synced, then
// renamed over it. The new file keeps the target's permissions (and owner,
// where the process may set it). A symbolic link keeps pointing at the file
// it names, which is the one replaced. A file with more than one hard link is
// rewritten in place once room for the new content is reserved, so every link
// sees the new content. On failure the previous file is untouched (a
// hard-linked one too, unless the disk fails between reservation and sync),
// the temporary file removed and `error` says why. Temporary files left by a
// crash are removed by a later save of the same file once they are an hour
// old. A device (/dev/null, /dev/full) is written in place; a folder, pipe or
// socket is refused.
bool WriteFileAtomically(const std::filesystem::path& path, std::string_view content, std::string* error = nullptr);

// The message of a file that could not be written, before the reason.
inline constexpr const char* kFileWriteFailedMessage = "ファイルに保存できません。\n";
// WriteFileAtomically, and on failure an error message with the reason.
bool WriteFileOrReport(const std::filesystem::path& path, std::string_view content);

// The temporary files of a save of `target` are named "." + its name + this +
// random letters + ".tmp", in the target's folder.
inline constexpr const char* kTemporaryFileMarker = ".kurvex-";

// Test seam: when set, every atomic write fails after writing this many bytes
// of the temporary file, as a full disk or a crash would. -1 turns it off.
void SetAtomicWriteFailureAfterBytes(long long bytes);

// Settings files (the main settings, the data-read settings, the registered
// equations) that exist but could not be read: writing one would replace what
// the user had with what this run knows, the defaults. Such a file is noted
// when its read fails and is not written for the rest of the run; a missing
// file or a device (which a save writes in place) is not. Note... is true
// the first time a file is noted (the moment to tell the user).
bool NoteUnreadableSettingsFile(const std::filesystem::path& path);
bool IsKeptSettingsFile(const std::filesystem::path& path);
// The reason a kept file is not written, for `error` texts.
std::string KeptSettingsFileReason(const std::filesystem::path& path);
// Test seam: forgets every noted file.
void ForgetKeptSettingsFiles();

}  // namespace kurvex
