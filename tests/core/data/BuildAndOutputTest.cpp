#include <gtest/gtest.h>

#include "core/common/FileIo.h"
#include "core/common/MessageSink.h"
#include "core/data/BuildDataSet.h"
#include "core/data/DataOutput.h"
#include "tests/core/data/TestFiles.h"

namespace kurvex {
namespace {

using testing::TempFolder;

struct Loaded {
    TempFolder folder;
    DataTable table;
    explicit Loaded(const std::string& text) { EXPECT_TRUE(table.LoadFile(folder.Write("d.csv", text))); }
};

SelectionValues Values(int yColumn, std::vector<int> xColumns, int weightColumn = 0) {
    SelectionValues v;
    v.n = static_cast<int>(xColumns.size());
    v.yColumn = yColumn;
    v.yTransform = "Y";
    v.xColumns = xColumns;
    v.xTransforms.assign(xColumns.size(), "X");
    v.weightColumn = weightColumn;
    return v;
}

TEST(BuildDataSet, PointsSumsAndSourceRows) {
    Loaded d("y,x1,x2,w\n1,10,100,1\nbad,11,101,1\n3,12,102,4\n5,13,103,0\n");
    auto p = PrepareSelection(Values(1, {2, 3}, 4), d.table);
    ASSERT_TRUE(p);
    TFitData data;
    const BuildResult r = BuildDataSet(*p, d.table, data);
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(data.n, 3);
    EXPECT_EQ(data.nx, 2);
    EXPECT_EQ(data.sourceRow, (std::vector<std::int32_t>{2, 4, 5}));
    EXPECT_EQ(data.y, (std::vector<double>{1, 3, 5}));
    EXPECT_EQ(data.sqrtw, (std::vector<double>{1, 2, 0}));
    EXPECT_EQ(data.x, (std::vector<double>{10, 100, 12, 102, 13, 103}));
    EXPECT_EQ(data.N, 5);
    EXPECT_DOUBLE_EQ(static_cast<double>(data.yMean), 13.0 / 5);            // (1 + 12) / 5
    EXPECT_NEAR(static_cast<double>(data.Syy), 37 - 13.0 * 13 / 5, 1e-12);  // Σwy² − ȳ²N
}

TEST(BuildDataSet, FailuresLeaveNoDataSet) {
    RecordingMessageSink sink;
    ScopedMessageSink guard(sink);
    Loaded d("y,x\n1,2\n3,4\n");
    SelectionValues v = Values(1, {2});
    v.conditionOn = true;
    v.condition = "Y>10";
    TFitData data;
    BuildResult r = BuildDataSet(*PrepareSelection(v, d.table), d.table, data);
    EXPECT_EQ(r.outcome, BuildOutcome::NoValidRows);
    EXPECT_EQ(sink.Texts(), std::vector<std::string>{"有効なデータの組がありません。"});
    EXPECT_EQ(data.n, 0);

    v.condition = "(Y>0)(Y>1)";  // no decision: the build stops at the first row
    r = BuildDataSet(*PrepareSelection(v, d.table), d.table, data);
    EXPECT_EQ(r.outcome, BuildOutcome::ConditionFault);
    EXPECT_EQ(data.n, 0);

    // A numeric fault in the condition names its row; an overflow is one.
    Loaded logs("y,x\n1,2\n3,4\n0,5\n4,6\n");
    for (const char* condition : {"LN(A1)>0", "EXP(1000*Y)=EXP(1001*Y)"}) {
        sink.messages.clear();
        v.condition = condition;
        r = BuildDataSet(*PrepareSelection(v, logs.table), logs.table, data);
        EXPECT_EQ(r.outcome, BuildOutcome::ConditionFault) << condition;
        EXPECT_EQ(data.n, 0);
    }
    EXPECT_EQ(sink.Texts(), std::vector<std::string>{std::string(kConditionFaultRowMessage) + "2"});
    v.condition = "LN(A1)>0";
    BuildDataSet(*PrepareSelection(v, logs.table), logs.table, data);
    EXPECT_EQ(sink.Texts().back(), std::string(kConditionFaultRowMessage) + "4");

    PreparedSelection none;
    none.candidateCount = 0;
    EXPECT_EQ(BuildDataSet(none, d.table, data).outcome, BuildOutcome::NoCandidates);
}

TEST(BuildDataSet, NegativeAndZeroWeightsAreReportedNotTurnedIntoNaN) {
    RecordingMessageSink sink;
    ScopedMessageSink guard(sink);
    Loaded d("y,x,w\n1,2,1\n3,4,-1\n");
    TFitData data;
    BuildResult r = BuildDataSet(*PrepareSelection(Values(1, {2}, 3), d.table), d.table, data);
    EXPECT_EQ(r.outcome, BuildOutcome::BadWeights);
    EXPECT_NE(sink.Texts().at(0).find("3"), std::string::npos);  // names the row
    EXPECT_EQ(data.n, 0);

    Loaded zero("y,x,w\n1,2,0\n3,4,0\n");
    r = BuildDataSet(*PrepareSelection(Values(1, {2}, 3), zero.table), zero.table, data);
    EXPECT_EQ(r.outcome, BuildOutcome::BadWeights);
    EXPECT_EQ(sink.Texts().back(), kZeroWeightSumMessage);
}

TEST(BuildDataSet, StreamingFileBeyondSixteenBitRows) {
    TempFolder folder;
    const auto path = folder.Write("big.csv", testing::NumberedLines(70000, 2));
    RecordingMessageSink sink;
    sink.answers.push_back(MessageAnswer::Yes);
    ScopedMessageSink guard(sink);
    DataTable table;
    ASSERT_TRUE(table.LoadFile(path));
    SelectionValues v = Values(2, {1});
    v.skip = 0;
    TFitData data;
    ASSERT_TRUE(BuildDataSet(*PrepareSelection(v, table), table, data).ok());
    ASSERT_EQ(data.n, 70000);
    EXPECT_EQ(data.sourceRow.back(), 70000);
    EXPECT_EQ(data.y.back(), 700002);
    EXPECT_EQ(data.x[65536], 655371);
}

TEST(UsedData, HeaderRulesWithFixedRows) {
    Loaded d("h1,h2,h3,h4\nu1,u2,u3,u4\n1,2,3,2\n4,5,6,\"1\"\nx,5,6,1\n");
    SelectionValues v = Values(1, {2, 3}, 4);
    v.skip = 2;
    auto p = PrepareSelection(v, d.table);
    ASSERT_TRUE(p);
    std::string text;
    ASSERT_TRUE(UsedDataText(*p, d.table, {true, true}, text));
    EXPECT_EQ(text,
              "Y,X1,X2,W,A1,A2,A3,A4\n"
              "1,2,3,2,1,2,3,2\n"
              "4,5,6,1,4,5,6,1\n");

    ASSERT_TRUE(d.table.SetFixedDataRows(2));
    ASSERT_TRUE(UsedDataText(*p, d.table, {true, true}, text));
    EXPECT_EQ(text.substr(0, text.find("1,2,3")), "Y,X1,X2,W,h1,h2,h3,h4\n,,,,u1,u2,u3,u4\n");

    ASSERT_TRUE(UsedDataText(*p, d.table, {false, true}, text));
    EXPECT_EQ(text, "h1,h2,h3,h4\nu1,u2,u3,u4\n1,2,3,2\n4,5,6,1\n");

    ASSERT_TRUE(UsedDataText(*p, d.table, {true, false}, text));
    EXPECT_EQ(text, "Y,X1,X2,W\n1,2,3,2\n4,5,6,1\n");
}

TEST(UsedData, SevenSignificantDigitsAndTheSavedMessage) {
    Loaded d("y,x\n12345678,0.000012345678\n");
    auto p = PrepareSelection(Values(1, {2}), d.table);
    RecordingMessageSink sink;
    ScopedMessageSink guard(sink);
    const auto path = UsedDataPath(d.folder.File("out.txt"));
    EXPECT_EQ(path.filename(), "out.csv");
    ASSERT_TRUE(SaveUsedData(path, *p, d.table, {true, false}));
    EXPECT_EQ(d.folder.Read("out.csv"), "Y,X1\n1.234568E7,1.234568E-5\n");
    ASSERT_EQ(sink.messages.size(), 1u);
    EXPECT_EQ(sink.messages[0].text, "保存しました。");
    EXPECT_EQ(sink.messages[0].kind, MessageKind::Confirmation);
    EXPECT_EQ(sink.messages[0].buttons, MessageButtons::Ok);

    EXPECT_FALSE(SaveUsedData(d.folder.File("none.csv"), *p, d.table, {false, false}));
    EXPECT_FALSE(std::filesystem::exists(d.folder.File("none.csv")));
}

TEST(CurveOutput, TitlesLineAndFiveDigits) {
    const std::vector<double> xs{0.5, 123456.7}, ys{1.0 / 3, -2};
    EXPECT_EQ(CurveText("温度", "LN(Y)", xs, ys), "温度,LN(Y)\n0.5,0.33333\n1.2346E5,-2\n");
    TempFolder folder;
    const auto path = CurvePath(folder.File("curve.csv"));
    EXPECT_EQ(path.filename(), "curve.CSV");
    ASSERT_TRUE(SaveCurve(path, "x", "y", xs, ys));
    EXPECT_EQ(folder.Read("curve.CSV"), "x,y\n0.5,0.33333\n1.2346E5,-2\n");

    RecordingMessageSink sink;
    ScopedMessageSink guard(sink);
    SetAtomicWriteFailureAfterBytes(2);
    EXPECT_FALSE(SaveCurve(path, "a", "b", xs, ys));
    SetAtomicWriteFailureAfterBytes(-1);
    EXPECT_EQ(folder.Read("curve.CSV"), "x,y\n0.5,0.33333\n1.2346E5,-2\n");
}

}  // namespace
}  // namespace kurvex
