#include "core/data/MainSettings.h"

#include <algorithm>
#include <limits>

#include "core/regression/ModelSelection.h"

namespace kurvex {

namespace {

constexpr const char* kMainForm = "Main Form";
constexpr const char* kInputForm = "Input Form";
constexpr const char* kFile = "File";
constexpr const char* kModel = "Model";
constexpr const char* kConditions = "Conditions";

std::string InitialValueKey(int j) { return "Initial Values of C" + std::to_string(j); }
std::string IncrementKey(int j) { return "Increment for C" + std::to_string(j); }
std::string FixedKey(int j) { return "Fixed C" + std::to_string(j); }
std::string SearchRangeKey(int j) { return "Search Range of C" + std::to_string(j); }
std::string RecentKey(int j) { return "File " + std::to_string(j); }

void ReadInt(const IniFile& ini, const char* section, const char* key, int& value) {
    const long long stored = ini.ReadInteger(section, key, value);
    value = static_cast<int>(
        std::clamp<long long>(stored, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

void ReadText(const IniFile& ini, const char* section, const std::string& key, std::string& value) {
    value = ini.ReadString(section, key, value);
}

void ReadGeometry(const IniFile& ini, const char* section, WindowGeometry& geometry) {
    ReadInt(ini, section, "Width", geometry.width);
    ReadInt(ini, section, "Height", geometry.height);
    ReadInt(ini, section, "Left", geometry.left);
    ReadInt(ini, section, "Top", geometry.top);
}

void WriteGeometry(IniFile& ini, const char* section, const WindowGeometry& geometry) {
    ini.WriteInteger(section, "Width", geometry.width);
    ini.WriteInteger(section, "Height", geometry.height);
    ini.WriteInteger(section, "Left", geometry.left);
    ini.WriteInteger(section, "Top", geometry.top);
}

}  // namespace

void ReadMainSettings(const IniFile& ini, MainSettings& settings) {
    ReadGeometry(ini, kMainForm, settings.mainForm);
    ReadGeometry(ini, kInputForm, settings.inputForm);
    ReadInt(ini, kInputForm, "Width of Panel 1", settings.panel1Width);

    ReadText(ini, kFile, "Source File", settings.sourceFile);
    ReadText(ini, kFile, "Current Directory", settings.currentDirectory);

    int count = 0;
    ReadInt(ini, kFile, "Number of Listed Files", count);
    count = std::clamp(count, 0, kRecentFileCapacity);
    settings.recentFiles.clear();
    for (int j = 0; j < count; ++j) {
        std::string entry = ini.ReadString(kFile, RecentKey(j), "");
        if (entry.empty()) break;
        settings.recentFiles.push_back(std::move(entry));
    }

    ReadInt(ini, kModel, "Model No.", settings.modelNo);
    ReadInt(ini, kModel, "General Model No", settings.generalModelNo);

    // Every stored coefficient row comes back, not only those of the model
    // shown at this moment: the stored model is selected only afterwards,
    // and its values must survive the restart.
    settings.initialValues.resize(kMaxNamedCoefficients);
    settings.increments.resize(kMaxNamedCoefficients);
    settings.fixed.resize(kMaxNamedCoefficients);
    settings.searchRanges.resize(kMaxNamedCoefficients);
    for (int j = 0; j < kMaxNamedCoefficients; ++j) {
        const auto jj = static_cast<std::size_t>(j);
        ReadText(ini, kConditions, InitialValueKey(j), settings.initialValues[jj]);
        ReadText(ini, kConditions, IncrementKey(j), settings.increments[jj]);
        ReadText(ini, kConditions, FixedKey(j), settings.fixed[jj]);
        if (settings.fixed[jj] != "1") settings.fixed[jj].clear();
        ReadText(ini, kConditions, SearchRangeKey(j), settings.searchRanges[jj]);
    }
    ReadText(ini, kConditions, "Alarm Max", settings.alarmMax);
    ReadText(ini, kConditions, "Max Iteration", settings.maxIteration);
    ReadText(ini, kConditions, "Initial Increment", settings.initialIncrement);
    ReadText(ini, kConditions, "Confidence Limit", settings.confidenceLimit);
    ReadInt(ini, kConditions, "Method Number for Calcuating Differential", settings.differentialMethod);
    ReadInt(ini, kConditions, "Threads", settings.threads);
}

void WriteMainSettings(IniFile& ini, const MainSettings& settings) {
    WriteGeometry(ini, kMainForm, settings.mainForm);
    WriteGeometry(ini, kInputForm, settings.inputForm);
    ini.WriteInteger(kInputForm, "Width of Panel 1", settings.panel1Width);

    ini.WriteString(kFile, "Source File", settings.sourceFile);
    ini.WriteString(kFile, "Current Directory", settings.currentDirectory);
    const int count = std::min(static_cast<int>(settings.recentFiles.size()), kRecentFileCapacity);
    ini.WriteInteger(kFile, "Number of Listed Files", count);
    for (int j = 0; j < count; ++j)
        ini.WriteString(kFile, RecentKey(j), settings.recentFiles[static_cast<std::size_t>(j)]);

    ini.WriteInteger(kModel, "Model No.", settings.modelNo);
    ini.WriteInteger(kModel, "General Model No", settings.generalModelNo);

    const int rows = std::clamp(settings.coefficientCount, 0,
                                static_cast<int>(std::min(settings.initialValues.size(), settings.increments.size())));
    for (int j = 0; j < rows; ++j) {
        ini.WriteString(kConditions, InitialValueKey(j), settings.initialValues[static_cast<std::size_t>(j)]);
        ini.WriteString(kConditions, IncrementKey(j), settings.increments[static_cast<std::size_t>(j)]);
    }
    ini.WriteString(kConditions, "Alarm Max", settings.alarmMax);
    ini.WriteString(kConditions, "Max Iteration", settings.maxIteration);
    ini.WriteString(kConditions, "Initial Increment", settings.initialIncrement);
    ini.WriteString(kConditions, "Confidence Limit", settings.confidenceLimit);
    ini.WriteInteger(kConditions, "Method Number for Calcuating Differential", settings.differentialMethod);
    // Our own keys come after the established ones, which keep their order.
    for (int j = 0; j < rows; ++j) {
        const auto jj = static_cast<std::size_t>(j);
        ini.WriteString(kConditions, FixedKey(j), jj < settings.fixed.size() && settings.fixed[jj] == "1" ? "1" : "0");
        ini.WriteString(kConditions, SearchRangeKey(j),
                        jj < settings.searchRanges.size() ? settings.searchRanges[jj] : "");
    }
    // Only a limit the user set is written: a default file keeps its keys.
    if (settings.threads != 0 || ini.HasKey(kConditions, "Threads"))
        ini.WriteInteger(kConditions, "Threads", settings.threads);
}

}  // namespace kurvex
