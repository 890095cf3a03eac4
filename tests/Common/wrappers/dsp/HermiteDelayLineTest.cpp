#include "Common/wrappers/dsp/HermiteDelayLine.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{
// A quadratic, which 4-point Hermite (Catmull-Rom) interpolation reproduces exactly:
// its central differences are its exact slopes.
double Quadratic(double n)
{
    return 0.002 * n * n - 0.3 * n + 2.0;
}

// Pushes Quadratic(0 .. count - 1): a delay D then reads Quadratic(count - 1 - D).
void FillQuadratic(CHermiteDelayLine& line, int count)
{
    for (int n = 0; n < count; ++n)
        line.Push(static_cast<float>(Quadratic(n)));
}
} // namespace

TEST(CHermiteDelayLineTest, DelaysFollowTheSignalAndBeyondTheLineReadItsOldestSample)
{
    CHermiteDelayLine line;
    line.SetLength(100);
    FillQuadratic(line, 150);
    for (double delay : {0.0, 1.0, 7.0, 3.25, 10.5, 50.75, 97.5, 98.5})
        EXPECT_NEAR(line.Read(delay), Quadratic(149.0 - delay), 2e-4) << delay;
    for (double delay : {99.0, 100.0, 1e12, std::nan("")})
        EXPECT_FLOAT_EQ(line.Read(delay), static_cast<float>(Quadratic(149.0 - 99.0))) << delay;
    EXPECT_FLOAT_EQ(line.Read(-3.0), static_cast<float>(Quadratic(149.0)));
}

TEST(CHermiteDelayLineTest, ClearSilencesEverythingPushedBeforeAndShortDelaysReadTheInput)
{
    CHermiteDelayLine line;
    line.SetLength(100);
    FillQuadratic(line, 153);
    line.Clear();
    line.Push(0.25f);
    line.Push(0.5f);
    line.Push(1.0f);
    EXPECT_FLOAT_EQ(line.Read(0.0), 1.0f); // the current input
    EXPECT_FLOAT_EQ(line.Read(2.0), 0.25f);
    // Below one sample: between the current input and the one before, never the far end.
    for (double delay : {0.1, 0.5, 0.9})
    {
        EXPECT_GT(line.Read(delay), 0.5f) << delay;
        EXPECT_LT(line.Read(delay), 1.0f) << delay;
    }
    for (double delay : {4.0, 10.5, 50.0, 99.0, 1e9})
        EXPECT_EQ(line.Read(delay), 0.0f) << delay;
    // Block access sees the same history: the stale memory it reaches is zeroed.
    int write = 0, read = 0;
    ASSERT_TRUE(line.BeginBlock(4, 1, 40, write, read));
    const float* data = line.Data();
    EXPECT_EQ(data[read - 1], 1.0f);
    EXPECT_EQ(data[read - 3], 0.25f);
    for (int age = 3; age <= 42; ++age)
        EXPECT_EQ(data[read - 1 - age], 0.0f) << age;
    for (int i = 0; i < 4; ++i)
        line.Data()[write + i] = 2.0f;
    line.EndBlock(4);
    EXPECT_FLOAT_EQ(line.Read(0.0), 2.0f);
    EXPECT_FLOAT_EQ(line.Read(6.0), 0.25f);
    EXPECT_EQ(line.Read(20.0), 0.0f);
}

TEST(CHermiteDelayLineTest, StaleMemoryOfALongLineIsZeroedAPieceAtATime)
{
    // A cleared line read at a long delay: no block zeroes it all; block access is refused
    // (the reader takes Push and Taps, which read silence) until the zeroing reaches it.
    const int longest = 10000;
    CHermiteDelayLine line;
    line.SetLength(20000);
    for (int n = 0; n < 31000; ++n) // the line full, the next write far from its end
        line.Push(1.0f);
    line.Clear();
    line.Push(0.5f);
    int write = 0, read = 0;
    int refused = 0;
    while (!line.BeginBlock(4, 1, longest, write, read))
    {
        float scratch[4];
        const float* taps = line.Taps(longest, scratch);
        for (int k = 0; k < 4; ++k)
            ASSERT_EQ(taps[k], 0.0f) << k;
        ASSERT_LT(++refused, 100);
    }
    EXPECT_EQ(refused, (longest + 3 - 1 + CHermiteDelayLine::kValidateStep - 1) /
                           CHermiteDelayLine::kValidateStep - 1);
    const float* data = line.Data();
    EXPECT_EQ(data[read - 1], 0.5f);
    for (int age = 1; age <= longest + 2; ++age)
        ASSERT_EQ(data[read - 1 - age], 0.0f) << age;
}
