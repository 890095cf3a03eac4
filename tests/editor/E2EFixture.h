// Base of the Morvex editor's end-to-end tests: the built plug-in in our host on a private Xvfb,
// a fresh data folder, the editor open and drawn, XTest input. With no window manager the host
// window sits at the screen's corner: logical pixels at scale 1 are screen pixels.
#pragma once

#include "XvfbTest.h"

#include "EditorHost.h"
#include "Gui/EditorLayout.h"
#include "PointerInput.h"
#include "Screenshot.h"
#include "support/TempDataFolder.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>

class CMorvexE2ETest : public CXvfbTest
{
protected:
    static constexpr int kOpenTimeoutMs = 5000;
    static constexpr int kSettleMs = 150;
    static constexpr int kAwayX = 2390; // a screen point beyond the editor, also at scale 2
    static constexpr int kAwayY = 1790;

    void SetUp() override
    {
        CXvfbTest::SetUp();
        std::string error;
        ASSERT_TRUE(m_input.Open(error)) << error;
        m_input.MoveTo(kAwayX, kAwayY);
        ASSERT_TRUE(m_host.Load(error)) << error;
        ASSERT_TRUE(m_host.OpenEditor(error)) << error;
        ASSERT_TRUE(m_host.RunUntilDrawn(kOpenTimeoutMs)) << "no editor window appeared";
    }

    static PIXEL_RECT ToPixels(const LAYOUT_RECT& rect)
    {
        return PIXEL_RECT{rect.x, rect.y, rect.width, rect.height};
    }
    // A layout row's rectangle in window mode `mode`; empty when there is none.
    static PIXEL_RECT Rect(int idOrTag, int mode = kWindowNormal)
    {
        const LAYOUT_CONTROL* row = FindLayoutControl(mode, idOrTag);
        return row != nullptr ? ToPixels(row->rect) : PIXEL_RECT{};
    }

    void Click(int x, int y)
    {
        m_input.MoveTo(x, y);
        m_host.RunFor(kSettleMs);
        m_input.Click(x, y);
        m_host.RunFor(kSettleMs);
    }

    // A press of `button` at (x0, y0), moves in twelve steps to (x1, y1), a release there.
    void Drag(int x0, int y0, int x1, int y1, unsigned int button = 1)
    {
        constexpr int kSteps = 12;
        m_input.MoveTo(x0, y0);
        m_host.RunFor(25);
        m_input.Press(button);
        for (int step = 1; step <= kSteps; ++step)
        {
            m_host.RunFor(25);
            m_input.MoveTo(x0 + (x1 - x0) * step / kSteps, y0 + (y1 - y0) * step / kSteps);
        }
        m_host.RunFor(25);
        m_input.Release(button);
        m_host.RunFor(kSettleMs);
    }

    CScreenshot Capture()
    {
        m_host.RunFor(kSettleMs);
        CScreenshot shot;
        EXPECT_TRUE(shot.Capture(m_host.HostDisplay(), m_host.HostWindow()));
        return shot;
    }

    // Clicks (x, y), which opens a menu. The plug-in holds the host's thread in the menu's own
    // loop, so the user's side runs on a thread of its own: it waits (up to 5 s) for the menu,
    // does `act` with its own input, then presses Escape until the host's idles go on again
    // (they do once the menu's loop has ended). False when no menu appeared.
    bool RunMenu(int x, int y, const std::function<void(CPointerInput&)>& act)
    {
        m_input.MoveTo(x, y);
        const CScreenshot hovered = Capture();
        const Window window = m_host.HostWindow();
        bool shown = false;
        std::atomic<int> idles{0};
        std::atomic<bool> finished{false};
        std::thread user(
            [&]
            {
                Display* display = XOpenDisplay(nullptr);
                CPointerInput input;
                std::string error;
                const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
                CScreenshot now;
                const bool ready = display != nullptr && input.Open(error);
                while (ready && !shown && std::chrono::steady_clock::now() < deadline)
                {
                    std::this_thread::sleep_for(std::chrono::milliseconds(100));
                    shown = now.Capture(display, window) && now.ChangedPixels(hovered) > 500;
                }
                if (shown)
                    act(input);
                for (int attempt = 0; ready && attempt < 5; ++attempt)
                {
                    const int seen = idles;
                    for (int wait = 0; wait < 20 && idles <= seen + 1; ++wait)
                        std::this_thread::sleep_for(std::chrono::milliseconds(50));
                    if (idles > seen + 1)
                        break;
                    input.Tap("Escape");
                }
                if (display != nullptr)
                    XCloseDisplay(display);
                finished = true;
            });
        m_input.Click(x, y);
        while (!finished)
        {
            m_host.RunFor(50);
            ++idles;
        }
        user.join();
        m_host.RunFor(kSettleMs);
        return shown;
    }

    CTempDataFolder m_data; // first: the plug-in reads this folder when it loads
    CEditorHost m_host{MORVEX_PLUGIN_PATH};
    CPointerInput m_input;
};
