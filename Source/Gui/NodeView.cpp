#include "NodeView.h"

#include "vstgui/Bitmap.h"
#include "vstgui/DrawContext.h"

using namespace VSTGUI;

CNodeView::CNodeView(const CRect& size, CViewContainer* parent, INodeDragListener* listener,
                     CBitmap* bitmap, int id)
    : CViewContainer(size, nullptr, bitmap), m_panel(parent), m_listener(listener), m_id(id)
{
}

void CNodeView::MoveTo(CCoord left)
{
    CRect rect = m_size;
    const CCoord width = rect.getWidth();
    rect.left = left;
    rect.right = left + width;
    setViewSize(rect);
    setMouseableArea(rect);
}

void CNodeView::SlideTo(int x)
{
    m_targetX = x;
    m_steps = 1;
    m_direction = x > m_size.left ? 1 : -1;
    DoAnimation();
}

void CNodeView::DoAnimation()
{
    if (m_steps > 0)
    {
        --m_steps;
        MoveTo(m_targetX);
        if (m_panel)
            m_panel->invalid();
        return;
    }
    if (m_listener)
        m_listener->OnStopAnimation(this);
}

void CNodeView::drawBackgroundRect(CDrawContext* context, const CRect& /*rect*/)
{
    const CCoord width = getWidth();
    const CCoord height = getHeight();
    const CRect whole(0, 0, width, height);
    if (m_background)
        m_background->draw(context, whole, CPoint(m_id * width, m_dragging ? height : 0));
    if (m_dropTarget)
    {
        const CColor oldFill = context->getFillColor();
        context->setFillColor(kDropTargetShade);
        context->drawRect(whole, kDrawFilled);
        context->setFillColor(oldFill);
    }
    setDirty(false);
}

CMouseEventResult CNodeView::onMouseDown(CPoint& where, const long& buttons)
{
    const CMouseEventResult result = CViewContainer::onMouseDown(where, buttons);
    if (result != kMouseEventNotHandled && result != kMouseEventNotImplemented)
        return result;
    if (!(buttons & kLButton))
        return kMouseEventNotHandled;
    m_dragging = true;
    // Out and in again without release: the picked-up tile lies above the others.
    if (m_panel)
    {
        remember();
        m_panel->removeView(this, true);
        m_panel->addView(this);
    }
    if (m_listener)
        m_listener->OnDragStart(this);
    m_lastPoint = where;
    invalid();
    return kMouseEventHandled;
}

CMouseEventResult CNodeView::onMouseMoved(CPoint& where, const long& buttons)
{
    if (!m_dragging)
        return CViewContainer::onMouseMoved(where, buttons);
    CCoord dx = where.x - m_lastPoint.x;
    // Kept inside the panel.
    const CCoord panelWidth = m_panel ? m_panel->getWidth() : m_size.right;
    if (m_size.left + dx < 0)
        dx = -m_size.left;
    if (m_size.right + dx > panelWidth)
        dx = panelWidth - m_size.right;
    m_lastPoint.x += dx;
    if (dx != 0)
        MoveTo(m_size.left + dx);
    if (m_listener)
        m_listener->OnDrag(this);
    return kMouseEventHandled;
}

CMouseEventResult CNodeView::onMouseUp(CPoint& where, const long& buttons)
{
    CViewContainer::onMouseUp(where, buttons);
    if (m_dragging)
    {
        if (m_listener)
            m_listener->OnDragEnd(this);
        m_dragging = false;
        invalid();
    }
    return kMouseEventHandled;
}

bool CNodeView::isTypeOf(const char* type) const
{
    return IsSameTypeName(type, "CNodeView") || CViewContainer::isTypeOf(type);
}
