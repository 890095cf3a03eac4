// The rules every layer module and the reverb keep, whatever they do to the sound: off and
// mix 0 pass the input; resting at mix 0 wakes up silent; split blocks and Reset reproduce the
// output; non-finite input does not latch. What each does to the sound is tested beside it.
#include "Processing/LayerFilter.h"
#include "Processing/Reverb/Reverb.h"
#include "support/EffectFixture.h"
#include "support/ProcessingHarness.h"
#include "support/Signals.h"
#include "support/Spectrum.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <utility>
#include <vector>

using namespace MorvexParam;
using TestSignals::Signal;

namespace
{
constexpr float kRate = 48000.0f;
constexpr int kReverb = -1; // module code of the reverb row

struct MODULE_CASE
{
    const char* name;
    int module;  // MODULE_CODE, or kReverb
    int onId;    // layer-A ids
    int mixId;
    bool rests;      // rests at mix 0 and wakes up silent
    bool offFreezes; // a block with the module off leaves its state as it was
    bool anyCalls;   // calls of any length give the same output, not just 16-sample ones
    std::vector<std::pair<int, float>> settings; // in the parameters' units
};

// A module of a fresh effect instance, set and run as the engine does.
class CSubject
{
public:
    explicit CSubject(const MODULE_CASE& c)
    {
        if (c.module == kReverb)
            m_reverb = std::make_unique<CEffectModule<CReverb>>(kRate);
        else
            m_layer = std::make_unique<CLayerModuleHarness>(kRate, c.module);
        for (const auto& setting : c.settings)
            Set(setting.first, setting.second);
    }
    void Set(int id, float unscaled)
    {
        m_reverb ? m_reverb->Set(id, unscaled) : m_layer->SetUnscaled(id, unscaled);
    }
    void Reset() { m_reverb ? m_reverb->Module().Reset() : m_layer->Module()->Reset(); }
    void Run(Signal& l, Signal& r, int piece = 16)
    {
        m_reverb ? m_reverb->Run(l, r, piece) : m_layer->Run(l, r, piece);
    }
    void Settle() { m_reverb ? m_reverb->Settle() : m_layer->Settle(); }

private:
    std::unique_ptr<CLayerModuleHarness> m_layer;
    std::unique_ptr<CEffectModule<CReverb>> m_reverb;
};

void PrintTo(const MODULE_CASE& c, std::ostream* os)
{
    *os << c.name;
}

class CModuleContractTest : public ::testing::TestWithParam<MODULE_CASE>
{
};
} // namespace

TEST_P(CModuleContractTest, OffPassesTheBlock)
{
    const MODULE_CASE& c = GetParam();
    CSubject paused(c), straight(c);
    for (CSubject* s : {&paused, &straight})
    {
        s->Settle();
        Signal l = TestSignals::Noise(4800, 1, 0.5f), r = TestSignals::Noise(4800, 2, 0.5f);
        s->Run(l, r);
    }
    paused.Set(c.onId, 0.0f);
    const Signal inL = TestSignals::Noise(2400, 3), inR = TestSignals::Noise(2400, 4);
    Signal l = inL, r = inR;
    paused.Run(l, r);
    EXPECT_EQ(l, inL);
    EXPECT_EQ(r, inR);
    if (!c.offFreezes)
        return;
    // Switched on again it carries on as if the block had never been there.
    paused.Set(c.onId, 1.0f);
    Signal a = TestSignals::Noise(4800, 5, 0.5f), b = a, ar = a, br = a;
    paused.Run(a, ar);
    straight.Run(b, br);
    EXPECT_EQ(a, b);
    EXPECT_EQ(ar, br);
}

TEST_P(CModuleContractTest, MixZeroPassesTheInputExactly)
{
    const MODULE_CASE& c = GetParam();
    CSubject s(c);
    s.Set(c.mixId, 0.0f);
    s.Settle();
    const Signal inL = TestSignals::Noise(4800, 7, 0.9f), inR = TestSignals::Noise(4800, 8, 0.9f);
    Signal l = inL, r = inR;
    s.Run(l, r);
    EXPECT_EQ(l, inL);
    EXPECT_EQ(r, inR);
}

TEST_P(CModuleContractTest, RestsAtMixZeroAndWakesUpSilent)
{
    const MODULE_CASE& c = GetParam();
    if (!c.rests)
        GTEST_SKIP() << c.name << " keeps running at mix 0";
    CSubject s(c);
    s.Set(c.mixId, 100.0f);
    s.Settle();
    // Loud and wet first, so that lines and filters hold sound; then the mix falls to 0
    // while the audio goes on.
    Signal wl = TestSignals::Noise(14400, 1), wr = TestSignals::Noise(14400, 2);
    s.Run(wl, wr);
    s.Set(c.mixId, 0.0f);
    Signal fl = TestSignals::Noise(36000, 7), fr = TestSignals::Noise(36000, 8);
    s.Run(fl, fr);
    // Resting: exactly the input, also for loud input.
    const Signal inL = TestSignals::Noise(24000, 3), inR = TestSignals::Noise(24000, 4);
    Signal l = inL, r = inR;
    s.Run(l, r);
    EXPECT_EQ(l, inL);
    EXPECT_EQ(r, inR);
    // Awake on silence: nothing of what came before the rest comes back.
    s.Set(c.mixId, 100.0f);
    Signal sl(24000, 0.0f), sr(24000, 0.0f);
    s.Run(sl, sr);
    EXPECT_EQ(TestSpectrum::Peak(sl) + TestSpectrum::Peak(sr), 0.0f);
    // And it works again: the same input now comes out changed.
    Signal al = TestSignals::Noise(4800, 5), ar = TestSignals::Noise(4800, 6);
    const Signal beforeL = al;
    s.Run(al, ar);
    EXPECT_NE(al, beforeL);
}

TEST_P(CModuleContractTest, SplitBlocksAndResetGiveTheSameOutput)
{
    const MODULE_CASE& c = GetParam();
    CSubject s(c);
    s.Settle();
    const Signal inL = TestSignals::Noise(1024, 9, 0.5f), inR = TestSignals::Noise(1024, 10, 0.5f);
    Signal wholeL = inL, wholeR = inR;
    s.Run(wholeL, wholeR);
    for (int piece : {16, 13, 7, 1, 512})
    {
        if (piece != 16 && !c.anyCalls)
            continue;
        s.Reset();
        Signal l = inL, r = inR;
        s.Run(l, r, piece);
        EXPECT_EQ(l, wholeL) << "calls of " << piece;
        EXPECT_EQ(r, wholeR) << "calls of " << piece;
    }
}

TEST_P(CModuleContractTest, NonFiniteInputDoesNotLatch)
{
    const MODULE_CASE& c = GetParam();
    CSubject s(c);
    s.Settle();
    const size_t length = static_cast<size_t>(0.3f * kRate);
    Signal l = TestSignals::Sine(500.0, kRate, length, 0.5), r = l;
    const size_t bad[] = {1000, 1009, 1018};
    const float values[] = {NAN, INFINITY, -INFINITY};
    for (int i = 0; i < 3; ++i)
    {
        l[bad[i]] = values[i];
        r[bad[i] + 3] = values[i];
    }
    s.Run(l, r);
    for (size_t n = 0; n < length; ++n)
    {
        // The samples that were not finite may pass through the dry side of the mix.
        if (n == bad[0] || n == bad[1] || n == bad[2])
            continue;
        ASSERT_LT(std::fabs(l[n]), 16.0f) << n; // false for NaN and infinity too
        if (n != bad[0] + 3 && n != bad[1] + 3 && n != bad[2] + 3)
        {
            ASSERT_LT(std::fabs(r[n]), 16.0f) << n;
        }
    }
    // Still sounding in the last 100 ms.
    EXPECT_GT(TestSpectrum::Rms(l, length - 4800, length), 0.01);
}

INSTANTIATE_TEST_SUITE_P(
    Modules, CModuleContractTest,
    ::testing::Values(
        MODULE_CASE{"FilterLadder", kModuleFilter, kFilterOn, kFilterMix, false, true, true,
                    {{kFilterMix, 100.0f}, {kFilterMode, 3.0f}, {kFilterCutoff, 90.0f}, {kFilterRes, 7.0f}}},
        MODULE_CASE{"FilterPhaser", kModuleFilter, kFilterOn, kFilterMix, false, true, true,
                    {{kFilterMix, 100.0f}, {kFilterMode, CLayerFilter::kPhaser8}, {kFilterCutoff, 60.0f},
                     {kFilterRes, 9.0f}}},
        MODULE_CASE{"FilterShifter", kModuleFilter, kFilterOn, kFilterMix, false, true, true,
                    {{kFilterMix, 100.0f}, {kFilterMode, CLayerFilter::kPitchShift}, {kFilterCutoff, 70.0f}}},
        MODULE_CASE{"Distortion", kModuleDist, kDistOn, kDistMix, true, true, true,
                    {{kDistMix, 100.0f}, {kDistMode, 0.0f}, {kDistDrive, 12.0f}, {kDistFuzz, 50.0f},
                     {kDistColor, 50.0f}, {kDistMono, 50.0f}}},
        MODULE_CASE{"LoFi", kModuleLoFi, kLoFiOn, kLoFiMix, true, true, true,
                    {{kLoFiBitDepth, 50.0f}, {kLoFiSampleRate, 50.0f}, {kLoFiNoise, 20.0f},
                     {kLoFiTone, 60.0f}}},
        MODULE_CASE{"Flanger", kModuleFlanger, kFlangerOn, kFlangerMix, true, true, true,
                    {{kFlangerMix, 70.0f}, {kFlangerFeedback, 80.0f}, {kFlangerDepth, 80.0f}}},
        // The phaser sets its all-passes and shelf from the sweep once per call, however
        // long: its output follows the lengths of the calls.
        MODULE_CASE{"Phaser", kModuleFlanger, kFlangerOn, kFlangerMix, true, true, false,
                    {{kFlangerMix, 70.0f}, {kFlangerMode, 1.0f}, {kFlangerFeedback, 80.0f}}},
        MODULE_CASE{"Delay", kModuleDelay, kDelayOn, kDelayMix, true, true, true,
                    {{kDelayMix, 50.0f}, {kDelayFeedback, 70.0f}, {kDelayPingPong, 1.0f}}},
        MODULE_CASE{"Glitch", kModuleGlitch, kGlitchOn, kGlitchMix, false, false, true,
                    {{kGlitchScale, 3.0f}, {kGlitchBuffer, 4.0f}, {kGlitchStretch, 0.5f}}},
        MODULE_CASE{"Reverb", kReverb, kReverbOn, kReverbMix, true, true, true,
                    {{kReverbMix, 60.0f}, {kReverbSize, 80.0f}, {kReverbDecay, 90.0f}}}),
    [](const ::testing::TestParamInfo<MODULE_CASE>& test) { return std::string(test.param.name); });
