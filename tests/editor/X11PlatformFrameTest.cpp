// The toolkit's X11 frame window against a real X server: embedding, copies from the back
// buffer, input (grabs, crossings, wheel, modifiers), modal loops and a parent destroyed first.
// Its events go to a recording sink instead of a toolkit frame. Open/close cycles and keys in a
// menu's loop are seen through the built plug-in (editor_e2e_tests, the workflows program).
// XvfbTest.h (gtest) before the X headers: X.h defines None, a name gtest uses.
#include "XvfbTest.h"

#include "PointerInput.h"
#include "Screenshot.h"

#include "vstgui/x11/X11ErrorTrap.h"
#include "vstgui/x11/X11PlatformFrame.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <cairo/cairo.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

using namespace VSTGUI;

namespace
{

struct SINK_CALL
{
    enum Kind { kDown, kMoved, kUp, kWheel, kExited, kGone, kModalIdle };
    Kind kind;
    CPoint where;
    long buttons = 0;
    float distance = 0.0f;
    bool horizontal = false;
};

class CRecordingSink : public IX11EventSink
{
public:
    explicit CRecordingSink(std::vector<SINK_CALL>& calls) : m_calls(calls) {}
    void OnMouseDown(CPoint where, long buttons, std::uint32_t) override
    {
        m_calls.push_back({SINK_CALL::kDown, where, buttons});
    }
    void OnMouseMoved(CPoint where, long buttons) override
    {
        m_calls.push_back({SINK_CALL::kMoved, where, buttons});
    }
    void OnMouseUp(CPoint where, long buttons) override
    {
        m_calls.push_back({SINK_CALL::kUp, where, buttons});
    }
    void OnWheel(CPoint where, float distance, bool horizontal, long buttons) override
    {
        m_calls.push_back({SINK_CALL::kWheel, where, buttons, distance, horizontal});
    }
    void OnMouseExited() override { m_calls.push_back({SINK_CALL::kExited, {}}); }
    void OnWindowGone() override { m_calls.push_back({SINK_CALL::kGone, {}}); }
    bool OnKeyDown(int) override { return false; } // keys: through the plug-in's menus
    void OnModalIdle() override { m_calls.push_back({SINK_CALL::kModalIdle, {}}); }

private:
    std::vector<SINK_CALL>& m_calls;
};

int g_hostErrors = 0;
int CountHostError(Display*, XErrorEvent*)
{
    ++g_hostErrors;
    return 0;
}

class CX11PlatformFrameTest : public CXvfbTest
{
protected:
    static constexpr int kParentSize = 400; // pixels, at the screen's top-left corner

    void SetUp() override
    {
        CXvfbTest::SetUp();
        g_hostErrors = 0;
        XSetErrorHandler(&CountHostError);
        m_host = XOpenDisplay(nullptr);
        ASSERT_NE(m_host, nullptr);
        const int screen = DefaultScreen(m_host);
        m_parent = XCreateSimpleWindow(m_host, RootWindow(m_host, screen), 0, 0, kParentSize,
                                       kParentSize, 0, BlackPixel(m_host, screen),
                                       BlackPixel(m_host, screen));
        XMapRaised(m_host, m_parent);
        XSync(m_host, False);
        std::string error;
        ASSERT_TRUE(m_input.Open(error)) << error;
        m_input.MoveTo(kParentSize + 100, kParentSize + 100); // away from the windows
    }

    void TearDown() override
    {
        m_frame.reset();
        if (m_host != nullptr)
        {
            XSync(m_host, False);
            XCloseDisplay(m_host);
        }
        XSetErrorHandler(nullptr);
    }

    void OpenFrame(double scale, int width, int height)
    {
        m_frame = CX11PlatformFrame::Create(std::make_unique<CRecordingSink>(m_calls), m_parent,
                                            scale, width, height);
        ASSERT_NE(m_frame, nullptr);
    }

    // Lets the server deliver, then drains the frame's events.
    void Pump()
    {
        for (int i = 0; i < 5; ++i)
        {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            XSync(m_frame->GetDisplay(), False);
            m_frame->processEvents();
        }
    }

    std::vector<SINK_CALL> CallsOf(SINK_CALL::Kind kind) const
    {
        std::vector<SINK_CALL> result;
        std::copy_if(m_calls.begin(), m_calls.end(), std::back_inserter(result),
                     [kind](const SINK_CALL& call) { return call.kind == kind; });
        return result;
    }

    // A back buffer of `width` x `height` device pixels, filled with red when `red`.
    static cairo_surface_t* BackBuffer(int width, int height, bool red = false,
                                       cairo_format_t format = CAIRO_FORMAT_RGB24)
    {
        cairo_surface_t* surface = cairo_image_surface_create(format, width, height);
        cairo_t* context = cairo_create(surface);
        cairo_set_source_rgb(context, red ? 1.0 : 0.0, 0.0, 0.0);
        cairo_paint(context);
        cairo_destroy(context);
        return surface;
    }

    // The frame window's pixel as 0xRRGGBB (as the server shows it).
    std::uint32_t WindowPixel(int x, int y)
    {
        CScreenshot shot;
        return shot.Capture(m_host, m_frame->GetWindow()) ? shot.Pixel(x, y) : 0xDEADBEEF;
    }

    Display* m_host = nullptr;
    Window m_parent = 0;
    CPointerInput m_input;
    std::vector<SINK_CALL> m_calls;
    std::unique_ptr<CX11PlatformFrame> m_frame;
};

// The size, place and resizing of the window are seen end to end (editor_e2e_tests,
// editor_workflows_e2e_tests); an embedding host also reads its XEmbed state.
TEST_F(CX11PlatformFrameTest, ChildWindowIsMappedForXEmbed)
{
    OpenFrame(2.0, 150, 100);
    const Atom xembedInfo = XInternAtom(m_host, "_XEMBED_INFO", False);
    Atom type = 0;
    int format = 0;
    unsigned long items = 0;
    unsigned long remaining = 0;
    unsigned char* data = nullptr;
    ASSERT_EQ(XGetWindowProperty(m_host, m_frame->GetWindow(), xembedInfo, 0, 2, False,
                                 AnyPropertyType, &type, &format, &items, &remaining, &data),
              Success);
    ASSERT_EQ(items, 2u);
    const long* info = reinterpret_cast<const long*>(data);
    EXPECT_EQ(info[0], 0);     // protocol version
    EXPECT_EQ(info[1] & 1, 1); // XEMBED_MAPPED
    XFree(data);
}

TEST_F(CX11PlatformFrameTest, PresentCopiesOnlyTheGivenRectsAndExposeRestoresThem)
{
    OpenFrame(2.0, 100, 100);
    cairo_surface_t* backBuffer = BackBuffer(200, 200, true);

    // Logical 10..30 at scale 2: device pixels 20..59.
    const CRect rect{10, 10, 30, 30};
    m_frame->present(&rect, 1, backBuffer);
    XSync(m_frame->GetDisplay(), False);
    EXPECT_EQ(WindowPixel(20, 20), 0xFF0000u);
    EXPECT_EQ(WindowPixel(59, 59), 0xFF0000u);
    EXPECT_NE(WindowPixel(60, 60), 0xFF0000u);
    EXPECT_NE(WindowPixel(19, 40), 0xFF0000u);

    // Someone paints over the window and the server asks for the area again: the frame copies
    // it from the back buffer without the toolkit drawing anything.
    GC gc = XCreateGC(m_host, m_frame->GetWindow(), 0, nullptr);
    XSetForeground(m_host, gc, 0x000000);
    XFillRectangle(m_host, m_frame->GetWindow(), gc, 0, 0, 200, 200);
    XFreeGC(m_host, gc);
    XClearArea(m_host, m_frame->GetWindow(), 0, 0, 100, 100, True);
    XSync(m_host, False);
    Pump();
    EXPECT_EQ(WindowPixel(80, 80), 0xFF0000u);
    cairo_surface_destroy(backBuffer);
}

TEST_F(CX11PlatformFrameTest, ButtonsModifiersAndWheelReachTheFrameInLogicalCoordinates)
{
    OpenFrame(2.0, 150, 150);
    m_input.MoveTo(40, 60);
    m_input.Key("Control_L", true);
    m_input.Key("Shift_L", true);
    m_input.Click(40, 60);
    m_input.Key("Shift_L", false);
    m_input.Key("Control_L", false);
    for (unsigned int button : {3, 4, 5, 6})
        m_input.Click(40, 60, button);
    Pump();

    const auto downs = CallsOf(SINK_CALL::kDown);
    ASSERT_EQ(downs.size(), 2u); // wheel steps are not clicks
    EXPECT_DOUBLE_EQ(downs[0].where.x, 20.0);
    EXPECT_DOUBLE_EQ(downs[0].where.y, 30.0);
    EXPECT_EQ(downs[0].buttons, kLButton | kApple | kShift);
    EXPECT_EQ(downs[1].buttons, kRButton);
    const auto ups = CallsOf(SINK_CALL::kUp);
    ASSERT_EQ(ups.size(), 2u);
    EXPECT_EQ(ups[0].buttons & kLButton, kLButton);
    const auto wheels = CallsOf(SINK_CALL::kWheel);
    ASSERT_EQ(wheels.size(), 3u);
    EXPECT_EQ(wheels[1].distance, -1.0f); // steps as X11Input maps them, passed on whole
    EXPECT_TRUE(wheels[2].horizontal);

    CPoint where;
    ASSERT_TRUE(m_frame->getCurrentMouseLocation(where));
    EXPECT_DOUBLE_EQ(where.x, 20.0);
    EXPECT_DOUBLE_EQ(where.y, 30.0);
}

TEST_F(CX11PlatformFrameTest, LeavingReportsExitButADragOutsideKeepsReportingUntilRelease)
{
    OpenFrame(1.0, 100, 100);
    m_input.MoveTo(50, 50);
    m_input.MoveTo(200, 50);
    Pump();
    EXPECT_EQ(CallsOf(SINK_CALL::kExited).size(), 1u);
    m_calls.clear();

    m_input.MoveTo(50, 50);
    m_input.Press(1);
    m_input.MoveTo(250, 60); // outside the frame, over the host's window
    m_input.MoveTo(300, 70);
    Pump();
    EXPECT_TRUE(CallsOf(SINK_CALL::kExited).empty()); // the gesture goes on
    m_input.Release(1);
    Pump();

    const auto moves = CallsOf(SINK_CALL::kMoved);
    ASSERT_FALSE(moves.empty());
    EXPECT_DOUBLE_EQ(moves.back().where.x, 300.0);
    EXPECT_EQ(moves.back().buttons & kLButton, kLButton);
    const auto ups = CallsOf(SINK_CALL::kUp);
    ASSERT_EQ(ups.size(), 1u);
    EXPECT_DOUBLE_EQ(ups[0].where.x, 300.0);
    EXPECT_EQ(CallsOf(SINK_CALL::kExited).size(), 1u); // ended outside: the pointer has left

    // Two buttons held: releasing one keeps the gesture and its grab.
    m_input.MoveTo(50, 50);
    m_input.Press(1);
    m_input.Press(3);
    m_input.Release(1);
    m_input.MoveTo(60, 50);
    Pump();
    EXPECT_EQ(CallsOf(SINK_CALL::kMoved).back().buttons & kRButton, kRButton);
    EXPECT_EQ(XGrabPointer(m_host, m_parent, False, ButtonPressMask, GrabModeAsync, GrabModeAsync,
                           None, None, CurrentTime),
              AlreadyGrabbed);
    m_input.Release(3);
    Pump();
    // The grab ended with the gesture: another client can take the pointer now.
    EXPECT_EQ(XGrabPointer(m_host, m_parent, False, ButtonPressMask, GrabModeAsync, GrabModeAsync,
                           None, None, CurrentTime),
              GrabSuccess);
    XUngrabPointer(m_host, CurrentTime);
}

TEST_F(CX11PlatformFrameTest, ParentDestroyedFirstIsReportedOnceAndCloseStaysQuiet)
{
    OpenFrame(1.0, 100, 100);
    cairo_surface_t* backBuffer = BackBuffer(100, 100);
    m_frame->setCursor(kCursorVSize); // the server's shapes: no error while the window lives
    m_frame->setCursor(kCursorHand);
    XDestroyWindow(m_host, m_parent);
    XSync(m_host, False);
    m_parent = 0;
    Pump();

    EXPECT_EQ(CallsOf(SINK_CALL::kGone).size(), 1u);
    EXPECT_FALSE(m_frame->isWindowAlive());
    // Nothing touches the vanished window any more.
    const CRect rect{0, 0, 100, 100};
    m_frame->present(&rect, 1, backBuffer);
    EXPECT_FALSE(m_frame->setSize(120, 120));
    m_frame->setCursor(kCursorHand);
    CPoint where;
    EXPECT_FALSE(m_frame->getCurrentMouseLocation(where));
    m_frame.reset();
    cairo_surface_destroy(backBuffer);
    XSync(m_host, False);

    EXPECT_EQ(g_hostErrors, 0);
    EXPECT_EQ(CX11ErrorTrap::RegisteredCount(), 0);
}

TEST_F(CX11PlatformFrameTest, ModalLoopEndsWhenToldAndWhenTheWindowGoes)
{
    OpenFrame(1.0, 100, 100);
    // Passes so far, the pass that ends the loop and the one at which the host destroys its
    // window (0: never).
    struct LOOP_STATE
    {
        int passes, limit, destroyAt;
        Display* host;
        Window parent;
    };
    auto keepRunning = [](void* context)
    {
        auto* state = static_cast<LOOP_STATE*>(context);
        if (++state->passes == state->destroyAt)
        {
            XDestroyWindow(state->host, state->parent);
            XSync(state->host, False);
        }
        return state->passes < state->limit;
    };

    LOOP_STATE told{0, 4, 0, m_host, m_parent};
    EXPECT_TRUE(m_frame->runModalLoop(keepRunning, &told));
    EXPECT_EQ(CallsOf(SINK_CALL::kModalIdle).size(), 3u);

    // The host closes its window while a menu is open: the loop returns instead of hanging.
    LOOP_STATE gone{0, 1000, 2, m_host, m_parent};
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(m_frame->runModalLoop(keepRunning, &gone));
    m_parent = 0;
    EXPECT_LT(gone.passes, 10);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_EQ(CallsOf(SINK_CALL::kGone).size(), 1u);
}

TEST_F(CX11PlatformFrameTest, RefusesAParentThatIsNotAWindow)
{
    const Window bogus = m_parent + 0x1000; // an id of our connection's range that names nothing
    auto frame = CX11PlatformFrame::Create(std::make_unique<CRecordingSink>(m_calls), bogus, 1.0,
                                           100, 100);
    EXPECT_EQ(frame, nullptr);
    EXPECT_EQ(CX11PlatformFrame::Create(std::make_unique<CRecordingSink>(m_calls), 0, 1.0, 100,
                                        100),
              nullptr);
    EXPECT_EQ(g_hostErrors, 0);
}

TEST_F(CX11PlatformFrameTest, DesktopScaleAndHeightComeFromTheServer)
{
    const char* resources = "Xft.antialias:\t1\nXft.dpi:\t192\n";
    XChangeProperty(m_host, DefaultRootWindow(m_host), XA_RESOURCE_MANAGER, XA_STRING, 8,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(resources),
                    static_cast<int>(std::strlen(resources)));
    XSync(m_host, False);
    EXPECT_EQ(GetDesktopScaleFactor(), 2.0);
    EXPECT_EQ(GetDesktopScreenHeight(), 1800); // the screen of XvfbTest.h

    XDeleteProperty(m_host, DefaultRootWindow(m_host), XA_RESOURCE_MANAGER);
    XSync(m_host, False);
    EXPECT_EQ(GetDesktopScaleFactor(), 1.0);
}

// A screen whose pixels are not the back buffer's 32-bit words: the copies convert.
class CX11PlatformFrame16BitTest : public CX11PlatformFrameTest
{
public:
    static void SetUpTestSuite()
    {
        StartServer("640x480x16");
    }
};

TEST_F(CX11PlatformFrame16BitTest, PresentConvertsToTheScreensPixels)
{
    OpenFrame(1.0, 100, 100);
    cairo_surface_t* backBuffer = BackBuffer(100, 100, true, CAIRO_FORMAT_ARGB32);

    const CRect rect{0, 0, 50, 50};
    m_frame->present(&rect, 1, backBuffer);
    XSync(m_frame->GetDisplay(), False);
    EXPECT_EQ(WindowPixel(10, 10), 0xFF0000u); // full red in 5-6-5 bits
    EXPECT_NE(WindowPixel(70, 70), 0xFF0000u);
    m_frame.reset();
    cairo_surface_destroy(backBuffer);
    EXPECT_EQ(g_hostErrors, 0);
}

} // namespace
