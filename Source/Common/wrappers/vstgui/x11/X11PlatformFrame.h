// The frame's window on X11: a child window of the host's window on a connection of its own,
// events drained without blocking from the host's idle calls, and the frame's back buffer
// copied to the window only where it changed: with XPutImage straight from the back buffer's
// memory on the usual 24-bit TrueColor screens, through a cairo xlib surface (which converts)
// on others. Exposed areas are copied from the back buffer without asking the frame to paint.
//
// Sizes handed in are logical; the window is logical x scale device pixels, and pointer
// positions are divided by the scale on the way back. Safe to destroy in any order with the
// host's window: a window destroyed under us is noticed (DestroyNotify of ours or of the
// parent), reported once, and never touched again; X errors on our connection are trapped
// (CX11ErrorTrap). UI thread only: every Xlib and cairo call happens on the thread that
// created the frame.
#pragma once

#include "X11EventSink.h"
#include "vstgui/PlatformFrame.h"

#include <X11/Xlib.h>
#include <cairo/cairo.h>

#include <memory>

namespace VSTGUI
{

class CX11PlatformFrame : public IPlatformFrame
{
public:
    // Opens a connection to the display named by $DISPLAY, creates the window inside
    // `parentWindow` (an X window id) at 0,0 with logical size x scale, maps it and publishes
    // it as mapped for XEmbed. Null when there is no display, the parent does not exist, a size
    // is not positive, or the scale is not in 0.5 .. 4.
    static std::unique_ptr<CX11PlatformFrame> Create(std::unique_ptr<IX11EventSink> sink,
                                                     unsigned long parentWindow, double scale,
                                                     int logicalWidth, int logicalHeight);
    ~CX11PlatformFrame() override;
    CX11PlatformFrame(const CX11PlatformFrame&) = delete;
    CX11PlatformFrame& operator=(const CX11PlatformFrame&) = delete;

    double getScaleFactor() const override;
    bool setSize(int logicalWidth, int logicalHeight) override;
    void processEvents() override;
    void present(const CRect* logicalRects, int count, void* backBufferSurface) override;
    bool runModalLoop(bool (*keepRunning)(void*), void* context) override;
    void setCursor(CCursorType type) override;
    bool getCurrentMouseLocation(CPoint& where) override;
    bool isWindowAlive() const override;

    // The X window id of the frame's window (0 once it is gone) and its connection, for tests
    // and for a host that asks.
    unsigned long GetWindow() const
    {
        return m_alive ? m_window : 0;
    }
    Display* GetDisplay() const
    {
        return m_display;
    }
    // Size of the window in device pixels.
    int GetDeviceWidth() const
    {
        return m_deviceWidth;
    }
    int GetDeviceHeight() const
    {
        return m_deviceHeight;
    }

private:
    static constexpr int kCursorCacheSize = 16;

    CX11PlatformFrame(std::unique_ptr<IX11EventSink> sink, Display* display, double scale);
    bool BuildWindow(unsigned long parentWindow, int logicalWidth, int logicalHeight);
    void Dispatch(XEvent& event);
    void OnButtonPress(const XButtonEvent& event);
    void OnButtonRelease(const XButtonEvent& event);
    void OnMotion(XEvent& event);
    void OnLeave(const XCrossingEvent& event);
    void OnDestroyed();
    // Copies a device rectangle of the last back buffer to the window (no flush): directly
    // with XPutImage where the visual takes the back buffer's pixels as they are, else through
    // a cairo surface of the window.
    void CopyRect(int x, int y, int width, int height);
    bool UploadDirect(int x, int y, int width, int height);
    // Sends what the copies queued.
    void FinishCopies();
    // Copies the area exposed since the last call from the back buffer and flushes.
    void CopyExposed();
    int ToDevice(int logical) const;

    std::unique_ptr<IX11EventSink> m_sink;
    Display* m_display = nullptr;
    Window m_window = 0;
    Window m_parent = 0;
    double m_scale = 1.0;
    int m_deviceWidth = 0; // pixels
    int m_deviceHeight = 0;
    bool m_alive = false;
    bool m_goneReported = false;
    GC m_gc = nullptr;
    bool m_directUpload = false;             // XPutImage of the back buffer's memory
    cairo_surface_t* m_windowSurface = nullptr; // made on the first copy that needs conversion
    cairo_surface_t* m_backBuffer = nullptr; // one reference, the last surface presented
    unsigned int m_heldButtons = 0;          // bit n-1 for X button n (1..3)
    bool m_grabbed = false;
    int m_modalDepth = 0;
    long m_eventMask = 0;
    int m_cursorType = -1;
    // Union of the areas the server asked for again (device pixels; empty when right <= left).
    int m_exposeLeft = 0;
    int m_exposeTop = 0;
    int m_exposeRight = 0;
    int m_exposeBottom = 0;
    Cursor m_cursors[kCursorCacheSize] = {};
};

} // namespace VSTGUI
