#include "Control.h"

#include "Bitmap.h"
#include "EditorInterface.h"
#include "Frame.h"

#include <cmath>

namespace VSTGUI
{

CControl::CControl(const CRect& size, CControlListener* listener, long tag, CBitmap* background)
    : CView(size), m_listener(listener), m_tag(tag)
{
    if (background != nullptr)
    {
        setBackground(background);
    }
}

CControl::CControl(const CControl& other)
    : CView(other), m_listener(other.m_listener), m_tag(other.m_tag), m_oldValue(other.m_oldValue),
      m_defaultValue(other.m_defaultValue), m_min(other.m_min), m_max(other.m_max),
      m_wheelInc(other.m_wheelInc)
{
    m_value.store(other.getValue(), std::memory_order_relaxed);
}

CControl::~CControl()
{
    if (m_wheelTimer != nullptr)
    {
        m_wheelTimer->forget(); // stops it
    }
}

void CControl::setValue(float value)
{
    const float old = m_value.exchange(value, std::memory_order_relaxed);
    // NaN never equals anything: compare bit-wise so that a NaN set twice is one change.
    if (!(old == value) && !(std::isnan(old) && std::isnan(value)))
    {
        setDirty(true);
    }
}

void CControl::bounceValue()
{
    float value = getValue();
    if (!(value >= m_min))
    {
        value = m_min; // also NaN
    }
    else if (value > m_max)
    {
        value = m_max;
    }
    setValue(value);
}

void CControl::valueChanged()
{
    if (m_listener != nullptr)
    {
        m_listener->valueChanged(this);
    }
}

void CControl::beginEdit()
{
    if (m_editCount++ == 0)
    {
        m_editTag = m_tag;
        CFrame* frame = getFrame();
        if (frame != nullptr && frame->getEditor() != nullptr)
        {
            frame->getEditor()->beginEdit(m_editTag);
        }
    }
}

void CControl::endEdit()
{
    if (m_editCount <= 0)
    {
        return;
    }
    if (--m_editCount == 0)
    {
        CFrame* frame = getFrame();
        if (frame != nullptr && frame->getEditor() != nullptr)
        {
            frame->getEditor()->endEdit(m_editTag);
        }
    }
}

bool CControl::checkDefaultValue(long buttons)
{
    if ((buttons & (kControl | kLButton)) != (kControl | kLButton))
    {
        return false;
    }
    beginEdit();
    setValue(m_defaultValue);
    valueChanged();
    endEdit();
    return true;
}

bool CControl::onWheel(const CPoint& /*where*/, const float& distance, const long& /*buttons*/)
{
    if (!m_mouseEnabled || !std::isfinite(distance))
    {
        return false;
    }
    if (m_wheelTimer == nullptr)
    {
        m_wheelTimer = new CVSTGUITimer(this, kWheelQuietMs);
    }
    if (!m_wheelTimer->isRunning())
    {
        beginEdit();
    }
    m_wheelTimer->start(); // (re)starts the quiet period
    const float old = getValue();
    setValue(old + distance * m_wheelInc * getRange());
    bounceValue();
    if (getValue() != old)
    {
        valueChanged();
    }
    return true;
}

CMessageResult CControl::notify(CBaseObject* sender, const char* message)
{
    if (sender == m_wheelTimer && message == CVSTGUITimer::kMsgTimer)
    {
        m_wheelTimer->stop();
        endEdit(); // the wheel has been quiet: the gesture is over
        return kMessageNotified;
    }
    return CView::notify(sender, message);
}

bool CControl::removed(CView* parent)
{
    if (m_wheelTimer != nullptr)
    {
        m_wheelTimer->stop();
    }
    if (m_editCount > 0)
    {
        m_editCount = 1;
        endEdit();
    }
    return CView::removed(parent);
}

int CControl::GetStripIndex(int count, bool inverse) const
{
    if (count <= 1)
    {
        return 0;
    }
    const float range = getRange();
    float normalized = range != 0.0f ? (getValue() - m_min) / range : 0.0f;
    if (!(normalized >= 0.0f))
    {
        normalized = 0.0f; // also NaN
    }
    else if (normalized > 1.0f)
    {
        normalized = 1.0f;
    }
    if (inverse)
    {
        normalized = 1.0f - normalized;
    }
    // Snapped down; the small allowance keeps values a float rounding step below a frame on it.
    int index = static_cast<int>(std::floor(normalized * static_cast<float>(count - 1) + 1e-4f));
    if (index > count - 1)
    {
        index = count - 1;
    }
    return index < 0 ? 0 : index;
}

bool CControl::isTypeOf(const char* type) const
{
    return IsSameTypeName(type, "CControl") || CView::isTypeOf(type);
}

} // namespace VSTGUI
