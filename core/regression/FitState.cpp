#include "regression/FitState.h"

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
    yMean = sumW != 0 ? sumWy / sumW : 0;
    Syy = sumWy2 - yMean * yMean * sumW;
}

}  // namespace kurvex
