#include "core/data/ReadSettings.h"

#include <limits>

#include "core/common/IniFile.h"
#include "core/common/MessageSink.h"
#include "core/common/ProgramFolder.h"

namespace kurvex {
namespace {

const char* const kSaveFailedMessage = "設定ファイルに保存できません。\n";

constexpr const char* kTableSection = "Datum Table";
constexpr const char* kObjectiveSection = "Objective";
constexpr const char* kWeightSection = "Weight";
constexpr const char* kConditionsSection = "Conditions";
constexpr const char* kExplanatorySection = "Explanatory";

void ReadPosition(const IniFile& ini, const char* section, const char* key, NumberList list, std::string& text) {
    if (!ini.HasKey(section, key)) return;
    const long long missing = std::numeric_limits<long long>::min();
    const long long position = ini.ReadInteger(section, key, missing);
    if (position == missing) return;
    text = ListItem(position, list);
}

}  // namespace

std::filesystem::path ReadParameterPath() { return ProgramFolder() / kReadParameterFileName; }
std::filesystem::path TempTableSheetPath() { return ProgramFolder() / kTempTableSheetFileName; }

int ListPosition(const std::string& text, NumberList list) {
    for (int value = list.first; value <= list.last; ++value)
        if (text == std::to_string(value)) return value - list.first;
    return -1;
}

std::string ListItem(long long position, NumberList list) {
    if (position < 0 || position > list.last - list.first) return {};
    return std::to_string(list.first + position);
}

bool WriteReadSettings(const std::filesystem::path& path, const SelectionSettings& s) {
    IniFile ini = IniFile::Load(path);
    ini.WriteInteger(kTableSection, "Fixed Columns", ListPosition(s.fixedColumns, kColumnList));
    ini.WriteInteger(kTableSection, "Fixed Rows", ListPosition(s.fixedRows, kColumnList));
    ini.WriteInteger(kObjectiveSection, "Item No", ListPosition(s.yColumn, kColumnList));
    ini.WriteString(kObjectiveSection, "Function", s.yTransform);
    ini.WriteInteger(kWeightSection, "Item No", ListPosition(s.weightColumn, kColumnList));
    ini.WriteInteger(kConditionsSection, "Skip", ListPosition(s.skip, kColumnList));
    ini.WriteInteger(kConditionsSection, "Step", ListPosition(s.step, kStepList));
    ini.WriteString(kConditionsSection, "Last", s.lastRow);
    ini.WriteBool(kConditionsSection, "Set discriminant", s.conditionOn);
    ini.WriteString(kConditionsSection, "Discriminant expression", s.condition);
    ini.WriteInteger(kExplanatorySection, "Number of variables", ListPosition(s.variableCount, kVariableCountList));
    const int n = SelectedVariableCount(s);
    for (int i = 1; i <= n; ++i) {
        const ExplanatoryVariableSetting xi =
            static_cast<std::size_t>(i) <= s.x.size() ? s.x[i - 1] : ExplanatoryVariableSetting{};
        ini.WriteString(kExplanatorySection, "Item No of X" + std::to_string(i), xi.column);
        ini.WriteString(kExplanatorySection, "Function of X" + std::to_string(i), xi.transform);
    }
    std::string error;
    if (!ini.Save(path, &error)) {
        if (!IsKeptSettingsFile(path)) ShowError(kSaveFailedMessage + error);  // else told when it was read
        return false;
    }
    return true;
}

void ReadReadSettings(const std::filesystem::path& path, SelectionSettings& s) {
    const IniFile ini = IniFile::Load(path);
    ReadPosition(ini, kTableSection, "Fixed Columns", kColumnList, s.fixedColumns);
    ReadPosition(ini, kTableSection, "Fixed Rows", kColumnList, s.fixedRows);
    ReadPosition(ini, kObjectiveSection, "Item No", kColumnList, s.yColumn);
    s.yTransform = ini.ReadString(kObjectiveSection, "Function", "Y");
    ReadPosition(ini, kWeightSection, "Item No", kColumnList, s.weightColumn);
    ReadPosition(ini, kConditionsSection, "Skip", kColumnList, s.skip);
    ReadPosition(ini, kConditionsSection, "Step", kStepList, s.step);
    s.lastRow = ini.ReadString(kConditionsSection, "Last", "-1");
    s.conditionOn = ini.ReadBool(kConditionsSection, "Set discriminant", false);
    s.condition = ini.ReadString(kConditionsSection, "Discriminant expression", "");
    ReadPosition(ini, kExplanatorySection, "Number of variables", kVariableCountList, s.variableCount);
    // No item selected leaves n undefined; the window starts with 1.
    if (ListPosition(s.variableCount, kVariableCountList) < 0) s.variableCount = "1";

    const int n = SelectedVariableCount(s);
    if (s.x.size() < kMaxExplanatoryVariables) s.x.resize(kMaxExplanatoryVariables);
    for (int i = 1; i <= n; ++i) {
        ExplanatoryVariableSetting& xi = s.x[i - 1];
        xi.column = ini.ReadString(kExplanatorySection, "Item No of X" + std::to_string(i), xi.column);
        xi.transform = ini.ReadString(kExplanatorySection, "Function of X" + std::to_string(i), xi.transform);
    }
}

}  // namespace kurvex
