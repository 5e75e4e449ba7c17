#pragma once
// Prediction: the current model at explanatory values the user typed.
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/regression/FitState.h"

namespace kurvex {

inline constexpr const char* kPredictionInputError = "説明変数の入力エラー";
inline constexpr const char* kPredictionEvaluationError = "予測値の計算エラー";
inline constexpr int kPredictionPrecision = 7;

// Reads X1..Xm from `xTexts` (a text that is not a number: "説明変数の入力エラー")
// and evaluates the model with `coefficients` ("予測値の計算エラー" when there are
// no coefficients yet, too few values for the model, or the evaluation fails).
// Empty after an error box.
std::optional<long double> Predict(const TFitModel& model, std::span<const double> coefficients,
                                   const std::vector<std::string>& xTexts);

// Predict, written for EditValue (7 significant digits).
std::optional<std::string> PredictText(const TFitModel& model, std::span<const double> coefficients,
                                       const std::vector<std::string>& xTexts);

}  // namespace kurvex
