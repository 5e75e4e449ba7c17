// Arbitrary input must give a value or EvaluationError, never a crash or a
// read outside the text (run under the sanitizers to see the latter).
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "core/common/MessageSink.h"
#include "core/expression/Condition.h"
#include "core/expression/Evaluator.h"
#include "core/expression/Formula.h"

using namespace kurvex;

namespace {

std::string RandomBytes(std::mt19937& random, std::size_t maxLength) {
    std::uniform_int_distribution<std::size_t> length(0, maxLength);
    std::uniform_int_distribution<int> byte(0, 255);
    std::string text(length(random), '\0');
    for (char& ch : text) ch = static_cast<char>(byte(random));
    return text;
}

// Pieces of the language glued at random: mostly near-valid formulas.
std::string RandomPieces(std::mt19937& random, const std::vector<std::string>& pieces, std::size_t maxPieces) {
    std::uniform_int_distribution<std::size_t> count(0, maxPieces), pick(0, pieces.size() - 1);
    std::string text;
    for (std::size_t n = count(random); n > 0; --n) text += pieces[pick(random)];
    return text;
}

const std::vector<std::string> kFormulaPieces = {"(",     ")",   "*",   "/",   "-",    "+",   "^",    "X0",   "X1",
                                                 "X2",    "X3",  "C0",  "C1",  "C9",   "PI",  "0",    "1",    "2.5",
                                                 "1E5",   "EXP", "LN",  "SIN", "TANH", "SQR", "SQRT", "PSGN", "ABS",
                                                 "LOG10", "A01", "F01", " ",   "x1",   "\xff"};

void ExpectValueOrEvaluationError(std::string_view formula, std::span<const double> x, std::span<const double> c) {
    try {
        const long double value = EvaluateFormula(formula, x, c);
        EXPECT_TRUE(std::isfinite(value)) << formula;
    } catch (const EvaluationError&) {
    }
}

}  // namespace

TEST(Robustness, RandomTextNeverEscapes) {
    RecordingMessageSink sink;
    ScopedMessageSink guard(sink);
    std::mt19937 random(20240611);
    const std::vector<double> x{0.5, -2, 3, 0}, c{1, -1, 0};
    for (int i = 0; i < 6000; ++i) {
        const std::string text = i % 2 ? RandomBytes(random, 40) : RandomPieces(random, kFormulaPieces, 14);
        const std::string normalised = NormalizeFormula(text);
        EXPECT_EQ(normalised.find(' '), std::string::npos);
        CheckFormula(text, 2, 3);
        CheckFormula(normalised, -5, -1);
        CountCoefficients(text);
        ExpectValueOrEvaluationError(text, x, c);
        ExpectValueOrEvaluationError(normalised, x, c);
        ExpectValueOrEvaluationError(normalised, {}, {});
        sink.messages.clear();
    }
}

TEST(Robustness, RandomTokenStringsReduceSafely) {
    std::mt19937 random(7);
    const std::vector<std::string> tokenPieces = {"A",   "F", "0", "1", "9", "A01", "A02", "A99", "F01", "F13",
                                                  "F14", "(", ")", "*", "/", "-",   "+",   "^",   "A00"};
    for (int i = 0; i < 20000; ++i) {
        OperandTable table;
        table.count = static_cast<int>(random() % 4);
        for (int k = 1; k <= table.count; ++k) table.slots[k] = static_cast<long double>(k) - 1.5L;
        std::string tokens = RandomPieces(random, tokenPieces, 10);
        for (int step = 0; step < 60 && tokens.size() != 3; ++step) {
            const std::size_t before = tokens.size();
            try {
                if (ReduceStep(tokens, table) == ReduceOutcome::CalculationError) break;
            } catch (const EvaluationError&) {
                break;
            }
            ASSERT_LT(tokens.size(), before) << "a reduction that does not shorten would repeat forever";
        }
    }
}

TEST(Robustness, RandomConditionsNeverEscape) {
    RecordingMessageSink sink;
    ScopedMessageSink guard(sink);
    std::mt19937 random(99);
    std::vector<std::string> pieces = kFormulaPieces;
    for (const char* word : {"EQ", "NE", "GE", "LE", "GT", "LT", "AND", "OR", "\"", "\"A\"", "Yes", "Non"}) {
        pieces.push_back(word);
    }
    const std::vector<std::string> texts{"1", "2"};
    const std::vector<double> x{1, 2}, c{3, 4};
    for (int i = 0; i < 4000; ++i) {
        const std::string condition = i % 3 ? RandomPieces(random, pieces, 12) : RandomBytes(random, 30);
        // Any text is decided or refused with a message; a refusal is false.
        bool fault = false;
        const bool decided = EvaluateCondition(condition, texts, x, c, fault);
        if (fault) {
            ASSERT_FALSE(decided) << condition;
            ASSERT_FALSE(sink.messages.empty()) << condition;
        } else {
            ASSERT_TRUE(sink.messages.empty()) << condition;
        }
        EXPECT_FALSE(OperandText(condition, texts).empty()) << condition;
        sink.messages.clear();
    }
}
