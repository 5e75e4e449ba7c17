#include "common/ProgramFolder.h"

#include <cstdlib>
#include <system_error>
#include <unistd.h>

namespace kurvex {
namespace {

std::filesystem::path overrideFolder;

std::filesystem::path ConfigFolder() {
    std::filesystem::path base;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg) {
        base = xdg;
    } else if (const char* home = std::getenv("HOME"); home && *home) {
        base = std::filesystem::path(home) / ".config";
    } else {
        base = std::filesystem::temp_directory_path();
    }
    return base / "kurvex";
}

}  // namespace

std::filesystem::path ExecutablePath() {
    std::error_code ec;
    auto path = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::path("kurvex") : path;
}

void SetProgramFolder(const std::filesystem::path& folder) { overrideFolder = folder; }

std::filesystem::path ProgramFolder() {
    if (!overrideFolder.empty()) return overrideFolder;
    static const std::filesystem::path resolved = [] {
        const auto exeFolder = ExecutablePath().parent_path();
        if (!exeFolder.empty() && ::access(exeFolder.c_str(), W_OK) == 0) return exeFolder;
        auto folder = ConfigFolder();
        std::error_code ec;
        std::filesystem::create_directories(folder, ec);
        return folder;
    }();
    return resolved;
}

}  // namespace kurvex
