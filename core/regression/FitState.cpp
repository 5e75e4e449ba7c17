#include "core/regression/FitState.h"

#include <cmath>

namespace kurvex {

void TFitData::Clear() {
    n = 0;
    sourceRow.clear();
    y.clear();
    sqrtw.clear();
    x.clear();
    N = 0;
    yMean = 0;
    Syy = 0;
    sumWy = 0;
    sumWy2 = 0;
}

void TFitData::AddPoint(std::int32_t row, double yValue, double w, std::span<const double> xValues) {
    sourceRow.push_back(row);
    y.push_back(yValue);
    sqrtw.push_back(w == 1 ? 1.0 : std::sqrt(w));  // √1 is exactly 1: spare the root
    x.insert(x.end(), xValues.begin(), xValues.end());
    ++n;
    N += w;
    sumWy2 += static_cast<long double>(yValue) * yValue * w;
    sumWy += static_cast<long double>(w) * yValue;
}

void TFitData::FinishSums() {
    yMean = N != 0 ? sumWy / N : 0;
    Syy = sumWy2 - yMean * yMean * N;
}

int FreeCoefficientCount(const TFitModel& model, const TFitConditions& conditions) {
    int free = 0;
    for (int j = 0; j < model.m; ++j)
        if (!IsFixed(conditions, j)) ++free;
    return free;
}

}  // namespace kurvex
