#include "core/expression/Condition.h"

#include <gtest/gtest.h>

#include <vector>

#include "core/common/MessageSink.h"

using namespace kurvex;

namespace {

constexpr const char* kProgramError = "判別式のプログラムエラー\n作者までエラー状況をご報告ください。";
constexpr const char* kFormatError = "式のフォーマットエラー";

// One table row: texts T0..T4 (T0 the row number), numeric cells X0..X4 and
// the row's computed values C0 (y) and C1 (x1).
class ConditionTest : public ::testing::Test {
protected:
    RecordingMessageSink sink;
    ScopedMessageSink guard{sink};
    std::vector<std::string> texts{"5", "1.5", "2", "ABC", "0"};
    std::vector<double> x{5, 1.5, 2, 0, 0};
    std::vector<double> c{2, 5};
    bool fault = true;

    bool Holds(std::string_view condition) { return EvaluateCondition(condition, texts, x, c, fault); }
};

}  // namespace

TEST_F(ConditionTest, EmptyConditionHolds) {
    EXPECT_TRUE(Holds(""));
    EXPECT_FALSE(fault);
}

TEST_F(ConditionTest, NumericComparisons) {
    EXPECT_TRUE(Holds("C0GT1"));
    c[0] = 1;
    EXPECT_FALSE(Holds("C0GT1"));
    EXPECT_FALSE(fault);
    EXPECT_TRUE(Holds("C0GE1"));
    EXPECT_TRUE(Holds("C0LE1"));
    EXPECT_FALSE(Holds("C0LT1"));
    EXPECT_TRUE(Holds("C0EQ1"));
    EXPECT_FALSE(Holds("C0NE1"));
    EXPECT_TRUE(Holds("X1*2EQX1+X1+0"));
    EXPECT_TRUE(Holds("SQRT(C1-1)EQ2"));  // operands are whole formulas
    EXPECT_TRUE(Holds("((C1)GT(4))"));    // enclosing parentheses are dropped
    EXPECT_TRUE(Holds("0.1+0.2EQ0.3"));   // compared as 64-bit values
    EXPECT_TRUE(sink.messages.empty());
}

TEST_F(ConditionTest, LogicalWordsNeedParenthesisedComparisons) {
    EXPECT_TRUE(Holds("(C1GT0)AND(C1LT10)"));
    c[1] = 12;
    EXPECT_FALSE(Holds("(C1GT0)AND(C1LT10)"));
    EXPECT_FALSE(fault);
    EXPECT_TRUE(Holds("(C1LT0)OR(C1GT10)"));
    // AND is decided before OR: false OR (true AND false).
    EXPECT_FALSE(Holds("(C1LT0)OR(C1GT10)AND(C0EQ0)"));
    EXPECT_TRUE(Holds("(C1LT0)OR(C1GT10)AND(C0EQ2)"));
    EXPECT_TRUE(Holds("((C1GT0)AND(C0GT0))OR(C1LT0)"));
    EXPECT_TRUE(sink.messages.empty());

    EXPECT_FALSE(Holds("C1GT0ANDC0GT0"));
    EXPECT_TRUE(fault);
    EXPECT_EQ(sink.Texts(), std::vector<std::string>{kFormatError});
}

TEST_F(ConditionTest, TextComparisons) {
    EXPECT_TRUE(Holds("X3EQ\"ABC\""));
    EXPECT_FALSE(Holds("X3NE\"ABC\""));
    texts[3] = "abc";  // the literal was upper-cased, the cell was not
    EXPECT_FALSE(Holds("X3EQ\"ABC\""));
    texts[3] = "";
    EXPECT_FALSE(Holds("X3EQ\"\""));   // the empty literal stands for its two quotes
    EXPECT_TRUE(Holds("X0EQ\"5\""));   // T0 is the row number
    EXPECT_FALSE(Holds("C1EQ\"5\""));  // no X operand: "?"
    EXPECT_TRUE(Holds("X9EQ\"?\""));   // beyond the row: "?"
    EXPECT_FALSE(fault);
    EXPECT_TRUE(sink.messages.empty());
}

TEST_F(ConditionTest, FaultsLeaveTheRowWithoutDecision) {
    EXPECT_FALSE(Holds("LN(X4)GT0"));  // numeric fault: no message
    EXPECT_TRUE(fault);
    EXPECT_TRUE(sink.messages.empty());
    // Values beyond a 64-bit real overflow instead of comparing as equal
    // infinities; values below it underflow to zero, which is no fault.
    ConditionFaultKind kind = ConditionFaultKind::None;
    for (const char* overflow : {"EXP(1000)EQEXP(1001)", "1E400GT0", "(C0GT0)OR(X1*1E308*10LT0)"}) {
        EXPECT_FALSE(EvaluateCondition(overflow, texts, x, c, kind)) << overflow;
        EXPECT_EQ(kind, ConditionFaultKind::Numeric) << overflow;
    }
    EXPECT_TRUE(EvaluateCondition("EXP(-1000)EQ0", texts, x, c, kind));
    EXPECT_EQ(kind, ConditionFaultKind::None);
    EXPECT_TRUE(sink.messages.empty());
    EXPECT_FALSE(EvaluateCondition("C0GT0ANDC1GT0", texts, x, c, kind));
    EXPECT_EQ(kind, ConditionFaultKind::Reported);  // after "式のフォーマットエラー"
    sink.messages.clear();

    EXPECT_FALSE(Holds("(C1GT0)(C0GT0)"));
    EXPECT_TRUE(fault);
    EXPECT_EQ(sink.Texts(), std::vector<std::string>{kProgramError});
    sink.messages.clear();

    // A logical word without truth values beside it has no decision either.
    for (const char* condition : {"(C1GT0)AND", "OR(C1GT0)", "AND", "(C1GT0)ANDC1"}) {
        EXPECT_FALSE(Holds(condition)) << condition;
        EXPECT_TRUE(fault) << condition;
        EXPECT_EQ(sink.Texts(), std::vector<std::string>{kProgramError}) << condition;
        sink.messages.clear();
    }
    EXPECT_FALSE(Holds("EQ"));  // empty operands are no formulas
    EXPECT_TRUE(fault);
}

TEST(OperandText, LiteralsColumnsAndUnknowns) {
    const std::vector<std::string> texts{"7", "a", "b"};
    EXPECT_EQ(OperandText("\"AB\"", texts), "AB");
    EXPECT_EQ(OperandText("\"A\"\"B\"", texts), "A\"B");
    EXPECT_EQ(OperandText("\"\"", texts), "\"\"");
    EXPECT_EQ(OperandText("\"AB", texts), "AB");
    EXPECT_EQ(OperandText("X2", texts), "b");
    EXPECT_EQ(OperandText("X0", texts), "7");
    EXPECT_EQ(OperandText("X3", texts), "?");
    EXPECT_EQ(OperandText("X99999999999999999999999", texts), "?");
    EXPECT_EQ(OperandText("X", texts), "?");
    EXPECT_EQ(OperandText("X1A", texts), "?");
    EXPECT_EQ(OperandText("C1", texts), "?");
}
