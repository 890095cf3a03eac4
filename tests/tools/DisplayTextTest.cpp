#include "DisplayText.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace morvex::render;

namespace
{
struct NUMBER_CASE
{
    const char* text;
    double value;      // in the base unit
    const char* unit;  // base unit
    double shownScale; // base units per unit as typed
};

void PrintTo(const NUMBER_CASE& c, std::ostream* os)
{
    *os << c.text;
}

class CDisplayNumberTest : public ::testing::TestWithParam<NUMBER_CASE>
{
};
} // namespace

TEST_P(CDisplayNumberTest, ReadsTheValueInItsBaseUnit)
{
    const NUMBER_CASE& c = GetParam();
    DISPLAY_NUMBER number;
    ASSERT_TRUE(ParseDisplayNumber(c.text, number)) << c.text;
    EXPECT_TRUE(SameDisplayValue(number.value, c.value)) << c.text << ": " << number.value;
    EXPECT_EQ(number.baseUnit, c.unit) << c.text;
    EXPECT_DOUBLE_EQ(number.shownScale, c.shownScale) << c.text;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, CDisplayNumberTest,
    ::testing::Values(NUMBER_CASE{"+3.00dB", 3.0, "dB", 1.0},
                      NUMBER_CASE{"-3.50dB", -3.5, "dB", 1.0},
                      NUMBER_CASE{"0.0 dB", 0.0, "dB", 1.0},
                      NUMBER_CASE{"  -12 DB ", -12.0, "dB", 1.0},
                      NUMBER_CASE{"1.65kHz", 1650.0, "Hz", 1000.0},
                      NUMBER_CASE{"948Hz", 948.0, "Hz", 1.0},
                      NUMBER_CASE{"14.1ms", 14.1, "ms", 1.0},
                      NUMBER_CASE{"1.00s", 1000.0, "ms", 1000.0},
                      NUMBER_CASE{"2.5 sec", 2500.0, "ms", 1000.0},
                      NUMBER_CASE{"25%", 25.0, "%", 1.0},
                      NUMBER_CASE{"L25%", -25.0, "%", 1.0},
                      NUMBER_CASE{"R40%", 40.0, "%", 1.0},
                      NUMBER_CASE{"l100", -100.0, "", 1.0},
                      NUMBER_CASE{"Center", 0.0, "", 1.0},
                      NUMBER_CASE{"centre", 0.0, "", 1.0},
                      NUMBER_CASE{"C", 0.0, "", 1.0},
                      NUMBER_CASE{"x8", 8.0, "x", 1.0},
                      NUMBER_CASE{"4x", 4.0, "x", 1.0},
                      NUMBER_CASE{"-inf", -INFINITY, "", 1.0},
                      NUMBER_CASE{"-inf dB", -INFINITY, "dB", 1.0},
                      NUMBER_CASE{"-INFdB", -INFINITY, "dB", 1.0},
                      NUMBER_CASE{"7", 7.0, "", 1.0},
                      NUMBER_CASE{".5", 0.5, "", 1.0},
                      NUMBER_CASE{"12 st", 12.0, "st", 1.0}));

TEST(CDisplayTextTest, WordsAreNotNumbers)
{
    for (const char* word : {"on", "off", "Serial", "Lowpass 24dB", "24dB Lowpass", "1/8", "1/16D",
                             "1/4T", "", "-", "L", "x8x", "3.2.1", "1e3"})
    {
        DISPLAY_NUMBER number;
        EXPECT_FALSE(ParseDisplayNumber(word, number)) << word;
    }
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
