// Many degrees of freedom: a data set of hundreds of thousands of points, or
// large weights (N = Σ w), gives the F test a huge denominator degree of
// freedom. Its probability must still come quickly and right.
#include <gtest/gtest.h>

#include <boost/math/distributions/fisher_f.hpp>
#include <chrono>
#include <climits>
#include <string>
#include <vector>

#include "core/regression/Calculate.h"
#include "core/regression/Distributions.h"
#include "core/regression/ModelSelection.h"
#include "tests/reliability/ReliabilitySupport.h"

namespace kurvex::reliability {
namespace {

double Seconds(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

TEST(LargeDegreesOfFreedom, FUpperProbabilityAgreesWithBoostAndComesQuickly) {
    for (const int nu2 : {300000, 1000000, 100000000, INT_MAX}) {
        for (const int nu1 : {1, 2, 5}) {
            for (const double x : {0.5, 3.0, 10.0}) {
                const auto start = std::chrono::steady_clock::now();
                const double p = FUpperProb(nu1, nu2, x);
                EXPECT_LT(Seconds(start), 2.0) << nu1 << ", " << nu2 << " at " << x;
                const boost::math::fisher_f_distribution<double> f(nu1, nu2);
                const double expected = boost::math::cdf(boost::math::complement(f, x));
                // P is shown to 5 digits when at least 0.0001: 1e-8 is below what shows.
                EXPECT_NEAR(p, expected, 1e-8) << nu1 << ", " << nu2 << " at " << x;
            }
        }
    }
}

TEST(LargeDegreesOfFreedom, TheFTestOfAWeakFitOnHeavyWeightsFinishes) {
    RecordingMessageSink sink;
    ScopedMessageSink guard(sink);
    // Four points of weight 1e5 (N = 400,000) and almost no trend: P far above 0.0001.
    TFitState state;
    state.data.nx = 1;
    const std::vector<double> x{1, 2, 3, 4}, y{1, -1, -1, 1.01};
    for (std::size_t i = 0; i < x.size(); ++i)
        state.data.AddPoint(static_cast<std::int32_t>(i + 1), y[i], 1e5, {&x[i], 1});
    state.data.FinishSums();
    SelectModel(state.model, 0, 1, GeneralModelSource{});
    FitConditionTexts texts;
    texts.initialValues = {"1", "1"};
    texts.tolerances = {"0.000001", "0.000001"};
    SilentProgressSink progress;
    const auto start = std::chrono::steady_clock::now();
    const CalculateOutcome outcome = Calculate(state, 1, texts, progress, {});
    EXPECT_LT(Seconds(start), 5.0);
    EXPECT_TRUE(outcome.resultsValid);
    EXPECT_EQ(state.fields.EditDF, "1, 399998");
    const double F = std::stod(state.fields.EditFV);
    const boost::math::fisher_f_distribution<double> f(1, 399998);
    EXPECT_NEAR(std::stod(state.fields.EditSP), boost::math::cdf(boost::math::complement(f, F)), 1e-4);
    EXPECT_TRUE(sink.messages.empty()) << sink.messages.front().text;
}

}  // namespace
}  // namespace kurvex::reliability
