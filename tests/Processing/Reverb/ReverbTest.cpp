// CReverb driven by the real effect's parameters; decay times from Schroeder's backward-
// integrated energy decay (M. R. Schroeder, JASA 1965).
#include "Processing/Reverb/Reverb.h"
#include "Common/wrappers/dsp/LookupTables.h"
#include "support/ProcessingHarness.h"
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

using CReverbHarness = CEffectModule<CReverb>;

// The reverb with its parameters set in their units, settled.
std::unique_ptr<CReverbHarness> Reverb(std::initializer_list<std::pair<int, float>> settings)
{
    auto h = std::make_unique<CReverbHarness>(kRate);
    for (const auto& setting : settings)
        h->Set(setting.first, setting.second);
    h->Settle();
    return h;
}

void RunStereo(CReverbHarness& h, STEREO& io)
{
    h.Run(io.left, io.right);
}

// Mix 100 %; sample 0, the dry leak 1 - DRYWET_TABLE[1023], is cleared.
STEREO ImpulseResponse(float sizePercent, float decayPercent, float seconds)
{
    auto h =
        Reverb({{kReverbSize, sizePercent}, {kReverbDecay, decayPercent}, {kReverbMix, 100.0f}});
    STEREO io = TestSignals::Both(TestSignals::Impulse(static_cast<size_t>(seconds * kRate)));
    RunStereo(*h, io);
    io.left[0] = io.right[0] = 0.0f;
    return io;
}

// Three times the -5 to -25 dB time of the energy decay curve.
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
    // First echo: the tank line's b -+ q, b = (0.135 s^2 + 0.015) R, q = 0.000405 R; larger
    // rooms have fewer echoes within 40 dB of the peak in the first 100 ms.
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
    // "Reverb Input" off: noise or silence afterwards differ by the dry part x (1 - m) only.
    const STEREO noise = TestSignals::StereoNoise(5 * kSecond, 11);
    STEREO a = noise, b = noise;
    std::fill(b.left.begin() + 2 * kSecond, b.left.end(), 0.0f);
    std::fill(b.right.begin() + 2 * kSecond, b.right.end(), 0.0f);
    for (STEREO* io : {&a, &b})
    {
        auto h = Reverb({{kReverbMix, 50.0f}, {kReverbSize, 50.0f}});
        int done = 0;
        ProcessingHarness::InPieces(io->left, io->right, [&](float* l, float* r, int count) {
            if (done == kSecond)
                h->Set(kReverbInput, 0.0f);
            h->Module().Process(l, r, count);
            done += count;
        });
    }
    const double dry = 1.0 - DRYWET_TABLE.data[512]; // mix 50 %: 1024 x 0.5
    for (size_t n = 2 * kSecond; n < a.left.size(); ++n)
    {
        ASSERT_NEAR(a.left[n], b.left[n] + noise.left[n] * dry, 1e-6) << n;
        ASSERT_NEAR(a.right[n], b.right[n] + noise.right[n] * dry, 1e-6) << n;
    }
    EXPECT_GT(Rms(b.left, 2 * kSecond, 5 * kSecond / 2),
              10.0 * Rms(b.left, 9 * kSecond / 2, 5 * kSecond));
}

TEST(CReverbTest, TailStaysFiniteAndSustainedAtFullDecay)
{
    // Decay 100 %, shelves flat (treble +3 dB: T = 1): only the interpolated reads lose energy.
    auto h = Reverb({{kReverbDecay, 100.0f}, {kReverbSize, 100.0f}, {kReverbTreble, 3.0f},
                     {kReverbMix, 100.0f}});
    STEREO burst = TestSignals::StereoNoise(kSecond / 2, 5);
    RunStereo(*h, burst);
    double firstRms = 0.0, lastRms = 0.0;
    for (int s = 0; s < 30; ++s)
    {
        STEREO io = Silence(kSecond);
        RunStereo(*h, io);
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
    // Also a second reset before the old storage is zeroed (gap in samples; -1: one reset).
    for (int gap : {-1, 0, 16, 64, 4800, 48000})
    {
        auto h = Reverb({{kReverbMix, 100.0f}});
        STEREO io = TestSignals::StereoNoise(kSecond / 2, 4);
        RunStereo(*h, io);
        h->Module().Reset();
        if (gap >= 0)
        {
            STEREO between = TestSignals::StereoNoise(static_cast<size_t>(gap), 5);
            RunStereo(*h, between);
            h->Module().Reset();
        }
        STEREO after = Silence(kSecond / 2);
        RunStereo(*h, after);
        EXPECT_EQ(TestSpectrum::Peak(after.left) + TestSpectrum::Peak(after.right), 0.0f) << gap;
    }
}
