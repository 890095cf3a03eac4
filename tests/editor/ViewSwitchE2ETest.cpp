// Switching the editor's views as a user does in a DAW: the built plug-in in
// our host on a private Xvfb, driven by XTest clicks. Layer A/B, modulator
// tabs, the matrix page, compact mode (through the settings menu, with the host
// asked to resize its window) and the compact master views. After each switch
// the area the switch owns shows something else while the rest of the window
// keeps its pixels, and switching back gives the first picture pixel for pixel:
// nothing stale is left on the screen and nothing was missed.
#include "XvfbTest.h"

#include "EditorHost.h"
#include "Gui/EditorLayout.h"
#include "PointerInput.h"
#include "Screenshot.h"
#include "support/TempDataFolder.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace
{

constexpr int kOpenTimeoutMs = 5000;
constexpr int kSettleMs = 200;
constexpr int kMeterRestMs = 1500; // the meters fall back to rest after the tone stops
constexpr int kModulatorCount = 8;
// A switch's area changes by far more than a few anti-aliased edges.
constexpr int kMinimumChange = 500;

PIXEL_RECT ToPixels(const LAYOUT_RECT& rect)
{
    return PIXEL_RECT{rect.x, rect.y, rect.width, rect.height};
}

// The part of `rect` inside `clip` (empty when they do not meet).
PIXEL_RECT Intersect(const PIXEL_RECT& rect, const PIXEL_RECT& clip)
{
    const int left = std::max(rect.x, clip.x);
    const int top = std::max(rect.y, clip.y);
    const int right = std::min(rect.x + rect.width, clip.x + clip.width);
    const int bottom = std::min(rect.y + rect.height, clip.y + clip.height);
    if (right <= left || bottom <= top)
        return PIXEL_RECT{left, top, 0, 0};
    return PIXEL_RECT{left, top, right - left, bottom - top};
}

// Pixels of `rect` (the whole picture when empty) that differ between two
// pictures, leaving out the step / MSEG editor: our host's transport plays, so
// its play cursor moves on its own.
int ChangedBesidesCursor(const CScreenshot& now, const CScreenshot& then, int mode,
                         PIXEL_RECT rect = {})
{
    if (rect.width == 0)
        rect = PIXEL_RECT{0, 0, now.Width(), now.Height()};
    const PIXEL_RECT cursorArea = Intersect(rect, ToPixels(GetModEditorRect(mode)));
    const int inCursorArea = cursorArea.width > 0 ? now.ChangedPixels(then, cursorArea) : 0;
    return now.ChangedPixels(then, rect) - inCursorArea;
}

// The user's side of a menu run by the plug-in (its loop holds the host's
// thread until the menu closes): waits for the menu to appear below `button`,
// moves the pointer off the window and picks the menu's last entry with Up and
// Return. False when no menu appeared.
bool ChooseLastEntry(Window hostWindow, int originX, int originY, const PIXEL_RECT& button,
                     const CScreenshot& before)
{
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr)
        return false;
    CPointerInput input;
    std::string error;
    if (!input.Open(error))
    {
        XCloseDisplay(display);
        return false;
    }
    // The menu opens below the button, moved left when it would leave the window:
    // the rows just below the button's right part are inside it either way.
    const PIXEL_RECT below{button.x + button.width - 60, button.y + button.height + 4, 60, 60};
    bool shown = false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!shown && std::chrono::steady_clock::now() < deadline)
    {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        CScreenshot now;
        shown = now.Capture(display, hostWindow) && now.ChangedPixels(before, below) > 200;
    }
    input.MoveTo(originX - 5,
                 originY - 5); // off the window: no entry under the pointer
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const std::vector<const char*> keys =
        shown ? std::vector<const char*>{"Up", "Return"} : std::vector<const char*>{"Escape"};
    for (const char* key : keys)
    {
        input.Key(key, true);
        input.Key(key, false);
        std::this_thread::sleep_for(std::chrono::milliseconds(80));
    }
    XCloseDisplay(display);
    return shown;
}

class CViewSwitchE2ETest : public CXvfbTest
{
protected:
    void SetUp() override
    {
        CXvfbTest::SetUp();
        std::string error;
        ASSERT_TRUE(m_input.Open(error)) << error;
        m_input.MoveTo(1590, 1190); // off the editor
        ASSERT_TRUE(m_host.Load(error)) << error;
        // Silence: the meters rest, so only the switches change the picture.
        m_host.SetTone(false);
        ASSERT_TRUE(m_host.OpenEditor(error)) << error;
        ASSERT_TRUE(m_host.RunUntilDrawn(kOpenTimeoutMs)) << "no editor window appeared";
        m_host.RunFor(kMeterRestMs);
        m_host.HostWindowOrigin(m_originX, m_originY);
    }

    // Clicks position `position` of `positions` along a switch row of window mode
    // `mode` (horizontal unless `vertical`), or the row's centre when positions
    // is 1.
    void ClickRow(int mode, int tag, int position = 0, int positions = 1, bool vertical = false)
    {
        const LAYOUT_CONTROL* row = FindLayoutControl(mode, tag);
        ASSERT_NE(row, nullptr) << tag;
        const LAYOUT_RECT& r = row->rect;
        int x = r.x + r.width / 2;
        int y = r.y + r.height / 2;
        if (vertical)
            y = r.y + (2 * position + 1) * r.height / (2 * positions);
        else
            x = r.x + (2 * position + 1) * r.width / (2 * positions);
        m_input.Click(m_originX + x, m_originY + y);
        m_host.RunFor(kSettleMs);
        m_input.MoveTo(1590, 1190); // no hover look left behind
        m_host.RunFor(kSettleMs);
    }

    bool Capture(CScreenshot& shot)
    {
        m_host.RunFor(kSettleMs);
        return shot.Capture(m_host.HostDisplay(), m_host.HostWindow());
    }

    // Opens the settings menu of window mode `mode` and chooses its last entry
    // ("Compact Mode"), the way a user would. False when the menu never appeared.
    bool ToggleCompactMode(int mode)
    {
        CScreenshot before;
        if (!before.Capture(m_host.HostDisplay(), m_host.HostWindow()))
            return false;
        const LAYOUT_CONTROL* row = FindLayoutControl(mode, kTagSettings);
        if (row == nullptr)
            return false;
        const PIXEL_RECT button = ToPixels(row->rect);
        std::atomic<bool> shown{false};
        std::atomic<bool> finished{false};
        std::thread user(
            [&]
            {
                shown = ChooseLastEntry(m_host.HostWindow(), m_originX, m_originY, button, before);
                finished = true;
            });
        m_input.Click(m_originX + button.x + button.width / 2,
                      m_originY + button.y + button.height / 2);
        // The menu's own loop runs inside one of these idles until the choice ends
        // it.
        while (!finished)
            m_host.RunFor(50);
        user.join();
        m_host.RunFor(kMeterRestMs);
        m_host.HostWindowOrigin(m_originX, m_originY);
        return shown;
    }

    // The host's window size requests since the last ClearEvents.
    std::vector<HOST_EDIT_EVENT> SizeRequests()
    {
        std::vector<HOST_EDIT_EVENT> sizes;
        for (const HOST_EDIT_EVENT& event : m_host.Events())
        {
            if (event.kind == HOST_EDIT_EVENT::kSizeWindow)
                sizes.push_back(event);
        }
        return sizes;
    }

    CTempDataFolder m_data; // a fresh data folder: no stored window mode
    CEditorHost m_host{MORVEX_PLUGIN_PATH};
    CPointerInput m_input;
    int m_originX = 0;
    int m_originY = 0;
};

} // namespace

TEST_F(CViewSwitchE2ETest, LayersModulatorsAndTheMatrixPageRedrawTheirAreaAndComeBackExactly)
{
    CScreenshot start;
    ASSERT_TRUE(Capture(start));
    const PIXEL_RECT layerPage = ToPixels(GetSectionRect(kWindowNormal, kSectionLayer));
    const PIXEL_RECT modSection = ToPixels(GetSectionRect(kWindowNormal, kSectionModulator));
    const PIXEL_RECT matrixPage = ToPixels(GetSectionRect(kWindowNormal, kSectionMatrix));
    const PIXEL_RECT header = ToPixels(GetSectionRect(kWindowNormal, kSectionHeader));

    // Layer B: its page replaces A's; the header and the modulator section stay.
    ClickRow(kWindowNormal, kTagLayerSelector, 1, 2);
    CScreenshot layerB;
    ASSERT_TRUE(Capture(layerB));
    EXPECT_GT(layerB.ChangedPixels(start, layerPage), kMinimumChange);
    EXPECT_EQ(0, ChangedBesidesCursor(layerB, start, kWindowNormal, header));
    EXPECT_EQ(0, ChangedBesidesCursor(layerB, start, kWindowNormal, modSection));
    ClickRow(kWindowNormal, kTagLayerSelector, 0, 2);
    CScreenshot layerA;
    ASSERT_TRUE(Capture(layerA));
    EXPECT_EQ(0, ChangedBesidesCursor(layerA, start, kWindowNormal)) << "layer A again";

    // Modulator tabs: each shows its own container; the layer page stays.
    CScreenshot previous = start;
    for (int modulator : {1, 2, 5, 7})
    {
        ClickRow(kWindowNormal, kTagModSelector, modulator, kModulatorCount);
        CScreenshot shot;
        ASSERT_TRUE(Capture(shot));
        EXPECT_GT(shot.ChangedPixels(previous, modSection), kMinimumChange) << modulator;
        EXPECT_EQ(0, ChangedBesidesCursor(shot, start, kWindowNormal, layerPage)) << modulator;
        EXPECT_EQ(0, ChangedBesidesCursor(shot, start, kWindowNormal, header)) << modulator;
        previous = shot;
    }
    ClickRow(kWindowNormal, kTagModSelector, 0, kModulatorCount);
    CScreenshot firstModulator;
    ASSERT_TRUE(Capture(firstModulator));
    EXPECT_EQ(0, ChangedBesidesCursor(firstModulator, start, kWindowNormal)) << "modulator 1 again";

    // The matrix page covers its place; its close button brings back what lay
    // under it.
    ClickRow(kWindowNormal, kTagMatrixSwitch);
    CScreenshot matrix;
    ASSERT_TRUE(Capture(matrix));
    EXPECT_GT(matrix.ChangedPixels(start, matrixPage), kMinimumChange);
    EXPECT_EQ(0, ChangedBesidesCursor(matrix, start, kWindowNormal, header));
    ClickRow(kWindowNormal, kTagMatrixClose);
    CScreenshot closed;
    ASSERT_TRUE(Capture(closed));
    EXPECT_EQ(0, ChangedBesidesCursor(closed, start, kWindowNormal)) << "matrix page closed";
    EXPECT_EQ(0, CEditorHost::XErrorCount());
}

TEST_F(CViewSwitchE2ETest, CompactModeResizesTheHostWindowAndItsMasterViewsSwitch)
{
    CScreenshot normal;
    ASSERT_TRUE(Capture(normal));
    const LAYOUT_RECT compactWindow = GetWindowRect(kWindowCompact);
    const LAYOUT_RECT normalWindow = GetWindowRect(kWindowNormal);

    m_host.ClearEvents();
    ASSERT_TRUE(ToggleCompactMode(kWindowNormal)) << "the settings menu did not open";
    std::vector<HOST_EDIT_EVENT> sizes = SizeRequests();
    ASSERT_EQ(1u, sizes.size());
    EXPECT_EQ(compactWindow.width, sizes[0].index);
    EXPECT_EQ(compactWindow.height, sizes[0].height);
    int width = 0;
    int height = 0;
    ASSERT_TRUE(m_host.HostWindowSize(width, height));
    EXPECT_EQ(compactWindow.width, width);
    EXPECT_EQ(compactWindow.height, height);
    CScreenshot compact;
    ASSERT_TRUE(Capture(compact));
    ASSERT_EQ(compactWindow.width, compact.Width());
    EXPECT_GT(compact.NonBlackShare(), 0.95) << "the compact window is not drawn all over";

    // The master view's positions: each changes the master area only.
    const LAYOUT_CONTROL* selector = FindLayoutControl(kWindowCompact, kTagViewSelector);
    ASSERT_NE(selector, nullptr);
    const int views = selector->frames;
    ASSERT_GE(views, 2);
    const PIXEL_RECT master = ToPixels(GetSectionRect(kWindowCompact, kSectionMaster));
    const PIXEL_RECT layerPage = ToPixels(GetSectionRect(kWindowCompact, kSectionLayer));
    CScreenshot previous = compact;
    for (int view = 1; view < views; ++view)
    {
        ClickRow(kWindowCompact, kTagViewSelector, view, views, true);
        CScreenshot shot;
        ASSERT_TRUE(Capture(shot));
        EXPECT_GT(shot.ChangedPixels(previous, master), kMinimumChange) << view;
        EXPECT_EQ(0, ChangedBesidesCursor(shot, compact, kWindowCompact, layerPage)) << view;
        previous = shot;
    }
    ClickRow(kWindowCompact, kTagViewSelector, 0, views, true);
    CScreenshot firstView;
    ASSERT_TRUE(Capture(firstView));
    EXPECT_EQ(0, ChangedBesidesCursor(firstView, compact, kWindowCompact))
        << "first master view again";

    // Back to the normal window: the host resizes again and the picture is the
    // first one.
    m_host.ClearEvents();
    ASSERT_TRUE(ToggleCompactMode(kWindowCompact)) << "the settings menu did not open";
    sizes = SizeRequests();
    ASSERT_EQ(1u, sizes.size());
    EXPECT_EQ(normalWindow.width, sizes[0].index);
    EXPECT_EQ(normalWindow.height, sizes[0].height);
    CScreenshot back;
    ASSERT_TRUE(Capture(back));
    ASSERT_EQ(normal.Width(), back.Width());
    ASSERT_EQ(normal.Height(), back.Height());
    EXPECT_EQ(0, ChangedBesidesCursor(back, normal, kWindowNormal)) << "normal window again";
    EXPECT_EQ(0, CEditorHost::XErrorCount());
}
