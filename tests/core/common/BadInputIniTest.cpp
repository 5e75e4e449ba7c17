// INI text that is unusual but legal must come back from a save exactly as
// it was read: no entry may move to another section.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "core/common/FileIo.h"
#include "core/common/IniFile.h"
#include "core/common/MessageSink.h"

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

TEST(BadInputFiles, DevicesPipesAndFoldersAreNoSettingsFiles) {
    // /dev/zero and /dev/full never end: reading them whole would eat all
    // memory; /dev/urandom never ends either, and a pipe without a writer
    // blocks open() for ever. Each is refused at once. A pipe in a settings
    // file's place is reported once however often it is read, and never
    // replaced; a device holds nothing to lose and is written in place.
    const auto folder = std::filesystem::temp_directory_path() / ("kurvex-pipe-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    const auto pipe = folder / "kurvex.ini";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    ::alarm(20);  // a blocking open would otherwise hang the test run
    RecordingMessageSink sink;
    ScopedMessageSink guard(sink);
    for (const std::filesystem::path& device : {std::filesystem::path("/dev/zero"), std::filesystem::path("/dev/full"),
                                                std::filesystem::path("/dev/urandom"), pipe}) {
        std::string error;
        EXPECT_FALSE(ReadWholeFile(device, &error)) << device;
        EXPECT_NE(error.find("通常のファイルではありません"), std::string::npos) << error;
        const std::size_t before = sink.messages.size();
        EXPECT_TRUE(IniFile::Load(device).Sections().empty()) << device;
        EXPECT_TRUE(IniFile::Load(device).Sections().empty()) << device;
        const bool isPipe = device == pipe;
        EXPECT_EQ(sink.messages.size(), before + (isPipe ? 1 : 0)) << device;
        EXPECT_EQ(IsKeptSettingsFile(device), isPipe) << device;
        if (isPipe) {
            EXPECT_FALSE(IniFile().Save(device, &error));
        }
    }
    ::alarm(0);
    struct stat info {};
    ASSERT_EQ(::stat(pipe.c_str(), &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode));
    std::filesystem::remove_all(folder);
    ForgetKeptSettingsFiles();

    std::string error;
    EXPECT_FALSE(ReadWholeFile(std::filesystem::temp_directory_path(), &error));
    EXPECT_NE(error.find("Is a directory"), std::string::npos) << error;
}
