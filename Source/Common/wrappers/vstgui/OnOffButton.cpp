#include "OnOffButton.h"

#include "Bitmap.h"
#include "DrawContext.h"

namespace VSTGUI
{

COnOffButton::COnOffButton(const CRect& size, CControlListener* listener, long tag,
                           CBitmap* background, long style)
    : CControl(size, listener, tag, background), m_style(style)
{
}

void COnOffButton::draw(CDrawContext* context)
{
    if (m_background != nullptr)
    {
        const CCoord frameHeight = m_size.getHeight();
        const CCoord y = getValue() > 0.5f ? frameHeight : 0.0;
        m_background->draw(context, m_size, CPoint(0.0, y));
    }
    setOldValue(getValue());
    setDirty(false);
}

CMouseEventResult COnOffButton::onMouseDown(CPoint& /*where*/, const long& buttons)
{
    if (!m_mouseEnabled || (buttons & kLButton) == 0)
    {
        return kMouseEventNotHandled;
    }
    setValue(getValue() > 0.5f ? m_min : m_max);
    beginEdit();
    if ((m_style & kPostListenerUpdate) != 0)
    {
        // The new look first (painted at the next idle), then the listener.
        invalid();
        valueChanged();
    }
    else
    {
        valueChanged();
        invalid();
    }
    endEdit();
    return kMouseEventHandled;
}

CMouseEventResult COnOffButton::onMouseUp(CPoint& /*where*/, const long& /*buttons*/)
{
    return kMouseEventHandled;
}

bool COnOffButton::isTypeOf(const char* type) const
{
    return IsSameTypeName(type, "COnOffButton") || CControl::isTypeOf(type);
}

} // namespace VSTGUI
