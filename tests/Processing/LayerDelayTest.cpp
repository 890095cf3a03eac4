// Delay module inside the real effect: echo times, ping-pong, loop gain, tone paths, limiter.
#include "Processing/LayerDelay.h"
#include "support/EffectFixture.h"
#include "support/ProcessingHarness.h"
#include "support/ProcessingMeasure.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <initializer_list>
#include <numeric>
#include <utility>

using namespace MorvexParam;
using TestSignals::Signal;

namespace
{
using TestSignals::kPi;

double TanSeries(double hz, double rate)
{
    return ProcessingHarness::TanSeries(kPi * hz / rate);
}

double Area(const Signal& s, size_t start, size_t length)
{
    return std::accumulate(s.begin() + static_cast<long>(start),
                           s.begin() + static_cast<long>(start + length), 0.0);
}

class CLayerDelayTest : public ::testing::TestWithParam<float>
{
protected:
    size_t Samples(double seconds) const { return static_cast<size_t>(seconds * GetParam()); }
    // Free times, link off, fully wet, the rest at its default (low-pass 18 kHz); settled.
    void Configure(float leftMs, float rightMs, float feedbackPercent,
                   std::initializer_list<std::pair<int, float>> unscaled = {})
    {
        m_h.Set(kDelaySync, 0.0f);
        m_h.SetUnscaled(kDelaySpeedL, leftMs);
        m_h.SetUnscaled(kDelaySpeedR, rightMs);
        m_h.Set(kDelayLink, 0.0f);
        m_h.SetUnscaled(kDelayFeedback, feedbackPercent);
        m_h.Set(kDelayMix, 1.0f);
        for (const auto& setting : unscaled)
            m_h.SetUnscaled(setting.first, setting.second);
        m_h.Settle(3.0f);
    }
    void Impulse(size_t length, bool right = true)
    {
        m_left = TestSignals::Impulse(length);
        m_right = TestSignals::Impulse(length, 0, right ? 1.0f : 0.0f);
        m_h.Run(m_left, m_right);
    }
    // Silence, then the 18 kHz low-pass b (x + x1) - a1 y1, b = t / (1 + t),
    // a1 = (t - 1) / (t + 1), `delay` samples late.
    void ExpectEcho(const Signal& out, size_t delay) const
    {
        const double t = TanSeries(18000.0, GetParam());
        const double b = t / (1.0 + t), a1 = (t - 1.0) / (t + 1.0);
        for (size_t n = 0; n < delay - 8; ++n)
            ASSERT_EQ(out[n], 0.0f) << n;
        double y = 0.0;
        for (size_t n = delay - 8; n < delay + 32; ++n)
        {
            y = n < delay ? 0.0 : b * ((n == delay) + (n == delay + 1)) - a1 * y;
            EXPECT_NEAR(out[n], y, 2e-3) << "delay " << delay << " at " << n;
        }
    }
    CLayerModuleHarness m_h{GetParam(), kModuleDelay};
    Signal m_left, m_right;
};
} // namespace

TEST_P(CLayerDelayTest, ImpulseReturnsAfterTheSetTimes)
{
    struct CASE
    {
        const char* name;
        float sync, left, right, link, tempo;
        double leftSeconds, rightSeconds;
    };
    // "1/8" (index 5) and "1/4" (8): 0.25 and 0.5 s at 120 BPM, 0.2 and 0.4 s at 150.
    const CASE cases[] = {{"free", 0, 100, 300, 0, 120, 0.1, 0.3},
                          {"synced", 1, 5, 8, 0, 120, 0.25, 0.5},
                          {"synced at 150 BPM", 1, 5, 8, 0, 150, 0.2, 0.4},
                          {"linked", 0, 100, 300, 1, 120, 0.1, 0.1}};
    for (const CASE& c : cases)
    {
        SCOPED_TRACE(c.name);
        m_h.Effect()->SetHostTempo(c.tempo);
        Configure(0.0f, 0.0f, 0.0f, {{kDelaySync, c.sync}, {kDelaySpeedL, c.left},
                                     {kDelaySpeedR, c.right}, {kDelayLink, c.link}});
        Impulse(Samples(c.rightSeconds + 0.05));
        ExpectEcho(m_left, Samples(c.leftSeconds));
        ExpectEcho(m_right, Samples(c.rightSeconds));
    }
}

TEST_P(CLayerDelayTest, TimesBeyondTheLineReadAtItsEnd)
{
    // 4/1 at 20 BPM: 48 s, beyond the 10 s line.
    m_h.Effect()->SetHostTempo(20.0f);
    Configure(100.0f, 100.0f, 0.0f, {{kDelaySync, 1.0f}, {kDelaySpeedL, 20.0f}});
    const int length = static_cast<CLayerDelay*>(m_h.Module())->GetLineLength();
    EXPECT_EQ(length, static_cast<int>(GetParam() * 10.0f));
    Impulse(static_cast<size_t>(length) + 40);
    ExpectEcho(m_left, static_cast<size_t>(length) - 1);
}

TEST_P(CLayerDelayTest, PingPongFeedsBothLinesTheMonoSumAndReturnsOnlyTheLeftEcho)
{
    // Loop gain F = 0.999 x 0.5: echoes at (k + 1) 100 ms (left) and 250 + k 100 ms (right)
    // carry 0.5 F^k (an echo's area is its gain: the low-pass has unit DC gain).
    Configure(100.0f, 250.0f, 50.0f, {{kDelayPingPong, 1.0f}});
    Impulse(Samples(0.7), false);
    for (int k = 0; k < 3; ++k)
    {
        const double gain = 0.5 * std::pow(0.999 * 0.5, k);
        EXPECT_NEAR(Area(m_left, Samples(0.1 * (k + 1)) - 4, Samples(0.05)), gain, 1e-4) << k;
        EXPECT_NEAR(Area(m_right, Samples(0.25 + 0.1 * k) - 4, Samples(0.05)), gain, 1e-4) << k;
    }
    // The right echo is not fed back: nothing at twice the right time.
    EXPECT_NEAR(Area(m_right, Samples(0.5) - 4, Samples(0.05)), 0.0, 1e-6);
}

TEST_P(CLayerDelayTest, EchoesDecayByTheLoopGain)
{
    for (float feedback : {50.0f, 100.0f})
    {
        Configure(50.0f, 50.0f, feedback);
        Impulse(Samples(0.33));
        const double loop = 0.999 * feedback / 100.0; // no band-pass: F = 0.999 fb
        for (int k = 1; k < 6; ++k)
            EXPECT_NEAR(Area(m_left, Samples(0.05 * k) - 4, Samples(0.025)), std::pow(loop, k - 1),
                        1e-4)
                << feedback << "% echo " << k;
    }
}

TEST_P(CLayerDelayTest, LimiterAndClipBoundTheEchoes)
{
    // Full feedback on loud noise stays within the clip and keeps ringing half a second
    // after the input stopped.
    Configure(10.0f, 13.0f, 100.0f);
    Signal l = TestSignals::Noise(Samples(0.5), 7, 2.0f);
    Signal r = TestSignals::Noise(Samples(0.5), 8, 2.0f);
    l.resize(Samples(1.0));
    r.resize(l.size());
    m_h.Run(l, r);
    EXPECT_LE(std::max(TestSpectrum::Peak(l), TestSpectrum::Peak(r)), 0.999f);
    EXPECT_GT(std::fabs(l.back()), 0.0f);
    // A steady -3 on the left and +0.5 on the right: the envelope settles on the larger
    // magnitude, 3, so the right echo comes out at 0.5 / 3 (and the left clipped).
    Configure(10.0f, 10.0f, 0.0f);
    l.assign(Samples(0.3), -3.0f);
    r.assign(l.size(), 0.5f);
    m_h.Run(l, r);
    EXPECT_NEAR(r.back(), 0.5f / 3.0f, 1e-3f);
    EXPECT_FLOAT_EQ(l.back(), -0.999f);
}

TEST_P(CLayerDelayTest, TonePathsBlendAsTheirFilters)
{
    // Band-pass 100 %: half the low-passed path, half the band-limited one: a 120 Hz
    // first-order high-pass, a cookbook peak (3 kHz, 2.5 octaves, +12 dB with both times
    // 100 ms) and high shelf (q 1, -30 dB at 7000 + 8000 - 0.5 x 7000 = 11500 Hz for the
    // low-pass at 18 kHz, position 1).
    const double rate = GetParam();
    Configure(100.0f, 100.0f, 0.0f, {{kDelayBandpass, 100.0f}});
    const double tl = TanSeries(18000.0, rate), th = TanSeries(120.0, rate);
    for (double hz : {200.0, 1000.0, 3000.0, 8000.0})
    {
        const std::complex<double> z1 = std::polar(1.0, -2.0 * kPi * hz / rate);
        using namespace CookbookBiquad;
        const std::complex<double> lowpass =
            tl / (1 + tl) * (1.0 + z1) / (1.0 + (tl - 1) / (tl + 1) * z1);
        const std::complex<double> highpass =
            1 / (1 + th) * (1.0 - z1) / (1.0 + (th - 1) / (th + 1) * z1);
        const std::complex<double> band = Response(Peaking(3000.0, 2.5, 12.0, rate), hz, rate) *
                                          Response(HighShelf(11500.0, 1.0, -30.0, rate), hz, rate) *
                                          highpass;
        const auto run = [&](Signal& l, Signal& r) { m_h.Run(l, r); };
        EXPECT_NEAR(ProcessingMeasure::SineGainDb(run, hz, rate, 0.25, 0.35, 0.25),
                    TestSpectrum::Db(0.5 * lowpass + 0.5 * band), 0.1)
            << hz << " Hz";
    }
}

TEST_P(CLayerDelayTest, NothingStaleIsReadAfterTheLinesAreReallocated)
{
    Configure(500.0f, 500.0f, 0.0f);
    Signal l(Samples(0.25), 0.5f), r(l.size(), -0.5f);
    m_h.Run(l, r); // the echo of this is still in the line
    m_h.Module()->SetSampleRate(GetParam());
    Signal silentL(Samples(1.0)), silentR(silentL.size());
    m_h.Run(silentL, silentR);
    EXPECT_EQ(TestSpectrum::Peak(silentL) + TestSpectrum::Peak(silentR), 0.0f);
}

INSTANTIATE_TEST_SUITE_P(Rates, CLayerDelayTest, ::testing::Values(44100.0f, 48000.0f, 96000.0f));
