#include "Common/wrappers/VSTwrapper/VstWrapper.h"
#include "Morvex.h"
#include "Processing/LayerDelay.h"
#include "Processing/LayerDist.h"
#include "Processing/LayerFilter.h"
#include "Processing/LayerFlanger.h"
#include "Processing/LayerGlitch.h"
#include "Processing/LayerLoFi.h"
#include "Processing/LayerTremolo.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

using namespace MorvexParam;

namespace
{
struct HOST
{
    VstTimeInfo time{};
    bool giveTime = false;
};
HOST* g_host = nullptr;

VstIntPtr Callback(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float)
{
    if (opcode == audioMasterVersion)
        return 2400;
    if (opcode == audioMasterGetTime && g_host && g_host->giveTime)
        return reinterpret_cast<VstIntPtr>(&g_host->time);
    return 0;
}

// The effect behind its adapter, driven like a host: 48 kHz, 64-sample blocks.
class CMorvexEngineTest : public ::testing::Test
{
protected:
    static constexpr float kRate = 48000.0f;
    static constexpr int kBlock = 64;

    void SetUp() override
    {
        g_host = &m_host;
        m_wrapper = static_cast<CVstWrapper*>(createEffectInstance(Callback));
        m_effect = static_cast<CMorvex*>(m_wrapper->GetBaseEffect());
        m_wrapper->setSampleRate(kRate);
        m_wrapper->setBlockSize(kBlock);
        m_wrapper->resume();
        // A neutral patch: every module at rest. The filter's default low-pass at
        // 20 kHz is audible (and 5 samples late), so it is switched off here.
        Set(kFilterOn, 0.0f);
        Set(kFilterOn + 1, 0.0f);
    }
    void TearDown() override
    {
        delete m_wrapper;
        g_host = nullptr;
    }

    void Set(int id, float scaled) { m_wrapper->setParameter(id, scaled); }
    void SetUnscaled(int id, float value)
    {
        m_wrapper->setParameter(id, m_effect->UnscaledValueToScaled(id, value));
    }

    // Renders `seconds` of a generated stereo signal; returns the last block's output.
    void Render(float seconds, const std::function<float(int, int)>& signal)
    {
        const int total = static_cast<int>(seconds * kRate);
        std::vector<float> in(2 * kBlock), out(2 * kBlock);
        for (int start = 0; start < total; start += kBlock)
        {
            for (int i = 0; i < kBlock; ++i)
            {
                in[static_cast<size_t>(i)] = signal(0, m_position + i);
                in[static_cast<size_t>(kBlock + i)] = signal(1, m_position + i);
            }
            float* inputs[2] = {in.data(), in.data() + kBlock};
            float* outputs[2] = {out.data(), out.data() + kBlock};
            m_wrapper->processReplacing(inputs, outputs, kBlock);
            m_position += kBlock;
            m_lastIn = in;
            m_lastOut = out;
        }
    }
    float OutL(int i) const { return m_lastOut[static_cast<size_t>(i)]; }
    float OutR(int i) const { return m_lastOut[static_cast<size_t>(kBlock + i)]; }
    float InL(int i) const { return m_lastIn[static_cast<size_t>(i)]; }
    float InR(int i) const { return m_lastIn[static_cast<size_t>(kBlock + i)]; }

    static float Sine(int channel, int n)
    {
        return 0.25f * std::sin(0.01f * static_cast<float>(n) + (channel ? 1.0f : 0.0f));
    }

    HOST m_host;
    CVstWrapper* m_wrapper = nullptr;
    CMorvex* m_effect = nullptr;
    int m_position = 0;
    std::vector<float> m_lastIn, m_lastOut;
    double m_serialEcho = 0.0;
    double m_parallelEcho = 0.0;
};
} // namespace

TEST_F(CMorvexEngineTest, NeutralPatchIsTransparentOnceSettled)
{
    // Defaults: layer A on at 0 dB and centre, parallel, volume 0 dB, dry/wet 100 %,
    // pan centre; the factor 2 x 0.5 of the layer mix and the master pan gives unity.
    Render(0.5f, Sine);
    for (int i = 0; i < kBlock; ++i)
    {
        EXPECT_NEAR(OutL(i), InL(i), 1e-6f) << i;
        EXPECT_NEAR(OutR(i), InR(i), 1e-6f) << i;
    }
}

TEST_F(CMorvexEngineTest, PowerOffIsBitExactBypass)
{
    SetUnscaled(kVolume, -12.0f);
    Set(kPower, 0.0f);
    Render(0.1f, Sine);
    EXPECT_EQ(std::memcmp(m_lastIn.data(), m_lastOut.data(), sizeof(float) * 2 * kBlock), 0);
}

TEST_F(CMorvexEngineTest, LayerMixAtMinus60MutesTheLayer)
{
    Set(kLayerAMix, 0.0f); // -60 dB
    Render(0.5f, Sine);
    for (int i = 0; i < kBlock; ++i)
    {
        EXPECT_EQ(OutL(i), 0.0f);
        EXPECT_EQ(OutR(i), 0.0f);
    }
    // Just above: -59 dB is quiet but heard (10^(-59/20) = 0.00112).
    SetUnscaled(kLayerAMix, -59.0f);
    Render(0.5f, Sine);
    EXPECT_NEAR(OutL(10) / InL(10), std::pow(10.0f, -59.0f / 20.0f), 1e-5f);
}

TEST_F(CMorvexEngineTest, LayerRoutingDecidesWhatIsHeard)
{
    Set(kLimiter, 0.0f);
    // Parallel, both off: the wet signal is silence.
    Set(kLayerAOn, 0.0f);
    Render(0.3f, Sine);
    EXPECT_EQ(OutL(5), 0.0f);
    // Parallel, both on at 0 dB: each layer carries the input, so the wet sum is twice it.
    Set(kLayerAOn, 1.0f);
    Set(kLayerBOn, 1.0f);
    Render(0.3f, Sine);
    EXPECT_NEAR(OutL(5), 2.0f * InL(5), 1e-6f);
    // Serial with A off and B on: B processes A's output and only B is heard.
    Set(kLayerMode, 1.0f);
    Set(kLayerAOn, 0.0f);
    Render(0.3f, Sine);
    EXPECT_NEAR(OutL(5), InL(5), 1e-6f);
    EXPECT_NEAR(OutR(5), InR(5), 1e-6f);
}

TEST_F(CMorvexEngineTest, SerialFeedsLayerBFromLayerAAndParallelFromTheInput)
{
    // Layer A: a pure echo (delay mix 100 %, no feedback) of one eighth at 120 BPM,
    // 0.25 s = 12000 samples at 48 kHz. Layer B neutral. An impulse then comes out
    // as: parallel, direct (from B) and echo (from A); serial, only the echo, twice
    // (A's echo, and B passing A's output on).
    Set(kLimiter, 0.0f);
    Set(kLayerBOn, 1.0f);
    SetUnscaled(kDelayMix, 100.0f);
    SetUnscaled(kDelayLowpass, 18000.0f);
    const int echo = 12000;
    for (bool serial : {false, true})
    {
        Set(kLayerMode, serial ? 1.0f : 0.0f);
        m_wrapper->resume();
        // The delay time glides with a 0.6 / (2 pi) s = 0.095 s time constant from 0 after
        // creation: 1.5 s of silence lets it land on 12000 samples exactly.
        Render(1.5f, [](int, int) { return 0.0f; });
        const int impulseAt = m_position;
        double direct = 0.0, delayed = 0.0;
        const int total = static_cast<int>(0.3f * kRate);
        std::vector<float> in(2 * kBlock), o(2 * kBlock);
        for (int b = 0; b < total / kBlock; ++b)
        {
            for (int i = 0; i < kBlock; ++i)
                in[static_cast<size_t>(i)] = in[static_cast<size_t>(kBlock + i)] =
                    (m_position + i == impulseAt) ? 0.5f : 0.0f;
            float* inputs[2] = {in.data(), in.data() + kBlock};
            float* outputs[2] = {o.data(), o.data() + kBlock};
            m_wrapper->processReplacing(inputs, outputs, kBlock);
            for (int i = 0; i < kBlock; ++i)
            {
                const int t = m_position + i - impulseAt;
                const double v = o[static_cast<size_t>(i)];
                if (t >= 0 && t < 1000)
                    direct += v * v;
                else if (t >= echo - 100 && t < echo + 1000)
                    delayed += v * v;
            }
            m_position += kBlock;
        }
        if (serial)
        {
            EXPECT_LT(direct, 1e-10) << "serial: no direct sound";
            EXPECT_GT(delayed, 0.0);
            m_serialEcho = delayed;
        }
        else
        {
            EXPECT_GT(direct, 0.2 * 0.25) << "parallel: layer B carries the input";
            EXPECT_GT(delayed, 0.0);
            m_parallelEcho = delayed;
        }
    }
    // Serial doubles the echo's amplitude: four times its energy.
    EXPECT_NEAR(m_serialEcho / m_parallelEcho, 4.0, 0.05);
}

TEST_F(CMorvexEngineTest, LayerPanAndDryWet)
{
    Set(kLimiter, 0.0f);
    Set(kLayerAPan, 0.0f); // hard left: left 2x, right nothing
    Render(0.3f, Sine);
    EXPECT_NEAR(OutL(3), 2.0f * InL(3), 1e-6f);
    EXPECT_NEAR(OutR(3), 0.0f, 1e-7f);
    // Dry/wet 0: the dry input alone, whatever the layers do.
    Set(kDryWet, 0.0f);
    Render(0.3f, Sine);
    EXPECT_NEAR(OutL(3), InL(3), 1e-6f);
    EXPECT_NEAR(OutR(3), InR(3), 1e-6f);
    // Volume +6 dB, master pan centre: x * 10^(6/20).
    SetUnscaled(kVolume, 6.0f);
    Render(0.3f, Sine);
    EXPECT_NEAR(OutL(3), InL(3) * std::pow(10.0f, 0.3f), 1e-5f);
}

TEST_F(CMorvexEngineTest, LimiterBoundsLoudSamplesOnEitherChannel)
{
    Render(0.2f, [](int, int) { return 2.0f; });
    for (int i = 0; i < kBlock; ++i)
    {
        EXPECT_EQ(OutL(i), 0.999f);
        EXPECT_EQ(OutR(i), 0.999f);
    }
    // (0.1, -2.0): the negative peak drives the envelope, so both channels come down
    // by it: left about 0.1 / 2, right -2 / 2 clamped to -0.999.
    Render(0.5f, [](int channel, int) { return channel == 0 ? 0.1f : -2.0f; });
    EXPECT_NEAR(OutL(10), 0.05f, 0.002f);
    EXPECT_NEAR(OutR(10), -0.999f, 1e-6f);
    // Limiter off: no bound.
    Set(kLimiter, 0.0f);
    Render(0.1f, [](int, int) { return 2.0f; });
    EXPECT_NEAR(OutL(0), 2.0f, 1e-6f);
}

TEST_F(CMorvexEngineTest, MetersAndCorrelation)
{
    // The correlation smoother's time constant is 0.75 / (2 pi) s = 0.12 s: after
    // 1.5 s it is within e^-12 of its input, up to the single-precision stall of a
    // one-pole whose step a = 1.7e-4 falls below half an ulp near 1 (about 2e-4).
    Render(1.5f, [](int, int n) { return (n / 20) % 2 ? 0.5f : -0.5f; });
    EXPECT_NEAR(m_effect->GetPeakLeft(), 0.5f, 1e-6f);
    EXPECT_NEAR(m_effect->GetPeakRight(), 0.5f, 1e-6f);
    EXPECT_NEAR(m_effect->GetCorrelation(), 1.0f, 5e-4f);
    // Silence for one second: the peak falls by 20 dB.
    Render(1.0f, [](int, int) { return 0.0f; });
    EXPECT_NEAR(m_effect->GetPeakLeft(), 0.05f, 0.002f);
    // Opposite channels: correlation -1.
    Render(2.0f, [](int channel, int n) {
        const float v = (n / 20) % 2 ? 0.5f : -0.5f;
        return channel ? -v : v;
    });
    EXPECT_NEAR(m_effect->GetCorrelation(), -1.0f, 5e-4f);
}

TEST_F(CMorvexEngineTest, TransportStartResetsAndStopDoesNot)
{
    Render(0.2f, [](int, int) { return 0.5f; });
    ASSERT_GT(m_effect->GetPeakLeft(), 0.4f);
    m_host.giveTime = true;
    m_host.time.tempo = 120.0;
    m_host.time.flags = kVstTempoValid | kVstTransportPlaying;
    Render(float(kBlock) / kRate, [](int, int) { return 0.0f; });
    EXPECT_EQ(m_effect->GetPeakLeft(), 0.0f);
    Render(0.2f, [](int, int) { return 0.5f; });
    m_host.time.flags = kVstTempoValid;
    Render(float(kBlock) / kRate, [](int, int) { return 0.0f; });
    EXPECT_GT(m_effect->GetPeakLeft(), 0.4f);
}

TEST_F(CMorvexEngineTest, OrderBlockSetsTheProcessingOrder)
{
    ASSERT_NE(m_effect->GetRawParameterBlock(kRawBlockLayerOrder), nullptr);
    const int32_t order[7] = {0, 1, 2, 3, 5, 4, 6};
    m_effect->SetRawParameterBlock(kRawBlockLayerOrder, order);
    Render(float(kBlock) / kRate, Sine);
    const int expected[7] = {kModuleFilter, kModuleDist,  kModuleLoFi,  kModuleFlanger,
                             kModuleTremolo, kModuleDelay, kModuleGlitch};
    for (int position = 0; position < 7; ++position)
        EXPECT_EQ(m_effect->GetModuleAt(0, position),
                  m_effect->GetModule(0, expected[position]))
            << position;
    // A code missing from the block sorts first.
    const int32_t partial[7] = {6, 5, 4, 3, 2, 1, 1};
    m_effect->SetRawParameterBlock(kRawBlockLayerOrder, partial);
    Render(float(kBlock) / kRate, Sine);
    EXPECT_EQ(m_effect->GetModuleAt(0, 0), m_effect->GetModule(0, kModuleFilter));
    EXPECT_EQ(m_effect->GetModuleAt(0, 1), m_effect->GetModule(0, kModuleGlitch));
    EXPECT_EQ(CMorvex::GetProcessingOrder(partial, kModuleDist), 5);
    EXPECT_EQ(CMorvex::GetProcessingOrder(partial, kModuleFilter), -1);
}

namespace
{
// "Power" set again while a delay echoes: how it is set, and whether the echo survives.
struct POWER_CASE
{
    const char* name;
    std::function<void(CVstWrapper*, int)> eachBlock; // (adapter, block) during the echo
    bool tailKept;
};

class CMorvexPowerTest : public CMorvexEngineTest, public ::testing::WithParamInterface<POWER_CASE>
{
};

void SendOn(CVstWrapper* wrapper, int)
{
    wrapper->setParameter(kPower, 1.0f);
}

// A controller learned for "Power" that sends 127 again and again.
void ControllerSendsOn(CVstWrapper* wrapper, int block)
{
    CBaseEffect* effect = wrapper->GetBaseEffect();
    if (block == 0)
        effect->ActivateMidiLearn(kPower, true);
    effect->OnMidiCC(7, 1.0f);
}

// A host that reloads the state it just saved: "Power" arrives through the chunk reader.
void ReloadState(CVstWrapper* wrapper, int)
{
    void* data = nullptr;
    const VstInt32 size = wrapper->getChunk(&data, false);
    const std::vector<uint8_t> copy(static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size);
    wrapper->setChunk(const_cast<uint8_t*>(copy.data()), size, false);
}
} // namespace

TEST_P(CMorvexPowerTest, OnlyASwitchBetweenOffAndOnClearsTheModules)
{
    const POWER_CASE& c = GetParam();
    Set(kDelayOn, 1.0f);
    SetUnscaled(kDelayMix, 50.0f);
    SetUnscaled(kDelayFeedback, 70.0f);
    // 0.1 s of sound, then silence in which only the echoes are heard.
    const auto burst = [](int channel, int n) { return n < 4800 ? Sine(channel, n) : 0.0f; };
    Render(0.1f, burst);
    double tail = 0.0;
    const int blocks = static_cast<int>(1.5f * kRate) / kBlock;
    for (int block = 0; block < blocks; ++block)
    {
        if (c.eachBlock)
            c.eachBlock(m_wrapper, block);
        Render(float(kBlock) / kRate, burst);
        if (block >= blocks - 200) // the last quarter of a second
        {
            for (int i = 0; i < kBlock; ++i)
                tail += double(OutL(i)) * OutL(i) + double(OutR(i)) * OutR(i);
        }
    }
    if (c.tailKept)
        EXPECT_GT(tail, 1e-3) << c.name;
    else
        EXPECT_EQ(tail, 0.0) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Power, CMorvexPowerTest,
    ::testing::Values(
        POWER_CASE{"left alone", nullptr, true},
        POWER_CASE{"on re-sent every block", SendOn, true},
        POWER_CASE{"on re-sent by a learned controller", ControllerSendsOn, true},
        POWER_CASE{"state reloaded every block", ReloadState, true},
        POWER_CASE{"switched off and on once", [](CVstWrapper* w, int block) {
                       if (block == 10)
                       {
                           w->setParameter(kPower, 0.0f);
                           w->setParameter(kPower, 1.0f);
                       }
                   }, false}),
    [](const ::testing::TestParamInfo<POWER_CASE>& param) {
        std::string name;
        for (const char* p = param.param.name; *p; ++p)
            name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
        return name;
    });

TEST_F(CMorvexEngineTest, SwitchesSetToWhatTheyHoldLeaveTheParametersTheyShapeAlone)
{
    // A sync switch or the glitch buffer re-sent (automation, a state reload) must not
    // pass the parameters they shape through their defaults and back: the values stay
    // exactly as they were.
    struct CASE
    {
        int switchId;
        float switchValue; // scaled
        int shapedId;
        float value; // unscaled
    };
    const CASE cases[] = {
        {kDelaySync, 0.0f, kDelaySpeedL, 333.3f},  {kDelaySync, 0.0f, kDelaySpeedR, 1234.5f},
        {kFlangerSync, 0.0f, kFlangerSpeed, 777.7f}, {kModSync + 3, 0.0f, kModSpeed + 3, 4321.1f},
        {kDelaySync, 1.0f, kDelaySpeedL, 7.0f},     {kGlitchBuffer, 0.5f, kGlitchScale, 2.7f},
    };
    for (const CASE& c : cases)
    {
        Set(c.switchId, c.switchValue);
        m_effect->SetParameterUnscaled(c.shapedId, c.value);
        const float before = m_effect->GetParameterInfo(c.shapedId)->value;
        Set(c.switchId, c.switchValue);
        EXPECT_EQ(m_effect->GetParameterInfo(c.shapedId)->value, before) << c.shapedId;
        EXPECT_EQ(before, c.value) << c.shapedId;
    }
}
