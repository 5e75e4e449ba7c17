#include "core/common/FileIo.h"
#include "core/common/IniFile.h"
#include "core/common/MessageSink.h"
#include "core/common/TextDecode.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;
using namespace kurvex;

namespace {

fs::path TempDir() {
    auto dir = fs::temp_directory_path() / ("kurvex-common-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    return dir;
}

}  // namespace

TEST(IniFile, KeepsUnknownEntriesAndOrder) {
    const std::string text = "; comment\n[Form]\nTop=10\nLeft Pos=20\n\n[Other]\nZ=1\nA=2\n";
    IniFile ini = IniFile::Parse(text);
    EXPECT_EQ(ini.ReadInteger("form", "top", 0), 10);
    EXPECT_EQ(ini.ReadString("Form", "Left Pos", ""), "20");
    EXPECT_EQ(ini.ReadString("Form", "Missing", "dflt"), "dflt");
    EXPECT_EQ(ini.ReadInteger("Nope", "Top", 7), 7);
    EXPECT_EQ(ini.ToText(), text);

    ini.WriteInteger("Form", "Top", 11);
    ini.WriteString("Form", "New Key", "x y");
    ini.WriteString("Fresh", "K", "v");
    EXPECT_EQ(ini.ToText(), "; comment\n[Form]\nTop=11\nLeft Pos=20\nNew Key=x y\n\n[Other]\nZ=1\nA=2\n[Fresh]\nK=v\n");
    EXPECT_EQ(ini.Keys("Other"), (std::vector<std::string>{"Z", "A"}));
}

TEST(IniFile, NonIntegerValueGivesDefaultAndLineBreaksCannotInjectKeys) {
    IniFile ini = IniFile::Parse("[S]\nN=abc\n");
    EXPECT_EQ(ini.ReadInteger("S", "N", -3), -3);
    ini.WriteString("S", "T", "a\nB=1");
    EXPECT_FALSE(IniFile::Parse(ini.ToText()).HasKey("S", "B"));

    // Blanks at a value's ends are not kept by a read, so they are not written:
    // the file reads back exactly as it was written.
    ini.WriteString("S", "Typed", " 日本語\t");
    EXPECT_EQ(ini.ReadString("S", "Typed", ""), "日本語");
    EXPECT_EQ(IniFile::Parse(ini.ToText()).ToText(), ini.ToText());
}

TEST(FileIo, AtomicWriteKeepsOldFileOnFailure) {
    const auto path = TempDir() / "settings.ini";
    ASSERT_TRUE(WriteFileAtomically(path, "old content\n"));
    SetAtomicWriteFailureAfterBytes(3);
    std::string error;
    EXPECT_FALSE(WriteFileAtomically(path, "new content that is longer\n", &error));
    SetAtomicWriteFailureAfterBytes(-1);
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(ReadWholeFile(path), "old content\n");
    for (const auto& entry : fs::directory_iterator(path.parent_path()))
        EXPECT_EQ(entry.path().filename().string().find(kTemporaryFileMarker), std::string::npos);

    EXPECT_FALSE(WriteFileAtomically("/nonexistent-dir/x.ini", "x", &error));
    EXPECT_FALSE(ReadWholeFile("/nonexistent-dir/x.ini", &error));
}

TEST(TextDecode, Utf8KeptShiftJisConvertedBomDropped) {
    EXPECT_EQ(DecodeToUtf8("\xEF\xBB\xBF"
                           "A,B"),
              "A,B");
    EXPECT_EQ(DecodeToUtf8("温度,①"), "温度,①");
    // "温度,①" in CP932
    EXPECT_EQ(DecodeToUtf8("\x89\xB7\x93\x78,\x87\x40"), "温度,①");
    EXPECT_FALSE(IsValidUtf8("\xC0\x80"));  // overlong
    EXPECT_FALSE(IsValidUtf8("\xE6\xB8"));  // truncated
    // Invalid in both encodings: replaced, never aborted.
    EXPECT_FALSE(DecodeToUtf8("a\x80\xFF"
                              "b")
                     .empty());
}

TEST(MessageSink, RecordsAndAnswersFromScript) {
    RecordingMessageSink sink;
    ScopedMessageSink guard(sink);
    sink.answers.push_back(MessageAnswer::Yes);
    EXPECT_TRUE(AskYesNo("続けますか"));
    EXPECT_FALSE(AskYesNo("もう一度"));
    ShowError("計算エラー");
    ASSERT_EQ(sink.messages.size(), 3u);
    EXPECT_EQ(sink.messages[2].kind, MessageKind::Error);
    EXPECT_EQ(sink.Texts()[2], "計算エラー");
}
