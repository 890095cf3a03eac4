#include "BaseOnOffButton.h"

using namespace VSTGUI;

CBaseOnOffButton::CBaseOnOffButton(const CRect& size, CControlListener* listener, long tag,
                                   CBitmap* background, long style)
    : COnOffButton(size, listener, tag, background, style)
{
}

CMouseEventResult CBaseOnOffButton::onMouseDown(CPoint& where, const long& buttons)
{
    m_pressButtons = buttons;
    m_pressed = true;
    m_toolkitPressed = false;
    const bool contextClick = ControlGestures::IsContextClick(buttons);
    if (auto* gestures = dynamic_cast<IControlGestureListener*>(getListener()))
        gestures->OnControlMouseDown(getTag(), contextClick);
    if (!contextClick)
        m_toolkitPressed = COnOffButton::onMouseDown(where, buttons) == kMouseEventHandled;
    return kMouseEventHandled;
}

CMouseEventResult CBaseOnOffButton::onMouseUp(CPoint& where, const long& buttons)
{
    if (!m_pressed)
        return kMouseEventNotHandled;
    m_pressed = false;
    if (auto* gestures = dynamic_cast<IControlGestureListener*>(getListener()))
        gestures->OnControlMouseUp(getTag(), ControlGestures::IsContextClick(m_pressButtons));
    if (m_toolkitPressed)
    {
        m_toolkitPressed = false;
        COnOffButton::onMouseUp(where, buttons);
    }
    return kMouseEventHandled;
}

bool CBaseOnOffButton::isTypeOf(const char* type) const
{
    return IsSameTypeName(type, "CBaseOnOffButton") || COnOffButton::isTypeOf(type);
}
