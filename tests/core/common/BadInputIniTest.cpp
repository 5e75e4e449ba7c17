// INI text that is unusual but legal must come back from a save exactly as
// it was read: no entry may move to another section.
#include <gtest/gtest.h>

#include "common/FileIo.h"
#include "common/IniFile.h"

using namespace kurvex;

TEST(BadInputIni, AnEmptySectionNameKeepsItsKeysApart) {
    const std::string text = "[Conditions]\nSkip=1\n[]\nStep=5\n[ ]\nLast=7\n";
    const IniFile ini = IniFile::Parse(text);
    EXPECT_EQ(ini.Keys("Conditions"), std::vector<std::string>{"Skip"});
    const IniFile again = IniFile::Parse(ini.ToText());
    EXPECT_EQ(again.Keys("Conditions"), std::vector<std::string>{"Skip"});
    EXPECT_EQ(again.ReadInteger("Conditions", "Step", -1), -1);
    EXPECT_EQ(again.ToText(), ini.ToText());
    EXPECT_EQ(again.Sections(), ini.Sections());
}

TEST(BadInputIni, DuplicatedSectionsAndKeysReadTheFirstAndSurviveASave) {
    const std::string text = "[A]\nk=1\nk=2\n[a]\nk=3\n";
    IniFile ini = IniFile::Parse(text);
    EXPECT_EQ(ini.ReadInteger("A", "K", 0), 1);
    ini.WriteInteger("a", "k", 9);
    EXPECT_EQ(ini.ToText(), "[A]\nk=9\nk=2\n[a]\nk=3\n");
    // A document built from nothing writes its first section's header.
    IniFile fresh;
    fresh.WriteString("File", "Source File", "x.csv");
    EXPECT_EQ(fresh.ToText(), "[File]\nSource File=x.csv\n");
}

TEST(BadInputFiles, DevicesAndFoldersAreNoSettingsFiles) {
    // /dev/zero and /dev/full never end: reading them whole would eat all memory.
    for (const char* device : {"/dev/zero", "/dev/full"}) {
        std::string error;
        EXPECT_FALSE(ReadWholeFile(device, &error)) << device;
        EXPECT_NE(error.find("Invalid argument"), std::string::npos) << error;
        EXPECT_TRUE(IniFile::Load(device).Sections().empty()) << device;
    }
    std::string error;
    EXPECT_FALSE(ReadWholeFile(std::filesystem::temp_directory_path(), &error));
    EXPECT_NE(error.find("Is a directory"), std::string::npos) << error;
}
