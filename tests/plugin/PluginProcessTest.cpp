// Audio, events, activation and state calls through the host interface. Where
// the output must equal the input the effect is bypassed with "Power" off, which
// leaves the adapter's copy of the input untouched.
#include "PluginTestFixture.h"

#include <cmath>
#include <cstring>
#include <iterator>
#include <vector>

namespace
{
constexpr int kPower = 0;
constexpr VstIntPtr kTimeFilter = kVstTempoValid | kVstTransportPlaying; // 0x402

} // namespace

class CPluginProcessTest : public CPluginInterfaceTest
{
protected:
    std::vector<float> Snapshot()
    {
        std::vector<float> values;
        for (int id = 0; id < m_effect->numParams; ++id)
            values.push_back(m_host.GetParameter(id));
        return values;
    }

    // "Power" off: the effect returns at once from every sub-block, so the output
    // is the adapter's copy of the input, sample for sample.
    void Bypass() { m_host.SetParameter(kPower, 0.0f); }

    // One block through processReplacing; true when both channels came out bit-exact.
    bool PassesThrough(int frames, unsigned seed)
    {
        CStereoBlock block(frames);
        block.FillInput(seed);
        m_host.ProcessReplacing(block.Inputs(), block.Outputs(), frames);
        EXPECT_TRUE(block.GuardsIntact()) << frames << " frames";
        return block.OutputEqualsInput(0) && block.OutputEqualsInput(1);
    }
};

// ---------------------------------------------------------------------------------------------
// Audio

TEST_F(CPluginProcessTest, BypassPassesAudioThroughWithoutTimeInfo)
{
    m_host.Resume(44100.0f, 512);
    Bypass();
    m_host.SetTimeInfo(nullptr);
    m_host.ClearCalls();
    const int sizes[] = {1, 15, 16, 17, 40, 512};
    unsigned seed = 1;
    for (int frames : sizes)
        EXPECT_TRUE(PassesThrough(frames, seed++)) << frames << " frames";

    // Each block asks the host for tempo and transport once.
    const auto asks = m_host.CallsWith(audioMasterGetTime);
    ASSERT_EQ(std::size(sizes), asks.size());
    for (const HOST_CALL& call : asks)
    {
        EXPECT_EQ(kTimeFilter, call.value);
        EXPECT_EQ(0, call.index);
        EXPECT_TRUE(call.hasEffect);
    }
}

TEST_F(CPluginProcessTest, ProcessesBeforeResume)
{
    // Some hosts process before effMainsChanged(1) or before setting the rate.
    CStereoBlock block(64);
    block.FillInput(7);
    m_host.ProcessReplacing(block.Inputs(), block.Outputs(), 64);
    EXPECT_TRUE(block.GuardsIntact());
    for (int channel = 0; channel < 2; ++channel)
    {
        for (int i = 0; i < 64; ++i)
            ASSERT_TRUE(std::isfinite(block.Output(channel)[i])) << channel << ":" << i;
    }
    Bypass();
    EXPECT_TRUE(PassesThrough(64, 8));
}

TEST_F(CPluginProcessTest, InPlaceBuffersPassThrough)
{
    m_host.Resume();
    Bypass();
    for (int frames : {1, 16, 40, 512})
    {
        CStereoBlock block(frames);
        block.FillInput(static_cast<unsigned>(frames));
        const std::vector<float> left(block.Input(0), block.Input(0) + frames);
        const std::vector<float> right(block.Input(1), block.Input(1) + frames);
        m_host.ProcessReplacing(block.Inputs(), block.Inputs(), frames);
        EXPECT_EQ(0, std::memcmp(left.data(), block.Input(0), left.size() * sizeof(float)));
        EXPECT_EQ(0, std::memcmp(right.data(), block.Input(1), right.size() * sizeof(float)));
        EXPECT_TRUE(block.GuardsIntact());
    }
}

TEST_F(CPluginProcessTest, NullBuffersAndEmptyBlocksDoNothing)
{
    m_host.Resume();
    m_host.ClearCalls();
    CStereoBlock block(64);
    block.FillInput(3);

    m_host.ProcessReplacing(nullptr, block.Outputs(), 64);
    m_host.ProcessReplacing(block.Inputs(), nullptr, 64);
    m_host.ProcessReplacing(nullptr, nullptr, 64);
    m_host.ProcessReplacing(block.Inputs(), block.Outputs(), 0);
    m_host.ProcessReplacing(block.Inputs(), block.Outputs(), -16);
    EXPECT_TRUE(block.OutputUntouched());
    // Nothing is asked of the host for a block that is not processed.
    EXPECT_EQ(0u, m_host.CountCalls(audioMasterGetTime));

    // A disabled channel given as a null pointer does not crash the plug-in.
    float* inputs[2] = {nullptr, block.Input(1)};
    float* outputs[2] = {block.Output(0), nullptr};
    m_host.ProcessReplacing(inputs, block.Outputs(), 64);
    m_host.ProcessReplacing(block.Inputs(), outputs, 64);

    // Processing goes on normally afterwards.
    Bypass();
    EXPECT_TRUE(PassesThrough(64, 4));
}

TEST_F(CPluginProcessTest, AccumulatingAndDoubleProcessCallsDoNothing)
{
    m_host.Resume();
    CStereoBlock block(64);
    block.FillInput(5);
    ASSERT_NE(nullptr, m_effect->process);
    m_effect->process(m_effect, block.Inputs(), block.Outputs(), 64);
    EXPECT_TRUE(block.OutputUntouched());

    std::vector<double> input(64, 0.25);
    std::vector<double> output(64, -7.0);
    double* inputs[2] = {input.data(), input.data()};
    double* outputs[2] = {output.data(), output.data()};
    ASSERT_NE(nullptr, m_effect->processDoubleReplacing);
    m_effect->processDoubleReplacing(m_effect, inputs, outputs, 64);
    for (double sample : output)
        ASSERT_EQ(-7.0, sample);
}

// ---------------------------------------------------------------------------------------------
// Activation and events

TEST_F(CPluginProcessTest, OpenAndSuspendChangeNothing)
{
    // Some hosts send effOpen twice; suspend does nothing either.
    Bypass();
    m_host.SetParameter(2, 0.8f);
    const std::vector<float> before = Snapshot();
    EXPECT_EQ(0, m_host.Dispatch(effOpen));
    EXPECT_EQ(0, m_host.Dispatch(effOpen));
    m_host.Resume();
    EXPECT_EQ(0, m_host.Dispatch(effMainsChanged, 0, 0));
    EXPECT_EQ(before, Snapshot());
    m_host.Dispatch(effMainsChanged, 0, 1);
    EXPECT_TRUE(PassesThrough(100, 9));
}

TEST_F(CPluginProcessTest, TakesMidiEventsAndKeepsProcessing)
{
    m_host.Resume(44100.0f, 512);
    Bypass();
    // Control changes inside, at the end of and after the next block, on two channels.
    const std::vector<HOST_CONTROL_CHANGE> changes = {
        {0, 1, 64, 0}, {0, 7, 127, 15}, {3, 74, 0, 16}, {15, 10, 100, 35}, {0, 11, 5, 600},
    };
    EXPECT_EQ(1, m_host.SendControlChanges(changes));
    EXPECT_TRUE(PassesThrough(40, 11));
    EXPECT_TRUE(PassesThrough(512, 12)); // carries the late event

    // Other messages and other event kinds are taken and ignored.
    VstMidiEvent note;
    std::memset(&note, 0, sizeof(note));
    note.type = kVstMidiType;
    note.byteSize = sizeof(note);
    note.midiData[0] = static_cast<char>(0x90);
    note.midiData[1] = 60;
    note.midiData[2] = 100;
    VstEvent sysex;
    std::memset(&sysex, 0, sizeof(sysex));
    sysex.type = kVstSysExType;
    sysex.byteSize = sizeof(sysex);
    EXPECT_EQ(1, m_host.SendEvents({reinterpret_cast<VstEvent*>(&note), &sysex}));
    EXPECT_EQ(1, m_host.SendEvents({}));
    EXPECT_TRUE(PassesThrough(17, 13));
}

// ---------------------------------------------------------------------------------------------
// State chunk

TEST_F(CPluginProcessTest, ChunkCallsWithoutDataDoNothing)
{
    m_host.SetParameter(2, 0.8f);
    const std::vector<float> before = Snapshot();
    EXPECT_EQ(0, m_host.Dispatch(effGetChunk, 0, 0, nullptr));
    EXPECT_EQ(0, m_host.Dispatch(effGetChunk, 1, 0, nullptr));
    EXPECT_EQ(0, m_host.Dispatch(effSetChunk, 0, 4096, nullptr));
    EXPECT_EQ(0, m_host.Dispatch(effSetChunk, 1, 4096, nullptr));
    EXPECT_EQ(before, Snapshot());
    EXPECT_EQ("Default Preset", m_host.GetString(effGetProgramName, 0, kVstMaxProgNameLen + 1));
}
