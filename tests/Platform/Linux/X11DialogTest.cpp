// The fallback dialog on a private Xvfb: a second connection finds its window
// and plays the user with XTest while the dialog's own loop runs.
#include "Platform/Linux/X11Dialog.h"

#include "XvfbTest.h"

#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

namespace
{
// The user at the keyboard and mouse, on a connection of its own (one thread
// per connection).
class CUser
{
public:
    CUser() : m_display(XOpenDisplay(nullptr)) {}
    ~CUser()
    {
        if (m_display)
            XCloseDisplay(m_display);
    }
    CUser(const CUser&) = delete;
    CUser& operator=(const CUser&) = delete;

    // Waits (up to 5 s) for a mapped top-level window titled `title`.
    bool WaitForWindow(const std::string& title)
    {
        for (int attempt = 0; m_display && attempt < 250; ++attempt)
        {
            Window root = 0;
            Window parent = 0;
            Window* children = nullptr;
            unsigned count = 0;
            XQueryTree(m_display, DefaultRootWindow(m_display), &root, &parent, &children, &count);
            for (unsigned i = 0; i < count && !m_window; ++i)
            {
                char* name = nullptr;
                XWindowAttributes attributes;
                if (XFetchName(m_display, children[i], &name) && name && title == name &&
                    XGetWindowAttributes(m_display, children[i], &attributes) &&
                    attributes.map_state == IsViewable)
                    m_window = children[i];
                if (name)
                    XFree(name);
            }
            if (children)
                XFree(children);
            if (m_window)
            {
                // The dialog takes the focus once it sees itself mapped.
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    }

    void Key(KeySym keysym)
    {
        const KeyCode code = XKeysymToKeycode(m_display, keysym);
        XTestFakeKeyEvent(m_display, code, True, CurrentTime);
        XTestFakeKeyEvent(m_display, code, False, CurrentTime);
        XSync(m_display, False);
    }

    // A left click at `x`, `y` counted from the window's bottom right corner.
    void ClickFromBottomRight(int x, int y)
    {
        XWindowAttributes attributes;
        XGetWindowAttributes(m_display, m_window, &attributes);
        int rootX = 0;
        int rootY = 0;
        Window child = 0;
        XTranslateCoordinates(m_display, m_window, DefaultRootWindow(m_display),
                              attributes.width - x, attributes.height - y, &rootX, &rootY, &child);
        XTestFakeMotionEvent(m_display, -1, rootX, rootY, CurrentTime);
        XTestFakeButtonEvent(m_display, 1, True, CurrentTime);
        XTestFakeButtonEvent(m_display, 1, False, CurrentTime);
        XSync(m_display, False);
    }

    // The window manager's close button.
    void Close()
    {
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = m_window;
        event.xclient.message_type = XInternAtom(m_display, "WM_PROTOCOLS", False);
        event.xclient.format = 32;
        event.xclient.data.l[0] =
            static_cast<long>(XInternAtom(m_display, "WM_DELETE_WINDOW", False));
        XSendEvent(m_display, m_window, False, NoEventMask, &event);
        XSync(m_display, False);
    }

    // The colour of the window's pixel at `x`, `y` as 0xRRGGBB.
    unsigned long Pixel(int x, int y)
    {
        XImage* image = XGetImage(m_display, m_window, x, y, 1, 1, AllPlanes, ZPixmap);
        if (!image)
            return 0;
        const unsigned long pixel = XGetPixel(image, 0, 0) & 0xFFFFFF;
        XDestroyImage(image);
        return pixel;
    }

private:
    Display* m_display;
    Window m_window = 0;
};

class X11DialogTest : public CXvfbTest
{
protected:
    // Runs `play` as the user on another thread while `dialog` runs here.
    template <typename DIALOG>
    auto WithUser(const std::string& title, const std::function<void(CUser&)>& play, DIALOG dialog)
    {
        std::atomic<bool> answered{false};
        std::thread user(
            [&]
            {
                CUser person;
                if (!person.WaitForWindow(title))
                {
                    ADD_FAILURE() << "no window titled " << title;
                    return;
                }
                play(person);
                // A dialog that ignored the user is closed, so that the test ends.
                for (int i = 0; i < 300 && !answered; ++i)
                    std::this_thread::sleep_for(std::chrono::milliseconds(10));
                if (!answered)
                {
                    ADD_FAILURE() << "the dialog did not answer";
                    person.Close();
                }
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
        [](CUser& user)
        {
            for (int i = 0; i < 4; ++i) // ".prg"
                user.Key(XK_BackSpace);
            user.Key(XK_Home);
            user.Key(XK_Delete); // the leading "/"
            user.Key(XK_End);
            user.Key(XK_x);
            user.Key(XK_Return);
        },
        [&] { return m_dialog.AskForPath("Save File", "/User/Lead.prg", path); });
    EXPECT_TRUE(confirmed);
    EXPECT_EQ(path, "User/Leadx");
}

TEST_F(X11DialogTest, EscapeAndTheCloseButtonCancel)
{
    std::string path = "unchanged";
    EXPECT_FALSE(WithUser(
        "Open File", [](CUser& user) { user.Key(XK_Escape); },
        [&] { return m_dialog.AskForPath("Open File", "/maps/", path); }));
    EXPECT_FALSE(WithUser(
        "Replace File", [](CUser& user) { user.Close(); },
        [&] { return m_dialog.ShowMessage("Replace File", "Replace it?", true); }));
    EXPECT_EQ(path, "unchanged");
    // Without "Cancel", closing the alert means it was read.
    EXPECT_TRUE(WithUser(
        "Note", [](CUser& user) { user.Close(); },
        [&] { return m_dialog.ShowMessage("Note", "Read me", false); }));
}

TEST_F(X11DialogTest, TheAlertsButtonsAnswerAndTheWindowIsInTheDarkTheme)
{
    // Buttons 92 x 30, 20 from the window's edges, 12 apart: "OK" at the right,
    // "Cancel" left of it.
    unsigned long background = 0;
    EXPECT_FALSE(WithUser(
        "File cannot be saved",
        [&](CUser& user)
        {
            background = user.Pixel(3, 3);
            user.ClickFromBottomRight(20 + 92 + 12 + 46, 20 + 15);
        },
        [&] { return m_dialog.ShowMessage("File cannot be saved", "Check the folder.", true); }));
    EXPECT_EQ(background, 0x25292FUL);
    EXPECT_TRUE(WithUser(
        "File cannot be saved", [](CUser& user) { user.ClickFromBottomRight(20 + 46, 20 + 15); },
        [&] { return m_dialog.ShowMessage("File cannot be saved", "Check the folder.", true); }));
}
