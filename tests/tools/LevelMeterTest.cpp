#include "LevelMeter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

using namespace morvex::render;

TEST(CLevelMeterTest, PeakAndRmsInDbfsWithNonFiniteSamplesCountedAndLeftOut)
{
    // A sine of amplitude 1 over whole periods of 48 samples (sample 12 is the crest): peak
    // 0 dBFS, RMS 1/sqrt(2) = -3.0103 dBFS.
    std::vector<float> sine(4800);
    for (std::size_t n = 0; n < sine.size(); ++n)
        sine[n] = static_cast<float>(std::sin(2.0 * M_PI * static_cast<double>(n) / 48.0));
    CLevelMeter meter;
    meter.Add(sine.data(), sine.size());
    EXPECT_NEAR(meter.PeakDb(), 0.0, 1e-4);
    EXPECT_NEAR(meter.RmsDb(), -3.0103, 1e-3);
    EXPECT_EQ(meter.NumNonFinite(), 0);

    // Finite samples 0.5 and -0.5: peak and RMS both 20 log10(0.5) = -6.0206 dBFS.
    const std::vector<float> samples{0.5f, std::numeric_limits<float>::quiet_NaN(), -0.5f,
                                     std::numeric_limits<float>::infinity()};
    CLevelMeter mixed;
    mixed.Add(samples.data(), samples.size());
    EXPECT_EQ(mixed.NumNonFinite(), 2);
    EXPECT_NEAR(mixed.PeakDb(), -6.0206, 1e-3);
    EXPECT_NEAR(mixed.RmsDb(), -6.0206, 1e-3);

    const std::vector<float> silence(100, 0.0f);
    CLevelMeter quiet;
    quiet.Add(silence.data(), silence.size());
    EXPECT_TRUE(std::isinf(quiet.PeakDb()));
    EXPECT_EQ(CLevelMeter::FormatDb(quiet.PeakDb()), "-inf");
    EXPECT_EQ(CLevelMeter::FormatDb(quiet.RmsDb()), "-inf");
    EXPECT_EQ(CLevelMeter::FormatDb(-3.04), "-3.0");
}
