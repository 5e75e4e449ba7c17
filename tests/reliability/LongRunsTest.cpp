// Long computations stopped over and over: a fit cancelled from inside its
// observer and a permutation test cancelled at its first progress step, a
// thousand times each. The state must stay usable (the next full run gives
// what a fresh one gives); the sanitizer build's LeakSanitizer checks that
// nothing leaks.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/regression/Calculate.h"
#include "core/regression/ModelSelection.h"
#include "core/tools/KendallPermutation.h"
#include "tests/reliability/ReliabilitySupport.h"

namespace kurvex::reliability {
namespace {

TFitData MichaelisMentenData() {
    TFitData data;
    data.nx = 1;
    const std::vector<double> x{0.5, 1, 2, 4, 8, 16, 32}, y{1.9, 3.4, 5.1, 6.6, 8.1, 8.9, 9.4};
    for (std::size_t i = 0; i < x.size(); ++i) data.AddPoint(static_cast<std::int32_t>(i + 1), y[i], 1.0, {&x[i], 1});
    data.FinishSums();
    return data;
}

TFitState MichaelisMentenState() {
    TFitState state;
    state.data = MichaelisMentenData();
    SelectModel(state.model, 3, 1, GeneralModelSource{});
    return state;
}

FitConditionTexts StartingValues() {
    FitConditionTexts texts;
    texts.initialValues = {"1", "1"};
    texts.tolerances = {"0.000001", "0.000001"};
    return texts;
}

TEST(LongRuns, AFitCancelledAThousandTimesLeavesAUsableState) {
    RecordingMessageSink sink;
    ScopedMessageSink guard(sink);
    SilentProgressSink progress;
    TFitState state = MichaelisMentenState();
    int notifications = 0;
    // The first notice comes before the progress window opens (which clears
    // the flag); the Cancel button is pressed at every later one.
    const ResultObserver pressCancel = [&](const TResultFields&) {
        ++notifications;
        progress.Cancel();
    };
    for (int run = 0; run < 1000; ++run) {
        const CalculateOutcome outcome = Calculate(state, 1, StartingValues(), progress, pressCancel);
        ASSERT_TRUE(outcome.ran) << run;
        ASSERT_EQ(outcome.end, FitEnd::Cancelled) << run;
        ASSERT_FALSE(CalculationRunning()) << run;
        ASSERT_TRUE(state.results.residuals.empty()) << run;
    }
    EXPECT_GE(notifications, 2000);
    EXPECT_TRUE(sink.messages.empty());

    // Run to the end: the same figures as a state that never saw a cancel.
    const CalculateOutcome full = Calculate(state, 1, StartingValues(), progress, {});
    TFitState fresh = MichaelisMentenState();
    SilentProgressSink freshProgress;
    const CalculateOutcome reference = Calculate(fresh, 1, StartingValues(), freshProgress, {});
    EXPECT_EQ(full.end, FitEnd::Converged);
    EXPECT_EQ(full.end, reference.end);
    EXPECT_TRUE(full.resultsValid);
    EXPECT_EQ(state.fields.coefficients, fresh.fields.coefficients);
    EXPECT_EQ(state.fields.limits, fresh.fields.limits);
    EXPECT_EQ(state.fields.EdtSSQ, fresh.fields.EdtSSQ);
    EXPECT_EQ(state.fields.EditFV, fresh.fields.EditFV);
}

// Presses Cancel as soon as the bar first moves.
class CancelAtFirstStep : public SilentProgressSink {
public:
    void SetProgress(int percent) override {
        SilentProgressSink::SetProgress(percent);
        Cancel();
    }
};

TEST(LongRuns, APermutationTestCancelledAThousandTimesLeavesAUsableState) {
    // Ties in both variables: counted group by group, with progress.
    const std::vector<double> x{1, 2, 2, 3, 4, 5, 5, 6, 7, 8, 9};
    const std::vector<double> y{2, 1, 3, 3, 5, 4, 6, 6, 8, 7, 9};
    CancelAtFirstStep cancelling;
    for (int run = 0; run < 1000; ++run) {
        const KendallPermutationResult result = KendallPermutationP(x, y, cancelling);
        ASSERT_TRUE(result.cancelled) << run;
        ASSERT_EQ(result.P, -1) << run;
        ASSERT_LT(result.count, 39916800u) << run;  // stopped long before 11!
    }

    // A full test afterwards agrees with the literal enumeration.
    const std::vector<double> smallX(x.begin(), x.begin() + 8), smallY(y.begin(), y.begin() + 8);
    SilentProgressSink progress;
    const KendallPermutationResult fast = KendallPermutationP(smallX, smallY, progress);
    const KendallPermutationResult literal = KendallPermutationPByEnumeration(smallX, smallY, progress);
    EXPECT_FALSE(fast.cancelled);
    EXPECT_EQ(fast.count, 40320u);
    EXPECT_EQ(fast.hits, literal.hits);
    EXPECT_EQ(fast.P, literal.P);
}

}  // namespace
}  // namespace kurvex::reliability
