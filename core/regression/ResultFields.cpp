#include "core/regression/ResultFields.h"

namespace kurvex {

void TResultFields::ClearStatistics() {
    for (std::string* field : {&EdtSSQ, &EdtSE, &EditR2, &EditR, &EditRelativeError, &EditDF, &EditFV, &EditSP})
        field->clear();
    for (auto& text : coefficients) text.clear();
    for (auto& text : limits) text.clear();
    comment.clear();
    fitEnd.clear();
    iterations = 0;
}

void TResultFields::ClearGridColumns(int m) {
    coefficients.assign(static_cast<std::size_t>(m < 0 ? 0 : m), std::string());
    limits.assign(static_cast<std::size_t>(m < 0 ? 0 : m), std::string());
}

}  // namespace kurvex
