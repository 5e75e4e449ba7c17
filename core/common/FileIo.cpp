#include "common/FileIo.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kurvex {
namespace {

long long failureAfterBytes = -1;

std::string SystemError(const std::string& what, const std::filesystem::path& path) {
    return what + " " + path.string() + ": " + std::strerror(errno);
}

}  // namespace

void SetAtomicWriteFailureAfterBytes(long long bytes) { failureAfterBytes = bytes; }

std::optional<std::string> ReadWholeFile(const std::filesystem::path& path, std::string* error) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (error) *error = SystemError("cannot open", path);
        return std::nullopt;
    }
    // Only a regular file has an end: /dev/zero or /dev/full would be read
    // until memory runs out, a pipe could block for ever.
    struct stat info {};
    const bool known = ::fstat(fd, &info) == 0;
    if (!known || !S_ISREG(info.st_mode)) {
        if (known) errno = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
        if (error) *error = SystemError("cannot read", path);
        ::close(fd);
        return std::nullopt;
    }
    std::string content;
    char buffer[1 << 16];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR) continue;
            if (error) *error = SystemError("cannot read", path);
            ::close(fd);
            return std::nullopt;
        }
        if (got == 0) break;
        content.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(fd);
    return content;
}

namespace {

// A device named as the target (/dev/null, /dev/full) is written in place:
// renaming a temporary file over it would replace the device by a file.
bool WriteToDevice(const std::filesystem::path& path, std::string_view content, std::string* error) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) {
        if (error) *error = SystemError("cannot open", path);
        return false;
    }
    std::size_t written = 0;
    while (written < content.size()) {
        const ssize_t put = ::write(fd, content.data() + written, content.size() - written);
        if (put < 0) {
            if (errno == EINTR) continue;
            if (error) *error = SystemError("cannot write", path);
            ::close(fd);
            return false;
        }
        written += static_cast<std::size_t>(put);
    }
    if (::close(fd) != 0) {
        if (error) *error = SystemError("cannot write", path);
        return false;
    }
    return true;
}

}  // namespace

bool WriteFileAtomically(const std::filesystem::path& given, std::string_view content, std::string* error) {
    std::filesystem::path path = given;
    struct stat info {};
    if (::stat(given.c_str(), &info) == 0) {
        if (S_ISCHR(info.st_mode)) return WriteToDevice(given, content, error);
        if (!S_ISREG(info.st_mode)) {
            // A folder, pipe or socket cannot take the place of a file.
            errno = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
            if (error) *error = SystemError("cannot replace", given);
            return false;
        }
        // A symbolic link stays a link: the file it names is replaced.
        std::error_code ec;
        if (std::filesystem::is_symlink(given, ec)) {
            const std::filesystem::path resolved = std::filesystem::canonical(given, ec);
            if (!ec) path = resolved;
        }
    }
    std::filesystem::path temporary = path;
    temporary += ".tmp-" + std::to_string(::getpid());
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        if (error) *error = SystemError("cannot create", temporary);
        return false;
    }
    std::size_t limit = content.size();
    const bool simulateFailure = failureAfterBytes >= 0;
    if (simulateFailure && static_cast<std::size_t>(failureAfterBytes) < limit)
        limit = static_cast<std::size_t>(failureAfterBytes);
    std::size_t written = 0;
    bool ok = true;
    while (written < limit) {
        const ssize_t put = ::write(fd, content.data() + written, limit - written);
        if (put < 0) {
            if (errno == EINTR) continue;
            ok = false;
            break;
        }
        written += static_cast<std::size_t>(put);
    }
    if (ok && simulateFailure) {
        errno = ENOSPC;
        ok = false;
    }
    if (ok && ::fsync(fd) != 0) ok = false;
    if (!ok) {
        if (error) *error = SystemError("cannot write", path);
        ::close(fd);
        ::unlink(temporary.c_str());
        return false;
    }
    if (::close(fd) != 0) {
        if (error) *error = SystemError("cannot write", path);
        ::unlink(temporary.c_str());
        return false;
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        if (error) *error = SystemError("cannot replace", path);
        ::unlink(temporary.c_str());
        return false;
    }
    return true;
}

}  // namespace kurvex
