// CLayerTremolo on the master and both layers, driven like the engine (host blocks of 256,
// sub-blocks of 16 with the matrix's Generate).
#include "Processing/LayerTremolo.h"
#include "Processing/ModulationMatrix.h"
#include "support/EffectFixture.h"
#include "support/ProcessingHarness.h"
#include "support/Signals.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>

using namespace MorvexParam;
using TestSignals::Signal;

namespace
{
enum : int
{
    kMaster,
    kLayerA,
    kLayerB,
};

class CLayerTremoloTest : public ::testing::TestWithParam<float>
{
protected:
    CLayerTremoloTest()
    {
        Effect()->SetSampleRate(Rate());
        Effect()->SetBlockSize(256);
        Effect()->SetHostTempo(120.0f);
        for (int i = kMaster; i <= kLayerB; ++i)
        {
            m_tremolos[i] = std::make_unique<CLayerTremolo>(Effect(), i == kLayerB, i == kMaster);
            m_tremolos[i]->SetSampleRate(Rate());
            m_tremolos[i]->SetBlockSize(256);
            m_tremolos[i]->SetHostTempo(120.0f);
            m_tremolos[i]->Reset();
        }
        for (int i = 0; i < kNumModulators; ++i)
            Set(kModSmooth + i, 0.0f);
    }
    CMorvex* Effect() { return m_instance.Effect(); }
    float Rate() const { return GetParam(); }
    void Set(int id, float unscaled)
    {
        Effect()->SetParameterUnscaled(id, unscaled);
        for (int i = 0; i < 2000; ++i)
            Effect()->GetParameterScaled(id, true, false, 0);
    }
    void SetSteps(int mod, const std::function<float(int)>& level)
    {
        ProcessingHarness::SetSteps(Effect(), mod, level);
        Set(kModGate + mod, 100.0f);
    }
    void Render(int instance, Signal& left, Signal& right)
    {
        int done = 0;
        ProcessingHarness::InPieces(left, right, [&](float* l, float* r, int count) {
            if (done % 256 == 0)
                Effect()->PreProcess(std::min(256, static_cast<int>(left.size()) - done));
            Effect()->GetModulationMatrix()->Generate(count);
            m_tremolos[instance]->Process(l, r, count);
            done += count;
        });
    }
    CEffectInstance m_instance;
    std::unique_ptr<CLayerTremolo> m_tremolos[3];
};
} // namespace

TEST_P(CLayerTremoloTest, StepPatternGatesASustainedToneAtTheStepRate)
{
    // Steps 1, 0, ... of 0.125 s, tremolo 100 %: the tone times the 3 dB make-up, or silence.
    SetSteps(0, [](int k) { return k % 2 == 0 ? 1.0f : 0.0f; });
    Set(kModTremolo, 100.0f);
    Set(kModTremoloDst, 0.0f);
    const size_t total = static_cast<size_t>(Rate()); // eight steps
    const Signal inLeft = TestSignals::Sine(220.0, Rate(), total, 0.5);
    const Signal inRight = TestSignals::Sine(330.0, Rate(), total, 0.5, 1.0);
    Signal left = inLeft, right = inRight;
    Render(kMaster, left, right);
    const double makeup = std::pow(10.0, 3.0 / 20.0);
    const double samplesPerStep = 0.125 * Rate();
    for (size_t n = 16; n < total; ++n) // the first sub-block ramps the depth up from 0
    {
        const double steps = static_cast<double>(n) / samplesPerStep;
        if (std::fabs(steps - std::round(steps)) * samplesPerStep < 1.5)
            continue;
        const double gain = static_cast<int>(steps) % 2 == 0 ? makeup : 0.0;
        ASSERT_NEAR(left[n], inLeft[n] * gain, 2e-6) << n;
        ASSERT_NEAR(right[n], inRight[n] * gain, 2e-6) << n;
    }
}

TEST_P(CLayerTremoloTest, PanFlipChangesSideEveryHalfCycle)
{
    // Flip 100 %: a unit input sits left in the first half of each cycle, right in the second.
    struct CASE
    {
        const char* name;
        int mod, instance;
        bool sync;
        float speed;
        double cycleSeconds;
    };
    const CASE cases[] = {{"1/4 at 120 BPM on the master", 0, kMaster, true, 8.0f, 1.0},
                          {"200 ms on layer A", 2, kLayerA, false, 200.0f, 0.2}};
    for (const CASE& c : cases)
    {
        SCOPED_TRACE(c.name);
        m_instance.Set(kModSync + c.mod, c.sync ? 1.0f : 0.0f);
        Set(kModSpeed + c.mod, c.speed);
        Set(kModPanFlip + c.mod, 100.0f);
        Set(kModTremoloDst + c.mod, static_cast<float>(c.instance));
        const size_t total = static_cast<size_t>(2.6 * c.cycleSeconds * Rate());
        Signal left(total, 1.0f), right(total, 1.0f);
        Render(c.instance, left, right);
        for (double cycles : {0.25, 0.75, 1.25, 1.75, 2.25})
        {
            const size_t i = static_cast<size_t>(cycles * c.cycleSeconds * Rate());
            const bool leftSide = cycles - std::floor(cycles) < 0.5;
            EXPECT_NEAR(left[i], leftSide ? 1.0f : 0.0f, 1e-3f) << cycles;
            EXPECT_NEAR(right[i], leftSide ? 0.0f : 1.0f, 1e-3f) << cycles;
        }
    }
}

TEST_P(CLayerTremoloTest, FlipTurnedOffGlidesWithinASubBlockThenLeavesTheSignalAlone)
{
    // Turned off, the flip glides back within one sub-block and then passes the input.
    m_instance.Set(kModSync, 1.0f);
    Set(kModSpeed, 8.0f); // 1/4 at 120 BPM: one cycle per second
    Set(kModTremoloDst, 0.0f);
    Set(kModPanFlip, 100.0f);
    Signal left(static_cast<size_t>(0.1 * Rate()), 1.0f), right = left;
    Render(kMaster, left, right);
    ASSERT_NEAR(left.back(), 1.0f, 1e-3f);
    ASSERT_NEAR(right.back(), 0.0f, 1e-3f);
    Set(kModPanFlip, 0.0f);
    Signal afterLeft(4096, 1.0f), afterRight = afterLeft;
    Render(kMaster, afterLeft, afterRight);
    for (size_t n = 1; n < 16; ++n)
    {
        EXPECT_LE(afterRight[n - 1], afterRight[n]) << n;
        EXPECT_LE(afterRight[n] - afterRight[n - 1], 0.25f) << n;
    }
    for (size_t n = 32; n < afterLeft.size(); ++n)
    {
        ASSERT_EQ(afterLeft[n], 1.0f) << n;
        ASSERT_EQ(afterRight[n], 1.0f) << n;
    }
}

TEST_P(CLayerTremoloTest, OnlyTheChosenDestinationAppliesTheModulator)
{
    // Every modulator aimed somewhere at depth 0 changes nothing; then modulator 5 at depth.
    for (int i = 0; i < kNumModulators; ++i)
    {
        SetSteps(i, [i](int k) { return static_cast<float>((k + i) % 3) * 0.5f; });
        Set(kModTremoloDst + i, static_cast<float>(i % 3));
    }
    const Signal tone =
        TestSignals::Sine(440.0, Rate(), static_cast<size_t>(0.4 * Rate()), 0.5, 0.3);
    for (int dst = -1; dst < 3; ++dst)
    {
        if (dst >= 0)
        {
            Set(kModTremolo + 4, 100.0f);
            Set(kModPanFlip + 4, 60.0f);
            Set(kModTremoloDst + 4, static_cast<float>(dst));
        }
        for (int instance : {kMaster, kLayerA, kLayerB})
        {
            SCOPED_TRACE(::testing::Message() << "dst " << dst << " instance " << instance);
            Signal left = tone, right = tone;
            Render(instance, left, right);
            EXPECT_EQ(left == tone && right == tone, instance != dst);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Rates, CLayerTremoloTest, ::testing::Values(44100.0f, 48000.0f, 96000.0f));
