#pragma once
// The data-read settings files: "ReadParameter.ini" (the user's saved
// settings) and "TempTableSheet.ini" (the settings as the data input window
// opened, for its Cancel button). Both have the same layout; combo boxes are
// stored by the position of their item in the list (-1: no item selected).
#include <filesystem>
#include <string>

#include "core/data/Selection.h"

namespace kurvex {

inline constexpr const char* kReadParameterFileName = "ReadParameter.ini";
inline constexpr const char* kTempTableSheetFileName = "TempTableSheet.ini";

std::filesystem::path ReadParameterPath();   // ProgramFolder() / "ReadParameter.ini"
std::filesystem::path TempTableSheetPath();  // ProgramFolder() / "TempTableSheet.ini"

// The combo-box lists: items first..last in decimal.
struct NumberList {
    int first;
    int last;
};
inline constexpr NumberList kColumnList{0, 99};  // fixed columns/rows, Y, weight, skip
inline constexpr NumberList kStepList{1, 100};
inline constexpr NumberList kVariableCountList{1, kMaxExplanatoryVariables};

// Position of the text in the list, -1 when it is not one of the items.
int ListPosition(const std::string& text, NumberList list);
// The item at a position, empty for a position outside the list.
std::string ListItem(long long position, NumberList list);

// Writes every key (other entries of an existing file are kept), whole or
// not at all. Shows an error and returns false when the file cannot be written.
bool WriteReadSettings(const std::filesystem::path& path, const SelectionSettings& settings);

// Sets the settings from the file; a missing file or key leaves the setting
// as it is, except the texts with a stated default ("Function" "Y", "Last"
// "-1", the condition off and empty). A stored variable count that selects no
// item reads as 1.
void ReadReadSettings(const std::filesystem::path& path, SelectionSettings& settings);

}  // namespace kurvex
