// A controller map given through the host chunk (effSetChunk), and control changes landing
// on the 16-sample sub-block their sample offset falls in, all through the VST 2.4
// interface. Controller 7 is bound to "Power": while it is on, "Volume" at -24 dB makes the
// output quieter than the input; from the sub-block where it goes off, the output is the
// input, bit for bit.
#include "PluginTestFixture.h"

#include <cstdint>
#include <cstring>
#include <vector>

namespace
{
constexpr int kPower = 0;
constexpr int kVolume = 2;
constexpr size_t kMapOffset = 2056; // int32[128] in the host chunk

class CPluginMidiMapTest : public CPluginInterfaceTest
{
protected:
    void SetUp() override
    {
        CPluginInterfaceTest::SetUp();
        m_host.Resume(44100.0f, 512);
        m_host.SetParameter(kVolume, 0.0f); // -24 dB
        // Let the volume's 50 ms smoothing settle.
        for (int block = 0; block < 100; ++block)
            Block(512, 1);
    }

    std::vector<uint8_t> GetChunk()
    {
        void* data = nullptr;
        const VstIntPtr size = m_host.Dispatch(effGetChunk, 0, 0, &data);
        if (!data || size <= 0)
            return {};
        const auto* bytes = static_cast<const uint8_t*>(data);
        return std::vector<uint8_t>(bytes, bytes + size);
    }

    void BindThroughChunk(int controller, int32_t id)
    {
        std::vector<uint8_t> chunk = GetChunk();
        ASSERT_GE(chunk.size(), kMapOffset + 512);
        const uint32_t bits = static_cast<uint32_t>(id);
        for (size_t i = 0; i < 4; ++i)
            chunk[kMapOffset + 4 * static_cast<size_t>(controller) + i] =
                static_cast<uint8_t>(bits >> (8 * i));
        m_host.Dispatch(effSetChunk, 0, static_cast<VstIntPtr>(chunk.size()), chunk.data());
    }

    // One block; answers, per sample, whether both channels equal the input exactly.
    std::vector<bool> Block(int frames, unsigned seed)
    {
        CStereoBlock block(frames);
        block.FillInput(seed);
        m_host.ProcessReplacing(block.Inputs(), block.Outputs(), frames);
        std::vector<bool> same;
        for (int i = 0; i < frames; ++i)
            same.push_back(block.Output(0)[i] == block.Input(0)[i] &&
                           block.Output(1)[i] == block.Input(1)[i]);
        return same;
    }

    // The first sample of the block whose output equals the input, or -1.
    static int FirstBypassed(const std::vector<bool>& same)
    {
        for (size_t i = 0; i < same.size(); ++i)
        {
            if (same[i])
                return static_cast<int>(i);
        }
        return -1;
    }

    static bool AllFrom(const std::vector<bool>& same, int first)
    {
        for (size_t i = static_cast<size_t>(first); i < same.size(); ++i)
        {
            if (!same[i])
                return false;
        }
        return true;
    }

    void PowerOn()
    {
        m_host.SetParameter(kPower, 1.0f);
        Block(64, 2);
    }
};
} // namespace

TEST_F(CPluginMidiMapTest, MapFromTheChunkMovesItsParameterOnTheRightSubBlock)
{
    ASSERT_EQ(-1, FirstBypassed(Block(64, 3))) << "the volume does not attenuate";

    // Unbound, controller 7 does nothing.
    m_host.SendControlChanges({{0, 7, 0, 0}});
    EXPECT_EQ(-1, FirstBypassed(Block(64, 4)));

    BindThroughChunk(7, kPower);
    EXPECT_EQ(1.0f, m_host.GetParameter(kPower));
    // The chunk holds the new map.
    const std::vector<uint8_t> chunk = GetChunk();
    EXPECT_EQ(0, chunk[kMapOffset + 28]);
    EXPECT_EQ(0xFF, chunk[kMapOffset + 24]); // controller 6: -1

    // Offset 20 lies in the second sub-block (16..31): applied before it.
    m_host.SendControlChanges({{0, 7, 0, 20}});
    std::vector<bool> same = Block(64, 5);
    EXPECT_EQ(16, FirstBypassed(same));
    EXPECT_TRUE(AllFrom(same, 16));
    EXPECT_EQ(0.0f, m_host.GetParameter(kPower));

    // Offset 5, on channel 16: applied before the first sub-block.
    PowerOn();
    m_host.SendControlChanges({{15, 7, 0, 5}});
    same = Block(64, 6);
    EXPECT_EQ(0, FirstBypassed(same));
    EXPECT_TRUE(AllFrom(same, 0));

    // Offset 35 of a 40-sample block (16 + 16 + 8): no event during the remainder, so it
    // waits for the start of the next block.
    PowerOn();
    m_host.SendControlChanges({{0, 7, 0, 35}});
    EXPECT_EQ(-1, FirstBypassed(Block(40, 7)));
    EXPECT_EQ(1.0f, m_host.GetParameter(kPower));
    same = Block(40, 8);
    EXPECT_EQ(0, FirstBypassed(same));

    // A note-on and a pitch bend with the same data bytes change nothing.
    PowerOn();
    std::vector<VstMidiEvent> events(2);
    std::vector<VstEvent*> pointers;
    const uint8_t statuses[2] = {0x90, 0xE0};
    for (size_t i = 0; i < events.size(); ++i)
    {
        std::memset(&events[i], 0, sizeof(VstMidiEvent));
        events[i].type = kVstMidiType;
        events[i].byteSize = sizeof(VstMidiEvent);
        events[i].midiData[0] = static_cast<char>(statuses[i]);
        events[i].midiData[1] = 7;
        events[i].midiData[2] = 0;
        pointers.push_back(reinterpret_cast<VstEvent*>(&events[i]));
    }
    m_host.SendEvents(pointers);
    EXPECT_EQ(-1, FirstBypassed(Block(64, 9)));
    EXPECT_EQ(1.0f, m_host.GetParameter(kPower));
}
