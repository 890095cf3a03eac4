// The Morvex editor opened offscreen with its real artwork and layout: window modes
// and sizes, the master strip's bindings, the idle pass (meters, undo look), a knob
// turn end to end, the layer pages, modulator tabs, matrix page, routing drags,
// linked delay speeds, aim drags and the modulation menu.
#include "Common/wrappers/BaseReadOut.h"
#include "Common/wrappers/VSTwrapper/VstWrapper.h"
#include "Editor.h"
#include "Gui/AimControl.h"
#include "Gui/AimOverlay.h"
#include "Gui/CorrelationMeter.h"
#include "Gui/DecibelMeter.h"
#include "Gui/EditorLayout.h"
#include "Gui/GuiTestSupport.h"
#include "Gui/MsegControl.h"
#include "Gui/MsegPresetBrowser.h"
#include "Gui/NodePanel.h"
#include "Gui/NodeView.h"
#include "Gui/RandomizeControl.h"
#include "Gui/StepperControl.h"
#include "Processing/ModulationMatrix.h"
#include "Preferences.h"
#include "vstgui/vstgui.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstdint>
#include <cstring>
#include <vector>

using namespace GuiTest;
using namespace MorvexParam;
using namespace VSTGUI;

namespace
{
class CEditorTest : public CEditorFixture<>
{
protected:
    // Plays `blocks` blocks of a 256-sample sine of `amplitude` through the plug-in.
    void Play(float amplitude, int blocks = 8)
    {
        CVstWrapper* wrapper = m_plugin.Wrapper();
        if (!m_resumed)
        {
            wrapper->setSampleRate(44100.0f);
            wrapper->setBlockSize(256);
            wrapper->resume();
            m_resumed = true;
        }
        std::vector<float> left(256), right(256), outLeft(256), outRight(256);
        for (int i = 0; i < 256; ++i)
            left[i] = right[i] = amplitude * std::sin(0.05f * static_cast<float>(i));
        float* inputs[2] = {left.data(), right.data()};
        float* outputs[2] = {outLeft.data(), outRight.data()};
        for (int block = 0; block < blocks; ++block)
            wrapper->processReplacing(inputs, outputs, 256);
    }
    void PlayAndIdle(float amplitude)
    {
        Play(amplitude);
        Idle();
    }
    std::vector<int32_t> Order(int layer)
    {
        std::vector<int32_t> order(CEditor::kRoutingNodes);
        std::memcpy(order.data(), m_effect->GetRawParameterBlock(kRawBlockLayerOrder + layer),
                    order.size() * sizeof(int32_t));
        return order;
    }
    static std::vector<int32_t> Shown(CNodePanel* panel)
    {
        int order[CEditor::kRoutingNodes] = {};
        panel->GetNodeOrder(order);
        return std::vector<int32_t>(order, order + CEditor::kRoutingNodes);
    }

    bool m_resumed = false;
};
} // namespace

TEST_F(CEditorTest, WindowSizeFollowsTheLayoutOfEachModeBeforeOpening)
{
    for (int mode : {CEditor::kCompactMode, CEditor::kNormalMode})
    {
        m_editor->SetEditorViewMode(mode);
        ERect* rect = nullptr;
        ASSERT_TRUE(m_editor->getRect(&rect));
        EXPECT_EQ(GetWindowRect(mode).width, rect->right - rect->left) << mode;
        EXPECT_EQ(GetWindowRect(mode).height, rect->bottom - rect->top) << mode;
    }
}

TEST_F(CEditorTest, CompactModeRebuildsInPlaceWithTheMasterViewAndReopensInIt)
{
    Open();
    CControl* settings = m_editor->GetTaggedControl(kTagSettings);
    ASSERT_NE(nullptr, settings);
    m_editor->SetEditorViewMode(CEditor::kCompactMode);
    EXPECT_DOUBLE_EQ(GetWindowRect(CEditor::kCompactMode).width, m_frame->getWidth());
    EXPECT_DOUBLE_EQ(GetWindowRect(CEditor::kCompactMode).height, m_frame->getHeight());
    EXPECT_EQ(settings, m_editor->GetTaggedControl(kTagSettings));
    EXPECT_TRUE(settings->isAttached());

    CViewContainer* master = m_editor->GetMasterView();
    ASSERT_NE(nullptr, master);
    CControl* volume = m_editor->GetControl(kVolume);
    ASSERT_NE(nullptr, volume);
    EXPECT_EQ(master, volume->getParentView());
    EXPECT_FALSE(master->isAttached()); // until the view selector shows it
    Select(kTagViewSelector, 1.0f);
    EXPECT_TRUE(master->isAttached());
    // Values still reach the master controls in their container.
    m_plugin.Wrapper()->setParameter(kVolume, 0.2f);
    EXPECT_FLOAT_EQ(0.2f, volume->getValue());

    // Reopened: the same mode, rebuilt from the current values.
    m_editor->close();
    m_effect->SetParameterScaled(kPan, 0.3f);
    ASSERT_TRUE(m_editor->OpenOffscreen(1.0));
    EXPECT_EQ(CEditor::kCompactMode, m_editor->GetEditorViewMode());
    EXPECT_FLOAT_EQ(0.3f, m_editor->GetControl(kPan)->getValue());

    m_editor->SetEditorViewMode(CEditor::kNormalMode);
    EXPECT_DOUBLE_EQ(GetWindowRect(CEditor::kNormalMode).width, m_editor->getFrame()->getWidth());
    EXPECT_EQ(nullptr, m_editor->GetMasterView());
    EXPECT_EQ(m_editor->getFrame(), m_editor->GetControl(kVolume)->getParentView());
}

TEST_F(CEditorTest, KnobTurnAndSwitchClickAreOneHostGestureEachAndLightTheUndoButton)
{
    Open();
    Idle();
    ASSERT_NE(nullptr, m_editor->GetUndoButton());
    EXPECT_STREQ("UndoButtonDisabled.png",
                 m_editor->GetUndoButton()->getBackground()->getResourceName());
    const CPoint centre = CentreOf(kDryWet);
    Drag(centre, {CPoint(centre.x, centre.y + 10), CPoint(centre.x, centre.y + 40)});
    ExpectOneGesture(m_plugin.Host().EditCalls(kDryWet));
    EXPECT_EQ(1, m_plugin.Host().Count(audioMasterBeginEdit));
    // 100 % dry/wet at the start, 40 px down = a fifth of the range.
    EXPECT_NEAR(0.8f, Scaled(m_effect, kDryWet), 1e-5f);
    EXPECT_EQ(1, m_effect->GetUndoCount());
    Idle();
    EXPECT_STREQ("UndoButton.png", m_editor->GetUndoButton()->getBackground()->getResourceName());

    EXPECT_TRUE(m_editor->GetControl(kPower)->isTypeOf("CBaseOnOffButton"));
    ASSERT_FLOAT_EQ(1.0f, Scaled(m_effect, kPower));
    Drag(CentreOf(kPower), {});
    EXPECT_FLOAT_EQ(0.0f, Scaled(m_effect, kPower));
    EXPECT_EQ(3u, m_plugin.Host().EditCalls(kPower).size());
    ExpectOneGesture(m_plugin.Host().EditCalls(kPower));
}

TEST_F(CEditorTest, MetersShowTheEffectsLevelsAfterIdle)
{
    Open();
    Play(0.5f);
    Idle();
    CDecibelMeter* meter = m_editor->GetMeter(0);
    ASSERT_NE(nullptr, meter);
    EXPECT_GT(m_effect->GetPeakLeft(), 0.0f);
    EXPECT_GT(meter->getValue(), 0.0f);
    EXPECT_FLOAT_EQ(meter->LevelToPosition(m_effect->GetPeakLeft()), meter->getValue());
    EXPECT_FLOAT_EQ(m_effect->GetCorrelation(), m_editor->GetCorrelationMeter()->getValue());
    EXPECT_NE(nullptr, m_editor->GetMeter(1));
}

TEST_F(CEditorTest, IdlePaintsNothingInSilenceAndOnlyTheMetersForATone)
{
    Open();
    Play(0.0f);
    for (int i = 0; i < 3; ++i)
        Idle(); // the first paint
    m_frame->resetPaintStatistics();
    for (int i = 0; i < 20; ++i)
        PlayAndIdle(0.0f);
    EXPECT_EQ(0, m_frame->getPaintStatistics().paintCount);
    EXPECT_EQ(0, m_frame->getPaintStatistics().viewWalks);

    // A tone lights the meters: what is painted lies within them.
    CRect meters;
    for (int tag : {kTagMeterLeft, kTagMeterRight, kTagCorrelation})
    {
        const LAYOUT_CONTROL* row = FindLayoutControl(CEditor::kNormalMode, tag);
        ASSERT_NE(nullptr, row) << tag;
        meters.unite(CRect(row->rect.x, row->rect.y, row->rect.Right(), row->rect.Bottom()));
    }
    Play(0.5f);
    Idle();
    EXPECT_GE(m_frame->getPaintStatistics().paintCount, 1);
    EXPECT_GT(m_frame->getPaintStatistics().paintedArea, 0.0);
    EXPECT_LE(m_frame->getPaintStatistics().paintedArea, meters.getWidth() * meters.getHeight());
    // A steady tone, once the correlation has settled: the meters already show it.
    for (int i = 0; i < 40; ++i)
        PlayAndIdle(0.5f);
    m_frame->resetPaintStatistics();
    for (int i = 0; i < 10; ++i)
        PlayAndIdle(0.5f);
    EXPECT_EQ(0, m_frame->getPaintStatistics().paintCount);
}

namespace
{
// An editor on a screen of a chosen height.
class CScreenEditor : public CEditor
{
public:
    CScreenEditor(CMorvex* effect, int height) : CEditor(effect), m_height(height) {}
    int GetScreenHeight() const override { return m_height; }
    int m_height;
};
} // namespace

TEST(CEditorWindowModeTest, LowScreenWithoutStoredChoiceOpensCompactAndStoresIt)
{
    struct CASE
    {
        int stored, screenHeight, mode, storedAfter;
    };
    const CASE cases[] = {
        {-1, 800, CEditor::kCompactMode, CEditor::kCompactMode},
        {-1, 909, CEditor::kCompactMode, CEditor::kCompactMode},
        {-1, 910, CEditor::kNormalMode, -1},
        {-1, 0, CEditor::kNormalMode, -1}, // no screen known
        {CEditor::kNormalMode, 800, CEditor::kNormalMode, CEditor::kNormalMode},
        {CEditor::kCompactMode, 1200, CEditor::kCompactMode, CEditor::kCompactMode},
    };
    for (const CASE& c : cases)
    {
        CPluginInstance plugin;
        CPreferences* preferences = plugin.Effect()->GetPreferences();
        preferences->SetCompactGuiMode(c.stored);
        CScreenEditor editor(plugin.Effect(), c.screenHeight);
        ERect* rect = nullptr;
        ASSERT_TRUE(editor.getRect(&rect));
        SCOPED_TRACE(::testing::Message() << c.stored << " " << c.screenHeight);
        EXPECT_EQ(c.mode, editor.GetEditorViewMode());
        EXPECT_EQ(c.storedAfter, preferences->GetCompactGuiMode());
        if (c.storedAfter != c.stored) // stored on disk too: a fresh read finds it
        {
            EXPECT_EQ(c.storedAfter, CPreferences(plugin.Effect()).GetCompactGuiMode());
        }
    }
}

TEST_F(CEditorTest, LayerSelectorSwapsTheLayerPagesAndLayerBControlsFollowTheirParameters)
{
    Open();
    CControl* cutoffA = m_editor->GetControl(kFilterCutoff);
    CControl* cutoffB = m_editor->GetControl(kFilterCutoff + 1);
    ASSERT_NE(nullptr, cutoffA);
    ASSERT_NE(nullptr, cutoffB);
    EXPECT_EQ(m_editor->GetLayerView(0), cutoffA->getParentView());
    EXPECT_EQ(m_editor->GetLayerView(1), cutoffB->getParentView());
    EXPECT_TRUE(cutoffA->isAttached());
    EXPECT_FALSE(cutoffB->isAttached());
    // Same place on both pages.
    EXPECT_EQ(cutoffA->getViewSize(), cutoffB->getViewSize());

    m_effect->SetParameterScaled(kFilterCutoff + 1, 0.25f); // while its page is away
    Select(kTagLayerSelector, 1.0f);
    EXPECT_EQ(1, m_editor->GetSelectedLayer());
    EXPECT_TRUE(cutoffB->isAttached());
    EXPECT_FALSE(cutoffA->isAttached());
    EXPECT_FLOAT_EQ(0.25f, cutoffB->getValue());
    // The layer's dice and routing tiles are on its page.
    EXPECT_EQ(m_editor->GetLayerView(1),
              m_editor->GetRandomizeControl(1, CRandomizer::kGlitch)->getParentView());
    EXPECT_EQ(1, m_editor->GetRandomizeControl(1, CRandomizer::kGlitch)->GetIndex());
    EXPECT_TRUE(m_editor->GetNodePanel(1)->isAttached());
    // The selector stays above the page.
    EXPECT_EQ(m_editor->GetTaggedControl(kTagLayerSelector),
              m_frame->getViewAt(CentreOf(kTagLayerSelector), true));
}

TEST_F(CEditorTest, ModulatorTabShowsItsContainerAndItsModeChoosesGateOrTension)
{
    Open();
    Select(kTagModSelector, 3.0f / 7.0f);
    ASSERT_EQ(3, m_editor->GetSelectedMod());
    for (int m = 0; m < CEditor::kModulatorCount; ++m)
        EXPECT_EQ(m == 3, m_editor->GetModView(m)->isAttached()) << m;
    EXPECT_EQ(3, m_editor->GetRandomizeControl(0, CRandomizer::kModulator)->GetIndex());
    EXPECT_TRUE(m_editor->GetTaggedControl(kTagModNextPreset + 3)->isAttached());
    EXPECT_FALSE(m_editor->GetTaggedControl(kTagModNextPreset)->isAttached());
    EXPECT_EQ(m_editor->GetModView(3), m_editor->GetModPresetBrowser(3)->getParentView());

    // Steps: Gate; the curve: Tension, at once for the selected modulator.
    EXPECT_TRUE(m_editor->GetControl(kModGate + 3)->isAttached());
    EXPECT_FALSE(m_editor->GetControl(kModTension + 3)->isAttached());
    m_plugin.Wrapper()->setParameter(kModMode + 3, 1.0f);
    EXPECT_FALSE(m_editor->GetControl(kModGate + 3)->isAttached());
    EXPECT_TRUE(m_editor->GetControl(kModTension + 3)->isAttached());
    // Another modulator's mode changes nothing shown until it is selected.
    m_plugin.Wrapper()->setParameter(kModMode + 5, 1.0f);
    Select(kTagModSelector, 5.0f / 7.0f);
    EXPECT_TRUE(m_editor->GetControl(kModTension + 5)->isAttached());
    EXPECT_FALSE(m_editor->GetControl(kModGate + 5)->isAttached());
    // The tabs and aim buttons lie above the modulator's container.
    for (int m = 0; m < CEditor::kModulatorCount; ++m)
    {
        CAimControl* aim = m_editor->GetAimControl(m);
        ASSERT_NE(nullptr, aim);
        EXPECT_EQ(aim, m_frame->getViewAt(AimOverlay::CentreInFrame(aim), true)) << m;
    }
}

TEST_F(CEditorTest, MatrixSwitchAndCloseButtonShowAndHideTheMatrixPage)
{
    Open();
    Select(kTagMatrixSwitch, 1.0f);
    ASSERT_TRUE(m_editor->GetMatrixView()->isAttached());
    CControl* depth = m_editor->GetControl(kMtxDepth + 13);
    ASSERT_NE(nullptr, depth);
    EXPECT_TRUE(depth->isTypeOf("CModSlider"));
    EXPECT_TRUE(m_editor->GetControl(kMtxTarget + 13)->isTypeOf("CBaseListControl"));
    EXPECT_EQ(m_editor->GetMatrixView(), depth->getParentView());
    Select(kTagMatrixClose, 1.0f);
    EXPECT_FALSE(m_editor->IsMatrixShown());
    EXPECT_FALSE(m_editor->GetMatrixView()->isAttached());
    EXPECT_FLOAT_EQ(0.0f, m_editor->GetTaggedControl(kTagMatrixSwitch)->getValue());
}

TEST_F(CEditorTest, RoutingTileDragIsStoredInTheLayersBlockAndUndoneInOneStep)
{
    Open();
    Select(kTagLayerSelector, 1.0f);
    CNodePanel* panel = m_editor->GetNodePanel(1);
    ASSERT_NE(nullptr, panel);
    const std::vector<int32_t> before = Shown(panel);
    const std::vector<int32_t> layerA = Order(0);
    // The first tile dropped onto the third slot.
    const int tile = panel->GetNodeWidth();
    const CPoint first = AimOverlay::CentreInFrame(panel->GetNode(0));
    Drag(first, {CPoint(first.x + tile, first.y), CPoint(first.x + 2 * tile, first.y)});
    const std::vector<int32_t> expected = {before[1], before[2], before[0], before[3],
                                           before[4], before[5], before[6]};
    EXPECT_EQ(expected, Order(1));
    EXPECT_EQ(1, m_effect->GetUndoCount());

    m_effect->Undo();
    EXPECT_EQ(before, Shown(panel));
    EXPECT_EQ(before, Order(1));
    EXPECT_EQ(layerA, Order(0)) << "layer A's order is never touched";
    m_effect->Redo(); // brings the move back, on screen too
    EXPECT_EQ(expected, Shown(panel));
}

TEST_F(CEditorTest, LinkedDelaySpeedsMoveTogether)
{
    Open();
    struct CASE
    {
        int layer, turned, follower;
    };
    const CASE cases[] = {{0, kDelaySpeedL, kDelaySpeedR}, {1, kDelaySpeedR + 1, kDelaySpeedL + 1}};
    for (const CASE& c : cases)
    {
        Select(kTagLayerSelector, static_cast<float>(c.layer));
        // Switching Link on copies left to right.
        m_effect->SetParameterScaled(kDelaySpeedL + c.layer, 0.7f);
        m_effect->SetParameterScaled(kDelaySpeedR + c.layer, 0.2f);
        CControl* link = m_editor->GetControl(kDelayLink + c.layer);
        ASSERT_NE(nullptr, link);
        link->setValue(1.0f);
        m_editor->valueChanged(link);
        EXPECT_FLOAT_EQ(Scaled(m_effect, kDelaySpeedL + c.layer),
                        Scaled(m_effect, kDelaySpeedR + c.layer))
            << c.layer;
        // A turn of one speed moves the other, model and knob.
        CControl* knob = m_editor->GetControl(c.turned);
        knob->setValue(0.4f);
        m_editor->valueChanged(knob);
        const float turned = Scaled(m_effect, c.turned);
        EXPECT_FLOAT_EQ(turned, Scaled(m_effect, c.follower));
        EXPECT_FLOAT_EQ(turned, m_editor->GetControl(c.follower)->getValue()) << c.layer;
    }
    // Without the link the speeds are free.
    Select(kTagLayerSelector, 0.0f);
    m_plugin.Wrapper()->setParameter(kDelayLink, 0.0f);
    const float right = Scaled(m_effect, kDelaySpeedR);
    m_plugin.Wrapper()->setParameter(kDelaySpeedL, 0.9f);
    EXPECT_FLOAT_EQ(right, Scaled(m_effect, kDelaySpeedR));
}

TEST_F(CEditorTest, AimDragOntoAKnobRoutesTheModulatorAndTheOverlayFollowsIt)
{
    Open();
    CAimControl* aim = m_editor->GetAimControl(2);
    ASSERT_NE(nullptr, aim);
    const CPoint from = AimOverlay::CentreInFrame(aim);
    const CPoint to = CentreOf(kFilterCutoff);
    m_frame->platformOnMouseDown(from, kLButton, 1000);
    m_frame->platformOnMouseMoved(CPoint((from.x + to.x) / 2, (from.y + to.y) / 2), kLButton);
    m_frame->platformOnMouseMoved(to, kLButton);
    ASSERT_TRUE(aim->IsAiming());
    EXPECT_EQ(kFilterCutoff, m_editor->GetHoverParamID());
    Idle(); // a running aim keeps the frame repainting for its overlay
    m_frame->platformOnMouseUp(to, kLButton);
    EXPECT_FALSE(aim->IsAiming());
    EXPECT_EQ(2, static_cast<int>(Unscaled(m_effect, kMtxSource)));
    EXPECT_EQ(kFilterCutoff,
              static_cast<int>(Unscaled(m_effect, kMtxTarget)));
    Idle();
    EXPECT_EQ(CAimControl::kLookNormal, aim->GetLook());
}

TEST_F(CEditorTest, PatternEditorsShowTheSelectedModulatorAndStoreItsEdits)
{
    Open();
    CStepperControl* steps = m_editor->GetStepEditor();
    CMsegControl* envelope = m_editor->GetMsegEditor();
    ASSERT_NE(nullptr, steps);
    ASSERT_NE(nullptr, envelope);
    EXPECT_TRUE(steps->isAttached());
    EXPECT_FALSE(envelope->isAttached());

    // Modulator 4 gets a pattern of its own and 12 steps before it is selected.
    std::vector<uint8_t> block(kRawBlockStepsSize);
    steps->StoreBlock(block.data());
    std::vector<uint8_t> before = block;
    m_effect->SetRawParameterBlock(kRawBlockSteps + 4, block.data());
    m_effect->SetParameterUnscaled(kModNumSteps + 4, 12.0f);
    Select(kTagModSelector, 4.0f / 7.0f);
    EXPECT_EQ(12, steps->GetLength());

    // Invert: the inverted pattern goes into modulator 4's block as one undo step.
    const float level = steps->GetLevel(0);
    const int undo = m_effect->GetUndoCount();
    Select(kTagModInvert, 1.0f);
    EXPECT_FLOAT_EQ(1.0f - level, steps->GetLevel(0));
    EXPECT_EQ(undo + 1, m_effect->GetUndoCount());
    std::vector<uint8_t> stored(kRawBlockStepsSize);
    std::memcpy(stored.data(), m_effect->GetRawParameterBlock(kRawBlockSteps + 4), stored.size());
    std::vector<uint8_t> shown(kRawBlockStepsSize);
    steps->StoreBlock(shown.data());
    EXPECT_EQ(shown, stored);
    EXPECT_NE(before, stored);
    m_effect->Undo();
    EXPECT_FLOAT_EQ(level, steps->GetLevel(0)); // the editor re-read the block

    // The curve mode swaps in the MSEG editor, which follows the drag-mode switch.
    m_plugin.Wrapper()->setParameter(kModMode + 4, 1.0f);
    EXPECT_TRUE(envelope->isAttached());
    EXPECT_FALSE(steps->isAttached());
    Select(kTagDragMode, 1.0f);
    EXPECT_TRUE(envelope->GetDragMode());
}

TEST_F(CEditorTest, MatrixEditsRedrawOnlyTheArcsTheyChange)
{
    Open();
    m_effect->AddModulation(kFilterCutoff, 0, true);
    CControl* cutoff = m_editor->GetControl(kFilterCutoff);
    CControl* drive = m_editor->GetControl(kDistDrive);
    auto clean = [&] {
        for (int id = 0; id < kNumParameters; ++id)
        {
            if (CControl* control = m_editor->GetControl(id))
                control->setDirty(false);
        }
    };
    clean();
    m_plugin.Wrapper()->setParameter(kMtxDepth, 0.9f);
    EXPECT_TRUE(cutoff->isDirty());
    EXPECT_FALSE(drive->isDirty());
    // A new target: the knob it left is not known, every arc is redrawn.
    clean();
    m_plugin.Wrapper()->setParameter(kMtxTarget,
                                     m_effect->UnscaledValueToScaled(kMtxTarget, kDistDrive));
    EXPECT_TRUE(cutoff->isDirty());
    EXPECT_TRUE(drive->isDirty());
}

TEST_F(CEditorTest, ContextClickOnAKnobRunsItsModulationMenuADepthDragDoesNot)
{
    Open();
    const CPoint centre = CentreOf(kFilterCutoff);
    m_frame->platformOnMouseMoved(centre, 0);
    // Rows: title, separator, "Add Modulation", separator, "Start Midi Learn", "Lock".
    QueueMenuClick(m_frame, 5);
    Drag(centre, {}, kRButton);
    EXPECT_TRUE(m_effect->GetParameterLock(kFilterCutoff));
    EXPECT_FALSE(m_frame->isInModalSession());
    Drag(centre, {}, kRButton); // dismissed (no input left): nothing changes
    EXPECT_TRUE(m_effect->GetParameterLock(kFilterCutoff));

    // A right-drag on a modulated knob sets the depth and opens no menu.
    m_effect->AddModulation(kFilterCutoff, 0, true);
    const long sessions = m_frame->getModalSessionCount();
    Drag(centre, {CPoint(centre.x, centre.y - 10)}, kRButton);
    EXPECT_EQ(sessions, m_frame->getModalSessionCount());
}

TEST_F(CEditorTest, PlayCursorFollowsTheModulatorOnlyWhileTheHostPlays)
{
    Open();
    CVstWrapper* wrapper = m_plugin.Wrapper();
    wrapper->setSampleRate(44100.0f);
    wrapper->setBlockSize(512);
    wrapper->resume();
    std::vector<float> left(512), right(512);
    float* channels[2] = {left.data(), right.data()};
    auto play = [&](int blocks, double startSample) {
        for (int block = 0; block < blocks; ++block)
        {
            m_effect->SetHostTempo(120.0f);
            m_effect->SetHostSamplePos(static_cast<float>(startSample + 512.0 * block));
            wrapper->processReplacing(channels, channels, 512);
        }
    };
    CModulationMatrix* matrix = m_effect->GetModulationMatrix();
    CStepperControl* steps = m_editor->GetStepEditor();
    m_effect->OnTransportStart();
    play(20, 44100.0 * 0.6); // a little over a beat in
    Idle();
    const float playing = matrix->GetCursorPos(0);
    EXPECT_GE(playing, 1.0f);
    EXPECT_FLOAT_EQ(std::trunc(playing), std::trunc(steps->GetCursor()));

    // Stopped: the modulator still runs on, the editor's cursor stays.
    m_effect->OnTransportStop();
    play(20, 44100.0 * 1.7);
    Idle();
    ASSERT_NE(std::trunc(playing), std::trunc(matrix->GetCursorPos(0)));
    EXPECT_FLOAT_EQ(std::trunc(playing), std::trunc(steps->GetCursor()));
}
