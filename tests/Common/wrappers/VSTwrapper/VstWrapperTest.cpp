#include "Common/wrappers/BaseEffect.h"
#include "Common/wrappers/VSTwrapper/VstWrapper.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace
{
// Records every call the adapter makes on its effect, in order.
class CRecordingEffect : public CBaseEffect
{
public:
    explicit CRecordingEffect(CVstWrapper* wrapper) : CBaseEffect(wrapper)
    {
        for (int id = 0; id < kNumParameters; ++id)
            SetParameterInfo(id, kCurveLinear, "p", 0, 1, 0, nullptr);
        m_log.clear();
    }
    void Process(float* left, float* right, int numSamples) noexcept override
    {
        m_log.push_back("Process " + std::to_string(numSamples));
        for (int i = 0; i < numSamples; ++i)
        {
            left[i] *= 2.0f;
            right[i] *= -1.0f;
        }
    }
    void PreProcess(int numSamples) noexcept override
    {
        m_log.push_back("PreProcess " + std::to_string(numSamples));
    }
    void OnMidiCC(int controller, float value) override
    {
        m_log.push_back("CC " + std::to_string(controller) + "=" +
                        std::to_string(static_cast<int>(value * 127.0f + 0.5f)));
    }
    void SetHostTempo(float tempo) override
    {
        m_log.push_back("Tempo " + std::to_string(static_cast<int>(tempo)));
    }
    void SetHostSamplePos(float position) override
    {
        m_log.push_back("Pos " + std::to_string(static_cast<int>(position)));
    }
    void OnTransportStart() override { m_log.push_back("Start"); }
    void OnTransportStop() override { m_log.push_back("Stop"); }
    void Reset() override { m_log.push_back("Reset"); }
    void OnSetParameter(int id, float value) override
    {
        m_log.push_back("Set " + std::to_string(id) + "=" + std::to_string(value));
    }
    std::vector<std::string> m_log;
};

struct HOST_STATE
{
    bool giveTime = false;
    VstTimeInfo time{};
    std::vector<std::pair<VstInt32, VstIntPtr>> calls; // opcode, value
};

HOST_STATE* g_host = nullptr;

VstIntPtr HostCallback(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr value, void*, float)
{
    g_host->calls.push_back({opcode, value});
    if (opcode == audioMasterVersion)
        return 2400;
    if (opcode == audioMasterGetTime)
        return g_host->giveTime ? reinterpret_cast<VstIntPtr>(&g_host->time) : 0;
    return 0;
}

class CVstWrapperTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        g_host = &m_host;
        m_wrapper = new CVstWrapper(HostCallback);
        m_effect = new CRecordingEffect(m_wrapper);
        m_wrapper->SetBaseEffect(m_effect);
    }
    void TearDown() override
    {
        delete m_wrapper;
        g_host = nullptr;
    }
    void SendCC(int offset, int controller, int value, unsigned char status = 0xB0)
    {
        VstMidiEvent event{};
        event.type = kVstMidiType;
        event.byteSize = sizeof(VstMidiEvent);
        event.deltaFrames = offset;
        event.midiData[0] = static_cast<char>(status);
        event.midiData[1] = static_cast<char>(controller);
        event.midiData[2] = static_cast<char>(value);
        VstEvents events{};
        events.numEvents = 1;
        events.events[0] = reinterpret_cast<VstEvent*>(&event);
        EXPECT_EQ(m_wrapper->processEvents(&events), 1);
    }
    void Run(int numSamples)
    {
        m_in.assign(2 * static_cast<size_t>(numSamples), 0.25f);
        m_out.assign(2 * static_cast<size_t>(numSamples), 0.0f);
        float* inputs[2] = {m_in.data(), m_in.data() + numSamples};
        float* outputs[2] = {m_out.data(), m_out.data() + numSamples};
        m_wrapper->processReplacing(inputs, outputs, numSamples);
    }
    std::vector<std::string> TakeLog()
    {
        std::vector<std::string> log;
        log.swap(m_effect->m_log);
        return log;
    }
    HOST_STATE m_host;
    CVstWrapper* m_wrapper = nullptr;
    CRecordingEffect* m_effect = nullptr;
    std::vector<float> m_in, m_out;
};

using Log = std::vector<std::string>;
} // namespace

TEST_F(CVstWrapperTest, EventsApplyBeforeTheSubBlockThatContainsThem)
{
    Run(16); // settle the first-block tempo notice
    TakeLog();
    SendCC(0, 1, 1);
    SendCC(16, 2, 2);
    SendCC(31, 3, 3);
    SendCC(32, 4, 4);
    SendCC(0, 60, 100, 0x90); // note on and pitch bend: not queued
    SendCC(0, 0, 64, 0xE0);
    SendCC(35, 7, 64, 0xBF); // control change on channel 16
    // 40 samples are 16 + 16 + 8; events from 32 on fall in the remainder and wait.
    Run(40);
    EXPECT_EQ(TakeLog(), (Log{"PreProcess 40", "CC 1=1", "Process 16", "CC 2=2", "CC 3=3",
                              "Process 16", "Process 8"}));
    // Carried events apply at the start of the next call, even a short one; a new event
    // in a block shorter than a sub-block waits in turn.
    SendCC(2, 5, 127);
    Run(8);
    EXPECT_EQ(TakeLog(), (Log{"PreProcess 8", "CC 4=4", "CC 7=64", "Process 8"}));
    Run(8);
    EXPECT_EQ(TakeLog(), (Log{"PreProcess 8", "CC 5=127", "Process 8"}));
    // Output holds the processed input, every sample.
    EXPECT_EQ(m_out, (std::vector<float>{0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, -0.25f,
                                         -0.25f, -0.25f, -0.25f, -0.25f, -0.25f, -0.25f, -0.25f}));
}

TEST_F(CVstWrapperTest, ResumeResetsEffectEmptiesQueueAndAsksForMidi)
{
    SendCC(0, 7, 64);
    m_host.calls.clear();
    m_wrapper->dispatcher(effMainsChanged, 0, 1, nullptr, 0.0f);
    EXPECT_EQ(TakeLog(), (Log{"Reset"}));
    bool askedForMidi = false;
    for (const auto& call : m_host.calls)
        askedForMidi |= call.first == audioMasterWantMidi && call.second == 1;
    EXPECT_TRUE(askedForMidi);
    Run(16);
    for (const std::string& entry : TakeLog())
        EXPECT_EQ(entry.find("CC"), std::string::npos);
}

TEST_F(CVstWrapperTest, TimeInfoChangesAreReportedOnce)
{
    // Without time information: tempo 120, once.
    Run(16);
    Run(16);
    EXPECT_EQ(TakeLog(), (Log{"Tempo 120", "PreProcess 16", "Process 16", "PreProcess 16",
                              "Process 16"}));
    // Time information is asked for with tempo and transport flags.
    bool asked = false;
    for (const auto& call : m_host.calls)
        asked |= call.first == audioMasterGetTime && call.second == 0x402;
    EXPECT_TRUE(asked);
    m_host.giveTime = true;
    m_host.time.tempo = 95.0;
    m_host.time.samplePos = 1000.0;
    m_host.time.flags = kVstTransportPlaying; // no tempo flag: 120, position still taken
    Run(16);
    EXPECT_EQ(TakeLog(), (Log{"Start", "Pos 1000", "PreProcess 16", "Process 16"}));
    m_host.time.flags = kVstTransportPlaying | kVstTempoValid;
    Run(16);
    EXPECT_EQ(TakeLog(), (Log{"Tempo 95", "PreProcess 16", "Process 16"}));
    Run(16);
    EXPECT_EQ(TakeLog(), (Log{"PreProcess 16", "Process 16"}));
    m_host.time.flags = kVstTempoValid;
    m_host.time.samplePos = 1016.0;
    Run(16);
    EXPECT_EQ(TakeLog(), (Log{"Stop", "Pos 1016", "PreProcess 16", "Process 16"}));
}

TEST_F(CVstWrapperTest, SetParameterStoresClampsAndNotifiesInScaledUnits)
{
    TakeLog();
    m_wrapper->setParameter(4, 0.25f);
    EXPECT_EQ(TakeLog(), (Log{"Set 4=" + std::to_string(0.25f)}));
    EXPECT_EQ(m_wrapper->getParameter(4), 0.25f);
    m_wrapper->setParameter(4, 7.0f);
    EXPECT_EQ(m_wrapper->getParameter(4), 1.0f);
    m_wrapper->setParameter(4, std::nanf(""));
    EXPECT_EQ(m_wrapper->getParameter(4), 1.0f);
    TakeLog();
    // Automated: stored and the host told with the value.
    m_host.calls.clear();
    m_wrapper->setParameterAutomated(4, 0.5f);
    ASSERT_FALSE(m_host.calls.empty());
    EXPECT_EQ(m_host.calls.back().first, audioMasterAutomate);
}

TEST_F(CVstWrapperTest, MidiQueueDropsWhenFullAndKeepsOrder)
{
    CVstMidiProcessor queue;
    const uint8_t cc[3] = {0xB0, 1, 127};
    for (int i = 0; i < CVstMidiProcessor::kCapacity + 10; ++i)
        queue.PushEvent(cc, i);
    EXPECT_EQ(queue.GetCount(), CVstMidiProcessor::kCapacity);
    MIDI_EVENT event;
    EXPECT_TRUE(queue.PopEvent(event, 1));
    EXPECT_EQ(event.offset, 0);
    EXPECT_FALSE(queue.PopEvent(event, 1)); // front at offset 1 stays queued
    EXPECT_EQ(event.offset, 1);
    EXPECT_EQ(queue.GetCount(), CVstMidiProcessor::kCapacity - 1);
    queue.Reset();
    EXPECT_FALSE(queue.PopEvent(event, 1000));
}
