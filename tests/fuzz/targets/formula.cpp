// Formula text as a user types it: normalisation, the checks, tokenising and
// evaluation. The prepared evaluator must agree with the rewriting one in
// value, fault kind and messages for every input.
#include <cmath>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/expression/Evaluator.h"
#include "core/expression/Formula.h"
#include "tests/fuzz/FuzzSupport.h"

using namespace kurvex;

namespace {

struct Outcome {
    std::optional<long double> value;
    std::optional<EvaluationFault> fault;
    int messages = 0;
    std::string lastMessage;
};

template <typename Evaluate>
Outcome Run(fuzz::QuietSink& sink, Evaluate evaluate) {
    Outcome outcome;
    const int before = sink.count;
    sink.last.clear();
    try {
        outcome.value = evaluate();
        KURVEX_FUZZ_CHECK(std::isfinite(*outcome.value));
    } catch (const EvaluationError& error) {
        outcome.fault = error.fault();
    }
    outcome.messages = sink.count - before;
    outcome.lastMessage = sink.last;
    return outcome;
}

void CompareEvaluators(fuzz::QuietSink& sink, std::string_view formula, std::span<const double> x,
                       std::span<const double> c) {
    const Outcome prepared = Run(sink, [&] { return EvaluateFormula(formula, x, c); });
    const Outcome rewritten = Run(sink, [&] { return EvaluateFormulaByRewriting(formula, x, c); });
    KURVEX_FUZZ_CHECK(prepared.fault == rewritten.fault);
    KURVEX_FUZZ_CHECK(prepared.messages == rewritten.messages);
    KURVEX_FUZZ_CHECK(prepared.lastMessage == rewritten.lastMessage);
    if (prepared.value) KURVEX_FUZZ_CHECK(*prepared.value == *rewritten.value);
}

bool IsTokenCharacter(char ch) {
    return (ch >= '0' && ch <= '9') || ch == 'A' || ch == 'F' || ch == '(' || ch == ')' || ch == '*' || ch == '/' ||
           ch == '-' || ch == '+' || ch == '^';
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::QuietSink& sink = fuzz::Sink(false);
    const std::string_view text = fuzz::AsText(data, size);

    const std::string normalised = NormalizeFormula(text);
    for (const char ch : normalised) KURVEX_FUZZ_CHECK(ch != ' ' && !(ch >= 'a' && ch <= 'z'));
    KURVEX_FUZZ_CHECK(NormalizeFormula(normalised) == normalised);

    CheckFormula(text, 3, 3);
    CheckFormula(normalised, -1, -1);
    const int coefficients = CountCoefficients(text);
    KURVEX_FUZZ_CHECK(coefficients >= 0);

    const std::string model = ValidateModelFormula(text);
    if (!model.empty()) {
        KURVEX_FUZZ_CHECK(model == normalised);
        KURVEX_FUZZ_CHECK(CoefficientCount() >= 1 && VariableCount() >= 1);
    }

    const std::vector<double> x{0.5, -2, 3, 0}, c{1, -1, 0, 2.5};
    const std::vector<double> bigX{1e300, -1e-300, 7e10}, bigC{-1e308, 1e-308};
    const std::vector<double> none;

    OperandTable table;
    const std::string tokens = TokenizeFormula(normalised, x, c, table);
    if (!tokens.empty()) {
        // Functions and delimiters alone ("COS", "+") tokenise without an operand.
        KURVEX_FUZZ_CHECK(table.count >= 0 && table.count <= kMaxOperands);
        for (const char ch : tokens) KURVEX_FUZZ_CHECK(IsTokenCharacter(ch));
    }

    CompareEvaluators(sink, normalised, x, c);
    CompareEvaluators(sink, normalised, bigX, bigC);
    CompareEvaluators(sink, normalised, none, none);
    CompareEvaluators(sink, text, x, c);
    return 0;
}
