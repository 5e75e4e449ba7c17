#include "core/expression/Evaluator.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "core/common/MessageSink.h"

using namespace kurvex;

namespace {

constexpr const char* kFormatError = "式のフォーマットエラー";
constexpr const char* kCalculationError = "計算エラー";
constexpr long double kPi = 3.14159265358979323846264338327950288L;

class EvaluatorTest : public ::testing::Test {
protected:
    RecordingMessageSink sink;
    ScopedMessageSink guard{sink};

    // X0 is unused by these formulas; X1.. follow.
    long double Eval(std::string_view formula, std::vector<double> x1up = {}, std::vector<double> c = {}) {
        std::vector<double> x{0.0};
        x.insert(x.end(), x1up.begin(), x1up.end());
        return EvaluateFormula(formula, x, c);
    }

    // The fault raised, and the messages shown on the way.
    EvaluationFault FaultOf(std::string_view formula, std::vector<double> x1up = {}, std::vector<double> c = {}) {
        try {
            const long double value = Eval(formula, x1up, c);
            ADD_FAILURE() << formula << " gave " << static_cast<double>(value);
        } catch (const EvaluationError& error) {
            return error.fault();
        }
        return EvaluationFault::Format;
    }

    std::vector<std::string> TakeMessages() {
        auto texts = sink.Texts();
        sink.messages.clear();
        return texts;
    }
};

std::vector<std::string> Trace(std::string_view formula, std::vector<double> x, std::vector<double> c) {
    OperandTable table;
    std::string tokens = TokenizeFormula(formula, x, c, table);
    std::vector<std::string> steps{tokens};
    while (tokens.size() > 3) {
        if (ReduceStep(tokens, table) != ReduceOutcome::Reduced) break;
        steps.push_back(tokens);
    }
    return steps;
}

}  // namespace

TEST_F(EvaluatorTest, TokenizationNumbersEachOccurrence) {
    OperandTable table;
    const std::vector<double> x{0.0, 2.5}, c{1.0, 7.0};
    EXPECT_EQ(TokenizeFormula("C0+C1*X1^2", x, c, table), "A01+A02*A03^A04");
    EXPECT_EQ(table.count, 4);
    EXPECT_EQ(table.slots[1], 1.0L);
    EXPECT_EQ(table.slots[2], 7.0L);
    EXPECT_EQ(table.slots[3], 2.5L);
    EXPECT_EQ(table.slots[4], 2.0L);

    EXPECT_EQ(TokenizeFormula("X1*X1", x, c, table), "A01*A02");
    EXPECT_EQ(TokenizeFormula("SQRT(PI)-TANH(-X0)", x, c, table), "F11(A01)-F09(-A02)");
    EXPECT_EQ(table.slots[1], kPi);
    EXPECT_EQ(TokenizeFormula("X2", x, c, table), "");
    EXPECT_EQ(TokenizeFormula("", x, c, table), "");
}

TEST_F(EvaluatorTest, PolynomialReducesPowersThenProductsThenSums) {
    EXPECT_EQ(Trace("C0+C1*X1+C2*X1^2+C3*X1^3", {0, 2}, {1, 2, 3, 4}),
              (std::vector<std::string>{
                  "A01+A02*A03+A04*A05^A06+A07*A08^A09", "A01+A02*A03+A04*A05+A07*A08^A09",
                  "A01+A02*A03+A04*A05+A07*A08", "A01+A02+A04*A05+A07*A08", "A01+A02+A04+A07*A08", "A01+A02+A04+A07",
                  "A01",  // rule 7 adds the whole leading sum in one pass
              }));
    EXPECT_EQ(Eval("C0+C1*X1+C2*X1^2+C3*X1^3", {2}, {1, 2, 3, 4}), 49.0L);
}

TEST_F(EvaluatorTest, FunctionCallWaitsForItsGroup) {
    EXPECT_EQ(Trace("C0*EXP(-C1*X1)+C2", {0, 1}, {1, 1, 1}), (std::vector<std::string>{
                                                                 "A01*F01(-A02*A03)+A04",
                                                                 "A01*F01(A02*A03)+A04",  // minus after "("
                                                                 "A01*F01(A02)+A04",      // product inside
                                                                 "A01*A02+A04",  // function applied, F01( and ) dropped
                                                                 "A01+A04",
                                                                 "A01",
                                                             }));
    EXPECT_EQ(Eval("C0*EXP(-C1*X1)+C2", {2}, {3, 0.5, 1}), 3 * std::exp(-1.0L) + 1);
    EXPECT_EQ(Trace("(X1+C1)^2", {0, 1}, {0, 1}), (std::vector<std::string>{"(A01+A02)^A03", "A01^A03", "A01"}));
    EXPECT_EQ(Eval("(X1+C1)^2", {3}, {0, 1}), 16.0L);
    EXPECT_EQ(Eval("C0*EXP(X1)", {0}, {5}), 5.0L);
    // A single operand still takes one pass.
    EXPECT_EQ(Eval("X1", {4.25}), 4.25L);
}

TEST_F(EvaluatorTest, PrecedenceQuirksOfTheRules) {
    EXPECT_EQ(Eval("2^3^2"), 64.0L);
    EXPECT_EQ(Eval("2^3^-1"), std::pow(2.0L, 1.0L / 3.0L));  // exponent with "^-" first
    EXPECT_EQ(Eval("-X1^2", {3}), -9.0L);
    EXPECT_EQ(Eval("(-X1^2)", {3}), -9.0L);
    EXPECT_EQ(Eval("X1^-2", {2}), 0.25L);
    EXPECT_EQ(Eval("8/4*2"), 4.0L);
    EXPECT_EQ(Eval("10-3-2"), 5.0L);
    EXPECT_EQ(Eval("2*3^2"), 18.0L);
    EXPECT_EQ(Eval("((C0+C1)+C2)", {}, {1, 2, 4}), 7.0L);
    EXPECT_EQ(Eval("(+X1)", {2}), 2.0L);
    EXPECT_EQ(Eval("(+X1*C1)", {2}, {0, 3}), 6.0L);
    EXPECT_EQ(Eval("C0/(1+EXP(C1-C2*X1))", {1}, {2, 0, 0}), 1.0L);
    EXPECT_EQ(Eval("-C0*EXP(-(X1-C1)/C2)/C2/(1+EXP(-(X1-C1)/C2))^2", {1}, {4, 1, 2}), -4.0L / 2 / 4);
    EXPECT_NEAR(static_cast<double>(Eval("C0*X1^C1*LN(X1)", {std::exp(1.0)}, {2, 2})), 2 * std::exp(2.0), 1e-12);
    EXPECT_TRUE(sink.messages.empty());
}

TEST_F(EvaluatorTest, PowerRules) {
    EXPECT_EQ(Eval("0^0"), 1.0L);
    EXPECT_EQ(Eval("0^2"), 0.0L);
    EXPECT_EQ(Eval("0^0.5"), 0.0L);
    EXPECT_EQ(Eval("(-2)^3"), -8.0L);
    EXPECT_EQ(Eval("(-2)^-2"), 0.25L);
    EXPECT_EQ(Eval("2^0.5"), std::exp(0.5L * std::log(2.0L)));
    EXPECT_EQ(Eval("(-1)^2147483647"), -1.0L);                        // largest integral exponent
    EXPECT_EQ(FaultOf("(-1)^2147483648"), EvaluationFault::Numeric);  // beyond it: exp(y ln x)
    EXPECT_EQ(Eval("1^2147483648"), 1.0L);
    EXPECT_EQ(Eval("0.1^20000"), 0.0L);  // underflow is no fault
    EXPECT_EQ(FaultOf("0^-1"), EvaluationFault::Numeric);
    EXPECT_EQ(FaultOf("0^(-0.5)"), EvaluationFault::Numeric);
    EXPECT_EQ(FaultOf("(-8)^(1/3)"), EvaluationFault::Numeric);
    EXPECT_EQ(FaultOf("10^5000"), EvaluationFault::Numeric);
    EXPECT_EQ(FaultOf("(-10)^5001"), EvaluationFault::Numeric);
    EXPECT_TRUE(sink.messages.empty());
}

TEST_F(EvaluatorTest, FunctionTable) {
    // Library results at run time may differ from folded constants in the last bit.
    auto expectClose = [](long double actual, long double expected) {
        EXPECT_LE(std::fabs(actual - expected), 4 * std::numeric_limits<long double>::epsilon() * std::fabs(expected))
            << static_cast<double>(actual) << " vs " << static_cast<double>(expected);
    };
    expectClose(Eval("EXP(1)"), 2.71828182845904523536028747135266250L);
    expectClose(Eval("LN(PI)"), 1.14472988584940017414342735135305871L);
    expectClose(Eval("SIN(0.5)"), 0.479425538604203000273287935215571388L);
    expectClose(Eval("COS(0.5)"), 0.877582561890372716116281582603829651L);
    expectClose(Eval("TAN(0.5)"), 0.546302489843790513255179465780285383L);
    expectClose(Eval("LOG10(1000)"), 3.0L);
    expectClose(Eval("SINH(1)"), 1.17520119364380145688238185059560082L);
    expectClose(Eval("COSH(1)"), 1.54308063481524377847790562075706168L);
    expectClose(Eval("TANH(0.5)"), 0.462117157260009758502318483643672548L);
    expectClose(Eval("TANH(-5678)"), -1.0L);
    EXPECT_EQ(Eval("TANH(5679)"), 1.0L);
    EXPECT_EQ(Eval("TANH(-5679)"), -1.0L);
    EXPECT_EQ(Eval("SQR(-3)"), 9.0L);
    EXPECT_EQ(Eval("SQRT(16)"), 4.0L);
    EXPECT_EQ(Eval("ABS(-2.5)"), 2.5L);
    EXPECT_EQ(Eval("PSGN(0)"), 0.0L);
    EXPECT_EQ(Eval("PSGN(0.001)"), 1.0L);
    EXPECT_EQ(Eval("PSGN(-2)"), 0.0L);
    EXPECT_EQ(Eval("EXP(-20000)"), 0.0L);
    EXPECT_EQ(Eval("SQRT(SQR(X1))", {-7}), 7.0L);
    EXPECT_EQ(Eval("PI"), kPi);
    EXPECT_EQ(Eval(".5+5."), 5.5L);
    EXPECT_EQ(Eval("1E5*X1", {2}), 200000.0L);
}

TEST_F(EvaluatorTest, NumericFaultsRaiseWithoutMessage) {
    EXPECT_EQ(FaultOf("LN(0)"), EvaluationFault::Numeric);
    EXPECT_EQ(FaultOf("LN(-1)"), EvaluationFault::Numeric);
    EXPECT_EQ(FaultOf("LOG10(0)"), EvaluationFault::Numeric);
    EXPECT_EQ(FaultOf("SQRT(-1)"), EvaluationFault::Numeric);
    EXPECT_EQ(FaultOf("1/X1", {0}), EvaluationFault::Numeric);
    EXPECT_EQ(FaultOf("0/X1", {0}), EvaluationFault::Numeric);
    EXPECT_EQ(FaultOf("EXP(20000)"), EvaluationFault::Numeric);
    EXPECT_EQ(FaultOf("SINH(20000)"), EvaluationFault::Numeric);
    // Extended range: 1e600 is a value, 1e9600 overflows.
    EXPECT_EQ(Eval("SQR(X1)", {1e300}), static_cast<long double>(1e300) * static_cast<long double>(1e300));
    EXPECT_EQ(FaultOf("SQR(SQR(SQR(SQR(SQR(X1)))))", {1e300}), EvaluationFault::Numeric);
    // Non-finite inputs never come back as a value.
    EXPECT_EQ(FaultOf("X1", {std::numeric_limits<double>::quiet_NaN()}), EvaluationFault::Numeric);
    EXPECT_EQ(FaultOf("X1+1", {std::numeric_limits<double>::infinity()}), EvaluationFault::Numeric);
    EXPECT_TRUE(sink.messages.empty());
}

TEST_F(EvaluatorTest, FormatErrorsShowTheirMessage) {
    for (const char* formula : {"X9", "LOG(X1)", "1E-5*X1", "x1", "X1 +1", "C5", "1E5000", "INF", "NAN", "0X1A", ""}) {
        EXPECT_EQ(FaultOf(formula, {1, 2}, {1}), EvaluationFault::Format) << formula;
        EXPECT_EQ(TakeMessages(), std::vector<std::string>{kFormatError}) << formula;
    }
    EXPECT_EQ(sink.messages.size(), 0u);

    std::string ninetyNine = "1";
    for (int i = 1; i < 99; ++i) ninetyNine += "+1";
    EXPECT_EQ(Eval(ninetyNine), 99.0L);
    EXPECT_EQ(FaultOf(ninetyNine + "+1"), EvaluationFault::Format);
    EXPECT_EQ(TakeMessages(), std::vector<std::string>{kFormatError});
}

TEST_F(EvaluatorTest, IrreducibleFormsAreCalculationErrors) {
    for (const char* formula : {"X1*-C1", "(C0+C1+C2*X1)", "2(X1)", "EXP*X1", "EXP", "()X1()", "X1(", "+X1", "X1-",
                                "()", "SIN(LN)", "(X1*C0)^(X1^C0)*", "X1^^2", "F01"}) {
        EXPECT_EQ(FaultOf(formula, {1}, {1, 1, 1}),
                  formula == std::string("F01") ? EvaluationFault::Format : EvaluationFault::Calculation)
            << formula;
        const auto messages = TakeMessages();
        ASSERT_EQ(messages.size(), 1u) << formula;
    }
    EXPECT_EQ(FaultOf("X1*-C1", {1}, {1, 1}), EvaluationFault::Calculation);
    EXPECT_EQ(TakeMessages(), std::vector<std::string>{kCalculationError});
    EXPECT_EQ(sink.messages.size(), 0u);
}

TEST_F(EvaluatorTest, ReduceStepReportsAnOperatorItCannotApply) {
    OperandTable table;
    table.count = 2;
    table.slots[1] = 1;
    table.slots[2] = 2;
    std::string tokens = "A01^F01(A02*A03)";  // slot 3 was never filled
    EXPECT_EQ(ReduceStep(tokens, table), ReduceOutcome::CalculationError);
    tokens = "(A01*A02)";
    EXPECT_EQ(ReduceStep(tokens, table), ReduceOutcome::Reduced);
    EXPECT_EQ(tokens, "(A01)");
    EXPECT_EQ(table.slots[1], 2.0L);
    tokens = "A01)A02";
    EXPECT_EQ(ReduceStep(tokens, table), ReduceOutcome::CalculationError);
    tokens = "A01+A07";  // slot 7 was never filled
    EXPECT_EQ(ReduceStep(tokens, table), ReduceOutcome::CalculationError);
    tokens = "(F01)";
    EXPECT_EQ(ReduceStep(tokens, table), ReduceOutcome::CalculationError);
}
