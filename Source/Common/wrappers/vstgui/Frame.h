// The root of a view tree: a view container shown in a window (open) or offscreen
// (openOffscreen), painted into one back buffer and driven by idle().
//
// idle() (UI thread; the host's editor idle): the platform drains its events without blocking
// -> due timers fire -> dirty views become dirty rectangles -> at most one paint of the merged
// dirty rectangles into the back buffer -> the platform copies just those rectangles to the
// window. Nothing dirty costs a counter comparison: no walk, no paint, no allocation.
//
// The back buffer is one cairo image surface of logical size x scale device pixels, kept for
// the frame's life and recreated only by setSize. Dirty rectangles: two merge when the area
// of their union is not larger than the sum of their areas; beyond 16 all are united.
//
// Menus (COptionMenu::takeFocus) run as a modal session: the frame draws the pop-up itself on
// top of everything and routes all mouse events to it until it closes.
//
// Threads: UI thread only, except what CView allows from any thread (setDirty).
#pragma once

#include "PlatformFrame.h"
#include "ViewContainer.h"

#include <cstdint>
#include <deque>
#include <vector>

namespace VSTGUI
{

class COptionMenu;
class CMenuOverlay;
class IMouseObserver;
class VSTGUIEditorInterface;

// A test's scripted input for an offscreen frame (queueSyntheticEvent).
struct CSyntheticEvent
{
    enum Type
    {
        kMouseDown = 0,
        kMouseMoved,
        kMouseUp,
        kWheel,
        kKeyDown,  // key: a CVirtualKey
        kCallback, // calls callback(frame, userData) from inside the loop (screenshots)
    };
    Type type = kMouseMoved;
    CPoint where;             // frame coordinates
    long buttons = 0;         // button and modifier flags
    std::uint32_t timeMs = 0; // press time for double-click detection (0: the frame's clock)
    float distance = 0.f;     // wheel
    bool horizontal = false;  // wheel axis
    int key = kVirtualKeyNone;
    void (*callback)(CFrame*, void*) = nullptr;
    void* userData = nullptr;
};

class CFrame : public CViewContainer
{
public:
    // `size` is logical; its origin should be 0, 0. The editor may be null (tests).
    CFrame(const CRect& size, VSTGUIEditorInterface* editor);
    ~CFrame() override;
    CFrame(const CFrame&) = delete;

    // --- life ---
    // Creates the X11 window inside parentNativeWindow (an X window id) at `scale` (1, 1.5 or
    // 2; other values are clamped to 1..4). False when no window could be made.
    bool open(void* parentNativeWindow, double scale);
    // No window: painting into the back buffer only (tests, screenshots).
    bool openOffscreen(double scale);
    // Releases the window and the back buffer; any order, twice, or after the window vanished.
    void close();
    bool isOpen() const
    {
        return m_platform != nullptr;
    }
    void idle();
    // Resizes to logical width x height: the window, the back buffer and the view size.
    bool setSize(CCoord width, CCoord height);
    double getScaleFactor() const
    {
        return m_scale;
    }
    VSTGUIEditorInterface* getEditor() const
    {
        return m_editor;
    }
    IPlatformFrame* getPlatformFrame() const
    {
        return m_platform;
    }
    // The back buffer (cairo_surface_t*), null while closed.
    void* getBackBuffer() const
    {
        return m_backBuffer;
    }

    // --- mouse and focus ---
    void setMouseObserver(IMouseObserver* observer)
    {
        m_mouseObserver = observer;
    }
    IMouseObserver* getMouseObserver() const
    {
        return m_mouseObserver;
    }
    void setCursor(CCursorType type);
    CCursorType getCursor() const
    {
        return m_cursor;
    }
    // Pointer position in frame coordinates: the platform's answer, else the last event's.
    bool getCurrentMouseLocation(CPoint& where);
    // Buttons and modifiers of the last mouse event.
    long getCurrentMouseButtons() const
    {
        return m_currentButtons;
    }
    // Makes `view` the focus view (null: none); the old one gets looseFocus(). Both redraw.
    void setFocusView(CView* view);
    CView* getFocusView() const
    {
        return m_focusView;
    }
    // The deepest view under the mouse (entered / exited tracking), or null.
    CView* getMouseOverView() const
    {
        return m_mouseOverView;
    }
    // Milliseconds of a monotonic clock.
    static std::uint32_t getTicks();

    // --- invalidation and painting ---
    // Adds a rectangle (frame coordinates) to the dirty region.
    void invalidateFrameRect(const CRect& rect);
    const std::vector<CRect>& getDirtyRects() const
    {
        return m_dirtyRects;
    }
    // Paints the frame: the toolkit draws the views; subclasses may draw more (overlays) after
    // calling the base. updateRect is in frame coordinates.
    void drawRect(CDrawContext* context, const CRect& updateRect) override;
    // Collects dirty views and paints every dirty rectangle now (presents when in a window).
    void renderNow();
    // Back buffer pixels (cairo ARGB32, premultiplied, native endian) after renderNow(); null
    // while closed. Sizes in device pixels.
    const unsigned char* getBackBufferPixels(int& width, int& height, int& stride);
    // Repaints the whole frame and writes the back buffer as a PNG file.
    bool writePNG(const char* path);
    struct PaintStatistics
    {
        long paintCount = 0;    // paint passes
        double paintedArea = 0; // logical square pixels painted, summed over passes
        long viewWalks = 0;     // dirty-view collections that walked the tree
    };
    const PaintStatistics& getPaintStatistics() const
    {
        return m_statistics;
    }
    void resetPaintStatistics()
    {
        m_statistics = PaintStatistics();
    }

    // --- modal menus (COptionMenu) ---
    // Shows `menu` as a pop-up inside the frame and returns when it closes (chosen, dismissed,
    // or the window is gone). False when it could not be shown.
    bool runModalMenu(COptionMenu* menu);
    bool isInModalSession() const
    {
        return m_modalOverlay != nullptr;
    }
    // True while a pop-up is open and has not been answered or dismissed.
    bool IsModalMenuRunning() const;
    // The open pop-up (tests, screenshots), or null.
    CMenuOverlay* GetModalOverlay() const
    {
        return m_modalOverlay;
    }
    // Counts modal sessions; a container uses it to drop the capture of a press that opened one.
    long getModalSessionCount() const
    {
        return m_modalSessionCount;
    }

    // --- scripted input (offscreen) ---
    // Queues an event; an offscreen frame feeds the queue to itself in idle() and in modal
    // loops (a modal loop ends without a choice when the queue runs dry).
    void queueSyntheticEvent(const CSyntheticEvent& event);
    bool hasSyntheticEvents() const
    {
        return !m_syntheticEvents.empty();
    }
    // Takes the next queued event and dispatches it; false when the queue is empty.
    bool dispatchNextSyntheticEvent();

    // --- entry points of the platform layer (and of tests with synthetic events) ---
    // Frame coordinates (logical); buttons carry button and modifier flags. timeMs: the event's
    // timestamp for double-click detection (a press within 250 ms and 5 px of the previous
    // press of the same button gets kDoubleClick).
    void platformOnMouseDown(CPoint where, long buttons, std::uint32_t timeMs);
    void platformOnMouseMoved(CPoint where, long buttons);
    void platformOnMouseUp(CPoint where, long buttons);
    void platformOnWheel(CPoint where, float distance, bool horizontal, long buttons);
    void platformOnMouseExited();
    // A key (CVirtualKey); true when the toolkit used it (menus), false leaves it to the host.
    bool platformOnKeyDown(int virtualKey);
    // The window was destroyed under us: no more platform calls, modal sessions end.
    void platformOnWindowGone();
    // One pass of a modal loop: timers, dirty views, paint, present (no event processing).
    void platformOnModalIdle();
    // The window needs `rect` (frame coordinates) again: copies it from the back buffer.
    void platformOnExpose(const CRect& rect);

    CFrame* getFrame() const override
    {
        return const_cast<CFrame*>(this);
    }
    CPoint& localToFrame(CPoint& point) const override
    {
        return point;
    }
    CPoint& frameToLocal(CPoint& point) const override
    {
        return point;
    }
    bool isTypeOf(const char* type) const override;

    // Internal (views): a view leaves the tree; drop every pointer to it or its descendants.
    void ForgetView(CView* view) override;

private:
    bool OpenWith(IPlatformFrame* platform, double scale);
    bool CreateBackBuffer();
    void ReleaseBackBuffer();
    void CollectDirty();
    void PaintDirty();
    void UpdateMouseOverView(const CPoint& where, long buttons);

    VSTGUIEditorInterface* m_editor;
    IPlatformFrame* m_platform = nullptr;
    void* m_backBuffer = nullptr; // cairo_surface_t*
    CDrawContext* m_context = nullptr;
    double m_scale = 1.0;
    bool m_windowGone = false;
    bool m_inIdle = false;
    bool m_painting = false;
    unsigned long m_seenDirtyGeneration = ~0ul;
    std::vector<CRect> m_dirtyRects;
    std::vector<CRect> m_presentRects;
    PaintStatistics m_statistics;

    IMouseObserver* m_mouseObserver = nullptr;
    CView* m_mouseOverView = nullptr;
    CView* m_focusView = nullptr;
    CCursorType m_cursor = kCursorDefault;
    CPoint m_lastMousePosition;
    long m_currentButtons = 0;
    long m_captureButton = 0; // the button of the press whose view holds the capture
    // Double-click detection.
    bool m_havePreviousPress = false;
    CPoint m_previousPressPosition;
    std::uint32_t m_previousPressTimeMs = 0;
    long m_previousPressButton = 0;

    CMenuOverlay* m_modalOverlay = nullptr;
    long m_modalSessionCount = 0;
    std::deque<CSyntheticEvent> m_syntheticEvents;
};

} // namespace VSTGUI
