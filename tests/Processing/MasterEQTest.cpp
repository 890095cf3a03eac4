// CMasterEQ driven by the real effect's parameters. The expected responses are computed
// here in double from the RBJ cookbook formulas (R. Bristow-Johnson, "Cookbook formulae
// for audio EQ biquad filter coefficients") in the biquad's conventions: the peaking q is a
// bandwidth in octaves, the shelves use beta = 2 sin(w) / q. Gains are measured with a
// Hann-windowed DFT of a sine after 100 ms of settling.
#include "Processing/MasterEQ.h"
#include "Morvex.h"

#include "support/CookbookBiquad.h"
#include "support/Signals.h"
#include "support/Spectrum.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstdint>
#include <memory>
#include <vector>

using namespace MorvexParam;

namespace
{
using Complex = std::complex<double>;
constexpr double kPi = 3.14159265358979323846;

using CookbookBiquad::COEFFICIENTS;
using CookbookBiquad::Peaking;
using CookbookBiquad::Shelf;

double SectionDb(const COEFFICIENTS& c, double frequencyHz, double rate)
{
    return CookbookBiquad::MagnitudeDb(c, frequencyHz, rate);
}

// The control values in their own units (as the host shows them).
struct EQ_SETTING
{
    double bassDb = 0.0, midDb = 0.0, trebleDb = 0.0, bassFreqHz = 20.0, midFreqHz = 1650.0;
};

// The four sections of the EQ for a setting, from the scaled controls: b, m, t, bf, mf.
struct EQ_SECTIONS
{
    COEFFICIENTS bass, lowMid, highMid, treble;
};

EQ_SECTIONS Sections(const EQ_SETTING& e, double rate)
{
    const double b = (e.bassDb + 16.0) / 32.0;
    const double m = (e.midDb + 20.0) / 40.0;
    const double t = (e.trebleDb + 16.0) / 32.0;
    const double bf = (e.bassFreqHz - 20.0) / 80.0;
    const double mf = (e.midFreqHz - 800.0) / 1700.0;
    const double lowMidOctaves = m > 0.5 ? 7.2 : 7.2 - 3.0 * (1.0 - 2.0 * m);
    return {
        Shelf(true, 425.0 + 2000.0 * bf, 1.0 + 0.15 * bf, 32.0 * b - 16.0, rate),
        Peaking(830.0, lowMidOctaves, 20.0 * (2.0 * m - 1.0) * (1.0 - mf), rate),
        Peaking(2000.0 + 400.0 * std::fabs(2.0 * m - 1.0), 4.5, 20.0 * (2.0 * m - 1.0) * mf, rate),
        Shelf(false, 3000.0, 1.0, 32.0 * t - 16.0, rate),
    };
}

double ExpectedDb(const EQ_SETTING& e, double frequencyHz, double rate)
{
    const EQ_SECTIONS s = Sections(e, rate);
    return SectionDb(s.bass, frequencyHz, rate) + SectionDb(s.lowMid, frequencyHz, rate) +
           SectionDb(s.highMid, frequencyHz, rate) + SectionDb(s.treble, frequencyHz, rate);
}

Complex Dft(const std::vector<float>& x, double f, double rate, int start, int end)
{
    return TestSpectrum::Dft(x, f, rate, static_cast<size_t>(start), static_cast<size_t>(end));
}

class CMasterEQTest : public ::testing::TestWithParam<float>
{
protected:
    void SetUp() override
    {
        m_rate = GetParam();
        m_effect->SetSampleRate(m_rate);
        m_effect->PreProcess(16);
        m_eq->SetSampleRate(m_rate);
    }

    void Apply(const EQ_SETTING& e)
    {
        m_effect->SetParameterUnscaled(kEqBass, static_cast<float>(e.bassDb));
        m_effect->SetParameterUnscaled(kEqMid, static_cast<float>(e.midDb));
        m_effect->SetParameterUnscaled(kEqTreble, static_cast<float>(e.trebleDb));
        m_effect->SetParameterUnscaled(kEqBassFreq, static_cast<float>(e.bassFreqHz));
        m_effect->SetParameterUnscaled(kEqMidFreq, static_cast<float>(e.midFreqHz));
        // Let the parameter smoothing arrive (0.5 s of 16-sample reads), then start silent.
        std::vector<float> left(16), right(16);
        for (int n = 0; n < static_cast<int>(0.5f * m_rate); n += 16)
            m_eq->Process(left.data(), right.data(), 16);
        m_eq->Reset();
    }

    // Runs in 16-sample calls, as the engine does.
    void Run(std::vector<float>& left, std::vector<float>& right)
    {
        for (size_t n = 0; n < left.size(); n += 16)
        {
            const int count = static_cast<int>(std::min<size_t>(16, left.size() - n));
            m_eq->Process(left.data() + n, right.data() + n, count);
        }
    }

    // Gain in dB of the EQ on a sine, measured on both channels (they must agree).
    double MeasuredDb(double frequencyHz)
    {
        const int settle = static_cast<int>(0.1 * m_rate);
        const int total = settle + static_cast<int>(0.2 * m_rate);
        std::vector<float> in(static_cast<size_t>(total));
        for (int n = 0; n < total; ++n)
            in[static_cast<size_t>(n)] =
                static_cast<float>(0.25 * std::sin(2 * kPi * frequencyHz * n / m_rate));
        std::vector<float> left = in, right = in;
        Run(left, right);
        const double reference = std::abs(Dft(in, frequencyHz, m_rate, settle, total));
        const double leftDb =
            20.0 * std::log10(std::abs(Dft(left, frequencyHz, m_rate, settle, total)) / reference);
        const double rightDb =
            20.0 * std::log10(std::abs(Dft(right, frequencyHz, m_rate, settle, total)) / reference);
        EXPECT_EQ(leftDb, rightDb) << frequencyHz << " Hz";
        m_eq->Reset();
        return leftDb;
    }

    void ExpectFormulaResponse(const EQ_SETTING& e, const std::vector<double>& frequencies)
    {
        Apply(e);
        for (double f : frequencies)
            EXPECT_NEAR(MeasuredDb(f), ExpectedDb(e, f, m_rate), 0.1) << f << " Hz";
    }

    float m_rate = 0.0f;
    std::unique_ptr<CMorvex> m_effect = std::make_unique<CMorvex>(nullptr);
    std::unique_ptr<CMasterEQ> m_eq = std::make_unique<CMasterEQ>(m_effect.get());
};

INSTANTIATE_TEST_SUITE_P(Rates, CMasterEQTest, ::testing::Values(44100.0f, 48000.0f, 96000.0f));

TEST_P(CMasterEQTest, CentreGainsAreFlatAtEveryFrequencySetting)
{
    // 0 dB in every section whatever the corner and crossfade settings.
    for (const double bassFreq : {20.0, 60.0, 100.0})
    {
        for (const double midFreq : {800.0, 1650.0, 2500.0})
        {
            EQ_SETTING e;
            e.bassFreqHz = bassFreq;
            e.midFreqHz = midFreq;
            Apply(e);
            for (const double f : {25.0, 425.0, 830.0, 2000.0, 3000.0, 12000.0})
                EXPECT_NEAR(MeasuredDb(f), 0.0, 0.01)
                    << f << " Hz, " << bassFreq << ", " << midFreq;
        }
    }
}

TEST_P(CMasterEQTest, CentredEqPassesTheInputExactly)
{
    // Every section at exactly 0 dB is skipped: the samples come out bit for bit.
    Apply(EQ_SETTING{});
    const std::vector<float> in = TestSignals::Noise(4096, 17);
    std::vector<float> left = in, right = in;
    Run(left, right);
    EXPECT_EQ(left, in);
    EXPECT_EQ(right, in);
}

TEST_P(CMasterEQTest, ShelvesGiveHalfTheirGainAtTheCornerAndFollowTheFormula)
{
    // A cookbook shelf passes sqrt(A), half its dB gain, at its corner frequency.
    EQ_SETTING bassLow;
    bassLow.bassDb = 12.0; // corner 425 Hz at the lowest "Eq Bass Freq"
    Apply(bassLow);
    EXPECT_NEAR(MeasuredDb(425.0), 6.0, 0.1);
    EQ_SETTING bassHigh;
    bassHigh.bassDb = -10.0;
    bassHigh.bassFreqHz = 100.0; // corner 2425 Hz, q 1.15
    Apply(bassHigh);
    EXPECT_NEAR(MeasuredDb(2425.0), -5.0, 0.1);
    EQ_SETTING treble;
    treble.trebleDb = -9.0; // corner 3 kHz
    Apply(treble);
    EXPECT_NEAR(MeasuredDb(3000.0), -4.5, 0.1);

    const std::vector<double> frequencies = {20.0,   100.0,  425.0,  1000.0,
                                             2425.0, 3000.0, 6000.0, 15000.0};
    ExpectFormulaResponse(bassLow, frequencies);
    ExpectFormulaResponse(bassHigh, frequencies);
    treble.trebleDb = 16.0;
    ExpectFormulaResponse(treble, frequencies);
}

TEST_P(CMasterEQTest, MidFrequencyMovesTheMidGainBetweenTheTwoPeaks)
{
    // m = (12 + 20) / 40 = 0.8: the low peak at 830 Hz takes 12 (1 - mf) dB, the high peak
    // at 2000 + 400 |2m - 1| = 2240 Hz takes 12 mf dB; each peak gives its full gain at its
    // centre.
    EQ_SETTING lowPeak;
    lowPeak.midDb = 12.0;
    lowPeak.midFreqHz = 800.0;
    Apply(lowPeak);
    EXPECT_NEAR(MeasuredDb(830.0), 12.0, 0.1);
    EQ_SETTING highPeak = lowPeak;
    highPeak.midFreqHz = 2500.0;
    Apply(highPeak);
    EXPECT_NEAR(MeasuredDb(2240.0), 12.0, 0.1);
    // A cut narrows the low peak: 7.2 - 3 (1 - 2m) octaves with m = (-15 + 20) / 40.
    EQ_SETTING cut;
    cut.midDb = -15.0;
    cut.midFreqHz = 800.0;
    Apply(cut);
    EXPECT_NEAR(MeasuredDb(830.0), -15.0, 0.1);

    const std::vector<double> frequencies = {50.0,   200.0,  500.0,  830.0,
                                             1300.0, 2240.0, 4000.0, 10000.0};
    ExpectFormulaResponse(lowPeak, frequencies);
    ExpectFormulaResponse(highPeak, frequencies);
    ExpectFormulaResponse(cut, frequencies);
    EQ_SETTING split = lowPeak;
    split.midFreqHz = 1650.0; // half the gain on each peak
    ExpectFormulaResponse(split, frequencies);
}

TEST_P(CMasterEQTest, AllFourSectionsTogetherFollowTheFormula)
{
    EQ_SETTING e;
    e.bassDb = -7.0;
    e.midDb = 5.0;
    e.trebleDb = 10.0;
    e.bassFreqHz = 60.0;
    e.midFreqHz = 1200.0;
    ExpectFormulaResponse(
        e, {30.0, 120.0, 500.0, 1000.0, 1425.0, 2100.0, 3000.0, 5000.0, 9000.0, 16000.0});
}

TEST_P(CMasterEQTest, EqOffLeavesTheBlockAndTheFilterStateUntouched)
{
    EQ_SETTING e;
    e.bassDb = 9.0;
    e.midDb = -6.0;
    e.trebleDb = 4.0;
    Apply(e);
    CMasterEQ reference(m_effect.get());
    reference.SetSampleRate(m_rate);

    const int blockCount = 64;
    const std::vector<float> in = TestSignals::Noise(static_cast<size_t>(16 * 3 * blockCount), 7);
    // The EQ under test runs all three thirds with "Eq On" off during the middle one;
    // `reference` runs the first and the last third back to back.
    const size_t third = in.size() / 3;
    std::vector<float> left = in, right = in;
    std::vector<float> refLeft(in.begin(), in.begin() + static_cast<long>(third));
    refLeft.insert(refLeft.end(), in.begin() + static_cast<long>(2 * third), in.end());
    std::vector<float> refRight = refLeft;
    for (size_t n = 0; n < in.size(); n += 16)
    {
        const bool off = n >= third && n < 2 * third;
        m_effect->SetParameterUnscaled(kEqOn, off ? 0.0f : 1.0f);
        m_eq->Process(left.data() + n, right.data() + n, 16);
        if (off)
            continue;
        const size_t at = n < third ? n : n - third;
        reference.Process(refLeft.data() + at, refRight.data() + at, 16);
    }
    for (size_t n = third; n < 2 * third; ++n)
    {
        ASSERT_EQ(left[n], in[n]) << n;
        ASSERT_EQ(right[n], in[n]) << n;
    }
    for (size_t n = 0; n < third; ++n)
    {
        ASSERT_EQ(left[n + 2 * third], refLeft[n + third]) << n;
        ASSERT_EQ(right[n + 2 * third], refRight[n + third]) << n;
    }
}
} // namespace
