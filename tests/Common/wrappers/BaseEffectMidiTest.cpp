// MIDI learn and the controller map on the real effect, driven through the adapter as the
// host drives it: events through processEvents, applied between 16-sample sub-blocks of
// processReplacing; and the .ccmap file (exact bytes, round trip, refusal of anything else).
#include "support/ChunkBytes.h"
#include "support/TempDataFolder.h"

#include "Common/wrappers/VSTwrapper/VstWrapper.h"
#include "Morvex.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

using namespace MorvexParam;

namespace
{
using Bytes = std::vector<uint8_t>;

Bytes ReadBytes(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

void WriteBytes(const std::string& path, const Bytes& bytes)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

// A .ccmap file built by hand: "QxvM", version, 128 little-endian entries.
Bytes MapFile(const std::vector<std::pair<int, int32_t>>& bindings, int32_t version = 1140)
{
    Bytes bytes(520, 0);
    bytes[0] = 'Q';
    bytes[1] = 'x';
    bytes[2] = 'v';
    bytes[3] = 'M';
    ChunkBytes::PutI32(bytes, 4, version);
    for (int controller = 0; controller < 128; ++controller)
        ChunkBytes::PutI32(bytes, 8 + 4 * static_cast<size_t>(controller), -1);
    for (const auto& binding : bindings)
        ChunkBytes::PutI32(bytes, 8 + 4 * static_cast<size_t>(binding.first), binding.second);
    return bytes;
}

class CBaseEffectMidiTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_wrapper = static_cast<CVstWrapper*>(createEffectInstance(nullptr));
        m_effect = static_cast<CMorvex*>(m_wrapper->GetBaseEffect());
        m_effect->SetSampleRate(44100.0f);
    }
    void TearDown() override { delete m_wrapper; }

    std::vector<int32_t> Map() const
    {
        std::vector<int32_t> map;
        for (int controller = 0; controller < 128; ++controller)
            map.push_back(m_effect->GetMidiMapEntry(controller));
        return map;
    }

    // One host block: the events through processEvents, then processReplacing of `frames`.
    void HostBlock(const std::vector<std::array<uint8_t, 3>>& messages, int frames = 64,
                   int deltaFrames = 0)
    {
        std::vector<VstMidiEvent> midi(messages.size());
        std::vector<VstEvent*> pointers;
        for (size_t i = 0; i < messages.size(); ++i)
        {
            midi[i] = VstMidiEvent{};
            midi[i].type = kVstMidiType;
            midi[i].byteSize = sizeof(VstMidiEvent);
            midi[i].deltaFrames = deltaFrames;
            for (int b = 0; b < 3; ++b)
                midi[i].midiData[b] = static_cast<char>(messages[i][static_cast<size_t>(b)]);
            pointers.push_back(reinterpret_cast<VstEvent*>(&midi[i]));
        }
        // VstEvents ends in a two-pointer array: room for any count after it.
        std::vector<uint8_t> storage(sizeof(VstEvents) + pointers.size() * sizeof(VstEvent*));
        auto* events = reinterpret_cast<VstEvents*>(storage.data());
        events->numEvents = static_cast<VstInt32>(pointers.size());
        for (size_t i = 0; i < pointers.size(); ++i)
            events->events[i] = pointers[i];
        m_wrapper->processEvents(events);
        std::vector<float> in(static_cast<size_t>(frames), 0.0f);
        std::vector<float> outL(in.size()), outR(in.size());
        float* inputs[2] = {in.data(), in.data()};
        float* outputs[2] = {outL.data(), outR.data()};
        m_wrapper->processReplacing(inputs, outputs, frames);
    }

    CTempDataFolder m_data; // before the effect: its default preset and preferences live here
    CVstWrapper* m_wrapper = nullptr;
    CMorvex* m_effect = nullptr;
};
} // namespace

TEST_F(CBaseEffectMidiTest, OnlyControlChangesCountOnEveryChannel)
{
    m_effect->ActivateMidiLearn(kVolume, true);
    // Note-on and pitch bend of controller-like data bytes: nothing is learned or moved.
    HostBlock({{0x90, 7, 100}, {0xE0, 7, 100}, {0x80, 7, 0}, {0xD0, 7, 0}});
    EXPECT_EQ(m_effect->IsMidiLearnActive(), kVolume);
    EXPECT_EQ(m_effect->GetMidiMapEntry(7), -1);
    EXPECT_FLOAT_EQ(m_effect->GetParameterInfo(kVolume)->value, 0.0f);

    // A control change on channel 16 (status 0xBF) is taken like one on channel 1.
    HostBlock({{0xBF, 7, 127}});
    EXPECT_EQ(m_effect->GetMidiMapEntry(7), kVolume);
    EXPECT_FLOAT_EQ(m_effect->GetParameterInfo(kVolume)->value, 24.0f);
    HostBlock({{0xB0, 7, 0}});
    EXPECT_FLOAT_EQ(m_effect->GetParameterInfo(kVolume)->value, -24.0f);
}

TEST_F(CBaseEffectMidiTest, LearningBindsAndMovesAtOnceThenEnds)
{
    EXPECT_EQ(m_effect->ActivateMidiLearn(kVolume, true), kVolume);
    HostBlock({{0xB0, 7, 127}});
    EXPECT_EQ(m_effect->GetMidiMapEntry(7), kVolume);
    EXPECT_EQ(m_effect->GetAssignedMidiCC(kVolume), 7);
    EXPECT_EQ(m_effect->IsMidiLearnActive(), -1);
    // The learning event itself moved "Volume" (-24..24 dB) to its maximum.
    EXPECT_FLOAT_EQ(m_effect->GetParameterInfo(kVolume)->value, 24.0f);

    // A second controller afterwards binds nothing and changes nothing.
    HostBlock({{0xB0, 9, 0}});
    EXPECT_EQ(m_effect->GetMidiMapEntry(9), -1);
    EXPECT_FLOAT_EQ(m_effect->GetParameterInfo(kVolume)->value, 24.0f);

    // Switching learning off before any controller moves leaves the map alone.
    EXPECT_EQ(m_effect->ActivateMidiLearn(kPan, false), -1);
    HostBlock({{0xB0, 10, 64}});
    EXPECT_EQ(m_effect->GetMidiMapEntry(10), -1);
}

TEST_F(CBaseEffectMidiTest, RebindingUnbindsEveryControllerOfTheOldParameter)
{
    // 7 and 9 both bound to "Volume" (2): through the host chunk, as a saved project holds it.
    Bytes map = MapFile({{7, kVolume}, {9, kVolume}});
    const std::string path = m_data.GetPath() + "/two.ccmap";
    WriteBytes(path, map);
    ASSERT_TRUE(m_effect->LoadMidiMap(path.c_str()));
    ASSERT_EQ(m_effect->GetMidiMapEntry(9), kVolume);

    m_effect->ActivateMidiLearn(kLayerAMix, true);
    HostBlock({{0xB0, 7, 30}});
    EXPECT_EQ(m_effect->GetMidiMapEntry(7), kLayerAMix);
    EXPECT_EQ(m_effect->GetMidiMapEntry(9), -1);
    EXPECT_EQ(m_effect->GetAssignedMidiCC(kVolume), -1);
}

TEST_F(CBaseEffectMidiTest, ControllerValuesMapOntoTheScaledRange)
{
    m_effect->ActivateMidiLearn(kEqMidFreq, true); // linear 800..2500 Hz
    HostBlock({{0xB0, 20, 127}});
    EXPECT_FLOAT_EQ(m_effect->GetParameterInfo(kEqMidFreq)->value, 2500.0f);
    HostBlock({{0xB0, 20, 0}});
    EXPECT_FLOAT_EQ(m_effect->GetParameterInfo(kEqMidFreq)->value, 800.0f);
    HostBlock({{0xB0, 20, 64}});
    // 64 / 127 = 0.50394
    EXPECT_NEAR(m_effect->GetParameterScaled(kEqMidFreq, false, false, 0), 0.504f, 0.0005f);
    EXPECT_NEAR(m_effect->GetParameterInfo(kEqMidFreq)->value, 800.0 + 1700.0 * 64.0 / 127.0,
                0.01);
}

TEST_F(CBaseEffectMidiTest, SavedMapFileHasTheExactLayoutAndRestoresEveryBinding)
{
    const std::vector<std::pair<int, int32_t>> bindings = {
        {0, kPower}, {7, kVolume}, {9, kVolume}, {64, kFilterCutoff + 1}, {127, kReverbInput}};
    for (const auto& binding : bindings)
    {
        m_effect->ActivateMidiLearn(binding.second, true);
        m_effect->OnMidiCC(binding.first, 0.5f);
    }
    // A parameter may have several controllers: 9 joined 7 on "Volume".
    ASSERT_EQ(m_effect->GetMidiMapEntry(7), kVolume);
    ASSERT_EQ(m_effect->GetMidiMapEntry(9), kVolume);
    const std::vector<int32_t> learned = Map();

    const std::string path = m_data.GetPath() + "/map.ccmap";
    ASSERT_TRUE(m_effect->SaveMidiMap(path.c_str()));
    Bytes expected = MapFile({});
    for (int controller = 0; controller < 128; ++controller)
        ChunkBytes::PutI32(expected, 8 + 4 * static_cast<size_t>(controller),
                           learned[static_cast<size_t>(controller)]);
    const Bytes saved = ReadBytes(path);
    EXPECT_EQ(saved, expected);
    // The magic is the chunk's 'MvxQ' number as it lies in memory.
    EXPECT_EQ(ChunkBytes::U32(saved, 0), 0x4D767851u);

    m_effect->ResetMidiMap();
    EXPECT_EQ(m_effect->GetAssignedMidiCC(kVolume), -1);
    ASSERT_TRUE(m_effect->LoadMidiMap(path.c_str()));
    EXPECT_EQ(Map(), learned);

    // Saving where no file can be made fails and leaves nothing behind.
    EXPECT_FALSE(m_effect->SaveMidiMap((m_data.GetPath() + "/missing/map.ccmap").c_str()));
    EXPECT_FALSE(m_effect->SaveMidiMap(nullptr));
}

TEST_F(CBaseEffectMidiTest, AnythingButAWholeMapFileIsRefusedWithTheMapUnchanged)
{
    m_effect->ActivateMidiLearn(kPan, true);
    m_effect->OnMidiCC(11, 0.5f);
    const std::vector<int32_t> before = Map();
    const std::string path = m_data.GetPath() + "/bad.ccmap";

    Bytes wrongMagic = MapFile({{1, kVolume}});
    wrongMagic[0] = 'X';
    Bytes reversedMagic = MapFile({{1, kVolume}});
    ChunkBytes::PutU32(reversedMagic, 0, 0x5178764D); // "MvxQ" in file order
    Bytes shortFile = MapFile({{1, kVolume}});
    shortFile.resize(519);
    Bytes longFile = MapFile({{1, kVolume}});
    longFile.push_back(0);
    Bytes headerOnly = MapFile({});
    headerOnly.resize(8);
    for (const Bytes& file : {wrongMagic, reversedMagic, shortFile, longFile, headerOnly, Bytes()})
    {
        WriteBytes(path, file);
        EXPECT_FALSE(m_effect->LoadMidiMap(path.c_str())) << file.size() << " bytes";
        EXPECT_EQ(Map(), before);
    }
    EXPECT_FALSE(m_effect->LoadMidiMap((m_data.GetPath() + "/none.ccmap").c_str()));
    EXPECT_FALSE(m_effect->LoadMidiMap(nullptr));
    EXPECT_EQ(Map(), before);
}

TEST_F(CBaseEffectMidiTest, EntriesNamingNoParameterLoadAsUnbound)
{
    const std::string path = m_data.GetPath() + "/hostile.ccmap";
    // Any version is accepted; ids outside -1..311 become -1.
    WriteBytes(path, MapFile({{0, 312}, {1, -2}, {2, 0x7FFFFFFF}, {3, INT32_MIN}, {4, 311},
                              {5, 0}},
                             9999));
    ASSERT_TRUE(m_effect->LoadMidiMap(path.c_str()));
    for (int controller = 0; controller < 4; ++controller)
        EXPECT_EQ(m_effect->GetMidiMapEntry(controller), -1) << controller;
    EXPECT_EQ(m_effect->GetMidiMapEntry(4), 311);
    EXPECT_EQ(m_effect->GetMidiMapEntry(5), 0);
    // A bound controller that moves sets its parameter; the unbound ones do nothing.
    m_effect->OnMidiCC(2, 1.0f);
    m_effect->OnMidiCC(5, 0.0f);
    EXPECT_FLOAT_EQ(m_effect->GetParameterInfo(kPower)->value, 0.0f);
}
