#include "cli/StdinFile.h"

#include <unistd.h>
#include <cstdio>
#include <cstdlib>
#include <system_error>

namespace kurvex::cli {

namespace {

class StdinCopy {
public:
    StdinCopy() {
        std::string name = (std::filesystem::temp_directory_path() / "kurvex-cli-stdin-XXXXXX").string();
        const int fd = ::mkstemp(name.data());
        if (fd < 0) return;
        path_ = name;
        char buffer[65536];
        std::size_t got;
        bool ok = true;
        while (ok && (got = std::fread(buffer, 1, sizeof buffer, stdin)) > 0) {
            for (std::size_t done = 0; ok && done < got;) {
                const ssize_t written = ::write(fd, buffer + done, got - done);
                ok = written > 0;
                if (ok) done += static_cast<std::size_t>(written);
            }
        }
        ok = ::close(fd) == 0 && ok && !std::ferror(stdin);
        if (!ok) Remove();
    }
    ~StdinCopy() { Remove(); }
    const std::filesystem::path& Path() const { return path_; }

private:
    void Remove() {
        if (path_.empty()) return;
        std::error_code ec;
        std::filesystem::remove(path_, ec);
        path_.clear();
    }
    std::filesystem::path path_;
};

}  // namespace

std::filesystem::path DataFilePath(const std::string& file) {
    if (file != kStdinFileName) return file;
    static StdinCopy copy;
    return copy.Path();
}

}  // namespace kurvex::cli
