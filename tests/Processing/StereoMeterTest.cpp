// The output meters and the peak limiter as values: figures from their definitions
// (20 dB per second, 99 % in 0.1 ms and 500 ms, the sign of l r), not from the code.
#include "Processing/PeakLimiter.h"
#include "Processing/StereoMeter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

TEST(StereoMeterTest, CorrelationSettlesOnTheSignOfTheProduct)
{
    const float pairs[4][3] = {{0.5f, 0.5f, 1.0f}, {0.5f, -0.25f, -1.0f}, {0, 0, 0}, {0.5f, 0, 0}};
    for (const auto& c : pairs)
    {
        CStereoMeter meter;
        meter.SetSampleRate(48000.0f);
        const std::vector<float> left(16, c[0]), right(16, c[1]);
        for (int n = 0; n < 5 * 3000; ++n) // 5 s
            meter.Process(left.data(), right.data(), 16);
        // A float one-pole this close to 1 stalls about 2e-4 short of its target.
        EXPECT_NEAR(meter.GetCorrelation(), c[2], 2e-4f) << c[0] << ", " << c[1];
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
    const float silence[16] = {};
    for (int n = 0; n < 3000; ++n) // 1 s
        meter.Process(silence, silence, 16);
    EXPECT_NEAR(20.0f * std::log10(meter.GetPeakRight() / 0.8f), -20.0f, 0.05f);
    meter.Reset();
    EXPECT_EQ(meter.GetPeakLeft(), 0.0f);
    EXPECT_EQ(meter.GetCorrelation(), 0.0f);
}

TEST(PeakLimiterTest, EnvelopeCoversNinetyNinePercentInItsAttackAndReleaseTimes)
{
    CPeakLimiter limiter;
    limiter.SetSampleRate(10000.0f);
    // 0.1 ms rising (one sample), 500 ms falling.
    const float cases[2][3] = {{0.0f, 2.0f, 1.0f}, {2.0f, 0.0f, 5000.0f}};
    for (const auto& c : cases)
    {
        float envelope = c[0];
        for (int i = 0; i < static_cast<int>(c[2]); ++i)
            envelope = limiter.Follow(c[1], envelope);
        EXPECT_NEAR(std::fabs(envelope - c[1]) / std::fabs(c[0] - c[1]), 0.01f, 1e-3f);
    }
}
