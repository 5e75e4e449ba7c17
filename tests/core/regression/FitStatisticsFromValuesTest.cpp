// The Marquardt iteration shows its statistics from the model values it
// already holds; they must be the very figures the evaluation gives.
#include <gtest/gtest.h>

#include <vector>

#include "core/regression/Statistics.h"
#include "tests/core/regression/FitTestSupport.h"

namespace kurvex {
namespace {

using test::MakeData;

TFitState WeightedMichaelisMenten(const std::vector<double>& y) {
    TFitState state;
    state.data = MakeData(1, {0.5, 1, 2, 4, 8, 16}, y, {1, 2, 0.5, 3, 1, 0.25});
    state.model = test::BuiltInModel(3);
    return state;
}

void ExpectSameFigures(TFitState state, const std::vector<double>& c) {
    ModelEvaluator model(state.model);
    std::vector<long double> fitted;
    long double S = 0;
    for (std::int32_t i = 0; i < state.data.n; ++i) {
        fitted.push_back(model.Value(state.data.PointX(i), c));
        const long double r = ModelEvaluator::WeightedResidualOf(state.data, i, fitted.back());
        EXPECT_EQ(r, model.WeightedResidual(state.data, i, c));
        S += r * r;
    }
    state.results.SSR = S;
    TFitState evaluated = state;
    ShowFitStatistics(evaluated, c, model);
    ShowFitStatistics(state, fitted);
    EXPECT_EQ(state.fields.EdtSSQ, evaluated.fields.EdtSSQ);
    EXPECT_EQ(state.fields.EdtSE, evaluated.fields.EdtSE);
    EXPECT_EQ(state.fields.EditR2, evaluated.fields.EditR2);
    EXPECT_EQ(state.fields.EditR, evaluated.fields.EditR);
    EXPECT_EQ(state.fields.EditRelativeError, evaluated.fields.EditRelativeError);
    EXPECT_EQ(state.results.F, evaluated.results.F);
}

TEST(FitStatisticsFromValues, SameFiguresAsEvaluatingTheModel) {
    const std::vector<double> y{0.9, 1.6, 2.4, 3.3, 3.9, 4.4};
    ExpectSameFigures(WeightedMichaelisMenten(y), {5, 2});
    // Fitted values below 1e-5 make the relative error "計算不能" either way.
    ExpectSameFigures(WeightedMichaelisMenten(y), {-5, 2});
    // Constant fitted values: no R², F still computed.
    ExpectSameFigures(WeightedMichaelisMenten(y), {0, 1e300});
}

}  // namespace
}  // namespace kurvex
