#pragma once
// Helpers of the reliability tests: a temporary folder, and short texts that
// describe what a routine did (its value or fault, its messages), so that a
// table of bad inputs can state each expected outcome in one line.
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "core/common/MessageSink.h"
#include "core/common/ProgramFolder.h"
#include "core/data/BuildDataSet.h"
#include "core/data/DataTable.h"
#include "core/data/Selection.h"
#include "core/expression/Evaluator.h"
#include "core/regression/FitState.h"
#include "tests/core/data/TestFiles.h"

namespace kurvex::reliability {

// A temporary folder that is the program's folder while it lives.
class TempFolder : public testing::TempFolder {
public:
    TempFolder() { SetProgramFolder(Path()); }
    ~TempFolder() { SetProgramFolder({}); }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    static std::string ReadFile(const std::filesystem::path& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
};

// "" when nothing was shown, otherwise "; " + the texts joined by " | ".
inline std::string MessagesSuffix(const RecordingMessageSink& sink) {
    std::string text;
    for (const RecordedMessage& message : sink.messages) text += (text.empty() ? "; " : " | ") + message.text;
    return text;
}

inline const char* FaultName(EvaluationFault fault) {
    switch (fault) {
        case EvaluationFault::Format: return "format";
        case EvaluationFault::Calculation: return "calculation";
        case EvaluationFault::Numeric: return "numeric";
    }
    return "?";
}

// A number as the tests state it: up to 10 significant digits.
inline std::string Number(long double value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.10Lg", value);
    return buffer;
}

// "value V" or "fault KIND", then the messages.
inline std::string EvaluationOutcome(const std::string& formula, std::span<const double> x, std::span<const double> c) {
    RecordingMessageSink sink;
    ScopedMessageSink guard(sink);
    std::string text;
    try {
        const long double value = EvaluateFormula(formula, x, c);
        text = std::isfinite(value) ? "value " + Number(value) : "NON-FINITE VALUE";
    } catch (const EvaluationError& error) {
        text = std::string("fault ") + FaultName(error.fault());
    }
    return text + MessagesSuffix(sink);
}

inline const char* BuildOutcomeName(BuildOutcome outcome) {
    switch (outcome) {
        case BuildOutcome::Built: return "built";
        case BuildOutcome::NoCandidates: return "no candidates";
        case BuildOutcome::ConditionFault: return "condition fault";
        case BuildOutcome::NoValidRows: return "no valid rows";
        case BuildOutcome::BadWeights: return "bad weights";
        case BuildOutcome::ScanFailed: return "scan failed";
    }
    return "?";
}

// How the data input window would be set for a test file.
struct Selection {
    int n = 1;  // X1..Xn from columns 1..n, Y from column n + 1
    std::string weight = "0";
    std::string skip = "0";
};

// Loads a file into a table and builds the data set from it.
struct LoadedData {
    bool loaded = false;
    DataTable table;
    TFitData data;
    std::string outcome;  // "table RxC, <build outcome>[ n=..]; messages"
};

inline LoadedData LoadAndBuild(const std::filesystem::path& file, const Selection& choice = {}) {
    RecordingMessageSink sink;
    sink.defaultAnswer = MessageAnswer::Yes;
    ScopedMessageSink guard(sink);
    LoadedData result;
    result.loaded = result.table.LoadFile(file);
    if (!result.loaded) {
        result.outcome = "not loaded" + MessagesSuffix(sink);
        return result;
    }
    result.outcome =
        "table " + std::to_string(result.table.DataRowCount()) + "x" + std::to_string(result.table.DataColumnCount());
    SelectionSettings settings;
    settings.variableCount = std::to_string(choice.n);
    ApplyDefaultSelection(settings);
    settings.weightColumn = choice.weight;
    settings.skip = choice.skip;
    const ReadCheckResult check = CheckReadSettings(settings, result.table.DataColumnCount());
    if (!check.ok) {
        result.outcome += ", check failed: " + check.message + MessagesSuffix(sink);
        return result;
    }
    const std::optional<PreparedSelection> selection = PrepareSelection(check.values, result.table);
    if (!selection) {
        result.outcome += ", not prepared" + MessagesSuffix(sink);
        return result;
    }
    const BuildResult build = BuildDataSet(*selection, result.table, result.data);
    result.outcome += std::string(", ") + BuildOutcomeName(build.outcome);
    if (build.ok()) result.outcome += " n=" + std::to_string(result.data.n);
    result.outcome += MessagesSuffix(sink);
    return result;
}

}  // namespace kurvex::reliability
