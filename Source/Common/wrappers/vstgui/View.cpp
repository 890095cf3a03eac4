#include "View.h"

#include "Bitmap.h"
#include "DrawContext.h"
#include "Frame.h"

namespace VSTGUI
{

namespace
{
std::atomic<unsigned long> s_dirtyGeneration{0};
thread_local bool s_paintingOnThisThread = false;
} // namespace

CView::CView(const CRect& size) : m_size(size), m_mouseableArea(size) {}

CView::CView(const CView& other)
    : CBaseObject(other), m_size(other.m_size), m_mouseableArea(other.m_mouseableArea),
      m_background(other.m_background), m_transparency(other.m_transparency),
      m_mouseEnabled(other.m_mouseEnabled), m_wantsFocus(other.m_wantsFocus)
{
    if (m_background != nullptr)
    {
        m_background->remember();
    }
}

CView::~CView()
{
    if (m_background != nullptr)
    {
        m_background->forget();
    }
}

void CView::setViewSize(const CRect& rect, bool invalidate)
{
    if (invalidate && m_attached)
    {
        invalidRect(m_size);
    }
    if (m_mouseableArea == m_size)
    {
        m_mouseableArea = rect;
    }
    m_size = rect;
    if (invalidate && m_attached)
    {
        invalidRect(m_size);
    }
}

void CView::draw(CDrawContext* context)
{
    if (m_background != nullptr)
    {
        if (m_transparency)
        {
            m_background->drawTransparent(context, m_size);
        }
        else
        {
            m_background->draw(context, m_size);
        }
    }
    setDirty(false);
}

void CView::drawRect(CDrawContext* context, const CRect& /*updateRect*/)
{
    draw(context);
}

void CView::setBackground(CBitmap* background)
{
    if (background == m_background)
    {
        return;
    }
    if (background != nullptr)
    {
        background->remember();
    }
    if (m_background != nullptr)
    {
        m_background->forget();
    }
    m_background = background;
    setDirty(true);
}

void CView::setTransparency(bool transparent)
{
    if (m_transparency != transparent)
    {
        m_transparency = transparent;
        setDirty(true);
    }
}

void CView::setDirty(bool dirty)
{
    if (dirty)
    {
        m_dirty.store(true, std::memory_order_release);
        s_dirtyGeneration.fetch_add(1, std::memory_order_release);
    }
    else if (!s_paintingOnThisThread)
    {
        m_dirty.store(false, std::memory_order_release);
    }
}

void CView::SetPaintingOnThisThread(bool painting)
{
    s_paintingOnThisThread = painting;
}

unsigned long CView::GetDirtyGeneration()
{
    return s_dirtyGeneration.load(std::memory_order_acquire);
}

void CView::invalidRect(const CRect& rect)
{
    CFrame* frame = m_attached ? m_frame : nullptr;
    if (frame == nullptr)
    {
        return;
    }
    CPoint topLeft = rect.getTopLeft();
    if (m_parent != nullptr)
    {
        m_parent->localToFrame(topLeft);
    }
    frame->invalidateFrameRect(CRect(topLeft, rect.getSize()));
}

CMouseEventResult CView::onMouseDown(CPoint& /*where*/, const long& /*buttons*/)
{
    return kMouseEventNotImplemented;
}

CMouseEventResult CView::onMouseUp(CPoint& /*where*/, const long& /*buttons*/)
{
    return kMouseEventNotImplemented;
}

CMouseEventResult CView::onMouseMoved(CPoint& /*where*/, const long& /*buttons*/)
{
    return kMouseEventNotImplemented;
}

bool CView::onWheel(const CPoint& /*where*/, const float& /*distance*/, const long& /*buttons*/)
{
    return false;
}

bool CView::onWheelAxis(const CPoint& where, const CMouseWheelAxis& axis, const float& distance,
                        const long& buttons)
{
    return axis == kMouseWheelAxisY && onWheel(where, distance, buttons);
}

CMouseEventResult CView::onMouseEntered(CPoint& /*where*/, const long& /*buttons*/)
{
    return kMouseEventNotImplemented;
}

CMouseEventResult CView::onMouseExited(CPoint& /*where*/, const long& /*buttons*/)
{
    return kMouseEventNotImplemented;
}

bool CView::hitTest(const CPoint& where, const long& /*buttons*/)
{
    return m_mouseableArea.pointInside(where);
}

void CView::takeFocus()
{
    if (CFrame* frame = getFrame())
    {
        frame->setFocusView(this);
    }
}

void CView::looseFocus() {}

CFrame* CView::getFrame() const
{
    if (m_frame != nullptr)
    {
        return m_frame;
    }
    return m_parent != nullptr ? m_parent->getFrame() : nullptr;
}

bool CView::attached(CView* parent)
{
    m_parent = parent;
    m_frame = parent != nullptr ? parent->getFrame() : nullptr;
    m_attached = true;
    setDirty(true);
    return true;
}

bool CView::removed(CView* /*parent*/)
{
    if (m_attached && m_frame != nullptr)
    {
        m_frame->invalidateFrameRect(getVisibleSizeInFrame());
        m_frame->ForgetView(this);
    }
    m_attached = false;
    m_frame = nullptr;
    return true;
}

CPoint& CView::localToFrame(CPoint& point) const
{
    return m_parent != nullptr ? m_parent->localToFrame(point) : point;
}

CPoint& CView::frameToLocal(CPoint& point) const
{
    return m_parent != nullptr ? m_parent->frameToLocal(point) : point;
}

CRect CView::getVisibleSizeInFrame() const
{
    CRect visible = m_size;
    for (const CView* parent = m_parent; parent != nullptr; parent = parent->getParentView())
    {
        const CRect& parentSize = parent->getViewSize();
        visible.bound(CRect(0.0, 0.0, parentSize.getWidth(), parentSize.getHeight()));
        visible.offset(parentSize.left, parentSize.top);
    }
    return visible;
}

bool CView::isTypeOf(const char* type) const
{
    return IsSameTypeName(type, "CView") || CBaseObject::isTypeOf(type);
}

} // namespace VSTGUI
