#include "core/equations/EquationList.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>
#include <chrono>

#include "core/common/FileIo.h"
#include "core/common/MessageSink.h"
#include "tests/core/data/TestFiles.h"

namespace kurvex {
namespace {

using testing::TempFolder;

TEST(EquationList, NoFileGivesTheCubicAndTheFirstRegistrationWritesTwoLines) {
    TempFolder folder;
    EquationList list;
    ASSERT_TRUE(list.Load(folder.File(kEquationFileName)));
    ASSERT_EQ(list.Count(), 1u);
    EXPECT_EQ(list.Entry(0).formulaText, "y = C0+C1*X1+C2*X1^2+C3*X1^3");
    EXPECT_EQ(list.Entry(0).name, "３次式");
    EXPECT_EQ(list.Entry(0).derivativeTexts, (std::vector<std::string>{"1", "X1", "X1^2", "X1^3"}));
    EXPECT_FALSE(std::filesystem::exists(folder.File(kEquationFileName)));  // nothing written on loading

    ASSERT_TRUE(list.Add("C0*EXP(C1*X1)", "exp", {"EXP(C1*X1)"}));
    EXPECT_EQ(folder.Read(kEquationFileName),
              "y = C0+C1*X1+C2*X1^2+C3*X1^3,３次式,1,X1,X1^2,X1^3\n"
              "y = C0*EXP(C1*X1),exp,EXP(C1*X1),\n");  // two coefficients: the missing text is empty
}

TEST(EquationList, FileLinesAndTheirDerivativeTexts) {
    TempFolder folder;
    const auto path = folder.Write(kEquationFileName,
                                   "y = C0+C1*X1,linear,1,X1\r\n"
                                   "y = C0+C1*X1,\"quoted\"\n"
                                   "y = C0*X1,one,X1,extra,more\n"
                                   "\n"
                                   "   ,blank formula\n"
                                   "y = C0+C1*X1+C2*X1,gap,1,,X1\n");
    EquationList list;
    ASSERT_TRUE(list.Load(path));
    ASSERT_EQ(list.Count(), 4u);  // blank lines are passed over, later entries kept
    EXPECT_EQ(list.Entry(0).derivativeTexts, (std::vector<std::string>{"1", "X1"}));
    EXPECT_EQ(list.Entry(1).name, "quoted");
    EXPECT_EQ(list.Entry(1).derivativeTexts, (std::vector<std::string>{"", ""}));
    EXPECT_EQ(list.Entry(2).derivativeTexts, (std::vector<std::string>{"X1"}));  // only as many as coefficients
    EXPECT_EQ(list.Entry(3).name, "gap");
    EXPECT_EQ(list.Entry(3).derivativeTexts,
              (std::vector<std::string>{"1", "", "X1"}));  // an empty field hides no later one
}

TEST(EquationList, ManyCoefficientsKeepEveryDerivativeText) {
    TempFolder folder;
    std::string formula = "C0";
    std::vector<std::string> texts{"1"};
    for (int k = 1; k < 40; ++k) {
        formula += "+C" + std::to_string(k) + "*X1^" + std::to_string(k);
        texts.push_back("X1^" + std::to_string(k));
    }
    EquationList list;
    list.Load(folder.File(kEquationFileName));
    ASSERT_TRUE(list.Add(formula, "deg39", texts));
    EquationList reloaded;
    ASSERT_TRUE(reloaded.Load(folder.File(kEquationFileName)));
    EXPECT_EQ(reloaded.Entry(1).derivativeTexts, texts);
}

TEST(EquationList, ReplaceRenameAndErase) {
    TempFolder folder;
    EquationList list;
    list.Load(folder.File(kEquationFileName));
    ASSERT_TRUE(list.Add("C0*X1", "a", {"X1"}));
    ASSERT_TRUE(list.Add("C0+X1", "b", {"1"}));
    ASSERT_TRUE(list.Replace(1, "C0*X1+C1", {"X1"}));
    EXPECT_EQ(list.Entry(1).formulaText, "y = C0*X1+C1");
    EXPECT_EQ(list.Entry(1).name, "a");
    EXPECT_EQ(list.Entry(1).derivativeTexts, (std::vector<std::string>{"X1", ""}));
    ASSERT_TRUE(list.Rename(1, "renamed"));

    const std::string saved = folder.Read(kEquationFileName);
    list.Erase(1);  // erasing does not write
    EXPECT_EQ(list.Count(), 2u);
    EXPECT_EQ(list.Entry(1).name, "b");
    EXPECT_EQ(folder.Read(kEquationFileName), saved);
    EXPECT_NE(saved.find(",a,"), std::string::npos);  // the rename waits for the next save
    ASSERT_TRUE(list.Save());
    EXPECT_EQ(folder.Read(kEquationFileName), "y = C0+C1*X1+C2*X1^2+C3*X1^3,３次式,1,X1,X1^2,X1^3\ny = C0+X1,b,1\n");
}

TEST(EquationList, TheThousandAndFirstRegistrationIsRefused) {
    TempFolder folder;
    std::string text;
    for (int i = 1; i <= 1000; ++i) text += "y = C0*X1+" + std::to_string(i) + ",e" + std::to_string(i) + ",X1\n";
    const auto path = folder.Write(kEquationFileName, text);
    EquationList list;
    ASSERT_TRUE(list.Load(path));
    ASSERT_EQ(list.Count(), 1000u);
    RecordingMessageSink sink;
    ScopedMessageSink guard(sink);
    EXPECT_FALSE(list.Add("C0", "one too many", {"1"}));
    EXPECT_EQ(sink.Texts(), std::vector<std::string>{kEquationListFullMessage});
    EXPECT_EQ(list.Count(), 1000u);
    EXPECT_EQ(folder.Read(kEquationFileName), text);
}

TEST(EquationList, CommasAreRefusedBecauseTheyWouldSplitTheLine) {
    TempFolder folder;
    EquationList list;
    list.Load(folder.File(kEquationFileName));
    RecordingMessageSink sink;
    ScopedMessageSink guard(sink);
    EXPECT_FALSE(list.Add("C0*X1", "a,b", {"X1"}));
    EXPECT_FALSE(list.Rename(0, "3,次式"));
    EXPECT_EQ(list.Count(), 1u);
    EXPECT_EQ(list.Entry(0).name, "３次式");
    EXPECT_EQ(sink.messages.size(), 2u);
}

TEST(EquationList, Cp932FileAndFailedWrites) {
    TempFolder folder;
    // "y = C0*X1,指数,X1" in CP932
    const auto path = folder.Write(kEquationFileName, "y = C0*X1,\x8E\x77\x90\x94,X1\r\n");
    EquationList list;
    ASSERT_TRUE(list.Load(path));
    EXPECT_EQ(list.Entry(0).name, "指数");

    RecordingMessageSink sink;
    ScopedMessageSink guard(sink);
    SetAtomicWriteFailureAfterBytes(3);
    EXPECT_FALSE(list.Add("C0", "c", {"1"}));
    SetAtomicWriteFailureAfterBytes(-1);
    EXPECT_EQ(folder.Read(kEquationFileName), "y = C0*X1,\x8E\x77\x90\x94,X1\r\n");  // old file intact
    EXPECT_EQ(sink.messages.size(), 1u);
}

TEST(EquationList, AnUnreadableFileIsNeverReplaced) {
    TempFolder folder;
    RecordingMessageSink sink;
    ScopedMessageSink guard(sink);
    // A folder in the file's place cannot be read as a list.
    std::filesystem::create_directory(folder.File(kEquationFileName));
    EquationList list;
    EXPECT_FALSE(list.Load(folder.File(kEquationFileName)));
    EXPECT_EQ(list.Count(), 1u);
    EXPECT_FALSE(list.Add("C0", "c", {"1"}));
    EXPECT_EQ(sink.messages.size(), 2u);
    EXPECT_TRUE(std::filesystem::is_directory(folder.File(kEquationFileName)));

    // A pipe in the file's place would hang the start in open(); it is refused
    // at once, reported, and stays a pipe.
    TempFolder other;
    ASSERT_EQ(::mkfifo(other.File(kEquationFileName).c_str(), 0600), 0);
    EquationList piped;
    EXPECT_FALSE(piped.Load(other.File(kEquationFileName)));
    EXPECT_EQ(piped.Count(), 1u);
    EXPECT_FALSE(piped.Add("C0", "c", {"1"}));
    EXPECT_EQ(sink.messages.size(), 4u);
    struct stat info {};
    ASSERT_EQ(::stat(other.File(kEquationFileName).c_str(), &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode));
}

TEST(EquationList, AMegabyteLineLoadsInWellUnderASecond) {
    // y = C0+C1*X1+C2*X1+...: about 1 MB on one line; every coefficient gets
    // its derivative text, and every later line is still read.
    TempFolder folder;
    std::string line = "y = C0";
    int coefficients = 1;
    while (line.size() < (1u << 20)) line += "+C" + std::to_string(coefficients++) + "*X1";
    const auto path = folder.Write(kEquationFileName, line + ",long,1\ny = C0*X1,short,X1\n");
    EquationList list;
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(list.Load(path));
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_LT(seconds, 10.0);  // quadratic reading took minutes; room for the sanitizer build
    ASSERT_EQ(list.Count(), 2u);
    EXPECT_EQ(list.Entry(0).derivativeTexts.size(), static_cast<std::size_t>(coefficients));
    EXPECT_EQ(list.Entry(0).derivativeTexts[0], "1");
    EXPECT_EQ(list.Entry(1).derivativeTexts, (std::vector<std::string>{"X1"}));
}

}  // namespace
}  // namespace kurvex
