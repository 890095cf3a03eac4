// Distortion module inside the real effect: each mode's harmonics and level, the mono
// stage, the colour equaliser against its band formula, the fuzz stage's resamplers,
// the mix and the state rules.
#include "Processing/LayerDist.h"
#include "Common/wrappers/dsp/Oversampler.h"
#include "support/EffectFixture.h"
#include "Processing/Dist/WarmDrive.h"

#include "support/Signals.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>

using namespace MorvexParam;

namespace
{
constexpr double kPi = 3.14159265358979323846;
constexpr float kRate = 48000.0f;
using Signal = CLayerModuleHarness::Signal;

Signal Sine(double hz, double amplitude, int length, double phase = 0.0)
{
    Signal x(static_cast<size_t>(length));
    for (int n = 0; n < length; ++n)
        x[static_cast<size_t>(n)] =
            static_cast<float>(amplitude * std::sin(2.0 * kPi * hz * n / kRate + phase));
    return x;
}

Signal Noise(float amplitude, int length, unsigned seed)
{
    return TestSignals::Noise(static_cast<size_t>(length), seed, amplitude);
}

// Complex amplitude of the component at hz over samples [start, end) (whole periods).
std::complex<double> Component(const Signal& x, double hz, int start, int end)
{
    std::complex<double> sum = 0.0;
    for (int n = start; n < end; ++n)
        sum += static_cast<double>(x[static_cast<size_t>(n)]) *
               std::polar(1.0, -2.0 * kPi * hz * n / kRate);
    return 2.0 * sum / static_cast<double>(end - start);
}

class CLayerDistTest : public ::testing::Test
{
protected:
    CLayerDistTest() : m_h(kRate, kModuleDist) {}

    // Fully wet through the given mode and drive (dB), colour flat (0 %), output 0 dB and
    // no fuzz unless a test says otherwise.
    void Configure(int mode, float driveDb)
    {
        m_h.SetUnscaled(kDistMode, static_cast<float>(mode));
        m_h.SetUnscaled(kDistDrive, driveDb);
        m_h.SetUnscaled(kDistColor, 0.0f);
        m_h.Set(kDistMix, 1.0f);
    }
    // Settles, then processes copies of l and r.
    void Render(Signal& l, Signal& r)
    {
        m_h.Settle();
        m_h.Run(l, r);
    }

    CLayerModuleHarness m_h;
};
} // namespace

TEST_F(CLayerDistTest, EveryModeAddsOddHarmonicsThatGrowWithDriveAtABoundedLevel)
{
    // 1 kHz at -26 dBFS: 48 whole periods in each 2304-sample window. Harmonics 3, 5, 7
    // and 9 against the fundamental, at 0, 6 and 12 dB of drive.
    const int length = 9600, start = 9600 - 2304;
    for (int mode = 0; mode < 4; ++mode)
    {
        double previousDb = -1000.0;
        for (float driveDb : {0.0f, 6.0f, 12.0f})
        {
            Configure(mode, driveDb);
            Signal l = Sine(1000.0, 0.05, length), r = l;
            Render(l, r);
            double oddPower = 0.0;
            for (int k = 3; k <= 9; k += 2)
                oddPower += std::norm(Component(l, 1000.0 * k, start, length));
            const double oddDb =
                10.0 * std::log10(oddPower / std::norm(Component(l, 1000.0, start, length)));
            EXPECT_GT(oddDb, previousDb + 1.0) << "mode " << mode << " at " << driveDb << " dB";
            previousDb = oddDb;
            float peak = 0.0f;
            for (float v : l)
                peak = std::max(peak, std::fabs(v));
            // "Crisp" overshoots full scale on purpose (its asymmetric shaper), within 6 dB.
            EXPECT_LT(peak, 2.0f) << "mode " << mode << " at " << driveDb << " dB";
        }
        EXPECT_GT(previousDb, -25.0) << "mode " << mode << ": full drive is clearly distorted";
    }
}

TEST_F(CLayerDistTest, FullMonoMakesBothChannelsEqual)
{
    m_h.SetUnscaled(kDistMono, 100.0f);
    m_h.SetUnscaled(kDistFuzz, 60.0f);
    for (int mode = 0; mode < 4; ++mode)
    {
        Configure(mode, 6.0f);
        m_h.SetUnscaled(kDistColor, 70.0f);
        Signal l = Noise(0.5f, 1024, 3), r = Noise(0.5f, 1024, 4);
        Render(l, r);
        EXPECT_EQ(l, r) << "mode " << mode;
    }
}

TEST_F(CLayerDistTest, ColourIsFlatAtZeroAndFollowsItsBandsAbove)
{
    // The signal entering the colour stage does not depend on the colour, so the output
    // of colour c over that of colour 0 is the equaliser's response:
    // (1 + L (H1 + H3 + H4) + S H2) / (1 + c), L = (1 + c)^2 - 1, S = (1 - c)^2 - 1.
    const int length = 48000, start = 48000 - 24000;
    const double bands[4][2] = {{30, 300}, {300, 2000}, {1000, 7200}, {3600, 14400}};
    Configure(2, 0.0f); // warm, no drive
    for (double hz : {100.0, 700.0, 4000.0})
    {
        m_h.SetUnscaled(kDistColor, 0.0f);
        m_h.SetUnscaled(kDistOutput, -6.0f);
        Signal flat = Sine(hz, 0.3, length), unused = flat;
        Render(flat, unused);
        m_h.SetUnscaled(kDistOutput, 6.0f);
        Signal louder = Sine(hz, 0.3, length);
        unused = louder;
        Render(louder, unused);
        // Flat at 0 %: 12 dB more output gain is 12 dB more output, sample for sample.
        for (size_t n = 0; n < flat.size(); n += 97)
            ASSERT_NEAR(louder[n], flat[n] * std::pow(10.0f, 0.6f), 1e-5f) << n;

        for (double c : {0.5, 1.0})
        {
            m_h.SetUnscaled(kDistColor, static_cast<float>(c * 100.0));
            Signal coloured = Sine(hz, 0.3, length);
            unused = coloured;
            Render(coloured, unused);
            std::complex<double> sum = 1.0;
            for (int b = 0; b < 4; ++b)
            {
                const double eH = std::exp(-2.0 * kPi * bands[b][1] / kRate);
                const double eL = std::exp(-2.0 * kPi * bands[b][0] / kRate);
                const std::complex<double> z1 = std::polar(1.0, -2.0 * kPi * hz / kRate);
                const std::complex<double> band = std::pow((1.0 - eH) / (1.0 - eH * z1), 3.0) *
                                                  std::pow(1.0 - (1.0 - eL) / (1.0 - eL * z1), 3.0);
                sum += (b == 1 ? (1.0 - c) * (1.0 - c) - 1.0 : (1.0 + c) * (1.0 + c) - 1.0) * band;
            }
            const double expectedDb = 20.0 * std::log10(std::abs(sum) / (1.0 + c));
            const double measuredDb =
                20.0 * std::log10(std::abs(Component(coloured, hz, start, length)) /
                                  std::abs(Component(louder, hz, start, length)));
            EXPECT_NEAR(measuredDb, expectedDb, 0.1) << "colour " << c << " at " << hz << " Hz";
        }
    }
}

TEST_F(CLayerDistTest, FuzzAtZeroStillPassesTheResamplers)
{
    // Warm mode at no drive, colour flat, output 0 dB: the module's output is the two warm
    // drives' output sent up and down through a 2x oversampler, not the drives' output.
    Configure(2, 0.0f);
    Signal l = Noise(0.5f, 2048, 5), r = Noise(0.5f, 2048, 6);
    const Signal inL = l, inR = r;
    Render(l, r);

    CWarmDrive first, second;
    first.SetSampleRate(kRate);
    second.SetSampleRate(kRate);
    COversampler oversampler;
    oversampler.SetOversampling(2);
    oversampler.SetBlockSize(16);
    double direct = 0.0;
    for (size_t start = 0; start < inL.size(); start += 16)
    {
        float driven[2][16];
        for (size_t i = 0; i < 16; ++i)
        {
            float a = inL[start + i], b = inR[start + i];
            first.Process(a, b, 0.0f, 0.0f);
            second.Process(a, b, 0.0f, 0.0f);
            driven[0][i] = a;
            driven[1][i] = b;
        }
        float* raisedL = nullptr;
        float* raisedR = nullptr;
        oversampler.Upsample(driven[0], driven[1], &raisedL, &raisedR, 16);
        oversampler.Downsample(raisedL, raisedR, 16);
        for (size_t i = 0; i < 16; ++i)
        {
            ASSERT_NEAR(l[start + i], raisedL[i], 1e-6f) << start + i;
            ASSERT_NEAR(r[start + i], raisedR[i], 1e-6f) << start + i;
            direct = std::max(direct, static_cast<double>(std::fabs(l[start + i] - driven[0][i])));
        }
    }
    EXPECT_GT(direct, 0.05); // the resamplers' phase shift shows on noise
}
