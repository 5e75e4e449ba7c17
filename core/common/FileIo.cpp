#include "core/common/FileIo.h"

#include "core/common/MessageSink.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <random>
#include <set>

namespace kurvex {
namespace {

long long failureAfterBytes = -1;

std::string SystemError(const std::string& what, const std::filesystem::path& path) {
    return what + " " + path.string() + ": " + std::strerror(errno);
}

const char* const kNotRegularReason = "通常のファイルではありません（装置、パイプ、ソケットなどは読み込みません）";

}  // namespace

void SetAtomicWriteFailureAfterBytes(long long bytes) { failureAfterBytes = bytes; }

int OpenRegularFileForReading(const std::filesystem::path& path, std::string* error, long long* size) {
    // O_NONBLOCK: opening a pipe that nobody writes to would otherwise wait
    // for a writer for ever; O_NOCTTY: a terminal named here must not become
    // the program's own.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        if (error) *error = SystemError("cannot open", path);
        return -1;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        if (error) *error = SystemError("cannot read", path);
        ::close(fd);
        return -1;
    }
    if (!S_ISREG(info.st_mode)) {
        if (S_ISDIR(info.st_mode)) {
            errno = EISDIR;
            if (error) *error = SystemError("cannot read", path);
        } else if (error) {
            *error = "cannot read " + path.string() + ": " + kNotRegularReason;
        }
        ::close(fd);
        return -1;
    }
    // Reads of the regular file wait for the disk as usual.
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    if (size) *size = static_cast<long long>(info.st_size);
    return fd;
}

std::optional<std::string> ReadWholeFile(const std::filesystem::path& path, std::string* error) {
    long long size = 0;
    const int fd = OpenRegularFileForReading(path, error, &size);
    if (fd < 0) return std::nullopt;
    std::string content;
    content.reserve(static_cast<std::size_t>(size));
    char buffer[1 << 16];
    while (static_cast<long long>(content.size()) < size) {
        const std::size_t want =
            static_cast<std::size_t>(std::min<long long>(size - static_cast<long long>(content.size()), sizeof buffer));
        const ssize_t got = ::read(fd, buffer, want);
        if (got < 0) {
            if (errno == EINTR) continue;
            if (error) *error = SystemError("cannot read", path);
            ::close(fd);
            return std::nullopt;
        }
        if (got == 0) break;  // cut short while being read
        content.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(fd);
    return content;
}

// ---------------------------------------------------------------------------
// Settings files kept because they could not be read

namespace {

std::mutex keptMutex;
std::set<std::filesystem::path>& KeptFiles() {
    static std::set<std::filesystem::path> files;
    return files;
}

std::filesystem::path KeyOf(const std::filesystem::path& path) {
    std::error_code ec;
    std::filesystem::path absolute = std::filesystem::absolute(path, ec);
    if (ec) absolute = path;
    return absolute.lexically_normal();
}

}  // namespace

bool NoteUnreadableSettingsFile(const std::filesystem::path& path) {
    // Nothing there, or a device (a save writes /dev/null in place): no
    // content of the user's to lose.
    std::error_code ec;
    const auto type = std::filesystem::status(path, ec).type();
    if (type == std::filesystem::file_type::not_found || type == std::filesystem::file_type::character) return false;
    const std::lock_guard lock(keptMutex);
    return KeptFiles().insert(KeyOf(path)).second;
}

bool IsKeptSettingsFile(const std::filesystem::path& path) {
    const std::lock_guard lock(keptMutex);
    return KeptFiles().count(KeyOf(path)) != 0;
}

std::string KeptSettingsFileReason(const std::filesystem::path& path) {
    return path.string() + ": 読み込めなかったファイルのため上書きしません";
}

void ForgetKeptSettingsFiles() {
    const std::lock_guard lock(keptMutex);
    KeptFiles().clear();
}

// ---------------------------------------------------------------------------
// Writing

namespace {

bool WriteAll(int fd, std::string_view content) {
    std::size_t written = 0;
    while (written < content.size()) {
        const ssize_t put = ::write(fd, content.data() + written, content.size() - written);
        if (put < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        written += static_cast<std::size_t>(put);
    }
    return true;
}

// A device named as the target (/dev/null, /dev/full) is written in place:
// renaming a temporary file over it would replace the device by a file.
bool WriteToDevice(const std::filesystem::path& path, std::string_view content, std::string* error) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        if (error) *error = SystemError("cannot open", path);
        return false;
    }
    if (!WriteAll(fd, content)) {
        if (error) *error = SystemError("cannot write", path);
        ::close(fd);
        return false;
    }
    if (::close(fd) != 0) {
        if (error) *error = SystemError("cannot write", path);
        return false;
    }
    return true;
}

std::string TemporaryPrefix(const std::filesystem::path& target) {
    return "." + target.filename().string() + kTemporaryFileMarker;
}

// A crash during a save leaves its temporary file; the next save of the same
// file removes those that are old enough not to belong to a save going on.
void RemoveStaleTemporaryFiles(const std::filesystem::path& target) {
    const std::string prefix = TemporaryPrefix(target);
    const std::filesystem::path folder = target.parent_path().empty() ? "." : target.parent_path();
    std::error_code ec;
    std::filesystem::directory_iterator it(folder, ec);
    if (ec) return;
    const auto now = std::chrono::system_clock::now();
    for (; it != std::filesystem::directory_iterator(); it.increment(ec)) {
        if (ec) return;
        const std::string name = it->path().filename().string();
        if (name.size() <= prefix.size() + 4 || name.compare(0, prefix.size(), prefix) != 0 ||
            name.compare(name.size() - 4, 4, ".tmp") != 0)
            continue;
        struct stat info {};
        if (::lstat(it->path().c_str(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != ::geteuid()) continue;
        const auto modified = std::chrono::system_clock::from_time_t(info.st_mtime);
        if (now - modified > std::chrono::hours(1)) ::unlink(it->path().c_str());
    }
}

// Creates the temporary file beside `target` under a name nobody can guess in
// advance; O_EXCL also refuses a symbolic link planted under that name.
int CreateTemporaryFile(const std::filesystem::path& target, std::filesystem::path& temporary) {
    static const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::random_device device;
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = TemporaryPrefix(target);
        for (int i = 0; i < 12; ++i) name += letters[device() % (sizeof letters - 1)];
        name += ".tmp";
        temporary = target.parent_path() / name;
        const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    errno = EEXIST;
    return -1;
}

// The file a symbolic link names (through every link), or the path itself.
std::filesystem::path FileBehindLinks(const std::filesystem::path& given) {
    std::filesystem::path path = given;
    std::error_code ec;
    for (int depth = 0; depth < 40 && std::filesystem::is_symlink(path, ec); ++depth) {
        const std::filesystem::path resolved = std::filesystem::canonical(path, ec);
        if (!ec) return resolved;
        // A link to a file not yet there: the file is created where it points.
        const std::filesystem::path next = std::filesystem::read_symlink(path, ec);
        if (ec) return path;
        path = next.is_absolute() ? next : path.parent_path() / next;
    }
    return path;
}

// A file with several hard links: every link must see the new content, so the
// file is rewritten where it is. Room for the content is reserved first, so a
// full disk is found before the old content is touched.
bool RewriteInPlace(const std::filesystem::path& path, std::string_view content, std::string* error) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY);
    if (fd < 0) {
        if (error) *error = SystemError("cannot open", path);
        return false;
    }
    auto fail = [&](const char* what) {
        if (error) *error = SystemError(what, path);
        ::close(fd);
        return false;
    };
    if (failureAfterBytes >= 0) {
        errno = ENOSPC;
        return fail("cannot write");
    }
    if (!content.empty()) {
        const int reserved = ::posix_fallocate(fd, 0, static_cast<off_t>(content.size()));
        // Some file systems cannot reserve; the write then finds a full disk itself.
        if (reserved != 0 && reserved != EOPNOTSUPP && reserved != EINVAL) {
            errno = reserved;
            return fail("cannot write");
        }
    }
    if (!WriteAll(fd, content)) return fail("cannot write");
    if (::ftruncate(fd, static_cast<off_t>(content.size())) != 0) return fail("cannot write");
    if (::fsync(fd) != 0) return fail("cannot write");
    if (::close(fd) != 0) {
        if (error) *error = SystemError("cannot write", path);
        return false;
    }
    return true;
}

}  // namespace

bool WriteFileAtomically(const std::filesystem::path& given, std::string_view content, std::string* error) {
    const std::filesystem::path path = FileBehindLinks(given);
    struct stat info {};
    const bool exists = ::stat(path.c_str(), &info) == 0;
    if (exists) {
        if (S_ISCHR(info.st_mode)) return WriteToDevice(path, content, error);
        if (!S_ISREG(info.st_mode)) {
            // A folder, pipe or socket cannot take the place of a file.
            errno = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
            if (error) *error = SystemError("cannot replace", given);
            return false;
        }
        if (info.st_nlink > 1) return RewriteInPlace(path, content, error);
    }
    RemoveStaleTemporaryFiles(path);
    std::filesystem::path temporary;
    const int fd = CreateTemporaryFile(path, temporary);
    if (fd < 0) {
        if (error) *error = SystemError("cannot create", temporary);
        return false;
    }
    // The replaced file's permissions and owner stay: a private file must not
    // become readable by others. The owner can only be kept where the process
    // may give files away (the superuser); otherwise the file becomes its own.
    bool ok = true;
    if (exists) {
        if ((info.st_uid != ::geteuid() || info.st_gid != ::getegid()) && ::fchown(fd, info.st_uid, info.st_gid) != 0) {
            // Not allowed: keep the group at least where possible.
            [[maybe_unused]] const int ignored = ::fchown(fd, static_cast<uid_t>(-1), info.st_gid);
        }
        if (::fchmod(fd, info.st_mode & 07777) != 0) ok = false;
    }
    std::size_t limit = content.size();
    const bool simulateFailure = failureAfterBytes >= 0;
    if (simulateFailure && static_cast<std::size_t>(failureAfterBytes) < limit)
        limit = static_cast<std::size_t>(failureAfterBytes);
    if (ok && !WriteAll(fd, content.substr(0, limit))) ok = false;
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
    // The rename itself reaches the disk with the folder.
    const std::filesystem::path folder = path.parent_path().empty() ? "." : path.parent_path();
    const int folderFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd >= 0) {
        ::fsync(folderFd);
        ::close(folderFd);
    }
    return true;
}

bool WriteFileOrReport(const std::filesystem::path& path, std::string_view content) {
    std::string error;
    if (WriteFileAtomically(path, content, &error)) return true;
    ShowError(kFileWriteFailedMessage + error);
    return false;
}

}  // namespace kurvex
