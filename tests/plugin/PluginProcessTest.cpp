// Audio, events, activation and state calls through the host interface. Where the output must
// equal the input the effect is bypassed with "Power" off, which leaves the adapter's copy of
// the input untouched.
#include "TestHost.h"
#include "support/Signals.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <cstdint>
#include <iterator>
#include <vector>

namespace
{
constexpr int kPower = 0;
constexpr int kVolume = 2;
constexpr size_t kMapOffset = 2056; // int32[128] in the host chunk
constexpr int kGuard = 16;
constexpr float kGuardValue = -12345.5f;

// A stereo block whose channels are followed by guard samples the plug-in must not touch.
struct STEREO_BLOCK
{
    // Noise in, different on each channel and for each seed; guard values everywhere else.
    STEREO_BLOCK(int numFrames, unsigned seed) : frames(static_cast<size_t>(numFrames))
    {
        for (unsigned c = 0; c < 2; ++c)
        {
            input[c] = TestSignals::Noise(frames + kGuard, seed * 2 + c);
            std::fill(input[c].begin() + numFrames, input[c].end(), kGuardValue);
            output[c].assign(frames + kGuard, kGuardValue);
            inputs[c] = input[c].data();
            outputs[c] = output[c].data();
        }
    }

    bool OutputEqualsInput() const
    {
        return std::memcmp(output[0].data(), input[0].data(), frames * sizeof(float)) == 0 &&
               std::memcmp(output[1].data(), input[1].data(), frames * sizeof(float)) == 0;
    }

    bool GuardsIntact() const
    {
        for (const std::vector<float>* channel : {&input[0], &input[1], &output[0], &output[1]})
        {
            if (std::any_of(channel->begin() + static_cast<long>(frames), channel->end(),
                            [](float v) { return v != kGuardValue; }))
                return false;
        }
        return true;
    }

    size_t frames;
    std::vector<float> input[2];
    std::vector<float> output[2];
    float* inputs[2];
    float* outputs[2];
};

class CPluginProcessTest : public CPluginTest
{
protected:
    std::vector<float> Snapshot()
    {
        std::vector<float> values;
        for (int id = 0; id < m_effect->numParams; ++id)
            values.push_back(m_host.GetParameter(id));
        return values;
    }

    // One block through processReplacing; true when both channels came out bit-exact.
    bool PassesThrough(int frames, unsigned seed)
    {
        STEREO_BLOCK block(frames, seed);
        m_host.ProcessReplacing(block.inputs, block.outputs, frames);
        EXPECT_TRUE(block.GuardsIntact()) << frames << " frames";
        return block.OutputEqualsInput();
    }
};
} // namespace

TEST_F(CPluginProcessTest, BypassPassesAudioThroughAndAsksTempoOncePerBlock)
{
    m_host.Resume(44100.0f, 512);
    m_host.SetParameter(kPower, 0.0f);
    m_host.ClearCalls();
    const int sizes[] = {1, 15, 16, 17, 40, 512};
    unsigned seed = 1;
    for (int frames : sizes)
        EXPECT_TRUE(PassesThrough(frames, seed++)) << frames << " frames";
    // The host gives no time information here; each block asks once.
    const auto asks = m_host.CallsWith(audioMasterGetTime);
    ASSERT_EQ(std::size(sizes), asks.size());
    for (const HOST_CALL& call : asks) // tempo valid and transport playing: 0x402
        EXPECT_TRUE(call.value == 0x402 && call.index == 0 && call.hasEffect);
}

TEST_F(CPluginProcessTest, ProcessesBeforeResumeAndInPlace)
{
    // Some hosts process before effMainsChanged(1) or before setting the rate.
    STEREO_BLOCK block(64, 7);
    m_host.ProcessReplacing(block.inputs, block.outputs, 64);
    EXPECT_TRUE(block.GuardsIntact());
    for (const std::vector<float>& output : block.output)
        EXPECT_TRUE(std::all_of(output.begin(), output.end(),
                                [](float v) { return std::isfinite(v); }));

    m_host.Resume();
    m_host.SetParameter(kPower, 0.0f);
    for (int frames : {1, 16, 40, 512})
    {
        STEREO_BLOCK inPlace(frames, static_cast<unsigned>(frames));
        const std::vector<float> left = inPlace.input[0];
        const std::vector<float> right = inPlace.input[1];
        m_host.ProcessReplacing(inPlace.inputs, inPlace.inputs, frames);
        EXPECT_EQ(left, inPlace.input[0]) << frames; // guards included
        EXPECT_EQ(right, inPlace.input[1]) << frames;
    }
}

TEST_F(CPluginProcessTest, NullBuffersEmptyBlocksAndOtherProcessCallsDoNothing)
{
    m_host.Resume();
    m_host.ClearCalls();
    STEREO_BLOCK block(64, 3);
    m_host.ProcessReplacing(nullptr, block.outputs, 64);
    m_host.ProcessReplacing(block.inputs, nullptr, 64);
    m_host.ProcessReplacing(nullptr, nullptr, 64);
    m_host.ProcessReplacing(block.inputs, block.outputs, 0);
    m_host.ProcessReplacing(block.inputs, block.outputs, -16);
    ASSERT_NE(nullptr, m_effect->process);
    m_effect->process(m_effect, block.inputs, block.outputs, 64);
    for (const std::vector<float>& output : block.output)
        EXPECT_EQ(std::vector<float>(64 + kGuard, kGuardValue), output);
    // Nothing is asked of the host for a block that is not processed.
    EXPECT_EQ(0u, m_host.CallsWith(audioMasterGetTime).size());

    std::vector<double> input(64, 0.25);
    std::vector<double> output(64, -7.0);
    double* inputs[2] = {input.data(), input.data()};
    double* outputs[2] = {output.data(), output.data()};
    ASSERT_NE(nullptr, m_effect->processDoubleReplacing);
    m_effect->processDoubleReplacing(m_effect, inputs, outputs, 64);
    EXPECT_EQ(std::vector<double>(64, -7.0), output);

    // A disabled channel given as a null pointer does not crash the plug-in, and processing
    // goes on normally afterwards.
    float* halfInputs[2] = {nullptr, block.inputs[1]};
    float* halfOutputs[2] = {block.outputs[0], nullptr};
    m_host.ProcessReplacing(halfInputs, block.outputs, 64);
    m_host.ProcessReplacing(block.inputs, halfOutputs, 64);
    m_host.SetParameter(kPower, 0.0f);
    EXPECT_TRUE(PassesThrough(64, 4));
}

TEST_F(CPluginProcessTest, OpenSuspendAndChunkCallsWithoutDataChangeNothing)
{
    // Some hosts send effOpen twice; suspend does nothing either.
    m_host.SetParameter(kPower, 0.0f);
    m_host.SetParameter(kVolume, 0.8f);
    const std::vector<float> before = Snapshot();
    EXPECT_EQ(0, m_host.Dispatch(effOpen));
    EXPECT_EQ(0, m_host.Dispatch(effOpen));
    m_host.Resume();
    EXPECT_EQ(0, m_host.Dispatch(effMainsChanged, 0, 0));
    for (VstInt32 index : {0, 1})
    {
        EXPECT_EQ(0, m_host.Dispatch(effGetChunk, index, 0, nullptr));
        EXPECT_EQ(0, m_host.Dispatch(effSetChunk, index, 4096, nullptr));
    }
    EXPECT_EQ(before, Snapshot());
    m_host.Dispatch(effMainsChanged, 0, 1);
    EXPECT_TRUE(PassesThrough(100, 9));
}

// A controller map given through the host chunk, and a control change landing on the 16-sample
// sub-block its sample offset falls in. Controller 7 is bound to "Power": while it is on,
// "Volume" at -24 dB makes the output quieter than the input; from the sub-block where it goes
// off, the output is the input, bit for bit. Other messages and event kinds are taken and
// ignored.
TEST_F(CPluginProcessTest, ControlChangeFromTheChunkMapLandsOnItsSubBlock)
{
    m_host.Resume(44100.0f, 512);
    m_host.SetParameter(kVolume, 0.0f);
    for (int block = 0; block < 100; ++block) // the volume's 50 ms smoothing settles
        PassesThrough(512, 1);

    void* data = nullptr;
    const VstIntPtr size = m_host.Dispatch(effGetChunk, 0, 0, &data);
    ASSERT_GE(size, static_cast<VstIntPtr>(kMapOffset + 512));
    std::vector<uint8_t> chunk(static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size);
    EXPECT_EQ(0xFF, chunk[kMapOffset + 28]); // controller 7 unbound: -1
    const std::int32_t power = kPower;
    std::memcpy(&chunk[kMapOffset + 28], &power, sizeof(power)); // int32 of the map
    m_host.Dispatch(effSetChunk, 0, size, chunk.data());
    ASSERT_EQ(1.0f, m_host.GetParameter(kPower));

    VstMidiEvent note = MidiEvent(0x90, 7, 0);
    VstMidiEvent bend = MidiEvent(0xE0, 7, 0);
    VstEvent sysex{kVstSysExType, sizeof(VstEvent), 0, 0, {}};
    EXPECT_EQ(1, m_host.SendEvents({reinterpret_cast<VstEvent*>(&note),
                                    reinterpret_cast<VstEvent*>(&bend), &sysex}));
    EXPECT_EQ(1, m_host.SendEvents({}));
    EXPECT_FALSE(PassesThrough(64, 2));
    EXPECT_EQ(1.0f, m_host.GetParameter(kPower));

    // Offset 20 lies in the second sub-block (16..31): applied before it.
    VstMidiEvent off = MidiEvent(0xB0, 7, 0, 20);
    EXPECT_EQ(1, m_host.SendEvents({reinterpret_cast<VstEvent*>(&off)}));
    STEREO_BLOCK block(64, 5);
    m_host.ProcessReplacing(block.inputs, block.outputs, 64);
    for (int channel = 0; channel < 2; ++channel)
        for (int i = 0; i < 64; ++i)
            EXPECT_EQ(i >= 16, block.output[channel][i] == block.input[channel][i]) << i;
    EXPECT_EQ(0.0f, m_host.GetParameter(kPower));
}
