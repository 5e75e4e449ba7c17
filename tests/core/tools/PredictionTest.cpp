#include "core/tools/Prediction.h"

#include <gtest/gtest.h>

#include <cmath>

#include "core/common/MessageSink.h"

using namespace kurvex;

namespace {

TFitModel LinearModel(int nx) {
    TFitModel model;
    model.index = 0;
    model.nx = static_cast<std::int16_t>(nx);
    model.m = nx + 1;
    return model;
}

}  // namespace

TEST(Prediction, EvaluatesTheCurrentModel) {
    RecordingMessageSink sink;
    ScopedMessageSink guard(sink);
    const std::vector<double> c{1, 2};
    EXPECT_EQ(PredictText(LinearModel(1), c, {"3"}), "7");
    EXPECT_EQ(PredictText(LinearModel(2), std::vector<double>{1, 2, -0.5}, {" 3 ", "1e1"}), "2");
    EXPECT_EQ(PredictText(LinearModel(1), std::vector<double>{0, 1}, {"0.1234567891"}), "0.1234568");

    TFitModel logistic;
    logistic.index = 2;
    logistic.nx = 1;
    logistic.m = 3;
    const std::optional<long double> value = Predict(logistic, std::vector<double>{5, 3, 0.8}, {"2"});
    ASSERT_TRUE(value);
    EXPECT_NEAR(static_cast<double>(*value), 5 / (1 + std::exp(3 - 1.6)), 1e-15);
    EXPECT_TRUE(sink.messages.empty());
}

TEST(Prediction, ReportsInputAndEvaluationErrors) {
    RecordingMessageSink sink;
    ScopedMessageSink guard(sink);
    const std::vector<double> c{1, 2};
    EXPECT_FALSE(PredictText(LinearModel(1), c, {""}));
    EXPECT_FALSE(PredictText(LinearModel(1), c, {"3x"}));
    EXPECT_FALSE(PredictText(LinearModel(1), {}, {"3"}));      // no fit yet
    EXPECT_FALSE(PredictText(LinearModel(2), c, {"3", "4"}));  // fewer coefficients than the model has

    TFitModel michaelis;  // C0·x/(C1 + x): division by zero at x = −C1
    michaelis.index = 3;
    michaelis.nx = 1;
    michaelis.m = 2;
    EXPECT_FALSE(Predict(michaelis, std::vector<double>{1, 2}, {"-2"}));

    TFitModel general;
    general.index = kGeneralModelIndex;
    general.formula = "C0*LN(X1)";
    general.nx = 1;
    general.m = 1;
    EXPECT_FALSE(Predict(general, std::vector<double>{1}, {"-1"}));
    EXPECT_EQ(sink.Texts(),
              (std::vector<std::string>{"説明変数の入力エラー", "説明変数の入力エラー", "予測値の計算エラー",
                                        "予測値の計算エラー", "予測値の計算エラー", "予測値の計算エラー"}));
    EXPECT_EQ(sink.messages[0].kind, MessageKind::Error);
}
