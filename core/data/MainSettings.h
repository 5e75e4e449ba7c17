#pragma once
// The main settings file: window places, the data file and folder, the
// recent-file list, the model and the fitting conditions. The main window
// copies its state into MainSettings before a write and out of it after a
// read; the file's keys are known only here.
#include <string>
#include <vector>

#include "core/common/IniFile.h"

namespace kurvex {

inline constexpr int kRecentFileCapacity = 10;

struct WindowGeometry {
    int width = 0;
    int height = 0;
    int left = 0;
    int top = 0;
};

struct MainSettings {
    WindowGeometry mainForm;
    WindowGeometry inputForm;
    int panel1Width = 0;

    std::string sourceFile;
    std::string currentDirectory;
    std::vector<std::string> recentFiles;  // most recent first, at most kRecentFileCapacity

    int modelNo = 0;
    int generalModelNo = 0;

    // The coefficient grid's texts, element j for C<j> (kMaxNamedCoefficients
    // of them). A read replaces only the stored ones; a write stores the first
    // `coefficientCount` (the current model's).
    std::vector<std::string> initialValues;
    std::vector<std::string> increments;
    // Our own keys beside them (a file without them reads as nothing fixed, no
    // range): "1" when C<j> is held fixed, and the search range "low:high".
    std::vector<std::string> fixed;
    std::vector<std::string> searchRanges;
    int coefficientCount = 0;

    std::string alarmMax;
    std::string maxIteration;
    std::string initialIncrement;
    std::string confidenceLimit;
    int differentialMethod = 0;
    // The most threads a computation uses: 0 every hardware thread, 1 one.
    int threads = 0;
};

// Reads the keys present in `ini` over `settings`: a missing key keeps its
// value, integers outside the int range saturate. The recent-file list is
// always replaced: the stored count (at most kRecentFileCapacity) up to the
// first empty entry.
void ReadMainSettings(const IniFile& ini, MainSettings& settings);

// Writes every key; other sections and keys of `ini` stay as they are.
void WriteMainSettings(IniFile& ini, const MainSettings& settings);

}  // namespace kurvex
