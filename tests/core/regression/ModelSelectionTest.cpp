#include "core/regression/ModelSelection.h"

#include <gtest/gtest.h>

#include "core/common/MessageSink.h"
#include "core/regression/Models.h"

namespace kurvex {
namespace {

TEST(SelectModel, BuiltInModelsFixCoefficientsVariablesAndDerivatives) {
    TFitModel model;
    auto shown = SelectModel(model, 3, 1, {});
    EXPECT_EQ(model.m, 2);
    EXPECT_EQ(model.nx, 1);
    EXPECT_EQ(model.formula, "C0*x1/(C1+x1)");
    EXPECT_EQ(model.derivativeFormulas, (std::vector<std::string>{"X1/(C1+X1)", "-C0*X1/(C1+X1)^2"}));
    EXPECT_TRUE(shown.showConditionPages);
    EXPECT_FALSE(shown.derivativeChoiceEnabled);
    EXPECT_EQ(shown.forcedMethod, DerivativeMethod::Formulas);
    EXPECT_FALSE(shown.variableCountChooserEnabled);

    shown = SelectModel(model, 0, 3, {});
    EXPECT_EQ(model.m, 4);
    EXPECT_EQ(model.nx, 3);
    EXPECT_FALSE(shown.showConditionPages);
    EXPECT_TRUE(shown.variableCountChooserEnabled);

    shown = SelectModel(model, 5, 3, {});
    EXPECT_EQ(model.m, 2);
    EXPECT_EQ(model.nx, 1);
    EXPECT_FALSE(shown.showConditionPages);  // hidden although the second stage iterates
    EXPECT_EQ(FitMethodOf(5), FitMethod::Allometric);
}

TEST(SelectModel, GeneralModelOffersFormulasOnlyWithEveryDerivativeGiven) {
    GeneralModelSource general;
    general.formula = "C0*EXP(C1*X1)+C2*X2";
    general.coefficientCount = 3;
    general.variableCount = 2;
    general.derivativeTableShown = true;
    general.derivativeTexts = {"exp(c1*x1)", "C0*X1*EXP(C1*X1)", ""};
    TFitModel model;
    auto shown = SelectModel(model, kGeneralModelIndex, 1, general);
    EXPECT_EQ(model.m, 3);
    EXPECT_EQ(model.nx, 2);
    EXPECT_EQ(model.formula, general.formula);
    EXPECT_FALSE(shown.derivativeChoiceEnabled);
    EXPECT_EQ(shown.forcedMethod, DerivativeMethod::Numeric);
    EXPECT_TRUE(model.numericDerivatives);
    EXPECT_TRUE(shown.showConditionPages);

    general.derivativeTexts[2] = "x2";
    shown = SelectModel(model, kGeneralModelIndex, 1, general);
    EXPECT_TRUE(shown.derivativeChoiceEnabled);
    EXPECT_FALSE(shown.forcedMethod.has_value());
    EXPECT_EQ(model.derivativeFormulas, (std::vector<std::string>{"EXP(C1*X1)", "C0*X1*EXP(C1*X1)", "X2"}));

    general.derivativeTableShown = false;
    shown = SelectModel(model, kGeneralModelIndex, 1, general);
    EXPECT_FALSE(shown.derivativeChoiceEnabled);
}

TEST(CoefficientTable, DefaultsAndCopyingTheShownResults) {
    const auto defaults = SetCoefficientDefaults();
    ASSERT_EQ(defaults.names.size(), 51u);
    EXPECT_EQ(defaults.names[50], "C50");
    EXPECT_EQ(defaults.initialValues[7], "1");
    EXPECT_EQ(defaults.tolerances[7], "0.000001");
    EXPECT_EQ(defaults.increment, "0.000001");

    RecordingMessageSink sink;
    ScopedMessageSink guard(sink);
    TResultFields fields;
    fields.ClearGridColumns(2);
    std::vector<std::string> initial = {"1", "1"};
    EXPECT_FALSE(CopyResultsToInitialValues(fields, 2, initial));
    EXPECT_EQ(sink.Texts(), std::vector<std::string>{"計算結果がありません。"});
    EXPECT_EQ(sink.messages[0].kind, MessageKind::Confirmation);
    EXPECT_EQ(initial, (std::vector<std::string>{"1", "1"}));

    fields.coefficients = {"2.345679", "-1.5E-7"};
    EXPECT_TRUE(CopyResultsToInitialValues(fields, 2, initial));
    EXPECT_EQ(initial, fields.coefficients);
}

}  // namespace
}  // namespace kurvex
