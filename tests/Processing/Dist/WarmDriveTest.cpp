// The warm drive: Process and ProcessSeries agree; the DC blocker's pole.
#include "Processing/Dist/WarmDrive.h"
#include "support/Signals.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

TEST(CWarmDriveTest, SeriesOfTwoDrivesEqualsProcessingEachSampleThroughBoth)
{
    for (float crispness : {0.0f, 0.6f, 1.0f})
    {
        CWarmDrive first, second, seriesFirst, seriesSecond;
        TestSignals::Signal left = TestSignals::Noise(4096, 7, 0.9f);
        TestSignals::Signal right = TestSignals::Noise(4096, 8, 0.9f);
        TestSignals::Signal seriesLeft = left, seriesRight = right, drive(left.size());
        for (size_t i = 0; i < left.size(); ++i)
        {
            drive[i] = static_cast<float>(i / 512) / 7.0f; // a new drive every 512 samples
            first.Process(left[i], right[i], drive[i], crispness);
            second.Process(left[i], right[i], drive[i], crispness);
        }
        CWarmDrive::ProcessSeries(seriesFirst, seriesSecond, seriesLeft.data(), seriesRight.data(),
                                  drive.data(), crispness, static_cast<int>(left.size()));
        for (size_t i = 0; i < left.size(); ++i)
        {
            ASSERT_FLOAT_EQ(seriesLeft[i], left[i]) << crispness << " @" << i;
            ASSERT_FLOAT_EQ(seriesRight[i], right[i]) << crispness << " @" << i;
        }
    }
}

TEST(CWarmDriveTest, DcIsBlockedByTheBlockersPole)
{
    const double rate = 44100.0, beta = 0.1 * rate / (1.0 + 0.1 * rate);
    CWarmDrive warm;
    warm.SetSampleRate(static_cast<float>(rate));
    float zeroL = 0.0f, zeroR = 0.0f;
    warm.Process(zeroL, zeroR, 0.5f, 0.5f);
    EXPECT_NEAR(zeroL, 0.0f, 1e-6f); // the curve passes through 0
    warm.Reset();
    // A DC step: out[n] = beta^(n + 1) shape(x), so out[n] / out[0] = beta^n.
    float first = 0.0f;
    for (int n = 0; n <= 44100; ++n)
    {
        float l = 0.5f, r = -0.5f;
        warm.Process(l, r, 0.5f, 0.5f);
        first = n == 0 ? l : first;
        if (n == 0)
        {
            EXPECT_LT(r, 0.0f);
        }
        else if (n % 11025 == 0)
        {
            EXPECT_NEAR(l / first, std::pow(beta, n), 1e-3 * std::pow(beta, n)) << n;
        }
    }
}

TEST(CWarmDriveTest, NonFiniteSampleLeavesNoLastingTrace)
{
    // Finite from the next sample on; the rest fades with the blocker (e^-10 after 1 s).
    CWarmDrive warm, fresh;
    warm.SetSampleRate(44100.0f);
    fresh.SetSampleRate(44100.0f);
    float l = std::numeric_limits<float>::quiet_NaN(), r = std::numeric_limits<float>::infinity();
    warm.Process(l, r, 1.0f, 1.0f);
    float x = 0.0f, y = 0.0f, freshX = 0.0f, freshY = 0.0f;
    for (int n = 0; n < 44100; ++n)
    {
        x = y = freshX = freshY = 0.0f;
        warm.Process(x, y, 1.0f, 1.0f);
        fresh.Process(freshX, freshY, 1.0f, 1.0f);
        ASSERT_TRUE(std::isfinite(x) && std::isfinite(y)) << n;
    }
    EXPECT_NEAR(x, freshX, 1e-6f);
    EXPECT_NEAR(y, freshY, 1e-6f);
}
