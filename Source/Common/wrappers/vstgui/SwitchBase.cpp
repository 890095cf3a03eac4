#include "SwitchBase.h"

#include "Bitmap.h"
#include "DrawContext.h"

#include <cmath>

namespace VSTGUI
{

CSwitchBase::CSwitchBase(const CRect& size, CControlListener* listener, long tag, int subPixmaps,
                         CCoord heightOfOneImage, int iMaxPositions, CBitmap* background,
                         const CPoint& offset, bool horizontal)
    : CControl(size, listener, tag, background), m_subPixmaps(subPixmaps < 1 ? 1 : subPixmaps),
      m_heightOfOneImage(heightOfOneImage), m_positions(iMaxPositions < 1 ? 1 : iMaxPositions),
      m_offset(offset), m_horizontal(horizontal)
{
}

int CSwitchBase::getCurrentPosition() const
{
    if (m_positions <= 1)
    {
        return 0;
    }
    const float range = getRange();
    float normalized = range != 0.0f ? (getValue() - m_min) / range : 0.0f;
    if (!(normalized >= 0.0f))
    {
        normalized = 0.0f;
    }
    const int position = static_cast<int>(std::lround(normalized * (m_positions - 1)));
    return position > m_positions - 1 ? m_positions - 1 : position;
}

int CSwitchBase::PositionAt(const CPoint& where) const
{
    const CCoord along = m_horizontal ? where.x - m_size.left : where.y - m_size.top;
    const CCoord length = m_horizontal ? m_size.getWidth() : m_size.getHeight();
    if (!(length > 0.0))
    {
        return 0;
    }
    int position = static_cast<int>(std::floor(along / (length / m_positions)));
    if (position < 0)
    {
        position = 0;
    }
    return position > m_positions - 1 ? m_positions - 1 : position;
}

void CSwitchBase::draw(CDrawContext* context)
{
    if (m_background != nullptr)
    {
        int frame = getCurrentPosition();
        if (frame > m_subPixmaps - 1)
        {
            frame = m_subPixmaps - 1;
        }
        m_background->draw(context, m_size,
                           CPoint(m_offset.x, m_offset.y + frame * m_heightOfOneImage));
    }
    setOldValue(getValue());
    setDirty(false);
}

CMouseEventResult CSwitchBase::onMouseDown(CPoint& where, const long& buttons)
{
    if (!m_mouseEnabled || (buttons & kLButton) == 0)
    {
        return kMouseEventNotHandled;
    }
    if (checkDefaultValue(buttons))
    {
        return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
    }
    beginEdit();
    m_dragging = true;
    return onMouseMoved(where, buttons);
}

CMouseEventResult CSwitchBase::onMouseMoved(CPoint& where, const long& buttons)
{
    if (!m_dragging || (buttons & kLButton) == 0)
    {
        return kMouseEventHandled;
    }
    const int position = PositionAt(where);
    const float value = m_positions > 1
                            ? m_min + getRange() * static_cast<float>(position) / (m_positions - 1)
                            : m_min;
    if (value != getValue())
    {
        setValue(value);
        valueChanged();
    }
    return kMouseEventHandled;
}

CMouseEventResult CSwitchBase::onMouseUp(CPoint& /*where*/, const long& /*buttons*/)
{
    if (m_dragging)
    {
        m_dragging = false;
        endEdit();
    }
    return kMouseEventHandled;
}

bool CSwitchBase::isTypeOf(const char* type) const
{
    return IsSameTypeName(type, "CSwitchBase") || CControl::isTypeOf(type);
}

} // namespace VSTGUI
