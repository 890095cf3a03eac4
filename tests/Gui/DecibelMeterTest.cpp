// Level-to-position mapping of the decibel meter (-48 .. +8 dB as in the editor).
#include "Gui/DecibelMeter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace VSTGUI;

TEST(CDecibelMeterTest, LinearLevelMapsOntoTheDecibelRange)
{
    struct CASE
    {
        const char* what;
        float level;
        bool inverse;
        float position;
    };
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const CASE cases[] = {
        {"silence is the minimum", 0.0f, false, 0.0f},
        {"negative is the minimum", -1.0f, false, 0.0f},
        {"NaN is the minimum", nan, false, 0.0f},
        {"0 dB: 48 of 56 dB", 1.0f, false, 48.0f / 56.0f},
        {"-24 dB: 24 of 56 dB", std::pow(10.0f, -24.0f / 20.0f), false, 24.0f / 56.0f},
        {"+8 dB is the top", std::pow(10.0f, 8.0f / 20.0f), false, 1.0f},
        {"louder stays at the top", 100.0f, false, 1.0f},
        {"below -48 dB is the minimum", 1e-4f, false, 0.0f},
        {"inverse 0 dB", 1.0f, true, 8.0f / 56.0f},
    };
    for (const CASE& c : cases)
    {
        CDecibelMeter meter(CRect(0, 0, 8, 75), nullptr, nullptr, 38, 8.0f, -48.0f, c.inverse);
        meter.setValue(c.level);
        EXPECT_NEAR(c.position, meter.getValue(), 1e-5f) << c.what;
        EXPECT_TRUE(meter.isDirty()) << c.what;
    }
}
