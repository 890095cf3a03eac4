#include "Frame.h"

#include "DrawContext.h"
#include "EditorInterface.h"
#include "MenuOverlay.h"
#include "MouseObserver.h"
#include "OffscreenPlatformFrame.h"
#include "OptionMenu.h"
#include "Timer.h"

#include <cairo.h>

#include <chrono>
#include <cmath>

namespace VSTGUI
{

namespace
{
constexpr std::uint32_t kDoubleClickTimeMs = 250;
constexpr CCoord kDoubleClickDistance = 5.0;
constexpr size_t kMaxDirtyRects = 16;

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

double ClampScale(double scale)
{
    if (!(scale >= 1.0))
    {
        return 1.0;
    }
    return scale > 4.0 ? 4.0 : scale;
}
} // namespace

CFrame::CFrame(const CRect& size, VSTGUIEditorInterface* editor)
    : CViewContainer(CRect(0.0, 0.0, size.getWidth(), size.getHeight())), m_editor(editor)
{
    // The frame is the root of its tree: always attached, its own frame.
    m_attached = true;
    m_frame = this;
    m_dirtyRects.reserve(kMaxDirtyRects + 1);
    m_presentRects.reserve(kMaxDirtyRects + 1);
}

CFrame::~CFrame()
{
    m_mouseObserver = nullptr; // the editor may be half gone: tell it nothing more
    close();
    removeAll(true);
}

std::uint32_t CFrame::getTicks()
{
    using namespace std::chrono;
    return static_cast<std::uint32_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

bool CFrame::open(void* parentNativeWindow, double scale)
{
    if (m_platform != nullptr)
    {
        return false;
    }
    scale = ClampScale(scale);
    IPlatformFrame* platform = CreateX11PlatformFrame(
        this, parentNativeWindow, scale, static_cast<int>(std::ceil(m_size.getWidth())),
        static_cast<int>(std::ceil(m_size.getHeight())));
    return OpenWith(platform, scale);
}

bool CFrame::openOffscreen(double scale)
{
    if (m_platform != nullptr)
    {
        return false;
    }
    scale = ClampScale(scale);
    return OpenWith(new COffscreenPlatformFrame(this, scale), scale);
}

bool CFrame::OpenWith(IPlatformFrame* platform, double scale)
{
    if (platform == nullptr)
    {
        return false;
    }
    m_platform = platform;
    m_scale = platform->getScaleFactor() > 0.0 ? platform->getScaleFactor() : scale;
    m_windowGone = false;
    if (!CreateBackBuffer())
    {
        delete m_platform;
        m_platform = nullptr;
        return false;
    }
    // First picture at once, so that the window's first expose is served from the back buffer.
    m_seenDirtyGeneration = ~0ul;
    invalidateFrameRect(m_size);
    renderNow();
    return true;
}

void CFrame::close()
{
    if (m_modalOverlay != nullptr)
    {
        m_modalOverlay->Dismiss();
    }
    if (m_mouseOverView != nullptr && m_mouseObserver != nullptr)
    {
        m_mouseObserver->onMouseExited(m_mouseOverView, this);
    }
    m_mouseOverView = nullptr;
    m_mouseDownView = nullptr;
    if (m_platform != nullptr)
    {
        delete m_platform;
        m_platform = nullptr;
    }
    ReleaseBackBuffer();
    m_dirtyRects.clear();
    m_syntheticEvents.clear();
}

bool CFrame::CreateBackBuffer()
{
    ReleaseBackBuffer();
    const int width = static_cast<int>(std::ceil(m_size.getWidth() * m_scale));
    const int height = static_cast<int>(std::ceil(m_size.getHeight() * m_scale));
    if (width <= 0 || height <= 0)
    {
        return false;
    }
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS)
    {
        cairo_surface_destroy(surface);
        return false;
    }
    m_backBuffer = surface;
    m_context = new CDrawContext(surface, m_scale);
    return true;
}

void CFrame::ReleaseBackBuffer()
{
    if (m_context != nullptr)
    {
        m_context->forget();
        m_context = nullptr;
    }
    if (m_backBuffer != nullptr)
    {
        cairo_surface_destroy(static_cast<cairo_surface_t*>(m_backBuffer));
        m_backBuffer = nullptr;
    }
}

void CFrame::idle()
{
    if (m_platform == nullptr || m_windowGone)
    {
        return;
    }
    // Inside a modal loop the loop itself drains the events; idle only paints.
    if (m_modalOverlay == nullptr && !m_inIdle)
    {
        m_inIdle = true;
        m_platform->processEvents();
        m_inIdle = false;
        if (m_platform == nullptr || m_windowGone)
        {
            return;
        }
    }
    CVSTGUITimer::FireDueTimers(getTicks());
    if (m_platform == nullptr)
    {
        return;
    }
    CollectDirty();
    PaintDirty();
}

void CFrame::platformOnModalIdle()
{
    if (m_platform == nullptr)
    {
        return;
    }
    CVSTGUITimer::FireDueTimers(getTicks());
    if (m_platform == nullptr)
    {
        return;
    }
    CollectDirty();
    PaintDirty();
}

bool CFrame::setSize(CCoord width, CCoord height)
{
    if (!(width >= 1.0) || !(height >= 1.0) || !std::isfinite(width) || !std::isfinite(height))
    {
        return false;
    }
    const CRect newSize(0.0, 0.0, width, height);
    bool resized = true;
    if (m_platform != nullptr && !m_windowGone)
    {
        resized = m_platform->setSize(static_cast<int>(std::ceil(width)),
                                      static_cast<int>(std::ceil(height)));
    }
    m_size = newSize;
    m_mouseableArea = newSize;
    if (m_platform != nullptr)
    {
        m_dirtyRects.clear();
        CreateBackBuffer();
        invalidateFrameRect(m_size);
    }
    return resized;
}

void CFrame::setCursor(CCursorType type)
{
    m_cursor = type;
    if (m_platform != nullptr && !m_windowGone)
    {
        m_platform->setCursor(type);
    }
}

bool CFrame::getCurrentMouseLocation(CPoint& where)
{
    if (m_platform != nullptr && !m_windowGone && m_platform->getCurrentMouseLocation(where))
    {
        return true;
    }
    where = m_lastMousePosition;
    return true;
}

void CFrame::setFocusView(CView* view)
{
    if (view == m_focusView)
    {
        return;
    }
    CView* old = m_focusView;
    m_focusView = view;
    if (old != nullptr)
    {
        old->looseFocus();
        old->setDirty(true);
    }
    if (view != nullptr)
    {
        view->setDirty(true);
    }
}

void CFrame::invalidateFrameRect(const CRect& rect)
{
    CRect area(rect);
    area.bound(m_size);
    if (area.isEmpty() || !std::isfinite(area.getWidth()) || !std::isfinite(area.getHeight()))
    {
        return;
    }
    // Merge while the union costs no more area than the two rectangles painted apart.
    bool merged = true;
    while (merged)
    {
        merged = false;
        for (size_t i = 0; i < m_dirtyRects.size(); ++i)
        {
            CRect joined(area);
            joined.unite(m_dirtyRects[i]);
            if (joined.getArea() <= area.getArea() + m_dirtyRects[i].getArea())
            {
                area = joined;
                m_dirtyRects.erase(m_dirtyRects.begin() + static_cast<long>(i));
                merged = true;
                break;
            }
        }
    }
    m_dirtyRects.push_back(area);
    if (m_dirtyRects.size() > kMaxDirtyRects)
    {
        CRect all;
        for (const CRect& dirty : m_dirtyRects)
        {
            all.unite(dirty);
        }
        m_dirtyRects.clear();
        m_dirtyRects.push_back(all);
    }
}

void CFrame::CollectDirty()
{
    const unsigned long generation = CView::GetDirtyGeneration();
    if (generation == m_seenDirtyGeneration)
    {
        return;
    }
    m_seenDirtyGeneration = generation;
    ++m_statistics.viewWalks;
    if (consumeDirty())
    {
        invalidateFrameRect(m_size);
    }
    CollectDirtyViews(this, CPoint(), m_size);
}

void CFrame::drawRect(CDrawContext* context, const CRect& updateRect)
{
    CViewContainer::drawRect(context, updateRect);
}

void CFrame::PaintDirty()
{
    if (m_dirtyRects.empty() || m_context == nullptr || m_painting)
    {
        return;
    }
    m_painting = true;
    CView::SetPaintingOnThisThread(true);
    m_presentRects.clear();
    for (const CRect& dirty : m_dirtyRects)
    {
        // Whole device pixels, so that nothing is left half painted at 1.5x.
        CRect area(dirty.left * m_scale, dirty.top * m_scale, dirty.right * m_scale,
                   dirty.bottom * m_scale);
        area.makeIntegral();
        area = CRect(area.left / m_scale, area.top / m_scale, area.right / m_scale,
                     area.bottom / m_scale);
        area.bound(m_size);
        m_presentRects.push_back(area);
    }
    m_dirtyRects.clear();
    for (const CRect& area : m_presentRects)
    {
        m_context->setOffset(CPoint());
        m_context->resetClipRect();
        m_context->setClipRect(area);
        m_context->clearRect(area);
        drawRect(m_context, area);
        if (m_modalOverlay != nullptr)
        {
            m_context->setOffset(CPoint());
            m_context->resetClipRect();
            m_context->setClipRect(area);
            m_modalOverlay->drawRect(m_context, area);
        }
        m_statistics.paintedArea += area.getArea();
    }
    ++m_statistics.paintCount;
    CView::SetPaintingOnThisThread(false);
    m_painting = false;
    cairo_surface_flush(static_cast<cairo_surface_t*>(m_backBuffer));
    if (m_platform != nullptr && !m_windowGone)
    {
        m_platform->present(m_presentRects.data(), static_cast<int>(m_presentRects.size()),
                            m_backBuffer);
    }
}

void CFrame::renderNow()
{
    if (m_platform == nullptr)
    {
        return;
    }
    m_seenDirtyGeneration = ~0ul;
    CollectDirty();
    PaintDirty();
}

const unsigned char* CFrame::getBackBufferPixels(int& width, int& height, int& stride)
{
    auto* surface = static_cast<cairo_surface_t*>(m_backBuffer);
    if (surface == nullptr)
    {
        width = height = stride = 0;
        return nullptr;
    }
    cairo_surface_flush(surface);
    width = cairo_image_surface_get_width(surface);
    height = cairo_image_surface_get_height(surface);
    stride = cairo_image_surface_get_stride(surface);
    return cairo_image_surface_get_data(surface);
}

bool CFrame::writePNG(const char* path)
{
    if (path == nullptr || m_backBuffer == nullptr)
    {
        return false;
    }
    invalidateFrameRect(m_size);
    renderNow();
    return cairo_surface_write_to_png(static_cast<cairo_surface_t*>(m_backBuffer), path) ==
           CAIRO_STATUS_SUCCESS;
}

namespace
{
bool KeepMenuRunning(void* context)
{
    auto* frame = static_cast<CFrame*>(context);
    return frame->isInModalSession() && frame->IsModalMenuRunning();
}
} // namespace

bool CFrame::IsModalMenuRunning() const
{
    return m_modalOverlay != nullptr && m_modalOverlay->isRunning() && !m_windowGone;
}

bool CFrame::runModalMenu(COptionMenu* menu)
{
    if (menu == nullptr || m_platform == nullptr || m_windowGone || m_modalOverlay != nullptr)
    {
        return false;
    }
    CPoint topLeft = menu->getViewSize().getTopLeft();
    if (CView* parent = menu->getParentView())
    {
        parent->localToFrame(topLeft);
    }
    const CRect anchor(topLeft, menu->getViewSize().getSize());
    m_modalOverlay = new CMenuOverlay(this, menu, anchor);
    ++m_modalSessionCount;
    // A press in progress ends here: the pop-up takes the rest of the gesture.
    m_mouseDownView = nullptr;
    platformOnModalIdle();
    const bool ran = m_platform != nullptr && m_platform->runModalLoop(&KeepMenuRunning, this);
    CMenuOverlay* overlay = m_modalOverlay;
    m_modalOverlay = nullptr;
    if (overlay != nullptr)
    {
        if (overlay->isRunning())
        {
            overlay->Dismiss(); // the loop ended without an answer: nothing chosen
        }
        for (int level = 0; level < overlay->GetLevelCount(); ++level)
        {
            invalidateFrameRect(overlay->GetLevelRect(level));
        }
        overlay->forget();
    }
    return ran;
}

void CFrame::queueSyntheticEvent(const CSyntheticEvent& event)
{
    m_syntheticEvents.push_back(event);
}

bool CFrame::dispatchNextSyntheticEvent()
{
    if (m_syntheticEvents.empty())
    {
        return false;
    }
    const CSyntheticEvent event = m_syntheticEvents.front();
    m_syntheticEvents.pop_front();
    switch (event.type)
    {
    case CSyntheticEvent::kMouseDown:
        platformOnMouseDown(event.where, event.buttons, event.timeMs);
        break;
    case CSyntheticEvent::kMouseMoved:
        platformOnMouseMoved(event.where, event.buttons);
        break;
    case CSyntheticEvent::kMouseUp:
        platformOnMouseUp(event.where, event.buttons);
        break;
    case CSyntheticEvent::kWheel:
        platformOnWheel(event.where, event.distance, event.horizontal, event.buttons);
        break;
    case CSyntheticEvent::kKeyDown:
        platformOnKeyDown(event.key);
        break;
    case CSyntheticEvent::kCallback:
        if (event.callback != nullptr)
        {
            event.callback(this, event.userData);
        }
        break;
    }
    return true;
}

void CFrame::platformOnMouseDown(CPoint where, long buttons, std::uint32_t timeMs)
{
    if (timeMs == 0)
    {
        timeMs = getTicks();
    }
    const long button = buttons & kMouseButtonMask;
    const bool close = std::fabs(where.x - m_previousPressPosition.x) <= kDoubleClickDistance &&
                       std::fabs(where.y - m_previousPressPosition.y) <= kDoubleClickDistance;
    if (m_havePreviousPress && button == m_previousPressButton &&
        static_cast<std::uint32_t>(timeMs - m_previousPressTimeMs) <= kDoubleClickTimeMs && close)
    {
        buttons |= kDoubleClick;
        m_havePreviousPress = false; // a third press starts over
    }
    else
    {
        m_havePreviousPress = true;
        m_previousPressPosition = where;
        m_previousPressTimeMs = timeMs;
        m_previousPressButton = button;
    }
    m_lastMousePosition = where;
    m_currentButtons = buttons;
    if (m_modalOverlay != nullptr)
    {
        m_modalOverlay->onMouseDown(where, buttons);
        return;
    }
    if (m_mouseDownView != nullptr)
    {
        if (button != m_captureButton)
        {
            return; // another button during a drag: the gesture keeps its view
        }
        // The same button again: its release was lost (a grab taken away). End that gesture
        // before this one starts, so that no view waits for a release forever.
        CPoint point(where);
        CViewContainer::onMouseUp(point, m_captureButton | (buttons & ~kMouseButtonMask));
    }
    if (m_mouseObserver != nullptr)
    {
        m_mouseObserver->onMouseDown(this, where);
    }
    UpdateMouseOverView(where, buttons);
    CPoint point(where);
    CViewContainer::onMouseDown(point, buttons);
    m_captureButton = m_mouseDownView != nullptr ? button : 0;
}

void CFrame::platformOnMouseMoved(CPoint where, long buttons)
{
    m_lastMousePosition = where;
    m_currentButtons = buttons;
    if (m_modalOverlay != nullptr)
    {
        m_modalOverlay->onMouseMoved(where, buttons);
        return;
    }
    if (m_mouseObserver != nullptr)
    {
        m_mouseObserver->onMouseMoved(this, where);
    }
    UpdateMouseOverView(where, buttons);
    CPoint point(where);
    CViewContainer::onMouseMoved(point, buttons);
}

void CFrame::platformOnMouseUp(CPoint where, long buttons)
{
    m_lastMousePosition = where;
    m_currentButtons = buttons & ~kMouseButtonMask;
    if (m_modalOverlay != nullptr)
    {
        m_modalOverlay->onMouseUp(where, buttons);
        return;
    }
    if (m_mouseDownView != nullptr && m_captureButton != 0 && (buttons & m_captureButton) == 0)
    {
        return; // the release of a button that took no part in the gesture
    }
    CPoint point(where);
    CViewContainer::onMouseUp(point, buttons);
    m_captureButton = 0;
    UpdateMouseOverView(where, m_currentButtons);
}

void CFrame::platformOnWheel(CPoint where, float distance, bool horizontal, long buttons)
{
    m_lastMousePosition = where;
    if (!std::isfinite(distance) || distance == 0.0f)
    {
        return;
    }
    if (m_modalOverlay != nullptr)
    {
        m_modalOverlay->onWheel(where, distance, buttons);
        return;
    }
    onWheelAxis(where, horizontal ? kMouseWheelAxisX : kMouseWheelAxisY, distance, buttons);
}

void CFrame::platformOnMouseExited()
{
    if (m_modalOverlay != nullptr || m_mouseDownView != nullptr)
    {
        return;
    }
    if (m_mouseOverView != nullptr)
    {
        CView* old = m_mouseOverView;
        m_mouseOverView = nullptr;
        CPoint point(m_lastMousePosition);
        if (CView* parent = old->getParentView())
        {
            parent->frameToLocal(point);
        }
        old->onMouseExited(point, m_currentButtons);
        if (m_mouseObserver != nullptr)
        {
            m_mouseObserver->onMouseExited(old, this);
        }
    }
}

bool CFrame::platformOnKeyDown(int virtualKey)
{
    if (m_modalOverlay != nullptr)
    {
        return m_modalOverlay->OnKeyDown(virtualKey);
    }
    return false;
}

void CFrame::platformOnWindowGone()
{
    m_windowGone = true;
    if (m_modalOverlay != nullptr)
    {
        m_modalOverlay->Dismiss();
    }
}

void CFrame::platformOnExpose(const CRect& rect)
{
    if (m_platform == nullptr || m_windowGone || m_backBuffer == nullptr)
    {
        return;
    }
    CRect area(rect);
    area.bound(m_size);
    if (!area.isEmpty())
    {
        m_platform->present(&area, 1, m_backBuffer);
    }
}

void CFrame::UpdateMouseOverView(const CPoint& where, long buttons)
{
    CView* view = m_size.pointInside(where) ? getViewAt(where, true) : nullptr;
    if (view == m_mouseOverView)
    {
        return;
    }
    CView* old = m_mouseOverView;
    m_mouseOverView = view;
    if (old != nullptr)
    {
        CPoint point(where);
        if (CView* parent = old->getParentView())
        {
            parent->frameToLocal(point);
        }
        old->onMouseExited(point, buttons);
        if (m_mouseObserver != nullptr)
        {
            m_mouseObserver->onMouseExited(old, this);
        }
    }
    // The exit handlers may have removed the new view: only enter one that is still ours.
    if (m_mouseOverView == view && view != nullptr && isChild(view, true))
    {
        CPoint point(where);
        if (CView* parent = view->getParentView())
        {
            parent->frameToLocal(point);
        }
        view->onMouseEntered(point, buttons);
        if (m_mouseObserver != nullptr)
        {
            m_mouseObserver->onMouseEntered(view, this);
        }
    }
}

void CFrame::ForgetView(CView* view)
{
    CViewContainer::ForgetView(view);
    if (m_focusView != nullptr && IsInside(m_focusView, view))
    {
        m_focusView = nullptr;
    }
    if (m_mouseOverView != nullptr && IsInside(m_mouseOverView, view))
    {
        CView* old = m_mouseOverView;
        m_mouseOverView = nullptr;
        if (m_mouseObserver != nullptr)
        {
            m_mouseObserver->onMouseExited(old, this);
        }
    }
}

bool CFrame::isTypeOf(const char* type) const
{
    return IsSameTypeName(type, "CFrame") || CViewContainer::isTypeOf(type);
}

} // namespace VSTGUI
