#include "ViewContainer.h"

#include "Bitmap.h"
#include "DrawContext.h"
#include "Frame.h"

#include <algorithm>

namespace VSTGUI
{

namespace
{
bool IsInside(const CView* view, const CView* ancestor)
{
    for (const CView* v = view; v != nullptr; v = v->getParentView())
    {
        if (v == ancestor)
        {
            return true;
        }
    }
    return false;
}
} // namespace

CViewContainer::CViewContainer(const CRect& size, CFrame* frame, CBitmap* background)
    : CView(size), m_constructionFrame(frame)
{
    if (background != nullptr)
    {
        setBackground(background);
    }
}

CViewContainer::CViewContainer(const CViewContainer& other)
    : CView(other), m_backgroundColor(other.m_backgroundColor),
      m_backgroundOffset(other.m_backgroundOffset), m_constructionFrame(other.m_constructionFrame)
{
    for (CView* child : other.m_children)
    {
        if (auto* copy = dynamic_cast<CView*>(child->newCopy()))
        {
            addView(copy);
        }
    }
}

CViewContainer::~CViewContainer()
{
    removeAll(true);
}

bool CViewContainer::addView(CView* view)
{
    if (view == nullptr || view->getParentView() != nullptr || view == this)
    {
        return false;
    }
    m_children.push_back(view);
    view->setParentView(this);
    if (m_attached)
    {
        view->attached(this);
    }
    return true;
}

bool CViewContainer::addView(CView* view, CView* before)
{
    if (view == nullptr || view->getParentView() != nullptr || view == this)
    {
        return false;
    }
    auto position = std::find(m_children.begin(), m_children.end(), before);
    m_children.insert(position, view);
    view->setParentView(this);
    if (m_attached)
    {
        view->attached(this);
    }
    return true;
}

bool CViewContainer::removeView(CView* view, bool withForget)
{
    auto position = std::find(m_children.begin(), m_children.end(), view);
    if (position == m_children.end())
    {
        return false;
    }
    if (m_mouseDownView == view)
    {
        m_mouseDownView = nullptr;
    }
    if (view->isAttached())
    {
        view->removed(this);
    }
    // The removed() callbacks may have changed the list: look the view up again.
    position = std::find(m_children.begin(), m_children.end(), view);
    if (position != m_children.end())
    {
        m_children.erase(position);
    }
    view->setParentView(nullptr);
    if (withForget)
    {
        view->forget();
    }
    return true;
}

bool CViewContainer::removeAll(bool withForget)
{
    while (!m_children.empty())
    {
        removeView(m_children.back(), withForget);
    }
    return true;
}

bool CViewContainer::isChild(CView* view, bool deep) const
{
    for (CView* child : m_children)
    {
        if (child == view)
        {
            return true;
        }
        if (deep)
        {
            if (auto* container = dynamic_cast<CViewContainer*>(child))
            {
                if (container->isChild(view, true))
                {
                    return true;
                }
            }
        }
    }
    return false;
}

CView* CViewContainer::getView(int index) const
{
    if (index < 0 || index >= getNbViews())
    {
        return nullptr;
    }
    return m_children[static_cast<size_t>(index)];
}

CView* CViewContainer::getViewAt(const CPoint& where, bool deep) const
{
    CPoint local(where.x - m_size.left, where.y - m_size.top);
    for (auto child = m_children.rbegin(); child != m_children.rend(); ++child)
    {
        CView* view = *child;
        if (!view->getMouseableArea().pointInside(local))
        {
            continue;
        }
        if (deep)
        {
            if (auto* container = dynamic_cast<CViewContainer*>(view))
            {
                CView* inner = container->getViewAt(local, true);
                return inner != nullptr ? inner : view;
            }
        }
        return view;
    }
    return nullptr;
}

bool CViewContainer::changeViewZOrder(CView* view, int newIndex)
{
    auto position = std::find(m_children.begin(), m_children.end(), view);
    if (position == m_children.end())
    {
        return false;
    }
    m_children.erase(position);
    newIndex = std::clamp(newIndex, 0, getNbViews());
    m_children.insert(m_children.begin() + newIndex, view);
    view->setDirty(true);
    return true;
}

void CViewContainer::setBackgroundColor(const CColor& color)
{
    m_backgroundColor = color;
    setDirty(true);
}

void CViewContainer::drawBackgroundRect(CDrawContext* context, const CRect& rect)
{
    if (m_background != nullptr)
    {
        CRect oldClip = context->getClipRect();
        CRect clip(rect);
        clip.bound(oldClip);
        context->setClipRect(clip);
        const CRect area(0.0, 0.0, m_background->getWidth(), m_background->getHeight());
        m_background->draw(context, area, m_backgroundOffset);
        context->setClipRect(oldClip);
    }
    else if (!m_transparency)
    {
        context->setFillColor(m_backgroundColor);
        context->drawRect(rect, kDrawFilled);
    }
}

void CViewContainer::draw(CDrawContext* context)
{
    drawRect(context, m_size);
}

void CViewContainer::drawRect(CDrawContext* context, const CRect& updateRect)
{
    CRect area(updateRect);
    area.bound(m_size);
    if (area.isEmpty())
    {
        setDirty(false);
        return;
    }
    const CPoint savedOffset = context->getOffset();
    const CRect savedClip = context->getClipRect();

    // Into our own coordinates: the clip is the update area within our old clip.
    CRect clip(area);
    clip.bound(savedClip);
    clip.offset(-m_size.left, -m_size.top);
    context->setOffset(CPoint(savedOffset.x + m_size.left, savedOffset.y + m_size.top));
    if (!clip.isEmpty())
    {
        context->setClipRect(clip);
        drawBackgroundRect(context, clip);
        // Index loop: a child may (unwisely) add or remove views while it draws.
        for (size_t i = 0; i < m_children.size(); ++i)
        {
            CView* child = m_children[i];
            if (!child->checkUpdate(clip))
            {
                continue;
            }
            CRect childClip(child->getViewSize());
            childClip.bound(clip);
            if (childClip.isEmpty())
            {
                continue;
            }
            context->saveGlobalState();
            context->setClipRect(childClip);
            child->drawRect(context, clip);
            context->restoreGlobalState();
        }
    }
    context->setOffset(savedOffset);
    context->setClipRect(savedClip);
    setDirty(false);
}

CMouseEventResult CViewContainer::onMouseDown(CPoint& where, const long& buttons)
{
    CPoint local(where.x - m_size.left, where.y - m_size.top);
    CFrame* frame = getFrame();
    for (int i = getNbViews() - 1; i >= 0; --i)
    {
        if (i >= getNbViews())
        {
            continue;
        }
        CView* child = m_children[static_cast<size_t>(i)];
        if (!child->getMouseEnabled() || !child->hitTest(local, buttons))
        {
            continue;
        }
        const long sessionsBefore = frame != nullptr ? frame->getModalSessionCount() : 0;
        CPoint childPoint(local);
        CMouseEventResult result = child->onMouseDown(childPoint, buttons);
        if (result == kMouseEventNotHandled || result == kMouseEventNotImplemented)
        {
            continue; // the views below get their chance
        }
        const bool modalRan = frame != nullptr && frame->getModalSessionCount() != sessionsBefore;
        if (modalRan)
        {
            // A pop-up consumed the rest of this gesture (its release): no capture.
            return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
        }
        if (result == kMouseEventHandled && isChild(child))
        {
            m_mouseDownView = child;
        }
        return result;
    }
    return kMouseEventNotHandled;
}

CMouseEventResult CViewContainer::onMouseUp(CPoint& where, const long& buttons)
{
    CView* view = m_mouseDownView;
    if (view == nullptr)
    {
        return kMouseEventNotHandled;
    }
    m_mouseDownView = nullptr;
    CPoint local(where.x - m_size.left, where.y - m_size.top);
    view->onMouseUp(local, buttons);
    return kMouseEventHandled;
}

CMouseEventResult CViewContainer::onMouseMoved(CPoint& where, const long& buttons)
{
    CView* view = m_mouseDownView;
    if (view == nullptr)
    {
        return kMouseEventNotHandled;
    }
    CPoint local(where.x - m_size.left, where.y - m_size.top);
    CMouseEventResult result = view->onMouseMoved(local, buttons);
    if (result == kMouseEventNotHandled || result == kMouseEventNotImplemented)
    {
        // Still captured: the release goes to the view that took the press.
        return kMouseEventHandled;
    }
    return result;
}

bool CViewContainer::onWheelAxis(const CPoint& where, const CMouseWheelAxis& axis,
                                 const float& distance, const long& buttons)
{
    const CPoint local(where.x - m_size.left, where.y - m_size.top);
    for (int i = getNbViews() - 1; i >= 0; --i)
    {
        if (i >= getNbViews())
        {
            continue;
        }
        CView* child = m_children[static_cast<size_t>(i)];
        if (child->getMouseEnabled() && child->hitTest(local, buttons) &&
            child->onWheelAxis(local, axis, distance, buttons))
        {
            return true;
        }
    }
    return false;
}

bool CViewContainer::onWheel(const CPoint& where, const float& distance, const long& buttons)
{
    return onWheelAxis(where, kMouseWheelAxisY, distance, buttons);
}

bool CViewContainer::hitTest(const CPoint& where, const long& buttons)
{
    return CView::hitTest(where, buttons);
}

CFrame* CViewContainer::getFrame() const
{
    if (m_frame != nullptr)
    {
        return m_frame;
    }
    if (m_parent != nullptr)
    {
        return m_parent->getFrame();
    }
    return m_constructionFrame;
}

bool CViewContainer::attached(CView* parent)
{
    CView::attached(parent);
    for (size_t i = 0; i < m_children.size(); ++i)
    {
        m_children[i]->attached(this);
    }
    return true;
}

bool CViewContainer::removed(CView* parent)
{
    for (size_t i = 0; i < m_children.size(); ++i)
    {
        if (m_children[i]->isAttached())
        {
            m_children[i]->removed(this);
        }
    }
    m_mouseDownView = nullptr;
    return CView::removed(parent);
}

CPoint& CViewContainer::localToFrame(CPoint& point) const
{
    point.offset(m_size.left, m_size.top);
    return m_parent != nullptr ? m_parent->localToFrame(point) : point;
}

CPoint& CViewContainer::frameToLocal(CPoint& point) const
{
    if (m_parent != nullptr)
    {
        m_parent->frameToLocal(point);
    }
    point.offset(-m_size.left, -m_size.top);
    return point;
}

void CViewContainer::CollectDirtyViews(CFrame* frame, const CPoint& origin, const CRect& visible)
{
    for (size_t i = 0; i < m_children.size(); ++i)
    {
        CView* child = m_children[i];
        CRect inFrame(child->getViewSize());
        inFrame.offset(origin.x, origin.y);
        if (child->consumeDirty())
        {
            CRect area(inFrame);
            area.bound(visible);
            frame->invalidateFrameRect(area);
        }
        if (auto* container = dynamic_cast<CViewContainer*>(child))
        {
            CRect innerVisible(inFrame);
            innerVisible.bound(visible);
            container->CollectDirtyViews(frame, inFrame.getTopLeft(), innerVisible);
        }
    }
}

void CViewContainer::ForgetView(CView* view)
{
    if (m_mouseDownView != nullptr && IsInside(m_mouseDownView, view))
    {
        m_mouseDownView = nullptr;
    }
}

bool CViewContainer::isTypeOf(const char* type) const
{
    return IsSameTypeName(type, "CViewContainer") || CView::isTypeOf(type);
}

} // namespace VSTGUI
