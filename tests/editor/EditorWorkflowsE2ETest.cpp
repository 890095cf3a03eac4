// The editor's workflows as a host sees them: real pointer input on the window, the results
// read back through the host's own calls. An aim dot dropped on a knob and the knob's right-drag
// (new matrix slot, then one depth gesture), steps painted and the length strip dragged (a new
// state, a new step count), the header browser's menu and buttons over a small preset library
// (program name and parameters), and the settings menu closing on Escape and an outside click.
#include "E2EFixture.h"

#include "Common/wrappers/BaseEffect.h"
#include "Common/wrappers/VSTwrapper/VstWrapper.h"

#include <algorithm>
#include <filesystem>
#include <memory>
#include <vector>

namespace
{

// Parameter ids of the plug-in: Filter Cutoff of layer A and the four rows of matrix slot 1.
constexpr int kFilterCutoff = 33;
constexpr int kSlotPower = 211;
constexpr int kSlotDepth = 235;
constexpr int kSlotSource = 259;
constexpr int kSlotTarget = 283;
constexpr int kRightButton = 3;
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

// Bounding box of the pixels in which two pictures of one window differ, leaving out `skip`.
PIXEL_RECT ChangedBox(const CScreenshot& a, const CScreenshot& b, const PIXEL_RECT& skip)
{
    int left = a.Width(), top = a.Height(), right = -1, bottom = -1;
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < a.Width(); ++x)
            if (a.Pixel(x, y) != b.Pixel(x, y) && !(x >= skip.x && x < skip.x + skip.width &&
                                                    y >= skip.y && y < skip.y + skip.height))
            {
                left = std::min(left, x), right = std::max(right, x);
                top = std::min(top, y), bottom = std::max(bottom, y);
            }
    return right < 0 ? PIXEL_RECT{} : PIXEL_RECT{left, top, right - left + 1, bottom - top + 1};
}

class CEditorWorkflowsE2ETest : public CMorvexE2ETest
{
protected:
    void SetUp() override
    {
        WriteLibrary();
        m_host.SetTone(false); // silence from the start: no echo or reverb tail in the meters
        CMorvexE2ETest::SetUp();
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

    // Every parameter as the host reads it.
    std::vector<float> Parameters()
    {
        std::vector<float> values;
        for (int id = 0; id < kNumParameters; ++id)
            values.push_back(m_host.GetParameter(id));
        return values;
    }
};

} // namespace

TEST_F(CEditorWorkflowsE2ETest, AimDropAddsASlotAndARightDragIsOneDepthGesture)
{
    const PIXEL_RECT aim = Rect(kTagAim + 0), knob = Rect(kFilterCutoff);
    ASSERT_GT(aim.width, 0);
    const int knobX = knob.x + knob.width / 2, knobY = knob.y + knob.height / 2;
    const std::vector<float> before = Parameters();
    Drag(aim.x + aim.width / 2, aim.y + aim.height / 2, knobX, knobY);
    const std::vector<float> routed = Parameters();
    // The host reads the new slot (on, modulator 1 aimed at the knob) and nothing else changed.
    EXPECT_NE(before[kSlotSource], routed[kSlotSource]);
    EXPECT_NE(before[kSlotTarget], routed[kSlotTarget]);
    EXPECT_GT(routed[kSlotPower], 0.5f);
    for (int id = 0; id < kNumParameters; ++id)
    {
        const bool inSlot =
            id == kSlotPower || id == kSlotDepth || id == kSlotSource || id == kSlotTarget;
        EXPECT_TRUE(inSlot || before[id] == routed[id]) << "outside the new slot: " << id;
    }

    const float depth = m_host.GetParameter(kSlotDepth);
    m_host.ClearEvents();
    Drag(knobX, knobY, knobX + 20, knobY - 20, kRightButton);
    EXPECT_GT(m_host.GetParameter(kSlotDepth), depth + 0.1f);
    // One gesture on the depth alone: begin, its values, end.
    const std::vector<HOST_EDIT_EVENT> events = m_host.Events();
    ASSERT_GE(events.size(), 3u);
    EXPECT_EQ(HOST_EDIT_EVENT::kBeginEdit, events.front().kind);
    EXPECT_EQ(HOST_EDIT_EVENT::kEndEdit, events.back().kind);
    for (const HOST_EDIT_EVENT& event : events)
        EXPECT_EQ(kSlotDepth, event.index) << "only the slot's depth, inside its gesture";
    EXPECT_EQ(1, m_host.CountEvents(HOST_EDIT_EVENT::kBeginEdit));
    EXPECT_EQ(1, m_host.CountEvents(HOST_EDIT_EVENT::kEndEdit));
}

TEST_F(CEditorWorkflowsE2ETest, PaintedStepsAndTheLengthStripReachTheHost)
{
    const PIXEL_RECT editor = ToPixels(GetModEditorRect(kWindowNormal));
    const int cell = editor.width / 32, bottom = editor.y + editor.height - 1;
    const int numSteps = m_host.FindParameter("Mod1 NumSteps");
    ASSERT_GE(numSteps, 0);
    const std::vector<unsigned char> before = m_host.Chunk();
    // A sweep over six cells from high to low paints a falling ramp.
    Drag(editor.x + cell / 2, editor.y + 30, editor.x + 5 * cell + cell / 2, bottom - 40);
    const std::vector<unsigned char> painted = m_host.Chunk();
    EXPECT_NE(before, painted) << "the host's state holds the painted steps";
    const float length = m_host.GetParameter(numSteps);
    m_host.ClearEvents();
    Drag(editor.x + 15 * cell + cell / 2, editor.y + 5, editor.x + 8 * cell + cell / 2,
         editor.y + 5);
    EXPECT_NE(length, m_host.GetParameter(numSteps));
    EXPECT_GE(m_host.CountEvents(HOST_EDIT_EVENT::kAutomate, numSteps), 1);
    EXPECT_NE(painted, m_host.Chunk());
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
    // Only the menu changes the picture: the meters at rest, the pattern editor's play cursor
    // (our host's transport runs) left out.
    const PIXEL_RECT cursor = ToPixels(GetModEditorRect(kWindowNormal));
    m_host.RunFor(1500);
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
                menu = ChangedBox(now, hovered, cursor);
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
