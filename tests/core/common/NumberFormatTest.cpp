#include "core/common/NumberFormat.h"

#include <gtest/gtest.h>

#include <cmath>

#include "core/common/MessageSink.h"

using kurvex::FormatNumber;

TEST(NumberFormat, FixedAndScientificBoundaries) {
    EXPECT_EQ(FormatNumber(0.000012345678L, 7), "1.234568E-5");
    EXPECT_EQ(FormatNumber(1234567.8L, 7), "1234568");
    EXPECT_EQ(FormatNumber(12345678.0L, 7), "1.234568E7");
    EXPECT_EQ(FormatNumber(0.0001L, 7), "0.0001");
    EXPECT_EQ(FormatNumber(0.00009999L, 7), "9.999E-5");
    EXPECT_EQ(FormatNumber(9999999.4L, 7), "9999999");
    EXPECT_EQ(FormatNumber(9999999.6L, 7), "1E7");  // rounding carries into the next decade
    EXPECT_EQ(FormatNumber(0, 7), "0");
    EXPECT_EQ(FormatNumber(-2.5L, 5), "-2.5");
    EXPECT_EQ(FormatNumber(100, 7), "100");
    EXPECT_EQ(FormatNumber(1e20L, 15), "1E20");
    EXPECT_EQ(FormatNumber(-1.5e-10L, 5), "-1.5E-10");
    EXPECT_EQ(FormatNumber(0.1L, 15), "0.1");
    EXPECT_EQ(FormatNumber(3.14159265358979L, 5), "3.1416");
}

TEST(NumberFormat, ParsingIsStrictAndLocaleFree) {
    EXPECT_EQ(kurvex::ParseNumber(" 2.5 "), 2.5);
    EXPECT_EQ(kurvex::ParseNumber("1E3"), 1000.0);
    EXPECT_FALSE(kurvex::ParseNumber("2,5"));
    EXPECT_FALSE(kurvex::ParseNumber("abc"));
    EXPECT_FALSE(kurvex::ParseNumber(""));
    EXPECT_FALSE(kurvex::ParseNumber("1e400"));
    EXPECT_FALSE(kurvex::ParseNumber("-1e+400"));
    // Underflow is no fault: a value too small for a double reads as zero.
    EXPECT_EQ(kurvex::ParseNumber("1e-400"), 0.0);
    EXPECT_TRUE(std::signbit(kurvex::ParseNumber(" -2.5E-999 ").value()));
    EXPECT_EQ(kurvex::ParseExtended("1e-5000"), 0.0L);
    EXPECT_FALSE(kurvex::ParseNumber("inf"));
    EXPECT_EQ(kurvex::ParseInteger("-12"), -12);
    EXPECT_FALSE(kurvex::ParseInteger("1.5"));
    EXPECT_EQ(kurvex::ParseExtended("0.5"), 0.5L);
    EXPECT_FALSE(kurvex::ParseExtended("0x10"));
}

// Conditions, coefficient cells and axis bounds are read by one rule: the
// 「計算」 and the initial-value line accept and refuse the same texts.
TEST(NumberFormat, TypedRealsAreReadOneWayWithOneMessage) {
    kurvex::RecordingMessageSink sink;
    kurvex::ScopedMessageSink guard(sink);
    EXPECT_EQ(static_cast<double>(kurvex::ReadTypedReal(" 1e-400").value()), 0.0);
    EXPECT_EQ(kurvex::ReadTypedReal("+2.5"), 2.5L);
    EXPECT_TRUE(sink.messages.empty());
    EXPECT_FALSE(kurvex::ReadTypedReal("1e400"));
    EXPECT_FALSE(kurvex::ReadTypedReal("1,5"));
    ASSERT_EQ(sink.messages.size(), 2u);
    EXPECT_EQ(sink.messages[0].text, "'1e400' は正しい浮動小数点数ではありません。");
    EXPECT_EQ(sink.messages[1].kind, kurvex::MessageKind::Error);
}
