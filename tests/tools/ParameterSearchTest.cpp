#include "ParameterSearch.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

using namespace morvex::render;

namespace
{

std::string Format(const char* format, double value)
{
    char text[64];
    std::snprintf(text, sizeof(text), format, value);
    return text;
}

// Volume: "-inf" at 0, else -60 .. +12 dB linear in the normalised value, two decimals.
std::string VolumeDisplay(float x)
{
    if (x <= 0.0f)
    {
        return "-inf";
    }
    return Format("%+.2fdB", -60.0 + 72.0 * static_cast<double>(x));
}

// Frequency: 20 Hz .. 20 kHz logarithmic, "948Hz" below 1 kHz, "1.65kHz" above.
double FrequencyHz(float x)
{
    return 20.0 * std::pow(1000.0, static_cast<double>(x));
}

std::string FrequencyDisplay(float x)
{
    const double hz = FrequencyHz(x);
    if (hz < 999.5)
    {
        return Format("%.0fHz", hz);
    }
    return Format(hz < 9995.0 ? "%.2fkHz" : "%.1fkHz", hz / 1000.0);
}

// Time: 1 ms .. 2 s, "14.1ms" below 1 s, "1.00s" above.
std::string TimeDisplay(float x)
{
    const double ms = 1.0 + 1999.0 * static_cast<double>(x);
    return ms < 999.95 ? Format("%.1fms", ms) : Format("%.2fs", ms / 1000.0);
}

// Pan: L100% .. Center .. R100% in whole percent.
std::string PanDisplay(float x)
{
    const long pan = std::lround((static_cast<double>(x) - 0.5) * 200.0);
    if (pan == 0)
    {
        return "Center";
    }
    return (pan < 0 ? "L" : "R") + std::to_string(std::labs(pan)) + "%";
}

// A word list of four entries, each a quarter of the range.
std::string ModeDisplay(float x)
{
    static const char* const kNames[] = {"Serial", "Parallel", "Lowpass 24dB", "1/16D"};
    const int index = std::min(3, static_cast<int>(x * 4.0f));
    return kNames[index];
}

// Falls from +12 to -12 as the value rises (a display that counts down).
std::string FallingDisplay(float x)
{
    return Format("%+.1f", 12.0 - 24.0 * static_cast<double>(x));
}

// "Off" below 0.1, then 20 .. 100 %.
std::string OffThenPercentDisplay(float x)
{
    if (x < 0.1f)
    {
        return "Off";
    }
    return Format("%.0f%%", 20.0 + 80.0 * (static_cast<double>(x) - 0.1) / 0.9);
}

struct SEARCH_RESULT
{
    bool found;
    float normalised;
    std::string error;
};

SEARCH_RESULT Search(CParameterSearch::DisplayFunction display, const char* requested)
{
    CParameterSearch search("Test Param", std::move(display));
    SEARCH_RESULT result{false, -1.0f, ""};
    result.found = search.Find(requested, result.normalised, result.error);
    return result;
}

} // namespace

TEST(CParameterSearchTest, DecibelsWithAndWithoutUnitLandMidStep)
{
    // -3 dB = -60 + 72 x  ->  x = 57 / 72 = 0.791666...; the display's rounding step is
    // 0.01 dB = 0.000139 in x, so the middle of the "-3.00dB" run is within 1e-5 of it.
    for (const char* requested : {"-3", "-3dB", "-3.00 dB", "-3.0dB"})
    {
        const SEARCH_RESULT result = Search(VolumeDisplay, requested);
        ASSERT_TRUE(result.found) << requested << ": " << result.error;
        EXPECT_NEAR(result.normalised, 57.0 / 72.0, 1e-5) << requested;
        EXPECT_EQ(VolumeDisplay(result.normalised), "-3.00dB");
    }
}

TEST(CParameterSearchTest, MinusInfinityIsTheExactBottom)
{
    const SEARCH_RESULT result = Search(VolumeDisplay, "-INF");
    ASSERT_TRUE(result.found) << result.error;
    EXPECT_EQ(result.normalised, 0.0f);
}

TEST(CParameterSearchTest, RangeEndsAreExact)
{
    // +12 dB shows only at x = 1 and the top is taken exactly.
    const SEARCH_RESULT top = Search(VolumeDisplay, "+12dB");
    ASSERT_TRUE(top.found) << top.error;
    EXPECT_EQ(top.normalised, 1.0f);
    const SEARCH_RESULT left = Search(PanDisplay, "L100%");
    ASSERT_TRUE(left.found) << left.error;
    EXPECT_EQ(left.normalised, 0.0f);
}

TEST(CParameterSearchTest, KilohertzAndHertzOnOneScale)
{
    // 1650 Hz = 20 * 1000^x  ->  x = log(82.5) / log(1000) = 0.638...
    const double expected = std::log(1650.0 / 20.0) / std::log(1000.0);
    for (const char* requested : {"1650", "1650Hz", "1.65kHz", "1.65 KHZ"})
    {
        const SEARCH_RESULT result = Search(FrequencyDisplay, requested);
        ASSERT_TRUE(result.found) << requested << ": " << result.error;
        EXPECT_NEAR(result.normalised, expected, 2e-4) << requested;
        EXPECT_EQ(FrequencyDisplay(result.normalised), "1.65kHz") << requested;
    }
    const SEARCH_RESULT low = Search(FrequencyDisplay, "948Hz");
    ASSERT_TRUE(low.found) << low.error;
    EXPECT_EQ(FrequencyDisplay(low.normalised), "948Hz");
}

TEST(CParameterSearchTest, SecondsAndMillisecondsOnOneScale)
{
    const SEARCH_RESULT seconds = Search(TimeDisplay, "1.5s");
    ASSERT_TRUE(seconds.found) << seconds.error;
    EXPECT_EQ(TimeDisplay(seconds.normalised), "1.50s");
    // Unitless numbers are milliseconds when the parameter shows both ms and s.
    const SEARCH_RESULT plain = Search(TimeDisplay, "1500");
    ASSERT_TRUE(plain.found) << plain.error;
    EXPECT_EQ(TimeDisplay(plain.normalised), "1.50s");
    const SEARCH_RESULT milliseconds = Search(TimeDisplay, "14.1ms");
    ASSERT_TRUE(milliseconds.found) << milliseconds.error;
    EXPECT_EQ(TimeDisplay(milliseconds.normalised), "14.1ms");
}

TEST(CParameterSearchTest, UnitlessNumberTakesTheUnitShownAtBothEnds)
{
    // A parameter shown in seconds only: "2" means 2 s.
    const auto seconds = [](float x)
    { return Format("%.2fs", 0.1 + 9.9 * static_cast<double>(x)); };
    const SEARCH_RESULT result = Search(seconds, "2");
    ASSERT_TRUE(result.found) << result.error;
    EXPECT_EQ(seconds(result.normalised), "2.00s");
}

TEST(CParameterSearchTest, PanLeftRightAndCentre)
{
    const SEARCH_RESULT left = Search(PanDisplay, "L25%");
    ASSERT_TRUE(left.found) << left.error;
    EXPECT_EQ(PanDisplay(left.normalised), "L25%");
    EXPECT_NEAR(left.normalised, 0.375, 0.003); // (-25 / 200) + 0.5
    const SEARCH_RESULT right = Search(PanDisplay, "R40");
    ASSERT_TRUE(right.found) << right.error;
    EXPECT_EQ(PanDisplay(right.normalised), "R40%");
    const SEARCH_RESULT centre = Search(PanDisplay, "center");
    ASSERT_TRUE(centre.found) << centre.error;
    EXPECT_EQ(PanDisplay(centre.normalised), "Center");
    const SEARCH_RESULT zero = Search(PanDisplay, "0");
    ASSERT_TRUE(zero.found) << zero.error;
    EXPECT_EQ(PanDisplay(zero.normalised), "Center");
}

TEST(CParameterSearchTest, WordsMatchIgnoringCaseInTheMiddleOfTheirRun)
{
    const SEARCH_RESULT parallel = Search(ModeDisplay, "PARALLEL");
    ASSERT_TRUE(parallel.found) << parallel.error;
    EXPECT_NEAR(parallel.normalised, 0.375, 1e-6); // run 0.25 .. 0.5
    const SEARCH_RESULT filter = Search(ModeDisplay, "lowpass 24db");
    ASSERT_TRUE(filter.found) << filter.error;
    EXPECT_NEAR(filter.normalised, 0.625, 1e-6);
    const SEARCH_RESULT first = Search(ModeDisplay, "Serial");
    ASSERT_TRUE(first.found) << first.error;
    EXPECT_EQ(first.normalised, 0.0f);
    const SEARCH_RESULT last = Search(ModeDisplay, "1/16d");
    ASSERT_TRUE(last.found) << last.error;
    EXPECT_EQ(last.normalised, 1.0f);
}

TEST(CParameterSearchTest, UnknownWordListsTheChoices)
{
    const SEARCH_RESULT result = Search(ModeDisplay, "Sideways");
    EXPECT_FALSE(result.found);
    EXPECT_NE(result.error.find("'Sideways'"), std::string::npos) << result.error;
    EXPECT_NE(result.error.find("Test Param"), std::string::npos) << result.error;
    EXPECT_NE(result.error.find("Serial, Parallel, Lowpass 24dB, 1/16D"), std::string::npos)
        << result.error;
}

TEST(CParameterSearchTest, OutOfRangeNamesTheRange)
{
    for (const char* requested : {"+13dB", "+12.01", "1000dB"})
    {
        const SEARCH_RESULT result = Search(VolumeDisplay, requested);
        EXPECT_FALSE(result.found) << requested;
        EXPECT_NE(result.error.find("out of range"), std::string::npos) << result.error;
        EXPECT_NE(result.error.find("-inf .. +12.00dB"), std::string::npos) << result.error;
    }
    const SEARCH_RESULT high = Search(FrequencyDisplay, "25kHz");
    EXPECT_FALSE(high.found);
    EXPECT_NE(high.error.find("20Hz .. 20.0kHz"), std::string::npos) << high.error;
}

TEST(CParameterSearchTest, NumberInTheGapAfterMinusInfinityTakesTheLowestStep)
{
    // -100 dB lies between "-inf" (x = 0) and the lowest finite step (-60 dB just above 0): in
    // range, and the closer shown value is the finite one.
    for (const char* requested : {"-61", "-100dB"})
    {
        const SEARCH_RESULT result = Search(VolumeDisplay, requested);
        ASSERT_TRUE(result.found) << requested << ": " << result.error;
        EXPECT_GT(result.normalised, 0.0f);
        EXPECT_LT(result.normalised, 1e-3f);
        EXPECT_EQ(VolumeDisplay(result.normalised), "-60.00dB") << requested;
    }
}

TEST(CParameterSearchTest, WrongUnitIsRefused)
{
    const SEARCH_RESULT result = Search(VolumeDisplay, "50%");
    EXPECT_FALSE(result.found);
    EXPECT_NE(result.error.find("wrong unit"), std::string::npos) << result.error;
}

TEST(CParameterSearchTest, FallingDisplayIsSearchedTheOtherWay)
{
    // +6.0 = 12 - 24 x  ->  x = 0.25
    const SEARCH_RESULT result = Search(FallingDisplay, "+6");
    ASSERT_TRUE(result.found) << result.error;
    EXPECT_NEAR(result.normalised, 0.25, 0.003);
    EXPECT_EQ(FallingDisplay(result.normalised), "+6.0");
    EXPECT_FALSE(Search(FallingDisplay, "13").found);
}

TEST(CParameterSearchTest, NumbersAfterAnOffWord)
{
    const SEARCH_RESULT off = Search(OffThenPercentDisplay, "off");
    ASSERT_TRUE(off.found) << off.error;
    EXPECT_EQ(off.normalised, 0.0f);
    const SEARCH_RESULT lowest = Search(OffThenPercentDisplay, "20%");
    ASSERT_TRUE(lowest.found) << lowest.error;
    EXPECT_EQ(OffThenPercentDisplay(lowest.normalised), "20%");
    const SEARCH_RESULT half = Search(OffThenPercentDisplay, "60");
    ASSERT_TRUE(half.found) << half.error;
    EXPECT_EQ(OffThenPercentDisplay(half.normalised), "60%");
    const SEARCH_RESULT below = Search(OffThenPercentDisplay, "10%");
    EXPECT_FALSE(below.found);
    EXPECT_NE(below.error.find("20% .. 100%"), std::string::npos) << below.error;
}

TEST(CParameterSearchTest, BetweenDisplaySteps)
{
    // Whole-percent display asked for 37.4 %: the closer step, 37 %, is shown.
    const auto percent = [](float x) { return Format("%.0f%%", 100.0 * static_cast<double>(x)); };
    const SEARCH_RESULT result = Search(percent, "37.4");
    ASSERT_TRUE(result.found) << result.error;
    EXPECT_EQ(percent(result.normalised), "37%");
}

TEST(CParameterSearchTest, WordForANumericParameterSuggestsANumber)
{
    const SEARCH_RESULT result = Search(FrequencyDisplay, "loud");
    EXPECT_FALSE(result.found);
    EXPECT_NE(result.error.find("give a number such as '20Hz'"), std::string::npos) << result.error;
}

TEST(CParameterSearchTest, NumberForAWordParameterListsTheWords)
{
    const auto toggle = [](float x) { return std::string(x < 0.5f ? "Off" : "On"); };
    const SEARCH_RESULT result = Search(toggle, "1");
    EXPECT_FALSE(result.found);
    EXPECT_NE(result.error.find("one of: Off, On"), std::string::npos) << result.error;
    const SEARCH_RESULT on = Search(toggle, "ON");
    ASSERT_TRUE(on.found);
    EXPECT_EQ(on.normalised, 1.0f);
}
