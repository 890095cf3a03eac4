// All-pass interpolated delay read: impulse responses against the first-order
// all-pass of the delay's fraction, from half a sample up, and the clamps.
#include "Common/wrappers/dsp/DelayAp.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace
{
// Impulse response of z^-M (a + z^-1) / (1 + a z^-1) with the delay split so that the
// fraction t lies in 0.5..1.5 (M = delay - t) and a = (1 - t) / (1 + t); difference
// equation y[n] = a u[n] + u[n-1] - a y[n-1], u the impulse delayed by M.
std::vector<double> AllPassDelayImpulse(double delay, int length)
{
    const double whole = std::floor(delay);
    const double fraction = delay - whole;
    const double t = fraction < 0.5 ? 1.0 + fraction : fraction;
    const int m = static_cast<int>(std::lround(delay - t));
    const double a = (1.0 - t) / (1.0 + t);
    std::vector<double> y(static_cast<size_t>(length));
    double u1 = 0.0, y1 = 0.0;
    for (int n = 0; n < length; ++n)
    {
        const double u = n == m ? 1.0 : 0.0;
        y1 = a * u + u1 - a * y1;
        u1 = u;
        y[static_cast<size_t>(n)] = y1;
    }
    return y;
}

// Response of a line of `size` samples after `warmUp` silent samples (write index moved on).
std::vector<float> Measure(float delay, int size = 256, int warmUp = 200, int length = 96)
{
    CDelayAp line;
    line.SetSize(size);
    for (int n = 0; n < warmUp; ++n)
        line.Process(0.0f, delay);
    std::vector<float> y(static_cast<size_t>(length));
    for (int n = 0; n < length; ++n)
        y[static_cast<size_t>(n)] = line.Process(n == 0 ? 1.0f : 0.0f, delay);
    return y;
}
} // namespace

TEST(CDelayApTest, ImpulseResponseIsTheAllPassOfTheFraction)
{
    // From half a sample (the current input through the all-pass) to past the line's wrap.
    for (double delay : {0.5, 0.75, 1.0, 1.2, 1.49, 1.5, 2.0, 7.3, 7.6, 90.25})
    {
        const std::vector<double> expected = AllPassDelayImpulse(delay, 96);
        const std::vector<float> got = Measure(static_cast<float>(delay));
        for (size_t n = 0; n < expected.size(); ++n)
            ASSERT_NEAR(expected[n], got[n], 1e-6) << "delay " << delay << " sample " << n;
    }
}

TEST(CDelayApTest, DelaysOutsideTheLineAreClampedAndBadInputIsNotStored)
{
    const std::vector<float> half = Measure(0.5f);
    EXPECT_EQ(half, Measure(0.2f));
    EXPECT_EQ(half, Measure(std::numeric_limits<float>::quiet_NaN()));
    // A line of 64 samples reads at most 62 samples back.
    EXPECT_EQ(Measure(62.0f, 64, 10, 96), Measure(1000.0f, 64, 10, 96));
    CDelayAp line;
    line.SetSize(64);
    line.Process(std::numeric_limits<float>::infinity(), 3.0f);
    line.Process(std::numeric_limits<float>::quiet_NaN(), 3.0f);
    for (int n = 0; n < 200; ++n)
        ASSERT_EQ(0.0f, line.Process(0.0f, 3.0f + 0.01f * static_cast<float>(n % 40)));
}

TEST(CDelayApTest, ClearedLineSoundsLikeANewOne)
{
    // The clear does not touch the memory: what was written before it must still read as
    // silence, at every delay and wherever the write index stands.
    for (float delay : {0.5f, 0.7f, 1.3f, 17.5f, 100.25f, 253.9f})
    {
        CDelayAp used;
        used.SetSize(256);
        for (int n = 0; n < 300; ++n)
            used.Process(n % 2 ? 0.9f : -0.8f, 37.0f);
        used.Clear();
        CDelayAp fresh;
        fresh.SetSize(256);
        for (int n = 0; n < 400; ++n)
        {
            const float x = static_cast<float>((n * 7919) % 263) / 263.0f - 0.5f;
            const float sweep = delay + static_cast<float>(n % 5) * 0.1f;
            ASSERT_EQ(used.Process(x, sweep), fresh.Process(x, sweep)) << delay << " " << n;
        }
    }
}
