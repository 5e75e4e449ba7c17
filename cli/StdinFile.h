#pragma once
// FILE "-": the data come from standard input. The table reader reads a
// large file twice (streaming mode), so the input is kept in a private
// temporary file for the run and removed at exit.
#include <filesystem>
#include <string>

namespace kurvex::cli {

inline constexpr const char* kStdinFileName = "-";

// The file to read for FILE: `file` itself, or for "-" the copy of standard
// input (made on the first call); empty when the copy could not be written.
std::filesystem::path DataFilePath(const std::string& file);

}  // namespace kurvex::cli
