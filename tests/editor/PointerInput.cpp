#include "PointerInput.h"

#include <X11/extensions/XTest.h>

CPointerInput::~CPointerInput()
{
    if (m_display != nullptr)
    {
        XCloseDisplay(m_display);
    }
}

bool CPointerInput::Open(std::string& error)
{
    m_display = XOpenDisplay(nullptr);
    if (m_display == nullptr)
    {
        error = "cannot open the X display for input";
        return false;
    }
    int eventBase = 0;
    int errorBase = 0;
    int major = 0;
    int minor = 0;
    if (XTestQueryExtension(m_display, &eventBase, &errorBase, &major, &minor) == False)
    {
        error = "the X server has no XTest extension";
        return false;
    }
    return true;
}

void CPointerInput::Sync()
{
    XSync(m_display, False);
}

void CPointerInput::MoveTo(int rootX, int rootY)
{
    XTestFakeMotionEvent(m_display, DefaultScreen(m_display), rootX, rootY, CurrentTime);
    Sync();
}

void CPointerInput::Press(unsigned int button)
{
    XTestFakeButtonEvent(m_display, button, True, CurrentTime);
    Sync();
}

void CPointerInput::Release(unsigned int button)
{
    XTestFakeButtonEvent(m_display, button, False, CurrentTime);
    Sync();
}

void CPointerInput::Click(int rootX, int rootY, unsigned int button)
{
    MoveTo(rootX, rootY);
    Press(button);
    Release(button);
}

void CPointerInput::Key(const char* keysymName, bool down)
{
    const KeySym keysym = XStringToKeysym(keysymName);
    const KeyCode code = XKeysymToKeycode(m_display, keysym);
    if (code != 0)
    {
        XTestFakeKeyEvent(m_display, code, down ? True : False, CurrentTime);
        Sync();
    }
}
