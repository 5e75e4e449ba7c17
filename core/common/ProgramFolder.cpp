#include "core/common/ProgramFolder.h"

#include <unistd.h>
#include <cstdlib>
#include <system_error>

#ifndef KURVEX_DATA_FROM_BIN
#define KURVEX_DATA_FROM_BIN "../share/kurvex"
#endif

namespace kurvex {
namespace {

std::filesystem::path overrideFolder;

}  // namespace

std::filesystem::path UserConfigFolder() {
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

std::filesystem::path ExecutablePath() {
    std::error_code ec;
    auto path = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::path("kurvex") : path;
}

std::filesystem::path InstalledDataFolder(const std::filesystem::path& executable) {
    const auto folder = (executable.parent_path() / KURVEX_DATA_FROM_BIN).lexically_normal();
    std::error_code ec;
    return std::filesystem::is_directory(folder, ec) ? folder : std::filesystem::path();
}

std::filesystem::path ProgramFolderFor(const std::filesystem::path& executable,
                                       const std::filesystem::path& configFolder) {
    const auto exeFolder = executable.parent_path();
    if (InstalledDataFolder(executable).empty() && !exeFolder.empty() && ::access(exeFolder.c_str(), W_OK) == 0)
        return exeFolder;
    return configFolder;
}

void SetProgramFolder(const std::filesystem::path& folder) { overrideFolder = folder; }

std::filesystem::path ProgramFolder() {
    if (!overrideFolder.empty()) return overrideFolder;
    static const std::filesystem::path resolved = [] {
        auto folder = ProgramFolderFor(ExecutablePath(), UserConfigFolder());
        std::error_code ec;
        std::filesystem::create_directories(folder, ec);
        return folder;
    }();
    return resolved;
}

}  // namespace kurvex
