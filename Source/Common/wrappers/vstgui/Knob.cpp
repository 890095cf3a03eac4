#include "Knob.h"

#include "Bitmap.h"
#include "DrawContext.h"
#include "EditorInterface.h"
#include "Frame.h"

#include <cmath>

namespace VSTGUI
{

namespace
{
constexpr double kPi = 3.14159265358979323846;
constexpr CCoord kLinearRangePixels = 200.0; // a drag this long spans the whole range

double WrapDegrees(double degrees) // into (-180, 180]
{
    degrees = std::fmod(degrees, 360.0);
    if (degrees > 180.0)
    {
        degrees -= 360.0;
    }
    else if (degrees <= -180.0)
    {
        degrees += 360.0;
    }
    return degrees;
}
} // namespace

CKnob::CKnob(const CRect& size, CControlListener* listener, long tag, CBitmap* background,
             CBitmap* handle, const CPoint& offset)
    : CControl(size, listener, tag, background), m_offset(offset)
{
    setHandleBitmap(handle);
}

CKnob::CKnob(const CKnob& other)
    : CControl(other), m_handle(other.m_handle), m_offset(other.m_offset),
      m_colorHandle(other.m_colorHandle), m_colorShadowHandle(other.m_colorShadowHandle),
      m_inset(other.m_inset), m_startAngle(other.m_startAngle), m_rangeAngle(other.m_rangeAngle),
      m_zoomFactor(other.m_zoomFactor)
{
    if (m_handle != nullptr)
    {
        m_handle->remember();
    }
}

CKnob::~CKnob()
{
    if (m_handle != nullptr)
    {
        m_handle->forget();
    }
}

void CKnob::setHandleBitmap(CBitmap* handle)
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
    setDirty(true);
}

void CKnob::draw(CDrawContext* context)
{
    if (m_background != nullptr)
    {
        m_background->draw(context, m_size, m_offset);
    }
    const float range = getRange();
    float normalized = range != 0.0f ? (getValue() - m_min) / range : 0.0f;
    normalized = std::isnan(normalized) ? 0.0f : std::fmin(1.0f, std::fmax(0.0f, normalized));
    const double valueAngle = m_startAngle + normalized * m_rangeAngle;

    CRect ring(m_size);
    ring.inset(m_inset, m_inset);
    const CCoord side = std::fmin(ring.getWidth(), ring.getHeight());
    ring = CRect(ring.getCenter().x - side * 0.5, ring.getCenter().y - side * 0.5,
                 ring.getCenter().x + side * 0.5, ring.getCenter().y + side * 0.5);
    if (m_handle != nullptr)
    {
        // A bitmap handle sits on the ring at the value's angle.
        const double radians = valueAngle * kPi / 180.0;
        const CCoord radius = side * 0.5 - m_handle->getWidth() * 0.5;
        const CPoint centre = ring.getCenter();
        const CPoint at(centre.x + std::sin(radians) * radius - m_handle->getWidth() * 0.5,
                        centre.y - std::cos(radians) * radius - m_handle->getHeight() * 0.5);
        m_handle->draw(context, CRect(at, CPoint(m_handle->getWidth(), m_handle->getHeight())));
    }
    else if (side > 2.0)
    {
        context->setDrawMode(kAntiAliasing);
        context->setLineWidth(std::fmax(1.0, side / 12.0));
        context->setFrameColor(m_colorShadowHandle);
        context->drawArc(ring, m_startAngle, m_startAngle + m_rangeAngle, kDrawStroked);
        if (normalized > 0.0f)
        {
            context->setFrameColor(m_colorHandle);
            context->drawArc(ring, m_startAngle, valueAngle, kDrawStroked);
        }
        const double radians = valueAngle * kPi / 180.0;
        const CPoint centre = ring.getCenter();
        const CCoord length = side * 0.5 - context->getLineWidth() * 1.5;
        context->setLineWidth(std::fmax(1.0, side / 16.0));
        context->setFrameColor(m_colorHandle);
        context->drawLine(centre, CPoint(centre.x + std::sin(radians) * length,
                                         centre.y - std::cos(radians) * length));
    }
    setOldValue(getValue());
    setDirty(false);
}

int CKnob::GetKnobMode() const
{
    CFrame* frame = getFrame();
    if (frame != nullptr && frame->getEditor() != nullptr)
    {
        return frame->getEditor()->getKnobMode();
    }
    return kCircularMode;
}

double CKnob::AngleOf(const CPoint& where) const
{
    const CPoint centre = m_size.getCenter();
    return std::atan2(where.x - centre.x, centre.y - where.y) * 180.0 / kPi;
}

float CKnob::ValueFromPoint(const CPoint& where) const
{
    if (!(m_rangeAngle > 0.0))
    {
        return getValue();
    }
    double relative = std::fmod(AngleOf(where) - m_startAngle, 360.0);
    if (relative < 0.0)
    {
        relative += 360.0;
    }
    if (relative > m_rangeAngle)
    {
        // In the dead zone below the knob: the nearer end.
        relative = (relative - m_rangeAngle < 360.0 - relative) ? m_rangeAngle : 0.0;
    }
    return m_min + static_cast<float>(relative / m_rangeAngle) * getRange();
}

CMouseEventResult CKnob::onMouseDown(CPoint& where, const long& buttons)
{
    if (!m_mouseEnabled || (buttons & kLButton) == 0)
    {
        return kMouseEventNotHandled;
    }
    if (checkDefaultValue(buttons))
    {
        return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
    }
    m_dragging = false;
    if ((buttons & kDoubleClick) != 0)
    {
        // A double-click is a gesture of its own (reset): it must not turn into a drag that
        // writes the value from before the reset back.
        return kMouseEventHandled;
    }
    beginEdit();
    m_dragging = true;
    m_firstPoint = where;
    m_lastPoint = where;
    m_entryValue = getValue();
    m_dragButtons = buttons;
    m_lastAngle = AngleOf(where);
    m_linearDrag = GetKnobMode() == kLinearMode;
    const float pixels =
        static_cast<float>(kLinearRangePixels) * ((buttons & kShift) != 0 ? m_zoomFactor : 1.0f);
    m_coef = getRange() / pixels;
    return kMouseEventHandled;
}

CMouseEventResult CKnob::onMouseMoved(CPoint& where, const long& buttons)
{
    if (!m_dragging || (buttons & kLButton) == 0)
    {
        return kMouseEventHandled;
    }
    const float before = getValue();
    if (m_linearDrag)
    {
        if ((buttons & kShift) != (m_dragButtons & kShift))
        {
            // Fine drag switched on or off: continue from here at the new rate.
            m_entryValue = before;
            m_firstPoint = where;
            const float pixels = static_cast<float>(kLinearRangePixels) *
                                 ((buttons & kShift) != 0 ? m_zoomFactor : 1.0f);
            m_coef = getRange() / pixels;
            m_dragButtons = buttons;
        }
        // Up or right raises the value.
        const CCoord difference = (m_firstPoint.y - where.y) + (where.x - m_firstPoint.x);
        setValue(m_entryValue + static_cast<float>(difference) * m_coef);
    }
    else if (GetKnobMode() == kRelativCircularMode)
    {
        const double angle = AngleOf(where);
        const double delta = WrapDegrees(angle - m_lastAngle);
        m_lastAngle = angle;
        if (m_rangeAngle > 0.0)
        {
            float scale = (buttons & kShift) != 0 ? 1.0f / m_zoomFactor : 1.0f;
            setValue(before + static_cast<float>(delta / m_rangeAngle) * getRange() * scale);
        }
    }
    else
    {
        const float target = ValueFromPoint(where);
        // No jumps across the dead zone from one end to the other.
        if (std::fabs(target - before) <= 0.5f * getRange())
        {
            setValue(target);
        }
    }
    bounceValue();
    m_lastPoint = where;
    if (getValue() != before)
    {
        valueChanged();
    }
    return kMouseEventHandled;
}

CMouseEventResult CKnob::onMouseUp(CPoint& /*where*/, const long& /*buttons*/)
{
    if (m_dragging)
    {
        m_dragging = false;
        endEdit();
    }
    return kMouseEventHandled;
}

bool CKnob::isTypeOf(const char* type) const
{
    return IsSameTypeName(type, "CKnob") || CControl::isTypeOf(type);
}

} // namespace VSTGUI
