#pragma once
// The evaluator's two messages and the helpers that show them and raise.

namespace kurvex {

inline constexpr const char* kFormatErrorMessage = "式のフォーマットエラー";
inline constexpr const char* kEvaluationErrorMessage = "計算エラー";

[[noreturn]] void RaiseFormatError();
[[noreturn]] void RaiseCalculationError();

}  // namespace kurvex
