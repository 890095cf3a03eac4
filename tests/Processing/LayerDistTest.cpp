// Distortion module inside the real effect: each mode's harmonics and level, the mono stage
// and the colour equaliser against its band formula.
#include "Processing/LayerDist.h"
#include "support/EffectFixture.h"
#include "support/Signals.h"
#include "support/Spectrum.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>

using namespace MorvexParam;
using TestSignals::Signal;

namespace
{
using TestSignals::kPi;
constexpr float kRate = 48000.0f;

class CLayerDistTest : public ::testing::Test
{
protected:
    CLayerDistTest() : m_h(kRate, kModuleDist) {}
    // Fully wet through the given mode and drive (dB), colour flat, output 0 dB, no fuzz.
    void Configure(int mode, float driveDb)
    {
        m_h.SetUnscaled(kDistMode, static_cast<float>(mode));
        m_h.SetUnscaled(kDistDrive, driveDb);
        m_h.SetUnscaled(kDistColor, 0.0f);
        m_h.Set(kDistMix, 1.0f);
    }
    // The left output for a sine on both channels, settled.
    Signal Render(double hz, double amplitude, size_t length)
    {
        Signal l = TestSignals::Sine(hz, kRate, length, amplitude), r = l;
        m_h.Settle();
        m_h.Run(l, r);
        return l;
    }
    CLayerModuleHarness m_h;
};
} // namespace

TEST_F(CLayerDistTest, EveryModeAddsOddHarmonicsThatGrowWithDriveAtABoundedLevel)
{
    // 1 kHz at -26 dBFS: harmonics 3 to 9 against the fundamental at 0, 6 and 12 dB drive.
    for (int mode = 0; mode < 4; ++mode)
    {
        double previousDb = -1000.0;
        for (float driveDb : {0.0f, 6.0f, 12.0f})
        {
            Configure(mode, driveDb);
            const Signal l = Render(1000.0, 0.05, 9600);
            double oddPower = 0.0;
            for (int k = 3; k <= 9; k += 2)
                oddPower += std::pow(TestSpectrum::Amplitude(l, 1000.0 * k, kRate, 7296, 9600), 2);
            const double fundamental = TestSpectrum::Amplitude(l, 1000.0, kRate, 7296, 9600);
            const double oddDb = 10.0 * std::log10(oddPower) - TestSpectrum::Db(fundamental);
            EXPECT_GT(oddDb, previousDb + 1.0) << "mode " << mode << " at " << driveDb << " dB";
            previousDb = oddDb;
            // "Crisp" overshoots full scale on purpose (its asymmetric shaper), within 6 dB.
            EXPECT_LT(TestSpectrum::Peak(l), 2.0f) << "mode " << mode << " at " << driveDb;
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
        Signal l = TestSignals::Noise(1024, 3, 0.5f), r = TestSignals::Noise(1024, 4, 0.5f);
        m_h.Settle();
        m_h.Run(l, r);
        EXPECT_EQ(l, r) << "mode " << mode;
    }
}

TEST_F(CLayerDistTest, ColourIsFlatAtZeroAndFollowsItsBandsAbove)
{
    // Colour c over colour 0: (1 + L (H1 + H3 + H4) + S H2) / (1 + c), L = (1 + c)^2 - 1,
    // S = (1 - c)^2 - 1, each band three one-pole high-passes and three low-passes.
    const double bands[4][2] = {{30, 300}, {300, 2000}, {1000, 7200}, {3600, 14400}};
    Configure(2, 0.0f); // warm, no drive
    for (double hz : {100.0, 700.0, 4000.0})
    {
        m_h.SetUnscaled(kDistColor, 0.0f);
        m_h.SetUnscaled(kDistOutput, -6.0f);
        const Signal flat = Render(hz, 0.3, 48000);
        m_h.SetUnscaled(kDistOutput, 6.0f);
        const Signal louder = Render(hz, 0.3, 48000);
        // Flat at 0 %: 12 dB more output gain, sample for sample.
        for (size_t n = 0; n < flat.size(); n += 97)
            ASSERT_NEAR(louder[n], flat[n] * std::pow(10.0f, 0.6f), 1e-5f) << n;
        for (double c : {0.5, 1.0})
        {
            m_h.SetUnscaled(kDistColor, static_cast<float>(c * 100.0));
            const Signal coloured = Render(hz, 0.3, 48000);
            const std::complex<double> z1 = std::polar(1.0, -2.0 * kPi * hz / kRate);
            std::complex<double> sum = 1.0;
            for (int b = 0; b < 4; ++b)
            {
                const double eH = std::exp(-2.0 * kPi * bands[b][1] / kRate);
                const double eL = std::exp(-2.0 * kPi * bands[b][0] / kRate);
                const std::complex<double> band = std::pow((1.0 - eH) / (1.0 - eH * z1), 3.0) *
                                                  std::pow(1.0 - (1.0 - eL) / (1.0 - eL * z1), 3.0);
                sum += ((b == 1 ? (1.0 - c) * (1.0 - c) : (1.0 + c) * (1.0 + c)) - 1.0) * band;
            }
            const double measured = TestSpectrum::Amplitude(coloured, hz, kRate, 24000, 48000) /
                                    TestSpectrum::Amplitude(louder, hz, kRate, 24000, 48000);
            EXPECT_NEAR(TestSpectrum::Db(measured), TestSpectrum::Db(std::abs(sum) / (1.0 + c)),
                        0.1)
                << "colour " << c << " at " << hz << " Hz";
        }
    }
}
