#pragma once
#include <filesystem>

namespace kurvex {

// The folder of the program's own files (settings, equation list): the
// executable's folder when it is writable (portable use, the build tree),
// otherwise ~/.config/kurvex/ (created on demand). An installed program
// (one with its share folder, see InstalledDataFolder) always keeps them
// per user, even when its bin folder is writable, as it is for root.
std::filesystem::path ProgramFolder();

// Tests point it to a folder of their own; an empty path returns to the
// automatic choice.
void SetProgramFolder(const std::filesystem::path& folder);

// The executable's own path (for the main settings file name).
std::filesystem::path ExecutablePath();

// The per-user configuration folder: $XDG_CONFIG_HOME/kurvex, else
// ~/.config/kurvex.
std::filesystem::path UserConfigFolder();

// The installed help pages and samples of an executable in <prefix>/bin:
// <prefix>/share/kurvex when that folder exists, otherwise empty (a build
// tree or a portable copy).
std::filesystem::path InstalledDataFolder(const std::filesystem::path& executable);

// The rule of ProgramFolder for a given executable and configuration folder.
std::filesystem::path ProgramFolderFor(const std::filesystem::path& executable,
                                       const std::filesystem::path& configFolder);

}  // namespace kurvex
