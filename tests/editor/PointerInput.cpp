#include "PointerInput.h"

#include <X11/extensions/XTest.h>

CPointerInput::~CPointerInput()
{
    if (m_display != nullptr)
        XCloseDisplay(m_display);
}

bool CPointerInput::Open(std::string& error)
{
    error.clear();
    m_display = XOpenDisplay(nullptr);
    int unused = 0;
    if (m_display == nullptr)
        error = "cannot open the X display for input";
    else if (XTestQueryExtension(m_display, &unused, &unused, &unused, &unused) == False)
        error = "the X server has no XTest extension";
    return error.empty();
}

void CPointerInput::MoveTo(int rootX, int rootY)
{
    XTestFakeMotionEvent(m_display, DefaultScreen(m_display), rootX, rootY, CurrentTime);
    XSync(m_display, False);
}

void CPointerInput::Press(unsigned int button)
{
    XTestFakeButtonEvent(m_display, button, True, CurrentTime);
    XSync(m_display, False);
}

void CPointerInput::Release(unsigned int button)
{
    XTestFakeButtonEvent(m_display, button, False, CurrentTime);
    XSync(m_display, False);
}

void CPointerInput::Click(int rootX, int rootY, unsigned int button)
{
    MoveTo(rootX, rootY);
    Press(button);
    Release(button);
}

void CPointerInput::Key(const char* keysymName, bool down)
{
    const KeyCode code = XKeysymToKeycode(m_display, XStringToKeysym(keysymName));
    if (code != 0)
    {
        XTestFakeKeyEvent(m_display, code, down ? True : False, CurrentTime);
        XSync(m_display, False);
    }
}

void CPointerInput::Tap(const char* keysymName)
{
    Key(keysymName, true);
    Key(keysymName, false);
}
