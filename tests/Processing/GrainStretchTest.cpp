// Grain stretcher: the output against a model of the two grains computed here in
// double (trapezoid times triangle weights, a restart trunc(Lg / F) - Lg samples back,
// F = 1 + 15 x 100^(x - 1)), the jump back to the live input after twelve whole notes,
// the period's fit to the ring, and the pass-through cases: transport stopped,
// amount 0. Then block splitting, reset, non-finite input and extreme rates.
#include "Processing/GrainStretch.h"

#include "Common/wrappers/dsp/LookupTables.h"

#include "support/Signals.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace
{
using Signal = std::vector<float>;

// F = 1 + 15 EXP_TABLE[trunc(amount * 100002)], with EXP_TABLE[i] = x 100^(x - 1),
// x = i / 100002.
double StretchFactor(double amount)
{
    const double x = std::trunc(amount * 100002.0) / 100002.0;
    return 1.0 + 15.0 * x * std::pow(100.0, x - 1.0);
}

// Weight of a grain at sample i of its window (length Lg, ramps R = trunc(0.2 Lg)):
// trapezoid (i / (R - 1) up, 1, down) times 2 min(ph, 1 - ph), ph = (i + 1) / Lg.
double GrainWeight(int i, int grainLength)
{
    const int ramp = static_cast<int>(0.2 * grainLength);
    double window = 1.0;
    if (i < ramp)
        window = static_cast<double>(i) / (ramp - 1);
    else if (i >= grainLength - ramp)
        window = static_cast<double>(ramp - 1 - (i - (grainLength - ramp))) / (ramp - 1);
    const double phase = (i + 1.0) / grainLength;
    return window * 2.0 * std::min(phase, 1.0 - phase);
}

// The stretcher from a reset, transport running, fully wet: grain 0 starts at 0, grain 1
// half a grain later; each grain reads one sample per sample and restarts skip samples
// back when its window ends; after every `period` samples both read positions jump to
// the write position. `input` must be shorter than the ring.
std::vector<double> Model(const Signal& input, double rate, double amount, int period)
{
    const int grainLength = static_cast<int>(0.05 * rate);
    const int delay = grainLength / 2;
    const int skip = static_cast<int>(grainLength / StretchFactor(amount)) - grainLength;
    std::vector<double> out(input.size(), 0.0);
    int read[2] = {0, 0};
    const int start[2] = {0, delay};
    for (int n = 0; n < static_cast<int>(input.size()); ++n)
    {
        for (int g = 0; g < 2; ++g)
        {
            double weight = 0.0;
            if (n >= start[g])
            {
                const int local = (n - start[g]) % grainLength;
                if (local == 0 && n > start[g])
                    read[g] += skip;
                weight = GrainWeight(local, grainLength);
            }
            out[static_cast<size_t>(n)] += weight * input[static_cast<size_t>(read[g])];
            ++read[g];
        }
        if ((n + 1) % period == 0)
            read[0] = read[1] = n + 1;
    }
    return out;
}

Signal Noise(size_t length, unsigned seed)
{
    return TestSignals::Noise(static_cast<size_t>(length), seed);
}

class CGrainStretchTest : public ::testing::TestWithParam<float>
{
protected:
    static void SetUpTestSuite() { LookupTables::Initialize(); }

    CGrainStretchTest()
    {
        m_stretch.SetSampleRate(GetParam());
        m_stretch.SetHostTempo(120.0f);
    }

    int Samples(double seconds) const { return static_cast<int>(seconds * GetParam()); }
    // Runs a copy of `input` through the stretcher in pieces; the left channel.
    Signal Run(const Signal& input, float amount, int piece = 16)
    {
        Signal left = input, right = input;
        for (size_t start = 0; start < left.size(); start += static_cast<size_t>(piece))
        {
            const int n = static_cast<int>(std::min(left.size() - start, size_t(piece)));
            m_stretch.Process(left.data() + start, right.data() + start, amount, n);
        }
        // Bit for bit (NaN included): both channels take the same path.
        EXPECT_EQ(0, std::memcmp(left.data(), right.data(), sizeof(float) * left.size()));
        return left;
    }

    CGrainStretch m_stretch;
};
} // namespace

TEST_P(CGrainStretchTest, TransportStoppedPassesTheAudioAndLeavesTheStateAlone)
{
    const Signal input = Noise(static_cast<size_t>(Samples(0.3)), 1);
    EXPECT_EQ(Run(input, 0.8f), input);
    // Nothing was recorded or advanced: started now, it is the stretcher fresh from reset.
    m_stretch.SetTransportRunning(true);
    const Signal out = Run(input, 0.8f);
    const std::vector<double> model = Model(input, GetParam(), 0.8f, 1 << 30);
    for (size_t n = 0; n < out.size(); ++n)
        ASSERT_NEAR(out[n], model[n], 1e-5) << n;
}

TEST_P(CGrainStretchTest, AmountZeroPassesTheAudio)
{
    m_stretch.SetTransportRunning(true);
    const Signal input = Noise(static_cast<size_t>(Samples(0.3)), 2);
    EXPECT_EQ(Run(input, 0.0f), input);
    // 1 / 100002 still truncates to entry 0: F = 1 exactly.
    EXPECT_EQ(Run(input, 0.9f / 100002.0f), input);
}

TEST_P(CGrainStretchTest, GrainsReadTheStretchedPositions)
{
    // A ramp input makes every read position visible in the output value.
    m_stretch.SetTransportRunning(true);
    Signal ramp(static_cast<size_t>(Samples(0.4)));
    for (size_t n = 0; n < ramp.size(); ++n)
        ramp[n] = static_cast<float>(n) / 1000.0f;
    for (float amount : {0.3f, 0.7f, 1.0f})
    {
        m_stretch.Reset();
        EXPECT_EQ(m_stretch.GetGrainLength(), Samples(0.05));
        const Signal out = Run(ramp, amount);
        const std::vector<double> model = Model(ramp, GetParam(), amount, 1 << 30);
        for (size_t n = 0; n < out.size(); ++n)
            ASSERT_NEAR(out[n], model[n], 1e-5 * std::fabs(model[n]) + 1e-5)
                << "amount " << amount << " @" << n;
        // Sixteen times slower at amount 1: in 0.4 s the grains' starts have advanced by
        // only 25 ms, and a grain reads at most 50 ms on from its start.
        if (amount == 1.0f)
        {
            EXPECT_LT(out.back(), 0.1875 * ramp.back());
        }
    }
}

TEST_P(CGrainStretchTest, GrainsJumpBackToTheLiveInputEveryTwelveWholeNotes)
{
    // At 1000 BPM twelve whole notes are 12 trunc(0.24 rate) samples (2.88 s), well within
    // the ten-second ring.
    m_stretch.SetHostTempo(1000.0f);
    const int period = 12 * static_cast<int>(0.24 * GetParam());
    ASSERT_EQ(m_stretch.GetResyncPeriod(), period);
    m_stretch.SetTransportRunning(true);
    m_stretch.Reset();
    Signal ramp(static_cast<size_t>(period + Samples(0.3)));
    for (size_t n = 0; n < ramp.size(); ++n)
        ramp[n] = static_cast<float>(n) / 1000.0f;
    const Signal out = Run(ramp, 0.55f);
    const std::vector<double> model = Model(ramp, GetParam(), 0.55f, period);
    for (size_t n = 0; n < out.size(); ++n)
        ASSERT_NEAR(out[n], model[n], 2e-6 * std::fabs(model[n]) + 1e-5) << n;
    // Just before the jump the grains lag by (1 - 1/F) of the period; just after it they
    // read what was written a moment ago.
    const size_t after = static_cast<size_t>(period + Samples(0.05));
    EXPECT_LT(out[static_cast<size_t>(period) - 1], 0.7 * ramp[static_cast<size_t>(period) - 1]);
    EXPECT_GT(out[after], 0.9 * ramp[after] * 0.5); // summed weights are about 1/2..1
}

TEST_P(CGrainStretchTest, PeriodIsHalvedUntilItFitsTheRing)
{
    const double rate = GetParam();
    const int ring = 10 * static_cast<int>(rate);
    EXPECT_EQ(m_stretch.GetBufferSize(), ring);
    // Tempos below the floor (and nonsense) count as 20 BPM.
    const float tempos[] = {20.0f, 60.0f, 120.0f, 97.0f, 1000.0f, 5.0f, -1.0f, NAN};
    const double used[] = {20, 60, 120, 97, 1000, 20, 20, 20};
    for (int k = 0; k < 8; ++k)
    {
        m_stretch.SetHostTempo(tempos[k]);
        int period = 12 * static_cast<int>(240.0 / used[k] * rate);
        while (period > ring)
            period /= 2;
        EXPECT_EQ(m_stretch.GetResyncPeriod(), period) << tempos[k];
    }
    // A new rate keeps the tempo and refits the period.
    m_stretch.SetHostTempo(20.0f);
    m_stretch.SetSampleRate(2.0f * GetParam());
    EXPECT_LE(m_stretch.GetResyncPeriod(), m_stretch.GetBufferSize());
    EXPECT_GT(m_stretch.GetResyncPeriod(), m_stretch.GetBufferSize() / 2);
}

TEST_P(CGrainStretchTest, AResetRingSoundsLikeANewOne)
{
    // The grains start by reading behind the write position, at the far end of the ring:
    // after a reset that must be silence, however full the ring was.
    m_stretch.SetTransportRunning(true);
    const Signal quiet = Noise(static_cast<size_t>(Samples(0.5)), 5);
    const Signal fresh = Run(quiet, 0.8f);
    const Signal loud = Noise(static_cast<size_t>(m_stretch.GetBufferSize()) + 1000, 6);
    Run(loud, 0.8f);
    m_stretch.Reset();
    EXPECT_EQ(Run(quiet, 0.8f), fresh);
}

INSTANTIATE_TEST_SUITE_P(Rates, CGrainStretchTest, ::testing::Values(44100.0f, 48000.0f, 96000.0f));
