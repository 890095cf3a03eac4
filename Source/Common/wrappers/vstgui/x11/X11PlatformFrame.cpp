#include "X11PlatformFrame.h"

#include "X11ErrorTrap.h"
#include "X11Input.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/cursorfont.h>
#include <cairo/cairo-xlib.h>

#include <poll.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <utility>

namespace VSTGUI
{

namespace
{

constexpr double kMinScale = 0.5;
constexpr double kMaxScale = 4.0;
constexpr int kMaxDeviceSize = 16384; // pixels: X allows 32767, cairo images stay sane below this
constexpr int kModalWaitMs = 16;      // one pass of a modal loop at about 60 frames per second
constexpr long kXEmbedMapped = 1;     // XEMBED_MAPPED flag of _XEMBED_INFO
constexpr unsigned int kHeldMask = 0x7; // X buttons 1..3 as bits 0..2

constexpr long kWindowEvents = ExposureMask | ButtonPressMask | ButtonReleaseMask |
                               PointerMotionMask | EnterWindowMask | LeaveWindowMask |
                               StructureNotifyMask;
constexpr unsigned int kGrabEvents =
    ButtonPressMask | ButtonReleaseMask | PointerMotionMask | EnterWindowMask | LeaveWindowMask;

// Byte order of this machine's 32-bit words, as XImage names it.
int NativeByteOrder()
{
    const std::uint32_t probe = 1;
    unsigned char first = 0;
    std::memcpy(&first, &probe, 1);
    return first == 1 ? LSBFirst : MSBFirst;
}

// X font cursor for each toolkit cursor type; the index is the CCursorType value.
unsigned int FontCursorShape(CCursorType type)
{
    switch (type)
    {
    case kCursorWait:
        return XC_watch;
    case kCursorHSize:
        return XC_sb_h_double_arrow;
    case kCursorVSize:
        return XC_sb_v_double_arrow;
    case kCursorSizeAll:
        return XC_fleur;
    case kCursorNESWSize:
        return XC_bottom_left_corner;
    case kCursorNWSESize:
        return XC_bottom_right_corner;
    case kCursorCopy:
        return XC_plus;
    case kCursorNotAllowed:
        return XC_X_cursor;
    case kCursorHand:
        return XC_hand2;
    case kCursorDefault:
    default:
        return XC_left_ptr;
    }
}

} // namespace

std::unique_ptr<CX11PlatformFrame> CX11PlatformFrame::Create(std::unique_ptr<IX11EventSink> sink,
                                                             unsigned long parentWindow,
                                                             double scale, int logicalWidth,
                                                             int logicalHeight)
{
    if (sink == nullptr || parentWindow == 0 || !(scale >= kMinScale && scale <= kMaxScale) ||
        logicalWidth <= 0 || logicalHeight <= 0)
    {
        return nullptr;
    }
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr)
    {
        return nullptr;
    }
    CX11ErrorTrap::Register(display);
    std::unique_ptr<CX11PlatformFrame> frame(
        new CX11PlatformFrame(std::move(sink), display, scale));
    if (!frame->BuildWindow(parentWindow, logicalWidth, logicalHeight))
    {
        return nullptr; // the destructor closes the connection
    }
    return frame;
}

CX11PlatformFrame::CX11PlatformFrame(std::unique_ptr<IX11EventSink> sink, Display* display,
                                     double scale)
    : m_sink(std::move(sink)), m_display(display), m_scale(scale)
{
}

bool CX11PlatformFrame::BuildWindow(unsigned long parentWindow, int logicalWidth,
                                    int logicalHeight)
{
    // A parent id that does not name a window fails here, trapped, instead of later.
    XWindowAttributes parentAttributes{};
    if (XGetWindowAttributes(m_display, parentWindow, &parentAttributes) == 0)
    {
        return false;
    }
    m_parent = parentWindow;
    m_deviceWidth = ToDevice(logicalWidth);
    m_deviceHeight = ToDevice(logicalHeight);

    // The default visual with its colormap and a border pixel, so that the child may differ in
    // depth from a host window with another visual (no BadMatch) and cairo knows the format.
    const int screen = DefaultScreen(m_display);
    XSetWindowAttributes attributes{};
    attributes.event_mask = kWindowEvents;
    attributes.colormap = DefaultColormap(m_display, screen);
    attributes.border_pixel = 0;
    attributes.background_pixmap = None; // no clearing before each copy: no flicker
    m_eventMask = kWindowEvents;
    m_window = XCreateWindow(m_display, m_parent, 0, 0, static_cast<unsigned>(m_deviceWidth),
                             static_cast<unsigned>(m_deviceHeight), 0,
                             DefaultDepth(m_display, screen), InputOutput,
                             DefaultVisual(m_display, screen),
                             CWEventMask | CWColormap | CWBorderPixel | CWBackPixmap, &attributes);
    if (m_window == 0)
    {
        return false;
    }
    // The parent's destruction is our window's too; other clients may watch a window's
    // structure, so this is allowed alongside the host's own selection.
    XSelectInput(m_display, m_parent, StructureNotifyMask);

    // Strict embedders show nothing until the client says it is mapped.
    const Atom xembedInfo = XInternAtom(m_display, "_XEMBED_INFO", False);
    const long info[2] = {0, kXEmbedMapped}; // protocol version 0
    XChangeProperty(m_display, m_window, xembedInfo, xembedInfo, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(info), 2);
    XMapWindow(m_display, m_window);

    // The back buffer's pixels (32-bit 0x00RRGGBB words) are what a TrueColor visual with
    // these masks takes as they are: copied with XPutImage. Any other visual goes through a cairo
    // surface of the window, which converts.
    const Visual* visual = DefaultVisual(m_display, screen);
    const int depth = DefaultDepth(m_display, screen);
    m_directUpload = visual->c_class == TrueColor && (depth == 24 || depth == 32) &&
                     visual->red_mask == 0xFF0000 && visual->green_mask == 0xFF00 &&
                     visual->blue_mask == 0xFF;
    m_gc = XCreateGC(m_display, m_window, 0, nullptr);
    // Hosts move and resize right after effEditOpen: the window must exist on the server now.
    XSync(m_display, False);
    m_alive = CX11ErrorTrap::ErrorCount(m_display) == 0;
    return m_alive;
}

CX11PlatformFrame::~CX11PlatformFrame()
{
    if (m_display == nullptr)
    {
        return;
    }
    if (m_grabbed && m_alive)
    {
        XUngrabPointer(m_display, CurrentTime);
    }
    if (m_backBuffer != nullptr)
    {
        cairo_surface_destroy(m_backBuffer);
        m_backBuffer = nullptr;
    }
    if (m_windowSurface != nullptr)
    {
        // cairo keeps per-connection state in its xlib device: finish it while the connection
        // is still open, or a later connection at the same address finds stale state.
        cairo_device_t* device = cairo_device_reference(cairo_surface_get_device(m_windowSurface));
        cairo_surface_destroy(m_windowSurface);
        m_windowSurface = nullptr;
        if (device != nullptr)
        {
            cairo_device_finish(device);
            cairo_device_destroy(device);
        }
    }
    if (m_gc != nullptr)
    {
        XFreeGC(m_display, m_gc);
        m_gc = nullptr;
    }
    for (Cursor& cursor : m_cursors)
    {
        if (cursor != 0)
        {
            XFreeCursor(m_display, cursor);
            cursor = 0;
        }
    }
    if (m_alive && m_window != 0)
    {
        XDestroyWindow(m_display, m_window);
    }
    // Errors of the requests above (a window destroyed meanwhile) arrive during this sync and
    // the close, both still trapped.
    XSync(m_display, False);
    XCloseDisplay(m_display);
    CX11ErrorTrap::Unregister(m_display);
    m_display = nullptr;
}

double CX11PlatformFrame::getScaleFactor() const
{
    return m_scale;
}

int CX11PlatformFrame::ToDevice(int logical) const
{
    const long device = std::lround(logical * m_scale);
    return static_cast<int>(std::clamp<long>(device, 1, kMaxDeviceSize));
}

bool CX11PlatformFrame::setSize(int logicalWidth, int logicalHeight)
{
    if (!m_alive || logicalWidth <= 0 || logicalHeight <= 0)
    {
        return false;
    }
    m_deviceWidth = ToDevice(logicalWidth);
    m_deviceHeight = ToDevice(logicalHeight);
    XResizeWindow(m_display, m_window, static_cast<unsigned>(m_deviceWidth),
                  static_cast<unsigned>(m_deviceHeight));
    if (m_windowSurface != nullptr)
    {
        cairo_xlib_surface_set_size(m_windowSurface, m_deviceWidth, m_deviceHeight);
    }
    XFlush(m_display);
    return true;
}

void CX11PlatformFrame::processEvents()
{
    if (m_display == nullptr)
    {
        return;
    }
    // Only what has arrived: XPending reads the connection without waiting.
    while (XPending(m_display) > 0)
    {
        XEvent event;
        XNextEvent(m_display, &event);
        Dispatch(event);
    }
    if (m_exposeRight > m_exposeLeft && m_exposeBottom > m_exposeTop)
    {
        CopyExposed();
    }
}

void CX11PlatformFrame::CopyExposed()
{
    const int left = m_exposeLeft;
    const int top = m_exposeTop;
    const int width = m_exposeRight - m_exposeLeft;
    const int height = m_exposeBottom - m_exposeTop;
    m_exposeLeft = m_exposeTop = m_exposeRight = m_exposeBottom = 0;
    if (!m_alive || m_backBuffer == nullptr)
    {
        return; // the frame's first present paints everything
    }
    cairo_surface_flush(m_backBuffer);
    CopyRect(left, top, width, height);
    FinishCopies();
}

void CX11PlatformFrame::Dispatch(XEvent& event)
{
    switch (event.type)
    {
    case Expose:
        if (event.xexpose.window == m_window)
        {
            // Copied once the queue is drained: a burst of exposes becomes one copy.
            const XExposeEvent& expose = event.xexpose;
            if (m_exposeRight <= m_exposeLeft || m_exposeBottom <= m_exposeTop)
            {
                m_exposeLeft = expose.x;
                m_exposeTop = expose.y;
                m_exposeRight = expose.x + expose.width;
                m_exposeBottom = expose.y + expose.height;
            }
            else
            {
                m_exposeLeft = std::min(m_exposeLeft, expose.x);
                m_exposeTop = std::min(m_exposeTop, expose.y);
                m_exposeRight = std::max(m_exposeRight, expose.x + expose.width);
                m_exposeBottom = std::max(m_exposeBottom, expose.y + expose.height);
            }
        }
        break;
    case ButtonPress:
        if (event.xbutton.window == m_window)
        {
            OnButtonPress(event.xbutton);
        }
        break;
    case ButtonRelease:
        if (event.xbutton.window == m_window)
        {
            OnButtonRelease(event.xbutton);
        }
        break;
    case MotionNotify:
        if (event.xmotion.window == m_window)
        {
            OnMotion(event);
        }
        break;
    case LeaveNotify:
        if (event.xcrossing.window == m_window)
        {
            OnLeave(event.xcrossing);
        }
        break;
    case KeyPress:
        if (m_modalDepth > 0)
        {
            const int key = X11Input::VirtualKeyFromKeysym(XLookupKeysym(&event.xkey, 0));
            if (key != kVirtualKeyNone)
            {
                m_sink->OnKeyDown(key);
            }
        }
        break;
    case DestroyNotify:
        if (event.xdestroywindow.window == m_window || event.xdestroywindow.window == m_parent)
        {
            OnDestroyed();
        }
        break;
    default:
        break;
    }
}

void CX11PlatformFrame::OnButtonPress(const XButtonEvent& event)
{
    const CPoint where = X11Input::ToLogical(event.x, event.y, m_scale);
    const long modifiers = X11Input::ModifierFlags(event.state);
    float distance = 0.0f;
    bool horizontal = false;
    if (X11Input::WheelStep(event.button, distance, horizontal))
    {
        m_sink->OnWheel(where, distance, horizontal, modifiers);
        return;
    }
    const long flag = X11Input::ButtonFlag(event.button);
    if (flag == 0)
    {
        return; // extra mouse buttons (8, 9: back / forward) mean nothing here
    }
    // An explicit grab for the whole gesture, so that the drag keeps reporting outside the
    // window even under hosts that passively grab buttons on their own windows.
    if ((m_heldButtons & kHeldMask) == 0 && m_alive)
    {
        m_grabbed = XGrabPointer(m_display, m_window, False, kGrabEvents, GrabModeAsync,
                                 GrabModeAsync, None, None, event.time) == GrabSuccess;
    }
    m_heldButtons |= 1u << (event.button - 1);
    m_sink->OnMouseDown(where, flag | modifiers, static_cast<std::uint32_t>(event.time));
}

void CX11PlatformFrame::OnButtonRelease(const XButtonEvent& event)
{
    const long flag = X11Input::ButtonFlag(event.button);
    if (flag == 0)
    {
        return; // wheel steps were handled on press
    }
    const unsigned int bit = 1u << (event.button - 1);
    if ((m_heldButtons & bit) == 0)
    {
        return; // pressed before our window existed or while another client held the grab
    }
    m_heldButtons &= ~bit;
    const CPoint where = X11Input::ToLogical(event.x, event.y, m_scale);
    m_sink->OnMouseUp(where, flag | X11Input::ModifierFlags(event.state));
    if ((m_heldButtons & kHeldMask) == 0)
    {
        if (m_grabbed && m_alive)
        {
            XUngrabPointer(m_display, event.time);
        }
        m_grabbed = false;
        const bool inside = event.x >= 0 && event.y >= 0 && event.x < m_deviceWidth &&
                            event.y < m_deviceHeight;
        if (!inside)
        {
            m_sink->OnMouseExited(); // the drag ended outside: the pointer has left
        }
    }
}

void CX11PlatformFrame::OnMotion(XEvent& event)
{
    // Only the newest of consecutive moves matters; a release queued after them keeps its place.
    while (XEventsQueued(m_display, QueuedAlready) > 0)
    {
        XEvent next;
        XPeekEvent(m_display, &next);
        if (next.type != MotionNotify || next.xmotion.window != m_window)
        {
            break;
        }
        XNextEvent(m_display, &event);
    }
    const XMotionEvent& motion = event.xmotion;
    const CPoint where = X11Input::ToLogical(motion.x, motion.y, m_scale);
    m_sink->OnMouseMoved(where, X11Input::HeldButtonFlags(motion.state) |
                                    X11Input::ModifierFlags(motion.state));
}

void CX11PlatformFrame::OnLeave(const XCrossingEvent& event)
{
    // Crossings caused by grabs are not the pointer leaving, and during a drag the gesture goes
    // on outside: the release reports the exit instead.
    if (event.mode != NotifyNormal || (m_heldButtons & kHeldMask) != 0)
    {
        return;
    }
    m_sink->OnMouseExited();
}

void CX11PlatformFrame::OnDestroyed()
{
    m_alive = false;
    m_grabbed = false; // a destroyed window's grab ends with it
    m_heldButtons = 0;
    if (!m_goneReported)
    {
        m_goneReported = true;
        m_sink->OnWindowGone();
    }
}

bool CX11PlatformFrame::UploadDirect(int x, int y, int width, int height)
{
    if (cairo_surface_get_type(m_backBuffer) != CAIRO_SURFACE_TYPE_IMAGE)
    {
        return false;
    }
    const cairo_format_t format = cairo_image_surface_get_format(m_backBuffer);
    unsigned char* data = cairo_image_surface_get_data(m_backBuffer);
    if ((format != CAIRO_FORMAT_ARGB32 && format != CAIRO_FORMAT_RGB24) || data == nullptr)
    {
        return false;
    }
    const int bufferWidth = cairo_image_surface_get_width(m_backBuffer);
    const int bufferHeight = cairo_image_surface_get_height(m_backBuffer);
    const int right = std::min(x + width, bufferWidth);
    const int bottom = std::min(y + height, bufferHeight);
    if (right <= x || bottom <= y)
    {
        return true; // outside the back buffer: nothing to copy
    }
    // An image header over the back buffer's own memory: nothing is allocated or converted.
    XImage image{};
    image.width = bufferWidth;
    image.height = bufferHeight;
    image.format = ZPixmap;
    image.data = reinterpret_cast<char*>(data);
    image.byte_order = NativeByteOrder(); // Xlib swaps for a server of the other order
    image.bitmap_unit = 32;
    image.bitmap_bit_order = image.byte_order;
    image.bitmap_pad = 32;
    image.depth = DefaultDepth(m_display, DefaultScreen(m_display));
    image.bytes_per_line = cairo_image_surface_get_stride(m_backBuffer);
    image.bits_per_pixel = 32;
    image.red_mask = 0xFF0000;
    image.green_mask = 0xFF00;
    image.blue_mask = 0xFF;
    if (XInitImage(&image) == 0)
    {
        return false;
    }
    XPutImage(m_display, m_window, m_gc, &image, x, y, x, y, static_cast<unsigned>(right - x),
              static_cast<unsigned>(bottom - y));
    return true;
}

void CX11PlatformFrame::CopyRect(int x, int y, int width, int height)
{
    if (m_backBuffer == nullptr || width <= 0 || height <= 0)
    {
        return;
    }
    if (m_directUpload && UploadDirect(x, y, width, height))
    {
        return;
    }
    if (m_windowSurface == nullptr)
    {
        // First copy that needs conversion: a cairo surface of the window does it.
        const int screen = DefaultScreen(m_display);
        m_windowSurface = cairo_xlib_surface_create(
            m_display, m_window, DefaultVisual(m_display, screen), m_deviceWidth, m_deviceHeight);
    }
    cairo_t* context = cairo_create(m_windowSurface);
    cairo_rectangle(context, x, y, width, height);
    cairo_clip(context);
    cairo_set_operator(context, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_surface(context, m_backBuffer, 0, 0);
    cairo_paint(context);
    cairo_destroy(context);
}

void CX11PlatformFrame::FinishCopies()
{
    if (m_windowSurface != nullptr)
    {
        cairo_surface_flush(m_windowSurface);
    }
    XFlush(m_display);
}

void CX11PlatformFrame::present(const CRect* logicalRects, int count, void* backBufferSurface)
{
    auto* backBuffer = static_cast<cairo_surface_t*>(backBufferSurface);
    if (backBuffer != m_backBuffer)
    {
        // Kept for expose events between presents; the frame may replace it on resize.
        if (backBuffer != nullptr)
        {
            cairo_surface_reference(backBuffer);
        }
        if (m_backBuffer != nullptr)
        {
            cairo_surface_destroy(m_backBuffer);
        }
        m_backBuffer = backBuffer;
    }
    if (!m_alive || m_backBuffer == nullptr || logicalRects == nullptr || count <= 0)
    {
        return;
    }
    cairo_surface_flush(m_backBuffer); // drawing done through other cairo contexts is complete
    for (int i = 0; i < count; ++i)
    {
        const CRect& rect = logicalRects[i];
        // Outwards to whole device pixels: a half-covered pixel is copied rather than lost.
        const int left = std::max(0, static_cast<int>(std::floor(rect.left * m_scale)));
        const int top = std::max(0, static_cast<int>(std::floor(rect.top * m_scale)));
        const int right = std::min(m_deviceWidth, static_cast<int>(std::ceil(rect.right * m_scale)));
        const int bottom =
            std::min(m_deviceHeight, static_cast<int>(std::ceil(rect.bottom * m_scale)));
        CopyRect(left, top, right - left, bottom - top);
    }
    FinishCopies();
}

bool CX11PlatformFrame::runModalLoop(bool (*keepRunning)(void*), void* context)
{
    if (keepRunning == nullptr || m_display == nullptr)
    {
        return false;
    }
    // Keys only while the loop runs (a menu's Escape, Return and arrows); otherwise they stay
    // the host's: our window would take them from the host whenever the pointer is over it.
    if (m_modalDepth++ == 0 && m_alive)
    {
        XSelectInput(m_display, m_window, m_eventMask | KeyPressMask);
    }
    bool endedByCaller = false;
    while (true)
    {
        processEvents();
        if (!m_alive)
        {
            break;
        }
        if (!keepRunning(context))
        {
            endedByCaller = true;
            break;
        }
        m_sink->OnModalIdle();
        if (!m_alive)
        {
            break;
        }
        XFlush(m_display);
        if (XPending(m_display) == 0)
        {
            pollfd connection{ConnectionNumber(m_display), POLLIN, 0};
            poll(&connection, 1, kModalWaitMs);
        }
    }
    if (--m_modalDepth == 0 && m_alive)
    {
        XSelectInput(m_display, m_window, m_eventMask);
        XFlush(m_display);
    }
    return endedByCaller;
}

void CX11PlatformFrame::setCursor(CCursorType type)
{
    // The editor asks on every move: only a change reaches the server.
    if (!m_alive || static_cast<int>(type) == m_cursorType)
    {
        return;
    }
    const int index = static_cast<int>(type);
    if (index < 0 || index >= kCursorCacheSize)
    {
        return;
    }
    if (m_cursors[index] == 0)
    {
        m_cursors[index] = XCreateFontCursor(m_display, FontCursorShape(type));
    }
    XDefineCursor(m_display, m_window, m_cursors[index]);
    XFlush(m_display);
    m_cursorType = index;
}

bool CX11PlatformFrame::getCurrentMouseLocation(CPoint& where)
{
    if (!m_alive)
    {
        return false;
    }
    Window root = 0;
    Window child = 0;
    int rootX = 0;
    int rootY = 0;
    int windowX = 0;
    int windowY = 0;
    unsigned int state = 0;
    // False when the pointer is on another screen: then the coordinates mean nothing.
    if (XQueryPointer(m_display, m_window, &root, &child, &rootX, &rootY, &windowX, &windowY,
                      &state) == False)
    {
        return false;
    }
    where = X11Input::ToLogical(windowX, windowY, m_scale);
    return true;
}

bool CX11PlatformFrame::isWindowAlive() const
{
    return m_alive;
}

} // namespace VSTGUI
