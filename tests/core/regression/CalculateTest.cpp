#include "core/regression/Calculate.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/common/MessageSink.h"
#include "core/common/NumberFormat.h"
#include "tests/core/regression/FitTestSupport.h"

namespace kurvex {
namespace {

using test::MakeData;

class RecordingProgress : public SilentProgressSink {
public:
    void FinishProgress() override { ++finished; }
    int finished = 0;
};

FitConditionTexts Texts(std::vector<std::string> initial, std::string tolerance = "0.000001") {
    FitConditionTexts texts;
    texts.tolerances.assign(initial.size(), tolerance);
    texts.initialValues = std::move(initial);
    return texts;
}

// Eight points of an exponential rise and model 4.
TFitState ExponentialRiseState() {
    return test::MakeState(MakeData(1, {0.5, 1, 2, 3, 4, 6, 8, 10}, {0.92, 1.66, 2.74, 3.47, 4.01, 4.55, 4.79, 4.91}),
                           test::BuiltInModel(4), {});
}

std::vector<std::string> AllFieldTexts(const TResultFields& f) {
    std::vector<std::string> texts = {f.EdtSSQ, f.EdtSE,  f.EditR2, f.EditR, f.EditRelativeError,
                                      f.EditDF, f.EditFV, f.EditSP};
    texts.insert(texts.end(), f.coefficients.begin(), f.coefficients.end());
    texts.insert(texts.end(), f.limits.begin(), f.limits.end());
    return texts;
}

TEST(Calculate, ChecksStopBeforeAnythingIsComputed) {
    RecordingMessageSink sink;
    ScopedMessageSink guard(sink);
    RecordingProgress progress;

    // Three points and the quadratic model.
    TFitState state = test::MakeState(MakeData(1, {1, 2, 3}, {1, 4, 9}), test::BuiltInModel(1), {});
    state.fields.EdtSSQ = "kept";
    auto outcome = Calculate(state, 1, Texts({"1", "1", "1"}), progress, {});
    EXPECT_FALSE(outcome.ran);
    EXPECT_EQ(sink.Texts(),
              std::vector<std::string>{"データ数が足りません。\n推定すべきパラメータ数 3 より多くして下さい。"});
    EXPECT_EQ(state.fields.EdtSSQ, "kept");
    EXPECT_EQ(progress.Caption(), "");

    // A fourth point lets it run.
    state.data = MakeData(1, {1, 2, 3, 4}, {1, 4, 9, 16.5});
    sink.messages.clear();
    outcome = Calculate(state, 1, Texts({"1", "1", "1"}), progress, {});
    EXPECT_TRUE(outcome.ran);
    EXPECT_TRUE(outcome.resultsValid);
    EXPECT_EQ(progress.Caption(), "ただいま、計算中.......");
    EXPECT_EQ(progress.finished, 1);

    // Two explanatory variables in the data input window, logistic model.
    TFitState logistic = test::MakeState(MakeData(1, {1, 2, 3, 4, 5}, {1, 2, 3, 4, 5}), test::BuiltInModel(2), {});
    sink.messages.clear();
    EXPECT_FALSE(Calculate(logistic, 2, Texts({"1", "1", "1"}), progress, {}).ran);
    EXPECT_EQ(sink.Texts(), std::vector<std::string>{"説明変数を正しく設定して下さい。"});
    EXPECT_EQ(sink.messages[0].kind, MessageKind::Error);

    // A condition text that is not a number.
    sink.messages.clear();
    auto texts = Texts({"1", "x1", "1"});
    EXPECT_FALSE(Calculate(logistic, 1, texts, progress, {}).ran);
    EXPECT_EQ(sink.Texts(), std::vector<std::string>{"'x1' は正しい浮動小数点数ではありません。"});
    sink.messages.clear();
    texts = Texts({"1", "1", "1"});
    texts.maxIterations = "10.5";
    EXPECT_FALSE(Calculate(logistic, 1, texts, progress, {}).ran);
    EXPECT_EQ(sink.Texts(), std::vector<std::string>{"'10.5' は正しい整数値ではありません。"});
    EXPECT_FALSE(logistic.results.valid);

    // A general formula without coefficients.
    TFitState constant = test::MakeState(MakeData(1, {1, 2, 3}, {1, 2, 3}), test::GeneralModel("X1*2", 0, 1), {});
    sink.messages.clear();
    EXPECT_FALSE(Calculate(constant, 1, Texts({}), progress, {}).ran);
    EXPECT_EQ(sink.Texts(), std::vector<std::string>{"式型または初期値を修正して下さい。"});
}

TEST(Calculate, LinearFitEndsWithLimitsAndFTestAndReleasesTheResiduals) {
    RecordingMessageSink sink;
    ScopedMessageSink guard(sink);
    RecordingProgress progress;
    TFitState state =
        test::MakeState(MakeData(1, {1, 2, 3, 4, 5, 6}, {2.1, 3.9, 6.2, 7.8, 10.1, 12.2}), test::BuiltInModel(0), {});
    int notified = 0;
    const auto outcome = Calculate(state, 1, Texts({"9", "9"}), progress, [&](const TResultFields&) { ++notified; });
    EXPECT_EQ(outcome.end, FitEnd::Converged);
    EXPECT_TRUE(outcome.resultsValid);
    EXPECT_GE(notified, 2);
    EXPECT_EQ(state.fields.EditDF, "1, 4");
    EXPECT_EQ(state.fields.EditSP, "<< 0.0001");
    ASSERT_EQ(state.fields.limits.size(), 2u);
    EXPECT_FALSE(state.fields.limits[0].empty());
    EXPECT_FALSE(state.fields.limits[1].empty());
    EXPECT_TRUE(state.results.residuals.empty());
    EXPECT_EQ(state.conditions.h0, (std::vector<double>{1e-6, 1e-6}));
    EXPECT_DOUBLE_EQ(static_cast<double>(state.conditions.alpha), 0.05);
    EXPECT_TRUE(sink.messages.empty());
}

TEST(Calculate, ExactFitShowsNoInfinityAnywhere) {
    RecordingMessageSink sink;
    ScopedMessageSink guard(sink);
    RecordingProgress progress;
    std::vector<double> x, y;
    for (int i = 1; i <= 10; ++i) {
        x.push_back(i);
        y.push_back(4 - 0.5 * i);
    }
    for (int model : {0, 9}) {
        TFitState state = test::MakeState(
            MakeData(1, x, y), model == 0 ? test::BuiltInModel(0) : test::GeneralModel("C0+C1*X1", 2, 1), {});
        const auto outcome = Calculate(state, 1, Texts({"1", "1"}), progress, {});
        EXPECT_TRUE(outcome.resultsValid) << model;
        for (const auto& text : AllFieldTexts(state.fields)) {
            EXPECT_EQ(text.find("INF"), std::string::npos) << text;
            EXPECT_EQ(text.find("NAN"), std::string::npos) << text;
        }
        EXPECT_FALSE(state.fields.coefficients[0].empty());
    }
    EXPECT_TRUE(sink.messages.empty()) << sink.Texts()[0];
}

TEST(Calculate, DerivativeMethodComesFromTheConditionsForIterativeModels) {
    RecordingMessageSink sink;
    ScopedMessageSink guard(sink);
    RecordingProgress progress;
    TFitState state = ExponentialRiseState();
    auto texts = Texts({"4", "0.5"});
    texts.derivativeMethod = DerivativeMethod::Formulas;
    EXPECT_EQ(Calculate(state, 1, texts, progress, {}).end, FitEnd::Converged);
    EXPECT_FALSE(state.model.numericDerivatives);
    texts.derivativeMethod = DerivativeMethod::Numeric;
    EXPECT_EQ(Calculate(state, 1, texts, progress, {}).end, FitEnd::Converged);
    EXPECT_TRUE(state.model.numericDerivatives);
    // The fit starts again from the typed values, not from the last results.
    EXPECT_EQ(state.conditions.initialValues, (std::vector<double>{4, 0.5}));
}

// Every fit ends with a line that says how it ended; the figures behind the
// page texts are kept as numbers; confidence levels without limits are refused.
TEST(Calculate, EveryEndIsToldAndTheFiguresAreNumbers) {
    RecordingMessageSink sink;
    ScopedMessageSink guard(sink);
    RecordingProgress progress;
    TFitState state = ExponentialRiseState();
    auto texts = Texts({"1", "1"}, "0");
    texts.maxIterations = "2";
    EXPECT_EQ(Calculate(state, 1, texts, progress, {}).end, FitEnd::IterationLimit);
    EXPECT_EQ(state.fields.fitEnd, "最大繰り返し数に達しました。収束していません（繰り返し数：3）");

    texts = Texts({"4", "0.5"});
    std::string lastShown;
    EXPECT_EQ(Calculate(state, 1, texts, progress, [&](const TResultFields& f) { lastShown = f.fitEnd; }).end,
              FitEnd::Converged);
    EXPECT_EQ(lastShown, "収束しました（繰り返し数：" + std::to_string(state.results.iterations) + "）");
    const TFitStatistics& figures = state.results.statistics;
    ASSERT_TRUE(figures.SE && figures.R2 && figures.R && figures.relativeError && figures.t);
    EXPECT_EQ(FormatNumber(*figures.R2, 7), state.fields.EditR2);
    EXPECT_EQ(FormatNumber(*figures.halfWidths[1], 7), state.fields.limits[1]);
    EXPECT_NEAR(static_cast<double>(*figures.t), 2.446912, 1e-6);  // t(6) at 97.5 %
    EXPECT_EQ(figures.df2, 6);
    EXPECT_TRUE(sink.messages.empty());

    for (const char* level : {"0", "100", "-5", "250"}) {
        texts.confidencePercent = level;
        EXPECT_FALSE(Calculate(state, 1, texts, progress, {}).ran) << level;
    }
    EXPECT_EQ(sink.Texts(), std::vector<std::string>(4, kConfidenceRangeMessage));

    TFitState failing = test::MakeState(MakeData(1, {1, 2, 3, 4}, {1, 2, 3, 4}), test::BuiltInModel(3), {});
    sink.messages.clear();
    Calculate(failing, 1, Texts({"1", "-1"}), progress, {});
    EXPECT_EQ(failing.fields.fitEnd, "計算できませんでした。結果はありません");
}

TEST(Calculate, FitFailingBeforeItsFirstIterationHasNoFTest) {
    RecordingMessageSink sink;
    ScopedMessageSink guard(sink);
    RecordingProgress progress;
    // Michaelis–Menten with C1 = −1 divides by zero at x = 1.
    TFitState state = test::MakeState(MakeData(1, {1, 2, 3, 4}, {1, 2, 3, 4}), test::BuiltInModel(3), {});
    const auto outcome = Calculate(state, 1, Texts({"1", "-1"}), progress, {});
    EXPECT_TRUE(outcome.ran);
    EXPECT_FALSE(outcome.resultsValid);
    EXPECT_EQ(outcome.end, FitEnd::StartError);
    EXPECT_EQ(state.fields.EditDF, "");
    EXPECT_EQ(progress.finished, 1);
    EXPECT_EQ(sink.Texts(), std::vector<std::string>{"式型または初期値を修正して下さい。"});
}

class ReentrantProgress : public SilentProgressSink {
public:
    ReentrantProgress(TFitState& other) : other_(other) {}
    void SetProgress(int percent) override {
        SilentProgressSink::SetProgress(percent);
        if (!tried) {
            tried = true;
            nested = Calculate(other_, 1, TFitConditions{}, *this, {});
        }
    }
    bool tried = false;
    CalculateOutcome nested;

private:
    TFitState& other_;
};

TEST(Calculate, SecondCommandDuringAFitDoesNotStart) {
    RecordingMessageSink sink;
    ScopedMessageSink guard(sink);
    const std::vector<double> x = {0.5, 1, 2, 3, 4, 6, 8, 10};
    const std::vector<double> y = {0.92, 1.66, 2.74, 3.47, 4.01, 4.55, 4.79, 4.91};
    TFitState other = test::MakeState(MakeData(1, x, y), test::BuiltInModel(4), {});
    TFitState state = test::MakeState(MakeData(1, x, y), test::BuiltInModel(4), {});
    ReentrantProgress progress(other);
    EXPECT_TRUE(Calculate(state, 1, Texts({"4", "0.5"}), progress, {}).resultsValid);
    EXPECT_TRUE(progress.tried);
    EXPECT_FALSE(progress.nested.ran);
    EXPECT_FALSE(CalculationRunning());
}

}  // namespace
}  // namespace kurvex
