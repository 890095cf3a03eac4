#include "DisplayText.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace morvex::render;

TEST(CDisplayTextTest, NumbersAreReadInTheirBaseUnitAndWordsAreNot)
{
    struct ROW
    {
        const char* text;
        double value;      // in the base unit
        const char* unit;  // base unit
        double shownScale; // base units per unit as typed
    };
    const ROW rows[] = {
        {"+3.00dB", 3.0, "dB", 1.0},
        {"-3.50dB", -3.5, "dB", 1.0},
        {"0.0 dB", 0.0, "dB", 1.0},
        {"  -12 DB ", -12.0, "dB", 1.0},
        {"1.65kHz", 1650.0, "Hz", 1000.0},
        {"948Hz", 948.0, "Hz", 1.0},
        {"14.1ms", 14.1, "ms", 1.0},
        {"1.00s", 1000.0, "ms", 1000.0},
        {"2.5 sec", 2500.0, "ms", 1000.0},
        {"25%", 25.0, "%", 1.0},
        {"L25%", -25.0, "%", 1.0},
        {"R40%", 40.0, "%", 1.0},
        {"l100", -100.0, "", 1.0},
        {"Center", 0.0, "", 1.0},
        {"centre", 0.0, "", 1.0},
        {"C", 0.0, "", 1.0},
        {"x8", 8.0, "x", 1.0},
        {"4x", 4.0, "x", 1.0},
        {"-inf", -INFINITY, "", 1.0},
        {"-inf dB", -INFINITY, "dB", 1.0},
        {"-INFdB", -INFINITY, "dB", 1.0},
        {"7", 7.0, "", 1.0},
        {".5", 0.5, "", 1.0},
        {"12 st", 12.0, "st", 1.0},
    };
    for (const ROW& row : rows)
    {
        DISPLAY_NUMBER number;
        ASSERT_TRUE(ParseDisplayNumber(row.text, number)) << row.text;
        EXPECT_TRUE(SameDisplayValue(number.value, row.value)) << row.text << ": " << number.value;
        EXPECT_EQ(number.baseUnit, row.unit) << row.text;
        EXPECT_DOUBLE_EQ(number.shownScale, row.shownScale) << row.text;
    }
    for (const char* word : {"on", "off", "Serial", "Lowpass 24dB", "24dB Lowpass", "1/8", "1/16D",
                             "1/4T", "", "-", "L", "x8x", "3.2.1", "1e3"})
    {
        DISPLAY_NUMBER number;
        EXPECT_FALSE(ParseDisplayNumber(word, number)) << word;
    }
}

TEST(CDisplayTextTest, TextsCompareWithoutCaseAndValuesOnlyUpToRounding)
{
    EXPECT_EQ(NormaliseText("  LayerA Delay Mix \t"), "layera delay mix");
    EXPECT_EQ(NormaliseText(""), "");
    EXPECT_TRUE(SameDisplayValue(1.65 * 1000.0, 1650.0));
    EXPECT_FALSE(SameDisplayValue(1650.0, 1650.01));
    EXPECT_TRUE(SameDisplayValue(-INFINITY, -INFINITY));
    EXPECT_FALSE(SameDisplayValue(-INFINITY, -1e300));
}
