#include "core/expression/Formula.h"

#include <gtest/gtest.h>

#include "core/common/MessageSink.h"

using namespace kurvex;

namespace {

constexpr const char* kBracketMessage = "括弧の数が合いません。";
constexpr const char* kNoC0Message = "最初のパラメータC0がありません。正しく設定して下さい。";
constexpr const char* kNoX1Message = "説明変数がありません。";

class FormulaTest : public ::testing::Test {
protected:
    RecordingMessageSink sink;
    ScopedMessageSink guard{sink};
};

}  // namespace

TEST_F(FormulaTest, NormalizationUpperCasesAndRemovesBlanks) {
    EXPECT_EQ(NormalizeFormula("  c0 + c1 * x1 \t\n"), "C0+C1*X1");
    EXPECT_EQ(NormalizeFormula("exp(x1)"), "EXP(X1)");
    // Only blanks go from the inside; control characters only at the ends.
    EXPECT_EQ(NormalizeFormula("\x01 x1\t+ 2 \x1f"), "X1\t+2");
    // Bytes outside ASCII are neither trimmed nor changed.
    EXPECT_EQ(NormalizeFormula("\xe3\x81\x82x"), "\xe3\x81\x82X");
    EXPECT_TRUE(sink.messages.empty());
}

TEST_F(FormulaTest, NormalizationComparesBracketCountsOnly) {
    EXPECT_EQ(NormalizeFormula("C0+C1*(X1"), "");
    ASSERT_EQ(sink.Texts(), std::vector<std::string>{kBracketMessage});
    EXPECT_EQ(sink.messages[0].kind, MessageKind::Error);
    EXPECT_EQ(sink.messages[0].buttons, MessageButtons::Ok);

    sink.messages.clear();
    EXPECT_EQ(NormalizeFormula(")C0(+X1"), ")C0(+X1");
    EXPECT_EQ(NormalizeFormula(""), "");
    EXPECT_EQ(NormalizeFormula("   "), "");
    EXPECT_TRUE(sink.messages.empty());
}

TEST_F(FormulaTest, CheckResolvesIdentifiersAgainstVectorLengths) {
    EXPECT_TRUE(CheckFormula("C0+C1*X1", 1, 1));
    EXPECT_FALSE(CheckFormula("C0+C2*X1", 1, 1));  // C2 beyond C0..C1
    EXPECT_FALSE(CheckFormula("C0+C1*X2", 1, 1));  // X2 beyond X0..X1
    EXPECT_TRUE(CheckFormula("X0*PI", -1, 0));
    EXPECT_FALSE(CheckFormula("C0", -1, 5));      // no coefficients at all
    EXPECT_FALSE(CheckFormula("LOG(X1)", 0, 1));  // LOG is no function
    EXPECT_TRUE(CheckFormula("1E5*X1", 0, 1));
    EXPECT_FALSE(CheckFormula("1E-5*X1", 0, 1));  // splits into "1E" and "5"
    EXPECT_FALSE(CheckFormula("X01", 0, 5));      // no leading zeros in an index
    EXPECT_FALSE(CheckFormula("exp(X1)", 0, 1));  // not normalised
    EXPECT_FALSE(CheckFormula("", 5, 5));
    // Identifiers resolve; whether the form reduces is the evaluator's business.
    EXPECT_TRUE(CheckFormula("X1*-C1", 1, 1));
    EXPECT_TRUE(sink.messages.empty());
}

TEST_F(FormulaTest, CheckRefusesMoreThan99Operands) {
    std::string formula = "1";
    for (int i = 1; i < 99; ++i) formula += "+1";
    EXPECT_TRUE(CheckFormula(formula, 0, 0));
    EXPECT_FALSE(CheckFormula(formula + "+1", 0, 0));
}

TEST_F(FormulaTest, CoefficientCountIsASubstringTest) {
    EXPECT_EQ(CountCoefficients("C0+C1*X1+C2*X1^2+C3*X1^3"), 4);
    EXPECT_EQ(CountCoefficients("C0+C2*X1"), 1);
    EXPECT_EQ(CountCoefficients("C0+C10*X1"), 2);  // "C1" is found inside C10
    EXPECT_EQ(CountCoefficients("c0+c1"), 2);
    EXPECT_EQ(CountCoefficients("C1*X1"), 0);
    EXPECT_EQ(CountCoefficients(""), 0);
}

TEST_F(FormulaTest, ModelValidationCountsAndMessages) {
    EXPECT_EQ(ValidateModelFormula(" c0 + c1 * x1 "), "C0+C1*X1");
    EXPECT_EQ(CoefficientCount(), 2);
    EXPECT_EQ(VariableCount(), 1);

    EXPECT_EQ(ValidateModelFormula("C0+C1*X1+C2*X3"), "C0+C1*X1+C2*X3");
    EXPECT_EQ(CoefficientCount(), 3);
    EXPECT_EQ(VariableCount(), 1);  // X2 missing stops the count

    EXPECT_EQ(ValidateModelFormula("C0*X1+C1*X2+C2*X3"), "C0*X1+C1*X2+C2*X3");
    EXPECT_EQ(VariableCount(), 3);
    EXPECT_TRUE(sink.messages.empty());

    EXPECT_EQ(ValidateModelFormula("C1*X1"), "");
    EXPECT_EQ(CoefficientCount(), 0);
    EXPECT_EQ(ValidateModelFormula("C0+C1*X2"), "");
    EXPECT_EQ(sink.Texts(), (std::vector<std::string>{kNoC0Message, kNoX1Message}));
    for (const auto& m : sink.messages) EXPECT_EQ(m.kind, MessageKind::Error);
}

TEST_F(FormulaTest, ModelValidationStopsAtBracketMessage) {
    EXPECT_EQ(ValidateModelFormula("C0*(X1"), "");
    EXPECT_EQ(sink.Texts(), std::vector<std::string>{kBracketMessage});
    sink.messages.clear();
    EXPECT_EQ(ValidateModelFormula(""), "");
    EXPECT_TRUE(sink.messages.empty());
}
