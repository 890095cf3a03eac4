// The editor on the real screen as a host sees it, real pointer and keys: view switches redraw
// their area and switching back gives the first picture exactly; compact mode asks the host for
// its window size both ways; the header browser's menu and buttons over a small preset library
// (program name and parameters read back through the host); the settings menu closing on Escape
// and an outside click. Aim drops, depth drags and step painting are tested in-process.
#include "E2EFixture.h"

#include "Common/wrappers/BaseEffect.h"
#include "Common/wrappers/VSTwrapper/VstWrapper.h"

#include <algorithm>
#include <filesystem>
#include <memory>
#include <vector>

namespace
{

constexpr int kFilterCutoff = 33; // layer A's, the value each preset stores
constexpr int kMeterRestMs = 1500; // the meters fall back to rest after the tone stops
constexpr int kMinimumChange = 500; // far more than a few anti-aliased edges
// The presets' menu: rows, separators and padding (logical pixels); "Default Preset", a
// separator, four commands and a separator come before the categories.
constexpr int kMenuRow = 20;
constexpr int kMenuSeparator = 9;
constexpr int kMenuPadding = 4;
constexpr int kFixedEntries = 2 * kMenuSeparator + 5 * kMenuRow;

// The small library, in the browser's order, with the Filter Cutoff each preset stores.
struct PRESET
{
    const char* category;
    const char* name;
    float cutoff;
};
constexpr PRESET kLibrary[] = {
    {"Bass", "Deep", 0.2f}, {"Bass", "Wide", 0.4f}, {"Keys", "Bright", 0.6f}, {"Keys", "Soft", 0.8f}};

class CEditorWorkflowsE2ETest : public CMorvexE2ETest
{
protected:
    // Silence from the start, so that the meters rest (no echo or reverb tail) and only what a
    // test does changes the picture.
    void SetUp() override
    {
        WriteLibrary();
        m_host.SetTone(false);
        CMorvexE2ETest::SetUp();
        m_host.RunFor(kMeterRestMs);
    }

    // Each preset saved by an instance of the plug-in's own, as its browser saves one.
    void WriteLibrary()
    {
        std::unique_ptr<CVstWrapper> instance(
            static_cast<CVstWrapper*>(createEffectInstance(nullptr)));
        CBaseEffect* effect = instance->GetBaseEffect();
        for (const PRESET& preset : kLibrary)
        {
            instance->setParameter(kFilterCutoff, preset.cutoff);
            const std::filesystem::path folder =
                std::filesystem::path(m_data.GetPresetFolder()) / preset.category;
            std::filesystem::create_directories(folder);
            ASSERT_TRUE(effect->SavePreset((folder / preset.name).string().append(".prg").c_str()));
        }
    }

    // The pattern editor, left out of picture comparisons: our host's transport plays, so its
    // play cursor moves on its own.
    static PIXEL_RECT PlayCursor() { return ToPixels(GetModEditorRect(kWindowNormal)); }

    // Clicks position `position` of `positions` along a switch row, then moves the pointer away:
    // no hover look left behind.
    void ClickRow(int tag, int position, int positions)
    {
        const PIXEL_RECT r = Rect(tag);
        Click(r.x + (2 * position + 1) * r.width / (2 * positions), r.y + r.height / 2);
        m_input.MoveTo(kAwayX, kAwayY);
    }
};

} // namespace

TEST_F(CEditorWorkflowsE2ETest, LayersModulatorsAndTheMatrixPageRedrawTheirAreaAndComeBackExactly)
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
        {"modulator 6", kTagModSelector, 5, 8, kSectionModulator, kSectionLayer, kTagModSelector},
        {"matrix page", kTagMatrixSwitch, 0, 1, kSectionMatrix, kSectionHeader, kTagMatrixClose},
    };
    const CScreenshot start = Capture();
    const PIXEL_RECT header = ToPixels(GetSectionRect(kWindowNormal, kSectionHeader));
    for (const SWITCH& s : switches)
    {
        SCOPED_TRACE(s.what);
        ClickRow(s.tag, s.position, s.positions);
        const CScreenshot shot = Capture();
        const PIXEL_RECT changes = ToPixels(GetSectionRect(kWindowNormal, s.changes));
        const PIXEL_RECT keeps = ToPixels(GetSectionRect(kWindowNormal, s.keeps));
        EXPECT_GT(shot.ChangedPixels(start, changes), kMinimumChange);
        EXPECT_EQ(0, shot.ChangedPixels(start, header, PlayCursor()));
        EXPECT_EQ(0, shot.ChangedPixels(start, keeps, PlayCursor()));
        ClickRow(s.backTag, 0, s.backTag == kTagMatrixClose ? 1 : s.positions);
        EXPECT_EQ(0, Capture().ChangedPixels(start, {}, PlayCursor())) << "switched back";
    }
    EXPECT_EQ(0, CEditorHost::XErrorCount());
}

// The settings menu's last entry ("Compact Mode") chosen with Up and Return, the pointer in the
// window's corner, on no entry: the plug-in asks the host for the new size, both ways.
TEST_F(CEditorWorkflowsE2ETest, CompactModeAsksTheHostToResizeItsWindowBothWays)
{
    const CScreenshot normal = Capture();
    const auto choose = [](CPointerInput& input)
    {
        input.MoveTo(0, 0);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        input.Tap("Up");
        std::this_thread::sleep_for(std::chrono::milliseconds(80));
        input.Tap("Return");
    };
    for (int from : {kWindowNormal, kWindowCompact})
    {
        const int toMode = from == kWindowNormal ? kWindowCompact : kWindowNormal;
        const LAYOUT_RECT to = GetWindowRect(toMode);
        SCOPED_TRACE(from == kWindowNormal ? "to compact" : "back to normal");
        m_host.ClearEvents();
        const PIXEL_RECT button = Rect(kTagSettings, from);
        ASSERT_TRUE(RunMenu(button.x + button.width / 2, button.y + button.height / 2, choose));
        m_host.RunFor(kMeterRestMs);
        const std::vector<HOST_EDIT_EVENT> events = m_host.Events();
        ASSERT_EQ(1, m_host.CountEvents(HOST_EDIT_EVENT::kSizeWindow));
        const auto size = std::find_if(events.begin(), events.end(), [](const HOST_EDIT_EVENT& e)
                                       { return e.kind == HOST_EDIT_EVENT::kSizeWindow; });
        EXPECT_EQ(to.width, size->index);
        EXPECT_EQ(to.height, size->height);
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
    EXPECT_EQ(0, Capture().ChangedPixels(normal, {}, PlayCursor())) << "normal window again";
    EXPECT_EQ(0, CEditorHost::XErrorCount());
}

TEST_F(CEditorWorkflowsE2ETest, HeaderBrowserMenuChoosesAPresetAndTheButtonsStep)
{
    EXPECT_EQ("Default Preset", m_host.ProgramName());
    const PIXEL_RECT browser = Rect(kTagMainBrowser);
    // The second preset of the first category: the pointer down the menu to the category (its
    // submenu opens beside it), then Down twice and Return.
    const auto choose = [&](CPointerInput& input)
    {
        const int x = browser.x + 20, top = browser.y + browser.height + kMenuPadding;
        const int row = top + kFixedEntries + kMenuRow / 2;
        for (int y = top + 2; y < row; y += 8)
        {
            input.MoveTo(x, y);
            std::this_thread::sleep_for(std::chrono::milliseconds(15));
        }
        input.MoveTo(x, row);
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        for (const char* key : {"Down", "Down", "Return"})
        {
            input.Tap(key);
            std::this_thread::sleep_for(std::chrono::milliseconds(60));
        }
    };
    ASSERT_TRUE(RunMenu(browser.x + browser.width / 2, browser.y + browser.height / 2, choose));
    EXPECT_EQ(kLibrary[1].name, m_host.ProgramName());
    EXPECT_NEAR(kLibrary[1].cutoff, m_host.GetParameter(kFilterCutoff), 1e-3f);

    // Across a category, to the end, wrapping at both ends.
    const std::pair<int, int> steps[] = {
        {kTagNextPreset, 2}, {kTagNextPreset, 3}, {kTagNextPreset, 0}, {kTagPrevPreset, 3}};
    for (const auto& [button, index] : steps)
    {
        const PIXEL_RECT r = Rect(button);
        Click(r.x + r.width / 2, r.y + r.height / 2);
        EXPECT_EQ(kLibrary[index].name, m_host.ProgramName()) << button << " to " << index;
        EXPECT_NEAR(kLibrary[index].cutoff, m_host.GetParameter(kFilterCutoff), 1e-3f) << index;
    }
    EXPECT_EQ(0, CEditorHost::XErrorCount());
}

TEST_F(CEditorWorkflowsE2ETest, SettingsMenuFitsAndClosesOnEscapeAndOnAnOutsideClick)
{
    const PIXEL_RECT button = Rect(kTagSettings), window = ToPixels(GetWindowRect(kWindowNormal));
    const int x = button.x + button.width / 2, y = button.y + button.height / 2;
    const int outsideX = 400, outsideY = 12; // a blank spot of the header
    const PIXEL_RECT cursor = PlayCursor();
    for (const bool escape : {true, false})
    {
        m_input.MoveTo(x, y);
        const CScreenshot hovered = Capture();
        PIXEL_RECT menu{};
        bool closed = false; // by the user's own Escape or click, not the fixture's fallback
        const auto close = [&](CPointerInput& input)
        {
            Display* display = XOpenDisplay(nullptr);
            ASSERT_NE(display, nullptr);
            std::this_thread::sleep_for(std::chrono::milliseconds(150));
            CScreenshot now;
            if (now.Capture(display, m_host.HostWindow()))
                menu = now.ChangedBox(hovered, cursor);
            if (escape)
                input.Tap("Escape");
            else
                input.Click(outsideX, outsideY);
            for (int wait = 0; wait < 30 && !closed; ++wait)
            {
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
                closed = now.Capture(display, m_host.HostWindow()) &&
                         now.ChangedPixels(hovered, menu) < menu.width * menu.height / 20;
            }
            XCloseDisplay(display);
        };
        ASSERT_TRUE(RunMenu(x, y, close)) << "the settings menu did not open";
        const char* how = escape ? "Escape" : "an outside click";
        EXPECT_TRUE(closed) << "not closed by " << how;
        EXPECT_GT(menu.width, 40);
        EXPECT_GT(menu.height, 30);
        EXPECT_TRUE(menu.x > 0 && menu.y > 0 && menu.x + menu.width < window.width &&
                    menu.y + menu.height < window.height)
            << how << ": " << menu.x << "," << menu.y << " " << menu.width << "x" << menu.height;
        // Still closed a moment later: the closing click did not open it again.
        m_input.MoveTo(x, y);
        m_host.RunFor(500);
        EXPECT_LT(Capture().ChangedPixels(hovered, menu), menu.width * menu.height / 20) << how;
    }
}
