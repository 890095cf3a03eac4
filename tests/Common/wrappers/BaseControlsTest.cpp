// The base controls inside an offscreen editor: wheel stepping of stepped knobs,
// read-out dragging, list controls and their menus.
#include "Common/wrappers/BaseEditor.h"
#include "Common/wrappers/BaseListControl.h"
#include "Common/wrappers/BaseReadOut.h"
#include "Common/wrappers/StepAnimKnob.h"
#include "Common/wrappers/VSTwrapper/VstWrapper.h"
#include "Gui/GuiTestSupport.h"
#include "vstgui/vstgui.h"

#include <gtest/gtest.h>

using namespace MorvexParam;
using namespace VSTGUI;

namespace
{
constexpr CPoint kStepKnobCentre(20, 20);     // Filter Mode, stepped 0..11
constexpr CPoint kVolumeReadOut(25, 80);      // read-out of Volume, 5..45 x 74..86
constexpr CPoint kListCentre(100, 20);        // Dist Mode list control, 80..120 x 14..26

class CControlsEditor : public CBaseEditor
{
public:
    explicit CControlsEditor(CBaseEffect* effect) : CBaseEditor(effect)
    {
        setKnobMode(kLinearMode);
    }

protected:
    bool OpenFrame(void* parent, double scale) override
    {
        if (!CBaseEditor::OpenFrame(parent, scale))
            return false;
        auto* knob = new CBitmap(GuiTest::kKnobStrip);
        AddKnob(m_frame, 10, 10, kFilterMode, GuiTest::kKnobFrames, knob, nullptr);
        auto* readOut = new CBaseReadOut(m_effect, CRect(5, 74, 45, 86), nullptr, kWhiteCColor);
        AddKnob(m_frame, 10, 50, kVolume, GuiTest::kKnobFrames, knob, readOut);
        AddListControl(m_frame, CRect(80, 14, 120, 26), kDistMode, false, nullptr, kWhiteCColor,
                       nullptr);
        knob->forget();
        return true;
    }
};

class CBaseControlsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        GuiTest::RegisterTestArtwork();
        m_effect = m_plugin.Effect();
        m_editor = new CControlsEditor(m_effect);
        m_effect->SetEditor(m_editor);
        ASSERT_TRUE(m_editor->LoadBackground(GuiTest::kBackground, false));
        ASSERT_TRUE(m_editor->OpenOffscreen(1.0));
        m_frame = m_editor->getFrame();
        CStepAnimKnob::ResetWheelCount();
        m_plugin.Host().Clear();
    }
    void TearDown() override
    {
        m_effect->SetEditor(nullptr);
        delete m_editor;
    }
    float Unscaled(int id) { return m_effect->GetParameterUnscaled(id, false, false, 0); }

    GuiTest::CPluginInstance m_plugin;
    CMorvex* m_effect = nullptr;
    CControlsEditor* m_editor = nullptr;
    CFrame* m_frame = nullptr;
};
} // namespace

TEST_F(CBaseControlsTest, SteppedKnobMovesOneStepPerFourWheelEvents)
{
    struct CASE
    {
        int events;
        float distance;
        float start;
        float expected;
    };
    const CASE cases[] = {
        {8, 1.0f, 0.0f, 2.0f},   // the edge case: 8 events, exactly 2 steps
        {3, 1.0f, 0.0f, 0.0f},   // not yet a whole step
        {4, 1.0f, 5.0f, 6.0f},
        {8, -1.0f, 5.0f, 3.0f},
        {8, -1.0f, 1.0f, 0.0f},  // clamped at the minimum
        {12, 1.0f, 10.0f, 11.0f}, // and at the maximum
    };
    for (const CASE& c : cases)
    {
        m_plugin.Wrapper()->setParameter(kFilterMode, m_effect->UnscaledValueToScaled(kFilterMode, c.start));
        CStepAnimKnob::ResetWheelCount();
        for (int i = 0; i < c.events; ++i)
            m_frame->platformOnWheel(kStepKnobCentre, c.distance, false, 0);
        EXPECT_FLOAT_EQ(c.expected, Unscaled(kFilterMode))
            << c.events << " events of " << c.distance << " from " << c.start;
        EXPECT_FLOAT_EQ(m_effect->GetParameterScaled(kFilterMode, false, false, 0),
                        m_editor->GetControl(kFilterMode)->getValue());
    }
}

TEST_F(CBaseControlsTest, ReadOutDraggedFiftyPixelsUpMovesAQuarterOfTheRange)
{
    // Volume: -24..24 dB, 0 dB = scaled 0.5; a quarter of the range up is +12 dB.
    m_frame->platformOnMouseDown(kVolumeReadOut, kLButton, 1000);
    m_frame->platformOnMouseMoved(CPoint(kVolumeReadOut.x, kVolumeReadOut.y - 20), kLButton);
    m_frame->platformOnMouseMoved(CPoint(kVolumeReadOut.x, kVolumeReadOut.y - 50), kLButton);
    m_frame->platformOnMouseUp(CPoint(kVolumeReadOut.x, kVolumeReadOut.y - 50), kLButton);
    EXPECT_FLOAT_EQ(12.0f, Unscaled(kVolume));
    EXPECT_FLOAT_EQ(0.75f, m_editor->GetControl(kVolume)->getValue());
    EXPECT_EQ(1, m_plugin.Host().Count(audioMasterBeginEdit));
    EXPECT_EQ(1, m_plugin.Host().Count(audioMasterEndEdit));
}

TEST_F(CBaseControlsTest, ReadOutShowsTheParameterDisplayText)
{
    m_plugin.Wrapper()->setParameter(kVolume, 0.75f);
    char expected[32] = {};
    m_effect->GetParameterTextValue(kVolume, expected);
    char shown[256] = {};
    m_editor->GetReadOut(kVolume)->GetDisplayText(shown, sizeof(shown));
    EXPECT_STREQ(expected, shown);
}

TEST_F(CBaseControlsTest, ListControlShowsTheFormatterTextOfItsValue)
{
    auto* list = dynamic_cast<CBaseListControl*>(m_editor->GetControl(kDistMode));
    ASSERT_NE(nullptr, list);
    for (int mode = 0; mode <= 3; ++mode)
    {
        m_plugin.Wrapper()->setParameter(kDistMode, m_effect->UnscaledValueToScaled(kDistMode, static_cast<float>(mode)));
        char expected[32] = {};
        m_effect->GetParameterTextValue(kDistMode, expected);
        char shown[256] = {};
        list->GetDisplayText(shown, sizeof(shown));
        EXPECT_STREQ(expected, shown) << mode;
    }
}

TEST_F(CBaseControlsTest, ListControlDraggedUpStepsThroughItsValuesAsOneGesture)
{
    // 0..3: 200 px span the range, so 100 px up is scaled 0.5 -> trunc(3.99 x 0.5) = 1.
    m_frame->platformOnMouseDown(kListCentre, kLButton, 1000);
    m_frame->platformOnMouseMoved(CPoint(kListCentre.x, kListCentre.y - 100), kLButton);
    m_frame->platformOnMouseUp(CPoint(kListCentre.x, kListCentre.y - 100), kLButton);
    EXPECT_FLOAT_EQ(1.0f, Unscaled(kDistMode));
    EXPECT_EQ(1, m_plugin.Host().Count(audioMasterBeginEdit));
    EXPECT_EQ(1, m_plugin.Host().Count(audioMasterEndEdit));
}

TEST_F(CBaseControlsTest, DismissedValueMenuChangesNothing)
{
    const float before = Unscaled(kDistMode);
    // A right-click opens the value menu; offscreen without input it closes unchosen.
    m_frame->platformOnMouseDown(kListCentre, kRButton, 1000);
    m_frame->platformOnMouseUp(kListCentre, kRButton);
    EXPECT_FLOAT_EQ(before, Unscaled(kDistMode));
    EXPECT_EQ(0, m_plugin.Host().Count(audioMasterBeginEdit));
    EXPECT_EQ(0, m_plugin.Host().Count(audioMasterAutomate));
}
