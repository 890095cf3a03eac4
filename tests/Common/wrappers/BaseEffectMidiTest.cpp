// MIDI learn and the controller map on the real effect, and the .ccmap file's exact bytes.
#include "support/ChunkBytes.h"
#include "support/StateBytes.h"
#include "support/TempDataFolder.h"

#include "Common/wrappers/VSTwrapper/VstWrapper.h"
#include "Morvex.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

using namespace MorvexParam;
using StateBytes::Bytes;

namespace
{
// A .ccmap file built by hand: "QxvM", version, 128 little-endian entries.
Bytes MapFile(const std::vector<std::pair<int, int32_t>>& bindings, int32_t version = 1140)
{
    Bytes bytes = {'Q', 'x', 'v', 'M'};
    bytes.resize(520);
    ChunkBytes::PutI32(bytes, 4, version);
    for (size_t controller = 0; controller < 128; ++controller)
        ChunkBytes::PutI32(bytes, 8 + 4 * controller, -1);
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
    }
    void TearDown() override { delete m_wrapper; }
    std::vector<int32_t> Map() const
    {
        std::vector<int32_t> map;
        for (int controller = 0; controller < 128; ++controller)
            map.push_back(m_effect->GetMidiMapEntry(controller));
        return map;
    }
    // A control change as the adapter hands it on: the data byte over 127.
    void Cc(int controller, int value)
    {
        m_effect->OnMidiCC(controller, static_cast<float>(value) / 127.0f);
    }
    float Value(int id) { return m_effect->GetParameterInfo(id)->value; }
    CTempDataFolder m_data; // before the effect: its default preset and preferences live here
    CVstWrapper* m_wrapper = nullptr;
    CMorvex* m_effect = nullptr;
};
} // namespace

TEST_F(CBaseEffectMidiTest, LearningBindsAndMovesAtOnceThenEnds)
{
    EXPECT_EQ(m_effect->ActivateMidiLearn(kVolume, true), kVolume);
    Cc(7, 127);
    EXPECT_EQ(m_effect->GetMidiMapEntry(7), kVolume);
    EXPECT_EQ(m_effect->GetAssignedMidiCC(kVolume), 7);
    EXPECT_EQ(m_effect->IsMidiLearnActive(), -1);
    // The learning event itself moved "Volume" (-24..24 dB) to its maximum.
    EXPECT_FLOAT_EQ(Value(kVolume), 24.0f);
    Cc(7, 0);
    EXPECT_FLOAT_EQ(Value(kVolume), -24.0f);
    // A second controller afterwards binds nothing and changes nothing.
    Cc(9, 64);
    EXPECT_EQ(m_effect->GetMidiMapEntry(9), -1);
    EXPECT_FLOAT_EQ(Value(kVolume), -24.0f);
    // Switching learning off before any controller moves leaves the map alone.
    EXPECT_EQ(m_effect->ActivateMidiLearn(kPan, false), -1);
    Cc(10, 64);
    EXPECT_EQ(m_effect->GetMidiMapEntry(10), -1);
    // Controller numbers outside 0..127 are ignored, and learning goes on.
    m_effect->ActivateMidiLearn(kPan, true);
    m_effect->OnMidiCC(128, 1.0f);
    m_effect->OnMidiCC(-1, 1.0f);
    EXPECT_EQ(m_effect->IsMidiLearnActive(), kPan);
    EXPECT_EQ(m_effect->GetMidiMapEntry(128), -1);
    EXPECT_EQ(m_effect->GetAssignedMidiCC(-1), -1);
}

TEST_F(CBaseEffectMidiTest, RebindingUnbindsEveryControllerOfTheOldParameter)
{
    // 7 and 9 both bound to "Volume", as a saved map holds it.
    const std::string path = m_data.GetPath() + "/two.ccmap";
    StateBytes::WriteFile(path, MapFile({{7, kVolume}, {9, kVolume}}));
    ASSERT_TRUE(m_effect->LoadMidiMap(path.c_str()));
    ASSERT_EQ(m_effect->GetMidiMapEntry(9), kVolume);
    m_effect->ActivateMidiLearn(kLayerAMix, true);
    Cc(7, 30);
    EXPECT_EQ(m_effect->GetMidiMapEntry(7), kLayerAMix);
    EXPECT_EQ(m_effect->GetMidiMapEntry(9), -1);
    EXPECT_EQ(m_effect->GetAssignedMidiCC(kVolume), -1);
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
    const std::vector<int32_t> learned = Map();
    const std::string path = m_data.GetPath() + "/map.ccmap";
    ASSERT_TRUE(m_effect->SaveMidiMap(path.c_str()));
    const Bytes saved = StateBytes::ReadFile(path);
    EXPECT_EQ(saved, MapFile(bindings));
    // The magic is the chunk's 'MvxQ' number as it lies in memory.
    EXPECT_EQ(ChunkBytes::U32(saved, 0), 0x4D767851u);
    m_effect->ResetMidiMap();
    EXPECT_EQ(m_effect->GetAssignedMidiCC(kVolume), -1);
    ASSERT_TRUE(m_effect->LoadMidiMap(path.c_str()));
    EXPECT_EQ(Map(), learned);
    // Saving where no file can be made fails.
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
        StateBytes::WriteFile(path, file);
        EXPECT_FALSE(m_effect->LoadMidiMap(path.c_str())) << file.size() << " bytes";
    }
    EXPECT_FALSE(m_effect->LoadMidiMap((m_data.GetPath() + "/none.ccmap").c_str()));
    EXPECT_FALSE(m_effect->LoadMidiMap(nullptr));
    EXPECT_EQ(Map(), before);
    // Any version is accepted; ids outside -1..311 become -1.
    StateBytes::WriteFile(path, MapFile({{0, 312}, {1, -2}, {2, 0x7FFFFFFF}, {3, INT32_MIN},
                                         {4, 311}, {5, 0}},
                                        9999));
    ASSERT_TRUE(m_effect->LoadMidiMap(path.c_str()));
    for (int controller = 0; controller < 4; ++controller)
        EXPECT_EQ(m_effect->GetMidiMapEntry(controller), -1) << controller;
    EXPECT_EQ(m_effect->GetMidiMapEntry(4), 311);
    EXPECT_EQ(m_effect->GetMidiMapEntry(5), 0);
    // A bound controller that moves sets its parameter; the unbound ones do nothing.
    m_effect->OnMidiCC(2, 1.0f);
    m_effect->OnMidiCC(5, 0.0f);
    EXPECT_FLOAT_EQ(Value(kPower), 0.0f);
}
