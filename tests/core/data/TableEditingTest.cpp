// The data table as a spreadsheet: blocks on the clipboard, moved columns and
// the selection settings that follow them.
#include <gtest/gtest.h>

#include "core/data/DataTable.h"
#include "core/data/DataTableBlock.h"
#include "core/data/SelectionColumnMove.h"

namespace kurvex {
namespace {

DataTable Table(const CellBlock& rows) {
    DataTable table;
    std::size_t columns = 0;
    for (const auto& row : rows) columns = std::max(columns, row.size());
    table.Reset(static_cast<int>(columns) + 1, static_cast<int>(rows.size()) + 1);
    for (std::size_t r = 0; r < rows.size(); ++r)
        for (std::size_t c = 0; c < rows[r].size(); ++c)
            table.SetCell(static_cast<int>(c) + 1, static_cast<int>(r) + 1, rows[r][c]);
    return table;
}

TEST(TableBlock, CopiedAsTabsOrCommasAndPastedBack) {
    const DataTable table = Table({{"1", "a,b", "x"}, {"2", "say \"hi\"", ""}, {"3", "\"q", "z"}});
    EXPECT_EQ(BlockText(table, 1, 1, 2, 2, '\t'), "1\ta,b\n2\tsay \"hi\"\n");
    EXPECT_EQ(BlockText(table, 2, 1, 3, 3, ','), "\"a,b\",x\n\"say \"\"hi\"\"\",\n\"\"\"q\",z\n");
    // Both forms read back to the same cells.
    for (const char separator : {'\t', ','}) {
        const CellBlock back = ParseCellBlock(BlockText(table, 1, 1, 3, 3, separator));
        EXPECT_EQ(back, (CellBlock{{"1", "a,b", "x"}, {"2", "say \"hi\"", ""}, {"3", "\"q", "z"}})) << separator;
    }
    // As spreadsheets put them on the clipboard: CR LF, a quoted line break,
    // no final line break; an empty line inside is a row.
    EXPECT_EQ(ParseCellBlock("1\t2\r\n\r\n\"two\nlines\"\t4"), (CellBlock{{"1", "2"}, {""}, {"two\nlines", "4"}}));
    EXPECT_EQ(ParseCellBlock("1.5,2\r3,4\r"), (CellBlock{{"1.5", "2"}, {"3", "4"}}));
    EXPECT_EQ(ParseCellBlock("7"), (CellBlock{{"7"}}));
    EXPECT_EQ(ParseCellBlock("\n"), (CellBlock{{""}}));
    EXPECT_TRUE(ParseCellBlock("").empty());
}

TEST(TableBlock, MovedColumnTakesItsCellsLabelsStay) {
    DataTable table = Table({{"a1", "b1", "c1", "d1"}, {"a2"}, {"a3", "b3", "c3"}});
    table.MoveColumn(1, 3);
    EXPECT_EQ(BlockText(table, 1, 1, 4, 3, ','), "b1,c1,a1,d1\n,,a2,\nb3,c3,a3,\n");
    table.MoveColumn(3, 1);
    EXPECT_EQ(BlockText(table, 1, 1, 4, 3, ','), "a1,b1,c1,d1\na2,,,\na3,b3,c3,\n");
    EXPECT_EQ(table.Cell(1, 0), "A1");
    table.MoveColumn(4, 9);  // beyond the table: nothing
    EXPECT_EQ(table.DataCell(4, 1), "d1");
}

TEST(TableBlock, SettingsFollowAMovedColumn) {
    // Column 4 dragged to the front: 1, 2, 3 become 2, 3, 4.
    EXPECT_EQ(MovedColumnPosition(4, 4, 1), 1);
    EXPECT_EQ(MovedColumnPosition(1, 4, 1), 2);
    EXPECT_EQ(MovedColumnPosition(5, 4, 1), 5);
    EXPECT_EQ(MovedColumnPosition(2, 1, 3), 1);
    EXPECT_EQ(FollowMovedColumnNames("LN(a4)+A1*A10-A0", 4, 1, false), "LN(a1)+A2*A10-A0");
    EXPECT_EQ(FollowMovedColumnNames("(A3>0)and(A4=\"A3\")", 4, 1, true), "(A4>0)and(A1=\"A3\")");

    SelectionSettings s;
    s.yColumn = "4";
    s.yTransform = "Y/A2";
    s.weightColumn = "0";
    s.x[0] = {"1", "X*A4"};
    s.x[1] = {"abc", "EXP(X)"};
    s.conditionOn = true;
    s.condition = "A0 > 1";
    FollowMovedColumn(s, 4, 1);
    EXPECT_EQ(s.yColumn, "1");
    EXPECT_EQ(s.yTransform, "Y/A3");
    EXPECT_EQ(s.weightColumn, "0");
    EXPECT_EQ(s.x[0].column, "2");
    EXPECT_EQ(s.x[0].transform, "X*A1");
    EXPECT_EQ(s.x[1].column, "abc");  // no number: as typed
    EXPECT_EQ(s.x[2].column, "1");    // rows beyond n follow too (X3 was column 4)
    EXPECT_EQ(s.condition, "A0 > 1");
}

}  // namespace
}  // namespace kurvex
