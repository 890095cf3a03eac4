// Keeps X protocol errors on the editor's own connections from reaching Xlib's default
// handler, which prints and ends the host process. A window can vanish under us at any time
// (the host destroys its window before closing the editor), so errors such as BadWindow or
// BadDrawable on our connections are expected and only counted.
//
// XSetErrorHandler is process-wide. Our handler is installed while at least one of our
// connections is registered and chains every error on another connection to the handler that
// was installed before it. When the last connection is released the previous handler comes
// back, unless someone installed another one on top of ours meanwhile (it may chain to ours,
// so ours then stays). Any thread; the registry is guarded by a mutex.
#pragma once

#include <X11/Xlib.h>

namespace VSTGUI
{

class CX11ErrorTrap
{
public:
    // Starts trapping errors of `display` (a connection we opened). Installs the handler when
    // it is the first registered connection.
    static void Register(Display* display);
    // Stops trapping errors of `display`; call after XCloseDisplay so that the errors of the
    // final sync are still trapped.
    static void Unregister(Display* display);

    // Errors trapped on `display` since it was registered, and the code of the last one
    // (BadWindow, BadDrawable ...; 0 when none). 0 for a connection that is not registered.
    static int ErrorCount(Display* display);
    static int LastErrorCode(Display* display);

    // Number of registered connections (for the tests: 0 once every frame is closed).
    static int RegisteredCount();

private:
    static int HandleError(Display* display, XErrorEvent* error);
};

} // namespace VSTGUI
