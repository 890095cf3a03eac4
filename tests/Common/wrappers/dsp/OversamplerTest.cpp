// The oversampler's stages and buffers, and its two half-band resamplers measured against
// the polyphase all-pass formula: unit gain at DC, a flat pass band, and the image and alias
// rejection their coefficients promise.
#include "Common/wrappers/dsp/Oversampler.h"

#include "support/Signals.h"
#include "support/Spectrum.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <vector>

namespace
{
constexpr double kPi = TestSignals::kPi;
using Complex = std::complex<double>;
using TestSignals::Signal;

// Polyphase half-band G(z) = A(z^2) + z^-1 B(z^2) at f (cycles per raised-rate sample),
// A the chain of coefficients 0, 2, 4, 6 and B of 1, 3, 5; each section (c + z^-2) /
// (1 + c z^-2). The coefficient values are the published design, typed in here.
double HalfBandGain(const double (&coeff)[7], double f)
{
    const Complex z1 = std::polar(1.0, -2.0 * kPi * f);
    const Complex z2 = z1 * z1;
    Complex a = 1.0, b = 1.0;
    for (int k = 0; k < 7; ++k)
        (k % 2 == 0 ? a : b) *= (coeff[k] + z2) / (1.0 + coeff[k] * z2);
    return std::abs(a + z1 * b);
}
constexpr double kUpCoeff[7] = {0.09760012, 0.32421076, 0.5610987, 0.7416316,
                                0.8590885,  0.931542,   0.97955334};
constexpr double kDownCoeff[7] = {0.125, 0.25, 0.375, 0.5, 0.625, 0.75, 0.875};

// Amplitude at f (cycles per sample) over [start, end); sines of amplitude 0.5.
double Amplitude(const Signal& x, size_t start, size_t end, double f)
{
    return TestSpectrum::Amplitude(x, f, 1.0, start, end);
}
Signal Sine(double f, size_t length)
{
    return TestSignals::Sine(f, 1.0, length, 0.5);
}
} // namespace

TEST(COversamplerTest, FactorIsAPowerOfTwoWithOneStagePerDoubling)
{
    COversampler oversampler;
    EXPECT_EQ(oversampler.GetFactor(), 4);
    EXPECT_EQ(oversampler.GetStageCount(), 2);
    const int cases[][3] = {{3, 2, 1}, {8, 8, 3}, {12, 8, 3}, {0, 1, 0}, {-5, 1, 0}, {2, 2, 1}};
    for (const auto& c : cases)
    {
        oversampler.SetOversampling(c[0]);
        EXPECT_EQ(oversampler.GetFactor(), c[1]) << c[0];
        EXPECT_EQ(oversampler.GetStageCount(), c[2]) << c[0];
    }
}

TEST(COversamplerTest, FactorOneCopiesAndLongBlocksAreRefused)
{
    COversampler oversampler;
    oversampler.SetOversampling(1);
    oversampler.SetBlockSize(16);
    const Signal l = Sine(0.1, 16), r = Sine(0.2, 16);
    float* outL = nullptr;
    float* outR = nullptr;
    oversampler.Upsample(l.data(), r.data(), &outL, &outR, 16);
    ASSERT_TRUE(outL && outR);
    EXPECT_EQ(Signal(outL, outL + 16), l);
    oversampler.Downsample(outL, outR, 16);
    EXPECT_EQ(Signal(outR, outR + 16), r);
    oversampler.SetOversampling(8); // same block size, eight times the raised samples
    oversampler.Upsample(l.data(), r.data(), &outL, &outR, 16);
    outR[16 * 8 - 1] = 0.0f; // inside the buffer (the sanitizer build checks)
    oversampler.Downsample(outL, outR, 16);
    float* untouched = nullptr;
    const Signal longer(17, 1.0f);
    oversampler.Upsample(longer.data(), longer.data(), &untouched, &untouched, 17);
    EXPECT_EQ(untouched, nullptr);
}

TEST(COversamplerTest, DcAndPassBandSinesKeepTheirLevel)
{
    // Frequencies in cycles per base-rate sample, each a whole number of periods in 4096;
    // 0 is a DC of 0.7, which every raised sample must settle to as well.
    const size_t length = 4096;
    const struct
    {
        int factor;
        double f;
    } cases[] = {{2, 0.0}, {4, 0.0}, {8, 0.0}, {2, 64.0 / length}, {2, 512.0 / length},
                 {2, 1000.0 / length}, {4, 64.0 / length}, {4, 512.0 / length},
                 {4, 1000.0 / length}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(::testing::Message() << c.factor << "x at " << c.f);
        COversampler oversampler;
        oversampler.SetOversampling(c.factor);
        oversampler.SetBlockSize(16);
        Signal l = c.f == 0.0 ? Signal(2 * length, 0.7f) : Sine(c.f, 2 * length), r = l;
        for (size_t start = 0; start < 2 * length; start += 16)
        {
            float* raisedL = nullptr;
            float* raisedR = nullptr;
            oversampler.Upsample(&l[start], &r[start], &raisedL, &raisedR, 16);
            for (int n = 0; c.f == 0.0 && start + 16 == 2 * length && n < 16 * c.factor; ++n)
                ASSERT_NEAR(raisedL[n], 0.7f, 1e-5) << "raised " << n;
            oversampler.Downsample(raisedL, raisedR, 16);
            std::copy(raisedL, raisedL + 16, &l[start]);
            std::copy(raisedR, raisedR + 16, &r[start]);
        }
        if (c.f == 0.0)
        {
            EXPECT_NEAR(l.back(), 0.7f, 1e-5);
            EXPECT_NEAR(r.back(), 0.7f, 1e-5);
        }
        else
        {
            EXPECT_NEAR(20.0 * std::log10(Amplitude(l, length, 2 * length, c.f) / 0.5), 0.0, 0.5);
        }
    }
}

TEST(C2XUpSamplerTest, ImageRejectionIsTheHalfBandsStopBand)
{
    // A sine at f (base rate) raised by 2 keeps f / 2 and leaves an image at 0.5 - f / 2
    // (raised rate), scaled by |G| at each: rejection = |G(image)| / |G(f / 2)|.
    const size_t length = 2048;
    for (double f : {102.0 / length, 205.0 / length, 400.0 / length})
    {
        C2XUpSampler up;
        const Signal in = Sine(f, 2 * length);
        Signal out(4 * length);
        up.Process(in.data(), out.data(), static_cast<int>(2 * length));
        const double wanted = Amplitude(out, 2 * length, 4 * length, f / 2.0);
        const double image = Amplitude(out, 2 * length, 4 * length, 0.5 - f / 2.0);
        const double measuredDb = 20.0 * std::log10(image / wanted);
        const double expectedDb = 20.0 * std::log10(HalfBandGain(kUpCoeff, 0.5 - f / 2.0) /
                                                    HalfBandGain(kUpCoeff, f / 2.0));
        EXPECT_NEAR(measuredDb, expectedDb, 0.5) << f;
        EXPECT_LT(measuredDb, -60.0) << f;
        EXPECT_NEAR(wanted, 0.5, 0.5 * 0.06) << f; // the pass band keeps the level
    }
}

TEST(C2XDownSamplerTest, AliasRejectionIsTheHalfBandsStopBand)
{
    // A sine at F (raised rate) above a quarter folds to 1 - 2F at the base rate, scaled by
    // |G(F)| / 2 (the decimator averages the two chains).
    const size_t length = 2048;
    for (int cycles : {820, 616, 204})
    {
        const double folded = static_cast<double>(cycles) / length;
        const double f = (1.0 - folded) / 2.0;
        C2XDownSampler down;
        Signal buffer = Sine(f, 4 * length);
        down.Process(buffer.data(), static_cast<int>(2 * length));
        const double measured = Amplitude(buffer, length, 2 * length, folded) / 0.5;
        EXPECT_NEAR(20.0 * std::log10(measured),
                    20.0 * std::log10(HalfBandGain(kDownCoeff, f) / 2.0), 0.5)
            << f;
    }
}
