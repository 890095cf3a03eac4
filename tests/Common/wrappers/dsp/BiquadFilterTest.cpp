// The biquad against the cookbook formulas in double, its three processing forms, non-finite
// input and the roundoff of sections whose poles sit near 1.
#include "Common/wrappers/dsp/BiquadFilter.h"

#include "support/CookbookBiquad.h"
#include "support/Signals.h"
#include "support/Spectrum.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace
{
constexpr double kPi = CookbookBiquad::kPi;
using COEFFS = CookbookBiquad::COEFFICIENTS;

// The resonant low- and high-pass: the cookbook section with alpha = sin w (1 - 0.94 q D),
// D = 0.98, 0.88, 0.75 for orders 1..3 (1, 2 or 4 equal sections).
COEFFS Resonant(bool highPass, double f0, double q, int order, double rate)
{
    const double damping[4] = {1.0, 0.98, 0.88, 0.75};
    const double w = 2 * kPi * f0 / rate, s = std::sin(w), c = std::cos(w);
    const double alpha = s * (1 - 0.94 * q * damping[order]);
    const double b = highPass ? (1 + c) / 2 : (1 - c) / 2;
    return {b, highPass ? -2 * b : 2 * b, b, 1 + alpha, -2 * c, 1 - alpha};
}

// Bilinear first order with K = tan(w / 2): |H| = 1/sqrt(2) at the corner.
COEFFS FirstOrder(bool highPass, double f0, double rate)
{
    const double k = std::tan(kPi * f0 / rate);
    return highPass ? COEFFS{1, -1, 0, 1 + k, k - 1, 0} : COEFFS{k, k, 0, 1 + k, k - 1, 0};
}

// Cookbook notch: b = (1, -2c, 1), a = (1 + beta, -2c, 1 - beta), beta = 2 sin(w) / q.
COEFFS Notch(double f0, double q, double rate)
{
    const double w = 2 * kPi * f0 / rate, c = std::cos(w), beta = 2 * std::sin(w) / q;
    return {1, -2 * c, 1, 1 + beta, -2 * c, 1 - beta};
}

struct SETTING
{
    int kind, order;
    float hz, q, gainDb;
};

// One section of the setting from the formulas above and the cookbook's.
COEFFS Reference(const SETTING& s, double rate)
{
    const bool highPass = s.kind == CBiquadFilter::kHighPass;
    switch (s.kind)
    {
    case CBiquadFilter::kPeaking:
        return CookbookBiquad::Peaking(s.hz, s.q, s.gainDb, rate);
    case CBiquadFilter::kLowShelf:
    case CBiquadFilter::kHighShelf:
        return CookbookBiquad::Shelf(s.kind == CBiquadFilter::kLowShelf, s.hz, s.q, s.gainDb,
                                     rate);
    case CBiquadFilter::kNotch:
        return Notch(s.hz, s.q, rate);
    default:
        return s.order == 0 ? FirstOrder(highPass, s.hz, rate)
                            : Resonant(highPass, s.hz, s.q, s.order, rate);
    }
}

// RMS gain in dB of the filter on a sine of amplitude 0.5, after 100 ms of settling.
double MeasuredGainDb(CBiquadFilter& filter, double hz, double rate)
{
    const size_t settle = static_cast<size_t>(0.1 * rate);
    const TestSignals::Signal x = TestSignals::Sine(hz, rate, 3 * settle, 0.5);
    double inPower = 0.0, outPower = 0.0;
    for (size_t n = 0; n < x.size(); ++n)
    {
        float l = x[n], r = x[n];
        filter.Filter(l, r);
        if (n >= settle)
        {
            inPower += static_cast<double>(x[n]) * x[n];
            outPower += static_cast<double>(l) * l;
        }
    }
    return 10.0 * std::log10(outPower / inPower);
}

// Every kind and order, two of them below the double-precision threshold.
const SETTING kSettings[] = {
    {CBiquadFilter::kPeaking, 0, 1000.0f, 1.0f, 9.0f},
    {CBiquadFilter::kLowShelf, 0, 300.0f, 0.707f, -6.0f},
    {CBiquadFilter::kHighShelf, 0, 4000.0f, 1.0f, 5.0f},
    {CBiquadFilter::kNotch, 0, 2000.0f, 2.0f, 0.0f},
    {CBiquadFilter::kLowPass, 0, 800.0f, 0.0f, 0.0f},
    {CBiquadFilter::kHighPass, 1, 120.0f, 0.5f, 0.0f},
    {CBiquadFilter::kLowPass, 2, 3000.0f, 0.8f, 0.0f},
    {CBiquadFilter::kHighPass, 3, 500.0f, 0.3f, 0.0f},
    {CBiquadFilter::kHighPass, 1, 8.1777f, 0.85f, 0.0f},
    {CBiquadFilter::kHighPass, 3, 30.0f, 0.5f, 0.0f},
};
} // namespace

TEST(CBiquadFilterTest, SineGainsFollowTheFormulas)
{
    const struct
    {
        SETTING setting;
        int sections;
        double probesHz[3];
    } cases[] = {
        {{CBiquadFilter::kPeaking, 0, 1000.0f, 1.0f, 9.0f}, 1, {100.0, 1000.0, 3000.0}},
        {{CBiquadFilter::kLowShelf, 0, 800.0f, 0.707f, -6.0f}, 1, {50.0, 800.0, 8000.0}},
        {{CBiquadFilter::kHighShelf, 0, 800.0f, 0.707f, -6.0f}, 1, {50.0, 800.0, 8000.0}},
        {{CBiquadFilter::kNotch, 0, 1000.0f, 2.0f, 0.0f}, 1, {100.0, 700.0, 5000.0}},
        {{CBiquadFilter::kLowPass, 0, 500.0f, 0.0f, 0.0f}, 1, {50.0, 500.0, 5000.0}},
        {{CBiquadFilter::kHighPass, 0, 500.0f, 0.0f, 0.0f}, 1, {50.0, 500.0, 5000.0}},
        {{CBiquadFilter::kLowPass, 1, 2000.0f, 0.3f, 0.0f}, 1, {200.0, 2000.0, 6000.0}},
        {{CBiquadFilter::kLowPass, 2, 2000.0f, 0.3f, 0.0f}, 2, {200.0, 2000.0, 6000.0}},
        {{CBiquadFilter::kLowPass, 3, 2000.0f, 0.3f, 0.0f}, 4, {200.0, 2000.0, 6000.0}},
    };
    // The formulas' own anchors: the peak gain, half the shelf gain, -3 dB at the corner.
    EXPECT_NEAR(CookbookBiquad::MagnitudeDb(Reference(cases[0].setting, 48e3), 1000, 48e3), 9.0,
                1e-6);
    EXPECT_NEAR(CookbookBiquad::MagnitudeDb(Reference(cases[1].setting, 48e3), 800, 48e3), -3.0,
                0.01);
    EXPECT_NEAR(CookbookBiquad::MagnitudeDb(Reference(cases[4].setting, 48e3), 500, 48e3), -3.01,
                0.01);
    for (float rate : {44100.0f, 48000.0f, 96000.0f})
    {
        for (const auto& c : cases)
        {
            const SETTING& s = c.setting;
            SCOPED_TRACE(::testing::Message() << s.kind << " order " << s.order << " at " << rate);
            CBiquadFilter filter;
            filter.CalcFilter(s.kind, s.order, s.hz, s.q, s.gainDb, rate);
            for (double hz : c.probesHz)
                EXPECT_NEAR(MeasuredGainDb(filter, hz, rate),
                            c.sections * CookbookBiquad::MagnitudeDb(Reference(s, rate), hz, rate),
                            0.1)
                    << hz << " Hz";
            if (s.kind == CBiquadFilter::kNotch) // the formula's zero at the centre
            {
                EXPECT_LT(MeasuredGainDb(filter, s.hz, rate), -40.0);
            }
        }
    }
}

TEST(CBiquadFilterTest, StoredCoefficientsOverA0AreTheCookbooks)
{
    CBiquadFilter filter;
    filter.CalcFilter(CBiquadFilter::kPeaking, 0, 1000.0f, 1.0f, 9.0f, 48000.0f);
    const COEFFS c = CookbookBiquad::Peaking(1000.0, 1.0, 9.0, 48000.0);
    const double inverse = filter.GetInverseA0();
    EXPECT_NEAR(filter.GetB0() * inverse, c.b0 / c.a0, 1e-5);
    EXPECT_NEAR(filter.GetB1() * inverse, c.b1 / c.a0, 1e-5);
    EXPECT_NEAR(filter.GetB2() * inverse, c.b2 / c.a0, 1e-5);
    EXPECT_NEAR(filter.GetA1() * inverse, c.a1 / c.a0, 1e-5);
    EXPECT_NEAR(filter.GetA2() * inverse, c.a2 / c.a0, 1e-5);
}

TEST(CBiquadFilterTest, KindChangeClearsStateAndOtherChangesKeepIt)
{
    CBiquadFilter filter;
    filter.CalcFilter(CBiquadFilter::kLowPass, 1, 1000.0f, 0.0f, 0.0f, 44100.0f);
    float l = 1.0f, r = 1.0f;
    for (int i = 0; i < 10; ++i)
        filter.Filter(l, r);
    // Same kind, new frequency: a silent input still rings.
    filter.CalcFilter(CBiquadFilter::kLowPass, 1, 2000.0f, 0.0f, 0.0f, 44100.0f);
    l = r = 0.0f;
    filter.Filter(l, r);
    EXPECT_NE(l, 0.0f);
    filter.CalcFilter(CBiquadFilter::kHighPass, 1, 2000.0f, 0.0f, 0.0f, 44100.0f);
    l = r = 0.0f;
    filter.Filter(l, r);
    EXPECT_EQ(l, 0.0f);
    EXPECT_EQ(r, 0.0f);
}

TEST(CBiquadFilterTest, PerSampleBlockAndInterleavedFormsGiveTheSameSamples)
{
    const size_t length = 3000;
    const TestSignals::STEREO in = TestSignals::StereoNoise(length, 3);
    for (const SETTING& k : kSettings)
    {
        SCOPED_TRACE(::testing::Message() << k.kind << " order " << k.order << " " << k.hz);
        CBiquadFilter perSample, block, interleaved;
        for (CBiquadFilter* f : {&perSample, &block, &interleaved})
            f->CalcFilter(k.kind, k.order, k.hz, k.q, k.gainDb, 48000.0f);
        TestSignals::STEREO sample = in, blocks = in;
        for (size_t n = 0; n < length; ++n)
            perSample.Filter(sample.left[n], sample.right[n]);
        std::vector<float> frames(2 * length);
        CBiquadFilter::Interleave(in.left.data(), in.right.data(), frames.data(),
                                  static_cast<int>(length));
        // Blocks of 1, 2, ... 53 samples, then again.
        for (size_t n = 0, size = 1; n < length; size = size % 53 + 1)
        {
            const int count = static_cast<int>(std::min(size, length - n));
            block.FilterBlock(&blocks.left[n], &blocks.right[n], count);
            interleaved.FilterInterleaved(&frames[2 * n], count);
            n += static_cast<size_t>(count);
        }
        TestSignals::STEREO framed = in;
        CBiquadFilter::Deinterleave(frames.data(), framed.left.data(), framed.right.data(),
                                    static_cast<int>(length));
        EXPECT_NE(sample.left, in.left);
        EXPECT_EQ(blocks.left, sample.left);
        EXPECT_EQ(blocks.right, sample.right);
        EXPECT_EQ(framed.left, sample.left);
        EXPECT_EQ(framed.right, sample.right);
    }
}

TEST(CBiquadFilterTest, NonFiniteInputDoesNotLatch)
{
    for (const SETTING& k : kSettings)
    {
        for (bool perSample : {false, true})
        {
            SCOPED_TRACE(::testing::Message() << k.kind << " order " << k.order << " " << k.hz
                                              << (perSample ? " per sample" : " in blocks"));
            CBiquadFilter filter;
            filter.CalcFilter(k.kind, k.order, k.hz, k.q, k.gainDb, 48000.0f);
            double energy = 0.0;
            for (uint32_t b = 0; b < 10; ++b)
            {
                TestSignals::STEREO x = TestSignals::StereoNoise(16, 5 + b);
                if (b == 1) // one infinite and one NaN sample mid-block
                {
                    x.left[5] = std::numeric_limits<float>::infinity();
                    x.right[9] = std::nanf("");
                }
                if (perSample)
                    for (size_t i = 0; i < 16; ++i)
                        filter.Filter(x.left[i], x.right[i]);
                else
                    filter.FilterBlock(x.left.data(), x.right.data(), 16);
                for (size_t i = 0; i < 16; ++i)
                    ASSERT_TRUE(std::isfinite(x.left[i]) && std::isfinite(x.right[i])) << b;
                if (b >= 2) // still filtering, not stuck at silence
                    energy += TestSpectrum::Rms(x.left);
            }
            EXPECT_GT(energy, 1e-6);
        }
    }
}

TEST(CBiquadFilterTest, LowSectionsStayWithinRoundoffOfTheDoublePrecisionFormula)
{
    // Poles this near 1 feed float roundoff back with a gain of 1 / |1 - p|^2: against the
    // resonant high-pass run in double, the residual stays below -100 dB of the signal (in
    // float it was about -60 dB at 8 Hz).
    struct CASE
    {
        double hz, q, rate;
        int order;
    };
    for (const CASE k : {CASE{8.1777, 0.85, 44100.0, 1}, CASE{8.1777, 0.85, 96000.0, 1},
                         CASE{30.0, 0.5, 48000.0, 3}})
    {
        const COEFFS c = Resonant(true, k.hz, k.q, k.order, k.rate);
        const int sections = 1 << (k.order - 1);
        CBiquadFilter filter;
        filter.CalcFilter(CBiquadFilter::kHighPass, k.order, static_cast<float>(k.hz),
                          static_cast<float>(k.q), 0.0f, static_cast<float>(k.rate));
        double state[4][4] = {}; // x1 x2 y1 y2 per section
        double signal = 0.0, residual = 0.0;
        for (float sample : TestSignals::Noise(static_cast<size_t>(2.0 * k.rate), 11, 0.5f))
        {
            double x = sample;
            for (int sec = 0; sec < sections; ++sec)
            {
                double* z = state[sec];
                const double y =
                    (c.b0 * x + c.b1 * z[0] + c.b2 * z[1] - c.a1 * z[2] - c.a2 * z[3]) / c.a0;
                z[1] = z[0];
                z[0] = x;
                z[3] = z[2];
                z[2] = y;
                x = y;
            }
            float l = sample, r = sample;
            filter.Filter(l, r);
            signal += x * x;
            residual += (l - x) * (l - x);
        }
        EXPECT_LT(10.0 * std::log10(residual / signal), -100.0) << k.hz << " Hz at " << k.rate;
    }
}
