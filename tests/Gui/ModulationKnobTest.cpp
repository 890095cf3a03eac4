// The modulation knob in the Morvex editor (the Volume knob of the master strip):
// which matrix slot it shows, depth drags with the right button, the double-click reset,
// and its arc.
#include "Common/wrappers/VSTwrapper/VstWrapper.h"
#include "Gui/GuiTestSupport.h"
#include "Gui/ModulationKnob.h"

#include <gtest/gtest.h>

#include <cstdint>

using namespace GuiTest;
using namespace MorvexParam;
using namespace VSTGUI;

namespace
{
class CModulationKnobTest : public CEditorFixture<>
{
protected:
    void SetUp() override
    {
        CEditorFixture::SetUp();
        ASSERT_NO_FATAL_FAILURE(Open());
        m_knob = dynamic_cast<CModulationKnob*>(m_editor->GetControl(kVolume));
        ASSERT_NE(nullptr, m_knob);
        m_centre = CentreOf(kVolume);
    }

    void Route(int slot, int source, float depth)
    {
        GuiTest::Route(m_effect, slot, source, kVolume, depth);
    }
    float DepthPercent(int slot) { return Unscaled(m_effect, kMtxDepth + slot); }
    void RightDrag(CPoint to) { Drag(m_centre, {to}, kRButton); }

    CModulationKnob* m_knob = nullptr;
    CPoint m_centre;
};
} // namespace

TEST_F(CModulationKnobTest, ShowsTheFirstOfTwoSlotsUntilTheSecondIsEdited)
{
    Route(3, 0, 50.0f);
    Route(7, 2, -25.0f);
    Route(5, -1, 80.0f); // no source: not this knob's modulation
    EXPECT_EQ(kMtxDepth + 3, m_knob->GetModDepthParamID());
    EXPECT_FLOAT_EQ(0.5f, m_knob->GetModDepth());

    // Editing the second slot's depth (the matrix page does so through the host path).
    m_plugin.Wrapper()->setParameter(kMtxDepth + 7,
                                     m_effect->UnscaledValueToScaled(kMtxDepth + 7, -40.0f));
    EXPECT_EQ(kMtxDepth + 7, m_knob->GetModDepthParamID());
    EXPECT_NEAR(-0.4f, m_knob->GetModDepth(), 1e-5f);
}

TEST_F(CModulationKnobTest, RightDragSetsTheDepthAsOneGestureAndStopsAtTheEnds)
{
    Route(0, 1, 0.0f);
    const float volumeBefore = Scaled(m_effect, kVolume);
    // 30 px up, in two moves: +0.3 of depth.
    Drag(m_centre, {CPoint(m_centre.x, m_centre.y - 10), CPoint(m_centre.x, m_centre.y - 30)},
         kRButton);
    EXPECT_NEAR(30.0f, DepthPercent(0), 1e-3f);
    EXPECT_FLOAT_EQ(volumeBefore, Scaled(m_effect, kVolume));
    ExpectOneGesture(m_plugin.Host().EditCalls(kMtxDepth));
    EXPECT_EQ(1, m_plugin.Host().Count(audioMasterBeginEdit)); // none for the knob itself

    RightDrag(CPoint(m_centre.x + 300, m_centre.y - 300));
    EXPECT_FLOAT_EQ(100.0f, DepthPercent(0));
    RightDrag(CPoint(m_centre.x - 400, m_centre.y + 400));
    EXPECT_FLOAT_EQ(-100.0f, DepthPercent(0));
}

TEST_F(CModulationKnobTest, NoDepthChangeWithoutADragOrWithoutAModulation)
{
    struct CASE
    {
        const char* name;
        bool routed;
        CPoint by; // how far the right button moves
    };
    const CASE cases[] = {
        {"drag on a knob without modulation", false, CPoint(0, -50)},
        {"click below the 2-pixel threshold", true, CPoint(1, 0)},
    };
    for (const CASE& c : cases)
    {
        SCOPED_TRACE(c.name);
        if (c.routed)
            Route(0, 1, 20.0f);
        const float depth = DepthPercent(0);
        m_plugin.Host().Clear();
        RightDrag(CPoint(m_centre.x + c.by.x, m_centre.y + c.by.y));
        EXPECT_EQ(c.routed ? kMtxDepth : -1, m_knob->GetModDepthParamID());
        EXPECT_FLOAT_EQ(depth, DepthPercent(0));
        EXPECT_EQ(0, m_plugin.Host().Count(audioMasterBeginEdit));
        EXPECT_EQ(0, m_plugin.Host().Count(audioMasterAutomate));
    }
}

TEST_F(CModulationKnobTest, ARightDoubleClickResetsTheValueInAGestureOfItsOwnAndKeepsTheDepth)
{
    // The depth button's press opens no value gesture, so the reset brackets itself.
    Route(0, 1, 40.0f);
    m_plugin.Wrapper()->setParameter(kVolume, 0.9f);
    m_frame->platformOnMouseDown(m_centre, kRButton, 1000);
    m_frame->platformOnMouseUp(m_centre, kRButton);
    m_plugin.Host().Clear();
    m_frame->platformOnMouseDown(m_centre, kRButton, 1100);
    m_frame->platformOnMouseUp(m_centre, kRButton);
    // "Volume" resets to 0 dB, the middle of -24..24 dB.
    EXPECT_FLOAT_EQ(0.0f, Unscaled(m_effect, kVolume));
    EXPECT_FLOAT_EQ(0.5f, m_knob->getValue());
    const std::vector<HOST_CALL> edits = m_plugin.Host().EditCalls(kVolume);
    ASSERT_EQ(3u, edits.size());
    ExpectOneGesture(edits);
    EXPECT_FLOAT_EQ(0.5f, edits[1].value);
    EXPECT_NEAR(40.0f, DepthPercent(0), 1e-3f);
    EXPECT_EQ(1, m_plugin.Host().Count(audioMasterBeginEdit)) << "no depth gesture";
}

TEST(CModulationKnobArcTest, ArcRunsFromValueToModulatedValueWithinTheEndStops)
{
    struct CASE
    {
        float value;
        float depth;
        double start; // toolkit degrees: 220 is the knob's minimum, 500 its maximum
        double end;
    };
    const CASE cases[] = {
        {0.5f, 0.0f, 360.0, 360.0},   // no depth: empty
        {0.5f, 0.25f, 360.0, 430.0},  // 280 x 0.25 = 70 degrees clockwise
        {0.5f, -0.25f, 290.0, 360.0},
        {0.9f, 0.5f, 472.0, 500.0},   // stops at the maximum
        {0.1f, -1.0f, 220.0, 248.0},  // stops at the minimum
    };
    for (const CASE& c : cases)
    {
        double start = 0.0, end = 0.0;
        CModulationKnob::GetArcAngles(c.value, c.depth, start, end);
        EXPECT_NEAR(c.start, start, 1e-4) << c.value << " " << c.depth;
        EXPECT_NEAR(c.end, end, 1e-4) << c.value << " " << c.depth;
    }
}
