// The modulation matrix inside the real effect at 48 kHz, driven like the engine: PreProcess
// per host block, Generate per 16-sample sub-block.
#include "Processing/ModulationMatrix.h"
#include "support/CountingEditor.h"
#include "support/EffectFixture.h"
#include "support/ProcessingHarness.h"

#include <gtest/gtest.h>

#include <vector>

using namespace MorvexParam;

namespace
{
class CModulationMatrixTest : public ::testing::Test
{
protected:
    CModulationMatrixTest()
    {
        m_effect->SetSampleRate(48000.0f);
        m_effect->SetBlockSize(1024);
        m_effect->SetEditor(&m_editor);
    }
    ~CModulationMatrixTest() override { m_effect->SetEditor(nullptr); }
    void SetUnscaled(int id, float value) { m_effect->SetParameterUnscaled(id, value); }
    float Unscaled(int id) { return m_effect->GetParameterInfo(id)->value; }
    void Route(int slot, int source, int target, float depthPercent)
    {
        SetUnscaled(kMtxSource + slot, static_cast<float>(source));
        SetUnscaled(kMtxTarget + slot, static_cast<float>(target));
        SetUnscaled(kMtxDepth + slot, depthPercent);
    }
    // The four parameters of every slot.
    std::vector<float> Slots()
    {
        std::vector<float> values;
        for (int id = kMtxPower; id < kMtxTarget + kNumMatrixSlots; ++id)
            values.push_back(Unscaled(id));
        return values;
    }
    void SettleSmoothing(std::initializer_list<int> ids)
    {
        for (int id : ids)
            for (int i = 0; i < 2000; ++i)
                m_effect->GetParameterScaled(id, true, false, 0);
    }
    // Every step of modulator `mod` at `level`, full gate, no glide.
    void MakeConstant(int mod, float level)
    {
        SetSteps(mod, level);
        SetUnscaled(kModMode + mod, 0.0f);
        SetUnscaled(kModGate + mod, 100.0f);
        SetUnscaled(kModSmooth + mod, 0.0f);
        SettleSmoothing({kModGate + mod, kModSmooth + mod, kModShuffle + mod, kModTension + mod});
    }
    void SetSteps(int mod, float level)
    {
        ProcessingHarness::SetSteps(m_effect, mod, [level](int) { return level; });
    }
    void HostBlock(int numSamples)
    {
        m_effect->PreProcess(numSamples);
        for (int start = 0; start < numSamples; start += 16)
            m_matrix->Generate(std::min(16, numSamples - start));
    }
    void HostBlocks(double seconds, int blockSize)
    {
        for (int b = static_cast<int>(seconds * 48000.0 / blockSize); b > 0; --b)
            HostBlock(blockSize);
    }
    int Count(int id) { return m_matrix->GetModulation(id)->count; }
    CCountingEditor m_editor;
    CEffectInstance m_instance;
    CMorvex* m_effect = m_instance.Effect();
    CModulationMatrix* m_matrix = m_effect->GetModulationMatrix();
};
} // namespace

TEST_F(CModulationMatrixTest, PowerSwitchesGateTheRouting)
{
    MakeConstant(0, 1.0f);
    Route(0, 0, kVolume, 50.0f);
    HostBlocks(0.5, 256); // the depth settles
    ASSERT_EQ(Count(kVolume), 1);
    const PARAM_MODULATION* record = m_matrix->GetModulation(kVolume);
    EXPECT_EQ(record->buffers[0], m_matrix->GetModulationBuffer(0));
    EXPECT_FLOAT_EQ(record->depths[0], 0.5f); // 50 % -> scaled 0.75 -> 2 x 0.75 - 1
    EXPECT_EQ(record->sources[0], 0);
    EXPECT_EQ(record->slots[0], 0);
    // "Volume" 0 dB is scaled 0.5; buffer 1 x depth 0.5 on top gives 1.0.
    for (int j = 0; j < 16; ++j)
        EXPECT_FLOAT_EQ(m_effect->GetParameterScaled(kVolume, false, true, j), 1.0f);
    SetUnscaled(kMtxPower + 0, 0.0f); // slot off
    HostBlock(256);
    EXPECT_EQ(Count(kVolume), 0);
    EXPECT_FLOAT_EQ(m_effect->GetParameterScaled(kVolume, false, true, 3), 0.5f);
    SetUnscaled(kMtxPower + 0, 1.0f);
    SetUnscaled(kModMtxPower, 0.0f); // matrix off: no record anywhere
    HostBlock(256);
    for (int id = 0; id < kNumParameters; ++id)
        ASSERT_EQ(Count(id), 0) << id;
    SetUnscaled(kModMtxPower, 1.0f);
    HostBlock(256);
    EXPECT_EQ(Count(kVolume), 1);
    EXPECT_EQ(m_matrix->GetModulation(-1), nullptr);
    EXPECT_EQ(m_matrix->GetModulation(kNumParameters), nullptr);
    EXPECT_EQ(m_matrix->GetModulationBuffer(8), nullptr);
}

TEST_F(CModulationMatrixTest, SlotsAddUpAndEmptySlotsAreIgnored)
{
    MakeConstant(0, 1.0f);
    MakeConstant(1, 0.5f);
    Route(0, 0, kVolume, 20.0f);
    Route(1, 0, kVolume, 10.0f);
    Route(2, -1, kVolume, 90.0f); // no source: empty
    Route(3, 1, -1, 90.0f);       // no target: empty
    Route(4, 1, kVolume, 90.0f);
    SetUnscaled(kMtxPower + 4, 0.0f); // switched off
    Route(5, 1, kVolume, -30.0f);
    HostBlocks(0.5, 512);
    ASSERT_EQ(Count(kVolume), 3);
    const PARAM_MODULATION* record = m_matrix->GetModulation(kVolume);
    EXPECT_EQ(record->slots[0], 0); // slot order
    EXPECT_EQ(record->slots[1], 1);
    EXPECT_EQ(record->slots[2], 5);
    EXPECT_EQ(record->sources[2], 1);
    EXPECT_EQ(Count(kPan), 0);
    // 0.5 + 1 x 0.2 + 1 x 0.1 + 0.5 x (-0.3) = 0.65
    EXPECT_NEAR(m_effect->GetParameterScaled(kVolume, false, true, 7), 0.65f, 1e-6f);
}

TEST_F(CModulationMatrixTest, SlotCanModulateTheDepthOfALaterSlot)
{
    MakeConstant(0, 1.0f);
    MakeConstant(1, 1.0f);
    // Slot 0 adds +25 % of the range to slot 1's depth (scaled 0.5 -> 0.75, depth +0.5).
    Route(0, 0, kMtxDepth + 1, 25.0f);
    Route(1, 1, kVolume, 0.0f);
    HostBlocks(0.5, 512);
    ASSERT_EQ(Count(kVolume), 1);
    EXPECT_NEAR(m_matrix->GetModulation(kVolume)->depths[0], 0.5f, 1e-6f);
}

TEST_F(CModulationMatrixTest, AddModulationPointsTheDepthIntoTheRange)
{
    // Slot 0 has a target but no source: free. The depth points into the range: +15 %, or
    // -15 % where 0.15 would pass the top; switches go the whole way; no depth gives 0 %.
    SetUnscaled(kMtxTarget + 0, static_cast<float>(kFilterMix));
    SetUnscaled(kDryWet, 90.0f);
    SetUnscaled(kMtxPower + 6, 0.0f);
    SetUnscaled(kMtxDepth + 6, 40.0f);
    const int undoBefore = m_effect->GetUndoCount();
    struct CASE
    {
        int target, source;
        bool depth;
        float expected;
    };
    const CASE cases[] = {{kVolume, 2, true, 15.0f},      {kDryWet, 0, true, -15.0f},
                          {kLayerBOn, 1, true, 100.0f},   {kLayerAOn, 1, true, -100.0f},
                          {kFilterMode, 1, true, 15.0f},  {kMtxSource + 9, 1, true, 15.0f},
                          {kPan, 3, false, 0.0f}};
    for (int k = 0; k < 7; ++k)
    {
        m_matrix->AddModulation(cases[k].target, cases[k].source, cases[k].depth);
        EXPECT_EQ(Unscaled(kMtxSource + k), static_cast<float>(cases[k].source)) << k;
        EXPECT_EQ(Unscaled(kMtxTarget + k), static_cast<float>(cases[k].target)) << k;
        EXPECT_FLOAT_EQ(Unscaled(kMtxDepth + k), cases[k].expected) << k;
    }
    EXPECT_EQ(m_effect->GetUndoCount(), undoBefore + 7);
    EXPECT_EQ(m_editor.m_updates, 7);
    EXPECT_EQ(Unscaled(kMtxPower + 6), 0.0f); // the slot's power stays off
    MakeConstant(3, 1.0f);
    HostBlock(64);
    EXPECT_EQ(Count(kPan), 0);
    m_effect->Undo();
    EXPECT_EQ(Unscaled(kMtxSource + 6), -1.0f);
    EXPECT_FLOAT_EQ(Unscaled(kMtxDepth + 6), 40.0f);
    m_effect->Redo();
    EXPECT_EQ(Unscaled(kMtxSource + 6), 3.0f);
    EXPECT_EQ(Unscaled(kMtxTarget + 6), static_cast<float>(kPan));
}

TEST_F(CModulationMatrixTest, AddModulationWithEverySlotInUseChangesNothing)
{
    for (int k = 0; k < CModulationMatrix::kNumSlots; ++k)
        Route(k, k % 8, kFilterMix, 5.0f);
    const std::vector<float> before = Slots();
    const int undoBefore = m_effect->GetUndoCount();
    m_matrix->AddModulation(kVolume, 0, true);
    EXPECT_EQ(m_effect->GetUndoCount(), undoBefore + 1); // recorded all the same
    EXPECT_EQ(Slots(), before);
    // Bad arguments are ignored without an undo step.
    m_matrix->AddModulation(-1, 0, true);
    m_matrix->AddModulation(kVolume, 8, true);
    EXPECT_EQ(m_effect->GetUndoCount(), undoBefore + 1);
}

TEST_F(CModulationMatrixTest, ClearModulationsEmptiesOnlyThatTargetAndUndoes)
{
    const int p = kFilterCutoff;
    const int q = kVolume;
    Route(0, 1, p, 30.0f);
    Route(5, 2, p, -40.0f);
    SetUnscaled(kMtxPower + 5, 0.0f);
    Route(23, 7, p, 70.0f);
    Route(2, 3, q, 20.0f);
    const std::vector<float> before = Slots();
    m_matrix->ClearModulations(p);
    for (int k : {0, 5, 23})
    {
        EXPECT_EQ(Unscaled(kMtxSource + k), -1.0f) << k;
        EXPECT_EQ(Unscaled(kMtxTarget + k), -1.0f) << k;
        EXPECT_FLOAT_EQ(Unscaled(kMtxDepth + k), 0.0f) << k;
        EXPECT_EQ(Unscaled(kMtxPower + k), 1.0f) << k; // back on
    }
    EXPECT_EQ(Unscaled(kMtxSource + 2), 3.0f);
    EXPECT_EQ(Unscaled(kMtxTarget + 2), static_cast<float>(q));
    EXPECT_FLOAT_EQ(Unscaled(kMtxDepth + 2), 20.0f);
    // Undo restores every cleared slot, the 24th included.
    m_effect->Undo();
    const std::vector<float> after = Slots();
    for (size_t i = 0; i < after.size(); ++i)
        EXPECT_FLOAT_EQ(after[i], before[i]) << kMtxPower + static_cast<int>(i);
    m_effect->Redo();
    EXPECT_EQ(Unscaled(kMtxSource + 23), -1.0f);
    EXPECT_EQ(Unscaled(kMtxPower + 5), 1.0f);
}

TEST_F(CModulationMatrixTest, EnableModulationsSwitchesUsedSlotsOfTheTargetAndUndoes)
{
    const int p = kDistDrive;
    Route(0, 0, p, 30.0f);
    Route(1, 4, p, 30.0f);
    Route(2, -1, p, 30.0f); // no source: not a used slot
    SetUnscaled(kMtxPower + 2, 1.0f);
    Route(3, 2, kVolume, 30.0f);
    m_matrix->EnableModulations(p, false);
    EXPECT_EQ(Unscaled(kMtxPower + 0), 0.0f);
    EXPECT_EQ(Unscaled(kMtxPower + 1), 0.0f);
    EXPECT_EQ(Unscaled(kMtxPower + 2), 1.0f);
    EXPECT_EQ(Unscaled(kMtxPower + 3), 1.0f);
    ASSERT_EQ(m_editor.m_shown.size(), 2u); // the editor hears of each switched slot
    EXPECT_EQ(m_editor.m_shown.back(), std::make_pair(static_cast<int>(kMtxPower + 1), 0.0f));
    m_effect->Undo();
    EXPECT_EQ(Unscaled(kMtxPower + 0), 1.0f);
    EXPECT_EQ(Unscaled(kMtxPower + 1), 1.0f);
    m_effect->Redo();
    EXPECT_EQ(Unscaled(kMtxPower + 0), 0.0f);
    m_matrix->EnableModulations(p, true);
    EXPECT_EQ(Unscaled(kMtxPower + 0), 1.0f);
    EXPECT_EQ(Unscaled(kMtxPower + 1), 1.0f);
}

TEST_F(CModulationMatrixTest, QueriesPerModulator)
{
    Route(1, 3, kVolume, 10.0f);
    Route(4, 3, kPan, 10.0f);
    SetUnscaled(kMtxPower + 4, 0.0f); // counted whatever its power
    Route(9, 3, -1, 10.0f);           // and whatever its target
    Route(10, 2, kPan, 10.0f);
    EXPECT_EQ(m_matrix->GetParamsCountForMod(3), 3);
    EXPECT_EQ(m_matrix->GetParamIDForMod(3, 0), kVolume);
    EXPECT_EQ(m_matrix->GetParamIDForMod(3, 1), kPan);
    EXPECT_EQ(m_matrix->GetParamIDForMod(3, 2), -1);
    EXPECT_EQ(m_matrix->GetSlotIDForMod(3, 1), 4);
    EXPECT_EQ(m_matrix->GetSlotIDForMod(3, 2), 9);
    EXPECT_EQ(m_matrix->GetParamIDForMod(3, 3), -1); // n = count
    EXPECT_EQ(m_matrix->GetSlotIDForMod(3, 3), -1);
    EXPECT_EQ(m_matrix->GetParamsCountForMod(5), 0);
    EXPECT_EQ(m_matrix->GetSlotIDForMod(5, 0), -1);
    // The plug-in's AddModulation reports the used slots already aimed at the target.
    EXPECT_EQ(m_effect->AddModulation(kPan, 6, true), 2);
    EXPECT_EQ(m_effect->AddModulation(kEqBass, 6, true), 0);
}

TEST_F(CModulationMatrixTest, OnlyTheSelectedGeneratorRunsAndTheBlocksArriveNextHostBlock)
{
    MakeConstant(0, 0.25f);
    HostBlocks(0.1, 512);
    const float* buffer = m_matrix->GetModulationBuffer(0);
    EXPECT_EQ(buffer[5], 0.25f);
    const float stepperPos = m_matrix->GetCursorPos(0);
    EXPECT_GT(stepperPos, 0.5f); // "1/16" at 120 BPM: 0.8 units in 0.1 s
    EXPECT_EQ(m_matrix->GetMseg(0).GetCursorPosition(), 0.0f);
    // A new pattern reaches the stepper at the next host block, from the next step on.
    SetSteps(0, 0.75f);
    m_matrix->Generate(16);
    EXPECT_EQ(m_matrix->GetStepper(0).GetTarget(), 0.25f);
    HostBlocks(0.2, 512);
    EXPECT_EQ(buffer[15], 0.75f);
    // Curve mode: the envelope runs, the stepper keeps its position.
    SetUnscaled(kModMode, 1.0f);
    const float stepperHeld = m_matrix->GetStepper(0).GetCursorPosition();
    HostBlocks(0.1, 512);
    EXPECT_EQ(m_matrix->GetStepper(0).GetCursorPosition(), stepperHeld);
    EXPECT_GT(m_matrix->GetCursorPos(0), 0.0f);
    EXPECT_EQ(m_matrix->GetCursorPos(0), m_matrix->GetMseg(0).GetCursorPosition());
    EXPECT_EQ(m_matrix->GetCursorPos(-3), m_matrix->GetCursorPos(0)); // clamped index
}

TEST_F(CModulationMatrixTest, TensionParameterSetsTheEnvelopeOffset)
{
    // Envelope (0, 0) -> (1, 1), free time 1000 ms per unit, no shuffle or glide.
    float points[192];
    for (int i = 0; i < 64; ++i)
    {
        points[3 * i] = -1.0f;
        points[3 * i + 1] = 0.0f;
        points[3 * i + 2] = 0.0f;
    }
    points[0] = 0.0f;
    points[3] = 1.0f;
    points[4] = 1.0f;
    m_effect->SetRawParameterBlock(kRawBlockMsegPoints, points);
    m_instance.SetScaled(kModSync, 0.0f); // the speed becomes milliseconds
    SetUnscaled(kModSpeed, 1000.0f);
    SetUnscaled(kModMode, 1.0f);
    SetUnscaled(kModSmooth, 0.0f);
    // "Mod1 Tension" -100 %, 0 %, +100 % give offsets -1, -0.5, +0.5.
    const float tensions[] = {-100.0f, 0.0f, 100.0f};
    const double offsets[] = {-1.0, -0.5, 0.5};
    for (int c = 0; c < 3; ++c)
    {
        SCOPED_TRACE(tensions[c]);
        SetUnscaled(kModTension, tensions[c]);
        SettleSmoothing({kModTension, kModSmooth, kModShuffle, kModGate});
        m_matrix->Reset();
        HostBlocks(0.3, 480); // 0.3 units, past the 9 ms start hold
        // The last sample was taken one increment before the cursor.
        const double x = m_matrix->GetCursorPos(0) - 1.0 / 48000.0;
        const double k = (1.0 - 0.85 * offsets[c]) * -0.5;
        const double g = 1.0 / k + 1.0;
        EXPECT_NEAR(m_matrix->GetModulationBuffer(0)[15], x / ((x - 1.0) * g + x), 1e-5);
    }
}

TEST_F(CModulationMatrixTest, ResetClearsBuffersAndRestartsTheModulators)
{
    MakeConstant(2, 1.0f);
    HostBlocks(0.1, 256);
    EXPECT_GT(m_matrix->GetCursorPos(2), 0.0f);
    m_matrix->Reset();
    EXPECT_EQ(m_matrix->GetCursorPos(2), 0.0f);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(m_matrix->GetModulationBuffer(2)[i], 0.0f);
    // Buffers hold at least one sub-block whatever the host announces.
    m_effect->SetBlockSize(4);
    HostBlock(16);
    EXPECT_EQ(m_matrix->GetModulationBuffer(2)[15], 1.0f);
}
