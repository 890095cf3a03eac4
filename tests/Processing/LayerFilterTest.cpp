// CLayerFilter inside the real effect. Expected responses are computed here in double
// from the published formulas: the low-cut (RBJ cookbook high-pass form with the biquad's
// resonance damping), the bilinear state-variable section, the half-band decimator taps and
// the phaser's first-order all-passes; the ladder modes by their slopes, the octave band and
// the vowels by where their pass bands lie. Measurements use a Hann-windowed DFT after 100 ms
// of settling. Off, mix 0, block splitting and non-finite input are in the module contract
// suite.
#include "Processing/LayerFilter.h"
#include "Common/wrappers/dsp/LookupTables.h"
#include "Morvex.h"
#include "support/Signals.h"
#include "support/Spectrum.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

using namespace MorvexParam;

namespace
{
using Complex = std::complex<double>;
using Transfer = std::function<Complex(Complex)>; // H as a function of z^-1
constexpr double kPi = 3.14159265358979323846;

// ------------------------------------------------------------------------------------------
// Formulas

double TuneHz(double pitch)
{
    return 8.1777 * std::exp2(pitch / 12.0);
}

Complex ZInverse(double frequencyHz, double rate)
{
    return std::polar(1.0, -2.0 * kPi * frequencyHz / rate);
}

// Low-cut: second-order high-pass b = ((1 + c)/2, -(1 + c), (1 + c)/2), a = (1 + al, -2c,
// 1 - al) with al = sin w (1 - 0.94 x 0.85 x 0.98) (resonance 0.85, one section).
Complex LowCut(Complex z1, double cutoffHz, double rate)
{
    const double w = 2.0 * kPi * cutoffHz / rate;
    const double c = std::cos(w);
    const double alpha = std::sin(w) * (1.0 - 0.94 * 0.85 * 0.98);
    return (1.0 + c) / 2.0 * (1.0 - z1) * (1.0 - z1) /
           ((1.0 + alpha) - 2.0 * c * z1 + (1.0 - alpha) * z1 * z1);
}

// Bilinear state-variable section: bp' = (u - k bp - lp) w + bp, lp' = w bp' + lp with
// u = (x + x[n-1]) / 4 gives L = w^2 U / ((1 - z^-1)(1 - (1 - w k) z^-1) + w^2 z^-1).
struct SVF_RESPONSE
{
    Complex lowpass, bandpass, highpass;
};
SVF_RESPONSE Svf(Complex z1, double relativeHz, double damping)
{
    const double w = 2.0 * kPi * relativeHz;
    const double k = (2.0 + w) * (2.0 - w) * damping / (2.0 * (damping * w + 2.0 - w));
    const Complex d = (1.0 - z1) * (1.0 - (1.0 - w * k) * z1) + w * w * z1;
    const Complex low = w * w * (1.0 + z1) / (4.0 * d); // lp' per unit input
    const Complex band = low * (1.0 - z1) / w;          // bp'
    return {low * (1.0 + z1), 2.0 * band, 1.0 - (k * band + low * (1.0 + z1))};
}

// Zero-phase amplitude of the half-band decimator at twice the rate.
double HalfBand(double omega)
{
    const double c[6] = {0.5,
                         0.3077392578125,
                         -0.07794189453125,
                         0.02618408203125,
                         -0.007080078125,
                         0.0010986328125};
    double h = c[0];
    for (int k = 1; k <= 5; ++k)
        h += 2.0 * c[k] * std::cos((2 * k - 1) * omega);
    return h;
}

// The whole layer for a sine of frequency f: low-cut; the pairs (midpoint, sample) are
// the signal upsampled with the kernel (1/2, 1, 1/2); `inner` and the high-cut (two
// sections, damping 0.933) at twice the rate; the half-band centred 5 samples back;
// keeping every other sample folds the image at pi - omega/2 onto omega; then `post`.
Complex Layer(double f, double rate, double lowCutHz, double highCutHz, const Transfer& inner,
              const Transfer& post, int latency = 5)
{
    const double omega = 2.0 * kPi * f / rate;
    auto oversampled = [&](double w2) {
        const Complex z1 = std::polar(1.0, -w2);
        const Complex highCut = Svf(z1, highCutHz / (2.0 * rate), 0.933).lowpass;
        return HalfBand(w2) * inner(z1) * highCut * highCut * (1.0 + std::cos(w2));
    };
    const Complex z1 = ZInverse(f, rate);
    return LowCut(z1, lowCutHz, rate) * std::polar(1.0, -latency * omega) * 0.5 *
           (oversampled(omega / 2.0) + oversampled(omega / 2.0 + kPi)) * post(z1);
}

Complex One(Complex)
{
    return 1.0;
}

// Phaser with N stages (z^-1 - a)/(1 - a z^-1) and feedback 0.95 r of the chain output.
Transfer Phaser(double u, double rate, int stages, double resonance)
{
    return [=](Complex z1) {
        const double w = (u * 30000.0 + 2000.0) / rate;
        Complex chain = 1.0;
        for (int i = 0; i < stages; ++i)
        {
            const double wi = i < stages / 2 ? (i + 1) * w : w / (i - stages / 2 + 2);
            const double a = (1.0 - wi) / (1.0 + wi);
            chain *= (z1 - a) / (1.0 - a * z1);
        }
        return 1.0 + chain / (1.0 - 0.95 * resonance * z1 * chain);
    };
}

// ------------------------------------------------------------------------------------------
// The effect with a hook for the cutoff's modulation record.

class CTestMorvex : public CMorvex
{
public:
    CTestMorvex() : CMorvex(nullptr) {}
    PARAM_MODULATION* GetParameterModulation(int id) override
    {
        return id == m_modulatedId ? &m_modulation : CMorvex::GetParameterModulation(id);
    }
    PARAM_MODULATION m_modulation;
    int m_modulatedId = -1;
};

using TestSignals::STEREO;

STEREO Sine(double f, double amplitude, double rate, int count)
{
    const TestSignals::Signal x = TestSignals::Sine(f, rate, static_cast<size_t>(count), amplitude);
    return {x, x};
}

Complex Dft(const std::vector<float>& x, double f, double rate, int start, int end)
{
    return TestSpectrum::Dft(x, f, rate, static_cast<size_t>(start), static_cast<size_t>(end));
}

using TestSpectrum::Db;

class CFilterHarness
{
public:
    explicit CFilterHarness(float rate) : m_rate(rate)
    {
        m_effect->SetSampleRate(rate);
        m_filter = m_effect->GetModule(0, kModuleFilter);
        Set(kFilterRes, 0.0f);
    }
    void Set(int id, float unscaled) { m_effect->SetParameterUnscaled(id, unscaled); }
    // The module in the engine's pieces of at most `piece` samples.
    void Run(STEREO& s, int piece = 16)
    {
        const int count = static_cast<int>(s.left.size());
        for (int start = 0; start < count; start += piece)
            m_filter->Process(s.left.data() + start, s.right.data() + start,
                              std::min(piece, count - start));
    }
    // Lets the smoothed parameters and the mix ramp reach their targets (0.4 s), then
    // clears the audio history.
    void Settle()
    {
        STEREO silence = Sine(0.0, 0.0, m_rate, static_cast<int>(0.4f * m_rate));
        Run(silence);
        m_filter->Reset();
    }
    // Settled module, sine of the given amplitude at f: the output's component at `probe`
    // (Hann-windowed DFT over 200 ms after 100 ms), left channel.
    Complex Component(double f, double amplitude, double probe)
    {
        Settle();
        STEREO s = Sine(f, amplitude, m_rate, static_cast<int>(0.3 * m_rate));
        Run(s);
        return Dft(s.left, probe, m_rate, static_cast<int>(0.1 * m_rate),
                   static_cast<int>(0.3 * m_rate) - 1);
    }
    // Complex gain at f (the input is amplitude x sin, a DFT of amplitude x e^-j pi/2).
    Complex Response(double f, double amplitude)
    {
        return Component(f, amplitude, f) / (amplitude * std::polar(1.0, -kPi / 2));
    }
    double Amplitude(double f, double amplitude, double probe)
    {
        return std::abs(Component(f, amplitude, probe));
    }

    float m_rate;
    std::unique_ptr<CTestMorvex> m_effect = std::make_unique<CTestMorvex>();
    CLayerEffect* m_filter = nullptr;
};

constexpr double kLowCutHz = 8.1777;     // "Filter Locut" 0
const double kHighCutHz = TuneHz(136.0); // "Filter Hicut" 136
} // namespace

class CLayerFilterTest : public ::testing::TestWithParam<float>
{
protected:
    double Rate() const { return GetParam(); }
    CFilterHarness m_h{GetParam()};
};

INSTANTIATE_TEST_SUITE_P(Rates, CLayerFilterTest, ::testing::Values(44100.0f, 48000.0f, 96000.0f));

TEST_P(CLayerFilterTest, TwentyFourDbModesFallTwiceAsSteeply)
{
    const double fc = TuneHz(71.0); // 494 Hz
    m_h.Set(kFilterCutoff, 71.0f);
    // dB per octave on the skirts, two to three octaves from the cutoff: low- and
    // band-pass above it, high-pass below.
    auto slope = [&](int mode, double f) {
        m_h.Set(kFilterMode, static_cast<float>(mode));
        return Db(m_h.Response(2.0 * f, 0.05)) - Db(m_h.Response(f, 0.05));
    };
    const double lowPass12 = slope(CLayerFilter::kLowpass12, 4.0 * fc);
    const double lowPass24 = slope(CLayerFilter::kLowpass24, 4.0 * fc);
    const double highPass12 = slope(CLayerFilter::kHighpass12, fc / 8.0);
    const double highPass24 = slope(CLayerFilter::kHighpass24, fc / 8.0);
    const double bandPass12 = slope(CLayerFilter::kBandpass12, 4.0 * fc);
    const double bandPass24 = slope(CLayerFilter::kBandpass24, 4.0 * fc);
    // Low-pass: stage 2 of the ladder, 12 dB per octave and section.
    EXPECT_NEAR(lowPass12, -12.0, 1.5);
    EXPECT_NEAR(lowPass24 / lowPass12, 2.0, 0.15);
    // High-pass: (1 - H)^4 per section, 24 dB per octave and section.
    EXPECT_NEAR(highPass12, 24.0, 1.5);
    EXPECT_NEAR(highPass24 / highPass12, 2.0, 0.15);
    // Band-pass: H^2 (1 - H)^2, 12 dB per octave and section on either side.
    EXPECT_NEAR(bandPass12, -12.0, 1.5);
    EXPECT_NEAR(bandPass24 / bandPass12, 2.0, 0.15);
}

TEST_P(CLayerFilterTest, FilteredSignalIsFiveSamplesLate)
{
    // Ring modulator at the bottom of the cutoff range: the fade passes the decimator's
    // output unchanged, so only the low-cut, the high-cut and the resampling remain.
    m_h.Set(kFilterMode, CLayerFilter::kRingMod);
    m_h.Set(kFilterCutoff, 20.0f);
    // Up to 3 kHz the phase of 5 samples stays within +-pi at every rate tested.
    for (double f : {200.0, 1000.0, 3000.0})
    {
        const Complex measured = m_h.Response(f, 0.25);
        const Complex undelayed = Layer(f, Rate(), kLowCutHz, kHighCutHz, One, One, 0);
        EXPECT_NEAR(Db(measured), Db(undelayed), 0.05) << f;
        const double latency = -std::arg(measured / undelayed) / (2.0 * kPi * f / Rate());
        EXPECT_NEAR(latency, CLayerFilter::kLatencySamples, 0.01) << f;
    }
    EXPECT_EQ(CLayerFilter::kLatencySamples, 5);
}

TEST_P(CLayerFilterTest, HalfMixHasNoCombBetweenDryAndFiltered)
{
    // At 50 % the input, delayed by the decimator's latency like the filtered signal, and the
    // filtered signal add in phase: 0.5 e^(-j 5 w) + 0.5 H. Undelayed, they would comb with
    // the first notch at rate / 10 (4.41 kHz at 44.1 kHz, -12 dB for the open ladder).
    struct CASE
    {
        int mode;
        float cutoff;
        double wetGain; // of the filtered path where it is open
        double toleranceDb;
    };
    // The ring modulator at the bottom passes the resampled signal (exact formula); the
    // 12 dB ladder at the top is open (unity gain with its make-up) with a phase lag of a
    // few degrees, hence the wider tolerance.
    for (const CASE c : {CASE{CLayerFilter::kRingMod, 20.0f, 1.0, 0.05},
                         CASE{CLayerFilter::kLowpass12, 135.2f, 1.0, 0.5}})
    {
        m_h.Set(kFilterMode, static_cast<float>(c.mode));
        m_h.Set(kFilterCutoff, c.cutoff);
        m_h.Set(kFilterMix, 50.0f);
        for (double f : {200.0, 1000.0, Rate() / 20.0, Rate() / 10.0})
        {
            const double omega = 2.0 * kPi * f / Rate();
            const Complex dry = std::polar(1.0, -omega * CLayerFilter::kLatencySamples);
            const Complex expected =
                0.5 * dry + 0.5 * c.wetGain * Layer(f, Rate(), kLowCutHz, kHighCutHz, One, One);
            EXPECT_NEAR(Db(m_h.Response(f, 0.25)), Db(expected), c.toleranceDb)
                << c.mode << " " << f;
        }
    }
}

// The frequency shifter moves a sine up by the carrier; the ring modulator makes the two
// sidebands at half the amplitude (-6.02 dB). Neither leaves the input itself.
TEST_P(CLayerFilterTest, ShifterAndRingModulatorMakeTheirSidebands)
{
    const double pitch = 62.37; // about 300 Hz
    // The carrier is read from a sine table of one period over 1023 steps at phase x 1024.
    const double carrier = TuneHz(pitch) * 1024.0 / 1023.0;
    const double f = 1000.0;
    const double input = 0.25 * std::abs(Layer(f, Rate(), kLowCutHz, kHighCutHz, One, One));
    m_h.Set(kFilterCutoff, static_cast<float>(pitch));
    auto sidebandDb = [&](double probe) {
        return 20.0 * std::log10(m_h.Amplitude(f, 0.25, probe) / input);
    };
    m_h.Set(kFilterMode, CLayerFilter::kPitchShift);
    EXPECT_NEAR(sidebandDb(f + carrier), 0.0, 0.05);
    EXPECT_LT(sidebandDb(f - carrier), -45.0);
    EXPECT_LT(sidebandDb(f), -60.0);
    m_h.Set(kFilterMode, CLayerFilter::kRingMod);
    EXPECT_NEAR(sidebandDb(f - carrier), -6.02, 0.05);
    EXPECT_NEAR(sidebandDb(f + carrier), -6.02, 0.05);
    EXPECT_LT(sidebandDb(f), -60.0);
}

TEST_P(CLayerFilterTest, PhaserNotchesMoveWithTheCutoff)
{
    for (int mode : {CLayerFilter::kPhaser4, CLayerFilter::kPhaser8})
    {
        const int stages = mode == CLayerFilter::kPhaser4 ? 4 : 8;
        m_h.Set(kFilterMode, static_cast<float>(mode));
        // Lowest notch of 1 + A (no feedback) from the formula, for two cutoffs.
        auto notch = [&](double u) {
            const Transfer phaser = Phaser(u, Rate(), stages, 0.0);
            double best = 1e9, bestHz = 0.0;
            for (double f = 50.0; f < 0.45 * Rate(); f *= 1.0005)
            {
                const double m = std::abs(phaser(ZInverse(f, Rate())));
                if (m < best)
                    best = m, bestHz = f;
                else if (best < 0.01 && m > 10.0 * best)
                    break;
            }
            return bestHz;
        };
        const double u1 = 0.1, u2 = 0.4;
        const double notch1 = notch(u1), notch2 = notch(u2);
        ASSERT_GT(notch2, 1.5 * notch1);
        auto gainDb = [&](double u, double f) {
            m_h.Set(kFilterCutoff, static_cast<float>(20.0 + 115.2 * u));
            return Db(m_h.Response(f, 0.25) / Layer(f, Rate(), kLowCutHz, kHighCutHz, One, One));
        };
        EXPECT_LT(gainDb(u1, notch1), -30.0) << stages;
        EXPECT_GT(gainDb(u2, notch1), -6.0) << stages;
        EXPECT_LT(gainDb(u2, notch2), -30.0) << stages;
        // With feedback (resonance 10: 0.95) the whole response follows the formula.
        m_h.Set(kFilterRes, 10.0f);
        for (double f : {300.0, 1000.0, 4000.0})
        {
            m_h.Set(kFilterCutoff, static_cast<float>(20.0 + 115.2 * u1));
            const Complex expected =
                Layer(f, Rate(), kLowCutHz, kHighCutHz, One, Phaser(u1, Rate(), stages, 1.0));
            EXPECT_NEAR(Db(m_h.Response(f, 0.25)), Db(expected), 0.1) << stages << " " << f;
        }
        m_h.Set(kFilterRes, 0.0f);
    }
}

TEST_P(CLayerFilterTest, OctaveBandPassesTheOctaveBelowTheCutoff)
{
    const double pitch = 95.0;
    const double fc = TuneHz(pitch);
    m_h.Set(kFilterMode, CLayerFilter::kOctaveBand);
    m_h.Set(kFilterCutoff, static_cast<float>(pitch));
    m_h.Set(kFilterRes, 5.0f); // r = 0.5: R = 1 - (1 - 0.35)^2
    const double r = 1.0 - 0.65 * 0.65;
    const double d = 1.03 - 0.776 * r;
    const double rate = Rate();
    const Transfer band = [&](Complex z1) {
        const double low = std::min(fc, 11000.0);
        // Pipeline: one sample of delay before each of sections 2..4.
        return 0.5 / (r + 1.0) * Svf(z1, fc / 2.0 / rate, d).highpass *
               Svf(z1, (fc / 2.0 + 10.0) / rate, d).highpass * Svf(z1, low / rate, d).lowpass *
               Svf(z1, (low + 10.0) / rate, d).lowpass * z1 * z1 * z1;
    };
    // Measured against the formula in the middle of the band and an octave or more outside.
    double gainDb[3];
    const double probes[3] = {0.7 * fc, 250.0, 8000.0};
    for (int i = 0; i < 3; ++i)
    {
        gainDb[i] = Db(m_h.Response(probes[i], 0.25));
        EXPECT_NEAR(gainDb[i], Db(Layer(probes[i], rate, kLowCutHz, kHighCutHz, One, band)), 0.1)
            << probes[i];
    }
    EXPECT_LT(gainDb[1], gainDb[0] - 12.0);
    EXPECT_LT(gainDb[2], gainDb[0] - 12.0);
}

TEST_P(CLayerFilterTest, VowelFilterPeaksAtTheFormantsOfItsRow)
{
    struct CASE
    {
        double u;
        double formants[3];
    };
    // Rows 0 and 6 alone, and halfway between rows 1 and 2.
    const CASE cases[] = {{0.0, {482, 785, 3860}},
                          {0.25, {(255 + 292) / 2.0, (1440 + 1000) / 2.0, (1910 + 2120) / 2.0}},
                          {1.0, {709, 1790, 2170}}};
    m_h.Set(kFilterMode, CLayerFilter::kVowel);
    m_h.Set(kFilterRes, 6.0f); // d = 1 - 0.94 x 0.6
    const double d = 1.0 - 0.94 * 0.6;
    for (const CASE& c : cases)
    {
        m_h.Set(kFilterCutoff, static_cast<float>(20.0 + 115.2 * c.u));
        const Transfer vowel = [&](Complex z1) {
            return Svf(z1, c.formants[0] / Rate(), d).bandpass +
                   Svf(z1, c.formants[1] / Rate(), 0.88 * d).bandpass +
                   Svf(z1, c.formants[2] / Rate(), 0.92 * d).bandpass;
        };
        double formantDb[3];
        for (int j = 0; j < 3; ++j)
        {
            formantDb[j] = Db(m_h.Response(c.formants[j], 0.1));
            EXPECT_NEAR(formantDb[j],
                        Db(Layer(c.formants[j], Rate(), kLowCutHz, kHighCutHz, One, vowel)), 0.1)
                << c.u << " formant " << j;
        }
        // Between the formants and well above them the response is lower.
        for (double f : {std::sqrt(c.formants[0] * c.formants[1]), 3.0 * c.formants[2]})
        {
            EXPECT_NEAR(Db(m_h.Response(f, 0.1)),
                        Db(Layer(f, Rate(), kLowCutHz, kHighCutHz, One, vowel)), 0.1);
            EXPECT_LT(Db(m_h.Response(f, 0.1)), std::max(formantDb[0], formantDb[1]) - 3.0);
        }
    }
}

TEST_P(CLayerFilterTest, CutoffFollowsItsModulationSampleBySample)
{
    // Ring modulator: each sample's carrier phase is the sum of the relative cutoffs of
    // the samples before it. The reference effect sits at the bottom of the range, where
    // the fade passes the ring modulator's input unchanged.
    CFilterHarness reference(GetParam());
    reference.Set(kFilterMode, CLayerFilter::kRingMod);
    reference.Set(kFilterCutoff, 20.0f);
    m_h.Set(kFilterMode, CLayerFilter::kRingMod);
    m_h.Set(kFilterCutoff, 60.0f);
    reference.Settle();
    m_h.Settle();
    // One routing, depth 0.8, ramping 0..1 across every 16-sample block: the pitch climbs
    // from 60 by up to 92 semitones within the block and is clamped at 135.2.
    std::vector<float> ramp(16);
    for (int n = 0; n < 16; ++n)
        ramp[n] = n / 15.0f;
    PARAM_MODULATION& modulation = m_h.m_effect->m_modulation;
    modulation.count = 1;
    modulation.buffers[0] = ramp.data();
    modulation.depths[0] = 0.8f;
    m_h.m_effect->m_modulatedId = kFilterCutoff;

    STEREO in = Sine(700.0, 0.25, Rate(), 64);
    STEREO carrierInput = in;
    reference.Run(carrierInput);
    STEREO out = in;
    m_h.Run(out);
    // Carrier: the sine table (sin 2 pi i / 1023) at (phase + 0.25) x 1024, both wrapped
    // into 0..1 when above 1. The tolerance covers the tune table's steps (0.04 cent).
    auto wrap = [](double p) { return p > 1.0 ? p - 1.0 : p; };
    double phase = 0.0;
    for (int n = 0; n < 64; ++n)
    {
        const double pitch = std::min(60.0 + 115.2 * 0.8 * ramp[n % 16], 135.2);
        const double carrier = std::sin(2.0 * kPi * wrap(phase + 0.25) * 1024.0 / 1023.0);
        EXPECT_NEAR(out.left[n], carrierInput.left[n] * carrier, 1e-3) << n;
        phase = wrap(phase + TuneHz(pitch) / Rate());
    }
}
