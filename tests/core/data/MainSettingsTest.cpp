#include "core/data/MainSettings.h"

#include <gtest/gtest.h>

#include <limits>

#include "core/common/IniFile.h"
#include "core/regression/ModelSelection.h"

namespace kurvex {
namespace {

MainSettings Sample() {
    MainSettings s;
    s.mainForm = {800, 600, 10, 20};
    s.inputForm = {700, 500, 30, 40};
    s.panel1Width = 250;
    s.sourceFile = "/data/実験.csv";
    s.currentDirectory = "/data";
    s.recentFiles = {"/data/実験.csv", "/data/b.csv"};
    s.modelNo = 9;
    s.generalModelNo = 2;
    s.initialValues.assign(kMaxNamedCoefficients, "");
    s.increments.assign(kMaxNamedCoefficients, "");
    s.initialValues[0] = "1";
    s.initialValues[1] = "0.5";
    s.increments[0] = "0";
    s.increments[1] = "0";
    s.initialValues[40] = "kept out";  // beyond the model's two rows
    s.fixed = {"", "1"};
    s.searchRanges = {"", "0.01:10"};
    s.coefficientCount = 2;
    s.alarmMax = "250";
    s.maxIteration = "100";
    s.initialIncrement = "0.000001";
    s.confidenceLimit = "95";
    s.differentialMethod = 1;
    return s;
}

TEST(MainSettings, AFreshFileHoldsEveryKeyInItsPlace) {
    IniFile ini;
    WriteMainSettings(ini, Sample());
    EXPECT_EQ(ini.ToText(),
              "[Main Form]\nWidth=800\nHeight=600\nLeft=10\nTop=20\n"
              "[Input Form]\nWidth=700\nHeight=500\nLeft=30\nTop=40\nWidth of Panel 1=250\n"
              "[File]\nSource File=/data/実験.csv\nCurrent Directory=/data\nNumber of Listed Files=2\n"
              "File 0=/data/実験.csv\nFile 1=/data/b.csv\n"
              "[Model]\nModel No.=9\nGeneral Model No=2\n"
              "[Conditions]\nInitial Values of C0=1\nIncrement for C0=0\nInitial Values of C1=0.5\n"
              "Increment for C1=0\nAlarm Max=250\nMax Iteration=100\nInitial Increment=0.000001\n"
              "Confidence Limit=95\nMethod Number for Calcuating Differential=1\n"
              "Fixed C0=0\nSearch Range of C0=\nFixed C1=1\nSearch Range of C1=0.01:10\n");
}

TEST(MainSettings, ReadBackOverOtherDefaultsGivesTheWrittenSettings) {
    IniFile ini = IniFile::Parse("[Equation Form]\nWidth=321\n");
    const MainSettings written = Sample();
    WriteMainSettings(ini, written);
    EXPECT_EQ(ini.ReadInteger("Equation Form", "Width", 0), 321);  // other windows' sections stay

    MainSettings read;
    read.initialValues.assign(kMaxNamedCoefficients, "default");
    read.increments.assign(kMaxNamedCoefficients, "d");
    ReadMainSettings(IniFile::Parse(ini.ToText()), read);
    EXPECT_EQ(read.mainForm.height, 600);
    EXPECT_EQ(read.inputForm.top, 40);
    EXPECT_EQ(read.panel1Width, 250);
    EXPECT_EQ(read.sourceFile, written.sourceFile);
    EXPECT_EQ(read.recentFiles, written.recentFiles);
    EXPECT_EQ(read.modelNo, 9);
    EXPECT_EQ(read.generalModelNo, 2);
    EXPECT_EQ(read.initialValues[1], "0.5");
    EXPECT_EQ(read.initialValues[2], "default");   // not stored: the window's value stays
    EXPECT_EQ(read.initialValues[40], "default");  // rows beyond the model are not written
    EXPECT_EQ(read.confidenceLimit, "95");
    EXPECT_EQ(read.differentialMethod, 1);
    EXPECT_EQ(read.fixed[0], "");
    EXPECT_EQ(read.fixed[1], "1");
    EXPECT_EQ(read.searchRanges[1], "0.01:10");
    // A file of an older build has no such keys: nothing fixed, no ranges.
    MainSettings older;
    ReadMainSettings(IniFile::Parse("[Conditions]\nInitial Values of C0=3\n"), older);
    EXPECT_EQ(older.initialValues[0], "3");
    EXPECT_EQ(older.fixed[0], "");
    EXPECT_EQ(older.searchRanges[0], "");
}

TEST(MainSettings, DamagedFilesReadAsFarAsTheyMakeSense) {
    MainSettings s;
    s.modelNo = 3;
    s.recentFiles = {"left over"};
    s.alarmMax = "250";
    ReadMainSettings(IniFile::Parse("[File]\nNumber of Listed Files=25\nFile 0=a\nFile 1=b\nFile 2=c\n"
                                    "[Model]\nModel No.=x7\nGeneral Model No=99999999999999\n"
                                    "[Main Form]\nWidth=-9999999999999\n"),
                     s);
    EXPECT_EQ(s.recentFiles, (std::vector<std::string>{"a", "b", "c"}));  // a count of 25 with 3 entries
    EXPECT_EQ(s.modelNo, 3);                                              // not a number: kept
    EXPECT_EQ(s.generalModelNo, std::numeric_limits<int>::max());         // saturates
    EXPECT_EQ(s.mainForm.width, std::numeric_limits<int>::min());
    EXPECT_EQ(s.alarmMax, "250");

    ReadMainSettings(IniFile::Parse("[File]\nNumber of Listed Files=3\nFile 0=a\nFile 1=\nFile 2=c\n"), s);
    EXPECT_EQ(s.recentFiles, (std::vector<std::string>{"a"}));  // the list ends at an empty entry
    ReadMainSettings(IniFile::Parse("[File]\nFile 0=a\n"), s);
    EXPECT_TRUE(s.recentFiles.empty());  // no count: no list

    MainSettings many = Sample();
    many.recentFiles.assign(12, "x.csv");
    IniFile ini;
    WriteMainSettings(ini, many);
    EXPECT_EQ(ini.ReadInteger("File", "Number of Listed Files", 0), kRecentFileCapacity);
    EXPECT_FALSE(ini.HasKey("File", "File 10"));
}

TEST(MainSettings, ThreadLimitIsWrittenOnceSetAndFollowsTheSettingBack) {
    IniFile ini;
    MainSettings settings = Sample();
    settings.threads = 1;
    WriteMainSettings(ini, settings);
    MainSettings read;
    ReadMainSettings(IniFile::Parse(ini.ToText()), read);
    EXPECT_EQ(read.threads, 1);
    settings.threads = 0;  // back to every thread: the key stays, with the new value
    WriteMainSettings(ini, settings);
    EXPECT_EQ(ini.ReadString("Conditions", "Threads", "absent"), "0");
}

}  // namespace
}  // namespace kurvex
