// Initialisation-file text: parsing, every read, a write and an erase, and a
// text round trip that must keep every entry.
#include <cstdint>
#include <string>

#include "core/common/IniFile.h"
#include "tests/fuzz/FuzzSupport.h"

using namespace kurvex;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Sink(false);
    const std::string_view text = fuzz::AsText(data, size);
    IniFile ini = IniFile::Parse(text);
    const std::string written = ini.ToText();
    const IniFile reparsed = IniFile::Parse(written);
    KURVEX_FUZZ_CHECK(reparsed.ToText() == written);
    KURVEX_FUZZ_CHECK(reparsed.Sections() == ini.Sections());

    for (const std::string& section : ini.Sections()) {
        KURVEX_FUZZ_CHECK(ini.HasSection(section));
        const std::vector<std::string> keys = ini.Keys(section);
        KURVEX_FUZZ_CHECK(reparsed.Keys(section) == keys);
        for (const std::string& key : keys) {
            KURVEX_FUZZ_CHECK(ini.HasKey(section, key));
            // A stored key never gives the default (any sentinel could be a stored value).
            const std::string value = ini.ReadString(section, key, "a");
            KURVEX_FUZZ_CHECK(ini.ReadString(section, key, "b") == value);
            KURVEX_FUZZ_CHECK(reparsed.ReadString(section, key, "") == value);
            ini.ReadInteger(section, key, -7);
            ini.ReadBool(section, key, true);
        }
    }

    // A written entry reads back as written (blanks at its ends aside) and erases cleanly.
    ini.WriteString("Fuzz Section", "Fuzz Key", "value with = and ; inside");
    KURVEX_FUZZ_CHECK(ini.ReadString("fuzz section", "FUZZ KEY", "") == "value with = and ; inside");
    ini.WriteInteger("Fuzz Section", "Count", -123456789012LL);
    KURVEX_FUZZ_CHECK(ini.ReadInteger("Fuzz Section", "Count", 0) == -123456789012LL);
    ini.EraseKey("Fuzz Section", "Fuzz Key");
    KURVEX_FUZZ_CHECK(!ini.HasKey("Fuzz Section", "Fuzz Key"));
    ini.EraseSection("Fuzz Section");
    KURVEX_FUZZ_CHECK(!ini.HasSection("Fuzz Section"));
    return 0;
}
