// The output meters and the peak limiter as values: figures from their definitions
// (20 dB per second, 99 % in 0.1 ms and 500 ms, the sign of l r), not from the code.
#include "Processing/PeakLimiter.h"
#include "Processing/StereoMeter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace
{
// Feeds `seconds` of the pair (l, r) at 48 kHz in 16-sample pieces.
void Feed(CStereoMeter& meter, float l, float r, float seconds)
{
    const std::vector<float> left(16, l), right(16, r);
    for (int n = static_cast<int>(48000.0f * seconds / 16.0f); n > 0; --n)
        meter.Process(left.data(), right.data(), 16);
}
} // namespace

TEST(StereoMeterTest, CorrelationSettlesOnTheSignOfTheProduct)
{
    struct CASE
    {
        float left, right, correlation;
    };
    for (const CASE& c : {CASE{0.5f, 0.5f, 1.0f}, CASE{0.5f, -0.25f, -1.0f}, CASE{0.0f, 0.0f, 0.0f},
                          CASE{0.5f, 0.0f, 0.0f}})
    {
        CStereoMeter meter;
        meter.SetSampleRate(48000.0f);
        Feed(meter, c.left, c.right, 5.0f);
        // Within 2e-4: a float one-pole with a coefficient this close to 1 stalls short of
        // its target by about that much.
        EXPECT_NEAR(meter.GetCorrelation(), c.correlation, 2e-4f) << c.left << ", " << c.right;
    }
}

TEST(StereoMeterTest, PeaksHoldTheLoudestSampleAndFallTwentyDecibelsPerSecond)
{
    CStereoMeter meter;
    meter.SetSampleRate(48000.0f);
    const float burst[16] = {0.0f, -0.8f};
    const float quiet[16] = {0.1f};
    meter.Process(quiet, burst, 16);
    // -20 dB per second is a factor 10^(-1 / rate) per sample after the peak.
    EXPECT_NEAR(meter.GetPeakRight(), 0.8f * std::pow(10.0f, -14.0f / 48000.0f), 1e-6f);
    EXPECT_NEAR(meter.GetPeakLeft(), 0.1f * std::pow(10.0f, -15.0f / 48000.0f), 1e-6f);
    Feed(meter, 0.0f, 0.0f, 1.0f);
    EXPECT_NEAR(20.0f * std::log10(meter.GetPeakRight() / 0.8f), -20.0f, 0.05f);
    meter.Reset();
    EXPECT_EQ(meter.GetPeakLeft(), 0.0f);
    EXPECT_EQ(meter.GetCorrelation(), 0.0f);
}

TEST(PeakLimiterTest, EnvelopeCoversNinetyNinePercentInItsAttackAndReleaseTimes)
{
    CPeakLimiter limiter;
    limiter.SetSampleRate(10000.0f);
    struct CASE
    {
        float from, level;
        int samples; // 0.1 ms rising, 500 ms falling
    };
    for (const CASE& c : {CASE{0.0f, 2.0f, 1}, CASE{2.0f, 0.0f, 5000}})
    {
        float envelope = c.from;
        for (int i = 0; i < c.samples; ++i)
            envelope = limiter.Follow(c.level, envelope);
        EXPECT_NEAR(std::fabs(envelope - c.level) / std::fabs(c.from - c.level), 0.01f, 1e-3f);
    }
}
