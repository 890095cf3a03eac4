#include "RandomizeControl.h"

#include "Common/wrappers/ControlGestureListener.h"
#include "vstgui/Bitmap.h"

using namespace VSTGUI;

CRandomizeControl::CRandomizeControl(CBaseEffect* effect, const CRect& size, CBitmap* bitmap,
                                     int kind, int index)
    : CKickButton(size, nullptr, -1, size.getHeight(), bitmap), m_randomizer(effect),
      m_kind(kind), m_index(index)
{
}

void CRandomizeControl::SetTarget(int kind, int index)
{
    m_kind = kind;
    m_index = index;
}

CMouseEventResult CRandomizeControl::onMouseDown(CPoint& where, const long& buttons)
{
    if (ControlGestures::IsContextClick(buttons) || !(buttons & kLButton))
    {
        m_leftPressed = false;
        m_randomizer.Reset(m_kind, m_index);
        return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
    }
    m_leftPressed = true;
    m_valueBefore = getValue();
    setValue(1.0f);
    invalid();
    m_randomizer.Randomize(m_kind, m_index);
    CKickButton::onMouseDown(where, buttons);
    return kMouseEventHandled;
}

CMouseEventResult CRandomizeControl::onMouseMoved(CPoint& where, const long& buttons)
{
    if (!m_leftPressed || !(buttons & kLButton))
        return kMouseEventHandled;
    setValue(getViewSize().pointInside(where) ? 1.0f : m_valueBefore);
    if (isDirty())
        invalid();
    return kMouseEventHandled;
}

CMouseEventResult CRandomizeControl::onMouseUp(CPoint& where, const long& buttons)
{
    if (m_leftPressed)
        CKickButton::onMouseUp(where, buttons);
    m_leftPressed = false;
    setValue(0.0f);
    invalid();
    return kMouseEventHandled;
}

bool CRandomizeControl::isTypeOf(const char* type) const
{
    return IsSameTypeName(type, "CRandomizeControl") || CKickButton::isTypeOf(type);
}
