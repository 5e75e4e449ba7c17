#include "cli/SelectionOptions.h"

#include <filesystem>

#include "cli/StdinFile.h"
#include "core/common/MessageSink.h"
#include "core/data/BuildDataSet.h"
#include "core/data/ReadSettings.h"

namespace kurvex::cli {

void AddSelectionOptions(CLI::App& command, SelectionOptions& options) {
    command.add_option("FILE", options.file, "comma-separated data file (- reads standard input)")->required();
    command.add_option("--settings", options.settingsFile, "data-read settings file (ReadParameter.ini)")
        ->check(CLI::ExistingFile);
    command.add_option("--y", options.yColumn, "column of Y (default 1)");
    command.add_option("--yf", options.yTransform, "transform of Y, e.g. LN(Y) (default Y)");
    command.add_option("--x", options.xSpecs, "COL[:TRANSFORM] of X1, X2, ... (default 2:X)")->take_all();
    command.add_option("--w", options.weightColumn, "weight column (0: none)");
    command.add_option("--skip", options.skip, "leading rows that are not data (default 1)");
    command.add_option("--step", options.step, "use every STEP-th row (default 1)");
    command.add_option("--last", options.lastRow, "last row to use (-1: the end)");
    command.add_option("--where", options.condition, "row condition, e.g. \"A1 GT 0\"");
}

SelectionSettings ResolveSelection(const SelectionOptions& options) {
    SelectionSettings settings;
    settings.yColumn = "1";
    settings.yTransform = "Y";
    settings.x[0] = {"2", "X"};
    settings.weightColumn = "0";
    settings.skip = "1";
    settings.step = "1";
    settings.lastRow = "-1";
    settings.variableCount = "1";
    if (!options.settingsFile.empty()) ReadReadSettings(options.settingsFile, settings);

    if (options.yColumn) settings.yColumn = *options.yColumn;
    if (options.yTransform) settings.yTransform = *options.yTransform;
    if (!options.xSpecs.empty()) {
        settings.variableCount = std::to_string(options.xSpecs.size());
        for (std::size_t i = 0; i < options.xSpecs.size() && i < settings.x.size(); ++i) {
            const std::string& xSpec = options.xSpecs[i];
            const auto colon = xSpec.find(':');
            settings.x[i] = colon == std::string::npos
                                ? ExplanatoryVariableSetting{xSpec, "X"}
                                : ExplanatoryVariableSetting{xSpec.substr(0, colon), xSpec.substr(colon + 1)};
        }
    }
    if (options.weightColumn) settings.weightColumn = *options.weightColumn;
    if (options.skip) settings.skip = *options.skip;
    if (options.step) settings.step = *options.step;
    if (options.lastRow) settings.lastRow = *options.lastRow;
    if (options.condition) {
        settings.conditionOn = true;
        settings.condition = *options.condition;
    }
    return settings;
}

std::optional<LoadedData> LoadDataSet(const SelectionOptions& options) {
    LoadedData loaded;
    if (options.xSpecs.size() > static_cast<std::size_t>(kMaxExplanatoryVariables)) {
        ShowError(kVariableCountRangeMessage);
        return std::nullopt;
    }
    const std::filesystem::path path = DataFilePath(options.file);
    if (options.file == kStdinFileName && path.empty()) {
        ShowError("標準入力のデータを一時ファイルに書き込めませんでした。");
        return std::nullopt;
    }
    if (!std::filesystem::is_regular_file(path)) {
        ShowError("ファイル " + options.file + " が見つかりません。");
        return std::nullopt;
    }
    if (!loaded.table.LoadFile(path)) return std::nullopt;

    const SelectionSettings settings = ResolveSelection(options);
    const ReadCheckResult check = CheckReadSettings(settings, loaded.table.DataColumnCount());
    if (!check.ok) {
        ShowReadCheckFailure(check);
        return std::nullopt;
    }
    auto prepared = PrepareSelection(check.values, loaded.table);
    if (!prepared) return std::nullopt;
    loaded.selection = std::move(*prepared);
    const BuildResult built = BuildDataSet(loaded.selection, loaded.table, loaded.data);
    if (!built.ok()) {
        if (built.outcome == BuildOutcome::NoCandidates) ShowError(kNoCandidateRowsMessage);
        return std::nullopt;
    }
    return loaded;
}

}  // namespace kurvex::cli
