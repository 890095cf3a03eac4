// The pattern editors and the editor's menus as a user meets them in a DAW: the built
// plug-in in our host on a private Xvfb, driven by XTest input. Steps painted with the
// mouse and the length strip dragged, an envelope point dragged in curve mode, a
// modulation added through a knob's context menu: each is seen by the host as a new state
// or new parameter values. The settings, modulator options, modulation and matrix source
// menus open inside the window and close on Escape and on a click outside them, leaving
// the window as it was.
#include "XvfbTest.h"

#include "EditorHost.h"
#include "PointerInput.h"
#include "Screenshot.h"
#include "Gui/EditorLayout.h"
#include "support/TempDataFolder.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace
{

constexpr int kOpenTimeoutMs = 5000;
constexpr int kSettleMs = 150;
constexpr int kDragSteps = 12;
constexpr int kDragStepMs = 25;
constexpr int kRightButton = 3;
// Parameter ids of the plug-in (MorvexParam).
constexpr int kFilterCutoff = 33;
constexpr int kModMode = 139;
constexpr int kModNumSteps = 155;
constexpr int kSlot0Source = 259;
constexpr int kSlot0Target = 283;
// Menu geometry (logical pixels): level padding, title row and separator.
constexpr int kMenuPadding = 4;
constexpr int kMenuRow = 20;
constexpr int kMenuSeparator = 9;

// Bounding box of the pixels that differ between two pictures of the same window.
PIXEL_RECT ChangedBox(const CScreenshot& a, const CScreenshot& b)
{
    int left = a.Width(), top = a.Height(), right = -1, bottom = -1;
    for (int y = 0; y < a.Height(); ++y)
    {
        for (int x = 0; x < a.Width(); ++x)
        {
            if (a.Pixel(x, y) != b.Pixel(x, y))
            {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
    }
    return right < 0 ? PIXEL_RECT{} : PIXEL_RECT{left, top, right - left + 1, bottom - top + 1};
}

class CModEditorsE2ETest : public CXvfbTest
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

    static LAYOUT_RECT RectOf(int idOrTag)
    {
        const LAYOUT_CONTROL* row = FindLayoutControl(kWindowNormal, idOrTag);
        return row ? row->rect : LAYOUT_RECT{};
    }
    // A press at (x0, y0), moves in steps to (x1, y1), a release there; editor pixels.
    void Drag(int x0, int y0, int x1, int y1, unsigned int button = 1)
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
    void Click(int x, int y, unsigned int button = 1)
    {
        m_input.MoveTo(m_originX + x, m_originY + y);
        m_host.RunFor(kSettleMs);
        m_input.Click(m_originX + x, m_originY + y, button);
        m_host.RunFor(kSettleMs);
    }
    bool Capture(CScreenshot& shot)
    {
        m_host.RunFor(kSettleMs);
        return shot.Capture(m_host.HostDisplay(), m_host.HostWindow());
    }

    // Clicks (x, y) with `button`, which opens a menu: the plug-in holds the host's thread in
    // the menu's own loop, so the user's side runs on a thread of its own. It waits for the
    // menu, notes where it appeared (`menu`, window pixels) and then does `act` (with the
    // menu's box and the input). False when no menu appeared within five seconds.
    bool WithMenu(int x, int y, unsigned int button, PIXEL_RECT& menu,
                  const std::function<void(const PIXEL_RECT&, CPointerInput&)>& act)
    {
        CScreenshot before;
        if (!Capture(before))
            return false;
        m_input.MoveTo(m_originX + x, m_originY + y);
        m_host.RunFor(kSettleMs);
        CScreenshot hovered;
        if (!Capture(hovered))
            return false;
        std::atomic<bool> finished{false};
        bool shown = false;
        const Window window = m_host.HostWindow();
        std::thread user(
            [&]
            {
                Display* display = XOpenDisplay(nullptr);
                CPointerInput input;
                std::string error;
                if (display && input.Open(error))
                {
                    const auto deadline =
                        std::chrono::steady_clock::now() + std::chrono::seconds(5);
                    while (!shown && std::chrono::steady_clock::now() < deadline)
                    {
                        std::this_thread::sleep_for(std::chrono::milliseconds(100));
                        CScreenshot now;
                        shown = now.Capture(display, window) && now.ChangedPixels(hovered) > 500;
                        if (shown)
                        {
                            std::this_thread::sleep_for(std::chrono::milliseconds(150));
                            now.Capture(display, window);
                            menu = ChangedBox(now, hovered);
                        }
                    }
                    if (shown)
                        act(menu, input);
                    // Whatever `act` did, the menu must end, or the host's thread stays in
                    // its loop: Escape while anything of it still shows.
                    for (int attempt = 0; attempt < 5; ++attempt)
                    {
                        std::this_thread::sleep_for(std::chrono::milliseconds(300));
                        CScreenshot now;
                        if (!now.Capture(display, window) ||
                            now.ChangedPixels(hovered, menu) < menu.width * menu.height / 20)
                            break;
                        input.Key("Escape", true);
                        input.Key("Escape", false);
                    }
                }
                if (display)
                    XCloseDisplay(display);
                finished = true;
            });
        m_input.Click(m_originX + x, m_originY + y, button);
        while (!finished)
            m_host.RunFor(50);
        user.join();
        m_host.RunFor(kSettleMs);
        return shown;
    }

    CTempDataFolder m_data; // a fresh data folder: no stored window mode or preferences
    CEditorHost m_host{MORVEX_PLUGIN_PATH};
    CPointerInput m_input;
    int m_originX = 0;
    int m_originY = 0;
};

} // namespace

TEST_F(CModEditorsE2ETest, PaintedStepsAndADraggedLengthReachTheHost)
{
    const LAYOUT_RECT editor = GetModEditorRect(kWindowNormal);
    const int cell = editor.width / 32, bottom = editor.y + editor.height - 1;
    const std::vector<unsigned char> before = m_host.Chunk();
    const float length = m_host.GetParameter(kModNumSteps);
    // A sweep over six cells from high to low paints a falling ramp.
    Drag(editor.x + cell / 2, editor.y + 30, editor.x + 5 * cell + cell / 2, bottom - 40);
    const std::vector<unsigned char> painted = m_host.Chunk();
    EXPECT_NE(before, painted) << "the host's state holds the painted steps";
    // The length strip dragged to 8 steps.
    m_host.ClearEvents();
    Drag(editor.x + 15 * cell + cell / 2, editor.y + 5, editor.x + 8 * cell + cell / 2,
         editor.y + 5);
    EXPECT_NE(length, m_host.GetParameter(kModNumSteps));
    EXPECT_GE(m_host.CountEvents(HOST_EDIT_EVENT::kAutomate, kModNumSteps), 1);
    EXPECT_NE(painted, m_host.Chunk());
}

TEST_F(CModEditorsE2ETest, CurveModeByClickAndADraggedEnvelopePointReachTheHost)
{
    const LAYOUT_RECT mode = RectOf(kModMode);
    ASSERT_GT(mode.width, 0);
    Drag(mode.x + mode.width * 3 / 4, mode.y + mode.height / 2, mode.x + mode.width * 3 / 4,
         mode.y + mode.height / 2);
    EXPECT_GT(m_host.GetParameter(kModMode), 0.5f) << "curve mode";
    const std::vector<unsigned char> before = m_host.Chunk();
    // The reset envelope ends with a point at one step, level 0: dragged right and up.
    const LAYOUT_RECT editor = GetModEditorRect(kWindowNormal);
    const int pointX = editor.x + editor.width / 32, pointY = editor.y + editor.height - 1;
    CScreenshot shown;
    ASSERT_TRUE(Capture(shown));
    Drag(pointX, pointY, pointX + 120, pointY - 90);
    EXPECT_NE(before, m_host.Chunk()) << "the host's state holds the moved point";
    CScreenshot moved;
    ASSERT_TRUE(Capture(moved));
    EXPECT_GT(moved.ChangedPixels(shown, PIXEL_RECT{editor.x, editor.y, editor.width,
                                                    editor.height}),
              500);
}

TEST_F(CModEditorsE2ETest, AKnobsContextMenuAddsAModulation)
{
    const LAYOUT_RECT knob = RectOf(kFilterCutoff);
    const float noSource = m_host.GetParameter(kSlot0Source);
    const float noTarget = m_host.GetParameter(kSlot0Target);
    PIXEL_RECT menu{};
    // Rows: title, separator, "Add Modulation", ...: the pointer rests on its row.
    const bool shown = WithMenu(
        knob.x + knob.width / 2, knob.y + knob.height / 2, kRightButton, menu,
        [this](const PIXEL_RECT& box, CPointerInput& input)
        {
            const int x = m_originX + box.x + box.width / 2;
            const int y = m_originY + box.y + kMenuPadding + kMenuRow + kMenuSeparator +
                          kMenuRow / 2;
            input.MoveTo(x, y);
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            // Its submenu of modulators opened beside it: the first one, by keyboard.
            input.Key("Down", true);
            input.Key("Down", false);
            std::this_thread::sleep_for(std::chrono::milliseconds(60));
            input.Key("Return", true);
            input.Key("Return", false);
        });
    ASSERT_TRUE(shown) << "no menu on a right click";
    EXPECT_NE(noSource, m_host.GetParameter(kSlot0Source));
    EXPECT_NE(noTarget, m_host.GetParameter(kSlot0Target));
}

TEST_F(CModEditorsE2ETest, EveryMenuFitsTheWindowAndClosesOnEscapeAndAnOutsideClick)
{
    struct CASE
    {
        const char* what;
        int idOrTag;
        unsigned int button;
        bool matrixPage;
        bool outsideClick; // also closed by a click outside it
    };
    const CASE cases[] = {
        {"modulation", kFilterCutoff, kRightButton, false, true},
        {"modulator options", kTagModOptions, 1, false, true},
        {"settings", kTagSettings, 1, false, true},
        {"matrix source list", kSlot0Source, 1, true, true},
    };
    const LAYOUT_RECT window = GetWindowRect(kWindowNormal);
    // A blank spot of the header, outside every menu.
    const int outsideX = 400, outsideY = 12;
    for (const CASE& c : cases)
    {
        if (c.matrixPage)
        {
            const LAYOUT_RECT open = RectOf(kTagMatrixSwitch);
            Click(open.x + open.width / 2, open.y + open.height / 2);
        }
        const LAYOUT_RECT control = RectOf(c.idOrTag);
        ASSERT_GT(control.width, 0) << c.what;
        const int x = control.x + control.width / 2, y = control.y + control.height / 2;
        for (bool escape : {false, true})
        {
            if (!escape && !c.outsideClick)
                continue;
            CScreenshot before;
            ASSERT_TRUE(Capture(before));
            PIXEL_RECT menu{};
            const bool shown = WithMenu(
                x, y, c.button, menu,
                [&](const PIXEL_RECT&, CPointerInput& input)
                {
                    if (escape)
                    {
                        input.Key("Escape", true);
                        input.Key("Escape", false);
                    }
                    else
                        input.Click(m_originX + outsideX, m_originY + outsideY);
                });
            ASSERT_TRUE(shown) << c.what;
            // Inside the window with room to spare: no edge of it is cut off.
            EXPECT_GT(menu.width, 40) << c.what;
            EXPECT_GT(menu.height, 30) << c.what;
            EXPECT_GT(menu.x, 0) << c.what;
            EXPECT_GT(menu.y, 0) << c.what;
            EXPECT_LT(menu.x + menu.width, window.width) << c.what;
            EXPECT_LT(menu.y + menu.height, window.height) << c.what;
            // Closed: the place where it was shows what was there before.
            m_input.MoveTo(m_originX + outsideX, m_originY + outsideY);
            CScreenshot after;
            ASSERT_TRUE(Capture(after));
            EXPECT_LT(after.ChangedPixels(before, menu), menu.width * menu.height / 20)
                << c.what << (escape ? " (Escape)" : " (outside click)");
        }
    }
}
