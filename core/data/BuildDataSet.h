#pragma once
// Builds the data set of the fit from the candidate rows of the prepared
// selection, in one pass over the table or the file.
#include <cstdint>

#include "core/data/DataTable.h"
#include "core/data/Selection.h"
#include "core/regression/FitState.h"

namespace kurvex {

extern const char* const kNoValidDataMessage;        // "有効なデータの組がありません。"
extern const char* const kNegativeWeightMessage;     // a negative weight has no square root
extern const char* const kZeroWeightSumMessage;      // all weights zero: no mean
extern const char* const kConditionFaultRowMessage;  // a numeric fault in the condition, + the row number

enum class BuildOutcome {
    Built,           // the data set holds at least one point
    NoCandidates,    // candidate count below 1: nothing done, no message
    ConditionFault,  // the row condition had no decision: stopped (the evaluator's message, or
                     // kConditionFaultRowMessage naming the row of a numeric fault)
    NoValidRows,     // "有効なデータの組がありません。" shown
    BadWeights,      // a negative weight or a zero weight sum: message shown
    ScanFailed,      // the data file could not be read again: message shown
};

struct BuildResult {
    BuildOutcome outcome = BuildOutcome::NoCandidates;
    std::int64_t pointsRead = 0;  // valid rows found before the build ended (for EdtNS)
    bool ok() const { return outcome == BuildOutcome::Built; }
};

// Fills `data` (nx = selection.n, source row, y, √w, x, N, ȳ, Syy). Every
// outcome but NoCandidates replaces the data set; after a failure it is empty
// (n = 0), so no later command can run on half a data set.
BuildResult BuildDataSet(const PreparedSelection& selection, DataTable& table, TFitData& data);

}  // namespace kurvex
