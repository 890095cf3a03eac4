// Level-to-position mapping of the decibel meter (-48 .. +8 dB as in the editor), its fall,
// and that it asks for a paint only when another segment lights or goes out.
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
        EXPECT_NEAR(c.position, meter.GetShownPosition(), 1e-5f) << c.what;
        // From rest (nothing lit) a paint is asked only when a segment lights.
        const bool lights = meter.SegmentsFor(c.position) > 0;
        EXPECT_EQ(lights, meter.isDirty()) << c.what;
        if (lights)
        {
            EXPECT_NEAR(c.position, meter.getValue(), 1e-5f) << c.what;
        }
    }
}

TEST(CDecibelMeterTest, PaintsOnlyWhenTheLitSegmentsChange)
{
    // 10 segments over 0..1 position; linear level 1.0 is the top (0 dB maximum).
    CDecibelMeter meter(CRect(0, 0, 8, 100), nullptr, nullptr, 10, 0.0f, -100.0f);
    meter.SetFallStep(0.02f);
    const auto levelAt = [](float position) { return std::pow(10.0f, (position - 1.0f) * 5.0f); };
    meter.setValue(levelAt(0.5f));
    ASSERT_EQ(5, meter.SegmentsFor(meter.getValue()));
    meter.setDirty(false);

    // A steady level, or one moving within the same segment, paints nothing.
    for (float position : {0.5f, 0.52f, 0.5f, 0.53f})
    {
        meter.setValue(levelAt(position));
        EXPECT_FALSE(meter.isDirty()) << position;
    }
    // Silence: the meter falls 0.02 per level given and paints once per segment it loses,
    // down to rest, then stays quiet.
    int paints = 0;
    for (int i = 0; i < 60; ++i)
    {
        meter.setValue(0.0f);
        if (meter.isDirty())
        {
            ++paints;
            meter.setDirty(false);
        }
    }
    EXPECT_EQ(5, paints);
    EXPECT_EQ(0, meter.SegmentsFor(meter.getValue()));
    EXPECT_FLOAT_EQ(0.0f, meter.GetShownPosition());
    // A peak lights its segments at once.
    meter.setValue(levelAt(0.91f));
    EXPECT_TRUE(meter.isDirty());
    EXPECT_EQ(9, meter.SegmentsFor(meter.getValue()));
}
