// The prepared evaluator against the rewriting one: the same bits, the same
// fault and the same messages for generated formulas and values.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "core/common/MessageSink.h"
#include "core/expression/Evaluator.h"
#include "core/expression/PreparedFormula.h"

using namespace kurvex;

namespace {

const std::vector<std::string> kFunctions = {"EXP",  "LN",   "SIN", "COS",  "TAN", "LOG10", "SINH",
                                             "COSH", "TANH", "SQR", "SQRT", "ABS", "PSGN"};

class FormulaGenerator {
public:
    explicit FormulaGenerator(unsigned seed) : random_(seed) {}

    // A formula of the grammar, then now and then bent out of it.
    std::string Next() {
        std::string formula = Expression(3);
        if (Chance(0.25)) formula = Mutate(formula);
        return formula;
    }

private:
    bool Chance(double p) { return std::bernoulli_distribution(p)(random_); }
    int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random_); }

    std::string Operand() {
        switch (Pick(7)) {
            case 0: return "X" + std::to_string(Pick(4));
            case 1: return "C" + std::to_string(Pick(4));
            case 2: return "PI";
            case 3: return std::to_string(Pick(4));
            case 4: return std::vector<std::string>{"0.5", "2.5", "1E5", "1E300", ".25", "3.", "1E4000"}[Pick(7)];
            default: return Chance(0.5) ? "X1" : "C0";
        }
    }

    std::string Expression(int depth) {
        if (depth == 0 || Chance(0.25)) return Operand();
        switch (Pick(9)) {
            case 0: return Expression(depth - 1) + "+" + Expression(depth - 1);
            case 1: return Expression(depth - 1) + "-" + Expression(depth - 1);
            case 2: return Expression(depth - 1) + "*" + Expression(depth - 1);
            case 3: return Expression(depth - 1) + "/" + Expression(depth - 1);
            case 4: return Expression(depth - 1) + (Chance(0.3) ? "^-" : "^") + Operand();
            case 5: return kFunctions[Pick(13)] + "(" + Expression(depth - 1) + ")";
            case 6: return "(" + Expression(depth - 1) + (Chance(0.5) ? "+" : "-") + Expression(depth - 1) + ")";
            case 7: return "(-" + Expression(depth - 1) + ")";
            default: return Chance(0.5) ? "-" + Expression(depth - 1) : "(+" + Expression(depth - 1) + ")";
        }
    }

    std::string Mutate(std::string formula) {
        static const std::string kInserts[] = {"-", "+", "(", ")", "*-", "^", "^-", "EXP", "X1", "X9", "LOG"};
        const std::size_t at = formula.empty() ? 0 : static_cast<std::size_t>(Pick(static_cast<int>(formula.size())));
        if (Chance(0.5) && !formula.empty()) {
            formula.erase(at, 1);
        } else {
            formula.insert(at, kInserts[Pick(11)]);
        }
        return formula;
    }

    std::mt19937 random_;
};

struct Outcome {
    bool raised = false;
    EvaluationFault fault = EvaluationFault::Format;
    long double value = 0;
    std::vector<std::string> messages;
};

template <class Evaluate>
Outcome Observe(RecordingMessageSink& sink, Evaluate evaluate) {
    sink.messages.clear();
    Outcome outcome;
    try {
        outcome.value = evaluate();
    } catch (const EvaluationError& error) {
        outcome.raised = true;
        outcome.fault = error.fault();
    }
    outcome.messages = sink.Texts();
    return outcome;
}

bool SameBits(long double a, long double b) {
    // Compare the 80 significant bits only; the padding bytes are undefined.
    return std::memcmp(&a, &b, 10) == 0;
}

std::vector<double> Values(std::mt19937& random, std::size_t length) {
    static const double kValues[] = {0.0,    -0.0,   1.0,     -1.0,     2.0,  -2.0,  0.5,     3.0,      -7.25, 1e300,
                                     -1e300, 1e-300, -1e-300, 4.9e-324, 1e20, 710.0, 12000.0, -12000.0, 0.1};
    std::vector<double> values(length);
    for (double& v : values) v = kValues[random() % std::size(kValues)];
    return values;
}

}  // namespace

// KURVEX_DIFFERENTIAL_FORMULAS raises the number of formulas for a long run
// (each is evaluated with eight value sets).
static int FormulaCount() {
    const char* text = std::getenv("KURVEX_DIFFERENTIAL_FORMULAS");
    const int requested = text ? std::atoi(text) : 0;
    return requested > 0 ? requested : 4000;
}

TEST(PreparedEvaluator, MatchesRewritingOnGeneratedFormulas) {
    RecordingMessageSink sink;
    ScopedMessageSink guard(sink);
    FormulaGenerator generator(12345);
    std::mt19937 random(54321);
    const int formulas = FormulaCount();
    long values = 0;
    std::map<EvaluationFault, long> faults;
    for (int i = 0; i < formulas; ++i) {
        const std::string formula = generator.Next();
        const PreparedFormula prepared = PrepareFormula(formula);
        for (int j = 0; j < 8; ++j) {
            // Mostly long enough vectors, sometimes too short ones.
            const std::vector<double> x = Values(random, random() % 8 == 0 ? random() % 3 : 4);
            const std::vector<double> c = Values(random, random() % 8 == 0 ? random() % 3 : 4);
            const Outcome reference = Observe(sink, [&] { return EvaluateFormulaByRewriting(formula, x, c); });
            const Outcome replayed = Observe(sink, [&] { return EvaluatePrepared(prepared, x, c); });
            const Outcome cached = Observe(sink, [&] { return EvaluateFormula(formula, x, c); });
            for (const Outcome* other : {&replayed, &cached}) {
                ASSERT_EQ(other->raised, reference.raised) << formula;
                ASSERT_EQ(other->messages, reference.messages) << formula;
                if (reference.raised) {
                    ASSERT_EQ(other->fault, reference.fault) << formula;
                } else {
                    ASSERT_TRUE(SameBits(other->value, reference.value))
                        << formula << ": " << static_cast<double>(other->value) << " vs "
                        << static_cast<double>(reference.value);
                }
            }
            reference.raised ? ++faults[reference.fault] : ++values;
        }
    }
    // The generator must exercise both outcomes in earnest.
    EXPECT_GT(values, 2L * formulas);
    for (EvaluationFault fault : {EvaluationFault::Format, EvaluationFault::Calculation, EvaluationFault::Numeric}) {
        EXPECT_GT(faults[fault], formulas / 4) << static_cast<int>(fault);
    }
}

TEST(PreparedEvaluator, MatchesRewritingOnTheQuirks) {
    RecordingMessageSink sink;
    ScopedMessageSink guard(sink);
    const std::vector<double> x{0, 3, -2, 0}, c{1, 2, 3, 4};
    for (const char* formula : {"2^3^2",
                                "2^3^-1",
                                "-X1^2",
                                "(-X1^2)",
                                "X1^-2",
                                "0^0",
                                "0^-1",
                                "(-8)^(1/3)",
                                "(-2)^3",
                                "X1*-C1",
                                "(C0+C1+C2*X1)",
                                "2(X1)",
                                "EXP",
                                "()X1()",
                                "X9",
                                "LOG(X1)",
                                "1E-5*X1",
                                "C0/(1+EXP(C1-C2*X1))",
                                "-C0*EXP(-(X1-C1)/C2)/C2/(1+EXP(-(X1-C1)/C2))^2",
                                "TANH(6000)",
                                "PSGN(X3)",
                                "LN(X3)+X9",
                                "1/X3+X1*-C1",
                                "(+X1*C1)",
                                "((C0+C1)+C2)",
                                ""}) {
        const Outcome reference = Observe(sink, [&] { return EvaluateFormulaByRewriting(formula, x, c); });
        const Outcome prepared = Observe(sink, [&] { return EvaluateFormula(formula, x, c); });
        EXPECT_EQ(prepared.raised, reference.raised) << formula;
        EXPECT_EQ(prepared.messages, reference.messages) << formula;
        EXPECT_EQ(prepared.fault, reference.fault) << formula;
        EXPECT_TRUE(SameBits(prepared.value, reference.value)) << formula;
    }
}

TEST(PreparedEvaluator, ProgramIsOneOperationPerReduction) {
    const PreparedFormula logistic = PrepareFormula("C0/(1+EXP(C1-C2*X1))");
    EXPECT_TRUE(logistic.Resolves());
    EXPECT_EQ(logistic.RequiredVariables(), 2u);
    EXPECT_EQ(logistic.RequiredCoefficients(), 3u);
    EXPECT_EQ(logistic.InstructionCount(), 5u);  // *, -, EXP, +, /
    const std::vector<double> x{0, 2}, c{5, 3, 0.8};
    EXPECT_NEAR(static_cast<double>(EvaluatePrepared(logistic, x, c)), 5.0 / (1.0 + std::exp(3.0 - 0.8 * 2.0)), 1e-15);

    EXPECT_FALSE(PrepareFormula("LOG(X1)").Resolves());
    EXPECT_FALSE(PrepareFormula("").Resolves());
    // The same text comes from the cache without preparing it again.
    EXPECT_EQ(&CachedPreparedFormula("X1+1"), &CachedPreparedFormula("X1+1"));
}
