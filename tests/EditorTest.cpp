// The Morvex editor opened offscreen with its real artwork and layout: window modes
// and sizes, the master strip's bindings, the idle pass (meters, undo look) and a
// knob turn end to end.
#include "Common/wrappers/BaseReadOut.h"
#include "Common/wrappers/VSTwrapper/VstWrapper.h"
#include "Editor.h"
#include "Gui/CorrelationMeter.h"
#include "Gui/DecibelMeter.h"
#include "Gui/EditorLayout.h"
#include "Gui/GuiTestSupport.h"
#include "Preferences.h"
#include "vstgui/vstgui.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

using namespace MorvexParam;
using namespace VSTGUI;

namespace
{
class CEditorTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        setenv("MORVEX_UI_SCALE", "1", 1);
        m_effect = m_plugin.Effect();
        // A stored choice, so that the test machine's screen does not decide.
        m_effect->GetPreferences()->SetCompactGuiMode(CEditor::kNormalMode);
        m_editor = new CEditor(m_effect);
        m_effect->SetEditor(m_editor);
    }
    void TearDown() override
    {
        m_effect->SetEditor(nullptr);
        delete m_editor;
        unsetenv("MORVEX_UI_SCALE");
    }

    void Open()
    {
        ASSERT_TRUE(m_editor->OpenOffscreen(1.0));
        m_frame = m_editor->getFrame();
        m_plugin.Host().Clear();
    }
    // Centre of a control's row in the layout (frame coordinates, normal window).
    static CPoint CentreOf(int id)
    {
        const LAYOUT_CONTROL* row = FindLayoutControl(CEditor::kNormalMode, id);
        return row ? CPoint(row->rect.x + row->rect.width / 2.0, row->rect.y + row->rect.height / 2.0)
                   : CPoint();
    }
    void Idle() { m_editor->idle(); }

    GuiTest::CPluginInstance m_plugin;
    CMorvex* m_effect = nullptr;
    CEditor* m_editor = nullptr;
    CFrame* m_frame = nullptr;
};
} // namespace

TEST_F(CEditorTest, WindowSizeFollowsTheBackgroundOfEachMode)
{
    struct CASE
    {
        int mode;
        int width;
        int height;
    };
    const CASE cases[] = {{CEditor::kNormalMode, 1080, 790}, {CEditor::kCompactMode, 1098, 700}};
    for (const CASE& c : cases)
    {
        m_editor->SetEditorViewMode(c.mode);
        ERect* rect = nullptr;
        ASSERT_TRUE(m_editor->getRect(&rect));
        EXPECT_EQ(c.width, rect->right - rect->left) << c.mode;
        EXPECT_EQ(c.height, rect->bottom - rect->top) << c.mode;
    }
    setenv("MORVEX_UI_SCALE", "2", 1);
    ERect* rect = nullptr;
    ASSERT_TRUE(m_editor->getRect(&rect));
    EXPECT_EQ(2 * 1098, rect->right - rect->left);
}

TEST_F(CEditorTest, MasterStripControlsSitWhereTheLayoutPutsThem)
{
    Open();
    for (int id : {kPower, kVolume, kDryWet, kPan, kLimiter, kEqOn, kEqBass, kEqMidFreq, kReverbOn,
                   kReverbInput, kReverbTreble, kLayerAMix, kLayerBPan, kLayerBOn, kLayerMode})
    {
        const LAYOUT_CONTROL* row = FindLayoutControl(CEditor::kNormalMode, id);
        ASSERT_NE(nullptr, row) << id;
        CControl* control = m_editor->GetControl(id);
        ASSERT_NE(nullptr, control) << id;
        EXPECT_TRUE(control->isAttached()) << id;
        // Knobs grow around their film strip for the modulation arc.
        const LAYOUT_RECT view = row->ViewRect();
        EXPECT_DOUBLE_EQ(view.x, control->getViewSize().left) << id;
        EXPECT_DOUBLE_EQ(view.y, control->getViewSize().top) << id;
        EXPECT_DOUBLE_EQ(view.width, control->getViewSize().getWidth()) << id;
        EXPECT_FLOAT_EQ(m_effect->GetParameterScaled(id, false, false, 0), control->getValue())
            << id;
    }
    ASSERT_NE(nullptr, m_editor->GetReadOut(kVolume));
    EXPECT_TRUE(m_editor->GetControl(kVolume)->isTypeOf("CModulationKnob"));
    EXPECT_TRUE(m_editor->GetControl(kPower)->isTypeOf("CBaseOnOffButton"));
    EXPECT_NE(nullptr, m_editor->GetMeter(0));
    EXPECT_NE(nullptr, m_editor->GetMeter(1));
    EXPECT_NE(nullptr, m_editor->GetCorrelationMeter());
}

TEST_F(CEditorTest, CompactModeRebuildsInPlaceWithTheMasterView)
{
    Open();
    CControl* settings = m_editor->GetTaggedControl(kTagSettings);
    ASSERT_NE(nullptr, settings);
    m_editor->SetEditorViewMode(CEditor::kCompactMode);
    EXPECT_DOUBLE_EQ(1098, m_frame->getWidth());
    EXPECT_DOUBLE_EQ(700, m_frame->getHeight());
    EXPECT_EQ(settings, m_editor->GetTaggedControl(kTagSettings));
    EXPECT_TRUE(settings->isAttached());

    CViewContainer* master = m_editor->GetMasterView();
    ASSERT_NE(nullptr, master);
    CControl* volume = m_editor->GetControl(kVolume);
    ASSERT_NE(nullptr, volume);
    EXPECT_EQ(master, volume->getParentView());
    EXPECT_FALSE(master->isAttached()); // until the view selector shows it

    CControl* selector = m_editor->GetTaggedControl(kTagViewSelector);
    ASSERT_NE(nullptr, selector);
    selector->setValue(1.0f);
    m_editor->valueChanged(selector);
    EXPECT_TRUE(master->isAttached());
    // Values still reach the master controls in their container.
    m_plugin.Wrapper()->setParameter(kVolume, 0.2f);
    EXPECT_FLOAT_EQ(0.2f, volume->getValue());

    m_editor->SetEditorViewMode(CEditor::kNormalMode);
    EXPECT_DOUBLE_EQ(1080, m_frame->getWidth());
    EXPECT_EQ(nullptr, m_editor->GetMasterView());
    EXPECT_EQ(m_frame, m_editor->GetControl(kVolume)->getParentView());
}

TEST_F(CEditorTest, KnobTurnIsOneHostGestureOneUndoStepAndLightsTheUndoButton)
{
    Open();
    Idle();
    ASSERT_NE(nullptr, m_editor->GetUndoButton());
    EXPECT_STREQ("UndoButtonDisabled.png",
                 m_editor->GetUndoButton()->getBackground()->getResourceName());

    const CPoint centre = CentreOf(kDryWet);
    m_frame->platformOnMouseDown(centre, kLButton, 1000);
    m_frame->platformOnMouseMoved(CPoint(centre.x, centre.y + 10), kLButton);
    m_frame->platformOnMouseMoved(CPoint(centre.x, centre.y + 40), kLButton);
    m_frame->platformOnMouseUp(CPoint(centre.x, centre.y + 40), kLButton);

    const std::vector<GuiTest::HOST_CALL> edits = m_plugin.Host().EditCalls(kDryWet);
    ASSERT_GE(edits.size(), 3u);
    EXPECT_EQ(audioMasterBeginEdit, edits.front().opcode);
    EXPECT_EQ(audioMasterEndEdit, edits.back().opcode);
    EXPECT_EQ(1, m_plugin.Host().Count(audioMasterBeginEdit));
    // 100 % dry/wet at the start, 40 px down = a fifth of the range.
    EXPECT_NEAR(0.8f, m_effect->GetParameterScaled(kDryWet, false, false, 0), 1e-5f);
    EXPECT_EQ(1, m_effect->GetUndoCount());

    Idle();
    EXPECT_STREQ("UndoButton.png", m_editor->GetUndoButton()->getBackground()->getResourceName());
}

TEST_F(CEditorTest, PowerSwitchClickTogglesPowerAsOneGesture)
{
    Open();
    ASSERT_FLOAT_EQ(1.0f, m_effect->GetParameterScaled(kPower, false, false, 0));
    const CPoint centre = CentreOf(kPower);
    m_frame->platformOnMouseDown(centre, kLButton, 1000);
    m_frame->platformOnMouseUp(centre, kLButton);
    EXPECT_FLOAT_EQ(0.0f, m_effect->GetParameterScaled(kPower, false, false, 0));
    const std::vector<GuiTest::HOST_CALL> edits = m_plugin.Host().EditCalls(kPower);
    ASSERT_EQ(3u, edits.size());
    EXPECT_EQ(audioMasterBeginEdit, edits[0].opcode);
    EXPECT_EQ(audioMasterAutomate, edits[1].opcode);
    EXPECT_EQ(audioMasterEndEdit, edits[2].opcode);
}

TEST_F(CEditorTest, MetersShowTheEffectsLevelsAfterIdle)
{
    Open();
    CVstWrapper* wrapper = m_plugin.Wrapper();
    wrapper->setSampleRate(44100.0f);
    wrapper->setBlockSize(256);
    wrapper->resume();
    std::vector<float> left(256), right(256), outLeft(256), outRight(256);
    for (int i = 0; i < 256; ++i)
    {
        left[i] = 0.5f * std::sin(0.05f * static_cast<float>(i));
        right[i] = left[i];
    }
    float* inputs[2] = {left.data(), right.data()};
    float* outputs[2] = {outLeft.data(), outRight.data()};
    for (int block = 0; block < 8; ++block)
        wrapper->processReplacing(inputs, outputs, 256);
    Idle();

    CDecibelMeter* meter = m_editor->GetMeter(0);
    ASSERT_NE(nullptr, meter);
    EXPECT_GT(m_effect->GetPeakLeft(), 0.0f);
    EXPECT_FLOAT_EQ(meter->LevelToPosition(m_effect->GetPeakLeft()), meter->getValue());
    EXPECT_GT(meter->getValue(), 0.0f);
    EXPECT_FLOAT_EQ(m_effect->GetCorrelation(), m_editor->GetCorrelationMeter()->getValue());
}

TEST_F(CEditorTest, ReopeningKeepsTheModeAndRebuildsFromCurrentValues)
{
    Open();
    m_editor->SetEditorViewMode(CEditor::kCompactMode);
    m_editor->close();
    m_effect->SetParameterScaled(kPan, 0.3f);
    ASSERT_TRUE(m_editor->OpenOffscreen(1.0));
    EXPECT_EQ(CEditor::kCompactMode, m_editor->GetEditorViewMode());
    EXPECT_FLOAT_EQ(0.3f, m_editor->GetControl(kPan)->getValue());
}

namespace
{
// An editor on a screen of a chosen height.
class CScreenEditor : public CEditor
{
public:
    CScreenEditor(CMorvex* effect, int screenHeight) : CEditor(effect), m_screenHeight(screenHeight)
    {
    }

protected:
    int GetScreenHeight() const override { return m_screenHeight; }

private:
    int m_screenHeight;
};
} // namespace

TEST(CEditorWindowModeTest, LowScreenWithoutStoredChoiceOpensCompactAndStoresIt)
{
    struct CASE
    {
        int stored;
        int screenHeight;
        int mode;
        int storedAfter;
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
        GuiTest::CPluginInstance plugin;
        CPreferences* preferences = plugin.Effect()->GetPreferences();
        preferences->SetCompactGuiMode(c.stored);
        CScreenEditor editor(plugin.Effect(), c.screenHeight);
        ERect* rect = nullptr;
        ASSERT_TRUE(editor.getRect(&rect));
        EXPECT_EQ(c.mode, editor.GetEditorViewMode()) << c.stored << " " << c.screenHeight;
        EXPECT_EQ(c.storedAfter, preferences->GetCompactGuiMode())
            << c.stored << " " << c.screenHeight;
        if (c.storedAfter != c.stored)
        {
            // Stored on disk too: a fresh read finds it.
            CPreferences reread(plugin.Effect());
            EXPECT_EQ(c.storedAfter, reread.GetCompactGuiMode());
        }
    }
}
