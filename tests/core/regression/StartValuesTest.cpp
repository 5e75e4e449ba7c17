// Starting values from the data (the built-in models' estimates and the
// multi-start search) and coefficients held fixed, checked against known
// parameters, closed forms and NIST certified values.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <fstream>
#include <random>
#include <sstream>

#include "core/common/MessageSink.h"
#include "core/regression/Fitting.h"
#include "core/regression/Models.h"
#include "core/regression/StartEstimates.h"
#include "core/regression/StartSearch.h"
#include "core/regression/Statistics.h"
#include "tests/core/regression/FitTestSupport.h"

namespace kurvex {
namespace {

// Points of model `index` at parameters c: x shuffled, Gaussian noise of
// relative size `noise`, weights 1..3 and one gross outlier.
TFitData Synthetic(int index, const std::vector<double>& c, double from, double to, double noise) {
    std::mt19937 random(7);
    std::normal_distribution<double> gauss(0, 1);
    std::vector<double> x, y, w;
    const int n = 40;
    for (int i = 0; i < n; ++i) x.push_back(from + (to - from) * i / (n - 1));
    std::shuffle(x.begin(), x.end(), random);
    double span = 0;
    for (double xi : x)
        span = std::max(span, std::fabs(static_cast<double>(EvaluateBuiltInModel(index, std::vector<double>{xi}, c))));
    for (int i = 0; i < n; ++i) {
        const double f =
            static_cast<double>(EvaluateBuiltInModel(index, std::vector<double>{x[static_cast<std::size_t>(i)]}, c));
        y.push_back(f + noise * span * gauss(random) + (i == 5 ? 0.3 * span : 0));
        w.push_back(1 + i % 3);
    }
    return test::MakeData(1, x, y, w);
}

TFitState FitFrom(const TFitData& data, int index, const std::vector<double>& start, FitEnd& end) {
    TFitState state = test::MakeState(data, test::BuiltInModel(index), test::Conditions(start));
    SilentProgressSink progress;
    RecordingMessageSink quiet;
    ScopedMessageSink guard(quiet);
    end = FitMarquardt(state, progress, {});
    return state;
}

struct Case {
    int index;
    std::vector<double> truth;
    double from, to;
};

// Every estimated start converges to the least-squares answer (the fit
// started at the parameters the data were made from), and never to a worse
// SSR than the default start of 1 for every coefficient.
TEST(StartEstimates, EveryBuiltInModelConvergesFromItsEstimate) {
    const std::vector<Case> cases = {
        {2, {5, 4, 0.8}, 0, 10},     {2, {3, -2, -0.5}, 0, 12},      // rising and falling logistic
        {3, {2.5, 0.8}, 0.05, 5},    {3, {120, 30}, 1, 400},         // Michaelis–Menten
        {4, {40, 0.3}, 0, 15},       {4, {0.02, 0.004}, 0, 900},     // exponential rise
        {6, {10, -8, -0.4}, 0, 12},  {6, {5, 2, 0.05}, 0, 70},       // decay and growth
        {7, {1.3, 0.4, 6}, 0, 20},   {7, {100, 2, -1}, -4, 3},       // Gompertz
        {8, {1.3, 7.5, 1.8}, 0, 20}, {8, {50, 300, -20}, 200, 400},  // sigmoid, falling
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("model " + std::to_string(c.index) + " from x " + std::to_string(c.from));
        const TFitData data = Synthetic(c.index, c.truth, c.from, c.to, 0.01);
        const auto start = EstimateBuiltInStart(c.index, data);
        ASSERT_TRUE(start.has_value());
        FitEnd end;
        const TFitState fit = FitFrom(data, c.index, *start, end);
        EXPECT_EQ(end, FitEnd::Converged);
        // The least-squares answer: the fit started at the parameters the data came from.
        FitEnd truthEnd;
        const TFitState oracle = FitFrom(data, c.index, c.truth, truthEnd);
        EXPECT_LE(fit.results.SSR, oracle.results.SSR * (1 + 1e-9L));
        for (std::size_t j = 0; j < c.truth.size(); ++j)
            EXPECT_NEAR(fit.results.coefficients[j], oracle.results.coefficients[j],
                        1e-4 * std::fabs(oracle.results.coefficients[j]))
                << "C" << j;
        FitEnd defaultEnd;
        const TFitState fromOnes = FitFrom(data, c.index, std::vector<double>(c.truth.size(), 1.0), defaultEnd);
        if (fromOnes.results.valid) {
            EXPECT_LE(fit.results.SSR, fromOnes.results.SSR * (1 + 1e-9L));
        }
    }
}

TEST(StartEstimates, SaysSoWhenNothingCanBeEstimatedOrTheStartIsAlreadyBetter) {
    // One distinct x: no rate or midpoint can be read from the data.
    const TFitData flat = test::MakeData(1, {2, 2, 2, 2}, {1, 2, 3, 4});
    const TFitModel logistic = test::BuiltInModel(2);
    StartProposal none = ProposeBuiltInStart(logistic, flat, {1, 1, 1}, {});
    EXPECT_EQ(none.outcome, StartOutcome::NotPossible);
    EXPECT_EQ(none.message, kNoEstimateMessage);
    EXPECT_FALSE(EstimateBuiltInStart(0, flat).has_value());  // a linear model has no estimate

    // The least-squares answer itself is kept; a fixed coefficient keeps its value.
    const TFitData data = Synthetic(4, {40, 0.3}, 0, 15, 0.01);
    FitEnd end;
    const auto best = FitFrom(data, 4, *EstimateBuiltInStart(4, data), end).results.coefficients;
    const TFitModel rise = test::BuiltInModel(4);
    EXPECT_EQ(ProposeBuiltInStart(rise, data, best, {}).outcome, StartOutcome::CurrentBetter);
    const StartProposal held = ProposeBuiltInStart(rise, data, {1, 0.25}, {false, true});
    ASSERT_EQ(held.outcome, StartOutcome::Estimated);
    EXPECT_EQ(held.values[1], 0.25);
}

// C0·(1 − exp(−C1·x)) with C1 held: C0 = Σw·g·y / Σw·g², g = 1 − exp(−C1·x),
// one coefficient estimated, so N − 1 degrees of freedom.
TEST(FixedCoefficients, HeldCoefficientStaysAndCountsNoDegreeOfFreedom) {
    const TFitData data = Synthetic(4, {40, 0.3}, 0, 15, 0.02);
    TFitConditions conditions = test::Conditions({1, 0.25});
    conditions.fixed = {false, true};
    TFitState state = test::MakeState(data, test::BuiltInModel(4), conditions);
    SilentProgressSink progress;
    ASSERT_EQ(FitMarquardt(state, progress, {}), FitEnd::Converged);
    long double sgy = 0, sgg = 0;
    for (std::int32_t i = 0; i < data.n; ++i) {
        const long double g = 1 - std::exp(-0.25L * data.x[static_cast<std::size_t>(i)]);
        sgy += data.Weight(i) * g * data.y[static_cast<std::size_t>(i)];
        sgg += data.Weight(i) * g * g;
    }
    EXPECT_NEAR(state.results.coefficients[0], static_cast<double>(sgy / sgg),
                1e-6 * std::fabs(static_cast<double>(sgy / sgg)));
    EXPECT_EQ(state.results.coefficients[1], 0.25);
    EXPECT_EQ(state.fields.limits[1], kFixedText);
    EXPECT_NE(state.fields.limits[0], kFixedText);
    ASSERT_TRUE(ShowFTest(state));
    EXPECT_EQ(state.results.statistics.df2, RoundHalfEven(data.N) - 1);
    EXPECT_NEAR(static_cast<double>(*state.results.statistics.SE),
                std::sqrt(static_cast<double>(state.results.SSR / (data.N - 1))), 1e-12);
}

// NIST StRD problems from no user starts: the search finds the certified
// answer, the same whatever the number of threads.
TEST(StartSearch, FindsCertifiedValuesOfNistProblemsDeterministically) {
    std::ifstream in(std::string(KURVEX_TEST_DATA_DIR) + "/nist/index.json");
    const auto index = nlohmann::json::parse(in);
    const std::map<std::string, std::string> formulas = {
        {"BoxBOD", "C0*(1-EXP(-C1*X1))"}, {"MGH10", "C0*EXP(C1/(X1+C2))"}, {"Misra1d", "C0*C1*X1/(1+C1*X1)"}};
    for (const auto& problem : index["nonlinear"]) {
        const std::string name = problem["name"];
        if (!formulas.count(name)) continue;
        SCOPED_TRACE(name);
        std::ifstream file(std::string(KURVEX_TEST_DATA_DIR) + "/nist/" + problem["data_file"].get<std::string>());
        std::vector<double> x, y;
        std::string line;
        for (int number = 1; std::getline(file, line); ++number)
            if (number >= problem["data_lines"][0] && number <= problem["data_lines"][1]) {
                std::istringstream fields(line);
                double yi, xi;
                fields >> yi >> xi;
                y.push_back(yi);
                x.push_back(xi);
            }
        const int m = problem["n_params"];
        const TFitModel model = test::GeneralModel(formulas.at(name), m, 1);
        const TFitData data = test::MakeData(1, x, y);
        const TFitConditions conditions = test::Conditions(std::vector<double>(static_cast<std::size_t>(m), 1.0));
        StartSearchOptions options;
        SilentProgressSink progress;
        const auto started = std::chrono::steady_clock::now();
        options.threads = 1;
        const StartSearchResult one = SearchStartValues(model, data, conditions, options, progress);
        options.threads = 3;
        const StartSearchResult three = SearchStartValues(model, data, conditions, options, progress);
        EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count(), 60);
        ASSERT_EQ(one.outcome, StartOutcome::Estimated);
        EXPECT_EQ(one.values, three.values);
        const auto certified = problem["certified_values"].get<std::vector<double>>();
        for (int j = 0; j < m; ++j)
            EXPECT_NEAR(one.values[static_cast<std::size_t>(j)], certified[static_cast<std::size_t>(j)],
                        1e-6 * std::fabs(certified[static_cast<std::size_t>(j)]));
    }
}

TEST(StartSearch, HonoursCancelAndReadsRanges) {
    const TFitData data = Synthetic(4, {40, 0.3}, 0, 15, 0.01);
    const TFitModel model = test::GeneralModel("C0*(1-EXP(-C1*X1))", 2, 1);
    class CancelAtOnce : public SilentProgressSink {
    public:
        bool Cancelled() const override { return true; }
    } cancel;
    EXPECT_EQ(SearchStartValues(model, data, test::Conditions({1, 1}), {}, cancel).outcome, StartOutcome::Cancelled);

    std::vector<std::optional<CoefficientRange>> ranges;
    std::string error;
    EXPECT_TRUE(ParseCoefficientRange("1:0.01:2", 2, ranges, error));
    ASSERT_TRUE(ranges[1].has_value());
    EXPECT_EQ(ranges[1]->low, 0.01);
    EXPECT_FALSE(ParseCoefficientRange("2:0:1", 2, ranges, error));  // no C2
    EXPECT_FALSE(ParseCoefficientRange("0:5:1", 2, ranges, error));  // empty range
    EXPECT_FALSE(ParseCoefficientRange("0:a:1", 2, ranges, error));
    // With C1 drawn from 0.1..1 only, the search still ends at the answer.
    StartSearchOptions options;
    ASSERT_TRUE(ParseCoefficientRange("1:0.1:1", 2, options.ranges, error));
    SilentProgressSink progress;
    const StartSearchResult found = SearchStartValues(model, data, test::Conditions({1, 1}), options, progress);
    ASSERT_EQ(found.outcome, StartOutcome::Estimated);
    EXPECT_NEAR(found.values[1], 0.3, 0.03);
}

}  // namespace
}  // namespace kurvex
