// "Equation.txt" as found on disk: the load, the list invariants, a save and
// reload that keeps every entry, and the registration limit.
#include <cstdint>
#include <string>

#include "core/equations/EquationList.h"
#include "core/expression/Formula.h"
#include "tests/fuzz/FuzzSupport.h"

using namespace kurvex;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::QuietSink& sink = fuzz::Sink(true);
    const std::filesystem::path file = fuzz::WriteScratchFile("Equation.txt", fuzz::AsText(data, size));
    EquationList list;
    KURVEX_FUZZ_CHECK(list.Load(file));
    KURVEX_FUZZ_CHECK(sink.count == 0);
    for (const RegisteredEquation& entry : list.Entries()) {
        KURVEX_FUZZ_CHECK(IsValidUtf8(entry.formulaText) && IsValidUtf8(entry.name));
        KURVEX_FUZZ_CHECK(entry.formulaText.find_first_of(",\"\n") == std::string::npos);
        KURVEX_FUZZ_CHECK(entry.name.find_first_of(",\"\n") == std::string::npos);
        KURVEX_FUZZ_CHECK(entry.derivativeTexts.size() ==
                          static_cast<std::size_t>(CountCoefficients(entry.formulaText)));
        for (const std::string& derivative : entry.derivativeTexts)
            KURVEX_FUZZ_CHECK(derivative.find_first_of(",\"\n") == std::string::npos);
    }

    // The saved list reads back entry for entry.
    const std::filesystem::path copy = fuzz::ScratchFolder::Path() / "EquationCopy.txt";
    KURVEX_FUZZ_CHECK(list.Save(copy));
    EquationList reloaded;
    KURVEX_FUZZ_CHECK(reloaded.Load(copy));
    KURVEX_FUZZ_CHECK(reloaded.FileText() == list.FileText());

    const std::size_t before = list.Count();
    const bool added = list.Add("C0+C1*X1", "fuzz", {"1", "X1"});
    if (before >= kMaxRegisteredEquations) {
        KURVEX_FUZZ_CHECK(!added && list.Count() == before && sink.last == kEquationListFullMessage);
    } else {
        KURVEX_FUZZ_CHECK(list.Count() == before + 1);
        KURVEX_FUZZ_CHECK(list.Entry(before).derivativeTexts.size() == 2);
    }
    return 0;
}
