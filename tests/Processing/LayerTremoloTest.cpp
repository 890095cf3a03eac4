#include "Processing/LayerTremolo.h"

#include "support/TempDataFolder.h"

#include "Common/wrappers/VSTwrapper/VstWrapper.h"
#include "Morvex.h"
#include "Processing/ModulationMatrix.h"

#include "support/Signals.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

using namespace MorvexParam;

namespace
{
constexpr double kPi = 3.14159265358979323846;

// Three tremolo instances (master, layer A, layer B) reading the real effect's parameters
// and modulation buffers, driven like the engine: PreProcess per host block, then per
// 16-sample sub-block the matrix's Generate and the instance's Process.
class CLayerTremoloTest : public ::testing::TestWithParam<float>
{
protected:
    enum : int
    {
        kMaster = 0,
        kLayerA = 1,
        kLayerB = 2,
    };

    void SetUp() override
    {
        m_rate = GetParam();
        m_wrapper = static_cast<CVstWrapper*>(createEffectInstance(nullptr));
        m_effect = static_cast<CMorvex*>(m_wrapper->GetBaseEffect());
        m_effect->SetSampleRate(m_rate);
        m_effect->SetBlockSize(256);
        m_effect->SetHostTempo(120.0f);
        m_tremolos[kMaster] = std::make_unique<CLayerTremolo>(m_effect, 0, true);
        m_tremolos[kLayerA] = std::make_unique<CLayerTremolo>(m_effect, 0, false);
        m_tremolos[kLayerB] = std::make_unique<CLayerTremolo>(m_effect, 1, false);
        for (auto& tremolo : m_tremolos)
        {
            tremolo->SetSampleRate(m_rate);
            tremolo->SetBlockSize(256);
            tremolo->SetHostTempo(120.0f);
            tremolo->Reset();
        }
        for (int i = 0; i < 8; ++i)
            SetUnscaled(kModSmooth + i, 0.0f);
    }
    void TearDown() override { delete m_wrapper; }

    void SetUnscaled(int id, float value) { m_effect->SetParameterUnscaled(id, value); }
    void SettleSmoothing(std::initializer_list<int> ids)
    {
        for (int id : ids)
        {
            for (int i = 0; i < 2000; ++i)
                m_effect->GetParameterScaled(id, true, false, 0);
        }
    }
    // Steps of modulator `mod`: one unit each, level(k), full gate.
    void SetSteps(int mod, const std::function<float(int)>& level)
    {
        float steps[64];
        for (int k = 0; k < 32; ++k)
        {
            steps[2 * k] = static_cast<float>(k + 1);
            steps[2 * k + 1] = level(k);
        }
        m_effect->SetRawParameterBlock(kRawBlockSteps + mod, steps);
        SetUnscaled(kModGate + mod, 100.0f);
        SettleSmoothing({kModGate + mod});
    }
    // Runs `instance` over the stereo signal in place, in host blocks of 256.
    void Render(int instance, std::vector<float>& left, std::vector<float>& right)
    {
        const int total = static_cast<int>(left.size());
        for (int block = 0; block < total; block += 256)
        {
            const int blockEnd = block + 256 < total ? block + 256 : total;
            m_effect->PreProcess(blockEnd - block);
            for (int start = block; start < blockEnd; start += 16)
            {
                const int count = blockEnd - start < 16 ? blockEnd - start : 16;
                m_effect->GetModulationMatrix()->Generate(count);
                m_tremolos[instance]->Process(left.data() + start, right.data() + start, count);
            }
        }
    }
    std::vector<float> Tone(int total, float amplitude, double hz, double phase) const
    {
        std::vector<float> tone(static_cast<size_t>(total));
        for (int n = 0; n < total; ++n)
            tone[static_cast<size_t>(n)] = static_cast<float>(
                amplitude * std::sin(2.0 * kPi * hz * n / static_cast<double>(m_rate) + phase));
        return tone;
    }

    CTempDataFolder m_data;
    float m_rate = 48000.0f;
    CVstWrapper* m_wrapper = nullptr;
    CMorvex* m_effect = nullptr;
    std::unique_ptr<CLayerTremolo> m_tremolos[3];
};
} // namespace

TEST_P(CLayerTremoloTest, StepPatternGatesASustainedToneAtTheStepRate)
{
    // Mod 1 steps 1, 0, 1, 0, ... at "1/16" and 120 BPM (0.125 s per step), tremolo 100 %
    // on the master: the tone passes at full level times the 3 dB make-up in the even
    // steps and is silent in the odd ones.
    SetSteps(0, [](int k) { return k % 2 == 0 ? 1.0f : 0.0f; });
    SetUnscaled(kModTremolo, 100.0f);
    SetUnscaled(kModTremoloDst, 0.0f);
    SettleSmoothing({kModTremolo});
    const int total = static_cast<int>(m_rate); // one second, eight steps
    const std::vector<float> inLeft = Tone(total, 0.5f, 220.0, 0.0);
    const std::vector<float> inRight = Tone(total, 0.5f, 330.0, 1.0);
    std::vector<float> left = inLeft, right = inRight;
    Render(kMaster, left, right);

    const double makeup = std::pow(10.0, 3.0 / 20.0); // 1 + (10^(3/20) - 1) x EXP(1) = 1
    const double samplesPerStep = 0.125 * m_rate;
    for (int n = 16; n < total; ++n) // the first block ramps the depth up from 0
    {
        const double steps = n / samplesPerStep;
        if (std::fabs(steps - std::round(steps)) * samplesPerStep < 1.5)
            continue;
        const double gate = static_cast<int>(steps) % 2 == 0 ? 1.0 : 0.0;
        const size_t i = static_cast<size_t>(n);
        ASSERT_NEAR(left[i], inLeft[i] * gate * makeup, 2e-6) << n;
        ASSERT_NEAR(right[i], inRight[i] * gate * makeup, 2e-6) << n;
    }
}

TEST_P(CLayerTremoloTest, SyncedPanFlipChangesSideOncePerNoteLength)
{
    // Pan flip 100 % at "1/4" and 120 BPM: the sound changes side every 0.5 s; the gains
    // follow with the 3 ms one-pole of smooth 0.
    SetUnscaled(kModPanFlip, 100.0f);
    SetUnscaled(kModSpeed, 8.0f); // "1/4"
    SetUnscaled(kModTremoloDst, 0.0f);
    SettleSmoothing({kModPanFlip});
    const int total = static_cast<int>(1.6 * m_rate);
    std::vector<float> left(static_cast<size_t>(total), 1.0f);
    std::vector<float> right(static_cast<size_t>(total), 1.0f);
    Render(kMaster, left, right);

    // Reference: phase[n] = (n + 1) x 0.5 / (rate x 0.5 s), left when phase <= 0.5; gains
    // g += (target - g) c from 0, c = 1 - exp(-1 / (rate x 0.003)); the amount ramps from
    // 0 to 1 over the first block of 16 samples; out = amount x g + 1 - amount.
    const double increment = 0.5 / (m_rate * 0.5);
    const double c = 1.0 - std::exp(-1.0 / (m_rate * 0.003));
    double gainLeft = 0.0, gainRight = 0.0;
    double previousTarget = 1.0;
    int lastFlip = -1000000;
    for (int n = 0; n < total; ++n)
    {
        const double cycles = (n + 1) * increment;
        const double phase = cycles - std::floor(cycles);
        const double target = phase > 0.5 ? 0.0 : 1.0;
        if (target != previousTarget)
            lastFlip = n;
        previousTarget = target;
        gainLeft += (target - gainLeft) * c;
        gainRight += ((1.0 - target) - gainRight) * c;
        const double amount = n < 16 ? (n + 1) / 16.0 : 1.0;
        // A flip one sample off (float phase) leaves a difference of at most c, decaying.
        const int since = n - lastFlip;
        const double tolerance = 2e-5 + (since <= 2 ? 1.0 : c * std::pow(1.0 - c, since - 2));
        const size_t i = static_cast<size_t>(n);
        ASSERT_NEAR(left[i], amount * gainLeft + 1.0 - amount, tolerance) << n;
        ASSERT_NEAR(right[i], amount * gainRight + 1.0 - amount, tolerance) << n;
    }
    // Left only, then right only, then left again, at the middle of each half second.
    for (double t : {0.25, 0.75, 1.25})
    {
        const size_t i = static_cast<size_t>(t * m_rate);
        const bool leftSide = t < 0.5 || t > 1.0;
        EXPECT_NEAR(left[i], leftSide ? 1.0f : 0.0f, 1e-4f) << t;
        EXPECT_NEAR(right[i], leftSide ? 0.0f : 1.0f, 1e-4f) << t;
    }
}

TEST_P(CLayerTremoloTest, FreePanFlipRunsOneCyclePerSpeedInMilliseconds)
{
    m_wrapper->setParameter(kModSync + 2, 0.0f); // Mod 3 speed becomes milliseconds
    SetUnscaled(kModSpeed + 2, 200.0f);          // one left-right cycle per 200 ms
    SetUnscaled(kModPanFlip + 2, 100.0f);
    SetUnscaled(kModTremoloDst + 2, 1.0f); // layer A
    SettleSmoothing({kModPanFlip + 2});
    const int total = static_cast<int>(0.5 * m_rate);
    std::vector<float> left(static_cast<size_t>(total), 1.0f);
    std::vector<float> right(static_cast<size_t>(total), 1.0f);
    Render(kLayerA, left, right);
    // Left in 0..100 ms, right in 100..200 ms, and so on; looked at mid-way.
    for (double t : {0.05, 0.15, 0.25, 0.35, 0.45})
    {
        const size_t i = static_cast<size_t>(t * m_rate);
        const bool leftSide = static_cast<int>(t / 0.1) % 2 == 0;
        EXPECT_NEAR(left[i], leftSide ? 1.0f : 0.0f, 1e-3f) << t;
        EXPECT_NEAR(right[i], leftSide ? 0.0f : 1.0f, 1e-3f) << t;
    }
}

TEST_P(CLayerTremoloTest, ZeroDepthAndZeroFlipLeaveTheAudioUntouched)
{
    // Every modulator running a pattern and aimed somewhere, tremolo and flip at 0.
    for (int i = 0; i < 8; ++i)
    {
        SetSteps(i, [i](int k) { return static_cast<float>((k + i) % 3) * 0.5f; });
        SetUnscaled(kModTremoloDst + i, static_cast<float>(i % 3));
    }
    const int total = static_cast<int>(0.5 * m_rate);
    const std::vector<float> inLeft = TestSignals::Noise(static_cast<size_t>(total), 11);
    const std::vector<float> inRight = TestSignals::Noise(static_cast<size_t>(total), 12);
    for (int instance : {kMaster, kLayerA, kLayerB})
    {
        std::vector<float> left = inLeft, right = inRight;
        Render(instance, left, right);
        EXPECT_EQ(std::memcmp(left.data(), inLeft.data(), sizeof(float) * inLeft.size()), 0)
            << instance;
        EXPECT_EQ(std::memcmp(right.data(), inRight.data(), sizeof(float) * inRight.size()), 0)
            << instance;
    }
}

TEST_P(CLayerTremoloTest, OnlyTheChosenDestinationAppliesTheModulator)
{
    SetSteps(4, [](int k) { return k % 2 == 0 ? 1.0f : 0.0f; });
    SetUnscaled(kModTremolo + 4, 100.0f);
    SetUnscaled(kModPanFlip + 4, 60.0f);
    const int total = static_cast<int>(0.4 * m_rate);
    const std::vector<float> tone = Tone(total, 0.5f, 440.0, 0.3);
    // Destination 0 "Master", 1 "Layer A", 2 "Layer B": only that instance changes the sound.
    for (int dst = 0; dst < 3; ++dst)
    {
        SetUnscaled(kModTremoloDst + 4, static_cast<float>(dst));
        for (int instance : {kMaster, kLayerA, kLayerB})
        {
            SCOPED_TRACE(::testing::Message() << "dst " << dst << " instance " << instance);
            std::vector<float> left = tone, right = tone;
            Render(instance, left, right);
            const bool same =
                std::memcmp(left.data(), tone.data(), sizeof(float) * tone.size()) == 0 &&
                std::memcmp(right.data(), tone.data(), sizeof(float) * tone.size()) == 0;
            EXPECT_EQ(same, instance != dst);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Rates, CLayerTremoloTest, ::testing::Values(44100.0f, 48000.0f, 96000.0f));
