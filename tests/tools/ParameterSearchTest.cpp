#include "ParameterSearch.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

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

std::string Percent(float x)
{
    return Format("%.0f%%", 100.0 * static_cast<double>(x));
}

std::string Seconds(float x)
{
    return Format("%.2fs", 0.1 + 9.9 * static_cast<double>(x));
}

std::string Toggle(float x)
{
    return x < 0.5f ? "Off" : "On";
}

struct SEARCH_CASE
{
    const char* label;
    std::string (*display)(float);
    const char* requested;
    const char* shown;    // display of the value found; nullptr: refused
    double normalised;    // expected value found; NAN: not checked
    double tolerance;
    const char* message;  // part of the refusal
};

void PrintTo(const SEARCH_CASE& c, std::ostream* os)
{
    *os << c.requested;
}

class CParameterSearchTest : public ::testing::TestWithParam<SEARCH_CASE>
{
};
} // namespace

TEST_P(CParameterSearchTest, FindsTheValueShownOrSaysWhy)
{
    const SEARCH_CASE& c = GetParam();
    CParameterSearch search("Test Param", c.display);
    float normalised = -1.0f;
    std::string error;
    const bool found = search.Find(c.requested, normalised, error);
    if (!c.shown)
    {
        EXPECT_FALSE(found) << c.requested;
        EXPECT_NE(error.find(c.message), std::string::npos) << error;
        return;
    }
    ASSERT_TRUE(found) << c.requested << ": " << error;
    EXPECT_EQ(c.display(normalised), c.shown) << c.requested;
    if (!std::isnan(c.normalised))
    {
        EXPECT_NEAR(normalised, c.normalised, c.tolerance) << c.requested;
    }
}

// -3 dB = -60 + 72 x: x = 57 / 72, the middle of the "-3.00dB" run within 1e-5.
// 1650 Hz = 20 x 1000^x. Pan L25% = 0.375. Word runs: their middle, the ends exactly.
const double kKiloHertz = std::log(1650.0 / 20.0) / std::log(1000.0);
INSTANTIATE_TEST_SUITE_P(
    Requests, CParameterSearchTest,
    ::testing::Values(
        SEARCH_CASE{"DbPlain", VolumeDisplay, "-3", "-3.00dB", 57.0 / 72.0, 1e-5, ""},
        SEARCH_CASE{"DbUnit", VolumeDisplay, "-3dB", "-3.00dB", 57.0 / 72.0, 1e-5, ""},
        SEARCH_CASE{"DbSpace", VolumeDisplay, "-3.00 dB", "-3.00dB", 57.0 / 72.0, 1e-5, ""},
        SEARCH_CASE{"MinusInf", VolumeDisplay, "-INF", "-inf", 0.0, 0.0, ""},
        SEARCH_CASE{"Top", VolumeDisplay, "+12dB", "+12.00dB", 1.0, 0.0, ""},
        SEARCH_CASE{"GapAfterInf", VolumeDisplay, "-61", "-60.00dB", 5e-4, 5e-4, ""},
        SEARCH_CASE{"FarBelow", VolumeDisplay, "-100dB", "-60.00dB", 5e-4, 5e-4, ""},
        SEARCH_CASE{"Hz", FrequencyDisplay, "1650", "1.65kHz", kKiloHertz, 2e-4, ""},
        SEARCH_CASE{"HzUnit", FrequencyDisplay, "1650Hz", "1.65kHz", kKiloHertz, 2e-4, ""},
        SEARCH_CASE{"KHz", FrequencyDisplay, "1.65kHz", "1.65kHz", kKiloHertz, 2e-4, ""},
        SEARCH_CASE{"KHzCase", FrequencyDisplay, "1.65 KHZ", "1.65kHz", kKiloHertz, 2e-4, ""},
        SEARCH_CASE{"HzLow", FrequencyDisplay, "948Hz", "948Hz", NAN, 0.0, ""},
        SEARCH_CASE{"Seconds", TimeDisplay, "1.5s", "1.50s", NAN, 0.0, ""},
        SEARCH_CASE{"PlainIsMs", TimeDisplay, "1500", "1.50s", NAN, 0.0, ""},
        SEARCH_CASE{"Ms", TimeDisplay, "14.1ms", "14.1ms", NAN, 0.0, ""},
        SEARCH_CASE{"OnlySeconds", Seconds, "2", "2.00s", NAN, 0.0, ""},
        SEARCH_CASE{"PanLeft", PanDisplay, "L25%", "L25%", 0.375, 0.003, ""},
        SEARCH_CASE{"PanEnd", PanDisplay, "L100%", "L100%", 0.0, 0.0, ""},
        SEARCH_CASE{"PanRight", PanDisplay, "R40", "R40%", NAN, 0.0, ""},
        SEARCH_CASE{"PanCentre", PanDisplay, "center", "Center", NAN, 0.0, ""},
        SEARCH_CASE{"PanZero", PanDisplay, "0", "Center", NAN, 0.0, ""},
        SEARCH_CASE{"WordCase", ModeDisplay, "PARALLEL", "Parallel", 0.375, 1e-6, ""},
        SEARCH_CASE{"WordSpaces", ModeDisplay, "lowpass 24db", "Lowpass 24dB", 0.625, 1e-6, ""},
        SEARCH_CASE{"WordFirst", ModeDisplay, "Serial", "Serial", 0.0, 0.0, ""},
        SEARCH_CASE{"WordLast", ModeDisplay, "1/16d", "1/16D", 1.0, 0.0, ""},
        SEARCH_CASE{"Falling", FallingDisplay, "+6", "+6.0", 0.25, 0.003, ""},
        SEARCH_CASE{"Off", OffThenPercentDisplay, "off", "Off", 0.0, 0.0, ""},
        SEARCH_CASE{"AfterOff", OffThenPercentDisplay, "20%", "20%", NAN, 0.0, ""},
        SEARCH_CASE{"AfterOffPlain", OffThenPercentDisplay, "60", "60%", NAN, 0.0, ""},
        SEARCH_CASE{"BetweenSteps", Percent, "37.4", "37%", NAN, 0.0, ""},
        SEARCH_CASE{"ToggleWord", Toggle, "ON", "On", 1.0, 0.0, ""},
        SEARCH_CASE{"UnknownWord", ModeDisplay, "Sideways", nullptr, NAN, 0.0,
                    "'Sideways' for 'Test Param'"},
        SEARCH_CASE{"Choices", ModeDisplay, "Sideways", nullptr, NAN, 0.0,
                    "Serial, Parallel, Lowpass 24dB, 1/16D"},
        SEARCH_CASE{"AboveTop", VolumeDisplay, "+13dB", nullptr, NAN, 0.0, "out of range"},
        SEARCH_CASE{"JustAbove", VolumeDisplay, "+12.01", nullptr, NAN, 0.0, "-inf .. +12.00dB"},
        SEARCH_CASE{"FarAbove", VolumeDisplay, "1000dB", nullptr, NAN, 0.0, "-inf .. +12.00dB"},
        SEARCH_CASE{"HzAbove", FrequencyDisplay, "25kHz", nullptr, NAN, 0.0, "20Hz .. 20.0kHz"},
        SEARCH_CASE{"WrongUnit", VolumeDisplay, "50%", nullptr, NAN, 0.0, "wrong unit"},
        SEARCH_CASE{"FallingOut", FallingDisplay, "13", nullptr, NAN, 0.0, ""},
        SEARCH_CASE{"BelowAfterOff", OffThenPercentDisplay, "10%", nullptr, NAN, 0.0,
                    "20% .. 100%"},
        SEARCH_CASE{"WordForNumber", FrequencyDisplay, "loud", nullptr, NAN, 0.0,
                    "give a number such as '20Hz'"},
        SEARCH_CASE{"NumberForWord", Toggle, "1", nullptr, NAN, 0.0, "one of: Off, On"}),
    [](const ::testing::TestParamInfo<SEARCH_CASE>& test)
    { return std::string(test.param.label); });
