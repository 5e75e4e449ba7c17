#include "core/data/DataTable.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>

#include "core/common/FileIo.h"
#include "core/common/MessageSink.h"
#include "core/data/FieldRule.h"
#include "tests/core/data/TestFiles.h"

namespace kurvex {
namespace {

using testing::NumberedLines;
using testing::TempFolder;

TEST(FieldRule, QuotesAreDroppedButDoNotProtectCommas) {
    const std::string line = "1,\"2,5\",3";
    EXPECT_EQ(CountFields(line), 4u);
    EXPECT_EQ(SplitFields(line), (std::vector<std::string>{"1", "2", "5", "3"}));
    EXPECT_EQ(SplitFields(" a b ,x\"y\"z"), (std::vector<std::string>{" a b ", "xyz"}));
    EXPECT_EQ(CountFields(""), 1u);
    EXPECT_EQ(SplitFields(""), std::vector<std::string>{""});
    // Fewer fields than asked for: the missing ones are empty, by either cut.
    std::vector<std::string_view> views;
    std::string unquoted;
    AppendFieldViews(line, 6, views, unquoted);
    EXPECT_EQ(views, (std::vector<std::string_view>{"1", "2", "5", "3", "", ""}));
}

TEST(FieldRule, EveryFieldOfAWideLineIsRead) {
    std::string line;
    for (int k = 1; k <= 10000; ++k) line += (k > 1 ? "," : "") + std::to_string(k);
    EXPECT_EQ(SplitFields(line)[9999], "10000");
    RowTexts texts;
    AppendFields(line, 10002, texts);
    ASSERT_EQ(texts.Size(), 10002u);
    EXPECT_EQ(texts[39], "40");
    EXPECT_EQ(texts[9999], "10000");
    EXPECT_EQ(texts[10001], "");
}

TEST(DataTable, LabelsRowNumbersAndCells) {
    TempFolder folder;
    const auto path = folder.Write("a.csv", "x,y\n1,\"2,5\",3\n\n7\r\n");
    RecordingMessageSink sink;
    ScopedMessageSink guard(sink);
    DataTable table;
    ASSERT_TRUE(table.LoadFile(path));
    EXPECT_TRUE(sink.messages.empty());
    EXPECT_EQ(table.ColumnCount(), 5);  // widest line has 4 fields
    EXPECT_EQ(table.RowCount(), 5);
    EXPECT_EQ(table.LineCount(), 4);
    EXPECT_EQ(table.Mode(), ReadMode::Table);
    EXPECT_EQ(table.Cell(0, 0), "A0");
    EXPECT_EQ(table.Cell(4, 0), "A4");
    EXPECT_EQ(table.Cell(0, 3), "3");
    EXPECT_EQ(table.Cell(2, 1), "y");
    EXPECT_EQ(table.Cell(3, 1), "");  // the short first line leaves the rest empty
    EXPECT_EQ(table.Cell(3, 2), "5");
    EXPECT_EQ(table.Cell(1, 3), "");   // an empty line is one empty field
    EXPECT_EQ(table.Cell(1, 4), "7");  // CR LF is a line break
    EXPECT_EQ(table.CurrentFile(), path);
}

TEST(DataTable, WideAndRaggedLinesWidenTheTable) {
    TempFolder folder;
    std::string wide;
    for (int k = 1; k <= 40; ++k) wide += (k > 1 ? "," : "") + std::to_string(k);
    const auto path = folder.Write("wide.csv", "1,2\n" + wide + "\n9\n");
    DataTable table;
    ASSERT_TRUE(table.LoadFile(path));
    EXPECT_EQ(table.ColumnCount(), 41);
    EXPECT_EQ(table.Cell(40, 0), "A40");
    EXPECT_EQ(table.Cell(32, 2), "32");  // no field limit
    EXPECT_EQ(table.Cell(40, 2), "40");
    EXPECT_EQ(table.Cell(3, 1), "");  // earlier row, new column: empty
    EXPECT_EQ(table.Cell(2, 3), "");  // later short row
}

TEST(DataTable, LargeFileQuestionAtTheThousandAndFirstLine) {
    TempFolder folder;
    const auto exactly1000 = folder.Write("1000.csv", NumberedLines(1000, 2));
    const auto exactly1001 = folder.Write("1001.csv", NumberedLines(1001, 2));
    const auto more = folder.Write("1500.csv", NumberedLines(1500, 2));
    {
        RecordingMessageSink sink;
        ScopedMessageSink guard(sink);
        DataTable table;
        ASSERT_TRUE(table.LoadFile(exactly1000));
        EXPECT_TRUE(sink.messages.empty());
        EXPECT_EQ(table.Mode(), ReadMode::Table);
        EXPECT_TRUE(table.Editable());
    }
    {
        RecordingMessageSink sink;
        sink.answers.push_back(MessageAnswer::Yes);
        ScopedMessageSink guard(sink);
        DataTable table;
        ASSERT_TRUE(table.LoadFile(exactly1001));
        ASSERT_EQ(sink.messages.size(), 1u);
        EXPECT_EQ(sink.messages[0].text, kLargeFileQuestion);
        EXPECT_EQ(sink.messages[0].kind, MessageKind::Confirmation);
        EXPECT_EQ(sink.messages[0].buttons, MessageButtons::YesNo);
        EXPECT_EQ(table.Mode(), ReadMode::Streaming);
        EXPECT_EQ(table.RowCount(), 1002);
    }
    {
        RecordingMessageSink sink;
        sink.answers.push_back(MessageAnswer::Yes);
        ScopedMessageSink guard(sink);
        DataTable table;
        ASSERT_TRUE(table.LoadFile(more));
        EXPECT_EQ(sink.messages.size(), 1u);  // asked once per load
        EXPECT_EQ(table.RowCount(), 1002);
        EXPECT_FALSE(table.Editable());
        EXPECT_EQ(table.LineCount(), 1500);
        EXPECT_EQ(table.SourceRowCount(), 1500);
    }
    {
        RecordingMessageSink sink;
        sink.answers.push_back(MessageAnswer::No);
        ScopedMessageSink guard(sink);
        DataTable table;
        ASSERT_TRUE(table.LoadFile(more));
        EXPECT_EQ(table.Mode(), ReadMode::Table);
        EXPECT_EQ(table.RowCount(), 1501);
        EXPECT_EQ(table.Cell(2, 1500), "15002");
    }
}

// After the question the rest of the file is only counted and its encoding
// checked, a block at a time: the count, the UTF-8 check across block ends
// and the line ends must be those of a line-by-line read.
TEST(DataTable, StreamingLoadCountsAndChecksTheRestOfTheFile) {
    TempFolder folder;
    RecordingMessageSink sink;
    sink.defaultAnswer = MessageAnswer::Yes;
    ScopedMessageSink guard(sink);
    const std::string head = NumberedLines(1001, 2);
    // "温" (3 bytes) placed so that it straddles the end of the reader's first 1 MB block.
    const std::size_t block = 1 << 20;
    std::string filler;
    while (head.size() + filler.size() + 40 < block - 1) filler += "1234567890123456789012345678901234567,8\n";
    filler += std::string(block - 1 - head.size() - filler.size(), 'q');
    struct Case {
        std::string text;
        long long lines;
        bool cp932;
    };
    const Case cases[] = {
        {head + filler + "温,1\n2,3\n", 1001 + std::count(filler.begin(), filler.end(), '\n') + 2, false},
        {head + "4,5\r6,7\r\n8,9", 1004, false},
        {head + "4,5\r\r\n", 1003, false},
        {head + "\x89\xB7,1\n", 1002, true},  // CP932 only after the question
        {head + filler + "\xE6\xB8,1\n", 1001 + std::count(filler.begin(), filler.end(), '\n') + 1,
         true},  // a cut sequence
    };
    for (const Case& c : cases) {
        DataTable table;
        ASSERT_TRUE(table.LoadFile(folder.Write("late.csv", c.text)));
        ASSERT_EQ(table.Mode(), ReadMode::Streaming);
        EXPECT_EQ(table.LineCount(), c.lines);
        EXPECT_EQ(table.FileIsCp932(), c.cp932);
    }
}

TEST(DataTable, StreamingScanReadsRowsBeyondSixteenBits) {
    TempFolder folder;
    const auto path = folder.Write("big.csv", NumberedLines(70000, 3));
    RecordingMessageSink sink;
    sink.answers.push_back(MessageAnswer::Yes);
    ScopedMessageSink guard(sink);
    DataTable table;
    ASSERT_TRUE(table.LoadFile(path));
    ASSERT_TRUE(table.BeginRowScan());
    RowTexts texts;
    table.ReadRowCells(2, texts);
    ASSERT_EQ(texts.Size(), 4u);
    EXPECT_EQ(texts[0], "2");
    EXPECT_EQ(texts[3], "23");
    table.ReadRowCells(65536, texts);
    EXPECT_EQ(texts[1], "655361");
    table.ReadRowCells(70000, texts);
    EXPECT_EQ(texts[0], "70000");
    EXPECT_EQ(texts[2], "700002");
    table.ReadRowCells(70001, texts);  // beyond the file
    EXPECT_EQ(texts[1], "");
    table.EndRowScan();

    // A row at or behind the cursor is never found.
    ASSERT_TRUE(table.BeginRowScan());
    table.ReadRowCells(5, texts);
    table.ReadRowCells(5, texts);
    EXPECT_EQ(texts[1], "");
    table.ReadRowCells(6, texts);
    EXPECT_EQ(texts[1], "");
    table.EndRowScan();
}

TEST(DataTable, StreamingFieldsBeyondTheFirstLinesWidthAreNotRead) {
    TempFolder folder;
    std::string text = NumberedLines(1001, 2) + "1,2,3,4\n";
    const auto path = folder.Write("late-wide.csv", text);
    RecordingMessageSink sink;
    sink.answers.push_back(MessageAnswer::Yes);
    ScopedMessageSink guard(sink);
    DataTable table;
    ASSERT_TRUE(table.LoadFile(path));
    EXPECT_EQ(table.DataColumnCount(), 2);
    ASSERT_TRUE(table.BeginRowScan());
    RowTexts texts;
    table.ReadRowCells(1002, texts);
    ASSERT_EQ(texts.Size(), 3u);
    EXPECT_EQ(texts[2], "2");
    table.EndRowScan();
}

TEST(DataTable, Cp932AndUtf8FilesGiveTheSameTable) {
    TempFolder folder;
    const std::string utf8 = "温度,濃度①\n1,2\n";
    const std::string cp932 = "\x89\xB7\x93\x78,\x94\x5A\x93\x78\x87\x40\n1,2\n";  // the same in CP932
    DataTable a, b, c;
    ASSERT_TRUE(a.LoadFile(folder.Write("u.csv", utf8)));
    ASSERT_TRUE(b.LoadFile(folder.Write("s.csv", cp932)));
    ASSERT_TRUE(c.LoadFile(folder.Write("bom.csv", "\xEF\xBB\xBF" + utf8)));
    EXPECT_FALSE(a.FileIsCp932());
    EXPECT_TRUE(b.FileIsCp932());
    for (const DataTable* t : {&b, &c}) {
        EXPECT_EQ(t->Cell(1, 1), "温度");
        EXPECT_EQ(t->Cell(2, 1), "濃度①");
        EXPECT_EQ(t->TableText(), a.TableText());
    }
}

TEST(DataTable, BadBytesNeverStopTheLoad) {
    TempFolder folder;
    const char bytes[] = "1,\0x,3\n4,5\n\xFF\xFE,6";
    const std::string nul(bytes, sizeof bytes - 1);
    DataTable table;
    ASSERT_TRUE(table.LoadFile(folder.Write("bad.csv", nul)));
    EXPECT_EQ(table.LineCount(), 3);  // the last line has no line break
    EXPECT_EQ(table.Cell(2, 1), std::string("\0x", 2));
    EXPECT_EQ(table.Cell(2, 3), "6");
    EXPECT_FALSE(table.Cell(1, 3).empty());  // invalid bytes become replacement characters
}

TEST(DataTable, TenThousandColumnLinesAndCp932StreamingRows) {
    TempFolder folder;
    std::string wide;
    for (int k = 1; k <= 10000; ++k) wide += (k > 1 ? "," : "") + std::to_string(k);
    DataTable table;
    ASSERT_TRUE(table.LoadFile(folder.Write("wide.csv", "a\n" + wide + "\n" + wide.substr(0, 20) + "\n")));
    EXPECT_EQ(table.ColumnCount(), 10001);
    EXPECT_EQ(table.Cell(10000, 0), "A10000");
    EXPECT_EQ(table.Cell(10000, 2), "10000");
    EXPECT_EQ(table.Cell(10000, 3), "");
    RowTexts texts;
    ASSERT_TRUE(table.BeginRowScan());
    table.ReadRowCells(2, texts);
    table.EndRowScan();
    EXPECT_EQ(texts.Size(), 10001u);
    EXPECT_EQ(texts[9999], "9999");

    // A CP932 file in streaming mode: rows read from the file are decoded too.
    std::string cp932 = "\x89\xB7\x93\x78,x\n" + testing::NumberedLines(1100, 2) + "\x94\x5A,\x93\x78\n";
    RecordingMessageSink sink;
    sink.answers.push_back(MessageAnswer::Yes);
    ScopedMessageSink guard(sink);
    DataTable streaming;
    ASSERT_TRUE(streaming.LoadFile(folder.Write("sjis.csv", cp932)));
    ASSERT_EQ(streaming.Mode(), ReadMode::Streaming);
    EXPECT_EQ(streaming.Cell(1, 1), "温度");
    ASSERT_TRUE(streaming.BeginRowScan());
    streaming.ReadRowCells(1102, texts);
    streaming.EndRowScan();
    EXPECT_EQ(texts[1], "濃");
    EXPECT_EQ(texts[2], "度");
}

TEST(DataTable, MissingOrUnreadableFileKeepsTheTable) {
    TempFolder folder;
    DataTable table;
    ASSERT_TRUE(table.LoadFile(folder.Write("good.csv", "1,2\n")));
    RecordingMessageSink sink;
    ScopedMessageSink guard(sink);
    EXPECT_FALSE(table.LoadFile(folder.File("missing.csv")));
    ASSERT_EQ(sink.messages.size(), 1u);
    EXPECT_EQ(sink.messages[0].kind, MessageKind::Error);
    EXPECT_NE(sink.messages[0].text.find("missing.csv"), std::string::npos);
    EXPECT_EQ(table.Cell(2, 1), "2");
    EXPECT_EQ(table.CurrentFile(), folder.File("good.csv"));

    EXPECT_FALSE(table.LoadFile(folder.Path()));  // a folder is no data file
    if (geteuid() != 0) {                         // root reads every file
        const auto locked = folder.Write("locked.csv", "1\n");
        chmod(locked.c_str(), 0);
        EXPECT_FALSE(table.LoadFile(locked));
    }
    EXPECT_EQ(table.Cell(1, 1), "1");
}

TEST(DataTable, EditingCommandsKeepLabelsAndRowNumbersInPlace) {
    DataTable table;
    table.Reset(4, 4);  // A0..A3, rows 1..3
    for (int r = 1; r <= 3; ++r)
        for (int c = 1; c <= 3; ++c) table.SetCell(c, r, std::to_string(r) + std::to_string(c));
    table.SetCell(0, 1, "ignored");
    EXPECT_EQ(table.Cell(0, 1), "1");

    table.InsertRowAfter(3);  // last row current: an empty row appended
    EXPECT_EQ(table.RowCount(), 5);
    EXPECT_EQ(table.Cell(0, 4), "4");
    EXPECT_EQ(table.Cell(1, 4), "");
    table.InsertRowAfter(1);
    EXPECT_EQ(table.Cell(1, 2), "");
    EXPECT_EQ(table.Cell(1, 3), "21");
    table.DeleteRow(2);
    EXPECT_EQ(table.Cell(1, 2), "21");
    EXPECT_EQ(table.RowCount(), 5);

    table.DeleteColumn(1);
    EXPECT_EQ(table.ColumnCount(), 3);
    EXPECT_EQ(table.Cell(1, 0), "A1");
    EXPECT_EQ(table.Cell(1, 1), "12");
    EXPECT_EQ(table.Cell(2, 3), "33");
    table.InsertColumnAfter(1);
    EXPECT_EQ(table.Cell(3, 0), "A3");
    EXPECT_EQ(table.Cell(2, 1), "");
    EXPECT_EQ(table.Cell(3, 1), "13");

    // Fixed rows and columns never outnumber the table's own.
    ASSERT_TRUE(table.SetFixedDataRows(table.RowCount() - 1));
    ASSERT_TRUE(table.SetFixedDataColumns(table.ColumnCount() - 1));
    table.DeleteRow(table.RowCount() - 1);
    table.DeleteColumn(table.ColumnCount() - 1);
    EXPECT_EQ(table.FixedRows(), table.RowCount());
    EXPECT_EQ(table.FixedColumns(), table.ColumnCount());

    table.SetSize(2, 3);
    EXPECT_EQ(table.Cell(2, 1), "");
    table.SetSize(4, 3);
    EXPECT_EQ(table.Cell(3, 1), "");  // dropped cells do not come back
    EXPECT_EQ(table.Cell(1, 2), "22");
}

TEST(DataTable, FixedRowsAndColumnsMustFitTheTable) {
    RecordingMessageSink sink;
    ScopedMessageSink guard(sink);
    DataTable table;
    table.Reset(3, 4);  // 3 rows below the labels
    EXPECT_FALSE(table.SetFixedDataRows(5));
    EXPECT_EQ(sink.Texts(), std::vector<std::string>{"固定行が設定できません。"});
    EXPECT_EQ(table.FixedRows(), 1);
    EXPECT_TRUE(table.SetFixedDataRows(2));
    EXPECT_EQ(table.FixedRows(), 3);
    EXPECT_FALSE(table.SetFixedDataColumns(3));
    EXPECT_EQ(sink.Texts().back(), "固定列が設定できません。");
    EXPECT_TRUE(table.SetFixedDataColumns(2));
    EXPECT_EQ(table.FixedColumns(), 3);
}

TEST(DataTable, SaveWritesDataCellsOnlyAndCommasSplitOnReload) {
    TempFolder folder;
    DataTable table;
    table.Reset(3, 3);
    table.SetCell(1, 1, "a,b");
    table.SetCell(2, 1, "c");
    table.SetCell(1, 2, "1");
    ASSERT_TRUE(table.SaveTable(folder.File("out.csv")));
    EXPECT_EQ(folder.Read("out.csv"), "a,b,c\n1,\n");
    DataTable reloaded;
    ASSERT_TRUE(reloaded.LoadFile(folder.File("out.csv")));
    EXPECT_EQ(reloaded.DataColumnCount(), 3);
}

TEST(DataTable, SaveIsWholeOrNothing) {
    TempFolder folder;
    const auto path = folder.Write("keep.csv", "old\n");
    DataTable table;
    table.Reset(2, 2);
    table.SetCell(1, 1, "new content that is longer");
    RecordingMessageSink sink;
    ScopedMessageSink guard(sink);
    SetAtomicWriteFailureAfterBytes(5);
    EXPECT_FALSE(table.SaveTable(path));
    SetAtomicWriteFailureAfterBytes(-1);
    EXPECT_EQ(folder.Read("keep.csv"), "old\n");
    EXPECT_EQ(sink.messages.size(), 1u);
}

TEST(DataTable, SavingAStreamingTableKeepsEveryLineOfTheFile) {
    TempFolder folder;
    const std::string text = NumberedLines(1200, 2);
    const auto path = folder.Write("big.csv", text);
    RecordingMessageSink sink;
    sink.answers.push_back(MessageAnswer::Yes);
    ScopedMessageSink guard(sink);
    DataTable table;
    ASSERT_TRUE(table.LoadFile(path));
    ASSERT_TRUE(table.SaveTable(path));
    EXPECT_EQ(folder.Read("big.csv"), text);
}

TEST(DataTable, SnapshotCopyIsIndependent) {
    DataTable table;
    table.Reset(3, 3);
    table.SetCell(1, 1, "x");
    DataTable snapshot = table;
    table.SetCell(1, 1, "y");
    table.InsertRowAfter(1);
    EXPECT_EQ(snapshot.Cell(1, 1), "x");
    EXPECT_EQ(snapshot.RowCount(), 3);
}

}  // namespace
}  // namespace kurvex
