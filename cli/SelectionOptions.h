#pragma once
// The SELECTION options shared by fit, predict, kendall and spline, and the
// data-set build they lead to (the same routines the data input window runs).
#include <optional>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "core/data/DataTable.h"
#include "core/data/Selection.h"
#include "core/regression/FitState.h"

namespace kurvex::cli {

struct SelectionOptions {
    std::string file;
    std::string settingsFile;
    std::optional<std::string> yColumn;
    std::optional<std::string> yTransform;
    std::vector<std::string> xSpecs;  // COL or COL:TRANSFORM, one per explanatory variable
    std::optional<std::string> weightColumn;
    std::optional<std::string> skip;
    std::optional<std::string> step;
    std::optional<std::string> lastRow;
    std::optional<std::string> condition;
};

void AddSelectionOptions(CLI::App& command, SelectionOptions& options);

// The settings the window would hold: the program's defaults (Y column 1
// "Y", X1 column 2 "X", no weight, skip 1, step 1, last row -1), then the
// settings file, then every option given on the command line.
SelectionSettings ResolveSelection(const SelectionOptions& options);

// The table, the prepared selection and the data set built from them.
struct LoadedData {
    DataTable table;
    PreparedSelection selection;
    TFitData data;
};

// Loads the file and builds the data set, reporting through the message
// sink; nothing when a step failed (its message has been shown).
std::optional<LoadedData> LoadDataSet(const SelectionOptions& options);

}  // namespace kurvex::cli
