// Flanger and phaser module inside the real effect: the delayed path and the phaser
// path against their difference equations (which fix the comb's notches too), the LFO's
// delay sweep at free and synced rates, width and tone.
#include "Processing/LayerFlanger.h"
#include "support/EffectFixture.h"

#include "support/CookbookBiquad.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <complex>
#include <limits>
#include <vector>

using namespace MorvexParam;

namespace
{
constexpr double kPi = 3.14159265358979323846;
using Signal = CLayerModuleHarness::Signal;

// The flanger of a layer with every setting but the speed given as a scaled value.
class CFlangerHarness : public CLayerModuleHarness
{
public:
    explicit CFlangerHarness(float rate, int layer = 0)
        : CLayerModuleHarness(rate, kModuleFlanger, layer)
    {
    }
    void Configure(float mode, float mix, float feedback, float depth, float width, float delay,
                   float tone)
    {
        Set(kFlangerMode, mode);
        Set(kFlangerMix, mix);
        Set(kFlangerFeedback, feedback);
        Set(kFlangerDepth, depth);
        Set(kFlangerWidth, width);
        Set(kFlangerDelay, delay);
        Set(kFlangerTone, tone);
    }
    void FreeSpeed(float ms)
    {
        Set(kFlangerSync, 0.0f);
        SetUnscaled(kFlangerSpeed, ms);
    }
};

// Flanger delay setting (octave curve 1..25 ms) in samples.
double DelaySamples(double scaled, double rate)
{
    return std::pow(25.0, scaled) * 0.001 * rate;
}

// Sweep LFO of a phase in cycles: the sine table (sin(2 pi i / 1023), i = 0..1023) read with
// linear interpolation at phase * 1024, the last entry held; then (s + 1) / 2.
double Lfo(double phase)
{
    const double position = phase * 1024.0;
    if (position >= 1023.0)
        return 0.5;
    const double i = std::floor(position), t = position - i;
    const double s =
        (1 - t) * std::sin(2 * kPi * i / 1023) + t * std::sin(2 * kPi * (i + 1) / 1023);
    return (s + 1) / 2;
}

// Line delay for an LFO value: centre - LOG_TABLE[trunc(lfo * 100002)] * sweep, at least 0.5,
// with LOG_TABLE[i] = log10(1 + (10^2.5 - 1) i / 100002) / 2.5.
double SweptDelay(double centre, double sweep, double lfo)
{
    const double x = std::floor(lfo * 100002.0) / 100002.0;
    const double curve = std::log10(1.0 + (std::pow(10.0, 2.5) - 1.0) * x) / 2.5;
    return std::max(0.5, centre - curve * sweep);
}

// The all-pass read of a constant line delay: z^-m (a + z^-1) / (1 + a z^-1), fraction t in
// 0.5..1.5, a = (1 - t) / (1 + t).
struct ALLPASS_DELAY
{
    int m;
    double a;
};
ALLPASS_DELAY SplitDelay(double delay)
{
    const double fraction = delay - std::floor(delay);
    const double t = fraction < 0.5 ? 1.0 + fraction : fraction;
    return {static_cast<int>(std::lround(delay - t)), (1.0 - t) / (1.0 + t)};
}

// Flanger path at rest (depth 0), impulse response: the line input is the previous sample's
// x + 0.93 f y, read back through the all-pass delay.
std::vector<double> FlangerImpulse(double delay, double f, int length)
{
    const ALLPASS_DELAY ap = SplitDelay(delay);
    std::vector<double> lineInput(static_cast<size_t>(length)), y(lineInput.size());
    double sum = 0.0, u1 = 0.0, y1 = 0.0;
    for (int n = 0; n < length; ++n)
    {
        lineInput[static_cast<size_t>(n)] = sum;
        const double u = n >= ap.m ? lineInput[static_cast<size_t>(n - ap.m)] : 0.0;
        y1 = ap.a * u + u1 - ap.a * y1;
        u1 = u;
        y[static_cast<size_t>(n)] = y1;
        sum = 0.93 * f * y1 + (n == 0 ? 1.0 : 0.0);
    }
    return y;
}

// Phaser path at rest (depth 0), impulse response: stage frequency w = TUNE(base) / rate with
// base = 64 + 58 * delay and TUNE(p) = 8.1777 * 2^(trunc(p * 254999 / 170) * 170 / 254999 / 12);
// six all-passes a_k = (1 - w_k) / (1 + w_k), w_k = (5.6 k + 1) w (k < 3), w / (5.6 (k - 3) + 2);
// feedback 0.95 f; output x +- chain (sign of f), RBJ high shelf at 3000 (1 + n) Hz, q 1,
// 8 (1 - n) dB, then 0.5 * 10^(-4 (1 - n) / 20), with n = (base - 64) / 101.
std::vector<double> PhaserImpulse(double delayScaled, double f, double rate, int length)
{
    const double base = 64.0 + 58.0 * delayScaled;
    const double index = std::floor(base * 254999.0 / 170.0);
    const double w = 8.1777 * std::exp2(index * 170.0 / 254999.0 / 12.0) / rate;
    double a[6], s[6] = {};
    for (int k = 0; k < 6; ++k)
    {
        const double wk = k < 3 ? (5.6 * k + 1) * w : w / (5.6 * (k - 3) + 2);
        a[k] = (1 - wk) / (1 + wk);
    }
    const double n = (base - 64.0) / 101.0;
    const double gain = 0.5 * std::pow(10.0, -4.0 * (1.0 - n) / 20.0);
    const auto [b0, b1, b2, a0, a1, a2] =
        CookbookBiquad::HighShelf(3000.0 + 3000.0 * n, 1.0, 8.0 * (1.0 - n), rate);
    std::vector<double> out(static_cast<size_t>(length));
    double feedback = 0, x1 = 0, x2 = 0, y1 = 0, y2 = 0;
    for (int t = 0; t < length; ++t)
    {
        const double x = t == 0 ? 1.0 : 0.0;
        double v = 0.95 * f * feedback + x;
        for (int k = 0; k < 6; ++k)
        {
            const double o = s[k] - a[k] * v;
            s[k] = a[k] * o + v;
            v = o;
        }
        feedback = v;
        const double p = f >= 0 ? x + v : x - v;
        const double y = (b0 * p + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2) / a0;
        x2 = x1, x1 = p, y2 = y1, y1 = y;
        out[static_cast<size_t>(t)] = y * gain;
    }
    return out;
}

// Complex gain of the module at hz (a multiple of 2 Hz): a sine settles for 0.1 s, then
// rate / 2 samples, a whole number of cycles, are projected onto e^(-j w n).
std::complex<double> MeasureGain(CFlangerHarness& h, double hz, double rate)
{
    h.Module()->Reset();
    const int settle = static_cast<int>(rate / 10), window = static_cast<int>(rate / 2);
    Signal l(static_cast<size_t>(settle + window));
    for (size_t n = 0; n < l.size(); ++n)
        l[n] = static_cast<float>(0.5 * std::sin(2 * kPi * hz * static_cast<double>(n) / rate));
    Signal r = l;
    const Signal in = l;
    h.Run(l, r);
    std::complex<double> x, y;
    for (int n = settle; n < settle + window; ++n)
    {
        const std::complex<double> e = std::polar(1.0, -2 * kPi * hz * n / rate);
        x += static_cast<double>(in[static_cast<size_t>(n)]) * e;
        y += static_cast<double>(l[static_cast<size_t>(n)]) * e;
    }
    return y / x;
}

class CLayerFlangerRateTest : public ::testing::TestWithParam<float>
{
};

INSTANTIATE_TEST_SUITE_P(Rates, CLayerFlangerRateTest,
                         ::testing::Values(44100.0f, 48000.0f, 96000.0f));
} // namespace

// Mode 0, mix 100 %: the output is the delayed line alone; feedback 50 % (scaled, f = 0)
// leaves one echo, other settings add the 0.93 f recirculation.
TEST_P(CLayerFlangerRateTest, FlangerModeIsTheDelayedSignalAlone)
{
    const float rate = GetParam();
    for (float feedback : {0.5f, 0.75f, 0.25f, 1.0f})
    {
        CFlangerHarness h(rate);
        h.Configure(0.0f, 1.0f, feedback, 0.0f, 0.0f, 0.4f, 0.5f);
        h.Settle();
        const double delay = DelaySamples(0.4, rate);
        const int length = static_cast<int>(4 * delay);
        const std::vector<double> expected = FlangerImpulse(delay, 2.0 * feedback - 1.0, length);
        Signal l(static_cast<size_t>(length)), r(l.size());
        l[0] = r[0] = 1.0f;
        h.Run(l, r);
        for (int n = 0; n < length; ++n)
        {
            ASSERT_NEAR(expected[static_cast<size_t>(n)], l[static_cast<size_t>(n)], 1e-4)
                << "feedback " << feedback << " sample " << n;
            ASSERT_EQ(l[static_cast<size_t>(n)], r[static_cast<size_t>(n)]);
        }
        if (feedback == 0.5f)
        {
            // The single echo is 1 + delay samples late; nothing comes back after it.
            for (int n = static_cast<int>(delay) + 20; n < length; ++n)
                ASSERT_NEAR(0.0f, l[static_cast<size_t>(n)], 1e-6) << n;
        }
    }
}

// Mode 1, mix 100 %: the output is the phaser alone (on layer B), for no, positive and
// negative feedback; negative feedback subtracts the all-pass chain.
TEST_P(CLayerFlangerRateTest, PhaserModeIsThePhaserAlone)
{
    const float rate = GetParam();
    for (float feedback : {0.5f, 0.75f, 0.25f})
    {
        CFlangerHarness h(rate, 1);
        h.Configure(1.0f, 1.0f, feedback, 0.0f, 0.0f, 0.5f, 0.5f);
        h.Settle();
        const std::vector<double> expected = PhaserImpulse(0.5, 2.0 * feedback - 1.0, rate, 512);
        Signal l(512), r(512);
        l[0] = r[0] = 1.0f;
        h.Run(l, r);
        for (size_t n = 0; n < expected.size(); ++n)
            ASSERT_NEAR(expected[n], l[n], 2e-5) << "feedback " << feedback << " sample " << n;
    }
}

// Tone at 50 % is a 0 dB shelf; elsewhere the RBJ high shelf at 10 kHz + 500 u^2, q 1,
// 12 u dB (u = 2 tone - 1), or 10 kHz - 4 kHz v^2, q 1 + v / 2, -24 v dB (v = 1 - 2 tone).
// The flanger path at rest is an all-pass, so the magnitude is the shelf's.
TEST_P(CLayerFlangerRateTest, ToneShelf)
{
    const double rate = GetParam();
    for (double tone : {0.5, 1.0, 0.75, 0.25, 0.0})
    {
        CFlangerHarness h(static_cast<float>(rate));
        h.Configure(0.0f, 1.0f, 0.5f, 0.0f, 0.0f, 0.4f, static_cast<float>(tone));
        h.Settle();
        const double u = 2 * tone - 1, v = 1 - 2 * tone;
        const double corner = tone >= 0.5 ? 10000 + 500 * u * u : 10000 - 4000 * v * v;
        const double q = tone >= 0.5 ? 1.0 : 1.0 + 0.5 * v;
        const double gainDb = tone >= 0.5 ? 12 * u : -24 * v;
        for (double hz : {100.0, 2000.0, 8000.0, 15000.0})
        {
            const double measuredDb = 20 * std::log10(std::abs(MeasureGain(h, hz, rate)));
            const double expectedDb = CookbookBiquad::MagnitudeDb(
                CookbookBiquad::HighShelf(corner, q, gainDb, rate), hz, rate);
            EXPECT_NEAR(expectedDb, measuredDb, tone == 0.5 ? 1e-3 : 0.1)
                << "tone " << tone << " at " << hz << " Hz";
        }
    }
}

// The line delay follows D - LOG(lfo) A, A = depth (D - floor), floor = (0.04 + 0.3 delay)
// ms, lfo a sine of the set period; with width 100 % the right LFO is half a cycle away.
// A ramp x = c n through the delayed path (mix 100 %, no feedback) comes out as
// c (n - 1 - delay): the trace of the delay, apart from a few samples after the all-pass
// read steps to the next line sample. The ramp restarts every 2048 samples to keep its
// values, and so the float rounding of the filters, small.
namespace
{
struct SWEEP
{
    double rate, centre, sweep, period, firstPhase;
};

void ExpectDelayTrace(CFlangerHarness& h, const SWEEP& s, double widthOffset, double seconds)
{
    const int length = static_cast<int>(seconds * s.rate);
    const int saw = 2048;
    const double c = 1e-3;
    Signal l(static_cast<size_t>(length));
    for (int n = 0; n < length; ++n)
        l[static_cast<size_t>(n)] = static_cast<float>(c * (n % saw));
    Signal r = l;
    h.Run(l, r);

    int compared = 0;
    for (int channel = 0; channel < 2; ++channel)
    {
        const Signal& out = channel == 0 ? l : r;
        std::vector<double> delay(static_cast<size_t>(length));
        for (int n = 0; n < length; ++n)
        {
            const double phase = s.firstPhase + (n + 1) / s.period;
            const double lfoPhase = phase + (channel == 1 ? widthOffset : 0.0);
            delay[static_cast<size_t>(n)] =
                SweptDelay(s.centre, s.sweep, Lfo(lfoPhase - std::floor(lfoPhase)));
        }
        auto step = [&](int n) {
            return std::floor(delay[static_cast<size_t>(n)] - 0.5) !=
                   std::floor(delay[static_cast<size_t>(n - 1)] - 0.5);
        };
        for (int n = 5; n < length - 4; ++n)
        {
            if (n % saw < 2 * s.centre + 8)
                continue;
            bool nearStep = false;
            for (int j = n - 4; j <= n + 3; ++j)
                nearStep = nearStep || step(j);
            if (nearStep)
                continue;
            const double measured = n % saw - out[static_cast<size_t>(n)] / c;
            ASSERT_NEAR(1.0 + delay[static_cast<size_t>(n)], measured, 0.1)
                << "channel " << channel << " sample " << n;
            ++compared;
        }
    }
    EXPECT_GT(compared, length); // most samples of both channels were compared
}
} // namespace

TEST_P(CLayerFlangerRateTest, DelaySweepFollowsTheLfoAtTheFreeRate)
{
    const double rate = GetParam();
    CFlangerHarness h(static_cast<float>(rate));
    h.Configure(0.0f, 1.0f, 0.5f, 0.4f, 1.0f, 0.3f, 0.5f);
    h.FreeSpeed(500.0f);
    h.Settle();
    const double centre = DelaySamples(0.3, rate);
    const double floor = (0.04 + 0.3 * 0.3) * 0.001 * rate;
    ExpectDelayTrace(h, {rate, centre, 0.4 * (centre - floor), 0.5 * rate, 0.0}, 0.5, 0.65);
}

// Synced: "1/4" at 150 BPM is 0.4 s, and a new host position sets the phase to
// position / period (mod 1) before the first sample advances it.
TEST_P(CLayerFlangerRateTest, DelaySweepFollowsTheSyncedRateAndTheHostPosition)
{
    const double rate = GetParam();
    CFlangerHarness h(static_cast<float>(rate));
    h.Configure(0.0f, 1.0f, 0.5f, 0.4f, 1.0f, 0.3f, 0.5f);
    h.Set(kFlangerSync, 1.0f);
    h.SetUnscaled(kFlangerSpeed, 8.0f); // "1/4"
    h.Effect()->SetHostTempo(150.0f);
    h.Settle();
    const double position = 12345.0;
    h.Effect()->SetHostSamplePos(static_cast<float>(position));
    const double period = 0.25 * 240.0 / 150.0 * rate;
    const double centre = DelaySamples(0.3, rate);
    const double floor = (0.04 + 0.3 * 0.3) * 0.001 * rate;
    const double first = position / period - std::floor(position / period);
    ExpectDelayTrace(h, {rate, centre, 0.4 * (centre - floor), period, first}, 0.5, 0.55);
}
