#include "regression/FitState.h"

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
    sqrtw.push_back(std::sqrt(w));
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

void TFitData::ComputeSums() {
    long double sumW = 0, sumWy = 0, sumWy2 = 0;
    for (std::int32_t i = 0; i < n; ++i) {
        const long double w = static_cast<long double>(sqrtw[i]) * sqrtw[i];
        sumW += w;
        sumWy += w * y[i];
        sumWy2 += static_cast<long double>(y[i]) * y[i] * w;
    }
    N = sumW;
    this->sumWy = sumWy;
    this->sumWy2 = sumWy2;
    FinishSums();
}

int FreeCoefficientCount(const TFitModel& model, const TFitConditions& conditions) {
    int free = 0;
    for (int j = 0; j < model.m; ++j)
        if (!IsFixed(conditions, j)) ++free;
    return free;
}

}  // namespace kurvex
