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
    return x <= 0.0f ? "-inf" : Format("%+.2fdB", -60.0 + 72.0 * static_cast<double>(x));
}

// Frequency: 20 Hz .. 20 kHz logarithmic, "948Hz" below 1 kHz, "1.65kHz" above.
std::string FrequencyDisplay(float x)
{
    const double hz = 20.0 * std::pow(1000.0, static_cast<double>(x));
    if (hz < 999.5)
        return Format("%.0fHz", hz);
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
    return pan == 0 ? "Center" : (pan < 0 ? "L" : "R") + std::to_string(std::labs(pan)) + "%";
}

// A word list of four entries, each a quarter of the range.
std::string ModeDisplay(float x)
{
    static const char* const kNames[] = {"Serial", "Parallel", "Lowpass 24dB", "1/16D"};
    return kNames[std::min(3, static_cast<int>(x * 4.0f))];
}

// `low` + `span` x the normalised value.
CParameterSearch::DisplayFunction Linear(const char* format, double low, double span)
{
    return [=](float x) { return Format(format, low + span * static_cast<double>(x)); };
}

// "Off" below 0.1, then 20 .. 100 %.
std::string OffThenPercentDisplay(float x)
{
    return x < 0.1f ? "Off" : Format("%.0f%%", 20.0 + 80.0 * (static_cast<double>(x) - 0.1) / 0.9);
}

std::string Toggle(float x)
{
    return x < 0.5f ? "Off" : "On";
}

struct SEARCH_CASE
{
    const char* label;
    CParameterSearch::DisplayFunction display;
    const char* requested;
    const char* shown; // display of the value found; nullptr: refused
    double normalised; // expected value found; NAN: not checked
    double tolerance;
    const char* message; // part of the refusal
};
} // namespace

// -3 dB = -60 + 72 x: x = 57 / 72, the middle of the "-3.00dB" run within 1e-5.
// 1650 Hz = 20 x 1000^x. Pan L25% = 0.375. Word runs: their middle, the ends exactly.
const double kKiloHertz = std::log(1650.0 / 20.0) / std::log(1000.0);
const SEARCH_CASE kCases[] = {
    {"DbPlain", VolumeDisplay, "-3", "-3.00dB", 57.0 / 72.0, 1e-5, ""},
    {"DbUnit", VolumeDisplay, "-3dB", "-3.00dB", 57.0 / 72.0, 1e-5, ""},
    {"MinusInf", VolumeDisplay, "-INF", "-inf", 0.0, 0.0, ""},
    {"Top", VolumeDisplay, "+12dB", "+12.00dB", 1.0, 0.0, ""},
    {"GapAfterInf", VolumeDisplay, "-61", "-60.00dB", 5e-4, 5e-4, ""},
    {"FarBelow", VolumeDisplay, "-100dB", "-60.00dB", 5e-4, 5e-4, ""},
    {"Hz", FrequencyDisplay, "1650", "1.65kHz", kKiloHertz, 2e-4, ""},
    {"KHz", FrequencyDisplay, "1.65kHz", "1.65kHz", kKiloHertz, 2e-4, ""},
    {"HzLow", FrequencyDisplay, "948Hz", "948Hz", NAN, 0.0, ""},
    {"Seconds", TimeDisplay, "1.5s", "1.50s", NAN, 0.0, ""},
    {"PlainIsMs", TimeDisplay, "1500", "1.50s", NAN, 0.0, ""},
    {"Ms", TimeDisplay, "14.1ms", "14.1ms", NAN, 0.0, ""},
    {"OnlySeconds", Linear("%.2fs", 0.1, 9.9), "2", "2.00s", NAN, 0.0, ""},
    {"PanLeft", PanDisplay, "L25%", "L25%", 0.375, 0.003, ""},
    {"PanEnd", PanDisplay, "L100%", "L100%", 0.0, 0.0, ""},
    {"PanRight", PanDisplay, "R40", "R40%", NAN, 0.0, ""},
    {"PanCentre", PanDisplay, "center", "Center", NAN, 0.0, ""},
    {"PanZero", PanDisplay, "0", "Center", NAN, 0.0, ""},
    {"WordCase", ModeDisplay, "PARALLEL", "Parallel", 0.375, 1e-6, ""},
    {"WordSpaces", ModeDisplay, "lowpass 24db", "Lowpass 24dB", 0.625, 1e-6, ""},
    {"WordFirst", ModeDisplay, "Serial", "Serial", 0.0, 0.0, ""},
    {"WordLast", ModeDisplay, "1/16d", "1/16D", 1.0, 0.0, ""},
    {"Falling", Linear("%+.1f", 12.0, -24.0), "+6", "+6.0", 0.25, 0.003, ""}, // counts down
    {"Off", OffThenPercentDisplay, "off", "Off", 0.0, 0.0, ""},
    {"AfterOff", OffThenPercentDisplay, "20%", "20%", NAN, 0.0, ""},
    {"AfterOffPlain", OffThenPercentDisplay, "60", "60%", NAN, 0.0, ""},
    {"BetweenSteps", Linear("%.0f%%", 0.0, 100.0), "37.4", "37%", NAN, 0.0, ""},
    {"ToggleWord", Toggle, "ON", "On", 1.0, 0.0, ""},
    {"UnknownWord", ModeDisplay, "Sideways", nullptr, NAN, 0.0,
     "'Sideways' for 'Test Param'; it shows one of: Serial, Parallel, Lowpass 24dB, 1/16D"},
    {"AboveTop", VolumeDisplay, "+13dB", nullptr, NAN, 0.0, "out of range"},
    {"JustAbove", VolumeDisplay, "+12.01", nullptr, NAN, 0.0, "-inf .. +12.00dB"},
    {"HzAbove", FrequencyDisplay, "25kHz", nullptr, NAN, 0.0, "20Hz .. 20.0kHz"},
    {"WrongUnit", VolumeDisplay, "50%", nullptr, NAN, 0.0, "wrong unit"},
    {"FallingOut", Linear("%+.1f", 12.0, -24.0), "13", nullptr, NAN, 0.0, ""},
    {"BelowAfterOff", OffThenPercentDisplay, "10%", nullptr, NAN, 0.0, "20% .. 100%"},
    {"WordForNumber", FrequencyDisplay, "loud", nullptr, NAN, 0.0, "give a number such as '20Hz'"},
    {"NumberForWord", Toggle, "1", nullptr, NAN, 0.0, "one of: Off, On"},
};

TEST(CParameterSearchTest, FindsTheValueShownOrSaysWhy)
{
    for (const SEARCH_CASE& c : kCases)
    {
        SCOPED_TRACE(c.label);
        CParameterSearch search("Test Param", c.display);
        float normalised = -1.0f;
        std::string error;
        const bool found = search.Find(c.requested, normalised, error);
        if (!c.shown)
        {
            EXPECT_FALSE(found);
            EXPECT_NE(error.find(c.message), std::string::npos) << error;
            continue;
        }
        ASSERT_TRUE(found) << error;
        EXPECT_EQ(c.display(normalised), c.shown);
        if (!std::isnan(c.normalised))
        {
            EXPECT_NEAR(normalised, c.normalised, c.tolerance);
        }
    }
}
