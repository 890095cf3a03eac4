// Grain stretcher against a model of its two grains computed here in double.
#include "Processing/GrainStretch.h"
#include "Common/wrappers/dsp/LookupTables.h"
#include "support/Signals.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace
{
using TestSignals::Signal;

// Trapezoid (ramps R = trunc(0.2 Lg)) times 2 min(ph, 1 - ph), ph = (i + 1) / Lg.
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

// From a reset, fully wet: grain 1 starts half a grain after grain 0; each restarts
// trunc(Lg / F) - Lg back; every `period` samples both jump to the write position.
std::vector<double> Model(const Signal& input, double rate, double amount, int period = 1 << 30)
{
    const double x = std::trunc(amount * 100002.0) / 100002.0;
    const double stretch = 1.0 + 15.0 * x * std::pow(100.0, x - 1.0);
    const int grainLength = static_cast<int>(0.05 * rate);
    const int skip = static_cast<int>(grainLength / stretch) - grainLength;
    std::vector<double> out(input.size(), 0.0);
    int read[2] = {0, 0};
    const int start[2] = {0, grainLength / 2};
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
            out[static_cast<size_t>(n)] += weight * input[static_cast<size_t>(read[g]++)];
        }
        if ((n + 1) % period == 0)
            read[0] = read[1] = n + 1;
    }
    return out;
}

Signal Ramp(size_t length)
{
    Signal ramp(length);
    for (size_t n = 0; n < length; ++n)
        ramp[n] = static_cast<float>(n) / 1000.0f;
    return ramp;
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
    size_t Samples(double seconds) const { return static_cast<size_t>(seconds * GetParam()); }
    Signal Run(const Signal& input, float amount)
    {
        Signal left = input, right = input;
        for (size_t start = 0; start < left.size(); start += 16)
            m_stretch.Process(left.data() + start, right.data() + start, amount,
                              static_cast<int>(std::min<size_t>(left.size() - start, 16)));
        EXPECT_EQ(left, right); // both channels take the same path
        return left;
    }
    void ExpectModel(const Signal& out, const std::vector<double>& model, double relative)
    {
        for (size_t n = 0; n < out.size(); ++n)
            ASSERT_NEAR(out[n], model[n], relative * std::fabs(model[n]) + 1e-5) << n;
    }
    CGrainStretch m_stretch;
};
} // namespace

TEST_P(CGrainStretchTest, PassesTheAudioWhenStoppedOrAtAmountZero)
{
    const Signal input = TestSignals::Noise(Samples(0.3), 1);
    EXPECT_EQ(Run(input, 0.8f), input);
    // Nothing was recorded or advanced while stopped.
    m_stretch.SetTransportRunning(true);
    ExpectModel(Run(input, 0.8f), Model(input, GetParam(), 0.8f), 0.0);
    // Amount 0, and 1 / 100002 which still truncates to entry 0: F = 1 exactly.
    m_stretch.Reset();
    EXPECT_EQ(Run(input, 0.0f), input);
    EXPECT_EQ(Run(input, 0.9f / 100002.0f), input);
}

TEST_P(CGrainStretchTest, GrainsReadTheStretchedPositions)
{
    m_stretch.SetTransportRunning(true);
    const Signal ramp = Ramp(Samples(0.4));
    for (float amount : {0.3f, 0.7f, 1.0f})
    {
        SCOPED_TRACE(amount);
        m_stretch.Reset();
        EXPECT_EQ(m_stretch.GetGrainLength(), static_cast<int>(Samples(0.05)));
        const Signal out = Run(ramp, amount);
        ExpectModel(out, Model(ramp, GetParam(), amount), 1e-5);
        // Sixteen times slower at amount 1: 25 ms on after 0.4 s, plus at most a grain.
        if (amount == 1.0f)
        {
            EXPECT_LT(out.back(), 0.1875 * ramp.back());
        }
    }
}

TEST_P(CGrainStretchTest, GrainsJumpBackToTheLiveInputEveryTwelveWholeNotes)
{
    // Twelve whole notes at 1000 BPM: 12 trunc(0.24 rate) samples.
    m_stretch.SetHostTempo(1000.0f);
    const size_t period = 12 * Samples(0.24);
    ASSERT_EQ(m_stretch.GetResyncPeriod(), static_cast<int>(period));
    m_stretch.SetTransportRunning(true);
    m_stretch.Reset();
    const Signal ramp = Ramp(period + Samples(0.3));
    const Signal out = Run(ramp, 0.55f);
    ExpectModel(out, Model(ramp, GetParam(), 0.55f, static_cast<int>(period)), 2e-6);
    EXPECT_LT(out[period - 1], 0.7 * ramp[period - 1]);
    const size_t after = period + Samples(0.05);
    EXPECT_GT(out[after], 0.9 * ramp[after] * 0.5);
}

TEST_P(CGrainStretchTest, PeriodIsHalvedUntilItFitsTheRing)
{
    const int ring = 10 * static_cast<int>(GetParam());
    EXPECT_EQ(m_stretch.GetBufferSize(), ring);
    const float tempos[] = {20.0f, 60.0f, 120.0f, 97.0f, 1000.0f, 5.0f, -1.0f, NAN};
    const double used[] = {20, 60, 120, 97, 1000, 20, 20, 20};
    for (int k = 0; k < 8; ++k)
    {
        m_stretch.SetHostTempo(tempos[k]);
        int period = 12 * static_cast<int>(240.0 / used[k] * GetParam());
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
    // The grains start at the ring's far end: after a reset that must be silence.
    m_stretch.SetTransportRunning(true);
    const Signal quiet = TestSignals::Noise(Samples(0.5), 5);
    const Signal fresh = Run(quiet, 0.8f);
    Run(TestSignals::Noise(static_cast<size_t>(m_stretch.GetBufferSize()) + 1000, 6), 0.8f);
    m_stretch.Reset();
    EXPECT_EQ(Run(quiet, 0.8f), fresh);
}

INSTANTIATE_TEST_SUITE_P(Rates, CGrainStretchTest, ::testing::Values(44100.0f, 48000.0f, 96000.0f));
