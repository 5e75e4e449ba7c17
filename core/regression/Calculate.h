#pragma once
// The calculate command ("計算") without its window: the checks of the data
// set against the model, the reading of the typed conditions, the run of the
// fitting method that suits the model and the statistics afterwards. The
// GUI's BitBtn1Click and the CLI both call it.
#include <string>
#include <vector>

#include "core/common/ProgressSink.h"
#include "core/regression/FitState.h"
#include "core/regression/Fitting.h"
#include "core/regression/ResultFields.h"

namespace kurvex {

inline constexpr const char* kWrongVariablesMessage = "説明変数を正しく設定して下さい。";
inline constexpr const char* kProgressCaption = "ただいま、計算中.......";
inline constexpr const char* kAllFixedMessage =
    "すべての係数が固定されています。少なくとも一つの係数の固定を外して下さい。";
inline constexpr const char* kConfidenceRangeMessage = "信頼区間の確率は 0 より大きく 100 より小さい値にして下さい。";

// "データ数が足りません。\n推定すべきパラメータ数 " + m + " より多くして下さい。"
std::string TooFewDataMessage(int m);

// The condition texts as typed: EdtAlammx, EdtItmax, EditdX, EditConfLimit and
// columns 1 and 2 of StringGridCoefInit (row j + 1 for Cj).
struct FitConditionTexts {
    std::string lambdaUpperBound = "250";
    std::string maxIterations = "100";
    std::string increment = "0.000001";
    std::string confidencePercent = "95";
    std::vector<std::string> initialValues;
    std::vector<std::string> tolerances;
    DerivativeMethod derivativeMethod = DerivativeMethod::Numeric;
    std::vector<bool> fixed;  // the column "固定": Cj held at its initial value
};

// Reads the texts for m coefficients into `conditions`. A text that is not a
// number is reported as an error ("'abc' は正しい浮動小数点数ではありません。",
// or "... 整数値 ..." for the iteration count) and gives false; `conditions`
// is then unchanged.
bool ReadFitConditions(const FitConditionTexts& texts, int m, TFitConditions& conditions);

struct CalculateOutcome {
    bool ran = false;  // false: stopped by a check (or a fit already running), state unchanged
    FitEnd end = FitEnd::StartError;
    bool resultsValid = false;  // true: the GUI draws the regression curve; false: it shows "条件１"
};

// Checks, reads the conditions, runs the fit and the statistics.
// dataNx: the data input window's number of explanatory variables.
// The observer is told at each shown iteration and once more after the
// confidence limits and the F test.
CalculateOutcome Calculate(TFitState& state, int dataNx, const FitConditionTexts& texts, ProgressSink& progress,
                           const ResultObserver& observer);
// The same with conditions already read (the CLI's numbers).
CalculateOutcome Calculate(TFitState& state, int dataNx, const TFitConditions& conditions, ProgressSink& progress,
                           const ResultObserver& observer);

// True while a calculation runs; a second one started meanwhile (from a
// window message processed during the fit) returns at once.
bool CalculationRunning();

}  // namespace kurvex
