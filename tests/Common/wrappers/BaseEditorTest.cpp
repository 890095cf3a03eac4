// CBaseEditor with one control of each base kind, opened offscreen and driven with
// synthetic mouse events: drags and clicks as host gestures and undo steps, wheel steps,
// double-click reset, hiding, menus, threads and the reported size.
#include "Common/wrappers/BaseEditor.h"
#include "Common/wrappers/BaseListControl.h"
#include "Common/wrappers/BaseReadOut.h"
#include "Common/wrappers/ParameterAction.h"
#include "Common/wrappers/StepAnimKnob.h"
#include "Common/wrappers/VSTwrapper/VstWrapper.h"
#include "Gui/GuiTestSupport.h"
#include "vstgui/vstgui.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
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
    std::string EffectText(int id)
    {
        char text[32] = {};
        m_effect->GetParameterTextValue(id, text);
        return text;
    }
};
} // namespace

TEST_F(CBaseEditorTest, DragsAreOneHostGestureAndOneUndoStepThatTheControlFollows)
{
    // 200 px span the range: 50 px up from the middle is a quarter more; a stepped knob
    // takes the step trunc(11.99 x 0.185) = 2 of 0..11 for 37 px, a list 1 of 0..3 for 100.
    const struct
    {
        const char* name;
        CPoint from;
        CCoord up;
        int id;
        float unscaled;
    } cases[] = {
        {"knob", kKnob, 50, kVolume, 12.0f},
        {"read-out", kVolumeReadOut, 50, kVolume, 12.0f},
        {"stepped knob", kFilterModeKnob, 37, kFilterMode, 2.0f},
        {"list", kDistModeBList, 100, kDistMode + 1, 1.0f},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        CControl* control = m_editor->GetControl(c.id);
        const float start = control->getValue();
        const int undoBefore = m_effect->GetUndoCount();
        m_plugin.Host().Clear();
        Drag(c.from, CPoint(c.from.x, c.from.y - c.up));
        const std::vector<HOST_CALL> edits = m_plugin.Host().EditCalls(c.id);
        ExpectOneGesture(edits);
        EXPECT_FLOAT_EQ(c.unscaled, Unscaled(m_effect, c.id));
        // The control and the host hold the value the model stored (a step, for the
        // stepped ones), not the one the pointer reached.
        const float stored = m_effect->UnscaledValueToScaled(c.id, c.unscaled);
        EXPECT_FLOAT_EQ(stored, control->getValue());
        ASSERT_GE(edits.size(), 3u);
        EXPECT_FLOAT_EQ(stored, edits[edits.size() - 2].value);
        EXPECT_EQ(undoBefore + 1, m_effect->GetUndoCount());
        char shown[256] = {};
        if (auto* list = dynamic_cast<CBaseListControl*>(control))
            list->GetDisplayText(shown, sizeof(shown));
        else if (m_editor->GetReadOut(c.id) != nullptr)
            m_editor->GetReadOut(c.id)->GetDisplayText(shown, sizeof(shown));
        if (shown[0] != 0)
        {
            EXPECT_EQ(EffectText(c.id), shown);
        }
        m_effect->Undo();
        EXPECT_FLOAT_EQ(start, control->getValue());
    }
}

TEST_F(CBaseEditorTest, ClicksThatChangeNothingKeepTheValueAndTheRedoStep)
{
    // A plain click is a host gesture without automation; context clicks (right button or
    // Ctrl) send none, and a list's value menu closes unchosen offscreen.
    const struct
    {
        CPoint where;
        int id;
        long buttons;
        bool gesture;
    } cases[] = {
        {kKnob, kVolume, kLButton, true},
        {kDistModeSelector, kDistMode, kLButton, true},
        {kKnob, kVolume, kRButton, false},
        {kKnob, kVolume, kLButton | kApple, false},
        {kDistModeSelector, kDistMode, kRButton, false},
        {kDistModeSelector, kDistMode, kLButton | kApple, false},
        {kLimiterButton, kLimiter, kRButton, false},
        {kLimiterButton, kLimiter, kLButton | kApple, false},
        {kDistModeBList, kDistMode + 1, kRButton, false},
    };
    Click(kDistModeSelector); // puts the selector on the clicked position
    for (const auto& c : cases)
    {
        SCOPED_TRACE(::testing::Message() << c.id << " buttons " << c.buttons);
        m_effect->AddUndoItem(new CParameterAction(m_effect, kPan, 0.0f));
        m_effect->Undo(); // a redo step that the click must not discard
        const float before = Scaled(m_effect, c.id);
        const int undoBefore = m_effect->GetUndoCount();
        m_plugin.Host().Clear();
        Drag(c.where, c.gesture ? c.where : CPoint(c.where.x + 15, c.where.y - 40), c.buttons);
        if (c.gesture)
            ExpectOneGesture(m_plugin.Host().EditCalls(c.id), 0);
        for (int opcode : {audioMasterBeginEdit, audioMasterEndEdit, audioMasterAutomate})
            EXPECT_EQ(c.gesture && opcode != audioMasterAutomate ? 1 : 0,
                      m_plugin.Host().Count(opcode));
        EXPECT_FLOAT_EQ(before, Scaled(m_effect, c.id));
        EXPECT_EQ(undoBefore, m_effect->GetUndoCount());
        EXPECT_EQ(1, m_effect->GetRedoCount());
    }
    // The list shows its formatter's text at every value.
    auto* list = dynamic_cast<CBaseListControl*>(m_editor->GetControl(kDistMode + 1));
    ASSERT_NE(nullptr, list);
    for (int mode = 0; mode <= 3; ++mode)
    {
        m_plugin.Wrapper()->setParameter(
            kDistMode + 1, m_effect->UnscaledValueToScaled(kDistMode + 1, static_cast<float>(mode)));
        char shown[256] = {};
        list->GetDisplayText(shown, sizeof(shown));
        EXPECT_EQ(EffectText(kDistMode + 1), shown) << mode;
    }
}

TEST_F(CBaseEditorTest, SteppedKnobMovesOneStepPerFourWheelEvents)
{
    const struct
    {
        int events;
        float distance, start, expected;
    } cases[] = {
        {8, 1.0f, 0.0f, 2.0f},    // the edge case: 8 events, exactly 2 steps
        {3, 1.0f, 0.0f, 0.0f},    // not yet a whole step
        {4, 1.0f, 5.0f, 6.0f},    //
        {8, -1.0f, 5.0f, 3.0f},   //
        {8, -1.0f, 1.0f, 0.0f},   // clamped at the minimum
        {12, 1.0f, 10.0f, 11.0f}, // and at the maximum
    };
    ASSERT_TRUE(m_editor->GetControl(kFilterMode)->isTypeOf("CStepAnimKnob"));
    for (const auto& c : cases)
    {
        m_plugin.Wrapper()->setParameter(kFilterMode,
                                         m_effect->UnscaledValueToScaled(kFilterMode, c.start));
        CStepAnimKnob::ResetWheelCount();
        for (int i = 0; i < c.events; ++i)
            m_frame->platformOnWheel(kFilterModeKnob, c.distance, false, 0);
        EXPECT_FLOAT_EQ(c.expected, Unscaled(m_effect, kFilterMode))
            << c.events << " events of " << c.distance << " from " << c.start;
        EXPECT_FLOAT_EQ(Scaled(m_effect, kFilterMode),
                        m_editor->GetControl(kFilterMode)->getValue());
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
