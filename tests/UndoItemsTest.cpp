#include "support/CountingEditor.h"
#include "support/EffectFixture.h"
#include "support/HostRecorder.h"
#include "support/StateBytes.h"

#include "Processing/ModulationMatrix.h"
#include "UndoItems.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>

using namespace MorvexParam;

namespace
{
using Values = std::vector<float>;
using StateBytes::Bytes;

class CUndoItemsTest : public ::testing::Test
{
protected:
    void SetUp() override { m_effect->SetEditor(&m_editor); }
    void TearDown() override { m_effect->SetEditor(nullptr); }

    // Every unscaled value.
    Values State()
    {
        Values values(kNumParameters);
        for (int id = 0; id < kNumParameters; ++id)
            values[static_cast<size_t>(id)] = m_effect->GetParameterInfo(id)->value;
        return values;
    }
    Bytes Block(int id)
    {
        const uint8_t* data = m_effect->GetRawParameterBlock(id);
        return Bytes(data, data + m_effect->GetRawParameterBlockSize(id));
    }
    // Moves a parameter through the host's path to a scaled value other than its own.
    void Move(int id, float scaled = -1.0f)
    {
        if (scaled < 0.0f)
            scaled = m_effect->GetParameterScaled(id, false, false, 0) < 0.5f ? 0.8f : 0.2f;
        m_wrapper->setParameter(id, scaled);
    }
    // Scaled snapshots restore unscaled values to float precision of the curve.
    void ExpectValues(const Values& expected, const std::vector<int>& ids, const char* what)
    {
        for (int id : ids)
        {
            const PARAMETER_INFO* info = m_effect->GetParameterInfo(id);
            EXPECT_NEAR(info->value, expected[static_cast<size_t>(id)], 1e-4f * info->range)
                << what << " id " << id << " " << info->name;
        }
    }
    static std::vector<int> AllIdsBut(const std::vector<int>& ids)
    {
        std::vector<int> others;
        for (int id = 0; id < kNumParameters; ++id)
            if (std::find(ids.begin(), ids.end(), id) == ids.end())
                others.push_back(id);
        return others;
    }
    std::string Text(int id)
    {
        char text[24];
        m_effect->GetParameterTextValue(id, text);
        return text;
    }

    // Records `item`, moves `ids`, then checks that undo restores exactly them and
    // redo the moved values; parameters outside the snapshot are not touched.
    void CheckParameterItem(IActionItem* item, const std::vector<int>& ids, const char* what)
    {
        const Values before = State();
        const int updates = m_editor.m_updates;
        m_effect->AddUndoItem(item);
        for (int id : ids)
            Move(id);
        const Values after = State();
        for (int id : ids)
            ASSERT_NE(after[static_cast<size_t>(id)], before[static_cast<size_t>(id)])
                << what << " id " << id;
        // A parameter outside the snapshot, changed after the recording, stays.
        const int outside = AllIdsBut(ids).back();
        Move(outside);
        const Values changed = State();
        m_effect->Undo();
        ExpectValues(before, ids, what);
        ExpectValues(changed, AllIdsBut(ids), what);
        m_effect->Redo();
        ExpectValues(after, ids, what);
        EXPECT_EQ(m_editor.m_updates, updates + 2) << what;
    }

    CCountingEditor m_editor;
    CEffectInstance m_instance;
    CVstWrapper* m_wrapper = m_instance.Wrapper();
    CMorvex* m_effect = m_instance.Effect();
};
} // namespace

TEST_F(CUndoItemsTest, ParameterItemsHoldExactlyTheirParameters)
{
    // Every matrix slot, the last included.
    std::vector<int> ids;
    for (int id = kMtxPower; id < kMtxTarget + kNumMatrixSlots; ++id)
        ids.push_back(id);
    CheckParameterItem(new CMatrixUndoItem(m_effect), ids, "matrix");
    // Module kinds 1..6: layer-A ids of the module's run and its extra parameter.
    const std::vector<int> kinds[] = {
        {29, 31, 33, 35, 37, 39},                  // filter: Mode .. Hicut
        {65, 67, 69, 71, 73, 75},                  // distortion: Drive .. Mono
        {43, 45, 47, 49, 51, 53, 55, 57, 59, 309}, // delay: Sync .. PingPong, Delay Input
        {81, 83, 85, 87},                          // lo-fi: BitDepth .. Tone
        {107, 109, 111, 113, 115, 117, 119, 307},  // flanger: Delay .. Tone, Flanger Mode
        {93, 95, 97, 99, 101, 103},                // glitch: Buffer .. Mode
    };
    for (int kind = 1; kind <= 6; ++kind)
    {
        for (int layer = 0; layer < 2; ++layer)
        {
            ids.clear();
            for (int id : kinds[kind - 1])
                ids.push_back(id + layer);
            const std::string what =
                "kind " + std::to_string(kind) + " layer " + std::to_string(layer);
            CheckParameterItem(new CFxUndoItem(m_effect, kind, layer), ids, what.c_str());
        }
    }
    // A pasted layer: all of layer B's module parameters.
    ids.clear();
    for (int id = kFilterOn; id <= kFlangerMix; id += 2)
        ids.push_back(id + 1);
    ids.push_back(kFlangerMode + 1);
    ids.push_back(kDelayInput + 1);
    ASSERT_EQ(ids.size(), 51u);
    CheckParameterItem(new CPasteLayerUndoItem(m_effect, 1), ids, "paste layer");
}

TEST_F(CUndoItemsTest, UndoingASyncSwitchGivesTheSpeedItsShapeBack)
{
    // Synchronized at "1/8" (index 5); a randomization frees the delay and sets
    // a time in milliseconds.
    ASSERT_EQ(Text(kDelaySpeedL), "1/8");
    m_effect->AddUndoItem(new CFxUndoItem(m_effect, 3, 0));
    m_wrapper->setParameter(kDelaySync, 0.0f);
    m_wrapper->setParameter(kDelaySpeedL, 0.5f); // 0.1 x sqrt(20000) = 14.1 ms
    ASSERT_EQ(Text(kDelaySpeedL), "14.1ms");
    m_effect->Undo();
    EXPECT_EQ(m_effect->GetParameterInfo(kDelaySpeedL)->curve, kCurveStepped);
    EXPECT_EQ(m_effect->GetParameterInfo(kDelaySpeedL)->value, 5.0f);
    EXPECT_EQ(Text(kDelaySpeedL), "1/8");
    m_effect->Redo();
    EXPECT_EQ(m_effect->GetParameterInfo(kDelaySpeedL)->curve, kCurveOctave);
    EXPECT_EQ(Text(kDelaySpeedL), "14.1ms");
}

TEST_F(CUndoItemsTest, PastedModulatorIsUndoneWithItsBlocksOnly)
{
    // Modulator 4 (index 3): its 11 parameters 8 apart, and its three blocks.
    std::vector<int> mod;
    for (int k = 0; k < 11; ++k)
        mod.push_back(kModSync + 3 + 8 * k);
    const Bytes points = Block(10006);
    const Bytes steps = Block(10014);
    const Bytes path = Block(10022);
    auto* item = new CPasteModUndoItem(m_effect, 3);
    const Bytes pasted(768, 0x11);
    m_effect->SetRawParameterBlock(10006, pasted.data());
    m_effect->SetRawParameterBlock(10014, Bytes(256, 0x22).data());
    m_effect->SetRawParameterBlock(10022, Bytes(2048, 'p').data());
    m_effect->SetRawParameterBlock(10015, Bytes(256, 0x33).data()); // modulator 5
    CheckParameterItem(item, mod, "paste modulator");
    // Redo left the pasted blocks; undo once more for the blocks' check.
    EXPECT_EQ(Block(10006), pasted);
    m_effect->Undo();
    EXPECT_EQ(Block(10006), points);
    EXPECT_EQ(Block(10014), steps);
    EXPECT_EQ(Block(10022), path);
    EXPECT_EQ(Block(10015), Bytes(256, 0x33));
}

TEST_F(CUndoItemsTest, ModulatorPresetLoadIsUndoneInFull)
{
    // Modulator 2 (index 1) shows a preset, has own steps, envelope mode, 16 steps.
    char shown[2048] = "/lib/Modulator Presets/User/Bounce.mprg";
    m_effect->SetRawParameterBlock(10020, shown);
    m_effect->SetRawParameterBlock(10012, Bytes(256, 0x41).data());
    m_wrapper->setParameter(kModMode + 1, 1.0f);
    m_wrapper->setParameter(kModNumSteps + 1, 14.0f / 30.0f); // 2 + trunc(30.99 x 14/30) = 16
    ASSERT_EQ(m_effect->GetParameterInfo(kModNumSteps + 1)->value, 16.0f);
    const Bytes path = Block(10020);
    const Bytes steps = Block(10012);
    const Bytes points = Block(10004);

    // A preset load: new points, steps, mode, step count and path.
    m_effect->AddUndoItem(new CMsegUndoItem(m_effect, 1));
    m_effect->SetRawParameterBlock(10004, Bytes(768, 0x55).data());
    m_effect->SetRawParameterBlock(10012, Bytes(256, 0x66).data());
    m_effect->SetParameterUnscaled(kModMode + 1, 0.0f);
    m_effect->SetParameterUnscaled(kModNumSteps + 1, 7.0f);
    char loaded[2048] = "/lib/Modulator Presets/User/Pulse.mprg";
    m_effect->SetRawParameterBlock(10020, loaded);

    m_effect->Undo();
    EXPECT_EQ(Block(10020), path);
    EXPECT_EQ(Block(10012), steps);
    EXPECT_EQ(Block(10004), points);
    EXPECT_EQ(m_effect->GetParameterInfo(kModMode + 1)->value, 1.0f);
    EXPECT_EQ(m_effect->GetParameterInfo(kModNumSteps + 1)->value, 16.0f);
    m_effect->Redo();
    EXPECT_STREQ(reinterpret_cast<const char*>(m_effect->GetRawParameterBlock(10020)), loaded);
    EXPECT_EQ(Block(10004), Bytes(768, 0x55));
    EXPECT_EQ(m_effect->GetParameterInfo(kModNumSteps + 1)->value, 7.0f);
    EXPECT_EQ(m_editor.m_updates, 2);

    // A path block without a terminator is recorded as terminated text.
    m_effect->SetRawParameterBlock(10020, Bytes(2048, 'C').data());
    m_effect->AddUndoItem(new CMsegUndoItem(m_effect, 1));
    m_effect->SetRawParameterBlock(10020, loaded);
    m_effect->Undo();
    const Bytes restored = Block(10020);
    EXPECT_EQ(restored[2046], 'C');
    EXPECT_EQ(restored[2047], 0);
}

TEST_F(CUndoItemsTest, RoutingUndoRestoresOnlyThatLayer)
{
    const int32_t dragged[7] = {6, 0, 1, 2, 3, 5, 4};
    const Bytes layerB = Block(10002);
    m_effect->AddUndoItem(new CRoutingUndoItem(m_effect, 1));
    m_effect->SetRawParameterBlock(10002, dragged);
    m_effect->SetRawParameterBlock(10001, dragged); // layer A changes too, unrecorded
    m_effect->Undo();
    EXPECT_EQ(Block(10002), layerB);
    EXPECT_EQ(std::memcmp(m_effect->GetRawParameterBlock(10001), dragged, 28), 0);
    m_effect->Redo();
    EXPECT_EQ(std::memcmp(m_effect->GetRawParameterBlock(10002), dragged, 28), 0);
}

TEST_F(CUndoItemsTest, MainPresetUndoSwapsTheWholeStateEvenWhenItsSizeChanges)
{
    const Bytes original = StateBytes::Chunk(m_effect);
    m_effect->AddUndoItem(new CMainPresetUndoItem(m_effect));
    m_effect->ResetMidiMap();
    m_effect->ActivateMidiLearn(kPan, true);
    m_effect->OnMidiCC(3, 0.0f);
    Move(kVolume);
    Move(kFilterCutoff + 1);
    m_effect->SetRawParameterBlock(10001, Bytes(28, 1).data());
    // The state grows after the recording (a block registered later): the item
    // must not assume the size of its first snapshot.
    m_effect->AddRawParameterBlock(20000, 4096);
    m_effect->SetRawParameterBlock(20000, Bytes(4096, 9).data());
    const Bytes changed = StateBytes::Chunk(m_effect);
    ASSERT_EQ(changed.size(), original.size() + 12 + 4096);

    m_effect->Undo();
    // Everything of the original is back; the new block, absent from it, stays.
    const Bytes now = StateBytes::Chunk(m_effect);
    ASSERT_EQ(now.size(), changed.size());
    EXPECT_TRUE(std::equal(original.begin(), original.end(), now.begin()));
    EXPECT_EQ(m_effect->GetMidiMapEntry(3), -1);
    m_effect->Redo();
    EXPECT_EQ(StateBytes::Chunk(m_effect), changed);
    EXPECT_EQ(m_effect->GetMidiMapEntry(3), kPan);
}

TEST_F(CUndoItemsTest, ItemsForNoModuleLayerOrModulatorChangeNothing)
{
    const Bytes before = StateBytes::Chunk(m_effect);
    IActionItem* items[] = {
        new CFxUndoItem(m_effect, 0, 0),    new CFxUndoItem(m_effect, 7, 0),
        new CFxUndoItem(m_effect, 1, 2),    new CMsegUndoItem(m_effect, 8),
        new CMsegUndoItem(m_effect, -1),    new CRoutingUndoItem(m_effect, -1),
        new CPasteModUndoItem(m_effect, 8), new CPasteLayerUndoItem(m_effect, 2),
    };
    for (IActionItem* item : items)
        m_effect->AddUndoItem(item);
    for (int i = 0; i < 8; ++i)
    {
        m_effect->Undo();
        m_effect->Redo();
        m_effect->Undo();
    }
    EXPECT_EQ(StateBytes::Chunk(m_effect), before);
}

// Editing commands and their undo change values the host never sent. The host hears of
// every value that changed as one gesture (begin, automate with the new value, end), and
// telling it adds no undo step.
TEST(CEditingCommandsTest, TellTheHostEveryValueTheyChange)
{
    CPluginInstance plugin;
    CMorvex* effect = plugin.Effect();
    CModulationMatrix* matrix = effect->GetModulationMatrix();
    const auto moveKnob = [&] {
        effect->HostBeginEdit(kPan);
        plugin.Wrapper()->setParameter(kPan, 0.9f);
        effect->HostEndEdit(kPan);
    };
    struct ROW
    {
        const char* name;
        std::function<void()> command;
        std::vector<int> told; // slot 0's parameters and the knob
    };
    const ROW rows[] = {
        {"add", [&] { effect->AddModulation(kVolume, 2, true); },
         {kMtxSource, kMtxTarget, kMtxDepth}},
        {"disable", [&] { matrix->EnableModulations(kVolume, false); }, {kMtxPower}},
        {"undo the disable", [&] { effect->Undo(); }, {kMtxPower}},
        {"clear", [&] { matrix->ClearModulations(kVolume); },
         {kMtxSource, kMtxTarget, kMtxDepth, kMtxPower}},
        {"undo the clear", [&] { effect->Undo(); }, {kMtxSource, kMtxTarget, kMtxDepth}},
        {"undo a knob move", [&] { moveKnob(), plugin.Host().Clear(), effect->Undo(); }, {kPan}},
        {"redo it", [&] { effect->Redo(); }, {kPan}},
    };
    for (const ROW& row : rows)
    {
        SCOPED_TRACE(row.name);
        plugin.Host().Clear();
        row.command();
        const int historySize = effect->GetUndoCount() + effect->GetRedoCount();
        std::map<int, std::vector<int>> gestures;
        for (const HOST_CALL& call : plugin.Host().Calls())
        {
            if (call.opcode != audioMasterBeginEdit && call.opcode != audioMasterAutomate &&
                call.opcode != audioMasterEndEdit)
                continue;
            gestures[call.index].push_back(call.opcode);
            if (call.opcode == audioMasterAutomate)
            {
                EXPECT_EQ(call.value, effect->GetParameterScaled(call.index, false, false, 0));
            }
        }
        std::map<int, std::vector<int>> expected;
        for (const int id : row.told)
            expected[id] = {audioMasterBeginEdit, audioMasterAutomate, audioMasterEndEdit};
        EXPECT_EQ(gestures, expected);
        // The gestures recorded nothing: the history holds only the command itself.
        EXPECT_EQ(effect->GetUndoCount() + effect->GetRedoCount(), historySize);
    }
}
