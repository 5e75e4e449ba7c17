// "ReadParameter.ini" / "TempTableSheet.ini" as found on disk: the read, the
// checks of the read values, and a write and read that give the same settings.
#include <cstdint>
#include <string>

#include "core/data/ReadSettings.h"
#include "core/data/Selection.h"
#include "tests/fuzz/FuzzSupport.h"

using namespace kurvex;

namespace {

void ExpectSame(const SelectionSettings& a, const SelectionSettings& b) {
    KURVEX_FUZZ_CHECK(a.fixedColumns == b.fixedColumns && a.fixedRows == b.fixedRows);
    KURVEX_FUZZ_CHECK(a.yColumn == b.yColumn && a.yTransform == b.yTransform);
    KURVEX_FUZZ_CHECK(a.weightColumn == b.weightColumn && a.skip == b.skip && a.step == b.step);
    KURVEX_FUZZ_CHECK(a.lastRow == b.lastRow && a.conditionOn == b.conditionOn && a.condition == b.condition);
    KURVEX_FUZZ_CHECK(a.variableCount == b.variableCount);
    const int n = SelectedVariableCount(a);
    for (int i = 0; i < n; ++i) {
        KURVEX_FUZZ_CHECK(a.x[i].column == b.x[i].column);
        KURVEX_FUZZ_CHECK(a.x[i].transform == b.x[i].transform);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::QuietSink& sink = fuzz::Sink(true);
    const std::filesystem::path file = fuzz::WriteScratchFile("ReadParameter.ini", fuzz::AsText(data, size));
    SelectionSettings settings;
    ReadReadSettings(file, settings);
    KURVEX_FUZZ_CHECK(sink.count == 0);
    KURVEX_FUZZ_CHECK(settings.x.size() >= static_cast<std::size_t>(kMaxExplanatoryVariables));
    const int n = SelectedVariableCount(settings);
    KURVEX_FUZZ_CHECK(n >= 1 && n <= kMaxExplanatoryVariables);
    KURVEX_FUZZ_CHECK(std::to_string(n) == settings.variableCount);

    for (const int columns : {0, 3, 120}) {
        const ReadCheckResult check = CheckReadSettings(settings, columns);
        if (check.ok) {
            KURVEX_FUZZ_CHECK(check.values.n == n);
            KURVEX_FUZZ_CHECK(check.values.xColumns.size() == static_cast<std::size_t>(n));
            KURVEX_FUZZ_CHECK(check.values.step >= 1 && check.values.skip >= 0);
        } else {
            KURVEX_FUZZ_CHECK(!check.message.empty() && IsValidUtf8(check.message));
        }
    }

    const std::filesystem::path copy = fuzz::ScratchFolder::Path() / "TempTableSheet.ini";
    std::filesystem::remove(copy);
    KURVEX_FUZZ_CHECK(WriteReadSettings(copy, settings));
    SelectionSettings again;
    ReadReadSettings(copy, again);
    ExpectSame(settings, again);
    return 0;
}
