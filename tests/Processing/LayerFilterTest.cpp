// CLayerFilter inside the real effect against responses computed here in double from the
// published formulas (cookbook low-cut, bilinear state-variable sections, half-band taps,
// first-order all-passes); the ladder modes by their slopes.
#include "Processing/LayerFilter.h"
#include "Morvex.h"
#include "support/ProcessingMeasure.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

using namespace MorvexParam;
using TestSignals::Signal;
using TestSpectrum::Db;

namespace
{
using Complex = std::complex<double>;
using Transfer = std::function<Complex(Complex)>; // H as a function of z^-1
using TestSignals::kPi;

double TuneHz(double pitch)
{
    return 8.1777 * std::exp2(pitch / 12.0);
}

Complex ZInverse(double hz, double rate)
{
    return std::polar(1.0, -2.0 * kPi * hz / rate);
}

// Low-cut: cookbook high-pass with al = sin w (1 - 0.94 x 0.85 x 0.98), one section.
Complex LowCut(Complex z1, double cutoffHz, double rate)
{
    const double w = 2.0 * kPi * cutoffHz / rate, c = std::cos(w);
    const double alpha = std::sin(w) * (1.0 - 0.94 * 0.85 * 0.98);
    return (1.0 + c) / 2.0 * (1.0 - z1) * (1.0 - z1) /
           ((1.0 + alpha) - 2.0 * c * z1 + (1.0 - alpha) * z1 * z1);
}

// Bilinear state-variable section: bp' = (u - k bp - lp) w + bp, lp' = w bp' + lp,
// u = (x + x[n-1]) / 4.
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
    const double c[6] = {0.5,    0.3077392578125, -0.07794189453125, 0.02618408203125,
                         -0.007080078125, 0.0010986328125};
    double h = c[0];
    for (int k = 1; k <= 5; ++k)
        h += 2.0 * c[k] * std::cos((2 * k - 1) * omega);
    return h;
}

// The whole layer for a sine at f: low-cut at "Filter Locut" 0; upsampling by (1/2, 1, 1/2);
// the high-cut at "Filter Hicut" 136 (two sections, damping 0.933) at twice the rate; the
// half-band `latency` samples back, folding the image at pi - omega/2; then `post`.
Complex Layer(double f, double rate, const Transfer& post = nullptr, int latency = 5)
{
    const double omega = 2.0 * kPi * f / rate;
    auto oversampled = [&](double w2) {
        const Complex highCut =
            Svf(std::polar(1.0, -w2), TuneHz(136.0) / (2.0 * rate), 0.933).lowpass;
        return HalfBand(w2) * highCut * highCut * (1.0 + std::cos(w2));
    };
    const Complex z1 = ZInverse(f, rate);
    return LowCut(z1, 8.1777, rate) * std::polar(1.0, -latency * omega) * 0.5 *
           (oversampled(omega / 2.0) + oversampled(omega / 2.0 + kPi)) * (post ? post(z1) : 1.0);
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
    void Run(Signal& l, Signal& r)
    {
        for (size_t start = 0; start < l.size(); start += 16)
            m_filter->Process(l.data() + start, r.data() + start,
                              static_cast<int>(std::min<size_t>(16, l.size() - start)));
    }
    void Settle()
    {
        Signal l(static_cast<size_t>(0.4f * m_rate)), r(l.size());
        Run(l, r);
        m_filter->Reset();
    }
    // Settled module, sine at f: the output's component at `probe` after 100 ms.
    double Amplitude(double f, double amplitude, double probe)
    {
        Settle();
        Signal l = TestSignals::Sine(f, m_rate, static_cast<size_t>(0.3 * m_rate), amplitude);
        Signal r = l;
        Run(l, r);
        return TestSpectrum::Amplitude(l, probe, m_rate, l.size() / 3, l.size());
    }
    Complex Response(double f, double amplitude = 0.25)
    {
        return ProcessingMeasure::SineGain(
            [&](Signal& l, Signal& r) {
                Settle();
                Run(l, r);
            },
            f, m_rate, amplitude);
    }
    float m_rate;
    std::unique_ptr<CTestMorvex> m_effect = std::make_unique<CTestMorvex>();
    CLayerEffect* m_filter = nullptr;
};
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
    // dB per octave two to three octaves from the cutoff (494 Hz): 12 dB per section for
    // low-pass, (1 - H)^4 for high-pass, H^2 (1 - H)^2 for band-pass.
    const double fc = TuneHz(71.0);
    m_h.Set(kFilterCutoff, 71.0f);
    struct CASE
    {
        int mode12, mode24;
        double f, slope12;
    };
    for (const CASE& c : {CASE{CLayerFilter::kLowpass12, CLayerFilter::kLowpass24, 4 * fc, -12},
                          CASE{CLayerFilter::kHighpass12, CLayerFilter::kHighpass24, fc / 8, 24},
                          CASE{CLayerFilter::kBandpass12, CLayerFilter::kBandpass24, 4 * fc, -12}})
    {
        auto slope = [&](int mode) {
            m_h.Set(kFilterMode, static_cast<float>(mode));
            return Db(m_h.Response(2.0 * c.f, 0.05)) - Db(m_h.Response(c.f, 0.05));
        };
        const double slope12 = slope(c.mode12);
        EXPECT_NEAR(slope12, c.slope12, 1.5) << c.mode12;
        EXPECT_NEAR(slope(c.mode24) / slope12, 2.0, 0.15) << c.mode24;
    }
}

TEST_P(CLayerFilterTest, FilteredSignalIsFiveSamplesLateAndHalfMixHasNoComb)
{
    // Ring modulator at the bottom of the range passes the decimator's output unchanged.
    m_h.Set(kFilterMode, CLayerFilter::kRingMod);
    m_h.Set(kFilterCutoff, 20.0f);
    EXPECT_EQ(CLayerFilter::kLatencySamples, 5);
    for (double f : {200.0, 1000.0, 3000.0})
    {
        const Complex measured = m_h.Response(f), undelayed = Layer(f, Rate(), nullptr, 0);
        EXPECT_NEAR(Db(measured), Db(undelayed), 0.05) << f;
        const double latency = -std::arg(measured / undelayed) / (2.0 * kPi * f / Rate());
        EXPECT_NEAR(latency, 5.0, 0.01) << f;
    }
    // At 50 %: 0.5 e^(-j 5 w) + 0.5 H; undelayed, the dry path would comb (first notch at
    // rate / 10). The open 12 dB ladder lags a few degrees, hence its wider tolerance.
    struct CASE
    {
        int mode;
        float cutoff;
        double toleranceDb;
    };
    for (const CASE c : {CASE{CLayerFilter::kRingMod, 20.0f, 0.05},
                         CASE{CLayerFilter::kLowpass12, 135.2f, 0.5}})
    {
        m_h.Set(kFilterMode, static_cast<float>(c.mode));
        m_h.Set(kFilterCutoff, c.cutoff);
        m_h.Set(kFilterMix, 50.0f);
        for (double f : {200.0, 1000.0, Rate() / 20.0, Rate() / 10.0})
        {
            const Complex dry = std::polar(1.0, -2.0 * kPi * f / Rate() * 5.0);
            EXPECT_NEAR(Db(m_h.Response(f)), Db(0.5 * dry + 0.5 * Layer(f, Rate())),
                        c.toleranceDb)
                << c.mode << " " << f;
        }
    }
}

// The shifter moves a sine up by the carrier; the ring modulator makes both sidebands at
// -6.02 dB. Neither leaves the input.
TEST_P(CLayerFilterTest, ShifterAndRingModulatorMakeTheirSidebands)
{
    const double pitch = 62.37; // about 300 Hz
    const double carrier = TuneHz(pitch) * 1024.0 / 1023.0;
    const double f = 1000.0, input = 0.25 * std::abs(Layer(f, Rate()));
    m_h.Set(kFilterCutoff, static_cast<float>(pitch));
    auto sidebandDb = [&](double probe) { return Db(m_h.Amplitude(f, 0.25, probe) / input); };
    m_h.Set(kFilterMode, CLayerFilter::kPitchShift);
    EXPECT_NEAR(sidebandDb(f + carrier), 0.0, 0.05);
    EXPECT_LT(sidebandDb(f - carrier), -45.0);
    EXPECT_LT(sidebandDb(f), -60.0);
    m_h.Set(kFilterMode, CLayerFilter::kRingMod);
    EXPECT_NEAR(sidebandDb(f - carrier), -6.02, 0.05);
    EXPECT_NEAR(sidebandDb(f + carrier), -6.02, 0.05);
    EXPECT_LT(sidebandDb(f), -60.0);
}

TEST_P(CLayerFilterTest, PhaserFollowsItsAllPassChain)
{
    // Cutoffs u = 0.1 and 0.4 without feedback, and u = 0.1 at resonance 10 (feedback 0.95).
    const double settings[3][2] = {{0.1, 0.0}, {0.4, 0.0}, {0.1, 10.0}};
    for (int stages : {4, 8})
    {
        m_h.Set(kFilterMode, stages == 4 ? CLayerFilter::kPhaser4 : CLayerFilter::kPhaser8);
        for (const auto& c : settings)
        {
            m_h.Set(kFilterCutoff, static_cast<float>(20.0 + 115.2 * c[0]));
            m_h.Set(kFilterRes, static_cast<float>(c[1]));
            const Transfer phaser = Phaser(c[0], Rate(), stages, c[1] / 10.0);
            for (double f : {300.0, 1000.0, 4000.0})
                EXPECT_NEAR(Db(m_h.Response(f)), Db(Layer(f, Rate(), phaser)), 0.1)
                    << stages << " " << c[0] << " " << c[1] << " " << f;
        }
    }
}

TEST_P(CLayerFilterTest, OctaveBandAndVowelsFollowTheirSections)
{
    // Octave band, resonance 5: high-passes at fc / 2 (+10 Hz), low-passes at min(fc, 11 kHz)
    // (+10 Hz), a sample of delay before sections 2..4.
    const double fc = TuneHz(95.0), rate = Rate();
    const double r = 1.0 - 0.65 * 0.65, d = 1.03 - 0.776 * r;
    const Transfer band = [&](Complex z1) {
        const double low = std::min(fc, 11000.0);
        return 0.5 / (r + 1.0) * Svf(z1, fc / 2.0 / rate, d).highpass *
               Svf(z1, (fc / 2.0 + 10.0) / rate, d).highpass * Svf(z1, low / rate, d).lowpass *
               Svf(z1, (low + 10.0) / rate, d).lowpass * z1 * z1 * z1;
    };
    m_h.Set(kFilterMode, CLayerFilter::kOctaveBand);
    m_h.Set(kFilterCutoff, 95.0f);
    m_h.Set(kFilterRes, 5.0f);
    for (double f : {0.7 * fc, 250.0, 8000.0}) // in the band and outside it
        EXPECT_NEAR(Db(m_h.Response(f)), Db(Layer(f, rate, band)), 0.1) << f;
    // Vowels: band-passes at the row's formants (rows 0, 6, halfway 1..2), dampings d, 0.88 d,
    // 0.92 d with d = 1 - 0.94 x 0.6.
    struct CASE
    {
        double u;
        double formants[3];
    };
    const CASE cases[] = {{0.0, {482, 785, 3860}},
                          {0.25, {(255 + 292) / 2.0, (1440 + 1000) / 2.0, (1910 + 2120) / 2.0}},
                          {1.0, {709, 1790, 2170}}};
    m_h.Set(kFilterMode, CLayerFilter::kVowel);
    m_h.Set(kFilterRes, 6.0f);
    const double dv = 1.0 - 0.94 * 0.6;
    for (const CASE& c : cases)
    {
        m_h.Set(kFilterCutoff, static_cast<float>(20.0 + 115.2 * c.u));
        const Transfer vowel = [&](Complex z1) {
            return Svf(z1, c.formants[0] / rate, dv).bandpass +
                   Svf(z1, c.formants[1] / rate, 0.88 * dv).bandpass +
                   Svf(z1, c.formants[2] / rate, 0.92 * dv).bandpass;
        };
        // At the formants, between the first two and well above them.
        for (double f : {c.formants[0], c.formants[1], c.formants[2],
                         std::sqrt(c.formants[0] * c.formants[1]), 3.0 * c.formants[2]})
            EXPECT_NEAR(Db(m_h.Response(f, 0.1)), Db(Layer(f, rate, vowel)), 0.1)
                << c.u << " " << f;
    }
}

TEST_P(CLayerFilterTest, CutoffFollowsItsModulationSampleBySample)
{
    // Ring modulator: each sample's carrier phase sums the relative cutoffs before it.
    CFilterHarness reference(GetParam());
    reference.Set(kFilterMode, CLayerFilter::kRingMod);
    reference.Set(kFilterCutoff, 20.0f);
    m_h.Set(kFilterMode, CLayerFilter::kRingMod);
    m_h.Set(kFilterCutoff, 60.0f);
    reference.Settle();
    m_h.Settle();
    // Depth 0.8 of a 0..1 ramp per 16-sample block: up to 92 semitones, clamped at 135.2.
    std::vector<float> ramp(16);
    for (int n = 0; n < 16; ++n)
        ramp[n] = n / 15.0f;
    PARAM_MODULATION& modulation = m_h.m_effect->m_modulation;
    modulation.count = 1;
    modulation.buffers[0] = ramp.data();
    modulation.depths[0] = 0.8f;
    m_h.m_effect->m_modulatedId = kFilterCutoff;
    const Signal in = TestSignals::Sine(700.0, Rate(), 64, 0.25);
    Signal carrierInput = in, carrierRight = in, out = in, outRight = in;
    reference.Run(carrierInput, carrierRight);
    m_h.Run(out, outRight);
    // Carrier: sin 2 pi i / 1023 at (phase + 0.25) x 1024; tolerance: the tune table's steps.
    auto wrap = [](double p) { return p > 1.0 ? p - 1.0 : p; };
    double phase = 0.0;
    for (size_t n = 0; n < 64; ++n)
    {
        const double pitch = std::min(60.0 + 115.2 * 0.8 * ramp[n % 16], 135.2);
        const double carrier = std::sin(2.0 * kPi * wrap(phase + 0.25) * 1024.0 / 1023.0);
        EXPECT_NEAR(out[n], carrierInput[n] * carrier, 1e-3) << n;
        phase = wrap(phase + TuneHz(pitch) / Rate());
    }
}
