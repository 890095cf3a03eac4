// A view holding child views in z-order (first added = bottom). Children's size rectangles are
// in the container's own coordinates (origin at its top-left corner). Drawing: background,
// then each child overlapping the update rectangle, clipped to itself. Mouse: presses go to
// the topmost child under the point that takes them (reverse z-order); that child then gets
// the moves and the release even outside itself (capture) unless it answered
// kMouseDownEventHandledButDontNeedMovedOrUpEvents. The wheel goes to the topmost child under
// the mouse that uses it. UI thread only.
#pragma once

#include "Color.h"
#include "View.h"

#include <vector>

namespace VSTGUI
{

class CViewContainer : public CView
{
public:
    // `frame` may be given when the container is built before it is attached (getFrame()
    // answers it); the background is remembered.
    CViewContainer(const CRect& size, CFrame* frame = nullptr, CBitmap* background = nullptr);
    CViewContainer(const CViewContainer& other); // copies the children (newCopy)
    ~CViewContainer() override;

    // Takes over the caller's reference (no remember). A view removed without forget may be
    // added again. Adding a view already in a container does nothing and returns false.
    virtual bool addView(CView* view);
    // Inserts below `before` (at the top when `before` is not a child).
    virtual bool addView(CView* view, CView* before);
    // Removes the view; withForget drops the container's reference, else the caller owns it.
    virtual bool removeView(CView* view, bool withForget = true);
    virtual bool removeAll(bool withForget = true);
    // Direct child, or (deep) anywhere below.
    bool isChild(CView* view, bool deep = false) const;
    int getNbViews() const
    {
        return static_cast<int>(m_children.size());
    }
    CView* getView(int index) const;
    // Topmost child whose mouseable area contains `where` (this container's parent coordinates,
    // frame coordinates for the frame); `deep` searches nested containers and answers the
    // deepest view, or the nested container itself where none of its children is hit.
    virtual CView* getViewAt(const CPoint& where, bool deep = false) const;
    // Moves a child to z-position newIndex (0 = bottom).
    virtual bool changeViewZOrder(CView* view, int newIndex);

    void setBackgroundColor(const CColor& color);
    CColor getBackgroundColor() const
    {
        return m_backgroundColor;
    }
    // Where the background bitmap is read from (logical, in the bitmap).
    void setBackgroundOffset(const CPoint& offset)
    {
        m_backgroundOffset = offset;
    }
    const CPoint& getBackgroundOffset() const
    {
        return m_backgroundOffset;
    }
    // Paints the background in `rect`, given in this container's own coordinates (origin at its
    // top-left; the context's offset is that origin): the background bitmap from (0, 0), or
    // the background colour unless transparent.
    virtual void drawBackgroundRect(CDrawContext* context, const CRect& rect);

    void draw(CDrawContext* context) override;
    void drawRect(CDrawContext* context, const CRect& updateRect) override;

    CMouseEventResult onMouseDown(CPoint& where, const long& buttons) override;
    CMouseEventResult onMouseUp(CPoint& where, const long& buttons) override;
    CMouseEventResult onMouseMoved(CPoint& where, const long& buttons) override;
    bool onWheelAxis(const CPoint& where, const CMouseWheelAxis& axis, const float& distance,
                     const long& buttons) override;
    bool onWheel(const CPoint& where, const float& distance, const long& buttons) override;
    bool hitTest(const CPoint& where, const long& buttons = -1) override;
    // The child holding the mouse capture, or null.
    CView* getMouseDownView() const
    {
        return m_mouseDownView;
    }

    CFrame* getFrame() const override;
    bool attached(CView* parent) override;
    bool removed(CView* parent) override;
    CPoint& localToFrame(CPoint& point) const override;
    CPoint& frameToLocal(CPoint& point) const override;

    bool isTypeOf(const char* type) const override;
    CBaseObject* newCopy() const override
    {
        return new CViewContainer(*this);
    }

    // Internal (frame): collects dirty descendants into the frame's dirty region.
    void CollectDirtyViews(CFrame* frame, const CPoint& origin, const CRect& visible);
    // Internal: forget any pointer to `view` or its descendants (capture).
    virtual void ForgetView(CView* view);

protected:
    std::vector<CView*> m_children;
    CColor m_backgroundColor = kBlackCColor;
    CPoint m_backgroundOffset;
    CFrame* m_constructionFrame = nullptr;
    CView* m_mouseDownView = nullptr;
};

} // namespace VSTGUI
