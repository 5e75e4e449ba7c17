// The main settings file as found on disk: the read over the window's
// defaults, the limits the windows rely on, and a write and read that give
// the same settings.
#include <cstdint>
#include <string>

#include "core/common/IniFile.h"
#include "core/data/MainSettings.h"
#include "core/regression/ModelSelection.h"
#include "tests/fuzz/FuzzSupport.h"

using namespace kurvex;

namespace {

MainSettings Defaults() {
    MainSettings settings;
    settings.mainForm = {640, 480, 10, 20};
    settings.recentFiles = {"/left/over/entry.csv"};
    settings.initialValues.assign(kMaxNamedCoefficients, "1");
    settings.increments.assign(kMaxNamedCoefficients, "0");
    settings.alarmMax = "250";
    return settings;
}

void ExpectSame(const MainSettings& a, const MainSettings& b) {
    KURVEX_FUZZ_CHECK(a.mainForm.width == b.mainForm.width && a.mainForm.height == b.mainForm.height);
    KURVEX_FUZZ_CHECK(a.mainForm.left == b.mainForm.left && a.mainForm.top == b.mainForm.top);
    KURVEX_FUZZ_CHECK(a.inputForm.width == b.inputForm.width && a.inputForm.top == b.inputForm.top);
    KURVEX_FUZZ_CHECK(a.panel1Width == b.panel1Width);
    KURVEX_FUZZ_CHECK(a.sourceFile == b.sourceFile && a.currentDirectory == b.currentDirectory);
    KURVEX_FUZZ_CHECK(a.recentFiles == b.recentFiles);
    KURVEX_FUZZ_CHECK(a.modelNo == b.modelNo && a.generalModelNo == b.generalModelNo);
    KURVEX_FUZZ_CHECK(a.initialValues == b.initialValues && a.increments == b.increments);
    KURVEX_FUZZ_CHECK(a.alarmMax == b.alarmMax && a.maxIteration == b.maxIteration);
    KURVEX_FUZZ_CHECK(a.initialIncrement == b.initialIncrement && a.confidenceLimit == b.confidenceLimit);
    KURVEX_FUZZ_CHECK(a.differentialMethod == b.differentialMethod);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::QuietSink& sink = fuzz::Sink(false);
    MainSettings settings = Defaults();
    ReadMainSettings(IniFile::Parse(fuzz::AsText(data, size)), settings);
    KURVEX_FUZZ_CHECK(sink.count == 0);
    KURVEX_FUZZ_CHECK(settings.recentFiles.size() <= static_cast<std::size_t>(kRecentFileCapacity));
    for (const std::string& entry : settings.recentFiles) KURVEX_FUZZ_CHECK(!entry.empty());
    KURVEX_FUZZ_CHECK(settings.initialValues.size() == static_cast<std::size_t>(kMaxNamedCoefficients));
    KURVEX_FUZZ_CHECK(settings.increments.size() == static_cast<std::size_t>(kMaxNamedCoefficients));

    settings.coefficientCount = kMaxNamedCoefficients;
    IniFile written = IniFile::Parse(fuzz::AsText(data, size));
    WriteMainSettings(written, settings);
    MainSettings again = Defaults();
    ReadMainSettings(IniFile::Parse(written.ToText()), again);
    ExpectSame(settings, again);
    return 0;
}
