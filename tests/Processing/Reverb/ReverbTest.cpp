// CReverb driven by the real effect's parameters: the first echo, decay times from Schroeder's backward-integrated energy decay
// (M. R. Schroeder, "New method of measuring reverberation time", JASA 1965), the input
// switch, the sustained tail and recovery from overflow. Off, mix 0, block splitting and
// non-finite input are in the module contract suite.
#include "Processing/Reverb/Reverb.h"
#include "Common/wrappers/dsp/LookupTables.h"
#include "Morvex.h"
#include "support/Signals.h"
#include "support/Spectrum.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

using namespace MorvexParam;
using TestSignals::STEREO;
using TestSpectrum::Rms;

namespace
{
STEREO Silence(int count)
{
    return {std::vector<float>(static_cast<size_t>(count)),
            std::vector<float>(static_cast<size_t>(count))};
}

STEREO Noise(int count, uint32_t seed = 1)
{
    return TestSignals::StereoNoise(static_cast<size_t>(count), seed);
}

STEREO Impulse(int count)
{
    STEREO s = Silence(count);
    s.left[0] = s.right[0] = 1.0f;
    return s;
}

// ------------------------------------------------------------------------------------------
// The reverb with the effect that owns its parameters.

class CReverbHarness
{
public:
    explicit CReverbHarness(float rate) : m_rate(rate)
    {
        m_effect->SetSampleRate(rate);
        m_effect->PreProcess(16);
        m_reverb = NewReverb();
    }

    void Set(int id, float unscaled) { m_effect->SetParameterUnscaled(id, unscaled); }
    float Scaled(int id) { return m_effect->GetParameterScaled(id, false, false, 0); }

    std::unique_ptr<CReverb> NewReverb()
    {
        auto reverb = std::make_unique<CReverb>(m_effect.get());
        reverb->SetSampleRate(m_rate);
        return reverb;
    }

    // The parameter smoothing arrives at its targets (0.5 s of reads by a scratch reverb);
    // then a fresh reverb, whose first call is one sample long so that its ramps land on
    // the targets at once.
    void SettleAndRestart()
    {
        std::unique_ptr<CReverb> scratch = NewReverb();
        STEREO silence = Silence(static_cast<int>(0.5f * m_rate));
        RunBlocks(*scratch, silence, 16, false);
        m_reverb = NewReverb();
        m_primed = false;
    }

    // Runs the reverb in calls of blockSize samples.
    void Run(STEREO& io, int blockSize = 16)
    {
        RunBlocks(*m_reverb, io, blockSize, !m_primed);
        m_primed = true;
    }

    static void RunBlocks(CReverb& reverb, STEREO& io, int blockSize, bool primeFirst)
    {
        size_t n = 0;
        if (primeFirst && !io.left.empty())
        {
            reverb.Process(io.left.data(), io.right.data(), 1);
            n = 1;
        }
        for (; n < io.left.size(); n += static_cast<size_t>(blockSize))
        {
            const int count = static_cast<int>(std::min<size_t>(blockSize, io.left.size() - n));
            reverb.Process(io.left.data() + n, io.right.data() + n, count);
        }
    }

    CReverb& Reverb() { return *m_reverb; }
    float Rate() const { return m_rate; }

private:
    float m_rate;
    std::unique_ptr<CMorvex> m_effect = std::make_unique<CMorvex>(nullptr);
    std::unique_ptr<CReverb> m_reverb;
    bool m_primed = true;
};

// Reverberation time from Schroeder's energy decay curve of both channels: the time from
// -5 to -25 dB, times three.
double Rt60(const STEREO& response, double rate)
{
    const size_t n = response.left.size();
    std::vector<double> energy(n + 1, 0.0);
    for (size_t i = n; i-- > 0;)
        energy[i] = energy[i + 1] + static_cast<double>(response.left[i]) * response.left[i] +
                    static_cast<double>(response.right[i]) * response.right[i];
    size_t at5 = 0;
    for (size_t i = 0; i < n; ++i)
    {
        const double db = 10.0 * std::log10(energy[i] / energy[0]);
        if (!at5 && db <= -5.0)
            at5 = i;
        if (db <= -25.0)
            return 3.0 * static_cast<double>(i - at5) / rate;
    }
    return -1.0;
}

// ------------------------------------------------------------------------------------------
// Behaviour of the tail, at 48 kHz.

class CReverbTailTest : public ::testing::Test
{
protected:
    static constexpr float kRate = 48000.0f;

    // Impulse response (mix 100 %) of `seconds` length for a size and decay in percent.
    STEREO ImpulseResponse(float sizePercent, float decayPercent, float seconds)
    {
        CReverbHarness h(kRate);
        h.Set(kReverbSize, sizePercent);
        h.Set(kReverbDecay, decayPercent);
        h.Set(kReverbMix, 100.0f);
        h.SettleAndRestart();
        STEREO io = Impulse(static_cast<int>(seconds * kRate));
        h.Run(io);
        // Sample 0 holds the dry leak (1 - DRYWET_TABLE[1023]) of the impulse, not reverb.
        io.left[0] = io.right[0] = 0.0f;
        return io;
    }
};

TEST_F(CReverbTailTest, DecayTimeGrowsWithDecayAndWithSize)
{
    // The diffusers ring on their own, so even decay 0 leaves a short tail; the tank
    // feedback (decay) and the longer lines of a larger room lengthen it.
    const double rtDecay25 = Rt60(ImpulseResponse(50.0f, 25.0f, 4.0f), kRate);
    const double rtDecay50 = Rt60(ImpulseResponse(50.0f, 50.0f, 4.0f), kRate);
    const double rtDecay75 = Rt60(ImpulseResponse(50.0f, 75.0f, 4.0f), kRate);
    EXPECT_GT(rtDecay25, 0.5);
    EXPECT_GT(rtDecay50, 1.3 * rtDecay25);
    EXPECT_GT(rtDecay75, 1.8 * rtDecay50);

    const double rtSize25 = Rt60(ImpulseResponse(25.0f, 50.0f, 4.0f), kRate);
    const double rtSize75 = Rt60(ImpulseResponse(75.0f, 50.0f, 4.0f), kRate);
    EXPECT_GT(rtDecay50, 1.3 * rtSize25);
    EXPECT_GT(rtSize75, 1.3 * rtDecay50);
}

TEST_F(CReverbTailTest, FirstEchoArrivesAfterTheTankDelayAndEchoesThinOutAsTheRoomGrows)
{
    // The diffusers pass -g x at once, so the first echo is the tank line's: b -+ L3 q
    // samples, b = (0.135 s^2 + 0.015) R, q = 0.000405 R.
    // Larger rooms have longer lines, so fewer echoes arrive in the same time: counted
    // here as samples within 40 dB of the response's peak during the first 100 ms.
    int previousCount = 1 << 30;
    for (const float sizePercent : {0.0f, 25.0f, 50.0f, 75.0f})
    {
        const STEREO response = ImpulseResponse(sizePercent, 50.0f, 0.3f);
        const double s = sizePercent / 100.0;
        const double base = (0.135 * s * s + 0.015) * kRate;
        const double depth = 0.000405 * kRate;
        size_t first = 0;
        double peak = 0.0;
        for (size_t n = 0; n < response.left.size(); ++n)
        {
            const double v = std::max(std::fabs(response.left[n]), std::fabs(response.right[n]));
            if (!first && v > 1e-6)
                first = n;
            peak = std::max(peak, v);
        }
        // The interpolation's newest tap sees the impulse one sample early.
        EXPECT_GE(static_cast<double>(first), base - depth - 2.0) << sizePercent;
        EXPECT_LE(static_cast<double>(first), base + depth + 1.0) << sizePercent;

        int count = 0;
        for (size_t n = 0; n < static_cast<size_t>(0.1f * kRate); ++n)
            count += std::fabs(response.left[n]) > 0.01 * peak ? 1 : 0;
        EXPECT_LT(count, previousCount) << sizePercent;
        previousCount = count;
    }
}

TEST_F(CReverbTailTest, InputOffLetsTheTailDecayWithoutNewInput)
{
    // Two identical reverbs take the same noise until "Reverb Input" has been off for a
    // second; then one keeps getting noise and the other silence. The first differs from
    // the second by its dry part only, x (1 - m): nothing of the new input enters its tank.
    CReverbHarness keeps(kRate);
    CReverbHarness silent(kRate);
    for (CReverbHarness* h : {&keeps, &silent})
    {
        h->Set(kReverbMix, 50.0f);
        h->Set(kReverbSize, 50.0f);
        h->SettleAndRestart();
    }
    const int second = static_cast<int>(kRate);
    const STEREO noise = Noise(5 * second, 11);
    STEREO a = noise, b = noise;
    std::fill(b.left.begin() + 2 * second, b.left.end(), 0.0f);
    std::fill(b.right.begin() + 2 * second, b.right.end(), 0.0f);
    for (CReverbHarness* h : {&keeps, &silent})
    {
        STEREO& io = h == &keeps ? a : b;
        STEREO first{std::vector<float>(io.left.begin(), io.left.begin() + second),
                     std::vector<float>(io.right.begin(), io.right.begin() + second)};
        h->Run(first);
        h->Set(kReverbInput, 0.0f);
        STEREO rest{std::vector<float>(io.left.begin() + second, io.left.end()),
                    std::vector<float>(io.right.begin() + second, io.right.end())};
        h->Run(rest);
        std::copy(rest.left.begin(), rest.left.end(), io.left.begin() + second);
        std::copy(rest.right.begin(), rest.right.end(), io.right.begin() + second);
    }
    const double dry = 1.0 - DRYWET_TABLE.data[512]; // mix 50 %: 1024 x 0.5
    for (size_t n = static_cast<size_t>(2 * second); n < a.left.size(); ++n)
    {
        ASSERT_NEAR(a.left[n], b.left[n] + noise.left[n] * dry, 1e-6) << n;
        ASSERT_NEAR(a.right[n], b.right[n] + noise.right[n] * dry, 1e-6) << n;
    }
    // And the tail does decay: by more than 20 dB over three seconds at decay 75 %.
    EXPECT_GT(Rms(b.left, 2 * second, 2 * second + second / 2),
              10.0 * Rms(b.left, 4 * second + second / 2, 5 * second));
}

TEST_F(CReverbTailTest, TailStaysFiniteAndSustainedAtFullDecay)
{
    // Decay 100 % with both tank shelves flat (bass 0 dB: B = 1; treble +3 dB: T = 1): the
    // tank loses energy only in its interpolated reads. Half a second of noise, then half
    // a minute of silence.
    CReverbHarness h(kRate);
    h.Set(kReverbDecay, 100.0f);
    h.Set(kReverbSize, 100.0f);
    h.Set(kReverbTreble, 3.0f);
    h.Set(kReverbMix, 100.0f);
    h.SettleAndRestart();
    STEREO burst = Noise(static_cast<int>(0.5f * kRate), 5);
    h.Run(burst);
    const int second = static_cast<int>(kRate);
    double firstRms = 0.0, lastRms = 0.0;
    for (int s = 0; s < 30; ++s)
    {
        STEREO io = Silence(second);
        h.Run(io);
        for (size_t n = 0; n < io.left.size(); ++n)
            ASSERT_TRUE(std::isfinite(io.left[n]) && std::isfinite(io.right[n])) << s << " s";
        const double rms = Rms(io.left, 0, io.left.size());
        if (s == 0)
            firstRms = rms;
        lastRms = rms;
    }
    EXPECT_LE(lastRms, firstRms);
    EXPECT_GT(lastRms, 0.1 * firstRms);
}

TEST_F(CReverbTailTest, ResetSilencesTheTailAtOnce)
{
    // Also when a second reset follows soon, before the lines' old storage is zeroed
    // (gap in samples of sound between the two; -1: a single reset).
    for (int gap : {-1, 0, 16, 64, 4800, 48000})
    {
        CReverbHarness h(kRate);
        h.Set(kReverbMix, 100.0f);
        h.SettleAndRestart();
        STEREO io = Noise(static_cast<int>(0.5f * kRate), 4);
        h.Run(io);
        h.Reverb().Reset();
        if (gap >= 0)
        {
            STEREO between = Noise(gap, 5);
            h.Run(between);
            h.Reverb().Reset();
        }
        STEREO after = Silence(static_cast<int>(0.5f * kRate));
        h.Run(after);
        for (size_t n = 0; n < after.left.size(); ++n)
        {
            ASSERT_EQ(after.left[n], 0.0f) << gap << " " << n;
            ASSERT_EQ(after.right[n], 0.0f) << gap << " " << n;
        }
    }
}

} // namespace
