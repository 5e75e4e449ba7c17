// Line ends of text files: LF, CR LF and a lone CR each end a line, also when
// the CR is the last byte of one read block and its LF the first of the next.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/data/LineReader.h"
#include "core/equations/EquationList.h"
#include "tests/reliability/ReliabilitySupport.h"

namespace kurvex::reliability {
namespace {

std::vector<std::string> Lines(const std::filesystem::path& file) {
    LineReader reader;
    EXPECT_TRUE(reader.Open(file));
    std::vector<std::string> lines;
    std::string_view line;
    while (reader.Next(line)) lines.emplace_back(line);
    EXPECT_FALSE(reader.Failed());
    return lines;
}

// Where the text after the first n line breaks (LF, CR LF, lone CR) begins.
std::size_t AfterBreaks(const std::string& text, std::size_t n) {
    std::size_t at = 0;
    for (; n > 0 && at < text.size(); ++at) {
        if (text[at] == '\r' && at + 1 < text.size() && text[at + 1] == '\n') ++at;
        if (text[at] == '\n' || text[at] == '\r') --n;
    }
    return n > 0 ? text.size() : at;
}

TEST(LineEnds, EveryKindOfBreakEndsOneLine) {
    TempFolder folder;
    using V = std::vector<std::string>;
    EXPECT_EQ(Lines(folder.Write("a", "1,2\r2,4\r3,6\r")), (V{"1,2", "2,4", "3,6"}));
    EXPECT_EQ(Lines(folder.Write("b", "1,2\r\n2,4\n3,6\r4,8")), (V{"1,2", "2,4", "3,6", "4,8"}));
    // CR CR LF, as text-mode writers make of CR LF: a blank line between the records.
    EXPECT_EQ(Lines(folder.Write("c", "1,2\r\r\n3,4\r\r\n")), (V{"1,2", "", "3,4", ""}));
    EXPECT_EQ(Lines(folder.Write("d", "\r\n\n\r")), (V{"", "", ""}));
    EXPECT_EQ(Lines(folder.Write("e", "")), V{});
}

TEST(LineEnds, BreakSplitAcrossReadBlocks) {
    TempFolder folder;
    constexpr std::size_t kBlock = 1 << 20;  // the reader's first block
    const std::string longLine(kBlock - 1, 'x');
    // CR at the last byte of the block, LF at the first byte of the next: one break.
    std::vector<std::string> lines = Lines(folder.Write("crlf", longLine + "\r\n1,2\r3,4"));
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], longLine);
    EXPECT_EQ(lines[1], "1,2");
    EXPECT_EQ(lines[2], "3,4");
    // A lone CR there, then a second line.
    lines = Lines(folder.Write("cr", longLine + "\r1,2\n"));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1], "1,2");
    // A CR as the very last byte of the file, at the block end.
    lines = Lines(folder.Write("last", longLine + "\r"));
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].size(), kBlock - 1);
}

// The load counts the lines after the first thousand a block at a time; the
// count and the bytes it passes over must match what Next would give.
TEST(LineEnds, SkippingTheRestCountsTheLinesNextWouldRead) {
    TempFolder folder;
    constexpr std::size_t kBlock = 1 << 20;
    const std::string longLine(kBlock - 1, 'x');
    const std::string contents[] = {
        "1,2\r2,4\r3,6\r",
        "1,2\r\n2,4\n3,6\r4,8",
        "1,2\r\r\n3,4\r\r\n",
        "\r\n\n\r",
        "",
        "a\nb",
        longLine + "\r\n1,2\r3,4",
        longLine + "\r1,2\n",
        longLine + "\r",
        longLine + "x\r\ny",
        "h\n" + longLine + longLine + "\n" + std::string(kBlock + 3, '\r') + "\n\r\nz",
    };
    for (const std::string& content : contents) {
        const auto file = folder.Write("f", content);
        const std::vector<std::string> all = Lines(file);
        for (const std::size_t first : {std::size_t{0}, std::size_t{1}, std::size_t{2}}) {
            if (first > all.size()) continue;
            LineReader reader;
            ASSERT_TRUE(reader.Open(file));
            std::string_view line;
            for (std::size_t i = 0; i < first; ++i) ASSERT_TRUE(reader.Next(line));
            std::string passed;
            bool pieceEndsMidLine = false;
            const long long rest = reader.SkipRest([&](std::string_view piece) {
                EXPECT_FALSE(pieceEndsMidLine) << "a piece before the last ends inside a line";
                passed.append(piece);
                pieceEndsMidLine = piece.back() != '\n' && piece.back() != '\r';
            });
            EXPECT_FALSE(reader.Failed());
            EXPECT_EQ(rest, static_cast<long long>(all.size() - first)) << content.size() << " bytes, from " << first;
            EXPECT_EQ(passed, content.substr(AfterBreaks(content, first)));
            EXPECT_FALSE(reader.Next(line));
        }
    }
}

TEST(LineEnds, EquationListWithCrLineEndsKeepsEveryEntryAcrossASave) {
    TempFolder folder;
    const auto file = folder.Write("Equation.txt", "y = C0*X1,a,X1\ry = C0+C1*X1,b,1,X1\r\ry = X1,c\r");
    EquationList list;
    ASSERT_TRUE(list.Load(file));
    ASSERT_EQ(list.Count(), 3u);
    EXPECT_EQ(list.Entry(1).name, "b");
    EXPECT_EQ(list.Entry(1).derivativeTexts, (std::vector<std::string>{"1", "X1"}));
    ASSERT_TRUE(list.Save());
    EXPECT_EQ(folder.Read("Equation.txt"), "y = C0*X1,a,X1\ny = C0+C1*X1,b,1,X1\ny = X1,c\n");
}

}  // namespace
}  // namespace kurvex::reliability
