#include "common/FileIo.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
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

bool WriteFileAtomically(const std::filesystem::path& path, std::string_view content, std::string* error) {
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
