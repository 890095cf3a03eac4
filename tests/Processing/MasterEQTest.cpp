// CMasterEQ driven by the real effect's parameters, against the cookbook formulas in the
// biquad's conventions (tests/support/CookbookBiquad.h).
#include "Processing/MasterEQ.h"
#include "support/ProcessingHarness.h"
#include "support/ProcessingMeasure.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace MorvexParam;
using TestSignals::Signal;

namespace
{
struct EQ_SETTING
{
    double bassDb = 0.0, midDb = 0.0, trebleDb = 0.0, bassFreqHz = 20.0, midFreqHz = 1650.0;
};

// Low shelf at 425 + 2000 bf Hz (q 1 + 0.15 bf), peaks at 830 Hz (7.2 octaves, 3 (1 - 2m)
// narrower for a cut) and 2000 + 400 |2m - 1| Hz (4.5) sharing the mid gain by 1 - mf and mf,
// high shelf at 3 kHz; b, m, t, bf, mf the scaled controls.
double ExpectedDb(const EQ_SETTING& e, double hz, double rate)
{
    using namespace CookbookBiquad;
    const double b = (e.bassDb + 16.0) / 32.0, m = (e.midDb + 20.0) / 40.0;
    const double t = (e.trebleDb + 16.0) / 32.0, bf = (e.bassFreqHz - 20.0) / 80.0;
    const double mf = (e.midFreqHz - 800.0) / 1700.0;
    const double lowMidOctaves = m > 0.5 ? 7.2 : 7.2 - 3.0 * (1.0 - 2.0 * m);
    return MagnitudeDb(LowShelf(425.0 + 2000.0 * bf, 1.0 + 0.15 * bf, 32.0 * b - 16.0, rate), hz,
                       rate) +
           MagnitudeDb(Peaking(830.0, lowMidOctaves, 20.0 * (2.0 * m - 1.0) * (1.0 - mf), rate),
                       hz, rate) +
           MagnitudeDb(Peaking(2000.0 + 400.0 * std::fabs(2.0 * m - 1.0), 4.5,
                               20.0 * (2.0 * m - 1.0) * mf, rate),
                       hz, rate) +
           MagnitudeDb(HighShelf(3000.0, 1.0, 32.0 * t - 16.0, rate), hz, rate);
}

class CMasterEQTest : public ::testing::TestWithParam<float>
{
protected:
    // Sets the controls, settled.
    void Apply(const EQ_SETTING& e)
    {
        m_h.Set(kEqBass, static_cast<float>(e.bassDb));
        m_h.Set(kEqMid, static_cast<float>(e.midDb));
        m_h.Set(kEqTreble, static_cast<float>(e.trebleDb));
        m_h.Set(kEqBassFreq, static_cast<float>(e.bassFreqHz));
        m_h.Set(kEqMidFreq, static_cast<float>(e.midFreqHz));
        m_h.Settle();
    }
    // Gain on a sine; both channels must agree.
    double MeasuredDb(double hz)
    {
        bool same = false;
        const double gainDb = ProcessingMeasure::SineGainDb(
            [&](Signal& l, Signal& r) {
                m_h.Module().Reset();
                m_h.Run(l, r);
                same = l == r;
            },
            hz, GetParam());
        EXPECT_TRUE(same) << hz << " Hz";
        return gainDb;
    }
    CEffectModule<CMasterEQ> m_h{GetParam()};
};

INSTANTIATE_TEST_SUITE_P(Rates, CMasterEQTest, ::testing::Values(44100.0f, 48000.0f, 96000.0f));

TEST_P(CMasterEQTest, CentredGainsPassTheInputExactlyAtEveryFrequencySetting)
{
    const Signal in = TestSignals::Noise(4096, 17);
    for (const double bassFreq : {20.0, 60.0, 100.0})
    {
        for (const double midFreq : {800.0, 1650.0, 2500.0})
        {
            Apply(EQ_SETTING{0.0, 0.0, 0.0, bassFreq, midFreq});
            Signal left = in, right = in;
            m_h.Run(left, right);
            EXPECT_EQ(left, in) << bassFreq << ", " << midFreq;
            EXPECT_EQ(right, in) << bassFreq << ", " << midFreq;
        }
    }
}

TEST_P(CMasterEQTest, ResponseFollowsTheFormula)
{
    struct CASE
    {
        const char* name;
        EQ_SETTING setting;
        double anchorHz, anchorDb; // a cookbook shelf passes half its dB gain at its corner,
                                   // a peak its full gain at its centre
    };
    const CASE cases[] = {
        {"bass +12 at the lowest corner", {12, 0, 0, 20, 1650}, 425.0, 6.0},
        {"bass -10 at the highest corner", {-10, 0, 0, 100, 1650}, 2425.0, -5.0},
        {"treble -9", {0, 0, -9, 20, 1650}, 3000.0, -4.5},
        {"treble +16", {0, 0, 16, 20, 1650}, 3000.0, 8.0},
        {"mid +12 on the low peak", {0, 12, 0, 20, 800}, 830.0, 12.0},
        {"mid +12 on the high peak", {0, 12, 0, 20, 2500}, 2240.0, 12.0},
        {"mid -15: the low peak narrows", {0, -15, 0, 20, 800}, 830.0, -15.0},
        {"mid +12 shared", {0, 12, 0, 20, 1650}, 0.0, 0.0},
        {"all four", {-7, 5, 10, 60, 1200}, 0.0, 0.0},
    };
    for (const CASE& c : cases)
    {
        SCOPED_TRACE(c.name);
        Apply(c.setting);
        if (c.anchorHz > 0.0)
        {
            EXPECT_NEAR(MeasuredDb(c.anchorHz), c.anchorDb, 0.1);
        }
        for (double hz : {20.0, 120.0, 425.0, 830.0, 1425.0, 2240.0, 3000.0, 6000.0, 15000.0})
            EXPECT_NEAR(MeasuredDb(hz), ExpectedDb(c.setting, hz, GetParam()), 0.1) << hz << " Hz";
    }
}

TEST_P(CMasterEQTest, EqOffLeavesTheBlockAndTheFilterStateUntouched)
{
    Apply(EQ_SETTING{9.0, -6.0, 4.0, 20.0, 1650.0});
    CMasterEQ reference(m_h.Effect());
    reference.SetSampleRate(GetParam());
    // Off for the middle third: the rest equals a reference running only the outer thirds.
    const Signal in = TestSignals::Noise(16 * 3 * 64, 7);
    const size_t third = in.size() / 3;
    Signal left = in, right = in;
    Signal refLeft(in.begin(), in.begin() + static_cast<long>(third));
    refLeft.insert(refLeft.end(), in.begin() + static_cast<long>(2 * third), in.end());
    Signal refRight = refLeft;
    for (size_t n = 0; n < in.size(); n += 16)
    {
        const bool off = n >= third && n < 2 * third;
        m_h.Set(kEqOn, off ? 0.0f : 1.0f);
        m_h.Module().Process(left.data() + n, right.data() + n, 16);
        const size_t at = n < third ? n : n - third;
        if (!off)
            reference.Process(refLeft.data() + at, refRight.data() + at, 16);
    }
    EXPECT_TRUE(std::equal(in.begin() + static_cast<long>(third),
                           in.begin() + static_cast<long>(2 * third),
                           left.begin() + static_cast<long>(third)));
    EXPECT_TRUE(std::equal(left.begin() + static_cast<long>(2 * third), left.end(),
                           refLeft.begin() + static_cast<long>(third)));
    EXPECT_TRUE(std::equal(right.begin() + static_cast<long>(2 * third), right.end(),
                           refRight.begin() + static_cast<long>(third)));
}
} // namespace
