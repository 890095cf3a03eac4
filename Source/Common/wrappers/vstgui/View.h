// Base of everything in the view tree. A view's size rectangle is in its parent container's
// coordinates; draw() uses it as given (the context's offset is the parent's origin). Mouse
// positions handed to a view are in the same parent coordinates.
//
// Threads: everything here is UI-thread only except setDirty()/isDirty() (and invalid(), which
// is setDirty(true)): an atomic flag that any thread may set; the frame's idle turns dirty
// views into dirty rectangles and repaints them.
#pragma once

#include "BaseObject.h"
#include "Geometry.h"

#include <atomic>

namespace VSTGUI
{

class CBitmap;
class CDrawContext;
class CViewContainer;

class CView : public CBaseObject
{
public:
    explicit CView(const CRect& size);
    CView(const CView& other); // detached copy, background remembered
    ~CView() override;

    // --- geometry ---
    const CRect& getViewSize() const
    {
        return m_size;
    }
    CRect& getViewSize(CRect& rect) const
    {
        return rect = m_size;
    }
    // Moves or resizes; with `invalidate` the old and the new area are redrawn. The mouseable
    // area follows when it equalled the old size.
    virtual void setViewSize(const CRect& rect, bool invalidate = true);
    const CRect& getMouseableArea() const
    {
        return m_mouseableArea;
    }
    CRect& getMouseableArea(CRect& rect) const
    {
        return rect = m_mouseableArea;
    }
    // Where presses land (parent coordinates); by default the view size.
    virtual void setMouseableArea(const CRect& rect)
    {
        m_mouseableArea = rect;
    }
    CCoord getWidth() const
    {
        return m_size.getWidth();
    }
    CCoord getHeight() const
    {
        return m_size.getHeight();
    }

    // --- drawing ---
    // Draws the whole view; the default draws the background bitmap over the view size.
    virtual void draw(CDrawContext* context);
    // Draws what lies in updateRect (parent coordinates); the default calls draw().
    virtual void drawRect(CDrawContext* context, const CRect& updateRect);
    // True when the view intersects updateRect (parent coordinates).
    virtual bool checkUpdate(const CRect& updateRect) const
    {
        return updateRect.rectOverlap(m_size);
    }
    // Remembers the bitmap (null removes it) and redraws.
    virtual void setBackground(CBitmap* background);
    CBitmap* getBackground() const
    {
        return m_background;
    }
    // With transparency the view does not paint an opaque background of its own.
    virtual void setTransparency(bool transparent);
    bool getTransparency() const
    {
        return m_transparency;
    }

    // --- redraw requests ---
    // Any thread. The frame's next idle repaints the view's area and clears the flag.
    virtual void setDirty(bool dirty = true);
    bool isDirty() const
    {
        return m_dirty.load(std::memory_order_acquire);
    }
    // Any thread: same as setDirty(true).
    void invalid()
    {
        setDirty(true);
    }
    // UI thread: adds rect (parent coordinates) to the frame's dirty region at once.
    void invalidRect(const CRect& rect);
    // Bumped by every setDirty(true) in the process: the frame's idle skips its walk over the
    // views when it has not changed.
    static unsigned long GetDirtyGeneration();

    // --- mouse ---
    virtual CMouseEventResult onMouseDown(CPoint& where, const long& buttons);
    virtual CMouseEventResult onMouseUp(CPoint& where, const long& buttons);
    virtual CMouseEventResult onMouseMoved(CPoint& where, const long& buttons);
    // Vertical wheel: distance +1 per step up, -1 down. True when used.
    virtual bool onWheel(const CPoint& where, const float& distance, const long& buttons);
    // Either axis; the default passes the vertical axis to onWheel and ignores the other.
    virtual bool onWheelAxis(const CPoint& where, const CMouseWheelAxis& axis,
                             const float& distance, const long& buttons);
    virtual CMouseEventResult onMouseEntered(CPoint& where, const long& buttons);
    virtual CMouseEventResult onMouseExited(CPoint& where, const long& buttons);
    // Whether a press at `where` (parent coordinates) belongs to this view.
    virtual bool hitTest(const CPoint& where, const long& buttons = -1);
    void setMouseEnabled(bool enabled)
    {
        m_mouseEnabled = enabled;
    }
    bool getMouseEnabled() const
    {
        return m_mouseEnabled;
    }

    // --- focus ---
    // Asks the frame to make this the focus view (a menu opens instead: see COptionMenu).
    virtual void takeFocus();
    // Called when the focus moves elsewhere.
    virtual void looseFocus();
    bool wantsFocus() const
    {
        return m_wantsFocus;
    }
    void setWantsFocus(bool wants)
    {
        m_wantsFocus = wants;
    }

    // --- hierarchy ---
    CView* getParentView() const
    {
        return m_parent;
    }
    // The frame this view is shown in; null when detached (containers built with a frame
    // answer that frame even before they are attached).
    virtual CFrame* getFrame() const;
    bool isAttached() const
    {
        return m_attached;
    }
    // Called by the container when the view enters / leaves a frame's tree. Overrides must
    // call the base.
    virtual bool attached(CView* parent);
    virtual bool removed(CView* parent);
    // Converts a point in this view's coordinates (its parent's, for a plain view; its own
    // children's, for a container) to frame coordinates and back.
    virtual CPoint& localToFrame(CPoint& point) const;
    virtual CPoint& frameToLocal(CPoint& point) const;
    // The view's rectangle in frame coordinates, clipped by its ancestors.
    CRect getVisibleSizeInFrame() const;

    bool isTypeOf(const char* type) const override;
    CBaseObject* newCopy() const override
    {
        return new CView(*this);
    }

    // Internal: the container that adds / removes the view sets its parent.
    void setParentView(CView* parent)
    {
        m_parent = parent;
    }
    // Internal (frame): reads and clears the dirty flag in one step.
    bool consumeDirty()
    {
        // Read first: most views are clean, and a plain load writes nothing.
        return m_dirty.load(std::memory_order_acquire) &&
               m_dirty.exchange(false, std::memory_order_acq_rel);
    }
    // Internal (frame): while a frame paints on this thread, setDirty(false) from draw code is
    // ignored: the frame cleared the flags it collected, and a flag set meanwhile by another
    // thread must survive so that the newer value is painted too.
    static void SetPaintingOnThisThread(bool painting);

protected:
    CRect m_size;
    CRect m_mouseableArea;
    CView* m_parent = nullptr;
    CFrame* m_frame = nullptr; // set while attached
    CBitmap* m_background = nullptr;
    bool m_transparency = false;
    bool m_mouseEnabled = true;
    bool m_attached = false;
    bool m_wantsFocus = false;

private:
    std::atomic<bool> m_dirty{false};
};

} // namespace VSTGUI
