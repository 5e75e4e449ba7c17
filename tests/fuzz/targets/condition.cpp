// Row conditions as the data input window hands them over: the user's text
// with its names and comparison symbols rewritten, then decided for one row.
// The raw text goes straight to the decision as well.
#include <cstdint>
#include <string>
#include <vector>

#include "core/data/Selection.h"
#include "core/expression/Condition.h"
#include "core/expression/Formula.h"
#include "tests/fuzz/FuzzSupport.h"

using namespace kurvex;

namespace {

const char* const kProgramErrorMessage = "判別式のプログラムエラー\n作者までエラー状況をご報告ください。";

void Decide(fuzz::QuietSink& sink, std::string_view condition) {
    const std::vector<std::string> rowTexts{"7", "1.5", "abc", "", "-2"};
    const std::vector<double> x{7, 1.5, 0, 0, -2};
    const std::vector<double> c{3, 1.5, -2};
    bool fault = true;
    sink.last.clear();
    const bool answer = EvaluateCondition(condition, rowTexts, x, c, fault);
    if (fault) KURVEX_FUZZ_CHECK(!answer);
    if (condition.empty()) KURVEX_FUZZ_CHECK(answer && !fault);
    // The program-error box always comes with a fault.
    if (sink.last == kProgramErrorMessage) KURVEX_FUZZ_CHECK(fault);

    bool again = false;
    KURVEX_FUZZ_CHECK(EvaluateCondition(condition, rowTexts, x, c, again) == answer);
    KURVEX_FUZZ_CHECK(again == fault);
    OperandText(condition, rowTexts);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::QuietSink& sink = fuzz::Sink(false);
    const std::string text(fuzz::AsText(data, size));

    Decide(sink, text);

    const std::string named = RewriteConditionNames(text, 2, 4);
    const std::string normalised = NormalizeFormula(named);
    const std::string rewritten = RewriteConditionOperators(normalised);
    Decide(sink, rewritten);
    return 0;
}
