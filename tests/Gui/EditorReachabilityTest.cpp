// Every parameter can be reached in the Morvex editor: the editor is opened offscreen in
// both window modes and walked through its view states (layer page, modulator tab and
// that modulator's mode, matrix page, compact master view). A parameter counts as
// reached when, in some state, its control is in the window and is the view the mouse
// finds at the control's centre (no page or other view lies over it).
#include "Common/wrappers/VSTwrapper/VstWrapper.h"
#include "Gui/AimOverlay.h"
#include "Gui/GuiTestSupport.h"

#include <gtest/gtest.h>

#include <set>

using namespace MorvexParam;
using namespace VSTGUI;

namespace
{
// Parameters the editor shows no control of their own for: the filter's slope (the
// layer page has no place for it) and the step counts, which the step editor's length
// strip sets.
std::set<int> ParametersWithoutControl()
{
    std::set<int> ids = {kFilterSlope, kFilterSlope + 1};
    for (int m = 0; m < kNumModulators; ++m)
        ids.insert(kModNumSteps + m);
    return ids;
}

class CEditorReachabilityTest : public GuiTest::CEditorFixture<::testing::TestWithParam<int>>
{
protected:
    void SetUp() override
    {
        CreateEditor(GetParam());
        ASSERT_NO_FATAL_FAILURE(Open());
    }

    // Marks every parameter whose control the mouse finds in the current state.
    void Collect(std::set<int>& reached)
    {
        for (int id = 0; id < kNumParameters; ++id)
        {
            CControl* control = m_editor->GetControl(id);
            if (!control || !control->isAttached())
                continue;
            const CPoint centre = AimOverlay::CentreInFrame(control);
            if (m_frame->getViewAt(centre, true) == control)
                reached.insert(id);
        }
    }
};
} // namespace

TEST_P(CEditorReachabilityTest, EveryParameterButTheStatedOnesHasAReachableControl)
{
    const bool compact = GetParam() == CEditor::kCompactMode;
    std::set<int> reached;
    // Every state: matrix page, master view (compact only), layer, modulator and its mode.
    for (int state = 0; state < 2 * 2 * 2 * kNumModulators * 2; ++state)
    {
        const int mode = state % 2, mod = state / 2 % kNumModulators;
        const int rest = state / (2 * kNumModulators);
        const int layer = rest % 2, master = rest / 2 % 2, matrix = rest / 4;
        if (master && !compact)
            continue;
        m_plugin.Wrapper()->setParameter(kModMode + mod, static_cast<float>(mode));
        Select(kTagMatrixSwitch, static_cast<float>(matrix));
        if (compact)
            Select(kTagViewSelector, static_cast<float>(master));
        Select(kTagLayerSelector, static_cast<float>(layer));
        Select(kTagModSelector, mod / 7.0f);
        Collect(reached);
    }
    const std::set<int> without = ParametersWithoutControl();
    for (int id = 0; id < kNumParameters; ++id)
    {
        char name[64] = {};
        m_effect->GetParameterName(id, name);
        if (without.count(id))
            EXPECT_EQ(0u, reached.count(id)) << id << " " << name << " now has a control";
        else
            EXPECT_EQ(1u, reached.count(id)) << id << " " << name << " cannot be reached";
    }
}

TEST_P(CEditorReachabilityTest, PagesCoverWhatLiesUnderThem)
{
    // The matrix page lies over the modulator section; a press on its background ends there.
    Select(kTagMatrixSwitch, 1.0f);
    CControl* speed = m_editor->GetControl(kModSpeed);
    ASSERT_NE(nullptr, speed);
    const CPoint centre = AimOverlay::CentreInFrame(speed);
    EXPECT_NE(speed, m_frame->getViewAt(centre, true));
    const float before = GuiTest::Scaled(m_effect, kModSpeed);
    Drag(centre, {CPoint(centre.x, centre.y + 60)});
    EXPECT_FLOAT_EQ(before, GuiTest::Scaled(m_effect, kModSpeed));
}

INSTANTIATE_TEST_SUITE_P(WindowModes, CEditorReachabilityTest,
                         ::testing::Values(CEditor::kNormalMode, CEditor::kCompactMode));
