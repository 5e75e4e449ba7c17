#include "core/data/Selection.h"

#include <gtest/gtest.h>

#include "core/common/MessageSink.h"
#include "tests/core/data/TestFiles.h"

namespace kurvex {
namespace {

using testing::TempFolder;

DataTable TableOf(const std::string& text) {
    TempFolder folder;
    DataTable table;
    EXPECT_TRUE(table.LoadFile(folder.Write("t.csv", text)));
    return table;
}

// Header line then rows "k,2k,k*k,tag" for k = 1..rows.
std::string FourColumnText(int rows) {
    std::string text = "'num',double,square,tag\n";
    for (int k = 1; k <= rows; ++k)
        text += std::to_string(k) + "," + std::to_string(2 * k) + "," + std::to_string(k * k) + ",t" +
                std::to_string(k % 2) + "\n";
    return text;
}

SelectionValues Values(int yColumn, const std::string& yTransform, std::vector<int> xColumns,
                       std::vector<std::string> xTransforms) {
    SelectionValues v;
    v.n = static_cast<int>(xColumns.size());
    v.yColumn = yColumn;
    v.yTransform = yTransform;
    v.xColumns = std::move(xColumns);
    v.xTransforms = std::move(xTransforms);
    return v;
}

std::vector<long long> CandidateRows(const PreparedSelection& p) {
    std::vector<long long> rows;
    for (long long k = 1; k <= p.candidateCount; ++k) rows.push_back(p.CandidateRow(k));
    return rows;
}

// Valid rows of a scan as "row:y:x1".
std::vector<std::string> ValidRows(const PreparedSelection& p, DataTable& table) {
    std::vector<std::string> out;
    DataRow row;
    EXPECT_TRUE(table.BeginRowScan());
    for (long long k = 1; k <= p.candidateCount; ++k) {
        ReadDataRow(p, table, k, row);
        if (row.valid)
            out.push_back(std::to_string(row.row) + ":" + std::to_string(int(row.y)) + ":" +
                          std::to_string(int(row.x[0])));
    }
    table.EndRowScan();
    return out;
}

TEST(Selection, CandidateRowsForSkipStepAndLastRow) {
    RecordingMessageSink sink;
    ScopedMessageSink guard(sink);
    DataTable table = TableOf(FourColumnText(10));  // 11 rows
    SelectionValues v = Values(2, "Y", {1}, {"X"});

    auto p = PrepareSelection(v, table);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->candidateCount, 10);
    EXPECT_EQ(CandidateRows(*p).front(), 2);
    EXPECT_EQ(CandidateRows(*p).back(), 11);

    v.step = 2;
    EXPECT_EQ(CandidateRows(*PrepareSelection(v, table)), (std::vector<long long>{2, 4, 6, 8, 10}));
    v.step = 3;
    EXPECT_EQ(CandidateRows(*PrepareSelection(v, table)), (std::vector<long long>{2, 5, 8}));
    v.step = 1;
    v.lastRow = 6;
    EXPECT_EQ(CandidateRows(*PrepareSelection(v, table)), (std::vector<long long>{2, 3, 4, 5, 6, 7}));
    v.lastRow = 99;  // beyond the table: to the end
    EXPECT_EQ(PrepareSelection(v, table)->candidateCount, 10);
    EXPECT_TRUE(sink.messages.empty());

    v.lastRow = -1;
    v.skip = 12;
    EXPECT_FALSE(PrepareSelection(v, table));
    EXPECT_EQ(sink.Texts(), std::vector<std::string>{"該当するデータ行がありません。"});
}

TEST(Selection, VariableNamesFromTheHeaderRow) {
    DataTable table = TableOf(FourColumnText(3));
    SelectionValues v = Values(1, "Y", {2, 3}, {"X", "X"});
    auto p = PrepareSelection(v, table);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->yName, "num");  // enclosing single quotes dropped
    EXPECT_EQ(p->xNames, (std::vector<std::string>{"double", "square"}));

    v.yTransform = "LN(Y)";
    v.xTransforms = {"x", "X"};
    p = PrepareSelection(v, table);
    EXPECT_EQ(p->yName, "LN(Y)");
    EXPECT_EQ(p->xNames[0], "x");  // only the exact text "X" takes the header

    v.skip = 0;
    p = PrepareSelection(v, table);
    EXPECT_EQ(p->yName, "y");
    EXPECT_EQ(p->xNames, (std::vector<std::string>{"x1", "x2"}));

    DataTable blankHeader = TableOf(",\n1,2,3\n2,3,4\n");
    v = Values(1, "Y", {2}, {"X"});
    p = PrepareSelection(v, blankHeader);
    EXPECT_EQ(p->yName, "y");
    EXPECT_EQ(p->xNames[0], "X");
}

TEST(Selection, TransformsAreRewrittenToColumnNames) {
    EXPECT_EQ(RewriteYTransform("LN(Y)", 3, 5), "LN(X3)");
    EXPECT_EQ(RewriteYTransform("y*a1+A10", 2, 10), "X2*X1+X10");
    EXPECT_EQ(RewriteXTransform("EXP(X)/A5", 2, 5), "EXP(X2)/X5");
    EXPECT_EQ(RewriteXTransform("exp(x)", 12, 12), "EXP(X12)");

    DataTable table = TableOf("a,b,c,d,e\n1,2,3,4,5\n");
    auto p = PrepareSelection(Values(3, "LN(Y)", {2}, {"EXP(X)/A5"}), table);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->yExpression, "LN(X3)");
    EXPECT_EQ(p->xExpressions[0], "EXP(X2)/X5");
    EXPECT_EQ(p->numericColumns, (std::vector<char>{0, 0, 1, 1, 0, 1}));
}

TEST(Selection, BadTransformsAreRefused) {
    RecordingMessageSink sink;
    ScopedMessageSink guard(sink);
    DataTable table = TableOf(FourColumnText(3));
    EXPECT_FALSE(PrepareSelection(Values(1, "", {2}, {"X"}), table));
    EXPECT_FALSE(PrepareSelection(Values(1, "Y", {2}, {"X+Q"}), table));
    EXPECT_FALSE(PrepareSelection(Values(1, "LN(Y", {2}, {"X"}), table));
    // Transforms have no coefficients: C0 or C1 would read as 0 on every row.
    EXPECT_FALSE(PrepareSelection(Values(1, "Y*C1", {2}, {"X"}), table));
    EXPECT_FALSE(PrepareSelection(Values(1, "Y", {2}, {"X-C0"}), table));
    EXPECT_EQ(sink.Texts(), (std::vector<std::string>{"目的変数の変換式が不正です", "説明変数の変換式が不正です",
                                                      "括弧の数が合いません。", "目的変数の変換式が不正です",
                                                      "目的変数の変換式が不正です", "説明変数の変換式が不正です"}));
    EXPECT_TRUE(PrepareSelection(Values(1, "COS(Y)+COSH(A3)", {2}, {"ABS(X)*PI"}), table));
}

TEST(Selection, ConditionsAreRewrittenOutsideQuotedLiterals) {
    EXPECT_EQ(RewriteConditionOperators("C0>0"), "C0GT0");
    EXPECT_EQ(RewriteConditionOperators("X1<=2"), "X1LE2");
    EXPECT_EQ(RewriteConditionOperators("X1<>X2"), "X1NEX2");
    EXPECT_EQ(RewriteConditionOperators("X4=\"<A1>\""), "X4EQ\"<A1>\"");
    EXPECT_EQ(RewriteConditionNames("(y>0)and(x1<a4)", 1, 4), "(C0>0)and(C1<X4)");
    EXPECT_EQ(RewriteConditionNames("A4 = \"Y A4\"", 1, 4), "X4 = \"Y A4\"");
    // An opening quote without a closing one is ordinary text.
    EXPECT_EQ(RewriteConditionNames("A4=\"Y", 1, 4), "X4=\"C0");

    DataTable table = TableOf(FourColumnText(4));
    SelectionValues v = Values(1, "Y", {2}, {"X"});
    v.conditionOn = true;
    v.condition = "Y>0";
    EXPECT_EQ(PrepareSelection(v, table)->conditionExpression, "C0GT0");
    v.condition = "A4 = \"ok\"";
    auto p = PrepareSelection(v, table);
    EXPECT_EQ(p->conditionExpression, "X4EQ\"OK\"");
    EXPECT_EQ(p->numericColumns[4], 0);  // compared as text, never converted
    v.condition = "(A3 > 4) and (\"T1\" = A4)";
    p = PrepareSelection(v, table);
    EXPECT_EQ(p->conditionExpression, "(X3GT4)AND(\"T1\"EQX4)");
    EXPECT_EQ(p->numericColumns, (std::vector<char>{0, 1, 1, 1, 0}));
}

TEST(Selection, RowsAreFilteredByTheCondition) {
    DataTable table = TableOf(FourColumnText(6));
    SelectionValues v = Values(3, "Y", {1}, {"X"});
    v.conditionOn = true;
    v.condition = "Y>9";
    auto p = PrepareSelection(v, table);
    ASSERT_TRUE(p);
    EXPECT_EQ(ValidRows(*p, table), (std::vector<std::string>{"5:16:4", "6:25:5", "7:36:6"}));

    v.condition = "(A4=\"t1\")or(A0=\"2\")";  // literals are upper-cased: "t1" never matches
    p = PrepareSelection(v, table);
    EXPECT_EQ(ValidRows(*p, table), (std::vector<std::string>{"2:1:1"}));

    DataTable upper = TableOf("h\n1,T1\n2,T0\n3,T1\n");
    v = Values(1, "Y", {1}, {"X"});
    v.conditionOn = true;
    v.condition = "A2 <> \"T1\"";
    p = PrepareSelection(v, upper);
    EXPECT_EQ(ValidRows(*p, upper), (std::vector<std::string>{"3:2:2"}));
}

TEST(Selection, UnbalancedConditionIsRefusedNotDropped) {
    RecordingMessageSink sink;
    ScopedMessageSink guard(sink);
    DataTable table = TableOf(FourColumnText(3));
    SelectionValues v = Values(1, "Y", {2}, {"X"});
    v.conditionOn = true;
    v.condition = "(Y>1";
    EXPECT_FALSE(PrepareSelection(v, table));
    EXPECT_EQ(sink.Texts(), (std::vector<std::string>{"括弧の数が合いません。", "条件式が不正です"}));
    // Switched off, the condition is not used: the bracket message only.
    sink.messages.clear();
    v.conditionOn = false;
    auto p = PrepareSelection(v, table);
    ASSERT_TRUE(p);
    EXPECT_EQ(sink.Texts(), std::vector<std::string>{"括弧の数が合いません。"});
    EXPECT_EQ(ValidRows(*p, table).size(), 3u);
    // A condition of blanks is an empty condition: every row.
    v.conditionOn = true;
    v.condition = "  ";
    p = PrepareSelection(v, table);
    ASSERT_TRUE(p);
    EXPECT_EQ(ValidRows(*p, table).size(), 3u);

    // An unbalanced quote is ordinary text: a text comparison that never holds, no fault.
    v.condition = "A4 = \"t1";
    p = PrepareSelection(v, table);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->conditionExpression, "X4EQ\"T1");
    EXPECT_TRUE(ValidRows(*p, table).empty());
    table.BeginRowScan();
    DataRow row;
    ReadDataRow(*p, table, 1, row);
    table.EndRowScan();
    EXPECT_FALSE(row.conditionFault);

    // Two comparisons without parentheses: no decision, the row faults.
    v.condition = "Y>0 and Y<5";
    p = PrepareSelection(v, table);
    table.BeginRowScan();
    ReadDataRow(*p, table, 1, row);
    table.EndRowScan();
    EXPECT_FALSE(row.valid);
    EXPECT_TRUE(row.conditionFault);
}

TEST(Selection, CellsThatAreNoNumbersDropTheirRow) {
    DataTable table = TableOf("y,x,w\n1,1,2\nabc,2,1\n3,3,\n4,4,-1\n5,5,1e39\n6, 6 ,0\n");
    SelectionValues v = Values(1, "Y", {2}, {"X"});
    v.weightColumn = 3;
    auto p = PrepareSelection(v, table);
    ASSERT_TRUE(p);
    std::vector<std::string> rows;
    std::vector<double> weights;
    DataRow row;
    table.BeginRowScan();
    for (long long k = 1; k <= p->candidateCount; ++k) {
        ReadDataRow(*p, table, k, row);
        if (row.valid) {
            rows.push_back(std::string(row.texts[0]));
            weights.push_back(row.w);
        }
    }
    table.EndRowScan();
    EXPECT_EQ(rows, (std::vector<std::string>{"2", "5", "7"}));
    EXPECT_EQ(weights, (std::vector<double>{2, -1, 0}));

    v.weightColumn = 0;
    p = PrepareSelection(v, table);
    table.BeginRowScan();
    ReadDataRow(*p, table, 3, row);
    table.EndRowScan();
    EXPECT_TRUE(row.valid);
    EXPECT_EQ(row.w, 1);
    EXPECT_EQ(row.texts[3], "");
}

TEST(Selection, NumericFaultsInTransformsDropTheRow) {
    DataTable table = TableOf("y,x\n0,1\n1,1000\n2,1\n");
    auto p = PrepareSelection(Values(1, "LN(Y)", {2}, {"EXP(X)"}), table);
    ASSERT_TRUE(p);
    DataRow row;
    table.BeginRowScan();
    std::vector<bool> valid;
    for (long long k = 1; k <= 3; ++k) {
        ReadDataRow(*p, table, k, row);
        valid.push_back(row.valid);
    }
    table.EndRowScan();
    EXPECT_EQ(valid, (std::vector<bool>{false, false, true}));  // LN(0); EXP(1000) is too large for a stored value
}

TEST(Selection, ReadChecksInOrderWithTheirMessages) {
    SelectionSettings s;
    s.variableCount = "3";
    s.x[1].column = "0";
    ReadCheckResult r = CheckReadSettings(s, 5);
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.beep);
    EXPECT_EQ(r.message, "説明変数をすべて選択して下さい。");

    s.x[1].column = "6";
    EXPECT_EQ(CheckReadSettings(s, 5).message, "説明変数の数が足りません。");
    s.x[1].column = "3";
    EXPECT_EQ(CheckReadSettings(s, 3).message, "説明変数の数が足りません。");  // n = 3 needs 4 data columns
    EXPECT_TRUE(CheckReadSettings(s, 4).ok);

    s.x[0].column = "a";
    r = CheckReadSettings(s, 5);
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.beep);
    EXPECT_NE(r.message.find("'a'"), std::string::npos);
    s.x[0].column = "2";

    s.step = "0";
    EXPECT_EQ(CheckReadSettings(s, 5).message, kStepBelowOneMessage);
    s.step = "-2";
    EXPECT_EQ(CheckReadSettings(s, 5).message, kStepBelowOneMessage);
    s.step = "2";
    s.skip = "-1";
    EXPECT_EQ(CheckReadSettings(s, 5).message, kNegativeSkipMessage);
    s.skip = "0";
    s.lastRow = "";
    EXPECT_FALSE(CheckReadSettings(s, 5).ok);
    s.lastRow = "-1";

    s.variableCount = "51";
    EXPECT_EQ(CheckReadSettings(s, 100).message, kVariableCountRangeMessage);
    s.variableCount = "0";
    EXPECT_EQ(CheckReadSettings(s, 100).message, kVariableCountRangeMessage);
    s.variableCount = "3";

    r = CheckReadSettings(s, 5);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.values.xColumns, (std::vector<int>{2, 3, 4}));
    EXPECT_EQ(r.values.step, 2);
    EXPECT_EQ(r.values.skip, 0);

    RecordingMessageSink sink;
    ScopedMessageSink guard(sink);
    s.step = "0";
    ShowReadCheckFailure(CheckReadSettings(s, 5));
    EXPECT_EQ(sink.beeps, 1);
    ASSERT_EQ(sink.messages.size(), 1u);
    EXPECT_EQ(sink.messages[0].kind, MessageKind::Error);
}

TEST(Selection, InitialAndDefaultSettings) {
    SelectionSettings s;
    EXPECT_EQ(s.yColumn, "1");
    EXPECT_EQ(s.yTransform, "");
    EXPECT_EQ(s.x.size(), 50u);
    EXPECT_EQ(s.x[0].column, "2");
    EXPECT_EQ(s.x[49].column, "51");
    EXPECT_EQ(s.x[49].transform, "X");

    s.variableCount = "2";
    s.weightColumn = "4";
    s.conditionOn = true;
    s.condition = "Y>0";
    s.step = "5";
    ApplyDefaultSelection(s);
    EXPECT_EQ(s.x[0].column, "1");
    EXPECT_EQ(s.x[1].column, "2");
    EXPECT_EQ(s.x[1].transform, "x");
    EXPECT_EQ(s.x[2].column, "4");  // rows beyond n are left alone
    EXPECT_EQ(s.yColumn, "3");
    EXPECT_EQ(s.yTransform, "y");
    EXPECT_EQ(s.weightColumn, "0");
    EXPECT_EQ(s.step, "1");
    EXPECT_EQ(s.lastRow, "-1");
    EXPECT_FALSE(s.conditionOn);
    EXPECT_EQ(s.condition, "");

    // Default transforms are lower case, so the names stay y and x.
    DataTable table = TableOf(FourColumnText(3));
    const ReadCheckResult r = CheckReadSettings(s, table.DataColumnCount());
    ASSERT_TRUE(r.ok);
    auto p = PrepareSelection(r.values, table);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->yName, "y");
    EXPECT_EQ(p->xNames, (std::vector<std::string>{"x", "x"}));
}

TEST(Selection, StreamingRowsComeFromTheFile) {
    TempFolder folder;
    const auto path = folder.Write("big.csv", testing::NumberedLines(3000, 3));
    RecordingMessageSink sink;
    sink.answers.push_back(MessageAnswer::Yes);
    ScopedMessageSink guard(sink);
    DataTable table;
    ASSERT_TRUE(table.LoadFile(path));
    SelectionValues v = Values(2, "Y", {1}, {"X"});
    v.skip = 0;
    v.step = 1000;
    auto p = PrepareSelection(v, table);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->candidateCount, 3);
    EXPECT_EQ(ValidRows(*p, table), (std::vector<std::string>{"1:12:11", "1001:10012:10011", "2001:20012:20011"}));
}

}  // namespace
}  // namespace kurvex
