// The editor's drag gestures as a user makes them in a DAW: the built plug-in in our host on
// a private Xvfb, driven by XTest input. An aim button dragged onto a knob routes its
// modulator to the knob's parameter; a right-button drag on that knob changes the new
// modulation's depth; a routing tile dragged along the routing panel moves its module, and
// the undo button brings the old order back. The host checks the parameters it sees and the
// pixels of the window.
#include "XvfbTest.h"

#include "EditorHost.h"
#include "PointerInput.h"
#include "Screenshot.h"
#include "Gui/EditorLayout.h"
#include "support/TempDataFolder.h"

#include <cmath>
#include <string>

namespace
{

constexpr int kOpenTimeoutMs = 5000;
constexpr int kSettleMs = 150;
constexpr int kDragSteps = 12;
constexpr int kDragStepMs = 25;
constexpr int kRightButton = 3;
// Parameter ids of the plug-in (MorvexParam): Filter Cutoff of layer A and matrix slot 1.
constexpr int kFilterCutoff = 33;
constexpr int kSlot0Depth = 235;
constexpr int kSlot0Source = 259;
constexpr int kSlot0Target = 283;
constexpr int kRoutingTiles = 7;

class CEditorGesturesE2ETest : public CXvfbTest
{
protected:
    void SetUp() override
    {
        CXvfbTest::SetUp();
        std::string error;
        ASSERT_TRUE(m_input.Open(error)) << error;
        m_input.MoveTo(1590, 1190); // off the editor
        ASSERT_TRUE(m_host.Load(error)) << error;
        ASSERT_TRUE(m_host.OpenEditor(error)) << error;
        ASSERT_TRUE(m_host.RunUntilDrawn(kOpenTimeoutMs)) << "no editor window appeared";
        m_host.HostWindowOrigin(m_originX, m_originY);
    }

    // Window position (editor pixels, scale 1) of a layout row's centre.
    static bool Centre(int idOrTag, int& x, int& y)
    {
        const LAYOUT_CONTROL* row = FindLayoutControl(kWindowNormal, idOrTag);
        if (row == nullptr)
            return false;
        x = row->rect.x + row->rect.width / 2;
        y = row->rect.y + row->rect.height / 2;
        return true;
    }

    // A press at (x0, y0), moves in steps to (x1, y1), a release there; editor pixels.
    void Drag(int x0, int y0, int x1, int y1, unsigned int button)
    {
        m_input.MoveTo(m_originX + x0, m_originY + y0);
        m_host.RunFor(kDragStepMs);
        m_input.Press(button);
        m_host.RunFor(kDragStepMs);
        for (int step = 1; step <= kDragSteps; ++step)
        {
            m_input.MoveTo(m_originX + x0 + (x1 - x0) * step / kDragSteps,
                           m_originY + y0 + (y1 - y0) * step / kDragSteps);
            m_host.RunFor(kDragStepMs);
        }
        m_input.Release(button);
        m_host.RunFor(kSettleMs);
    }

    bool Capture(CScreenshot& shot)
    {
        m_host.RunFor(kSettleMs);
        return shot.Capture(m_host.HostDisplay(), m_host.HostWindow());
    }

    CTempDataFolder m_data; // a fresh data folder: no stored window mode
    CEditorHost m_host{MORVEX_PLUGIN_PATH};
    CPointerInput m_input;
    int m_originX = 0;
    int m_originY = 0;
};

// Pixels of tile `a` in `first` that differ from tile `b` in `second` (routing tiles).
int TileDifference(const CScreenshot& first, int a, const CScreenshot& second, int b)
{
    const LAYOUT_RECT panel = GetRoutingPanelRect(kWindowNormal);
    const int width = panel.width / kRoutingTiles;
    int changed = 0;
    for (int y = panel.y; y < panel.Bottom(); ++y)
    {
        for (int x = 0; x < width; ++x)
        {
            if (first.Pixel(panel.x + a * width + x, y) != second.Pixel(panel.x + b * width + x, y))
                ++changed;
        }
    }
    return changed;
}

} // namespace

TEST_F(CEditorGesturesE2ETest, AimDragOntoAKnobAddsAModulationAndARightDragSetsItsDepth)
{
    const float noTarget = m_host.GetParameter(kSlot0Target);
    const float noSource = m_host.GetParameter(kSlot0Source);
    int aimX = 0, aimY = 0, knobX = 0, knobY = 0;
    ASSERT_TRUE(Centre(kTagAim + 0, aimX, aimY));
    ASSERT_TRUE(Centre(kFilterCutoff, knobX, knobY));
    CScreenshot before;
    ASSERT_TRUE(Capture(before));

    Drag(aimX, aimY, knobX, knobY, 1);
    EXPECT_NE(noTarget, m_host.GetParameter(kSlot0Target));
    EXPECT_NE(noSource, m_host.GetParameter(kSlot0Source));
    // The knob shows its new modulation as an arc around it.
    CScreenshot routed;
    ASSERT_TRUE(Capture(routed));
    const LAYOUT_CONTROL* knob = FindLayoutControl(kWindowNormal, kFilterCutoff);
    ASSERT_NE(knob, nullptr);
    const LAYOUT_RECT arc = knob->ViewRect();
    EXPECT_GT(routed.ChangedPixels(before, PIXEL_RECT{arc.x, arc.y, arc.width, arc.height}), 10);

    // Right-drag up and to the right: a deeper modulation, one gesture on the depth.
    const float depth = m_host.GetParameter(kSlot0Depth);
    const float value = m_host.GetParameter(kFilterCutoff);
    m_host.ClearEvents();
    Drag(knobX, knobY, knobX + 20, knobY - 20, kRightButton);
    // 40 px of the 200 that span -1..1: +0.4 of depth, +0.2 of the scaled value.
    EXPECT_NEAR(depth + 0.2f, m_host.GetParameter(kSlot0Depth), 0.03f);
    EXPECT_FLOAT_EQ(value, m_host.GetParameter(kFilterCutoff)); // the knob's own value stays
    EXPECT_EQ(1, m_host.CountEvents(HOST_EDIT_EVENT::kBeginEdit, kSlot0Depth));
    EXPECT_EQ(1, m_host.CountEvents(HOST_EDIT_EVENT::kEndEdit, kSlot0Depth));
}

TEST_F(CEditorGesturesE2ETest, RoutingTileDragMovesTheModuleAndUndoBringsTheOrderBack)
{
    const LAYOUT_RECT panel = GetRoutingPanelRect(kWindowNormal);
    const int tile = panel.width / kRoutingTiles;
    CScreenshot before;
    ASSERT_TRUE(Capture(before));
    // The tiles show different modules to begin with.
    ASSERT_GT(TileDifference(before, 0, before, 1), 20);

    // The first tile dropped onto the third slot: modules 1, 2, 0, 3 ... from the left.
    const int y = panel.y + panel.height / 2;
    Drag(panel.x + tile / 2, y, panel.x + 2 * tile + tile / 2, y, 1);
    CScreenshot moved;
    ASSERT_TRUE(Capture(moved));
    EXPECT_EQ(0, TileDifference(moved, 0, before, 1));
    EXPECT_EQ(0, TileDifference(moved, 1, before, 2));
    EXPECT_EQ(0, TileDifference(moved, 2, before, 0));
    EXPECT_EQ(0, TileDifference(moved, 3, before, 3));

    int undoX = 0, undoY = 0;
    ASSERT_TRUE(Centre(kTagUndo, undoX, undoY));
    m_input.Click(m_originX + undoX, m_originY + undoY);
    CScreenshot undone;
    ASSERT_TRUE(Capture(undone));
    for (int k = 0; k < kRoutingTiles; ++k)
        EXPECT_EQ(0, TileDifference(undone, k, before, k)) << k;
}
