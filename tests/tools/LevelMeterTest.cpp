#include "LevelMeter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

using namespace morvex::render;

TEST(CLevelMeterTest, FullScaleSineIsZeroPeakAndMinusThreeRms)
{
    // A sine of amplitude 1 over whole periods, 48 samples each (sample 12 is the crest):
    // peak 0 dBFS, RMS 1/sqrt(2) = -3.0103 dBFS.
    std::vector<float> sine(4800);
    for (std::size_t n = 0; n < sine.size(); ++n)
    {
        sine[n] = static_cast<float>(
            std::sin(2.0 * 3.14159265358979323846 * static_cast<double>(n) / 48.0));
    }
    CLevelMeter meter;
    meter.Add(sine.data(), sine.size());
    EXPECT_NEAR(meter.PeakDb(), 0.0, 1e-4);
    EXPECT_NEAR(meter.RmsDb(), -3.0103, 1e-3);
    EXPECT_EQ(meter.NumNonFinite(), 0);
}

TEST(CLevelMeterTest, SilenceIsMinusInfinity)
{
    const std::vector<float> silence(100, 0.0f);
    CLevelMeter meter;
    meter.Add(silence.data(), silence.size());
    EXPECT_TRUE(std::isinf(meter.PeakDb()));
    EXPECT_EQ(CLevelMeter::FormatDb(meter.PeakDb()), "-inf");
    EXPECT_EQ(CLevelMeter::FormatDb(meter.RmsDb()), "-inf");
    EXPECT_EQ(CLevelMeter::FormatDb(-3.04), "-3.0");
}

TEST(CLevelMeterTest, NonFiniteSamplesAreCountedAndLeftOut)
{
    const std::vector<float> samples{0.5f, std::numeric_limits<float>::quiet_NaN(), -0.5f,
                                     std::numeric_limits<float>::infinity()};
    CLevelMeter meter;
    meter.Add(samples.data(), samples.size());
    EXPECT_EQ(meter.NumNonFinite(), 2);
    // Finite samples 0.5 and -0.5: peak and RMS both 20 log10(0.5) = -6.0206 dBFS.
    EXPECT_NEAR(meter.PeakDb(), -6.0206, 1e-3);
    EXPECT_NEAR(meter.RmsDb(), -6.0206, 1e-3);
}
