// The pan flip: gains following the side with the one-pole 1 - exp(-1 / (rate 0.001
// (30 s^2 + 3))), the synced phase from the host position, the amount's blend.
#include "Processing/PanFlip.h"
#include "support/Signals.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <utility>

namespace
{
double Coefficient(double rate, double smooth)
{
    return 1.0 - std::exp(-1.0 / (rate * 0.001 * (30.0 * smooth * smooth + 3.0)));
}

class CPanFlipRateTest : public ::testing::TestWithParam<float>
{
protected:
    void SetUp() override { m_flip.SetSampleRate(GetParam()); }
    std::pair<float, float> Step(float increment, bool synced)
    {
        float left = 1.0f, right = 1.0f;
        m_flip.Process(left, right, increment, synced, 1.0f);
        return {left, right};
    }
    CPanFlip m_flip;
};
} // namespace

TEST_P(CPanFlipRateTest, GainsFadeInOverTheSmoothingTime)
{
    for (double smooth : {0.0, 0.5, 1.0})
    {
        m_flip.SetSmooth(static_cast<float>(smooth));
        m_flip.Reset();
        // First half of the phase: the left gain heads for 1, the right stays 0.
        const double c = Coefficient(GetParam(), smooth);
        for (int n = 0; n < 4000; ++n)
        {
            const auto gains = Step(1e-6f, false);
            ASSERT_NEAR(gains.first, 1.0 - std::pow(1.0 - c, n + 1), 2e-5) << smooth << " " << n;
            ASSERT_EQ(gains.second, 0.0f) << smooth << " " << n;
        }
    }
}

TEST_P(CPanFlipRateTest, SyncedFlipTakesItsPhaseFromTheHostPosition)
{
    const float increment = 0.0001f;
    const double c = Coefficient(GetParam(), 0.0);
    // Settled on the left side (phase up to 0.3).
    for (int n = 0; n < 3000; ++n)
        Step(increment, false);
    // Unsynced, a host position (phase 0.6: the right side) is ignored.
    m_flip.SetHostSamplePos(12346000.0f);
    auto gains = Step(increment, false);
    EXPECT_GT(gains.first, 0.999f);
    EXPECT_LT(gains.second, 0.001f);
    // Synced, from the pre-roll position: frac(-1234.4) + increment = 0.6001, the right side.
    const auto before = Step(increment, false);
    m_flip.SetHostSamplePos(-12344000.0f);
    gains = Step(increment, true);
    EXPECT_NEAR(gains.first, before.first * (1.0 - c), 1e-6);
    EXPECT_NEAR(gains.second, before.second + (1.0 - before.second) * c, 1e-6);
    // Taken once: the phase runs on and wraps to the left (1 - 0.6001) / 0.0001 samples later.
    int samplesToLeft = 1;
    for (float previous = gains.first; (gains = Step(increment, true)).first <= previous;
         previous = gains.first)
        ++samplesToLeft;
    EXPECT_NEAR(samplesToLeft, 3999, 1);
}

INSTANTIATE_TEST_SUITE_P(Rates, CPanFlipRateTest, ::testing::Values(44100.0f, 48000.0f, 96000.0f));

TEST(CPanFlipTest, AmountBlendsTheFlipWithTheUntouchedSignal)
{
    CPanFlip flip;
    flip.SetSampleRate(48000.0f);
    for (int n = 0; n < 2000; ++n)
    {
        float left = 1.0f, right = 1.0f;
        flip.Process(left, right, 1e-6f, false, 1.0f);
    }
    // Gains 1 and 0: amount 0.5 gives 1 and 0.5 (the float one-pole stops short by 1e-5).
    float left = 0.8f, right = 0.8f;
    flip.Process(left, right, 1e-6f, false, 0.5f);
    EXPECT_NEAR(left, 0.8f, 1e-5f);
    EXPECT_NEAR(right, 0.4f, 1e-5f);
    // Amount 0 passes every sample bit for bit.
    const TestSignals::STEREO in = TestSignals::StereoNoise(10000, 7);
    TestSignals::STEREO out = in;
    for (size_t n = 0; n < in.left.size(); ++n)
        flip.Process(out.left[n], out.right[n], 0.01f, (n & 1) != 0, 0.0f);
    EXPECT_EQ(out.left, in.left);
    EXPECT_EQ(out.right, in.right);
}

// A flip at amount 0 only advances; when the amount rises it must stand where the
// sample-by-sample run would, through side changes, wraps and resyncs.
TEST(CPanFlipTest, AdvanceFollowsTheSampleBySampleRun)
{
    std::mt19937 random(7);
    for (float increment : {1e-6f, 2.1e-5f, 0.0007f, 0.013f, 0.26f, 0.5f})
    {
        for (bool synced : {false, true})
        {
            SCOPED_TRACE(::testing::Message() << increment << (synced ? " synced" : ""));
            CPanFlip advanced, stepped;
            for (CPanFlip* flip : {&advanced, &stepped})
            {
                flip->SetSampleRate(48000.0f);
                flip->SetSmooth(0.3f);
            }
            float position = 1000.0f;
            for (int block = 0; block < 3000; ++block)
            {
                const int count = 1 + static_cast<int>(random() % 16);
                if (block % 700 == 0)
                {
                    position += 12345.0f; // a jump of the host position: resync
                    advanced.SetHostSamplePos(position);
                    stepped.SetHostSamplePos(position);
                }
                advanced.Advance(count, increment, synced);
                for (int n = 0; n < count; ++n)
                {
                    float l = 0.3f, r = -0.2f;
                    stepped.Process(l, r, increment, synced, 0.0f);
                }
                if (block % 97 != 0)
                    continue;
                float al = 1.0f, ar = 1.0f, sl = 1.0f, sr = 1.0f;
                advanced.Process(al, ar, increment, synced, 1.0f);
                stepped.Process(sl, sr, increment, synced, 1.0f);
                ASSERT_NEAR(al, sl, 2e-5f) << "block " << block;
                ASSERT_NEAR(ar, sr, 2e-5f) << "block " << block;
            }
        }
    }
}
