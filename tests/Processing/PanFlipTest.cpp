#include "Processing/PanFlip.h"

#include "support/Signals.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

namespace
{
// Gain smoothing coefficient from its published form: 1 - exp(-1 / (rate 0.001 (30 s^2 + 3))).
double Coefficient(double rate, double smooth)
{
    return 1.0 - std::exp(-1.0 / (rate * 0.001 * (30.0 * smooth * smooth + 3.0)));
}

class CPanFlipRateTest : public ::testing::TestWithParam<float>
{
protected:
    void SetUp() override
    {
        m_rate = GetParam();
        m_flip.SetSampleRate(m_rate);
    }
    float m_rate = 48000.0f;
    CPanFlip m_flip;
};
} // namespace

TEST_P(CPanFlipRateTest, GainsFadeInOverTheSmoothingTime)
{
    for (double smooth : {0.0, 0.5, 1.0})
    {
        SCOPED_TRACE(smooth);
        m_flip.SetSmooth(static_cast<float>(smooth));
        m_flip.Reset();
        // Phase stays in the first half: the left gain heads for 1 from 0, the right stays 0.
        const double c = Coefficient(m_rate, smooth);
        for (int n = 0; n < 4000; ++n)
        {
            float left = 1.0f;
            float right = 1.0f;
            m_flip.Process(left, right, 1e-6f, false, 1.0f);
            ASSERT_NEAR(left, 1.0 - std::pow(1.0 - c, n + 1), 2e-5) << n;
            ASSERT_EQ(right, 0.0f) << n;
        }
    }
}

TEST_P(CPanFlipRateTest, SyncedFlipTakesItsPhaseFromTheHostPosition)
{
    const float increment = 0.0001f;
    const double c = Coefficient(m_rate, 0.0);
    // Settle on the left side (phase up to 0.3; the left gain within 1e-4 of 1).
    auto settle = [&]
    {
        m_flip.Reset();
        for (int n = 0; n < 3000; ++n)
        {
            float l = 1.0f, r = 1.0f;
            m_flip.Process(l, r, increment, false, 1.0f);
        }
    };
    settle();
    // Unsynced, a new host position is ignored: still left.
    m_flip.SetHostSamplePos(12346000.0f); // x 0.0001: phase 0.6, the right side
    float left = 1.0f, right = 1.0f;
    m_flip.Process(left, right, increment, false, 1.0f);
    EXPECT_GT(left, 0.999f);
    EXPECT_LT(right, 0.001f);

    // Synced: phase = frac(position x increment) + increment = 0.6001: the right side, so
    // the left gain falls by the factor 1 - c and the right one rises by c.
    settle();
    float leftBefore = 1.0f, rightBefore = 1.0f;
    m_flip.Process(leftBefore, rightBefore, increment, false, 1.0f);
    m_flip.SetHostSamplePos(-12344000.0f); // a pre-roll position: frac(-1234.4) = 0.6 too
    left = right = 1.0f;
    m_flip.Process(left, right, increment, true, 1.0f);
    EXPECT_NEAR(left, leftBefore * (1.0 - c), 1e-6);
    EXPECT_NEAR(right, rightBefore + (1.0 - rightBefore) * c, 1e-6);
    // The position is taken once: the phase then runs on and wraps to the left at 1.0,
    // (1 - 0.6001) / 0.0001 = 3999 samples later.
    int samplesToLeft = 0;
    for (int n = 1; n < 6000; ++n)
    {
        float l = 1.0f, r = 1.0f;
        const float previousLeft = left;
        m_flip.Process(l, r, increment, true, 1.0f);
        left = l;
        if (left > previousLeft)
        {
            samplesToLeft = n;
            break;
        }
    }
    EXPECT_NEAR(samplesToLeft, 3999, 1);
}

TEST(CPanFlipTest, AmountBlendsTheFlipWithTheUntouchedSignal)
{
    CPanFlip flip;
    flip.SetSampleRate(48000.0f);
    for (int n = 0; n < 2000; ++n)
    {
        float left = 1.0f, right = 1.0f;
        flip.Process(left, right, 1e-6f, false, 1.0f);
    }
    // Left gain ~1, right gain ~0: amount 0.5 gives left 1, right 0.5.
    float left = 0.8f, right = 0.8f;
    flip.Process(left, right, 1e-6f, false, 0.5f);
    // (A float one-pole stops a few ulps short of its target: 1e-5.)
    EXPECT_NEAR(left, 0.8f, 1e-5f);
    EXPECT_NEAR(right, 0.4f, 1e-5f);
    // Amount 0 passes every sample bit for bit.
    const std::vector<float> noiseL = TestSignals::Noise(10000, 7);
    const std::vector<float> noiseR = TestSignals::Noise(10000, 8);
    for (int n = 0; n < 10000; ++n)
    {
        const float inLeft = noiseL[static_cast<size_t>(n)];
        const float inRight = noiseR[static_cast<size_t>(n)];
        float outLeft = inLeft, outRight = inRight;
        flip.Process(outLeft, outRight, 0.01f, (n & 1) != 0, 0.0f);
        ASSERT_EQ(std::memcmp(&outLeft, &inLeft, sizeof(float)), 0);
        ASSERT_EQ(std::memcmp(&outRight, &inRight, sizeof(float)), 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Rates, CPanFlipRateTest, ::testing::Values(44100.0f, 48000.0f, 96000.0f));

// A flip whose amount is 0 only advances (phase and gains in runs); once the amount rises
// it must stand where the sample-by-sample run would, through side changes, wraps and
// resyncs, for increments from slow cycles to the fastest one.
TEST(CPanFlipTest, AdvanceFollowsTheSampleBySampleRun)
{
    std::mt19937 random(7);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    for (float increment : {1e-6f, 2.1e-5f, 0.0007f, 0.013f, 0.26f, 0.5f})
    {
        SCOPED_TRACE(increment);
        for (bool synced : {false, true})
        {
            CPanFlip advanced;
            CPanFlip stepped;
            for (CPanFlip* flip : {&advanced, &stepped})
            {
                flip->SetSampleRate(48000.0f);
                flip->SetSmooth(0.3f);
            }
            float position = 1000.0f;
            for (int block = 0; block < 3000; ++block)
            {
                const int count = 1 + static_cast<int>(unit(random) * 16.0f) % 16;
                if (block % 700 == 0)
                {
                    position += 12345.0f; // a jump of the host position: resync
                    advanced.SetHostSamplePos(position);
                    stepped.SetHostSamplePos(position);
                }
                advanced.Advance(count, increment, synced);
                for (int n = 0; n < count; ++n)
                {
                    float l = 0.3f;
                    float r = -0.2f;
                    stepped.Process(l, r, increment, synced, 0.0f);
                }
                if (block % 97 == 0)
                {
                    // Amount 1 on a unit input shows the gains after one more step.
                    float al = 1.0f, ar = 1.0f, sl = 1.0f, sr = 1.0f;
                    advanced.Process(al, ar, increment, synced, 1.0f);
                    stepped.Process(sl, sr, increment, synced, 1.0f);
                    ASSERT_NEAR(al, sl, 2e-5f) << "block " << block;
                    ASSERT_NEAR(ar, sr, 2e-5f) << "block " << block;
                }
            }
        }
    }
}
