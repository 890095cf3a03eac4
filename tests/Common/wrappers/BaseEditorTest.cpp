// CBaseEditor with one control of each base kind, opened offscreen and driven with
// synthetic mouse events: value traffic both ways, host gesture brackets, double-click
// reset, hiding, menus, threads and the reported size.
#include "Common/wrappers/BaseEditor.h"
#include "Common/wrappers/BaseReadOut.h"
#include "Common/wrappers/ParameterAction.h"
#include "Common/wrappers/VSTwrapper/VstWrapper.h"
#include "Gui/GuiTestSupport.h"
#include "vstgui/vstgui.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <thread>
#include <utility>

using namespace GuiTest;
using namespace MorvexParam;
using namespace VSTGUI;

namespace
{
const CPoint kKnob(kVolumeX, kVolumeY);
// The controls that reset on a double-click and make a gesture of a click.
const std::pair<CPoint, int> kKnobAndSelector[] = {{kKnob, kVolume},
                                                   {kDistModeSelector, kDistMode}};

class CBaseEditorTest : public CBaseEditorFixture
{
protected:
    void Click(CPoint where, long buttons = kLButton) { Drag(where, where, buttons); }
};
} // namespace

TEST_F(CBaseEditorTest, KnobDragIsOneHostGestureAndOneUndoStep)
{
    const int undoBefore = m_effect->GetUndoCount();
    Drag(kKnob, CPoint(kKnob.x, kKnob.y - 50)); // 50 px up: a quarter of the range
    ExpectOneGesture(m_plugin.Host().EditCalls(kVolume));
    EXPECT_FLOAT_EQ(0.75f, Scaled(m_effect, kVolume));
    EXPECT_FLOAT_EQ(0.75f, m_editor->GetControl(kVolume)->getValue());
    EXPECT_EQ(undoBefore + 1, m_effect->GetUndoCount());

    m_effect->Undo();
    EXPECT_FLOAT_EQ(0.5f, Scaled(m_effect, kVolume));
    EXPECT_FLOAT_EQ(0.5f, m_editor->GetControl(kVolume)->getValue());
}

TEST_F(CBaseEditorTest, ClickThatChangesNothingIsAHostGestureButNoUndoStep)
{
    for (const auto& [where, id] : kKnobAndSelector)
    {
        Click(where); // puts the selector on the clicked position (the knob stays put)
        m_effect->AddUndoItem(new CParameterAction(m_effect, kPan, 0.0f));
        m_effect->Undo(); // a redo step that the click must not discard
        const float before = Scaled(m_effect, id);
        const int undoBefore = m_effect->GetUndoCount();
        m_plugin.Host().Clear();
        Click(where);
        ExpectOneGesture(m_plugin.Host().EditCalls(id), 0);
        EXPECT_FLOAT_EQ(before, Scaled(m_effect, id)) << id;
        EXPECT_EQ(undoBefore, m_effect->GetUndoCount()) << id;
        EXPECT_EQ(1, m_effect->GetRedoCount()) << id;
    }
}

TEST_F(CBaseEditorTest, SteppedKnobSnapsToTheStoredStepAfterADrag)
{
    CControl* knob = m_editor->GetControl(kFilterMode);
    ASSERT_TRUE(knob && knob->isTypeOf("CStepAnimKnob"));
    // 37 px up = 0.185 of the range: step trunc(11.99 x 0.185) = 2 of 0..11.
    Drag(kFilterModeKnob, CPoint(kFilterModeKnob.x, kFilterModeKnob.y - 37));
    EXPECT_FLOAT_EQ(2.0f, Unscaled(m_effect, kFilterMode));
    EXPECT_FLOAT_EQ(2.0f / 11.0f, knob->getValue());
}

TEST_F(CBaseEditorTest, ContextClicksSendNoHostGestureAndChangeNothing)
{
    const std::pair<CPoint, int> controls[] = {
        {kKnob, kVolume}, {kDistModeSelector, kDistMode}, {kLimiterButton, kLimiter}};
    for (const auto& [where, id] : controls)
    {
        for (const long buttons : {long(kRButton), long(kLButton | kApple)})
        {
            m_plugin.Host().Clear();
            const float before = Scaled(m_effect, id);
            Drag(where, CPoint(where.x + 15, where.y - 40), buttons);
            EXPECT_EQ(0, m_plugin.Host().Count(audioMasterBeginEdit)) << id << " " << buttons;
            EXPECT_EQ(0, m_plugin.Host().Count(audioMasterEndEdit)) << id << " " << buttons;
            EXPECT_FLOAT_EQ(before, Scaled(m_effect, id)) << id << " " << buttons;
        }
    }
}

TEST_F(CBaseEditorTest, DoubleClickResetsToTheDefaultInsideOneGesture)
{
    for (const auto& [where, id] : kKnobAndSelector)
    {
        m_plugin.Wrapper()->setParameter(id, 1.0f);
        const float defaultScaled =
            m_effect->UnscaledValueToScaled(id, m_effect->GetParameterInfo(id)->defaultValue);
        const uint32_t t = NextTime();
        m_frame->platformOnMouseDown(where, kLButton, t);
        m_frame->platformOnMouseUp(where, kLButton);
        m_plugin.Host().Clear();
        m_frame->platformOnMouseDown(where, kLButton, t + 100); // the frame makes it a double-click
        m_frame->platformOnMouseUp(where, kLButton);

        const std::vector<HOST_CALL> edits = m_plugin.Host().EditCalls(id);
        ASSERT_EQ(3u, edits.size()) << id;
        ExpectOneGesture(edits);
        EXPECT_FLOAT_EQ(defaultScaled, edits[1].value) << id;
        EXPECT_FLOAT_EQ(defaultScaled, Scaled(m_effect, id)) << id;
        EXPECT_FLOAT_EQ(defaultScaled, m_editor->GetControl(id)->getValue()) << id;
    }
}

TEST_F(CBaseEditorTest, HiddenControlKeepsItsSlotButGetsNoValuesUntilShown)
{
    CControl* knob = m_editor->GetControl(kVolume);
    m_plugin.Wrapper()->setParameter(kVolume, 0.25f);
    EXPECT_FLOAT_EQ(0.25f, m_editor->GetReadOut(kVolume)->getValue());
    EXPECT_TRUE(knob->isDirty());

    m_editor->HideControl(m_frame, kVolume);
    EXPECT_FALSE(knob->isAttached());
    EXPECT_FALSE(m_editor->GetReadOut(kVolume)->isAttached());
    EXPECT_EQ(knob, m_editor->GetControl(kVolume));
    m_plugin.Wrapper()->setParameter(kVolume, 0.9f);
    EXPECT_FLOAT_EQ(0.25f, knob->getValue());

    m_editor->ShowControl(m_frame, kVolume);
    EXPECT_TRUE(knob->isAttached());
    EXPECT_FLOAT_EQ(0.9f, knob->getValue());
    EXPECT_FLOAT_EQ(0.9f, m_editor->GetReadOut(kVolume)->getValue());

    // Hidden at close: released with the rest, and rebuilt from the current values.
    const long liveBefore = CBaseObject::GetLiveObjectCount();
    m_editor->HideControl(m_frame, kVolume);
    m_editor->close();
    EXPECT_EQ(nullptr, m_editor->GetControl(kVolume));
    EXPECT_LT(CBaseObject::GetLiveObjectCount(), liveBefore);
    m_plugin.Wrapper()->setParameter(kVolume, 0.3f);
    ASSERT_TRUE(m_editor->OpenOffscreen(1.0));
    EXPECT_FLOAT_EQ(0.3f, m_editor->GetControl(kVolume)->getValue());
}

TEST_F(CBaseEditorTest, ChangesFromAnotherThreadAreShownAtTheNextIdleAndNotQueuedWhileClosed)
{
    std::thread([this] { m_editor->OnSetParameter(kVolume, 0.8f); }).join();
    EXPECT_FLOAT_EQ(0.5f, m_editor->GetControl(kVolume)->getValue());
    m_editor->Idle();
    EXPECT_FLOAT_EQ(0.8f, m_editor->GetControl(kVolume)->getValue());
    EXPECT_FLOAT_EQ(0.8f, m_editor->GetReadOut(kVolume)->getValue());

    m_editor->close();
    std::thread([this] { m_editor->OnSetParameter(kVolume, 0.1f); }).join();
    m_effect->SetParameterScaled(kVolume, 0.6f);
    ASSERT_TRUE(m_editor->OpenOffscreen(1.0));
    m_editor->Idle();
    EXPECT_FLOAT_EQ(0.6f, m_editor->GetControl(kVolume)->getValue());
}

TEST_F(CBaseEditorTest, DismissedPopupMenuAnswersMinusOneAndNull)
{
    auto* menu = new COptionMenu();
    menu->addEntry("One");
    long tag = 7;
    long index = 9;
    EXPECT_EQ(nullptr, CBaseEditor::ShowPopupMenu(nullptr, nullptr, menu, tag, index));
    EXPECT_EQ(7, tag);
    EXPECT_EQ(9, index);
    // Offscreen without scripted input the menu closes at once, unchosen.
    EXPECT_EQ(nullptr,
              CBaseEditor::ShowPopupMenu(nullptr, m_editor->GetControl(kVolume), menu, tag, index));
    EXPECT_EQ(-1, tag);
    EXPECT_EQ(-1, index);
    EXPECT_FALSE(menu->isAttached());
    menu->forget();
}

TEST_F(CBaseEditorTest, ReportedSizeIsTheBackgroundTimesTheScaleAskedOncePerOpen)
{
    m_editor->close();
    m_editor->m_desktopReads = 0;
    const std::pair<const char*, int> scales[] = {{"1", 300}, {"1.5", 450}, {"2", 600}};
    for (const auto& [scale, width] : scales)
    {
        setenv("MORVEX_UI_SCALE", scale, 1);
        ERect* rect = nullptr;
        ASSERT_TRUE(m_editor->getRect(&rect));
        EXPECT_EQ(width, rect->right - rect->left) << scale;
        EXPECT_EQ(width * 2 / 3, rect->bottom - rect->top) << scale;
    }
    unsetenv("MORVEX_UI_SCALE");
    EXPECT_EQ(0, m_editor->m_desktopReads) << "a forced scale needs no desktop";
    for (int i = 0; i < 5; ++i)
    {
        ERect* rect = nullptr;
        ASSERT_TRUE(m_editor->getRect(&rect));
        EXPECT_EQ(450, rect->right - rect->left);
    }
    EXPECT_EQ(1, m_editor->m_desktopReads);
    // Opening asks again (the desktop may have changed); the rectangles after it reuse
    // that answer. (Without a parent window the open itself fails.)
    EXPECT_FALSE(m_editor->open(nullptr));
    ERect* rect = nullptr;
    ASSERT_TRUE(m_editor->getRect(&rect));
    EXPECT_EQ(2, m_editor->m_desktopReads);
}

TEST_F(CBaseEditorTest, OpenFailsWithoutBackgroundAndLeavesNothingOpen)
{
    CBaseTestEditor bare(m_effect);
    EXPECT_FALSE(bare.LoadBackground("NoSuchImage.png", false));
    EXPECT_FALSE(bare.OpenOffscreen(1.0));
    EXPECT_FALSE(bare.HasOpenFrame());
    bare.OnSetParameter(kVolume, 0.2f); // closed: a no-op
    EXPECT_EQ(nullptr, bare.GetControl(kVolume));
}
