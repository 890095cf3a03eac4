#include "Common/wrappers/VSTwrapper/VstWrapper.h"
#include "Morvex.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
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
        m_position = 0;
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

    // Renders `seconds` of a generated stereo signal, keeping the last block's audio;
    // `eachBlock` sees every block's.
    void Render(float seconds, const std::function<float(int, int)>& signal,
                const std::function<void()>& eachBlock = nullptr)
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
            if (eachBlock)
                eachBlock();
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
};
} // namespace

TEST_F(CMorvexEngineTest, LayerRoutingPanMixAndVolumeSetTheGain)
{
    // Defaults: layer A on at 0 dB and centre, parallel, volume 0 dB, dry/wet 100 %,
    // pan centre; the factor 2 x 0.5 of the layer mix and the master pan gives unity.
    struct CASE
    {
        const char* name;
        std::vector<std::pair<int, float>> unscaled; // settings after the limiter is off
        float gainL, gainR, tolerance;
    };
    const float minus59 = std::pow(10.0f, -59.0f / 20.0f); // 0.00112
    const CASE cases[] = {
        {"neutral", {}, 1.0f, 1.0f, 1e-6f},
        {"layer mix -60 dB mutes", {{kLayerAMix, -60.0f}}, 0.0f, 0.0f, 0.0f},
        {"layer mix -59 dB is heard", {{kLayerAMix, -59.0f}}, minus59, minus59, 1e-5f},
        {"parallel, both off: silence", {{kLayerAOn, 0.0f}}, 0.0f, 0.0f, 0.0f},
        {"parallel, both on: twice", {{kLayerBOn, 1.0f}}, 2.0f, 2.0f, 1e-6f},
        {"serial, A off, B on", {{kLayerMode, 1.0f}, {kLayerAOn, 0.0f}, {kLayerBOn, 1.0f}}, 1.0f,
         1.0f, 1e-6f},
        {"layer pan hard left", {{kLayerAPan, -1.0f}}, 2.0f, 0.0f, 1e-6f},
        {"dry/wet 0: the dry input", {{kLayerAPan, -1.0f}, {kDryWet, 0.0f}}, 1.0f, 1.0f, 1e-6f},
        {"volume +6 dB", {{kVolume, 6.0f}}, std::pow(10.0f, 0.3f), std::pow(10.0f, 0.3f), 1e-5f},
    };
    for (const CASE& c : cases)
    {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        Set(kLimiter, 0.0f);
        for (const auto& setting : c.unscaled)
            SetUnscaled(setting.first, setting.second);
        Render(0.5f, Sine);
        for (int i = 0; i < kBlock; ++i)
        {
            EXPECT_NEAR(OutL(i), c.gainL * InL(i), c.tolerance) << i;
            EXPECT_NEAR(OutR(i), c.gainR * InR(i), c.tolerance) << i;
        }
    }
    // Power off is a bit-exact bypass.
    SetUnscaled(kVolume, -12.0f);
    Set(kPower, 0.0f);
    Render(0.1f, Sine);
    EXPECT_EQ(std::memcmp(m_lastIn.data(), m_lastOut.data(), sizeof(float) * 2 * kBlock), 0);
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
    double echoes[2] = {};
    for (bool serial : {false, true})
    {
        Set(kLayerMode, serial ? 1.0f : 0.0f);
        m_wrapper->resume();
        // The delay time glides with a 0.6 / (2 pi) s = 0.095 s time constant from 0 after
        // creation: 1.5 s of silence lets it land on 12000 samples exactly.
        Render(1.5f, [](int, int) { return 0.0f; });
        const int impulseAt = m_position;
        double direct = 0.0, delayed = 0.0;
        Render(
            0.3f, [impulseAt](int, int n) { return n == impulseAt ? 0.5f : 0.0f; },
            [&]
            {
                for (int i = 0; i < kBlock; ++i)
                {
                    const int t = m_position - kBlock + i - impulseAt;
                    if (t >= 0 && t < 1000)
                        direct += double(OutL(i)) * OutL(i);
                    else if (t >= echo - 100 && t < echo + 1000)
                        delayed += double(OutL(i)) * OutL(i);
                }
            });
        if (serial)
            EXPECT_LT(direct, 1e-10) << "serial: no direct sound";
        else
            EXPECT_GT(direct, 0.2 * 0.25) << "parallel: layer B carries the input";
        echoes[serial] = delayed;
    }
    // Serial doubles the echo's amplitude: four times its energy.
    EXPECT_GT(echoes[0], 0.0);
    EXPECT_NEAR(echoes[1] / echoes[0], 4.0, 0.05);
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

TEST_F(CMorvexEngineTest, MetersReadTheOutputAndTransportStartResetsThem)
{
    // The wiring only; the meters' own figures are their suite's. In-phase squares of 0.5:
    // the correlation smoother (0.75 / (2 pi) s) is within 5e-4 of 1 after 1.5 s.
    Render(1.5f, [](int, int n) { return (n / 20) % 2 ? 0.5f : -0.5f; });
    EXPECT_NEAR(m_effect->GetPeakLeft(), 0.5f, 1e-6f);
    EXPECT_NEAR(m_effect->GetPeakRight(), 0.5f, 1e-6f);
    EXPECT_NEAR(m_effect->GetCorrelation(), 1.0f, 5e-4f);
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

TEST_F(CMorvexEngineTest, OnlyASwitchOfPowerBetweenOffAndOnClearsTheModules)
{
    // "Power" set again while a delay echoes: how it is set, and whether the echo survives.
    struct CASE
    {
        const char* name;
        void (*eachBlock)(CVstWrapper*, int); // (adapter, block) during the echo
        bool tailKept;
    };
    const CASE cases[] = {
        {"left alone", [](CVstWrapper*, int) {}, true},
        {"on re-sent every block", [](CVstWrapper* w, int) { w->setParameter(kPower, 1.0f); },
         true},
        {"on re-sent by a learned controller",
         [](CVstWrapper* w, int block)
         {
             if (block == 0)
                 w->GetBaseEffect()->ActivateMidiLearn(kPower, true);
             w->GetBaseEffect()->OnMidiCC(7, 1.0f);
         },
         true},
        // A host that reloads the state it just saved: "Power" arrives through the chunk reader.
        {"state reloaded every block",
         [](CVstWrapper* w, int)
         {
             void* data = nullptr;
             const VstInt32 size = w->getChunk(&data, false);
             std::vector<uint8_t> copy(static_cast<uint8_t*>(data),
                                       static_cast<uint8_t*>(data) + size);
             w->setChunk(copy.data(), size, false);
         },
         true},
        {"switched off and on once",
         [](CVstWrapper* w, int block)
         {
             if (block == 10)
             {
                 w->setParameter(kPower, 0.0f);
                 w->setParameter(kPower, 1.0f);
             }
         },
         false},
    };
    for (const CASE& c : cases)
    {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
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
            c.eachBlock(m_wrapper, block);
            Render(float(kBlock) / kRate, burst);
            for (int i = 0; block >= blocks - 200 && i < kBlock; ++i) // the last quarter second
                tail += double(OutL(i)) * OutL(i) + double(OutR(i)) * OutR(i);
        }
        if (c.tailKept)
            EXPECT_GT(tail, 1e-3);
        else
            EXPECT_EQ(tail, 0.0);
    }
}

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
