#include "DisplayText.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace morvex::render;

namespace
{

DISPLAY_NUMBER Parsed(const char* text)
{
    DISPLAY_NUMBER number;
    EXPECT_TRUE(ParseDisplayNumber(text, number)) << text;
    return number;
}

bool IsWord(const char* text)
{
    DISPLAY_NUMBER number;
    return !ParseDisplayNumber(text, number);
}

} // namespace

TEST(CDisplayTextTest, DecibelsWithSignsAndSpaces)
{
    EXPECT_DOUBLE_EQ(Parsed("+3.00dB").value, 3.0);
    EXPECT_DOUBLE_EQ(Parsed("-3.50dB").value, -3.5);
    EXPECT_DOUBLE_EQ(Parsed("0.0 dB").value, 0.0);
    EXPECT_DOUBLE_EQ(Parsed("  -12 DB ").value, -12.0);
    EXPECT_EQ(Parsed("+3.00dB").baseUnit, "dB");
    EXPECT_EQ(Parsed("+3.00dB").shownUnit, "db");
}

TEST(CDisplayTextTest, KilohertzScalesToHertz)
{
    // 1.65 kHz = 1650 Hz; the decimal product is not exact in binary.
    const DISPLAY_NUMBER kilo = Parsed("1.65kHz");
    EXPECT_TRUE(SameDisplayValue(kilo.value, 1650.0));
    EXPECT_EQ(kilo.baseUnit, "Hz");
    EXPECT_EQ(kilo.shownUnit, "khz");
    EXPECT_DOUBLE_EQ(kilo.shownScale, 1000.0);
    const DISPLAY_NUMBER hertz = Parsed("948Hz");
    EXPECT_DOUBLE_EQ(hertz.value, 948.0);
    EXPECT_EQ(hertz.baseUnit, "Hz");
    EXPECT_DOUBLE_EQ(hertz.shownScale, 1.0);
}

TEST(CDisplayTextTest, SecondsScaleToMilliseconds)
{
    EXPECT_DOUBLE_EQ(Parsed("14.1ms").value, 14.1);
    EXPECT_EQ(Parsed("14.1ms").baseUnit, "ms");
    EXPECT_DOUBLE_EQ(Parsed("1.00s").value, 1000.0);
    EXPECT_EQ(Parsed("1.00s").baseUnit, "ms");
    EXPECT_DOUBLE_EQ(Parsed("2.5 sec").value, 2500.0);
}

TEST(CDisplayTextTest, PercentAndPan)
{
    EXPECT_DOUBLE_EQ(Parsed("25%").value, 25.0);
    EXPECT_EQ(Parsed("25%").baseUnit, "%");
    EXPECT_DOUBLE_EQ(Parsed("L25%").value, -25.0);
    EXPECT_DOUBLE_EQ(Parsed("R40%").value, 40.0);
    EXPECT_EQ(Parsed("R40%").baseUnit, "%");
    EXPECT_DOUBLE_EQ(Parsed("l100").value, -100.0);
    EXPECT_DOUBLE_EQ(Parsed("Center").value, 0.0);
    EXPECT_DOUBLE_EQ(Parsed("centre").value, 0.0);
    EXPECT_DOUBLE_EQ(Parsed("C").value, 0.0);
}

TEST(CDisplayTextTest, TimesPrefixAndSuffix)
{
    EXPECT_DOUBLE_EQ(Parsed("x8").value, 8.0);
    EXPECT_EQ(Parsed("x8").baseUnit, "x");
    EXPECT_DOUBLE_EQ(Parsed("4x").value, 4.0);
    EXPECT_EQ(Parsed("4x").baseUnit, "x");
}

TEST(CDisplayTextTest, MinusInfinity)
{
    const DISPLAY_NUMBER silent = Parsed("-inf");
    EXPECT_TRUE(std::isinf(silent.value));
    EXPECT_LT(silent.value, 0.0);
    EXPECT_EQ(Parsed("-inf dB").baseUnit, "dB");
    EXPECT_TRUE(std::isinf(Parsed("-INFdB").value));
}

TEST(CDisplayTextTest, PlainNumbersAndOtherUnits)
{
    EXPECT_DOUBLE_EQ(Parsed("7").value, 7.0);
    EXPECT_EQ(Parsed("7").baseUnit, "");
    EXPECT_DOUBLE_EQ(Parsed(".5").value, 0.5);
    EXPECT_DOUBLE_EQ(Parsed("12 st").value, 12.0);
    EXPECT_EQ(Parsed("12 st").baseUnit, "st");
}

TEST(CDisplayTextTest, WordsAreNotNumbers)
{
    EXPECT_TRUE(IsWord("on"));
    EXPECT_TRUE(IsWord("off"));
    EXPECT_TRUE(IsWord("Serial"));
    EXPECT_TRUE(IsWord("Lowpass 24dB"));
    EXPECT_TRUE(IsWord("24dB Lowpass"));
    EXPECT_TRUE(IsWord("1/8"));
    EXPECT_TRUE(IsWord("1/16D"));
    EXPECT_TRUE(IsWord("1/4T"));
    EXPECT_TRUE(IsWord(""));
    EXPECT_TRUE(IsWord("-"));
    EXPECT_TRUE(IsWord("L"));
    EXPECT_TRUE(IsWord("x8x"));
    EXPECT_TRUE(IsWord("3.2.1"));
    EXPECT_TRUE(IsWord("1e3"));
}

TEST(CDisplayTextTest, NormaliseTextTrimsAndLowersCase)
{
    EXPECT_EQ(NormaliseText("  LayerA Delay Mix \t"), "layera delay mix");
    EXPECT_EQ(NormaliseText(""), "");
}

TEST(CDisplayTextTest, SameDisplayValueAllowsOnlyRoundingDifferences)
{
    EXPECT_TRUE(SameDisplayValue(1.65 * 1000.0, 1650.0));
    EXPECT_FALSE(SameDisplayValue(1650.0, 1650.01));
    EXPECT_TRUE(SameDisplayValue(-INFINITY, -INFINITY));
    EXPECT_FALSE(SameDisplayValue(-INFINITY, -1e300));
}
