// Glitch module inside the real effect, transport started through the engine. A ramp input
// names each input sample, so the output shows which one it plays: a slice of the 2 s loop
// (1/1 at 120 BPM) repeats at loop / q, q = 2 trunc(2^(scale - 1)).
#include "Processing/LayerGlitch.h"
#include "support/EffectFixture.h"
#include "support/ProcessingHarness.h"
#include "support/Signals.h"
#include "support/Spectrum.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

using namespace MorvexParam;
using TestSignals::Signal;

namespace
{
using ProcessingHarness::Ramp;

Signal Negated(Signal s)
{
    for (float& v : s)
        v = -v;
    return s;
}

class CLayerGlitchTest : public ::testing::TestWithParam<float>
{
protected:
    CLayerGlitchTest() : m_h(GetParam(), kModuleGlitch)
    {
        m_h.SetUnscaled(kGlitchBuffer, 14.0f); // "1/1": scale range 0..9
    }
    CLayerGlitch& Glitch() { return *static_cast<CLayerGlitch*>(m_h.Module()); }
    size_t Loop() const { return static_cast<size_t>(2.0 * GetParam()); }
    size_t Slice()
    {
        const double r = m_h.Effect()->GetParameterUnscaled(kGlitchScale, false, false, 0);
        const double repeats = std::floor(std::exp2(r - 1.0));
        return Loop() / (repeats == 0.0 ? 1 : static_cast<size_t>(2.0 * repeats));
    }
    void Start(float scale, bool freeze, bool reverse)
    {
        m_h.SetUnscaled(kGlitchScale, scale);
        m_h.Set(kGlitchMode, freeze ? 1.0f : 0.0f);
        m_h.Set(kGlitchReverse, reverse ? 1.0f : 0.0f);
        m_h.Settle(0.5f);
        m_h.Effect()->OnTransportStart();
    }
    void RunRange(Signal& l, Signal& r, size_t from, size_t to)
    {
        Signal pieceL(l.begin() + from, l.begin() + to), pieceR(r.begin() + from, r.begin() + to);
        m_h.Run(pieceL, pieceR);
        std::copy(pieceL.begin(), pieceL.end(), l.begin() + from);
        std::copy(pieceR.begin(), pieceR.end(), r.begin() + from);
    }
    // Both channels: the left as expected(n), the right its negation.
    template <typename EXPECTED>
    void Expect(const Signal& l, const Signal& r, size_t from, size_t to, EXPECTED expected)
    {
        for (size_t n = from; n < to; ++n)
        {
            ASSERT_EQ(l[n], expected(n)) << n;
            ASSERT_EQ(r[n], -expected(n)) << n;
        }
    }
    static size_t BlockStart(size_t n) { return n / 16 * 16; }
    CLayerModuleHarness m_h;
};
} // namespace

TEST_P(CLayerGlitchTest, InactiveSettingsPassTheSignalUnchanged)
{
    const size_t loop = Loop();
    const auto expectPass = [&](unsigned seed, bool shrink) {
        const size_t length = 2 * loop + 1000;
        Signal l = TestSignals::Noise(length, seed), r = TestSignals::Noise(length, seed + 1);
        const Signal inL = l, inR = r;
        RunRange(l, r, 0, loop / 2);
        if (shrink)
            m_h.SetUnscaled(kGlitchBuffer, 0.0f); // "1/32": the write position lies beyond it
        RunRange(l, r, loop / 2, length);
        EXPECT_EQ(l, inL);
        EXPECT_EQ(r, inR);
        m_h.SetUnscaled(kGlitchBuffer, 14.0f);
    };
    // Scale, stretch and reverse off, in either mode, also when the loop shrinks.
    for (bool freeze : {true, false})
    {
        Start(0.0f, freeze, false);
        expectPass(1, !freeze);
    }
    // Transport stopped: stretch 1/1.75 replays the whole loop at the position just recorded.
    m_h.Effect()->OnTransportStop();
    m_h.Set(kGlitchStretch, 0.5f);
    m_h.Settle(0.5f);
    expectPass(3, false);
}

TEST_P(CLayerGlitchTest, FrozenSliceRepeatsAtTheSetLengthAndScaleForwardsOrBackwards)
{
    const size_t loop = Loop();
    for (bool reverse : {false, true})
    {
        for (float scale : {1.0f, 2.5f, 3.0f}) // q = 2, 4 (2^1.5 = 2.83), 8
        {
            SCOPED_TRACE(::testing::Message() << "scale " << scale << " reverse " << reverse);
            Start(scale, true, reverse);
            const size_t slice = Slice();
            ASSERT_EQ(slice, loop / (scale == 1.0f ? 2u : (scale == 2.5f ? 4u : 8u)));
            // One loop of the ramp, then silence the frozen slice must not take in.
            const Signal x = Ramp(loop);
            Signal l(loop + 3 * slice + 100, 0.0f);
            std::copy(x.begin(), x.end(), l.begin());
            Signal r = Negated(l);
            m_h.Run(l, r);
            EXPECT_EQ(Glitch().GetBufferSize(), static_cast<int>(loop));
            Expect(l, r, 0, l.size(), [&](size_t n) {
                return n + 1 < loop ? x[n] : x[reverse ? slice - 1 - n % slice : n % slice];
            });
        }
    }
}

TEST_P(CLayerGlitchTest, RunModeFollowsEachLoopAndModeAndReverseLatchAtSliceBoundaries)
{
    // Run mode: loop k's first slice is heard live, then repeated.
    Start(3.0f, false, false);
    const size_t loop = Loop(), slice = Slice();
    const size_t switchOn = BlockStart(loop + 3 * slice + slice / 2);     // freeze + reverse on
    const size_t boundary = loop + 4 * slice;                             // ... take effect here
    const size_t reverseOff = BlockStart(2 * loop + slice / 2);           // acts at once
    const size_t runAgain = BlockStart(2 * loop + 2 * slice + slice / 2); // freeze off: at once
    const size_t total = 3 * loop + 2 * slice;
    const Signal x = Ramp(total);
    Signal l = x;
    std::fill(l.begin() + static_cast<long>(switchOn), l.begin() + static_cast<long>(runAgain),
              0.0f);
    Signal r = Negated(l);
    RunRange(l, r, 0, switchOn);
    m_h.Set(kGlitchMode, 1.0f);
    m_h.Set(kGlitchReverse, 1.0f);
    RunRange(l, r, switchOn, reverseOff);
    m_h.Set(kGlitchReverse, 0.0f);
    RunRange(l, r, reverseOff, runAgain);
    m_h.Set(kGlitchMode, 0.0f);
    RunRange(l, r, runAgain, total);
    Expect(l, r, 0, total, [&](size_t n) {
        if (n + 1 < loop)
            return x[n];
        if (n < boundary) // still running forwards over the current first slice
            return x[n / loop * loop + n % slice];
        if (n < reverseOff) // frozen, reversed
            return x[loop + slice - 1 - n % slice];
        if (n < 3 * loop) // frozen, forwards; recording resumed away from the slice
            return x[loop + n % slice];
        return x[3 * loop + n % slice]; // loop 3: live again
    });
}

TEST_P(CLayerGlitchTest, MixTurnsTheRepeatOnAtTheNextSliceBoundary)
{
    // Mix 0 latched passes exactly; raised mid-slice nothing repeats before the boundary.
    m_h.Set(kGlitchMix, 0.0f);
    Start(3.0f, true, false);
    const size_t loop = Loop(), slice = Slice();
    const size_t raise = BlockStart(loop + 2 * slice + slice / 2);
    const size_t boundary = loop + 3 * slice;
    const Signal x = Ramp(boundary + 16);
    Signal l = x, r = Negated(l);
    RunRange(l, r, 0, raise);
    m_h.Set(kGlitchMix, 1.0f);
    RunRange(l, r, raise, l.size());
    Expect(l, r, 0, boundary, [&](size_t n) { return x[n]; });
    EXPECT_NE(l[boundary], x[boundary]);
}

TEST_P(CLayerGlitchTest, OffKeepsRecordingAndPassesTheBlock)
{
    m_h.Set(kGlitchOn, 0.0f);
    Start(3.0f, true, false);
    const size_t loop = Loop(), slice = Slice();
    const size_t switchOn = BlockStart(loop + 3 * slice + slice / 2);
    const size_t total = switchOn + 2 * loop;
    const Signal x = Ramp(total);
    Signal l = x;
    std::fill(l.begin() + static_cast<long>(switchOn), l.end(), 0.0f);
    Signal r = Negated(l);
    RunRange(l, r, 0, switchOn);
    Expect(l, r, 0, switchOn, [&](size_t n) { return x[n]; });
    // Switched on, it plays loop 1's first slice, recorded while off.
    m_h.Set(kGlitchOn, 1.0f);
    RunRange(l, r, switchOn, total);
    Expect(l, r, switchOn, total, [&](size_t n) { return x[loop + n % slice]; });
}

TEST_P(CLayerGlitchTest, SmoothFadesBothEndsOfTheSlice)
{
    m_h.Set(kGlitchSmooth, 1.0f);
    Start(3.0f, true, false);
    const size_t loop = Loop(), slice = Slice();
    const Signal x = Ramp(loop);
    Signal l(loop + 2 * slice, 0.0f);
    std::copy(x.begin(), x.end(), l.begin());
    Signal r = Negated(l);
    m_h.Run(l, r);
    for (size_t n = loop; n < l.size(); ++n)
    {
        // FASTFADEIN(t) FASTFADEIN(1 - t), t = p / (slice - 1): 0 at 0, 1 from entry 50 on.
        const size_t p = (n - loop) % slice;
        const double t = static_cast<double>(p) / static_cast<double>(slice - 1);
        const bool faded = 4096.0 * t < 51.0 || 4096.0 * (1.0 - t) < 51.0;
        ASSERT_EQ(r[n], -l[n]) << n;
        ASSERT_LE(std::fabs(l[n]), x[p]) << n;
        ASSERT_TRUE(faded || l[n] == x[p]) << n;
        ASSERT_TRUE(p != 0 || l[n] == 0.0f) << n;
        ASSERT_TRUE((p != 1 && p != slice - 1) || l[n] < 0.01f * x[p]) << n;
    }
}

TEST_P(CLayerGlitchTest, LoopHoldsTheLongestBufferAtTheTempoFloor)
{
    const double rate = GetParam();
    const int capacity = static_cast<int>(12.0 * rate);
    EXPECT_EQ(Glitch().GetLoopCapacity(), capacity);
    Signal l(16), r(16);
    const float tempos[] = {20.0f, 10.0f, 0.0f, NAN, 120.0f};
    const int sizes[] = {capacity, capacity, capacity, capacity, static_cast<int>(2.0 * rate)};
    for (int k = 0; k < 5; ++k)
    {
        m_h.Effect()->SetHostTempo(tempos[k]);
        m_h.Run(l, r);
        EXPECT_EQ(Glitch().GetBufferSize(), sizes[k]) << tempos[k];
    }
    // "1/32" at 120 BPM: 2 / 32 s; at the 1000 BPM ceiling 0.24 / 32 s.
    m_h.SetUnscaled(kGlitchBuffer, 0.0f);
    m_h.Run(l, r);
    EXPECT_EQ(Glitch().GetBufferSize(), static_cast<int>(2.0 / 32.0 * rate));
    m_h.Effect()->SetHostTempo(1e6f);
    EXPECT_EQ(Glitch().GetBufferSize(), static_cast<int>(0.24 / 32.0 * rate));
}

TEST_P(CLayerGlitchTest, LoopGrownAfterAResetPlaysSilenceWhereNothingWasRecordedSince)
{
    // Noise fills the 2 s loop; after a reset at 240 BPM a 1 s loop records a quiet ramp and
    // grows back to 2 s: the reversed repeat must hear silence there, not the old noise.
    Start(0.0f, false, true); // the reversed whole loop
    Signal l = TestSignals::Noise(5 * Loop() / 4, 11), r = TestSignals::Noise(l.size(), 12);
    m_h.Run(l, r);
    m_h.Effect()->SetHostTempo(240.0f);
    m_h.Effect()->OnTransportStart();
    const Signal ramp = Ramp(static_cast<size_t>(3.25f * GetParam()));
    const size_t grow = static_cast<size_t>(1.25f * GetParam());
    l.assign(ramp.begin(), ramp.begin() + static_cast<long>(grow));
    r = Negated(l);
    m_h.Run(l, r);
    m_h.Effect()->SetHostTempo(120.0f);
    l.assign(ramp.begin() + static_cast<long>(grow), ramp.end());
    r = Negated(l);
    m_h.Run(l, r);
    EXPECT_LE(std::max(TestSpectrum::Peak(l), TestSpectrum::Peak(r)), ramp.back());
    EXPECT_GT(std::count(l.begin(), l.end(), 0.0f), 0);
}

INSTANTIATE_TEST_SUITE_P(Rates, CLayerGlitchTest, ::testing::Values(44100.0f, 48000.0f, 96000.0f));
