#include "Slider.h"

#include "Bitmap.h"
#include "DrawContext.h"

#include <cmath>

namespace VSTGUI
{

CSlider::CSlider(const CRect& size, CControlListener* listener, long tag, long iMinPos,
                 long iMaxPos, CBitmap* handle, CBitmap* background, const CPoint& offset,
                 long style)
    : CControl(size, listener, tag, background), m_offset(offset), m_style(style)
{
    if ((m_style & (kHorizontal | kVertical)) == 0)
    {
        m_style |= kHorizontal;
    }
    // Positions come in the parent's coordinates like the size: keep them relative to the view.
    m_minPos = IsHorizontal() ? iMinPos - size.left : iMinPos - size.top;
    m_rangeHandle = static_cast<CCoord>(iMaxPos - iMinPos);
    setHandle(handle);
}

CSlider::CSlider(const CSlider& other)
    : CControl(other), m_offset(other.m_offset), m_offsetHandle(other.m_offsetHandle),
      m_style(other.m_style), m_minPos(other.m_minPos), m_rangeHandle(other.m_rangeHandle),
      m_freeClick(other.m_freeClick), m_zoomFactor(other.m_zoomFactor)
{
    setHandle(other.m_handle);
}

CSlider::~CSlider()
{
    if (m_handle != nullptr)
    {
        m_handle->forget();
    }
}

void CSlider::setHandle(CBitmap* handle)
{
    if (handle != nullptr)
    {
        handle->remember();
    }
    if (m_handle != nullptr)
    {
        m_handle->forget();
    }
    m_handle = handle;
    m_handleWidth = handle != nullptr ? handle->getWidth() : 0.0;
    m_handleHeight = handle != nullptr ? handle->getHeight() : 0.0;
    setDirty(true);
}

CCoord CSlider::PositionForValue(float value) const
{
    const float range = getRange();
    float normalized = range != 0.0f ? (value - m_min) / range : 0.0f;
    if (!(normalized >= 0.0f))
    {
        normalized = 0.0f;
    }
    else if (normalized > 1.0f)
    {
        normalized = 1.0f;
    }
    // Where the minimum lies: left (default) or right, bottom (default) or top.
    const bool minimumAtStart = IsHorizontal() ? (m_style & kRight) == 0 : (m_style & kTop) != 0;
    const double along = minimumAtStart ? normalized : 1.0 - normalized;
    return m_minPos + along * m_rangeHandle;
}

float CSlider::ValueForPosition(CCoord position) const
{
    double along = m_rangeHandle > 0.0 ? (position - m_minPos) / m_rangeHandle : 0.0;
    along = std::fmin(1.0, std::fmax(0.0, along));
    const bool minimumAtStart = IsHorizontal() ? (m_style & kRight) == 0 : (m_style & kTop) != 0;
    const double normalized = minimumAtStart ? along : 1.0 - along;
    return m_min + static_cast<float>(normalized) * getRange();
}

CRect CSlider::getHandleRect() const
{
    const CCoord position = PositionForValue(getValue());
    if (IsHorizontal())
    {
        const CCoord left = m_size.left + position;
        const CCoord top = m_size.top + m_offsetHandle.y;
        return CRect(left, top, left + m_handleWidth, top + m_handleHeight);
    }
    const CCoord left = m_size.left + m_offsetHandle.x;
    const CCoord top = m_size.top + position;
    return CRect(left, top, left + m_handleWidth, top + m_handleHeight);
}

void CSlider::draw(CDrawContext* context)
{
    if (m_background != nullptr)
    {
        m_background->draw(context, m_size, m_offset);
    }
    if (m_handle != nullptr)
    {
        m_handle->draw(context, getHandleRect());
    }
    setOldValue(getValue());
    setDirty(false);
}

CMouseEventResult CSlider::onMouseDown(CPoint& where, const long& buttons)
{
    if (!m_mouseEnabled || (buttons & kLButton) == 0)
    {
        return kMouseEventNotHandled;
    }
    if (checkDefaultValue(buttons))
    {
        return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
    }
    const CCoord along = IsHorizontal() ? where.x - m_size.left : where.y - m_size.top;
    const CCoord handleLength = IsHorizontal() ? m_handleWidth : m_handleHeight;
    const CCoord handlePosition = PositionForValue(getValue());
    beginEdit();
    m_dragging = true;
    const bool onHandle = along >= handlePosition && along < handlePosition + handleLength;
    if (!onHandle && m_freeClick)
    {
        // The handle's centre jumps to the mouse.
        m_grabDelta = handleLength * 0.5;
        const float before = getValue();
        setValue(ValueForPosition(along - m_grabDelta));
        if (getValue() != before)
        {
            valueChanged();
        }
    }
    else
    {
        // Grabbed (or, without free click, dragged from wherever): no jump.
        m_grabDelta = along - handlePosition;
    }
    m_pressValue = getValue();
    m_pressPosition = along;
    m_pressButtons = buttons;
    return kMouseEventHandled;
}

CMouseEventResult CSlider::onMouseMoved(CPoint& where, const long& buttons)
{
    if (!m_dragging || (buttons & kLButton) == 0)
    {
        return kMouseEventHandled;
    }
    const CCoord along = IsHorizontal() ? where.x - m_size.left : where.y - m_size.top;
    if ((buttons & kShift) != (m_pressButtons & kShift))
    {
        // Fine drag switched on or off: continue from here.
        m_pressValue = getValue();
        m_pressPosition = along;
        m_pressButtons = buttons;
    }
    const float moved =
        ValueForPosition(along - m_grabDelta) - ValueForPosition(m_pressPosition - m_grabDelta);
    const float scale = (buttons & kShift) != 0 ? 1.0f / m_zoomFactor : 1.0f;
    const float before = getValue();
    setValue(m_pressValue + moved * scale);
    bounceValue();
    if (getValue() != before)
    {
        valueChanged();
    }
    return kMouseEventHandled;
}

CMouseEventResult CSlider::onMouseUp(CPoint& /*where*/, const long& /*buttons*/)
{
    if (m_dragging)
    {
        m_dragging = false;
        endEdit();
    }
    return kMouseEventHandled;
}

bool CSlider::isTypeOf(const char* type) const
{
    return IsSameTypeName(type, "CSlider") || CControl::isTypeOf(type);
}

} // namespace VSTGUI
