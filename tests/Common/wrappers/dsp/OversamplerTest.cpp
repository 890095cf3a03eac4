// The oversampler's stage arithmetic and buffers, and its two half-band resamplers
// measured against the polyphase all-pass formula: unit gain at DC, a flat pass band,
// and the image and alias rejection their coefficients promise.
#include "Common/wrappers/dsp/Oversampler.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <vector>

namespace
{
constexpr double kPi = 3.14159265358979323846;
using Complex = std::complex<double>;
using Signal = std::vector<float>;

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

// Amplitude of the component at f (cycles per sample) over samples [start, end), which
// hold a whole number of its periods.
double Amplitude(const float* x, int start, int end, double f)
{
    Complex sum = 0.0;
    for (int n = start; n < end; ++n)
        sum += static_cast<double>(x[n]) * std::polar(1.0, -2.0 * kPi * f * n);
    return 2.0 * std::abs(sum) / (end - start);
}

Signal Sine(double f, int length)
{
    Signal x(static_cast<size_t>(length));
    for (int n = 0; n < length; ++n)
        x[static_cast<size_t>(n)] = static_cast<float>(0.5 * std::sin(2.0 * kPi * f * n));
    return x;
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

TEST(COversamplerTest, FactorOneCopiesTheBlockAndLeavesItAlone)
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
}

TEST(COversamplerTest, BuffersFollowTheFactorAndLongBlocksAreRefused)
{
    COversampler oversampler;
    oversampler.SetOversampling(2);
    oversampler.SetBlockSize(16);
    oversampler.SetOversampling(8); // same block size, four times the raised samples
    const Signal in(16, 1.0f);
    float* outL = nullptr;
    float* outR = nullptr;
    oversampler.Upsample(in.data(), in.data(), &outL, &outR, 16);
    ASSERT_TRUE(outL && outR);
    outR[16 * 8 - 1] = 0.0f; // inside the buffer (the sanitizer build checks)
    oversampler.Downsample(outL, outR, 16);

    float* untouched = nullptr;
    const Signal longer(17, 1.0f);
    oversampler.Upsample(longer.data(), longer.data(), &untouched, &untouched, 17);
    EXPECT_EQ(untouched, nullptr);
}

TEST(COversamplerTest, DcSettlesToTheSameConstant)
{
    for (int factor : {2, 4, 8})
    {
        COversampler oversampler;
        oversampler.SetOversampling(factor);
        oversampler.SetBlockSize(16);
        const Signal in(16, 0.7f);
        float* raisedL = nullptr;
        float* raisedR = nullptr;
        for (int block = 0; block < 200; ++block)
        {
            oversampler.Upsample(in.data(), in.data(), &raisedL, &raisedR, 16);
            if (block == 199)
            {
                for (int n = 0; n < 16 * factor; ++n)
                    ASSERT_NEAR(raisedL[n], 0.7f, 1e-5) << factor << "x, raised " << n;
            }
            oversampler.Downsample(raisedL, raisedR, 16);
        }
        for (int n = 0; n < 16; ++n)
        {
            EXPECT_NEAR(raisedL[n], 0.7f, 1e-5) << factor;
            EXPECT_NEAR(raisedR[n], 0.7f, 1e-5) << factor;
        }
    }
}

TEST(COversamplerTest, PassBandSineKeepsItsLevel)
{
    const int length = 4096;
    for (int factor : {2, 4})
    {
        // Frequencies in cycles per base-rate sample, each a whole number of periods.
        for (double f : {64.0 / length, 512.0 / length, 1000.0 / length})
        {
            COversampler oversampler;
            oversampler.SetOversampling(factor);
            oversampler.SetBlockSize(16);
            Signal l = Sine(f, 2 * length), r = l;
            for (int start = 0; start < 2 * length; start += 16)
            {
                float* raisedL = nullptr;
                float* raisedR = nullptr;
                oversampler.Upsample(&l[start], &r[start], &raisedL, &raisedR, 16);
                oversampler.Downsample(raisedL, raisedR, 16);
                std::copy(raisedL, raisedL + 16, &l[start]);
            }
            const double gainDb =
                20.0 * std::log10(Amplitude(l.data(), length, 2 * length, f) / 0.5);
            EXPECT_NEAR(gainDb, 0.0, 0.5) << factor << "x at " << f;
        }
    }
}

TEST(C2XUpSamplerTest, ImageRejectionIsTheHalfBandsStopBand)
{
    // A sine at f (base rate) raised by 2 keeps f / 2 and leaves an image at 0.5 - f / 2
    // (raised rate), scaled by |G| at each: rejection = |G(image)| / |G(f / 2)|.
    const int length = 2048;
    for (double f : {102.0 / length, 205.0 / length, 400.0 / length})
    {
        C2XUpSampler up;
        const Signal in = Sine(f, 2 * length);
        Signal out(static_cast<size_t>(4 * length));
        up.Process(in.data(), out.data(), 2 * length);
        const double wanted = Amplitude(out.data(), 2 * length, 4 * length, f / 2.0);
        const double image = Amplitude(out.data(), 2 * length, 4 * length, 0.5 - f / 2.0);
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
    const int length = 2048;
    for (int cycles : {820, 616, 204})
    {
        const double folded = static_cast<double>(cycles) / length;
        const double f = (1.0 - folded) / 2.0;
        C2XDownSampler down;
        Signal buffer = Sine(f, 4 * length);
        down.Process(buffer.data(), 2 * length);
        const double measured = Amplitude(buffer.data(), length, 2 * length, folded) / 0.5;
        EXPECT_NEAR(20.0 * std::log10(measured),
                    20.0 * std::log10(HalfBandGain(kDownCoeff, f) / 2.0), 0.5)
            << f;
    }
}
