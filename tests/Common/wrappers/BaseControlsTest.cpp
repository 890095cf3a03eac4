// The base controls inside an offscreen editor: wheel stepping of stepped knobs,
// read-out dragging and text, list controls and their menus.
#include "Common/wrappers/BaseListControl.h"
#include "Common/wrappers/BaseReadOut.h"
#include "Common/wrappers/StepAnimKnob.h"
#include "Common/wrappers/VSTwrapper/VstWrapper.h"
#include "Gui/GuiTestSupport.h"
#include "vstgui/vstgui.h"

#include <gtest/gtest.h>

#include <string>

using namespace GuiTest;
using namespace MorvexParam;
using namespace VSTGUI;

namespace
{
using CBaseControlsTest = CBaseEditorFixture;

std::string DisplayText(CBaseEffect* effect, int id)
{
    char text[32] = {};
    effect->GetParameterTextValue(id, text);
    return text;
}
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
        {8, 1.0f, 0.0f, 2.0f},    // the edge case: 8 events, exactly 2 steps
        {3, 1.0f, 0.0f, 0.0f},    // not yet a whole step
        {4, 1.0f, 5.0f, 6.0f},    //
        {8, -1.0f, 5.0f, 3.0f},   //
        {8, -1.0f, 1.0f, 0.0f},   // clamped at the minimum
        {12, 1.0f, 10.0f, 11.0f}, // and at the maximum
    };
    for (const CASE& c : cases)
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

TEST_F(CBaseControlsTest, ReadOutShowsTheTextAndADragOfFiftyPixelsUpMovesAQuarterOfTheRange)
{
    // Volume: -24..24 dB, 0 dB = scaled 0.5; a quarter of the range up is +12 dB.
    Drag(kVolumeReadOut, CPoint(kVolumeReadOut.x, kVolumeReadOut.y - 50));
    EXPECT_FLOAT_EQ(12.0f, Unscaled(m_effect, kVolume));
    EXPECT_FLOAT_EQ(0.75f, m_editor->GetControl(kVolume)->getValue());
    EXPECT_EQ(1, m_plugin.Host().Count(audioMasterBeginEdit));
    EXPECT_EQ(1, m_plugin.Host().Count(audioMasterEndEdit));
    char shown[256] = {};
    m_editor->GetReadOut(kVolume)->GetDisplayText(shown, sizeof(shown));
    EXPECT_EQ(DisplayText(m_effect, kVolume), shown);
}

TEST_F(CBaseControlsTest, ListControlShowsTheFormatterTextOfItsValue)
{
    auto* list = dynamic_cast<CBaseListControl*>(m_editor->GetControl(kDistMode + 1));
    ASSERT_NE(nullptr, list);
    for (int mode = 0; mode <= 3; ++mode)
    {
        const float scaled =
            m_effect->UnscaledValueToScaled(kDistMode + 1, static_cast<float>(mode));
        m_plugin.Wrapper()->setParameter(kDistMode + 1, scaled);
        char shown[256] = {};
        list->GetDisplayText(shown, sizeof(shown));
        EXPECT_EQ(DisplayText(m_effect, kDistMode + 1), shown) << mode;
    }
}

TEST_F(CBaseControlsTest, ListControlDragsAsOneGestureAndItsDismissedMenuChangesNothing)
{
    // 0..3: 200 px span the range, so 100 px up is scaled 0.5 -> trunc(3.99 x 0.5) = 1.
    Drag(kDistModeBList, CPoint(kDistModeBList.x, kDistModeBList.y - 100));
    EXPECT_FLOAT_EQ(1.0f, Unscaled(m_effect, kDistMode + 1));
    EXPECT_EQ(1, m_plugin.Host().Count(audioMasterBeginEdit));
    EXPECT_EQ(1, m_plugin.Host().Count(audioMasterEndEdit));
    // A right-click opens the value menu; offscreen without input it closes unchosen.
    m_plugin.Host().Clear();
    Drag(kDistModeBList, kDistModeBList, kRButton);
    EXPECT_FLOAT_EQ(1.0f, Unscaled(m_effect, kDistMode + 1));
    EXPECT_EQ(0, m_plugin.Host().Count(audioMasterBeginEdit));
    EXPECT_EQ(0, m_plugin.Host().Count(audioMasterAutomate));
}
