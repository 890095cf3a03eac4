// Glitch module inside the real effect, transport started through the engine. The
// input carries a distinct value per sample, so each output sample names the input
// sample it plays: the slice of a loop of 2 s (a whole note at 120 BPM) repeats
// sample-exactly at its length loop / q, q = 2 trunc(2^(scale - 1)), forwards or
// backwards; freeze holds it; run mode follows each loop's first slice; mode, reverse
// and mix latch at slice boundaries; "Glitch On" off records and passes; the
// inactive settings and mix 0 are exact, also when the loop shrinks under the recording;
// then the loop's size limits and the smooth window. Block splitting and non-finite input are
// in the module contract suite.
#include "Processing/LayerGlitch.h"
#include "support/EffectFixture.h"

#include "support/Signals.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace MorvexParam;

namespace
{
using Signal = CLayerModuleHarness::Signal;

// (n + 1) / 2^20: distinct and exact in float far beyond the longest test.
Signal Ramp(size_t length)
{
    Signal s(length);
    for (size_t n = 0; n < length; ++n)
        s[n] = static_cast<float>(n + 1) / 1048576.0f;
    return s;
}

Signal Negated(const Signal& s)
{
    Signal out(s.size());
    for (size_t n = 0; n < s.size(); ++n)
        out[n] = -s[n];
    return out;
}

Signal Noise(size_t length, unsigned seed)
{
    return TestSignals::Noise(static_cast<size_t>(length), seed);
}

class CLayerGlitchTest : public ::testing::TestWithParam<float>
{
protected:
    CLayerGlitchTest() : m_h(GetParam(), kModuleGlitch)
    {
        m_h.SetUnscaled(kGlitchBuffer, 14.0f); // "1/1": scale range 0..9
    }

    CLayerGlitch& Glitch() { return *static_cast<CLayerGlitch*>(m_h.Module()); }
    // A whole note at 120 BPM: 4 beats of 0.5 s.
    size_t Loop() const { return static_cast<size_t>(2.0 * GetParam()); }
    // q = 2 trunc(2^(r - 1)), 1 when that is 0, for the scale value the effect holds.
    size_t Divisor()
    {
        const double r = m_h.Effect()->GetParameterUnscaled(kGlitchScale, false, false, 0);
        const double repeats = std::floor(std::exp2(r - 1.0));
        return repeats == 0.0 ? 1 : static_cast<size_t>(2.0 * repeats);
    }
    void Configure(float scale, bool freeze, bool reverse)
    {
        m_h.SetUnscaled(kGlitchScale, scale);
        m_h.Set(kGlitchMode, freeze ? 1.0f : 0.0f);
        m_h.Set(kGlitchReverse, reverse ? 1.0f : 0.0f);
    }
    // Lets smoothing and ramps settle, then starts the transport (which resets).
    void Start()
    {
        m_h.Settle(0.5f);
        m_h.Effect()->OnTransportStart();
    }
    // Runs samples from..to-1 of both channels in 16-sample pieces.
    void RunRange(Signal& l, Signal& r, size_t from, size_t to)
    {
        Signal pieceL(l.begin() + from, l.begin() + to), pieceR(r.begin() + from, r.begin() + to);
        m_h.Run(pieceL, pieceR);
        std::copy(pieceL.begin(), pieceL.end(), l.begin() + from);
        std::copy(pieceR.begin(), pieceR.end(), r.begin() + from);
    }
    static size_t BlockStart(size_t n) { return n / 16 * 16; }

    CLayerModuleHarness m_h;
};
} // namespace

TEST_P(CLayerGlitchTest, InactiveSettingsPassTheSignalUnchanged)
{
    // Scale 0 ("off"), stretch 1 ("off"), reverse off: nothing to repeat, in either mode.
    const size_t loop = Loop();
    for (bool freeze : {true, false})
    {
        Configure(0.0f, freeze, false);
        Start();
        Signal l = Noise(2 * loop + 1000, 1), r = Noise(l.size(), 2);
        const Signal inL = l, inR = r;
        m_h.Run(l, r);
        EXPECT_EQ(l, inL) << freeze;
        EXPECT_EQ(r, inR) << freeze;
    }
    // With the transport stopped the stretcher rests: stretch 1/1.75 only makes the
    // repeat replay the whole loop, at the very position just recorded.
    m_h.Effect()->OnTransportStop();
    m_h.Set(kGlitchStretch, 0.5f);
    m_h.Settle(0.5f);
    Signal l = Noise(2 * loop + 1000, 3), r = Noise(l.size(), 4);
    const Signal inL = l, inR = r;
    m_h.Run(l, r);
    EXPECT_EQ(l, inL);
    EXPECT_EQ(r, inR);
}

// A whole-note loop recorded well past a 1/32 note, then the buffer set to 1/32: the write
// position lies beyond the new loop, and the block still comes out as it went in.
TEST_P(CLayerGlitchTest, ShrinkingTheLoopWhileOnlyRecordingPassesTheInput)
{
    Configure(0.0f, false, false);
    Start();
    Signal l = Noise(Loop(), 11), r = Noise(l.size(), 12);
    const Signal inL = l, inR = r;
    RunRange(l, r, 0, l.size() / 2);
    m_h.SetUnscaled(kGlitchBuffer, 0.0f); // "1/32"
    RunRange(l, r, l.size() / 2, l.size());
    EXPECT_EQ(l, inL);
    EXPECT_EQ(r, inR);
}

TEST_P(CLayerGlitchTest, FrozenSliceRepeatsAtTheSetLengthAndScaleForwardsOrBackwards)
{
    const size_t loop = Loop();
    for (bool reverse : {false, true})
    {
        for (float scale : {1.0f, 2.5f, 3.0f}) // q = 2, 4 (2^1.5 = 2.83), 8
        {
            Configure(scale, true, reverse);
            Start();
            const size_t q = Divisor();
            ASSERT_EQ(q, scale == 1.0f ? 2u : (scale == 2.5f ? 4u : 8u));
            const size_t slice = loop / q;
            // One loop of the ramp, then silence: a frozen slice must not take it in.
            const Signal x = Ramp(loop);
            Signal l(loop + 3 * slice + 100, 0.0f);
            std::copy(x.begin(), x.end(), l.begin());
            Signal r = Negated(l);
            m_h.Run(l, r);
            EXPECT_EQ(Glitch().GetBufferSize(), static_cast<int>(loop));
            // The slice plays from the sample that completes the loop on.
            for (size_t n = 0; n < l.size(); ++n)
            {
                const size_t p = reverse ? slice - 1 - n % slice : n % slice;
                const float expected = n + 1 < loop ? x[n] : x[p];
                ASSERT_EQ(l[n], expected) << "scale " << scale << " " << reverse << " @" << n;
                ASSERT_EQ(r[n], -expected) << "scale " << scale << " " << reverse << " @" << n;
            }
        }
    }
}

TEST_P(CLayerGlitchTest, RunModeFollowsEachLoopAndModeAndReverseLatchAtSliceBoundaries)
{
    // Run mode records on: in loop k the first slice is heard live and then repeated.
    Configure(3.0f, false, false); // run mode, forwards
    Start();
    const size_t loop = Loop(), slice = loop / Divisor();
    const size_t switchOn = BlockStart(loop + 3 * slice + slice / 2);     // freeze + reverse on
    const size_t boundary = loop + 4 * slice;                             // ... take effect here
    const size_t reverseOff = BlockStart(2 * loop + slice / 2);           // acts at once
    const size_t runAgain = BlockStart(2 * loop + 2 * slice + slice / 2); // freeze off: at once
    const size_t total = 3 * loop + 2 * slice;
    // The ramp, silence from switchOn (no slice position is recorded then), the ramp again
    // from runAgain.
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

    for (size_t n = 0; n < total; ++n)
    {
        float expected = 0.0f;
        if (n + 1 < loop)
            expected = x[n];
        else if (n < boundary) // still running forwards over the current first slice
            expected = x[n / loop * loop + n % slice];
        else if (n < reverseOff) // frozen, reversed
            expected = x[loop + slice - 1 - n % slice];
        else if (n < 3 * loop) // frozen, forwards; recording resumed away from the slice
            expected = x[loop + n % slice];
        else // loop 3: live again
            expected = x[3 * loop + n % slice];
        ASSERT_EQ(l[n], expected) << n;
        ASSERT_EQ(r[n], -expected) << n;
    }
}

TEST_P(CLayerGlitchTest, MixTurnsTheRepeatOnAtTheNextSliceBoundary)
{
    // Mix 0 latched: the repeat is inactive and the block passes exactly. Raised mid-slice,
    // the blend may start gliding at once, but nothing is repeated before the boundary.
    Configure(3.0f, true, false);
    m_h.Set(kGlitchMix, 0.0f);
    Start();
    const size_t loop = Loop(), slice = loop / Divisor();
    const size_t raise = BlockStart(loop + 2 * slice + slice / 2);
    const size_t boundary = loop + 3 * slice;
    Signal l = Ramp(boundary + 16), r = Negated(l);
    const Signal x = l;
    RunRange(l, r, 0, raise);
    m_h.Set(kGlitchMix, 1.0f);
    RunRange(l, r, raise, l.size());
    for (size_t n = 0; n < boundary; ++n)
        ASSERT_EQ(l[n], x[n]) << n;
    EXPECT_NE(l[boundary], x[boundary]);
}

TEST_P(CLayerGlitchTest, OffKeepsRecordingAndPassesTheBlock)
{
    Configure(3.0f, true, false);
    m_h.Set(kGlitchOn, 0.0f);
    Start();
    const size_t loop = Loop(), slice = loop / Divisor();
    const size_t switchOn = BlockStart(loop + 3 * slice + slice / 2);
    const size_t total = switchOn + 2 * loop;
    const Signal x = Ramp(total);
    Signal l = x;
    std::fill(l.begin() + static_cast<long>(switchOn), l.end(), 0.0f);
    Signal r = Negated(l);
    RunRange(l, r, 0, switchOn);
    for (size_t n = 0; n < switchOn; ++n)
    {
        ASSERT_EQ(l[n], x[n]) << n;
        ASSERT_EQ(r[n], -x[n]) << n;
    }
    // Switched on, the repeat plays loop 1's first slice: it was recorded while off.
    m_h.Set(kGlitchOn, 1.0f);
    RunRange(l, r, switchOn, total);
    for (size_t n = switchOn; n < total; ++n)
    {
        ASSERT_EQ(l[n], x[loop + n % slice]) << n;
        ASSERT_EQ(r[n], -x[loop + n % slice]) << n;
    }
}

TEST_P(CLayerGlitchTest, SmoothFadesBothEndsOfTheSlice)
{
    Configure(3.0f, true, false);
    m_h.Set(kGlitchSmooth, 1.0f);
    Start();
    const size_t loop = Loop(), slice = loop / Divisor();
    const Signal x = Ramp(loop);
    Signal l(loop + 2 * slice, 0.0f);
    std::copy(x.begin(), x.end(), l.begin());
    Signal r = Negated(l);
    m_h.Run(l, r);
    for (size_t n = loop; n < l.size(); ++n)
    {
        // Gain FASTFADEIN(t) FASTFADEIN(1 - t), t = p / (slice - 1): the fade-in table is 0
        // at 0 and exactly 1 from entry 50 of 4096 on.
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
    // A whole note at 20 BPM: 12 s.
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
    // "1/32" at 120 BPM: 1/32 * 2 s; at 1000 BPM (the ceiling, also for faster tempos)
    // 1/32 * 0.24 s.
    m_h.SetUnscaled(kGlitchBuffer, 0.0f);
    m_h.Run(l, r);
    EXPECT_EQ(Glitch().GetBufferSize(), static_cast<int>(2.0 / 32.0 * rate));
    m_h.Effect()->SetHostTempo(1e6f);
    EXPECT_EQ(Glitch().GetBufferSize(), static_cast<int>(0.24 / 32.0 * rate));
}

TEST_P(CLayerGlitchTest, LoopGrownAfterAResetPlaysSilenceWhereNothingWasRecordedSince)
{
    // Loud noise fills the whole 2 s loop; after a reset the loop is 1 s (tempo 240) and
    // records a quiet ramp; then it grows back to 2 s. The reversed repeat reads the second
    // second before anything new is written there: it must hear silence, not the noise.
    const float rate = GetParam();
    Configure(0.0f, false, true); // the reversed whole loop
    Start();
    Signal l = Noise(5 * Loop() / 4, 11), r = Noise(l.size(), 12);
    m_h.Run(l, r);
    m_h.Effect()->SetHostTempo(240.0f);
    m_h.Effect()->OnTransportStart();
    const Signal ramp = Ramp(static_cast<size_t>(3.25f * rate));
    const size_t grow = static_cast<size_t>(1.25f * rate);
    l.assign(ramp.begin(), ramp.begin() + static_cast<long>(grow));
    r = Negated(l);
    m_h.Run(l, r);
    m_h.Effect()->SetHostTempo(120.0f);
    Signal l2(ramp.begin() + static_cast<long>(grow), ramp.end());
    Signal r2 = Negated(l2);
    m_h.Run(l2, r2);
    const float loudest = ramp.back();
    size_t silent = 0;
    for (size_t n = 0; n < l2.size(); ++n)
    {
        ASSERT_LE(std::fabs(l2[n]), loudest) << n;
        ASSERT_LE(std::fabs(r2[n]), loudest) << n;
        silent += l2[n] == 0.0f;
    }
    EXPECT_GT(silent, 0u);
}

INSTANTIATE_TEST_SUITE_P(Rates, CLayerGlitchTest, ::testing::Values(44100.0f, 48000.0f, 96000.0f));
