#include "Common/wrappers/dsp/BiquadFilter.h"

#include "support/CookbookBiquad.h"
#include "support/Signals.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdint>
#include <limits>
#include <vector>

namespace
{
constexpr double kPi = 3.14159265358979323846;

using CookbookBiquad::Peaking;
using CookbookBiquad::Shelf;
using COEFFS = CookbookBiquad::COEFFICIENTS;

// |H(e^jw)| in dB of `sections` equal sections in series.
double SectionsDb(const COEFFS& c, double frequency, double rate, int sections = 1)
{
    return CookbookBiquad::MagnitudeDb(c, frequency, rate) * sections;
}

// RMS gain in dB of the filter on a sine, after 100 ms of settling.
double MeasuredGainDb(CBiquadFilter& filter, double frequency, double rate)
{
    const int settle = static_cast<int>(0.1 * rate);
    const int measure = static_cast<int>(0.2 * rate);
    double inPower = 0.0;
    double outPower = 0.0;
    for (int n = 0; n < settle + measure; ++n)
    {
        const float x = static_cast<float>(0.5 * std::sin(2.0 * kPi * frequency * n / rate));
        float l = x;
        float r = x;
        filter.Filter(l, r);
        if (n >= settle)
        {
            inPower += static_cast<double>(x) * x;
            outPower += static_cast<double>(l) * l;
        }
    }
    return 10.0 * std::log10(outPower / inPower);
}

} // namespace

class CBiquadFilterTest : public ::testing::TestWithParam<float>
{
};

TEST_P(CBiquadFilterTest, PeakingReachesItsGainAtTheCentre)
{
    const float rate = GetParam();
    CBiquadFilter filter;
    filter.CalcFilter(CBiquadFilter::kPeaking, 0, 1000.0f, 1.0f, 9.0f, rate);
    const COEFFS c = Peaking(1000.0, 1.0, 9.0, rate);
    EXPECT_NEAR(SectionsDb(c, 1000.0, rate), 9.0, 1e-6);
    for (double f : {100.0, 1000.0, 3000.0})
        EXPECT_NEAR(MeasuredGainDb(filter, f, rate), SectionsDb(c, f, rate), 0.1) << f;
}

TEST_P(CBiquadFilterTest, ShelvesFollowTheCookbook)
{
    const float rate = GetParam();
    for (bool low : {true, false})
    {
        CBiquadFilter filter;
        filter.CalcFilter(low ? CBiquadFilter::kLowShelf : CBiquadFilter::kHighShelf, 0, 800.0f,
                          0.707f, -6.0f, rate);
        const COEFFS c = Shelf(low, 800.0, 0.707, -6.0, rate);
        // Half the shelf gain at the corner frequency.
        EXPECT_NEAR(SectionsDb(c, 800.0, rate), -3.0, 0.01);
        for (double f : {50.0, 800.0, 8000.0})
            EXPECT_NEAR(MeasuredGainDb(filter, f, rate), SectionsDb(c, f, rate), 0.1)
                << (low ? "low " : "high ") << f;
    }
}

TEST_P(CBiquadFilterTest, ResonantPassesCascadeTheirSections)
{
    const float rate = GetParam();
    const double f0 = 2000.0;
    const double w = 2 * kPi * f0 / rate, s = std::sin(w), c = std::cos(w);
    const double damping[4] = {1.0, 0.98, 0.88, 0.75};
    for (int order = 1; order <= 3; ++order)
    {
        const double q = 0.3;
        const double alpha = s * (1 - 0.94 * q * damping[order]);
        const COEFFS lp = {(1 - c) / 2, 1 - c, (1 - c) / 2, 1 + alpha, -2 * c, 1 - alpha};
        CBiquadFilter filter;
        filter.CalcFilter(CBiquadFilter::kLowPass, order, static_cast<float>(f0),
                          static_cast<float>(q), 0.0f, rate);
        const int sections = order == 1 ? 1 : 1 << (order - 1);
        EXPECT_EQ(filter.GetSectionCount(), sections);
        for (double f : {200.0, 2000.0, 6000.0})
            EXPECT_NEAR(MeasuredGainDb(filter, f, rate), SectionsDb(lp, f, rate, sections), 0.1)
                << "order " << order << " f " << f;
    }
}

TEST_P(CBiquadFilterTest, FirstOrderIsMinusThreeDbAtItsCorner)
{
    const float rate = GetParam();
    for (int kind : {CBiquadFilter::kLowPass, CBiquadFilter::kHighPass})
    {
        CBiquadFilter filter;
        filter.CalcFilter(kind, 0, 500.0f, 0.0f, 0.0f, rate);
        // Bilinear first order: |H| = 1/sqrt(2) at the corner (tan series error is tiny here).
        EXPECT_NEAR(MeasuredGainDb(filter, 500.0, rate), -3.01, 0.05) << kind;
        const double farGain = MeasuredGainDb(filter, kind == CBiquadFilter::kLowPass ? 5000 : 50, rate);
        EXPECT_LT(farGain, -15.0);
    }
}

TEST_P(CBiquadFilterTest, NotchRemovesItsFrequency)
{
    const float rate = GetParam();
    CBiquadFilter filter;
    filter.CalcFilter(CBiquadFilter::kNotch, 0, 1000.0f, 2.0f, 0.0f, rate);
    EXPECT_LT(MeasuredGainDb(filter, 1000.0, rate), -40.0);
    // Cookbook notch: b = (1, -2c, 1), a = (1 + beta, -2c, 1 - beta), beta = 2 sin(w) / q.
    const double w = 2 * kPi * 1000.0 / rate, c = std::cos(w), beta = 2 * std::sin(w) / 2.0;
    const COEFFS notch = {1, -2 * c, 1, 1 + beta, -2 * c, 1 - beta};
    for (double f : {100.0, 700.0, 5000.0})
        EXPECT_NEAR(MeasuredGainDb(filter, f, rate), SectionsDb(notch, f, rate), 0.1) << f;
}

INSTANTIATE_TEST_SUITE_P(Rates, CBiquadFilterTest, ::testing::Values(44100.0f, 48000.0f, 96000.0f));

TEST(CBiquadFilterStateTest, KindChangeClearsStateAndGainChangeKeepsIt)
{
    CBiquadFilter filter;
    filter.CalcFilter(CBiquadFilter::kLowPass, 1, 1000.0f, 0.0f, 0.0f, 44100.0f);
    float l = 1.0f, r = 1.0f;
    for (int i = 0; i < 10; ++i)
        filter.Filter(l, r);
    // Same kind, new frequency: the state carries on (a silent input still rings).
    filter.CalcFilter(CBiquadFilter::kLowPass, 1, 2000.0f, 0.0f, 0.0f, 44100.0f);
    l = r = 0.0f;
    filter.Filter(l, r);
    EXPECT_NE(l, 0.0f);
    // New kind: silent state, silent output for silent input.
    filter.CalcFilter(CBiquadFilter::kHighPass, 1, 2000.0f, 0.0f, 0.0f, 44100.0f);
    l = r = 0.0f;
    filter.Filter(l, r);
    EXPECT_EQ(l, 0.0f);
    EXPECT_EQ(r, 0.0f);
}

namespace
{
struct KIND_SETTING
{
    int kind, order;
    float frequency, q, gainDb;
};

const KIND_SETTING kSettings[] = {
    {CBiquadFilter::kPeaking, 0, 1000.0f, 1.0f, 9.0f},
    {CBiquadFilter::kLowShelf, 0, 300.0f, 0.707f, -6.0f},
    {CBiquadFilter::kHighShelf, 0, 4000.0f, 1.0f, 5.0f},
    {CBiquadFilter::kNotch, 0, 2000.0f, 2.0f, 0.0f},
    {CBiquadFilter::kLowPass, 0, 800.0f, 0.0f, 0.0f},
    {CBiquadFilter::kHighPass, 1, 120.0f, 0.5f, 0.0f},
    {CBiquadFilter::kLowPass, 2, 3000.0f, 0.8f, 0.0f},
    {CBiquadFilter::kHighPass, 3, 500.0f, 0.3f, 0.0f},
};
} // namespace

TEST(CBiquadFilterStateTest, EveryFormComputesTheScalarDifferenceEquationExactly)
{
    // The difference equation in float, in the stated order, per channel and section:
    // y = (b0 x + b1 x1 + b2 x2 - a1 y1 - a2 y2) / a0 with 1/a0 applied last. Filter per
    // sample, FilterBlock and FilterInterleaved in blocks of varying length must all give
    // exactly these samples.
    const size_t length = 3000;
    const std::vector<float> inLeft = TestSignals::Noise(length, 3);
    const std::vector<float> inRight = TestSignals::Noise(length, 4);
    for (const KIND_SETTING& k : kSettings)
    {
        CBiquadFilter perSample, block, interleaved;
        for (CBiquadFilter* f : {&perSample, &block, &interleaved})
            f->CalcFilter(k.kind, k.order, k.frequency, k.q, k.gainDb, 48000.0f);
        const int sections = perSample.GetSectionCount();
        const float b0 = perSample.GetB0(), b1 = perSample.GetB1(), b2 = perSample.GetB2();
        const float a1 = perSample.GetA1(), a2 = perSample.GetA2();
        const float inverse = perSample.GetInverseA0();
        float state[4][2][4] = {}; // section, channel, x1 x2 y1 y2

        std::vector<float> expectLeft = inLeft, expectRight = inRight;
        for (size_t n = 0; n < length; ++n)
        {
            for (int c = 0; c < 2; ++c)
            {
                float x = c == 0 ? expectLeft[n] : expectRight[n];
                for (int s = 0; s < sections; ++s)
                {
                    float* z = state[s][c];
                    const float y = (b0 * x + b1 * z[0] + b2 * z[1] - a1 * z[2] - a2 * z[3]) * inverse;
                    z[1] = z[0];
                    z[0] = x;
                    z[3] = z[2];
                    z[2] = y;
                    x = y;
                }
                (c == 0 ? expectLeft[n] : expectRight[n]) = x;
            }
        }

        std::vector<float> sampleLeft = inLeft, sampleRight = inRight;
        for (size_t n = 0; n < length; ++n)
            perSample.Filter(sampleLeft[n], sampleRight[n]);
        std::vector<float> blockLeft = inLeft, blockRight = inRight;
        std::vector<float> frames(2 * length);
        CBiquadFilter::Interleave(inLeft.data(), inRight.data(), frames.data(),
                                  static_cast<int>(length));
        size_t n = 0;
        for (int size = 1; n < length; size = size % 53 + 1)
        {
            const int count = static_cast<int>(std::min<size_t>(static_cast<size_t>(size), length - n));
            block.FilterBlock(blockLeft.data() + n, blockRight.data() + n, count);
            interleaved.FilterInterleaved(frames.data() + 2 * n, count);
            n += static_cast<size_t>(count);
        }
        std::vector<float> framesLeft(length), framesRight(length);
        CBiquadFilter::Deinterleave(frames.data(), framesLeft.data(), framesRight.data(),
                                    static_cast<int>(length));
        EXPECT_EQ(sampleLeft, expectLeft) << k.kind << " " << k.order;
        EXPECT_EQ(sampleRight, expectRight) << k.kind << " " << k.order;
        EXPECT_EQ(blockLeft, expectLeft) << k.kind << " " << k.order;
        EXPECT_EQ(blockRight, expectRight) << k.kind << " " << k.order;
        EXPECT_EQ(framesLeft, expectLeft) << k.kind << " " << k.order;
        EXPECT_EQ(framesRight, expectRight) << k.kind << " " << k.order;
    }
}

TEST(CBiquadFilterStateTest, NonFiniteInputInABlockDoesNotLatch)
{
    for (const KIND_SETTING& k : kSettings)
    {
        CBiquadFilter filter;
        filter.CalcFilter(k.kind, k.order, k.frequency, k.q, k.gainDb, 48000.0f);
        std::vector<float> left = TestSignals::Noise(16, 5), right = TestSignals::Noise(16, 6);
        filter.FilterBlock(left.data(), right.data(), 16);
        // One infinite and one NaN sample in the middle of a block.
        left = TestSignals::Noise(16, 7);
        right = TestSignals::Noise(16, 8);
        left[5] = std::numeric_limits<float>::infinity();
        right[9] = std::nanf("");
        filter.FilterBlock(left.data(), right.data(), 16);
        for (int i = 0; i < 16; ++i)
        {
            ASSERT_TRUE(std::isfinite(left[static_cast<size_t>(i)])) << k.kind << " " << i;
            ASSERT_TRUE(std::isfinite(right[static_cast<size_t>(i)])) << k.kind << " " << i;
        }
        // The filter goes on filtering: finite, and not stuck at silence.
        double energy = 0.0;
        for (int b = 0; b < 8; ++b)
        {
            left = TestSignals::Noise(16, 9 + static_cast<uint32_t>(b));
            right = left;
            filter.FilterBlock(left.data(), right.data(), 16);
            for (size_t i = 0; i < 16; ++i)
            {
                ASSERT_TRUE(std::isfinite(left[i]) && std::isfinite(right[i])) << k.kind;
                energy += static_cast<double>(left[i]) * left[i];
            }
        }
        EXPECT_GT(energy, 1e-6) << k.kind << " " << k.order;
    }
}

TEST(CBiquadFilterStateTest, LowSectionsStayWithinRoundoffOfTheDoublePrecisionFormula)
{
    // Resonant high-pass (the layer filter's low-cut form): b = ((1 + c)/2, -(1 + c),
    // (1 + c)/2), a = (1 + al, -2c, 1 - al), al = sin w (1 - 0.94 q D) with D = 0.98, 0.88,
    // 0.75 for 1, 2 and 4 sections; run in double as the reference. Poles this near 1 feed
    // float roundoff back with a gain of 1 / |1 - p|^2: the residual must stay below -100 dB
    // of the signal (in float it was about -60 dB at 8 Hz).
    struct CASE
    {
        double hz, q, rate;
        int order;
    };
    const double damping[4] = {1.0, 0.98, 0.88, 0.75};
    for (const CASE k : {CASE{8.1777, 0.85, 44100.0, 1}, CASE{8.1777, 0.85, 96000.0, 1},
                         CASE{30.0, 0.5, 48000.0, 3}})
    {
        const double w = 2.0 * kPi * k.hz / k.rate, s = std::sin(w), c = std::cos(w);
        const double alpha = s * (1.0 - 0.94 * k.q * damping[k.order]);
        const double b[3] = {(1.0 + c) / 2.0, -(1.0 + c), (1.0 + c) / 2.0};
        const double a[3] = {1.0 + alpha, -2.0 * c, 1.0 - alpha};
        const int sections = 1 << (k.order - 1);
        CBiquadFilter filter;
        filter.CalcFilter(CBiquadFilter::kHighPass, k.order, static_cast<float>(k.hz),
                          static_cast<float>(k.q), 0.0f, static_cast<float>(k.rate));
        const std::vector<float> in = TestSignals::Noise(static_cast<size_t>(2.0 * k.rate), 11, 0.5f);
        double state[4][4] = {}; // x1 x2 y1 y2 per section
        double signal = 0.0, residual = 0.0;
        for (float sample : in)
        {
            double x = sample;
            for (int sec = 0; sec < sections; ++sec)
            {
                double* z = state[sec];
                const double y = (b[0] * x + b[1] * z[0] + b[2] * z[1] - a[1] * z[2] - a[2] * z[3]) / a[0];
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
