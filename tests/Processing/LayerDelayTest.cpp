// Delay module inside the real effect: echo times (free, synced, linked, beyond the
// line), ping-pong routing, the loop gain of the feedback path, the two tone paths
// against their filter formulas, the limiter and clip, and the state rules.
#include "Processing/LayerDelay.h"
#include "support/EffectFixture.h"
#include "support/Signals.h"
#include "support/Spectrum.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>

using namespace MorvexParam;

namespace
{
constexpr double kPi = 3.14159265358979323846;
using Signal = CLayerModuleHarness::Signal;
using Complex = std::complex<double>;

// Bilinear first order with tan(x) from its series x + x^3/3 + 2x^5/15, x = pi f / rate.
double TanSeries(double hz, double rate)
{
    const double x = kPi * hz / rate;
    return x + x * x * x / 3.0 + 2.0 * std::pow(x, 5.0) / 15.0;
}

// Impulse response of the echo low-pass: y = b (x + x1) - a1 y1, b = t / (1 + t),
// a1 = (t - 1) / (t + 1).
std::vector<double> LowpassImpulse(double hz, double rate, int length)
{
    const double t = TanSeries(hz, rate);
    const double b = t / (1.0 + t), a1 = (t - 1.0) / (t + 1.0);
    std::vector<double> h(static_cast<size_t>(length));
    double x1 = 0.0, y1 = 0.0;
    for (int n = 0; n < length; ++n)
    {
        const double x = n == 0 ? 1.0 : 0.0;
        y1 = b * (x + x1) - a1 * y1;
        x1 = x;
        h[static_cast<size_t>(n)] = y1;
    }
    return h;
}

double Area(const Signal& s, int start, int length)
{
    double sum = 0.0;
    for (int n = start; n < start + length; ++n)
        sum += s[static_cast<size_t>(n)];
    return sum;
}

class CLayerDelayTest : public ::testing::TestWithParam<float>
{
protected:
    CLayerDelayTest() : m_h(GetParam(), kModuleDelay) {}

    int Samples(double seconds) const { return static_cast<int>(seconds * GetParam()); }
    // Free times, link off, fully wet, the given feedback, everything else at its default
    // (low-pass 18 kHz, no band-pass, input on).
    void Configure(float leftMs, float rightMs, float feedbackPercent)
    {
        m_h.Set(kDelaySync, 0.0f);
        m_h.SetUnscaled(kDelaySpeedL, leftMs);
        m_h.SetUnscaled(kDelaySpeedR, rightMs);
        m_h.Set(kDelayLink, 0.0f);
        m_h.SetUnscaled(kDelayFeedback, feedbackPercent);
        m_h.Set(kDelayMix, 1.0f);
    }
    // Unit impulses on the chosen channels, then `length` samples of the output.
    void Impulse(int length, bool left = true, bool right = true)
    {
        m_left.assign(static_cast<size_t>(length), 0.0f);
        m_right.assign(m_left.size(), 0.0f);
        m_left[0] = left ? 1.0f : 0.0f;
        m_right[0] = right ? 1.0f : 0.0f;
        m_h.Run(m_left, m_right);
    }
    // The echo of a unit impulse through the 18 kHz low-pass, `delay` samples late,
    // scaled by `gain`; silence before it.
    void ExpectEcho(const Signal& out, int delay, double gain) const
    {
        const std::vector<double> h = LowpassImpulse(18000.0, GetParam(), 32);
        for (int n = 0; n < delay - 8; ++n)
            ASSERT_EQ(out[static_cast<size_t>(n)], 0.0f) << n;
        for (int k = -8; k < 32; ++k)
        {
            const double expected = k < 0 ? 0.0 : gain * h[static_cast<size_t>(k)];
            EXPECT_NEAR(out[static_cast<size_t>(delay + k)], expected, 2e-3)
                << "delay " << delay << " + " << k;
        }
    }

    CLayerModuleHarness m_h;
    Signal m_left, m_right;
};
} // namespace

TEST_P(CLayerDelayTest, ImpulseReturnsAfterTheFreeTimes)
{
    Configure(100.0f, 300.0f, 0.0f);
    m_h.Settle(3.0f); // the time glide has a 95 ms time constant
    Impulse(Samples(0.35));
    ExpectEcho(m_left, Samples(0.1), 1.0);
    ExpectEcho(m_right, Samples(0.3), 1.0);
}

TEST_P(CLayerDelayTest, SyncedNoteLengthsFollowTheTempo)
{
    Configure(100.0f, 300.0f, 0.0f);
    m_h.Set(kDelaySync, 1.0f);
    m_h.SetUnscaled(kDelaySpeedL, 5.0f); // 1/8 at 120 BPM: 0.125 * 240 / 120 = 0.25 s
    m_h.SetUnscaled(kDelaySpeedR, 8.0f); // 1/4: 0.5 s
    m_h.Settle(3.0f);
    Impulse(Samples(0.55));
    ExpectEcho(m_left, Samples(0.25), 1.0);
    ExpectEcho(m_right, Samples(0.5), 1.0);

    m_h.Effect()->SetHostTempo(150.0f); // 1/8 at 150 BPM: 0.2 s
    m_h.Settle(3.0f);
    Impulse(Samples(0.25));
    ExpectEcho(m_left, Samples(0.2), 1.0);
}

TEST_P(CLayerDelayTest, LinkGivesTheRightLineTheLeftTime)
{
    Configure(100.0f, 300.0f, 0.0f);
    m_h.Set(kDelayLink, 1.0f);
    m_h.Settle(3.0f);
    Impulse(Samples(0.35));
    ExpectEcho(m_right, Samples(0.1), 1.0);
}

TEST_P(CLayerDelayTest, TimesBeyondTheLineReadAtItsEnd)
{
    Configure(100.0f, 100.0f, 0.0f);
    m_h.Set(kDelaySync, 1.0f);
    m_h.SetUnscaled(kDelaySpeedL, 20.0f); // 4/1 at 20 BPM: 48 s, longer than the 10 s line
    m_h.Effect()->SetHostTempo(20.0f);
    m_h.Settle(0.5f);
    const int length = static_cast<CLayerDelay*>(m_h.Module())->GetLineLength();
    EXPECT_EQ(length, static_cast<int>(GetParam() * 10.0f));
    Impulse(length + 40);
    ExpectEcho(m_left, length - 1, 1.0);
}

TEST_P(CLayerDelayTest, PingPongFeedsBothLinesTheMonoSumAndReturnsOnlyTheLeftEcho)
{
    // Left 100 ms, right 250 ms, feedback 50 %: loop gain F = 0.999 * 0.5. Left echoes
    // at (k + 1) * 100 ms and right echoes at 250 + k * 100 ms carry 0.5 F^k of the
    // left impulse (the low-pass has unit gain at DC, so each echo's area is its gain).
    Configure(100.0f, 250.0f, 50.0f);
    m_h.Set(kDelayPingPong, 1.0f);
    m_h.Settle(3.0f);
    Impulse(Samples(0.7), true, false);
    const double loop = 0.999 * 0.5;
    const int window = Samples(0.05);
    for (int k = 0; k < 3; ++k)
    {
        const double gain = 0.5 * std::pow(loop, k);
        EXPECT_NEAR(Area(m_left, Samples(0.1 * (k + 1)) - 4, window), gain, 1e-4) << k;
        EXPECT_NEAR(Area(m_right, Samples(0.25 + 0.1 * k) - 4, window), gain, 1e-4) << k;
    }
    // The right echo is not fed back: nothing at twice the right time.
    EXPECT_NEAR(Area(m_right, Samples(0.5) - 4, window), 0.0, 1e-6);
}

TEST_P(CLayerDelayTest, EchoesDecayByTheLoopGain)
{
    for (float feedback : {50.0f, 100.0f})
    {
        Configure(50.0f, 50.0f, feedback);
        m_h.Settle(3.0f);
        Impulse(Samples(0.33));
        const double loop = 0.999 * feedback / 100.0; // no band-pass: F = 0.999 fb
        for (int k = 1; k < 6; ++k)
        {
            const double area = Area(m_left, Samples(0.05 * k) - 4, Samples(0.025));
            EXPECT_NEAR(area, std::pow(loop, k - 1), 1e-4) << feedback << "% echo " << k;
        }
    }
}

TEST_P(CLayerDelayTest, FullFeedbackStaysWithinTheClip)
{
    Configure(10.0f, 13.0f, 100.0f);
    m_h.Settle(3.0f);
    const size_t length = static_cast<size_t>(Samples(1.0));
    Signal l = TestSignals::Noise(length / 2, 7, 2.0f), r = TestSignals::Noise(length / 2, 8, 2.0f);
    l.resize(length);
    r.resize(length);
    m_h.Run(l, r);
    float peak = 0.0f;
    for (size_t n = 0; n < l.size(); ++n)
        peak = std::max({peak, std::fabs(l[n]), std::fabs(r[n])});
    EXPECT_LE(peak, 0.999f);
    EXPECT_GT(std::fabs(l.back()), 0.0f); // still ringing half a second after the input stopped
}

TEST_P(CLayerDelayTest, LimiterCatchesANegativeEcho)
{
    // A steady -3 on the left and +0.5 on the right: the envelope settles on the larger
    // magnitude, 3, so the right echo comes out at 0.5 / 3 (and the left clipped).
    Configure(10.0f, 10.0f, 0.0f);
    m_h.Settle(3.0f);
    Signal l(static_cast<size_t>(Samples(0.3)), -3.0f), r(l.size(), 0.5f);
    m_h.Run(l, r);
    EXPECT_NEAR(r.back(), 0.5f / 3.0f, 1e-3f);
    EXPECT_FLOAT_EQ(l.back(), -0.999f);
}

TEST_P(CLayerDelayTest, TonePathsBlendAsTheirFilters)
{
    // Band-pass 100 %: half the low-passed path, half the band-limited one. Both times are
    // 100 ms, so the presence peak is 12 dB; the low-pass at 18 kHz (position 1) puts the
    // shelf at 7000 + 8000 - 0.5 * 7000 = 11500 Hz.
    const double rate = GetParam();
    Configure(100.0f, 100.0f, 0.0f);
    m_h.SetUnscaled(kDelayBandpass, 100.0f);
    m_h.Settle(3.0f);
    for (double hz : {200.0, 1000.0, 3000.0, 8000.0})
    {
        const Complex z1 = std::polar(1.0, -2.0 * kPi * hz / rate);
        const Complex z2 = z1 * z1;
        auto biquad = [&](double b0, double b1, double b2, double a0, double a1, double a2)
        { return (b0 + b1 * z1 + b2 * z2) / (a0 + a1 * z1 + a2 * z2); };
        double t = TanSeries(18000.0, rate);
        const Complex lowpass = biquad(t / (1 + t), t / (1 + t), 0, 1, (t - 1) / (t + 1), 0);
        t = TanSeries(120.0, rate);
        const Complex highpass = biquad(1 / (1 + t), -1 / (1 + t), 0, 1, (t - 1) / (t + 1), 0);
        // RBJ cookbook peaking (bandwidth 2.5 octaves, +12 dB) and high shelf (q 1, -30 dB).
        double w = 2.0 * kPi * 3000.0 / rate, s = std::sin(w), c = std::cos(w);
        double a = std::pow(10.0, 12.0 / 40.0);
        const double alpha = s * std::sinh(std::log(2.0) / 2.0 * 2.5 * w / s);
        const Complex peak =
            biquad(1 + alpha * a, -2 * c, 1 - alpha * a, 1 + alpha / a, -2 * c, 1 - alpha / a);
        w = 2.0 * kPi * 11500.0 / rate, s = std::sin(w), c = std::cos(w);
        a = std::pow(10.0, -30.0 / 40.0);
        const double root = std::sqrt(a) * 2.0 * s;
        const Complex shelf =
            biquad(a * ((a + 1) + (a - 1) * c + root), -2 * a * ((a - 1) + (a + 1) * c),
                   a * ((a + 1) + (a - 1) * c - root), (a + 1) - (a - 1) * c + root,
                   2 * ((a - 1) - (a + 1) * c), (a + 1) - (a - 1) * c - root);
        const double expectedDb =
            20.0 * std::log10(std::abs(0.5 * lowpass + 0.5 * peak * shelf * highpass));

        Signal l(static_cast<size_t>(Samples(0.6))), r(l.size());
        for (size_t n = 0; n < l.size(); ++n)
            l[n] = r[n] = static_cast<float>(0.25 * std::sin(2.0 * kPi * hz * n / rate));
        const Signal in = l;
        m_h.Run(l, r);
        double inPower = 0.0, outPower = 0.0;
        for (size_t n = static_cast<size_t>(Samples(0.35)); n < l.size(); ++n)
        {
            inPower += static_cast<double>(in[n]) * in[n];
            outPower += static_cast<double>(l[n]) * l[n];
        }
        EXPECT_NEAR(10.0 * std::log10(outPower / inPower), expectedDb, 0.1) << hz << " Hz";
    }
}

TEST_P(CLayerDelayTest, NothingStaleIsReadAfterTheLinesAreReallocated)
{
    Configure(500.0f, 500.0f, 0.0f);
    m_h.Settle(3.0f);
    Signal l(static_cast<size_t>(Samples(0.25)), 0.5f), r(l.size(), -0.5f);
    m_h.Run(l, r); // the echo of this is still in the line
    m_h.Module()->SetSampleRate(GetParam());
    Signal silentL(static_cast<size_t>(Samples(1.0))), silentR(silentL.size());
    m_h.Run(silentL, silentR);
    for (size_t n = 0; n < silentL.size(); ++n)
        ASSERT_TRUE(silentL[n] == 0.0f && silentR[n] == 0.0f) << n;
}

INSTANTIATE_TEST_SUITE_P(Rates, CLayerDelayTest, ::testing::Values(44100.0f, 48000.0f, 96000.0f));
