#pragma once
// Texts of the spline commands' message boxes.

namespace kurvex {

inline constexpr const char* kDuplicateXMessage = "ｘの値に同じデータが２つ以上あるため、この方法は適用できません。";

// Refusals of input that would otherwise end in an arithmetic fault.
inline constexpr const char* kIntervalCountMessage = "小区間数は１以上の整数で指定してください。";
inline constexpr const char* kOutputPointsMessage = "出力点数は１以上の整数で指定してください。";
inline constexpr const char* kRangeOrderMessage = "出力範囲の下限は上限より小さい数値で指定してください。";
inline constexpr const char* kNoPointsForBayesMessage =
    "出力範囲の付近にデータがないため、ベイズ型スプラインを計算できません。";
inline constexpr const char* kNoSmoothingWeightMessage =
    "どの平滑化の重みでも方程式が解けなかったため、ベイズ型スプラインを計算できません。";
inline constexpr const char* kTooFewPointsForCubicMessage =
    "出力範囲内のデータが２つ未満のため、３次スプラインを計算できません。";

}  // namespace kurvex
