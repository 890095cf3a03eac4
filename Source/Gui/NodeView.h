// One tile of the routing panel: the picture of one module (its code is the id) cut from
// the panel's bitmap, whose top row holds the normal tiles of codes 0, 1, 2 ... and whose
// bottom row the tiles while dragged. A left press picks the tile up (drawn above the
// others); moves slide it along the panel, kept inside; the release drops it. The panel
// (INodeDragListener) decides the order. User-interface thread.
#pragma once

#include "Gui/NodeDragListener.h"
#include "vstgui/ViewContainer.h"

class CNodeView : public VSTGUI::CViewContainer
{
public:
    static constexpr VSTGUI::CColor kDropTargetShade{0, 0, 0, 100};

    // `bitmap` is remembered; `parent` and `listener` are the panel.
    CNodeView(const VSTGUI::CRect& size, VSTGUI::CViewContainer* parent,
              INodeDragListener* listener, VSTGUI::CBitmap* bitmap, int id);
    CNodeView(const CNodeView&) = delete;

    int GetID() const { return m_id; }
    void SetID(int id) { m_id = id; }
    bool IsDragging() const { return m_dragging; }
    bool IsDropTarget() const { return m_dropTarget; }
    void SetDropTarget(bool dropTarget) { m_dropTarget = dropTarget; }

    // Moves the tile's left edge to x (panel coordinates), in one animation step.
    void SlideTo(int x);
    // One animation step; with none left, tells the listener the animation stopped.
    void DoAnimation();

    void drawBackgroundRect(VSTGUI::CDrawContext* context, const VSTGUI::CRect& rect) override;
    VSTGUI::CMouseEventResult onMouseDown(VSTGUI::CPoint& where, const long& buttons) override;
    VSTGUI::CMouseEventResult onMouseMoved(VSTGUI::CPoint& where, const long& buttons) override;
    VSTGUI::CMouseEventResult onMouseUp(VSTGUI::CPoint& where, const long& buttons) override;

    bool isTypeOf(const char* type) const override;
    VSTGUI::CBaseObject* newCopy() const override { return nullptr; }

private:
    void MoveTo(VSTGUI::CCoord left);

    VSTGUI::CViewContainer* m_panel;
    INodeDragListener* m_listener;
    int m_id;
    bool m_dragging = false;
    bool m_dropTarget = false;
    VSTGUI::CPoint m_lastPoint;
    // Animation.
    int m_direction = 1;
    int m_targetX = 0;
    int m_steps = 0;
};
