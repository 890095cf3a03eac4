// Flanger and phaser module inside the real effect against their difference equations.
#include "Processing/LayerFlanger.h"
#include "support/EffectFixture.h"
#include "support/ProcessingMeasure.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

using namespace MorvexParam;
using TestSignals::Signal;

namespace
{
using TestSignals::kPi;

// The flanger of a layer, set with scaled values, the sweep at rest without depth.
std::unique_ptr<CLayerModuleHarness> Flanger(float rate, int layer, float mode, float feedback,
                                             float depth, float delay, float tone)
{
    auto h = std::make_unique<CLayerModuleHarness>(rate, kModuleFlanger, layer);
    const float values[] = {mode, 1.0f, feedback, depth, depth > 0.0f ? 1.0f : 0.0f, delay, tone};
    const int ids[] = {kFlangerMode,  kFlangerMix,   kFlangerFeedback, kFlangerDepth,
                       kFlangerWidth, kFlangerDelay, kFlangerTone};
    for (int i = 0; i < 7; ++i)
        h->Set(ids[i], values[i]);
    return h;
}

double DelaySamples(double scaled, double rate)
{
    return std::pow(25.0, scaled) * 0.001 * rate;
}

// Flanger at rest: line input x + 0.93 f y of the previous sample, read through
// z^-m (a + z^-1) / (1 + a z^-1), t in 0.5..1.5, a = (1 - t) / (1 + t).
std::vector<double> FlangerImpulse(double delay, double f, int length)
{
    const double fraction = delay - std::floor(delay);
    const double t = fraction < 0.5 ? 1.0 + fraction : fraction, a = (1.0 - t) / (1.0 + t);
    const int m = static_cast<int>(std::lround(delay - t));
    std::vector<double> lineInput(static_cast<size_t>(length)), y(lineInput.size());
    double sum = 0.0, u1 = 0.0, y1 = 0.0;
    for (int n = 0; n < length; ++n)
    {
        lineInput[static_cast<size_t>(n)] = sum;
        const double u = n >= m ? lineInput[static_cast<size_t>(n - m)] : 0.0;
        y1 = a * u + u1 - a * y1;
        u1 = u;
        y[static_cast<size_t>(n)] = y1;
        sum = 0.93 * f * y1 + (n == 0 ? 1.0 : 0.0);
    }
    return y;
}

// Phaser at rest: w = TUNE(64 + 58 delay) / rate; six all-passes, w_k = (5.6 k + 1) w (k < 3),
// w / (5.6 (k - 3) + 2); feedback 0.95 f; x +- chain; high shelf at 3000 (1 + n) Hz, q 1,
// 8 (1 - n) dB; gain 0.5 x 10^(-4 (1 - n) / 20), n = (base - 64) / 101.
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
    for (size_t t = 0; t < out.size(); ++t)
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
        out[t] = y * gain;
    }
    return out;
}

class CLayerFlangerTest : public ::testing::TestWithParam<float>
{
};
INSTANTIATE_TEST_SUITE_P(Rates, CLayerFlangerTest, ::testing::Values(44100.0f, 48000.0f, 96000.0f));
} // namespace

// Mix 100 %: mode 0 (layer A) is the line alone, mode 1 (layer B) the phaser alone.
TEST_P(CLayerFlangerTest, EachModeIsItsPathAlone)
{
    const float rate = GetParam();
    const double delay = DelaySamples(0.4, rate);
    for (float feedback : {0.5f, 0.75f, 0.25f, 1.0f})
    {
        for (int mode = 0; mode < 2; ++mode)
        {
            if (mode == 1 && feedback == 1.0f)
                continue;
            SCOPED_TRACE(::testing::Message() << "mode " << mode << " feedback " << feedback);
            auto h = Flanger(rate, mode, static_cast<float>(mode), feedback, 0.0f,
                             mode ? 0.5f : 0.4f, 0.5f);
            h->Settle();
            const std::vector<double> expected =
                mode ? PhaserImpulse(0.5, 2.0 * feedback - 1.0, rate, 512)
                     : FlangerImpulse(delay, 2.0 * feedback - 1.0, static_cast<int>(4 * delay));
            Signal l = TestSignals::Impulse(expected.size()), r = l;
            h->Run(l, r);
            EXPECT_EQ(l, r);
            for (size_t n = 0; n < expected.size(); ++n)
                ASSERT_NEAR(expected[n], l[n], mode ? 2e-5 : 1e-4) << n;
            if (mode == 0 && feedback == 0.5f)
            {
                EXPECT_LT(TestSpectrum::Peak(Signal(l.begin() + static_cast<long>(delay) + 20,
                                                    l.end())),
                          1e-6f); // nothing comes back after the single echo
            }
        }
    }
}

// High shelf at 10 kHz + 500 u^2, q 1, 12 u dB (u = 2 tone - 1), or 10 kHz - 4 kHz v^2,
// q 1 + v / 2, -24 v dB (v = 1 - 2 tone); the flanger at rest is an all-pass.
TEST_P(CLayerFlangerTest, ToneShelf)
{
    const double rate = GetParam();
    for (double tone : {0.5, 1.0, 0.75, 0.25, 0.0})
    {
        auto h = Flanger(static_cast<float>(rate), 0, 0.0f, 0.5f, 0.0f, 0.4f,
                         static_cast<float>(tone));
        h->Settle();
        const double u = 2 * tone - 1, v = 1 - 2 * tone;
        const double corner = tone >= 0.5 ? 10000 + 500 * u * u : 10000 - 4000 * v * v;
        const double q = tone >= 0.5 ? 1.0 : 1.0 + 0.5 * v;
        const double gainDb = tone >= 0.5 ? 12 * u : -24 * v;
        for (double hz : {100.0, 2000.0, 8000.0, 15000.0})
        {
            const auto run = [&](Signal& l, Signal& r) {
                h->Module()->Reset();
                h->Run(l, r);
            };
            EXPECT_NEAR(CookbookBiquad::MagnitudeDb(
                            CookbookBiquad::HighShelf(corner, q, gainDb, rate), hz, rate),
                        ProcessingMeasure::SineGainDb(run, hz, rate), tone == 0.5 ? 1e-3 : 0.1)
                << "tone " << tone << " at " << hz << " Hz";
        }
    }
}

// Delay D - LOG(lfo) A (at least 0.5), A = depth (D - floor), floor = (0.04 + 0.3 delay) ms;
// lfo = (SINE + 1) / 2, the right half a cycle on at width 100 %. A ramp c n comes out as
// c (n - 1 - delay) but near the all-pass read's steps; it restarts every 2048 samples.
TEST_P(CLayerFlangerTest, DelaySweepFollowsTheLfo)
{
    const double rate = GetParam();
    const double centre = DelaySamples(0.3, rate);
    const double sweep = 0.4 * (centre - (0.04 + 0.3 * 0.3) * 0.001 * rate);
    for (bool sync : {false, true})
    {
        SCOPED_TRACE(sync ? "synced" : "free");
        auto h = Flanger(static_cast<float>(rate), 0, 0.0f, 0.5f, 0.4f, 0.3f, 0.5f);
        h->Set(kFlangerSync, sync ? 1.0f : 0.0f);
        h->SetUnscaled(kFlangerSpeed, sync ? 8.0f : 500.0f);
        h->Effect()->SetHostTempo(sync ? 150.0f : 120.0f);
        h->Settle();
        const double period = sync ? 0.25 * 240.0 / 150.0 * rate : 0.5 * rate;
        double firstPhase = 0.0;
        if (sync)
        {
            h->Effect()->SetHostSamplePos(12345.0f);
            firstPhase = 12345.0 / period - std::floor(12345.0 / period);
        }
        const int length = static_cast<int>(0.6 * rate), saw = 2048;
        const double c = 1e-3;
        Signal l(static_cast<size_t>(length));
        for (int n = 0; n < length; ++n)
            l[static_cast<size_t>(n)] = static_cast<float>(c * (n % saw));
        Signal r = l;
        h->Run(l, r);
        int compared = 0;
        for (int channel = 0; channel < 2; ++channel)
        {
            std::vector<double> delay(static_cast<size_t>(length));
            for (size_t n = 0; n < delay.size(); ++n)
            {
                double phase = firstPhase + (n + 1.0) / period + 0.5 * channel;
                const double position = (phase - std::floor(phase)) * 1024.0;
                const double i = std::floor(position), t = position - i;
                const double s = position >= 1023.0 ? 0.0
                                                    : (1 - t) * std::sin(2 * kPi * i / 1023) +
                                                          t * std::sin(2 * kPi * (i + 1) / 1023);
                const double x = std::floor((s + 1) / 2 * 100002.0) / 100002.0;
                const double curve = std::log10(1.0 + (std::pow(10.0, 2.5) - 1.0) * x) / 2.5;
                delay[n] = std::max(0.5, centre - curve * sweep);
            }
            const auto step = [&](int n) {
                return std::floor(delay[static_cast<size_t>(n)] - 0.5) !=
                       std::floor(delay[static_cast<size_t>(n - 1)] - 0.5);
            };
            for (int n = 5; n < length - 4; ++n)
            {
                bool nearStep = n % saw < 2 * centre + 8;
                for (int j = n - 4; j <= n + 3 && !nearStep; ++j)
                    nearStep = step(j);
                if (nearStep)
                    continue;
                const double measured = n % saw - (channel ? r : l)[static_cast<size_t>(n)] / c;
                ASSERT_NEAR(1.0 + delay[static_cast<size_t>(n)], measured, 0.1)
                    << "channel " << channel << " sample " << n;
                ++compared;
            }
        }
        EXPECT_GT(compared, length); // most samples of both channels were compared
    }
}
