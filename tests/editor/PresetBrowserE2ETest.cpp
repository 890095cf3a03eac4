// The preset browsers as a user meets them in a DAW: the built plug-in in our host on a
// private Xvfb, a small library of factory presets in a fresh data folder, a browser's menu
// opened with a click, a preset chosen in its category's submenu, then the previous and next
// buttons stepping through the list and wrapping across categories. For the main browser the
// host checks what it would show (the program name) and what it would automate (the
// parameters); for a modulator's browser, the state it stores with its project (the chunk,
// which holds the modulator's pattern and its preset's path) and the pattern editor's pixels.
#include "XvfbTest.h"

#include "EditorHost.h"
#include "PointerInput.h"
#include "Screenshot.h"
#include "Gui/EditorLayout.h"
#include "support/TempDataFolder.h"

#include <X11/Xlib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace
{

namespace fs = std::filesystem;

constexpr int kOpenTimeoutMs = 5000;
constexpr int kSettleMs = 200;
// The menu's geometry (logical pixels): rows, separators and the level's inner padding.
constexpr int kMenuRow = 20;
constexpr int kMenuSeparator = 9;
constexpr int kMenuPadding = 4;
// The fixed entries above the categories: "Default Preset", a separator, four commands, a
// separator.
constexpr int kFixedEntriesHeight = kMenuRow + kMenuSeparator + 4 * kMenuRow + kMenuSeparator;

// Two categories of two presets each in both libraries, copied from the library the build
// compiled: enough for a step across a category and a wrap at both ends.
const char* const kCategories[] = {"Delays and Echoes", "Drums"};
const char* const kModulatorCategories[] = {"Gates", "Grooves"};
constexpr int kPresetsPerCategory = 2;

struct LIBRARY_ENTRY
{
    std::string category;
    std::string name; // file name without ".prg"
};

// Copies the first presets (by name) of each category from the compiled `library` ("Plug-In
// Presets" or "Modulator Presets") into the data folder; the list in the browsers' order.
template <size_t N>
std::vector<LIBRARY_ENTRY> InstallSmallLibrary(const CTempDataFolder& data, const char* library,
                                               const char* const (&categories)[N],
                                               const char* extension)
{
    std::vector<LIBRARY_ENTRY> entries;
    for (const char* category : categories)
    {
        const fs::path from = fs::path(MORVEX_PRESET_DIR) / library / category;
        std::vector<std::string> names;
        for (const fs::directory_entry& file : fs::directory_iterator(from))
        {
            if (file.path().extension() == extension)
            {
                names.push_back(file.path().stem().string());
            }
        }
        std::sort(names.begin(), names.end());
        names.resize(std::min<size_t>(names.size(), kPresetsPerCategory));
        const fs::path to = fs::path(data.GetMorvexFolder()) / library / category;
        fs::create_directories(to);
        for (const std::string& name : names)
        {
            fs::copy_file(from / (name + extension), to / (name + extension));
            entries.push_back({category, name});
        }
    }
    return entries;
}

bool Contains(const std::vector<unsigned char>& bytes, const std::string& text)
{
    return std::search(bytes.begin(), bytes.end(), text.begin(), text.end()) != bytes.end();
}

// The user's side while the plug-in runs its menu (which holds the host's thread in its own
// event loop until the menu closes): waits for the menu to appear below the browser, points at
// the category (its submenu opens beside it), then picks the preset with the arrow keys and
// Return. Returns false when the menu never appeared.
bool ChooseFromMenu(Window hostWindow, int originX, int originY, const PIXEL_RECT& browser,
                    int category, int preset, const CScreenshot& before)
{
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr)
    {
        return false;
    }
    CPointerInput input;
    std::string error;
    if (!input.Open(error))
    {
        XCloseDisplay(display);
        return false;
    }
    // The menu's first level opens below the browser, from its left edge (moved left when
    // it would reach past the window's right edge): a point 20 pixels into the browser is
    // inside it either way.
    const int bottom = browser.y + browser.height;
    const PIXEL_RECT below{browser.x + 10, bottom + 2, 60, kFixedEntriesHeight};
    const int pointX = originX + browser.x + 20;
    bool shown = false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!shown && std::chrono::steady_clock::now() < deadline)
    {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        CScreenshot now;
        shown = now.Capture(display, hostWindow) && now.ChangedPixels(before, below) > 500;
    }
    if (shown)
    {
        const int rowCentre = originY + bottom + kMenuPadding + kFixedEntriesHeight +
                              category * kMenuRow + kMenuRow / 2;
        for (int y = originY + bottom + kMenuPadding + 2; y < rowCentre; y += 8)
        {
            input.MoveTo(pointX, y);
            std::this_thread::sleep_for(std::chrono::milliseconds(15));
        }
        input.MoveTo(pointX, rowCentre);
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        for (int i = 0; i <= preset; ++i)
        {
            input.Key("Down", true);
            input.Key("Down", false);
            std::this_thread::sleep_for(std::chrono::milliseconds(60));
        }
        input.Key("Return", true);
        input.Key("Return", false);
    }
    else
    {
        input.Key("Escape", true);
        input.Key("Escape", false);
    }
    XCloseDisplay(display);
    return shown;
}

class CPresetBrowserE2ETest : public CXvfbTest
{
protected:
    void SetUp() override
    {
        CXvfbTest::SetUp();
        std::string error;
        ASSERT_TRUE(m_input.Open(error)) << error;
        m_input.MoveTo(1590, 1190); // off the editor
        m_library = InstallSmallLibrary(m_data, "Plug-In Presets", kCategories, ".prg");
        ASSERT_EQ(m_library.size(), 2u * kPresetsPerCategory);
        m_modLibrary =
            InstallSmallLibrary(m_data, "Modulator Presets", kModulatorCategories, ".mprg");
        ASSERT_EQ(m_modLibrary.size(), 2u * kPresetsPerCategory);
        ASSERT_TRUE(m_host.Load(error)) << error;
        ASSERT_TRUE(m_host.OpenEditor(error)) << error;
        ASSERT_TRUE(m_host.RunUntilDrawn(kOpenTimeoutMs)) << "no editor window appeared";
        m_host.HostWindowOrigin(m_originX, m_originY);
    }

    // Screen position of the centre of a layout control (the editor opens at scale 1 here).
    void CentreOf(int tag, int& rootX, int& rootY)
    {
        const LAYOUT_CONTROL* control = FindLayoutControl(kWindowNormal, tag);
        ASSERT_NE(control, nullptr) << tag;
        rootX = m_originX + control->rect.x + control->rect.width / 2;
        rootY = m_originY + control->rect.y + control->rect.height / 2;
    }

    PIXEL_RECT RectOf(int tag)
    {
        const LAYOUT_CONTROL* control = FindLayoutControl(kWindowNormal, tag);
        return control ? PIXEL_RECT{control->rect.x, control->rect.y, control->rect.width,
                                    control->rect.height}
                       : PIXEL_RECT{};
    }

    // Clicks the browser of layout tag `browserTag` and chooses preset `preset` of category
    // `category` in its menu, the way ChooseFromMenu does it; false when no menu opened.
    bool ChooseWithTheMenu(int browserTag, int category, int preset)
    {
        CScreenshot before;
        if (!before.Capture(m_host.HostDisplay(), m_host.HostWindow()))
        {
            return false;
        }
        int clickX = 0;
        int clickY = 0;
        CentreOf(browserTag, clickX, clickY);
        std::atomic<bool> shown{false};
        std::atomic<bool> finished{false};
        m_input.MoveTo(clickX, clickY);
        m_host.RunFor(kSettleMs);
        const PIXEL_RECT browser = RectOf(browserTag);
        std::thread user(
            [&]
            {
                shown = ChooseFromMenu(m_host.HostWindow(), m_originX, m_originY, browser,
                                       category, preset, before);
                finished = true;
            });
        m_input.Click(clickX, clickY);
        // The host idles as usual; the menu's own loop runs inside one of these idles until
        // the choice ends it. (The user's side gives up after a few seconds, so this ends.)
        while (!finished)
        {
            m_host.RunFor(50);
        }
        user.join();
        m_host.RunFor(kSettleMs);
        return shown;
    }

    void ClickAndSettle(int tag)
    {
        int x = 0;
        int y = 0;
        CentreOf(tag, x, y);
        m_input.Click(x, y);
        m_host.RunFor(kSettleMs);
    }

    CTempDataFolder m_data; // first: the plug-in scans this folder
    std::vector<LIBRARY_ENTRY> m_library;
    std::vector<LIBRARY_ENTRY> m_modLibrary;
    CEditorHost m_host{MORVEX_PLUGIN_PATH};
    CPointerInput m_input;
    int m_originX = 0;
    int m_originY = 0;
};

TEST_F(CPresetBrowserE2ETest, MenuChoosesAFactoryPresetAndTheButtonsStepAndWrap)
{
    EXPECT_EQ(m_host.ProgramName(), "Default Preset");
    const std::vector<float> defaults = m_host.AllParameters();
    CScreenshot before;
    ASSERT_TRUE(before.Capture(m_host.HostDisplay(), m_host.HostWindow()));

    // The second preset of the first category, through the menu.
    ASSERT_TRUE(ChooseWithTheMenu(kTagMainBrowser, 0, 1)) << "the browser's menu did not open";

    EXPECT_EQ(m_host.ProgramName(), m_library[1].name);
    const std::vector<float> chosen = m_host.AllParameters();
    EXPECT_NE(chosen, defaults) << "the preset changed no parameter";
    CScreenshot loaded;
    ASSERT_TRUE(loaded.Capture(m_host.HostDisplay(), m_host.HostWindow()));
    EXPECT_GT(loaded.ChangedPixels(before, RectOf(kTagMainBrowser)), 30) << "name not redrawn";

    // Next crosses into the second category, goes on to its last preset, then wraps to the
    // first; previous wraps back to the last.
    struct STEP
    {
        int button;
        size_t expected;
    };
    const STEP steps[] = {{kTagNextPreset, 2},
                          {kTagNextPreset, 3},
                          {kTagNextPreset, 0},
                          {kTagPrevPreset, 3},
                          {kTagPrevPreset, 2}};
    std::vector<float> previous = chosen;
    for (const STEP& step : steps)
    {
        ClickAndSettle(step.button);
        EXPECT_EQ(m_host.ProgramName(), m_library[step.expected].name)
            << (step.button == kTagNextPreset ? "next" : "previous") << " to "
            << m_library[step.expected].category << "/" << m_library[step.expected].name;
        const std::vector<float> now = m_host.AllParameters();
        EXPECT_NE(now, previous) << m_library[step.expected].name;
        previous = now;
    }
    EXPECT_EQ(CEditorHost::XErrorCount(), 0);
}

TEST_F(CPresetBrowserE2ETest, ModulatorMenuLoadsAPatternAndItsButtonsStepAndWrap)
{
    // The first modulator's section is the one shown when the editor opens.
    const PIXEL_RECT editor = RectOf(kTagMsegEditor);
    ASSERT_GT(editor.width, 0);
    CScreenshot before;
    ASSERT_TRUE(before.Capture(m_host.HostDisplay(), m_host.HostWindow()));
    const std::vector<unsigned char> initial = m_host.Chunk();
    ASSERT_FALSE(initial.empty());

    // The first preset of the second category.
    ASSERT_TRUE(ChooseWithTheMenu(kTagModBrowser, 1, 0)) << "the browser's menu did not open";
    std::vector<unsigned char> chunk = m_host.Chunk();
    EXPECT_NE(chunk, initial);
    EXPECT_TRUE(Contains(chunk, m_modLibrary[2].name + ".mprg")) << m_modLibrary[2].name;
    CScreenshot loaded;
    ASSERT_TRUE(loaded.Capture(m_host.HostDisplay(), m_host.HostWindow()));
    EXPECT_GT(loaded.ChangedPixels(before, editor), 100) << "the pattern editor did not change";
    EXPECT_GT(loaded.ChangedPixels(before, RectOf(kTagModBrowser)), 30) << "name not redrawn";

    struct STEP
    {
        int button;
        size_t expected;
    };
    const STEP steps[] = {{kTagModNextPreset, 3}, {kTagModNextPreset, 0}, {kTagModPrevPreset, 3}};
    CScreenshot previous = loaded;
    for (const STEP& step : steps)
    {
        ClickAndSettle(step.button); // the first modulator's buttons are the rows' own tags
        const std::vector<unsigned char> now = m_host.Chunk();
        const LIBRARY_ENTRY& entry = m_modLibrary[step.expected];
        EXPECT_TRUE(Contains(now, entry.name + ".mprg"))
            << (step.button == kTagModNextPreset ? "next" : "previous") << " to "
            << entry.category << "/" << entry.name;
        EXPECT_NE(now, chunk) << entry.name;
        chunk = now;
        CScreenshot shot;
        ASSERT_TRUE(shot.Capture(m_host.HostDisplay(), m_host.HostWindow()));
        EXPECT_GT(shot.ChangedPixels(previous, editor), 0) << entry.name;
        previous = shot;
    }
    EXPECT_EQ(CEditorHost::XErrorCount(), 0);
}

} // namespace
