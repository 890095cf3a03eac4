// The fallback dialog on a private Xvfb: the user, on a thread and connections of its own,
// finds its window and plays with XTest while the dialog's own loop runs.
#include "Platform/Linux/X11Dialog.h"

// XvfbTest.h (gtest) before the X headers: X.h defines None, a name gtest uses.
#include "XvfbTest.h"

#include "PointerInput.h"
#include "Screenshot.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

namespace
{

// Waits (up to 5 s) for a mapped top-level window titled `title`; 0 when none came.
Window WaitForWindow(Display* display, const std::string& title)
{
    for (int attempt = 0; attempt < 250; ++attempt)
    {
        Window root = 0, parent = 0, found = 0;
        Window* children = nullptr;
        unsigned count = 0;
        XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count);
        for (unsigned i = 0; i < count && found == 0; ++i)
        {
            char* name = nullptr;
            XWindowAttributes attributes;
            if (XFetchName(display, children[i], &name) && title == name &&
                XGetWindowAttributes(display, children[i], &attributes) &&
                attributes.map_state == IsViewable)
                found = children[i];
            XFree(name);
        }
        XFree(children);
        // The dialog takes the focus once it sees itself mapped.
        std::this_thread::sleep_for(std::chrono::milliseconds(found != 0 ? 100 : 20));
        if (found != 0)
            return found;
    }
    return 0;
}

// What the user can do to the dialog's window.
struct USER
{
    Display* display;
    Window window;
    CPointerInput& input;

    // A left click at `x`, `y` counted from the window's bottom right corner.
    void ClickFromBottomRight(int x, int y)
    {
        XWindowAttributes attributes;
        XGetWindowAttributes(display, window, &attributes);
        int rootX = 0, rootY = 0;
        Window child = 0;
        XTranslateCoordinates(display, window, DefaultRootWindow(display), attributes.width - x,
                              attributes.height - y, &rootX, &rootY, &child);
        input.Click(rootX, rootY);
    }

    // The window manager's close button.
    void Close()
    {
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = window;
        event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
        event.xclient.format = 32;
        event.xclient.data.l[0] =
            static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
        XSendEvent(display, window, False, NoEventMask, &event);
        XSync(display, False);
    }
};

class X11DialogTest : public CXvfbTest
{
protected:
    // Runs `play` as the user on another thread while `dialog` runs here; a dialog that ignored
    // the user is closed, so that the test ends.
    template <typename DIALOG>
    auto WithUser(const std::string& title, const std::function<void(USER&)>& play, DIALOG dialog)
    {
        std::atomic<bool> answered{false};
        std::thread user(
            [&]
            {
                Display* display = XOpenDisplay(nullptr);
                CPointerInput input;
                std::string error;
                EXPECT_TRUE(input.Open(error)) << error;
                USER person{display, WaitForWindow(display, title), input};
                EXPECT_NE(person.window, 0u) << "no window titled " << title;
                if (person.window != 0)
                {
                    play(person);
                    for (int i = 0; i < 300 && !answered; ++i)
                        std::this_thread::sleep_for(std::chrono::milliseconds(10));
                    EXPECT_TRUE(answered) << "the dialog did not answer";
                    if (!answered)
                        person.Close();
                }
                XCloseDisplay(display);
            });
        const auto answer = dialog();
        answered = true;
        user.join();
        return answer;
    }

    CX11Dialog m_dialog;
};

} // namespace

TEST_F(X11DialogTest, TheFieldIsEditedWithTheKeyboardAndReturnConfirms)
{
    std::string path;
    const bool confirmed = WithUser(
        "Save File",
        [](USER& user)
        {
            for (const char* key : {"BackSpace", "BackSpace", "BackSpace", "BackSpace", // ".prg"
                                    "Home", "Delete", "End", "x", "Return"})
            {
                user.input.Tap(key);
            }
        },
        [&] { return m_dialog.AskForPath("Save File", "/User/Lead.prg", path); });
    EXPECT_TRUE(confirmed);
    EXPECT_EQ(path, "User/Leadx");
}

TEST_F(X11DialogTest, EscapeAndTheCloseButtonCancel)
{
    std::string path = "unchanged";
    EXPECT_FALSE(WithUser(
        "Open File", [](USER& user) { user.input.Tap("Escape"); },
        [&] { return m_dialog.AskForPath("Open File", "/maps/", path); }));
    EXPECT_FALSE(WithUser(
        "Replace File", [](USER& user) { user.Close(); },
        [&] { return m_dialog.ShowMessage("Replace File", "Replace it?", true); }));
    EXPECT_EQ(path, "unchanged");
    // Without "Cancel", closing the alert means it was read.
    EXPECT_TRUE(WithUser(
        "Note", [](USER& user) { user.Close(); },
        [&] { return m_dialog.ShowMessage("Note", "Read me", false); }));
}

TEST_F(X11DialogTest, TheAlertsButtonsAnswerAndTheWindowIsInTheDarkTheme)
{
    // Buttons 92 x 30, 20 from the window's edges, 12 apart: "OK" at the right, "Cancel" left
    // of it.
    std::uint32_t background = 0;
    EXPECT_FALSE(WithUser(
        "File cannot be saved",
        [&](USER& user)
        {
            CScreenshot shot;
            shot.Capture(user.display, user.window);
            background = shot.Pixel(3, 3);
            user.ClickFromBottomRight(20 + 92 + 12 + 46, 20 + 15);
        },
        [&] { return m_dialog.ShowMessage("File cannot be saved", "Check the folder.", true); }));
    EXPECT_EQ(background, 0x25292Fu);
    EXPECT_TRUE(WithUser(
        "File cannot be saved", [](USER& user) { user.ClickFromBottomRight(20 + 46, 20 + 15); },
        [&] { return m_dialog.ShowMessage("File cannot be saved", "Check the folder.", true); }));
}
