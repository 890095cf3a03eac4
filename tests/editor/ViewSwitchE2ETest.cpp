// View switches on the real screen: the switch's area changes, the rest keeps its pixels, and
// switching back gives the first picture exactly (nothing stale, nothing missed). Compact mode,
// chosen in the settings menu, asks the host for its window size both ways.
#include "E2EFixture.h"

#include <algorithm>
#include <vector>

namespace
{

constexpr int kMeterRestMs = 1500; // the meters fall back to rest after the tone stops
constexpr int kModulatorCount = 8;
constexpr int kMinimumChange = 500; // far more than a few anti-aliased edges

class CViewSwitchE2ETest : public CMorvexE2ETest
{
protected:
    void SetUp() override
    {
        // Silence from the start (no echo or reverb tail): the meters rest, so only the switches
        // change the picture.
        m_host.SetTone(false);
        CMorvexE2ETest::SetUp();
        m_host.RunFor(kMeterRestMs);
    }

    // Clicks position `position` of `positions` along a switch row of window mode `mode`
    // (horizontal unless `vertical`), then moves the pointer away: no hover look left behind.
    void ClickRow(int mode, int tag, int position, int positions, bool vertical = false)
    {
        const PIXEL_RECT r = Rect(tag, mode);
        const int along = 2 * position + 1;
        Click(vertical ? r.x + r.width / 2 : r.x + along * r.width / (2 * positions),
              vertical ? r.y + along * r.height / (2 * positions) : r.y + r.height / 2);
        m_input.MoveTo(kAwayX, kAwayY);
    }

    // Pixels of `rect` (the whole picture when empty) that differ between two pictures, leaving
    // out the pattern editor: our host's transport plays, so its play cursor moves on its own.
    static int ChangedBesidesCursor(const CScreenshot& now, const CScreenshot& then, int mode,
                                    PIXEL_RECT rect = {})
    {
        if (rect.width == 0)
            rect = PIXEL_RECT{0, 0, now.Width(), now.Height()};
        const PIXEL_RECT cursor = ToPixels(GetModEditorRect(mode));
        const int left = std::max(rect.x, cursor.x);
        const int top = std::max(rect.y, cursor.y);
        const int right = std::min(rect.x + rect.width, cursor.x + cursor.width);
        const int bottom = std::min(rect.y + rect.height, cursor.y + cursor.height);
        const int inCursor = right > left && bottom > top
                                 ? now.ChangedPixels(then, {left, top, right - left, bottom - top})
                                 : 0;
        return now.ChangedPixels(then, rect) - inCursor;
    }

    // Chooses the settings menu's last entry ("Compact Mode") with Up and Return, the pointer
    // in the window's corner, on no entry; the sizes the plug-in then asked the host for.
    std::vector<HOST_EDIT_EVENT> ToggleCompactMode(int mode)
    {
        m_host.ClearEvents();
        const PIXEL_RECT button = Rect(kTagSettings, mode);
        const auto choose = [](CPointerInput& input)
        {
            input.MoveTo(0, 0);
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            input.Tap("Up");
            std::this_thread::sleep_for(std::chrono::milliseconds(80));
            input.Tap("Return");
        };
        EXPECT_TRUE(RunMenu(button.x + button.width / 2, button.y + button.height / 2, choose))
            << "the settings menu did not open";
        m_host.RunFor(kMeterRestMs);
        std::vector<HOST_EDIT_EVENT> sizes;
        for (const HOST_EDIT_EVENT& event : m_host.Events())
        {
            if (event.kind == HOST_EDIT_EVENT::kSizeWindow)
                sizes.push_back(event);
        }
        return sizes;
    }
};

} // namespace

TEST_F(CViewSwitchE2ETest, LayersModulatorsAndTheMatrixPageRedrawTheirAreaAndComeBackExactly)
{
    struct SWITCH
    {
        const char* what;
        int tag; // clicked at `position` of `positions`
        int position;
        int positions;
        LAYOUT_SECTION changes;
        LAYOUT_SECTION keeps; // besides the header
        int backTag;          // clicked at position 0 of `positions`
    };
    const SWITCH switches[] = {
        {"layer B", kTagLayerSelector, 1, 2, kSectionLayer, kSectionModulator, kTagLayerSelector},
        {"modulator 6", kTagModSelector, 5, kModulatorCount, kSectionModulator, kSectionLayer,
         kTagModSelector},
        {"matrix page", kTagMatrixSwitch, 0, 1, kSectionMatrix, kSectionHeader, kTagMatrixClose},
    };
    const CScreenshot start = Capture();
    const PIXEL_RECT header = ToPixels(GetSectionRect(kWindowNormal, kSectionHeader));
    for (const SWITCH& s : switches)
    {
        SCOPED_TRACE(s.what);
        ClickRow(kWindowNormal, s.tag, s.position, s.positions);
        const CScreenshot shot = Capture();
        const PIXEL_RECT changes = ToPixels(GetSectionRect(kWindowNormal, s.changes));
        const PIXEL_RECT keeps = ToPixels(GetSectionRect(kWindowNormal, s.keeps));
        EXPECT_GT(shot.ChangedPixels(start, changes), kMinimumChange);
        EXPECT_EQ(0, ChangedBesidesCursor(shot, start, kWindowNormal, header));
        EXPECT_EQ(0, ChangedBesidesCursor(shot, start, kWindowNormal, keeps));
        ClickRow(kWindowNormal, s.backTag, 0, s.backTag == kTagMatrixClose ? 1 : s.positions);
        EXPECT_EQ(0, ChangedBesidesCursor(Capture(), start, kWindowNormal)) << "switched back";
    }
    EXPECT_EQ(0, CEditorHost::XErrorCount());
}

TEST_F(CViewSwitchE2ETest, CompactModeAsksTheHostToResizeItsWindowBothWays)
{
    const CScreenshot normal = Capture();
    for (int from : {kWindowNormal, kWindowCompact})
    {
        const int toMode = from == kWindowNormal ? kWindowCompact : kWindowNormal;
        const LAYOUT_RECT to = GetWindowRect(toMode);
        SCOPED_TRACE(from == kWindowNormal ? "to compact" : "back to normal");
        const std::vector<HOST_EDIT_EVENT> sizes = ToggleCompactMode(from);
        ASSERT_EQ(1u, sizes.size());
        EXPECT_EQ(to.width, sizes[0].index);
        EXPECT_EQ(to.height, sizes[0].height);
        int width = 0;
        int height = 0;
        ASSERT_TRUE(m_host.WindowSize(width, height));
        EXPECT_EQ(to.width, width);
        EXPECT_EQ(to.height, height);
        if (toMode == kWindowCompact)
        {
            EXPECT_GT(Capture().NonBlackShare(), 0.95) << "compact window not drawn all over";
        }
    }
    EXPECT_EQ(0, ChangedBesidesCursor(Capture(), normal, kWindowNormal)) << "normal window again";
    EXPECT_EQ(0, CEditorHost::XErrorCount());
}
