// The editor as a DAW shows it: the built plug-in loaded by our own host, its editor embedded
// in a window of the host on a private Xvfb, driven by input through the X server and checked
// on the screen's pixels and on what the plug-in tells the host. Every test runs against each
// editor of the table: the small Xlib fixture (known answers; it proves the host and the
// checks themselves) and the Morvex editor (when the build has it).
#include "XvfbTest.h"

#include "EditorHost.h"
#include "Platform/Linux/ScopedEnv.h"
#include "PointerInput.h"
#include "Screenshot.h"


#include <chrono>
#include <ostream>
#include <string>
#include <thread>

#ifdef MORVEX_EDITOR_LAYOUT
#include "Gui/EditorLayout.h"
#endif

namespace
{

constexpr int kOpenTimeoutMs = 5000;
constexpr int kSettleMs = 120; // idles after an input, so the editor has handled it
constexpr int kDragSteps = 10;
constexpr int kDragStepMs = 25;
constexpr int kReopenCycles = 20;

// One editor under test and the control the tests use: where it is (logical pixels in the
// editor at scale 1) and which way a drag raises its value.
struct EDITOR_UNDER_TEST
{
    const char* name;
    const char* pluginPath;
    const char* parameterName;
    PIXEL_RECT (*controlRect)(int parameterId);
    double pressX; // where the drag starts, as fractions of the control's width and height
    double pressY;
    int dragDx; // logical pixels
    int dragDy;
};

// gtest prints the parameter of a failing case: the editor's name says it.
void PrintTo(const EDITOR_UNDER_TEST& editor, std::ostream* out)
{
    *out << editor.name;
}

PIXEL_RECT FixtureLevelBar(int /*parameterId*/)
{
    return PIXEL_RECT{0, 100, 320, 100}; // the lower half of the fixture's 320 x 200 window
}

#ifdef MORVEX_EDITOR_LAYOUT
PIXEL_RECT MorvexControl(int parameterId)
{
    const LAYOUT_CONTROL* control = FindLayoutControl(kWindowNormal, parameterId);
    if (control == nullptr)
    {
        return PIXEL_RECT{};
    }
    return PIXEL_RECT{control->rect.x, control->rect.y, control->rect.width,
                      control->rect.height};
}
#endif

const EDITOR_UNDER_TEST kEditors[] = {
    {"Fixture", TEST_EDITOR_PLUGIN_PATH, "Level", &FixtureLevelBar, 0.1, 0.5, 200, 0},
#ifdef MORVEX_EDITOR_LAYOUT
    // The master volume knob, dragged from its centre up and to the right: that raises the
    // value whether knobs follow the pointer's angle or its linear distance.
    {"Morvex", MORVEX_PLUGIN_PATH, "Volume", &MorvexControl, 0.5, 0.5, 40, -60},
#endif
};

class CEditorEndToEndTest : public CXvfbTest,
                            public ::testing::WithParamInterface<EDITOR_UNDER_TEST>
{
public:
    // Room for an editor at scale 2: the server cannot read back a window that reaches past
    // the screen's edge.
    static void SetUpTestSuite()
    {
        StartServer("2400x1800x24");
    }

protected:
    void SetUp() override
    {
        CXvfbTest::SetUp();
        std::string error;
        ASSERT_TRUE(m_input.Open(error)) << error;
        m_input.MoveTo(2390, 1790); // beyond the editor, also at scale 2
        m_xErrorsAtStart = CEditorHost::XErrorCount();
    }

    // Loads the plug-in and opens its editor, drawn once.
    void OpenEditor(CEditorHost& host, bool audioThread = false)
    {
        std::string error;
        ASSERT_TRUE(host.Load(error, audioThread)) << error;
        m_parameter = host.FindParameter(GetParam().parameterName);
        ASSERT_GE(m_parameter, 0) << "no parameter " << GetParam().parameterName;
        ASSERT_TRUE(host.OpenEditor(error)) << error;
        ASSERT_TRUE(host.RunUntilDrawn(kOpenTimeoutMs)) << "no editor window appeared";
        ASSERT_TRUE(host.QueryEditorRect(m_width, m_height));
    }

    // Screen position of a logical point of the editor.
    void ToScreen(CEditorHost& host, int x, int y, int& rootX, int& rootY)
    {
        int originX = 0;
        int originY = 0;
        host.HostWindowOrigin(originX, originY);
        rootX = originX + static_cast<int>(x * m_scale);
        rootY = originY + static_cast<int>(y * m_scale);
    }

    PIXEL_RECT ControlOnScreen() const
    {
        const PIXEL_RECT rect = GetParam().controlRect(m_parameter);
        return PIXEL_RECT{static_cast<int>(rect.x * m_scale), static_cast<int>(rect.y * m_scale),
                          static_cast<int>(rect.width * m_scale),
                          static_cast<int>(rect.height * m_scale)};
    }

    int NewXErrors() const
    {
        return CEditorHost::XErrorCount() - m_xErrorsAtStart;
    }

    CPointerInput m_input;
    int m_parameter = -1;
    int m_width = 0;
    int m_height = 0;
    double m_scale = 1.0; // device pixels per logical pixel: set by the tests that scale

    int m_xErrorsAtStart = 0;
};

TEST_P(CEditorEndToEndTest, DrawsItsWholeWindowAtTheReportedSize)
{
    CEditorHost host(GetParam().pluginPath);
    OpenEditor(host, true); // audio on its own thread, as a DAW runs it
    host.RunFor(200);

    int width = 0;
    int height = 0;
    ASSERT_TRUE(host.EditorWindowSize(width, height));
    EXPECT_EQ(width, m_width);
    EXPECT_EQ(height, m_height);
    ASSERT_TRUE(host.HostWindowSize(width, height));
    EXPECT_EQ(width, m_width);
    EXPECT_EQ(height, m_height);

    CScreenshot shot;
    ASSERT_TRUE(shot.Capture(host.HostDisplay(), host.HostWindow()));
    EXPECT_GT(shot.NonBlackShare(), 0.9);     // the host window is black where nothing is drawn
    EXPECT_GT(shot.DistinctColours(), 16);    // artwork, not a cleared window
    // Each quarter is drawn, not only the first paint's corner.
    const PIXEL_RECT quarters[] = {{0, 0, m_width / 2, m_height / 2},
                                   {m_width / 2, 0, m_width / 2, m_height / 2},
                                   {0, m_height / 2, m_width / 2, m_height / 2},
                                   {m_width / 2, m_height / 2, m_width / 2, m_height / 2}};
    for (const PIXEL_RECT& quarter : quarters)
    {
        EXPECT_GT(shot.NonBlackShare(quarter), 0.5);
    }
    EXPECT_GT(host.ProcessedBlocks(), 0);
    EXPECT_EQ(NewXErrors(), 0);
}

TEST_P(CEditorEndToEndTest, DraggingTheControlIsOneGestureOfAutomation)
{
    CEditorHost host(GetParam().pluginPath);
    OpenEditor(host);
    const float before = host.GetParameter(m_parameter);
    const PIXEL_RECT control = GetParam().controlRect(m_parameter);
    ASSERT_GT(control.width, 0);
    int startX = 0;
    int startY = 0;
    ToScreen(host, control.x + static_cast<int>(control.width * GetParam().pressX),
             control.y + static_cast<int>(control.height * GetParam().pressY), startX, startY);
    host.ClearEvents();

    m_input.MoveTo(startX, startY);
    host.RunFor(kSettleMs);
    m_input.Press(1);
    host.RunFor(kDragStepMs);
    for (int step = 1; step <= kDragSteps; ++step)
    {
        m_input.MoveTo(startX + GetParam().dragDx * step / kDragSteps,
                       startY + GetParam().dragDy * step / kDragSteps);
        host.RunFor(kDragStepMs);
    }
    m_input.Release(1);
    host.RunFor(kSettleMs);

    const std::vector<HOST_EDIT_EVENT> events = host.Events();
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.front().kind, HOST_EDIT_EVENT::kBeginEdit);
    EXPECT_EQ(events.front().index, m_parameter);
    EXPECT_EQ(events.back().kind, HOST_EDIT_EVENT::kEndEdit);
    EXPECT_EQ(events.back().index, m_parameter);
    EXPECT_EQ(host.CountEvents(HOST_EDIT_EVENT::kBeginEdit), 1);
    EXPECT_EQ(host.CountEvents(HOST_EDIT_EVENT::kEndEdit), 1);
    EXPECT_GE(host.CountEvents(HOST_EDIT_EVENT::kAutomate, m_parameter), 3);
    const float after = host.GetParameter(m_parameter);
    EXPECT_GT(after, before + 0.05f);
    // The host's automation lane ends where the control ended.
    float lastAutomated = -1.0f;
    for (const HOST_EDIT_EVENT& event : events)
    {
        if (event.kind == HOST_EDIT_EVENT::kAutomate && event.index == m_parameter)
        {
            lastAutomated = event.value;
        }
    }
    EXPECT_NEAR(lastAutomated, after, 1e-6f);
}

TEST_P(CEditorEndToEndTest, HostAutomationMovesTheControlWithoutEchoingBack)
{
    CEditorHost host(GetParam().pluginPath);
    OpenEditor(host);
    host.SetParameter(m_parameter, 0.1f);
    host.RunFor(150);
    CScreenshot low;
    ASSERT_TRUE(low.Capture(host.HostDisplay(), host.HostWindow()));
    host.ClearEvents();

    host.SetParameter(m_parameter, 0.9f);
    host.RunFor(150);
    CScreenshot high;
    ASSERT_TRUE(high.Capture(host.HostDisplay(), host.HostWindow()));

    EXPECT_GT(high.ChangedPixels(low, ControlOnScreen()), 20);
    EXPECT_EQ(host.CountEvents(HOST_EDIT_EVENT::kAutomate, m_parameter), 0);
    EXPECT_EQ(host.CountEvents(HOST_EDIT_EVENT::kBeginEdit), 0);
}

TEST_P(CEditorEndToEndTest, ClosesAndReopensTwentyTimesCleanly)
{
    CEditorHost host(GetParam().pluginPath);
    OpenEditor(host);
    // After one full cycle every library has opened what it keeps (fonts, caches).
    host.CloseEditor();
    std::string error;
    ASSERT_TRUE(host.OpenEditor(error)) << error;
    host.RunFor(60);
    const int descriptors = CountOpenFileDescriptors();

    for (int cycle = 0; cycle < kReopenCycles; ++cycle)
    {
        host.CloseEditor();
        host.RunFor(kSettleMs / 4);
        ASSERT_TRUE(host.OpenEditor(error)) << error;
        host.RunFor(40);
    }
    ASSERT_TRUE(host.RunUntilDrawn(kOpenTimeoutMs));
    CScreenshot shot;
    ASSERT_TRUE(shot.Capture(host.HostDisplay(), host.HostWindow()));
    EXPECT_GT(shot.NonBlackShare(), 0.9);
    EXPECT_EQ(CountOpenFileDescriptors(), descriptors); // no X connection left behind
    EXPECT_EQ(NewXErrors(), 0);
}

TEST_P(CEditorEndToEndTest, SurvivesTheHostDestroyingItsWindowFirst)
{
    CEditorHost host(GetParam().pluginPath);
    OpenEditor(host, true);
    host.DestroyHostWindow();
    host.RunFor(100); // idles with the window gone
    host.CloseEditor();
    host.RunFor(40);

    // The editor opens again in a new window of the host.
    std::string error;
    ASSERT_TRUE(host.OpenEditor(error)) << error;
    ASSERT_TRUE(host.RunUntilDrawn(kOpenTimeoutMs));
    CScreenshot shot;
    ASSERT_TRUE(shot.Capture(host.HostDisplay(), host.HostWindow()));
    EXPECT_GT(shot.NonBlackShare(), 0.9);
    EXPECT_EQ(NewXErrors(), 0);
}

TEST_P(CEditorEndToEndTest, ScaleTwoReportsAndDrawsTwiceTheSize)
{
    int width1 = 0;
    int height1 = 0;
    {
        CEditorHost host(GetParam().pluginPath);
        std::string error;
        ASSERT_TRUE(host.Load(error)) << error;
        ASSERT_TRUE(host.QueryEditorRect(width1, height1));
    }
    CScopedEnv scale("MORVEX_UI_SCALE", "2");
    m_scale = 2.0;
    CEditorHost host(GetParam().pluginPath);
    OpenEditor(host);
    EXPECT_EQ(m_width, 2 * width1);
    EXPECT_EQ(m_height, 2 * height1);
    int width = 0;
    int height = 0;
    ASSERT_TRUE(host.EditorWindowSize(width, height));
    EXPECT_EQ(width, 2 * width1);
    EXPECT_EQ(height, 2 * height1);

    CScreenshot shot;
    ASSERT_TRUE(shot.Capture(host.HostDisplay(), host.HostWindow()));
    // The far quarter too: an editor that scaled without telling the host, or drew at scale 1
    // into a big window, leaves it black.
    EXPECT_GT(shot.NonBlackShare({width / 2, height / 2, width / 2, height / 2}), 0.5);
    EXPECT_GT(shot.NonBlackShare(), 0.9);
    // Host automation still lands on the control at its doubled place.
    host.SetParameter(m_parameter, 0.1f);
    host.RunFor(150);
    CScreenshot low;
    ASSERT_TRUE(low.Capture(host.HostDisplay(), host.HostWindow()));
    host.SetParameter(m_parameter, 0.9f);
    host.RunFor(150);
    CScreenshot high;
    ASSERT_TRUE(high.Capture(host.HostDisplay(), host.HostWindow()));
    EXPECT_GT(high.ChangedPixels(low, ControlOnScreen()), 40);
}

#ifdef MORVEX_EDITOR_LAYOUT
// The output meters follow the audio that runs on its own thread while the editor idles on
// the host's: a louder output must show on the meters' pixels.
class CMorvexEditorMeterTest : public CXvfbTest
{
};

TEST_F(CMorvexEditorMeterTest, MetersFollowTheAudioThread)
{
    CEditorHost host(MORVEX_PLUGIN_PATH);
    std::string error;
    ASSERT_TRUE(host.Load(error, true)) << error;
    const int volume = host.FindParameter("Volume");
    ASSERT_GE(volume, 0);
    ASSERT_TRUE(host.OpenEditor(error)) << error;
    ASSERT_TRUE(host.RunUntilDrawn(kOpenTimeoutMs));
    const LAYOUT_CONTROL* left = FindLayoutControl(kWindowNormal, kTagMeterLeft);
    const LAYOUT_CONTROL* right = FindLayoutControl(kWindowNormal, kTagMeterRight);
    ASSERT_NE(left, nullptr);
    ASSERT_NE(right, nullptr);
    const PIXEL_RECT meters{left->rect.x, left->rect.y, right->rect.Right() - left->rect.x,
                            left->rect.height};

    host.SetTone(false);
    host.RunFor(1500); // the meters fall to rest
    CScreenshot silent;
    ASSERT_TRUE(silent.Capture(host.HostDisplay(), host.HostWindow()));
    host.SetParameter(volume, 1.0f); // +24 dB
    host.SetTone(true);
    host.RunFor(600);
    CScreenshot loud;
    ASSERT_TRUE(loud.Capture(host.HostDisplay(), host.HostWindow()));
    EXPECT_GT(loud.ChangedPixels(silent, meters), 50);
    EXPECT_GT(host.ProcessedBlocks(), 100);
}
#endif

INSTANTIATE_TEST_SUITE_P(Editors, CEditorEndToEndTest, ::testing::ValuesIn(kEditors),
                         [](const ::testing::TestParamInfo<EDITOR_UNDER_TEST>& editor)
                         { return std::string(editor.param.name); });

} // namespace
