#include "BaseAnimKnob.h"

#include "ControlGestureListener.h"

using namespace VSTGUI;

CBaseAnimKnob::CBaseAnimKnob(const CRect& size, CControlListener* listener, long tag,
                             int subPixmaps, CCoord heightOfOneImage, CBitmap* background)
    : CAnimKnob(size, listener, tag, subPixmaps, heightOfOneImage, background)
{
    setWheelInc(kWheelIncrement);
}

CMouseEventResult CBaseAnimKnob::onMouseDown(CPoint& where, const long& buttons)
{
    m_contextDown = ControlGestures::IsContextClick(buttons);
    const bool doubleClick = ControlGestures::IsDoubleClick(buttons);
    m_dragging = false;
    if (!m_contextDown && !doubleClick)
        m_dragging = CAnimKnob::onMouseDown(where, buttons) == kMouseEventHandled;
    m_pressed = true;
    auto* gestures = dynamic_cast<IControlGestureListener*>(getListener());
    if (gestures)
        gestures->OnControlMouseDown(getTag(), m_contextDown);
    if (doubleClick && gestures)
        gestures->OnControlDoubleClick(getTag());
    return kMouseEventHandled;
}

CMouseEventResult CBaseAnimKnob::onMouseMoved(CPoint& where, const long& buttons)
{
    if (!m_dragging)
        return m_pressed ? kMouseEventHandled : kMouseEventNotHandled;
    return CAnimKnob::onMouseMoved(where, buttons);
}

CMouseEventResult CBaseAnimKnob::onMouseUp(CPoint& where, const long& buttons)
{
    if (!m_pressed)
        return kMouseEventNotHandled;
    m_pressed = false;
    if (auto* gestures = dynamic_cast<IControlGestureListener*>(getListener()))
        gestures->OnControlMouseUp(getTag(), m_contextDown);
    m_contextDown = false;
    if (m_dragging)
    {
        m_dragging = false;
        CAnimKnob::onMouseUp(where, buttons);
    }
    return kMouseEventHandled;
}

bool CBaseAnimKnob::isTypeOf(const char* type) const
{
    return IsSameTypeName(type, "CBaseAnimKnob") || CAnimKnob::isTypeOf(type);
}
