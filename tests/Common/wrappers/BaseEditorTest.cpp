// CBaseEditor with a small editor of its own kinds of controls, opened offscreen and
// driven with synthetic mouse events: value traffic both ways, host gesture
// brackets, double-click reset, hiding, menus, threads and the reported size.
#include "Common/wrappers/BaseAnimKnob.h"
#include "Common/wrappers/BaseEditor.h"
#include "Common/wrappers/BaseReadOut.h"
#include "Common/wrappers/ParameterAction.h"
#include "Common/wrappers/StepAnimKnob.h"
#include "Common/wrappers/VSTwrapper/VstWrapper.h"
#include "Gui/GuiTestSupport.h"
#include "vstgui/vstgui.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <thread>

using namespace MorvexParam;
using namespace VSTGUI;
using GuiTest::HOST_CALL;

namespace
{
// Where the test editor puts its controls (frame coordinates).
constexpr CPoint kKnobCentre(20, 20);               // Volume, knob 10..30 x 10..30
const CRect kReadOutRect(5, 32, 45, 44);            // Volume's read-out
constexpr CPoint kStepKnobCentre(70, 20);           // Filter Mode (stepped), 60..80
constexpr CPoint kSelectorPoint(125, 15);           // Dist Mode selector 110..140 x 10..20
constexpr CPoint kButtonCentre(180, 15);            // Limiter on/off 170..190 x 10..20

class CTestEditor : public CBaseEditor
{
public:
    explicit CTestEditor(CBaseEffect* effect) : CBaseEditor(effect)
    {
        setKnobMode(kLinearMode);
    }

    void Idle() { IdleWindow(); }

    int m_desktopReads = 0;

protected:
    // A desktop at 1.5x, without asking an X server.
    double ReadDesktopScale() override
    {
        ++m_desktopReads;
        return 1.5;
    }

    bool OpenFrame(void* parent, double scale) override
    {
        if (!CBaseEditor::OpenFrame(parent, scale))
            return false;
        auto* knob = new CBitmap(GuiTest::kKnobStrip);
        auto* selector = new CBitmap(GuiTest::kSwitchStrip);
        auto* button = new CBitmap(GuiTest::kButtonStrip);
        auto* readOut = new CBaseReadOut(m_effect, kReadOutRect, nullptr, kWhiteCColor);
        AddKnob(m_frame, 10, 10, kVolume, GuiTest::kKnobFrames, knob, readOut);
        AddKnob(m_frame, 60, 10, kFilterMode, GuiTest::kKnobFrames, knob, nullptr);
        AddHorizontalSelector(m_frame, 110, 10, kDistMode, GuiTest::kSwitchPositions, selector);
        AddOnOffButton(m_frame, 170, 10, kLimiter, button, COnOffButton::kPreListenerUpdate);
        knob->forget();
        selector->forget();
        button->forget();
        return true;
    }
};

class CBaseEditorTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        GuiTest::RegisterTestArtwork();
        m_effect = m_plugin.Effect();
        ASSERT_NE(nullptr, m_effect);
        m_editor = new CTestEditor(m_effect);
        m_effect->SetEditor(m_editor);
        ASSERT_TRUE(m_editor->LoadBackground(GuiTest::kBackground, false));
        ASSERT_TRUE(m_editor->OpenOffscreen(1.0));
        m_frame = m_editor->getFrame();
        m_plugin.Host().Clear();
    }
    void TearDown() override
    {
        m_effect->SetEditor(nullptr);
        delete m_editor;
    }

    float Scaled(int id) { return m_effect->GetParameterScaled(id, false, false, 0); }
    void Press(CPoint where, long buttons, std::uint32_t timeMs = 0)
    {
        m_frame->platformOnMouseDown(where, buttons, timeMs ? timeMs : NextTime());
    }
    void Move(CPoint where, long buttons) { m_frame->platformOnMouseMoved(where, buttons); }
    void Release(CPoint where, long buttons) { m_frame->platformOnMouseUp(where, buttons); }
    // Press times far apart, so that no two presses make a double-click by accident.
    std::uint32_t NextTime() { return m_time += 1000; }
    const std::vector<HOST_CALL>& Calls() { return m_plugin.Host().Calls(); }

    GuiTest::CPluginInstance m_plugin;
    CMorvex* m_effect = nullptr;
    CTestEditor* m_editor = nullptr;
    CFrame* m_frame = nullptr;
    std::uint32_t m_time = 10000;
};

void ExpectOneGesture(const std::vector<HOST_CALL>& edits, int id)
{
    ASSERT_GE(edits.size(), 3u);
    EXPECT_EQ(audioMasterBeginEdit, edits.front().opcode);
    EXPECT_EQ(audioMasterEndEdit, edits.back().opcode);
    for (size_t i = 1; i + 1 < edits.size(); ++i)
    {
        EXPECT_EQ(audioMasterAutomate, edits[i].opcode) << "call " << i;
        EXPECT_EQ(id, edits[i].index);
    }
}
} // namespace

TEST_F(CBaseEditorTest, KnobDragIsOneHostGestureAndOneUndoStep)
{
    const int undoBefore = m_effect->GetUndoCount();
    Press(kKnobCentre, kLButton);
    Move(CPoint(20, -5), kLButton);
    Move(CPoint(20, -30), kLButton); // 50 px up: a quarter of the range
    Release(CPoint(20, -30), kLButton);

    ExpectOneGesture(m_plugin.Host().EditCalls(kVolume), kVolume);
    EXPECT_FLOAT_EQ(0.75f, Scaled(kVolume));
    EXPECT_FLOAT_EQ(0.75f, m_editor->GetControl(kVolume)->getValue());
    EXPECT_EQ(undoBefore + 1, m_effect->GetUndoCount());

    m_effect->Undo();
    EXPECT_FLOAT_EQ(0.5f, Scaled(kVolume));
    EXPECT_FLOAT_EQ(0.5f, m_editor->GetControl(kVolume)->getValue());
}

TEST_F(CBaseEditorTest, ClickThatChangesNothingIsAHostGestureButNoUndoStep)
{
    struct CASE
    {
        const char* what;
        CPoint where;
        int id;
    };
    const CASE cases[] = {
        {"knob pressed and released without moving", kKnobCentre, kVolume},
        {"selector clicked on the position it shows", kSelectorPoint, kDistMode},
    };
    for (const CASE& c : cases)
    {
        // A first click puts the selector on the clicked position (the knob stays put).
        Press(c.where, kLButton);
        Release(c.where, kLButton);
        m_effect->AddUndoItem(new CParameterAction(m_effect, kPan, 0.0f));
        m_effect->Undo(); // a redo step that the click must not discard
        const float before = Scaled(c.id);
        const int undoBefore = m_effect->GetUndoCount();
        m_plugin.Host().Clear();

        Press(c.where, kLButton);
        Release(c.where, kLButton);

        const std::vector<HOST_CALL> edits = m_plugin.Host().EditCalls(c.id);
        ASSERT_GE(edits.size(), 2u) << c.what;
        EXPECT_EQ(audioMasterBeginEdit, edits.front().opcode) << c.what;
        EXPECT_EQ(audioMasterEndEdit, edits.back().opcode) << c.what;
        EXPECT_FLOAT_EQ(before, Scaled(c.id)) << c.what;
        EXPECT_EQ(undoBefore, m_effect->GetUndoCount()) << c.what;
        EXPECT_EQ(1, m_effect->GetRedoCount()) << c.what;
    }
}

TEST_F(CBaseEditorTest, SteppedKnobSnapsToTheStoredStepAfterADrag)
{
    CControl* knob = m_editor->GetControl(kFilterMode);
    ASSERT_TRUE(knob && knob->isTypeOf("CStepAnimKnob"));
    // 37 px up = 0.185 of the range: step trunc(11.99 x 0.185) = 2 of 0..11.
    Press(kStepKnobCentre, kLButton);
    Move(CPoint(70, 20 - 37), kLButton);
    Release(CPoint(70, 20 - 37), kLButton);
    EXPECT_FLOAT_EQ(2.0f, m_effect->GetParameterUnscaled(kFilterMode, false, false, 0));
    EXPECT_FLOAT_EQ(2.0f / 11.0f, knob->getValue());
}

TEST_F(CBaseEditorTest, ContextClicksSendNoHostGestureAndChangeNothing)
{
    struct CASE
    {
        const char* what;
        CPoint where;
        int id;
        long buttons;
    };
    const CASE cases[] = {
        {"knob, right button", kKnobCentre, kVolume, kRButton},
        {"knob, Ctrl-click", kKnobCentre, kVolume, kLButton | kApple},
        {"selector, right button", kSelectorPoint, kDistMode, kRButton},
        {"selector, Ctrl-click", kSelectorPoint, kDistMode, kLButton | kApple},
        {"on/off, right button", kButtonCentre, kLimiter, kRButton},
    };
    for (const CASE& c : cases)
    {
        m_plugin.Host().Clear();
        const float before = Scaled(c.id);
        Press(c.where, c.buttons);
        Move(CPoint(c.where.x + 15, c.where.y - 40), c.buttons);
        Release(CPoint(c.where.x + 15, c.where.y - 40), c.buttons);
        EXPECT_EQ(0, m_plugin.Host().Count(audioMasterBeginEdit)) << c.what;
        EXPECT_EQ(0, m_plugin.Host().Count(audioMasterEndEdit)) << c.what;
        EXPECT_FLOAT_EQ(before, Scaled(c.id)) << c.what;
    }
}

TEST_F(CBaseEditorTest, DoubleClickResetsToTheDefaultInsideOneGesture)
{
    struct CASE
    {
        const char* what;
        CPoint where;
        int id;
    };
    const CASE cases[] = {
        {"knob", kKnobCentre, kVolume},
        {"selector", kSelectorPoint, kDistMode},
    };
    for (const CASE& c : cases)
    {
        m_plugin.Wrapper()->setParameter(c.id, 1.0f);
        const float defaultScaled =
            m_effect->UnscaledValueToScaled(c.id, m_effect->GetParameterInfo(c.id)->defaultValue);
        const std::uint32_t t = NextTime();
        Press(c.where, kLButton, t);
        Release(c.where, kLButton);
        m_plugin.Host().Clear();
        Press(c.where, kLButton, t + 100); // the frame makes this a double-click
        Release(c.where, kLButton);

        const std::vector<HOST_CALL> edits = m_plugin.Host().EditCalls(c.id);
        ASSERT_EQ(3u, edits.size()) << c.what;
        EXPECT_EQ(audioMasterBeginEdit, edits[0].opcode) << c.what;
        EXPECT_EQ(audioMasterAutomate, edits[1].opcode) << c.what;
        EXPECT_FLOAT_EQ(defaultScaled, edits[1].value) << c.what;
        EXPECT_EQ(audioMasterEndEdit, edits[2].opcode) << c.what;
        EXPECT_FLOAT_EQ(defaultScaled, Scaled(c.id)) << c.what;
        EXPECT_FLOAT_EQ(defaultScaled, m_editor->GetControl(c.id)->getValue()) << c.what;
    }
}

TEST_F(CBaseEditorTest, HostAutomationMovesTheKnobAndItsReadOut)
{
    m_plugin.Wrapper()->setParameter(kVolume, 0.25f);
    EXPECT_FLOAT_EQ(0.25f, m_editor->GetControl(kVolume)->getValue());
    EXPECT_FLOAT_EQ(0.25f, m_editor->GetReadOut(kVolume)->getValue());
    EXPECT_TRUE(m_editor->GetControl(kVolume)->isDirty());
}

TEST_F(CBaseEditorTest, HiddenControlKeepsItsSlotButGetsNoValuesUntilShown)
{
    CControl* knob = m_editor->GetControl(kVolume);
    m_editor->HideControl(m_frame, kVolume);
    EXPECT_FALSE(knob->isAttached());
    EXPECT_FALSE(m_editor->GetReadOut(kVolume)->isAttached());
    EXPECT_EQ(knob, m_editor->GetControl(kVolume));

    m_plugin.Wrapper()->setParameter(kVolume, 0.9f);
    EXPECT_FLOAT_EQ(0.5f, knob->getValue());

    m_editor->ShowControl(m_frame, kVolume);
    EXPECT_TRUE(knob->isAttached());
    EXPECT_FLOAT_EQ(0.9f, knob->getValue());
    EXPECT_FLOAT_EQ(0.9f, m_editor->GetReadOut(kVolume)->getValue());
}

TEST_F(CBaseEditorTest, HiddenControlIsReleasedWhenTheEditorCloses)
{
    const long liveBefore = CBaseObject::GetLiveObjectCount();
    m_editor->HideControl(m_frame, kVolume);
    m_editor->close();
    EXPECT_EQ(nullptr, m_editor->GetControl(kVolume));
    EXPECT_LT(CBaseObject::GetLiveObjectCount(), liveBefore);
    // Reopening builds everything anew from the current values.
    m_plugin.Wrapper()->setParameter(kVolume, 0.3f);
    ASSERT_TRUE(m_editor->OpenOffscreen(1.0));
    EXPECT_FLOAT_EQ(0.3f, m_editor->GetControl(kVolume)->getValue());
}

TEST_F(CBaseEditorTest, ParameterChangeFromAnotherThreadIsAppliedAtTheNextIdle)
{
    std::thread audio([this] { m_editor->OnSetParameter(kVolume, 0.8f); });
    audio.join();
    EXPECT_FLOAT_EQ(0.5f, m_editor->GetControl(kVolume)->getValue());
    m_editor->Idle();
    EXPECT_FLOAT_EQ(0.8f, m_editor->GetControl(kVolume)->getValue());
    EXPECT_FLOAT_EQ(0.8f, m_editor->GetReadOut(kVolume)->getValue());
}

TEST_F(CBaseEditorTest, ChangesWhileClosedAreNotQueuedButReadAtOpen)
{
    m_editor->close();
    std::thread audio([this] { m_editor->OnSetParameter(kVolume, 0.1f); });
    audio.join();
    m_effect->SetParameterScaled(kVolume, 0.6f);
    ASSERT_TRUE(m_editor->OpenOffscreen(1.0));
    m_editor->Idle();
    EXPECT_FLOAT_EQ(0.6f, m_editor->GetControl(kVolume)->getValue());
}

TEST_F(CBaseEditorTest, DismissedPopupMenuAnswersMinusOneAndNull)
{
    auto* menu = new COptionMenu();
    menu->addEntry("One");
    menu->addEntry("Two");
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

TEST_F(CBaseEditorTest, ReportedSizeIsTheBackgroundTimesTheScale)
{
    m_editor->close();
    struct CASE
    {
        const char* scale;
        int width;
        int height;
    };
    const CASE cases[] = {{"1", 300, 200}, {"1.5", 450, 300}, {"2", 600, 400}};
    for (const CASE& c : cases)
    {
        setenv("MORVEX_UI_SCALE", c.scale, 1);
        ERect* rect = nullptr;
        ASSERT_TRUE(m_editor->getRect(&rect));
        EXPECT_EQ(c.width, rect->right - rect->left) << c.scale;
        EXPECT_EQ(c.height, rect->bottom - rect->top) << c.scale;
    }
    unsetenv("MORVEX_UI_SCALE");
}

TEST_F(CBaseEditorTest, DesktopScaleIsAskedOncePerOpenNotOnEveryRectangle)
{
    m_editor->close();
    unsetenv("MORVEX_UI_SCALE");
    m_editor->m_desktopReads = 0;
    for (int i = 0; i < 5; ++i)
    {
        ERect* rect = nullptr;
        ASSERT_TRUE(m_editor->getRect(&rect));
        EXPECT_EQ(450, rect->right - rect->left);
    }
    EXPECT_EQ(1, m_editor->m_desktopReads);
    // Opening asks again (the desktop may have changed meanwhile); the rectangles after
    // it reuse that answer. (Without a parent window the open itself fails.)
    EXPECT_FALSE(m_editor->open(nullptr));
    EXPECT_EQ(2, m_editor->m_desktopReads);
    ERect* rect = nullptr;
    ASSERT_TRUE(m_editor->getRect(&rect));
    EXPECT_EQ(2, m_editor->m_desktopReads);
    // A forced scale needs no desktop at all.
    setenv("MORVEX_UI_SCALE", "2", 1);
    ASSERT_TRUE(m_editor->getRect(&rect));
    EXPECT_EQ(600, rect->right - rect->left);
    unsetenv("MORVEX_UI_SCALE");
    EXPECT_EQ(2, m_editor->m_desktopReads);
}

TEST_F(CBaseEditorTest, OpenFailsWithoutBackgroundAndLeavesNothingOpen)
{
    CTestEditor bare(m_effect);
    EXPECT_FALSE(bare.LoadBackground("NoSuchImage.png", false));
    EXPECT_FALSE(bare.OpenOffscreen(1.0));
    EXPECT_FALSE(bare.HasOpenFrame());
    bare.OnSetParameter(kVolume, 0.2f); // closed: a no-op
    EXPECT_EQ(nullptr, bare.GetControl(kVolume));
}
