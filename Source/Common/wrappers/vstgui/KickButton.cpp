#include "KickButton.h"

#include "Bitmap.h"
#include "DrawContext.h"

namespace VSTGUI
{

CKickButton::CKickButton(const CRect& size, CControlListener* listener, long tag,
                         CCoord heightOfOneImage, CBitmap* background, const CPoint& offset)
    : CControl(size, listener, tag, background), m_heightOfOneImage(heightOfOneImage),
      m_offset(offset)
{
}

void CKickButton::draw(CDrawContext* context)
{
    if (m_background != nullptr)
    {
        const CCoord y = getValue() > 0.5f ? m_heightOfOneImage : 0.0;
        m_background->draw(context, m_size, CPoint(m_offset.x, m_offset.y + y));
    }
    setOldValue(getValue());
    setDirty(false);
}

CMouseEventResult CKickButton::onMouseDown(CPoint& where, const long& buttons)
{
    if (!m_mouseEnabled || (buttons & kLButton) == 0)
    {
        return kMouseEventNotHandled;
    }
    beginEdit();
    m_pressed = true;
    setValue(m_max);
    valueChanged();
    // The press is inside by definition and the value already says so. Not re-read from the
    // position: a listener may have run a modal menu and put the button's look back, and a
    // second look at the position would fire the press again.
    (void)where;
    return kMouseEventHandled;
}

CMouseEventResult CKickButton::onMouseMoved(CPoint& where, const long& buttons)
{
    if (!m_pressed)
    {
        return kMouseEventHandled;
    }
    const bool inside = (buttons & kLButton) != 0 && m_size.pointInside(where);
    const float value = inside ? m_max : m_min;
    if (value != getValue())
    {
        setValue(value);
        valueChanged();
    }
    return kMouseEventHandled;
}

CMouseEventResult CKickButton::onMouseUp(CPoint& /*where*/, const long& /*buttons*/)
{
    if (m_pressed)
    {
        m_pressed = false;
        setValue(m_min);
        valueChanged();
        endEdit();
    }
    return kMouseEventHandled;
}

bool CKickButton::isTypeOf(const char* type) const
{
    return IsSameTypeName(type, "CKickButton") || CControl::isTypeOf(type);
}

} // namespace VSTGUI
