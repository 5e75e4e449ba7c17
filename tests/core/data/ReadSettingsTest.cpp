#include "core/data/ReadSettings.h"

#include <gtest/gtest.h>

#include "core/common/IniFile.h"
#include "tests/core/data/TestFiles.h"

namespace kurvex {
namespace {

using testing::TempFolder;

TEST(ReadSettings, ComboBoxesAreStoredByListPosition) {
    TempFolder folder;
    SelectionSettings s;
    s.step = "2";
    s.variableCount = "3";
    s.yColumn = "150";  // typed, not in the list
    s.fixedRows = "1";
    s.yTransform = "LN(Y)";
    s.conditionOn = true;
    s.condition = "A4 = \"ok\"";
    s.x[2] = {"7", "EXP(X)"};
    const auto path = folder.File("ReadParameter.ini");
    ASSERT_TRUE(WriteReadSettings(path, s));

    const IniFile ini = IniFile::Load(path);
    EXPECT_EQ(ini.ReadInteger("Conditions", "Step", 99), 1);
    EXPECT_EQ(ini.ReadInteger("Explanatory", "Number of variables", 99), 2);
    EXPECT_EQ(ini.ReadInteger("Objective", "Item No", 99), -1);
    EXPECT_EQ(ini.ReadInteger("Datum Table", "Fixed Rows", 99), 1);
    EXPECT_EQ(ini.ReadString("Explanatory", "Item No of X3", ""), "7");
    EXPECT_EQ(ini.Keys("Explanatory"),
              (std::vector<std::string>{"Number of variables", "Item No of X1", "Function of X1", "Item No of X2",
                                        "Function of X2", "Item No of X3", "Function of X3"}));
    EXPECT_EQ(ini.Sections(),
              (std::vector<std::string>{"Datum Table", "Objective", "Weight", "Conditions", "Explanatory"}));

    SelectionSettings back;
    ReadReadSettings(path, back);
    EXPECT_EQ(back.yColumn, "");  // -1 reads back as an empty box
    EXPECT_EQ(back.step, "2");
    EXPECT_EQ(back.variableCount, "3");
    EXPECT_EQ(back.yTransform, "LN(Y)");
    EXPECT_TRUE(back.conditionOn);
    EXPECT_EQ(back.condition, "A4 = \"ok\"");
    EXPECT_EQ(back.x[2].column, "7");
    EXPECT_EQ(back.x[2].transform, "EXP(X)");
    EXPECT_EQ(back.fixedRows, "1");
}

TEST(ReadSettings, MissingFileAndKeysGiveTheDefaults) {
    TempFolder folder;
    SelectionSettings s;
    s.yColumn = "4";
    s.yTransform = "LN(Y)";
    s.lastRow = "20";
    s.conditionOn = true;
    ReadReadSettings(folder.File("none.ini"), s);
    EXPECT_EQ(s.yColumn, "4");  // unchanged
    EXPECT_EQ(s.yTransform, "Y");
    EXPECT_EQ(s.lastRow, "-1");
    EXPECT_FALSE(s.conditionOn);
}

TEST(ReadSettings, OnlyTheStoredNumberOfVariablesIsRead) {
    TempFolder folder;
    std::string text = "[Explanatory]\nNumber of variables=1\n";
    for (int i = 1; i <= 5; ++i)
        text += "Item No of X" + std::to_string(i) + "=" + std::to_string(i + 10) + "\nFunction of X" +
                std::to_string(i) + "=LN(X)\n";
    SelectionSettings s;
    ReadReadSettings(folder.Write("a.ini", text), s);
    EXPECT_EQ(s.variableCount, "2");
    EXPECT_EQ(s.x[1].column, "12");
    EXPECT_EQ(s.x[2].column, "4");  // X3 not read
    EXPECT_EQ(s.x[2].transform, "X");

    SelectionSettings broken;
    broken.variableCount = "7";
    ReadReadSettings(folder.Write("b.ini", "[Explanatory]\nNumber of variables=-1\n"), broken);
    EXPECT_EQ(broken.variableCount, "1");
    ReadReadSettings(folder.Write("c.ini", "[Explanatory]\nNumber of variables=50\n"), broken);
    EXPECT_EQ(broken.variableCount, "1");  // position 50 is beyond "1".."50"
}

TEST(ReadSettings, UnknownEntriesSurviveAndWritesAreAtomic) {
    TempFolder folder;
    const auto path = folder.Write("t.ini", "[Mine]\nkeep=1\n[Objective]\nFunction=Y\n");
    SelectionSettings s;
    s.yTransform = "SQRT(Y)";
    ASSERT_TRUE(WriteReadSettings(path, s));
    const std::string text = folder.Read("t.ini");
    EXPECT_EQ(text.find("[Mine]\nkeep=1\n"), 0u);
    EXPECT_NE(text.find("Function=SQRT(Y)"), std::string::npos);
    EXPECT_EQ(ListPosition("05", kColumnList), -1);
    EXPECT_EQ(ListPosition("100", kStepList), 99);
    EXPECT_EQ(ListItem(99, kStepList), "100");
    EXPECT_EQ(ListItem(100, kStepList), "");
}

}  // namespace
}  // namespace kurvex
