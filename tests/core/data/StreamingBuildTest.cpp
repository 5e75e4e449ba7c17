// The data-set build reads only the columns a row evaluation needs; the
// result must not depend on that, nor on streaming against table mode.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "core/common/MessageSink.h"
#include "core/data/BuildDataSet.h"
#include "core/data/DataOutput.h"
#include "tests/core/data/TestFiles.h"

namespace kurvex {
namespace {

using testing::TempFolder;

// 1,500 lines (streaming is offered past 1,000): Y, X, an unused number, a
// weight, a tag text; some cells quoted, some rows with a bad weight.
std::string WideFile() {
    std::string text = "y,x,unused,w,tag\n";
    for (int r = 1; r < 1500; ++r) {
        const std::string y = std::to_string(r % 97) + "." + std::to_string(r % 10);
        const std::string x = std::to_string(r);
        const std::string w = r % 50 == 0 ? "heavy" : std::to_string(1 + r % 3);
        const std::string tag = r % 4 == 0 ? "\"SKIP\"" : "KEEP";
        if (r % 7 == 0) text += "\"" + y + "\"," + x + ",\"9\"," + w + "," + tag + "\n";  // the quotes are dropped
        else text += y + "," + x + ",9," + w + "," + tag + "\n";
    }
    return text;
}

SelectionValues YxWeighted() {
    SelectionValues v;
    v.n = 1;
    v.yColumn = 1;
    v.yTransform = "Y";
    v.xColumns = {2};
    v.xTransforms = {"X"};
    v.weightColumn = 4;
    return v;
}

TFitData Build(const std::filesystem::path& file, MessageAnswer largeFileAnswer, const SelectionValues& values) {
    RecordingMessageSink sink;
    sink.defaultAnswer = largeFileAnswer;
    ScopedMessageSink guard(sink);
    DataTable table;
    EXPECT_TRUE(table.LoadFile(file));
    EXPECT_EQ(table.Mode(), largeFileAnswer == MessageAnswer::Yes ? ReadMode::Streaming : ReadMode::Table);
    const auto selection = PrepareSelection(values, table);
    EXPECT_TRUE(selection);
    TFitData data;
    if (selection) {
        EXPECT_TRUE(BuildDataSet(*selection, table, data).ok());
    }
    return data;
}

void ExpectSameDataSet(const TFitData& a, const TFitData& b) {
    EXPECT_EQ(a.n, b.n);
    EXPECT_EQ(a.sourceRow, b.sourceRow);
    EXPECT_EQ(a.y, b.y);
    EXPECT_EQ(a.x, b.x);
    EXPECT_EQ(a.sqrtw, b.sqrtw);
    EXPECT_EQ(a.N, b.N);
}

TEST(StreamingBuild, WeightBeyondTheUsedColumnsAndQuotedCellsAsInTableMode) {
    TempFolder folder;
    const auto file = folder.Write("wide.csv", WideFile());
    const TFitData streamed = Build(file, MessageAnswer::Yes, YxWeighted());
    const TFitData table = Build(file, MessageAnswer::No, YxWeighted());
    ExpectSameDataSet(streamed, table);
    // Rows with "heavy" weights are dropped; the quoted rows count.
    EXPECT_EQ(streamed.n, 1499 - 1499 / 50);
    EXPECT_EQ(streamed.y[6], 7.7);  // row 7 was quoted
    EXPECT_EQ(streamed.sqrtw[1], std::sqrt(3.0));
}

// Without a weight column the sums are taken after the scan; they must be the
// running sums of w = 1 in row order. The row number (A0) is read as a number.
TEST(StreamingBuild, UnweightedSumsAndTheRowNumberColumnAsInTableMode) {
    TempFolder folder;
    const auto file = folder.Write("wide.csv", WideFile());
    SelectionValues values = YxWeighted();
    values.weightColumn = 0;
    values.yTransform = "Y*2+A0";
    values.step = 3;
    const TFitData streamed = Build(file, MessageAnswer::Yes, values);
    const TFitData table = Build(file, MessageAnswer::No, values);
    ExpectSameDataSet(streamed, table);
    EXPECT_EQ(streamed.yMean, table.yMean);
    EXPECT_EQ(streamed.Syy, table.Syy);
    ASSERT_EQ(streamed.n, 499);  // rows 2, 5, ..., 1496
    EXPECT_EQ(streamed.sourceRow[1], 5);
    EXPECT_DOUBLE_EQ(streamed.y[1], 4.4 * 2 + 5);  // line 5 holds y = 4.4
    long double sumW = 0, sumWy = 0, sumWy2 = 0;
    for (const double y : streamed.y) {
        const long double w = 1;
        sumW += w;
        sumWy += w * y;
        sumWy2 += static_cast<long double>(y) * y * w;
    }
    EXPECT_EQ(streamed.N, sumW);
    EXPECT_EQ(streamed.yMean, sumWy / sumW);
    EXPECT_EQ(streamed.Syy, sumWy2 - streamed.yMean * streamed.yMean * sumW);
    for (const double sqrtw : streamed.sqrtw) ASSERT_EQ(sqrtw, 1.0);
}

TEST(StreamingBuild, ConditionSeesColumnsAfterTheUsedOnes) {
    TempFolder folder;
    const auto file = folder.Write("wide.csv", WideFile());
    SelectionValues values = YxWeighted();
    values.weightColumn = 0;
    values.conditionOn = true;
    values.condition = "A5 = \"KEEP\"";
    const TFitData streamed = Build(file, MessageAnswer::Yes, values);
    ExpectSameDataSet(streamed, Build(file, MessageAnswer::No, values));
    EXPECT_EQ(streamed.n, 1499 - 1499 / 4);
    for (std::int32_t row : streamed.sourceRow) EXPECT_NE((row - 1) % 4, 0) << row;
}

TEST(StreamingBuild, UsedDataFileStillWritesEveryColumn) {
    RecordingMessageSink sink;
    sink.defaultAnswer = MessageAnswer::Yes;
    ScopedMessageSink guard(sink);
    TempFolder folder;
    DataTable table;
    ASSERT_TRUE(table.LoadFile(folder.Write("wide.csv", WideFile())));
    SelectionValues values = YxWeighted();
    values.weightColumn = 0;
    const auto selection = PrepareSelection(values, table);
    ASSERT_TRUE(selection);
    EXPECT_EQ(selection->LastReadColumn(), 2);
    values.conditionOn = true;
    values.condition = "Y > 0";
    EXPECT_EQ(PrepareSelection(values, table)->LastReadColumn(), 5);
    values.conditionOn = false;
    values.weightColumn = 4;
    EXPECT_EQ(PrepareSelection(values, table)->LastReadColumn(), 4);

    DataRow row;  // as the used-data file reads it
    ASSERT_TRUE(table.BeginRowScan());
    ReadDataRow(*selection, table, 1, row);
    table.EndRowScan();
    ASSERT_EQ(row.texts.Size(), 6u);
    EXPECT_EQ(row.texts[5], "KEEP");
}

}  // namespace
}  // namespace kurvex
