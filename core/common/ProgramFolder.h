#pragma once
#include <filesystem>

namespace kurvex {

// The folder of the program's own files (settings, equation list): the
// executable's folder when it is writable (portable use, the build tree),
// otherwise ~/.config/kurvex/ (created on demand).
std::filesystem::path ProgramFolder();

// Tests point it to a folder of their own; an empty path returns to the
// automatic choice.
void SetProgramFolder(const std::filesystem::path& folder);

// The executable's own path (for the main settings file name).
std::filesystem::path ExecutablePath();

}  // namespace kurvex
