// The seam between the frame and the window system. The frame owns one IPlatformFrame while it
// is open: the X11 window (x11/) for a real editor, COffscreenPlatformFrame for tests and
// screenshots. Everything here runs on the UI thread.
#pragma once

#include "Geometry.h"
#include "Types.h"

namespace VSTGUI
{

class IPlatformFrame
{
public:
    virtual ~IPlatformFrame() = default;

    virtual double getScaleFactor() const = 0;
    // Resizes the native window to logical width x height. False when it cannot.
    virtual bool setSize(int logicalWidth, int logicalHeight) = 0;
    // Drains pending events without blocking and feeds them to the frame's platformOn*() calls.
    virtual void processEvents() = 0;
    // Copies the given logical rectangles of the back buffer (a cairo_surface_t* of device
    // size) to the window.
    virtual void present(const CRect* logicalRects, int count, void* backBufferSurface) = 0;
    // Nested event loop for a pop-up: processes events and lets the frame paint (call
    // CFrame::platformOnModalIdle) until keepRunning(context) answers false or the window is
    // gone. False when no loop can run (the pop-up then closes without a choice).
    virtual bool runModalLoop(bool (*keepRunning)(void*), void* context) = 0;
    virtual void setCursor(CCursorType type) = 0;
    // Pointer position in logical frame coordinates; false when unknown.
    virtual bool getCurrentMouseLocation(CPoint& where) = 0;
    virtual bool isWindowAlive() const = 0;
};

// Implemented by the x11 part: creates the child window of `parentNativeWindow` (an X window
// id) for `frame`; null when there is no display or the parent is unusable.
IPlatformFrame* CreateX11PlatformFrame(CFrame* frame, void* parentNativeWindow, double scale,
                                       int logicalWidth, int logicalHeight);
// x11 part: Xft.dpi / 96 rounded to 1, 1.5 or 2 (1 without a display).
double GetDesktopScaleFactor();
// x11 part: height of the default screen in pixels, 0 without a display.
int GetDesktopScreenHeight();

} // namespace VSTGUI
