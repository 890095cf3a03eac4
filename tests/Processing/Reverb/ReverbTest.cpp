// CReverb driven by the real effect's parameters: decay times from Schroeder's
// backward-integrated energy decay (M. R. Schroeder, "New method of measuring reverberation
// time", JASA 1965), the first echo, the input switch, the sustained tail and reset.
#include "Processing/Reverb/Reverb.h"
#include "Common/wrappers/dsp/LookupTables.h"
#include "Morvex.h"
#include "support/Signals.h"
#include "support/Spectrum.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <utility>
#include <vector>

using namespace MorvexParam;
using TestSignals::STEREO;
using TestSpectrum::Rms;

namespace
{
constexpr float kRate = 48000.0f;
constexpr int kSecond = 48000;

STEREO Silence(int count)
{
    return {TestSignals::Signal(static_cast<size_t>(count)),
            TestSignals::Signal(static_cast<size_t>(count))};
}

// The reverb with the effect that owns its parameters, set (in their units), with the
// parameter smoothing and the ramps at their targets and the audio history cleared.
class CReverbHarness
{
public:
    explicit CReverbHarness(std::initializer_list<std::pair<int, float>> settings)
    {
        m_effect->SetSampleRate(kRate);
        m_effect->PreProcess(16);
        m_reverb.SetSampleRate(kRate);
        for (const auto& setting : settings)
            m_effect->SetParameterUnscaled(setting.first, setting.second);
        STEREO silence = Silence(kSecond / 2);
        Run(silence);
        m_reverb.Reset();
    }
    void Set(int id, float unscaled) { m_effect->SetParameterUnscaled(id, unscaled); }
    void Run(STEREO& io)
    {
        for (size_t n = 0; n < io.left.size(); n += 16)
            m_reverb.Process(io.left.data() + n, io.right.data() + n,
                             static_cast<int>(std::min<size_t>(16, io.left.size() - n)));
    }
    // A slice [from, to) of io run in place.
    void Run(STEREO& io, size_t from, size_t to)
    {
        const long first = static_cast<long>(from), last = static_cast<long>(to);
        STEREO slice{{io.left.begin() + first, io.left.begin() + last},
                     {io.right.begin() + first, io.right.begin() + last}};
        Run(slice);
        std::copy(slice.left.begin(), slice.left.end(), io.left.begin() + first);
        std::copy(slice.right.begin(), slice.right.end(), io.right.begin() + first);
    }
    CReverb& Reverb() { return m_reverb; }

private:
    std::unique_ptr<CMorvex> m_effect = std::make_unique<CMorvex>(nullptr);
    CReverb m_reverb{m_effect.get()};
};

// Impulse response at mix 100 % for a size and decay in percent. Sample 0 holds the dry
// leak (1 - DRYWET_TABLE[1023]) of the impulse, not reverb: it is cleared.
STEREO ImpulseResponse(float sizePercent, float decayPercent, float seconds)
{
    CReverbHarness h(
        {{kReverbSize, sizePercent}, {kReverbDecay, decayPercent}, {kReverbMix, 100.0f}});
    STEREO io = TestSignals::Both(TestSignals::Impulse(static_cast<size_t>(seconds * kRate)));
    h.Run(io);
    io.left[0] = io.right[0] = 0.0f;
    return io;
}

// Reverberation time from the energy decay curve of both channels: the time from -5 to
// -25 dB, times three.
double Rt60(const STEREO& response)
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
            return 3.0 * static_cast<double>(i - at5) / kRate;
    }
    return -1.0;
}
} // namespace

TEST(CReverbTest, DecayTimeGrowsWithDecayAndWithSize)
{
    // The diffusers ring on their own, so even a low decay leaves a short tail; the tank
    // feedback (decay) and the longer lines of a larger room lengthen it.
    const double rtDecay25 = Rt60(ImpulseResponse(50.0f, 25.0f, 4.0f));
    const double rtDecay50 = Rt60(ImpulseResponse(50.0f, 50.0f, 4.0f));
    EXPECT_GT(rtDecay25, 0.5);
    EXPECT_GT(rtDecay50, 1.3 * rtDecay25);
    EXPECT_GT(Rt60(ImpulseResponse(50.0f, 75.0f, 4.0f)), 1.8 * rtDecay50);
    EXPECT_GT(rtDecay50, 1.3 * Rt60(ImpulseResponse(25.0f, 50.0f, 4.0f)));
    EXPECT_GT(Rt60(ImpulseResponse(75.0f, 50.0f, 4.0f)), 1.3 * rtDecay50);
}

TEST(CReverbTest, FirstEchoArrivesAfterTheTankDelayAndEchoesThinOutAsTheRoomGrows)
{
    // The diffusers pass -g x at once, so the first echo is the tank line's: b -+ L3 q
    // samples, b = (0.135 s^2 + 0.015) R, q = 0.000405 R. Larger rooms have longer lines,
    // so fewer echoes (samples within 40 dB of the peak) arrive in the first 100 ms.
    int previousCount = 1 << 30;
    for (const float sizePercent : {0.0f, 25.0f, 50.0f, 75.0f})
    {
        const STEREO response = ImpulseResponse(sizePercent, 50.0f, 0.3f);
        const double s = sizePercent / 100.0;
        const double base = (0.135 * s * s + 0.015) * kRate, depth = 0.000405 * kRate;
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
        const int count = static_cast<int>(
            std::count_if(response.left.begin(), response.left.begin() + kSecond / 10,
                          [&](float v) { return std::fabs(v) > 0.01 * peak; }));
        EXPECT_LT(count, std::exchange(previousCount, count)) << sizePercent;
    }
}

TEST(CReverbTest, InputOffLetsTheTailDecayWithoutNewInput)
{
    // Two reverbs take the same noise until "Reverb Input" has been off for a second; then
    // one keeps getting noise and the other silence. The first differs from the second by
    // its dry part x (1 - m) only: nothing of the new input enters its tank.
    const STEREO noise = TestSignals::StereoNoise(5 * kSecond, 11);
    STEREO a = noise, b = noise;
    std::fill(b.left.begin() + 2 * kSecond, b.left.end(), 0.0f);
    std::fill(b.right.begin() + 2 * kSecond, b.right.end(), 0.0f);
    for (STEREO* io : {&a, &b})
    {
        CReverbHarness h({{kReverbMix, 50.0f}, {kReverbSize, 50.0f}});
        h.Run(*io, 0, kSecond);
        h.Set(kReverbInput, 0.0f);
        h.Run(*io, kSecond, io->left.size());
    }
    const double dry = 1.0 - DRYWET_TABLE.data[512]; // mix 50 %: 1024 x 0.5
    for (size_t n = 2 * kSecond; n < a.left.size(); ++n)
    {
        ASSERT_NEAR(a.left[n], b.left[n] + noise.left[n] * dry, 1e-6) << n;
        ASSERT_NEAR(a.right[n], b.right[n] + noise.right[n] * dry, 1e-6) << n;
    }
    // And the tail does decay: by more than 20 dB over three seconds.
    EXPECT_GT(Rms(b.left, 2 * kSecond, 5 * kSecond / 2),
              10.0 * Rms(b.left, 9 * kSecond / 2, 5 * kSecond));
}

TEST(CReverbTest, TailStaysFiniteAndSustainedAtFullDecay)
{
    // Decay 100 % with both tank shelves flat (bass 0 dB: B = 1; treble +3 dB: T = 1): the
    // tank loses energy only in its interpolated reads. Half a second of noise, then half a
    // minute of silence.
    CReverbHarness h({{kReverbDecay, 100.0f}, {kReverbSize, 100.0f}, {kReverbTreble, 3.0f},
                      {kReverbMix, 100.0f}});
    STEREO burst = TestSignals::StereoNoise(kSecond / 2, 5);
    h.Run(burst);
    double firstRms = 0.0, lastRms = 0.0;
    for (int s = 0; s < 30; ++s)
    {
        STEREO io = Silence(kSecond);
        h.Run(io);
        for (size_t n = 0; n < io.left.size(); ++n)
            ASSERT_TRUE(std::isfinite(io.left[n]) && std::isfinite(io.right[n])) << s << " s";
        lastRms = Rms(io.left);
        firstRms = s == 0 ? lastRms : firstRms;
    }
    EXPECT_LE(lastRms, firstRms);
    EXPECT_GT(lastRms, 0.1 * firstRms);
}

TEST(CReverbTest, ResetSilencesTheTailAtOnce)
{
    // Also when a second reset follows soon, before the lines' old storage is zeroed (gap in
    // samples of sound between the two; -1: a single reset).
    for (int gap : {-1, 0, 16, 64, 4800, 48000})
    {
        CReverbHarness h({{kReverbMix, 100.0f}});
        STEREO io = TestSignals::StereoNoise(kSecond / 2, 4);
        h.Run(io);
        h.Reverb().Reset();
        if (gap >= 0)
        {
            STEREO between = TestSignals::StereoNoise(static_cast<size_t>(gap), 5);
            h.Run(between);
            h.Reverb().Reset();
        }
        STEREO after = Silence(kSecond / 2);
        h.Run(after);
        EXPECT_EQ(TestSpectrum::Peak(after.left) + TestSpectrum::Peak(after.right), 0.0f) << gap;
    }
}
