#include "VuMeter.h"

#include "Bitmap.h"
#include "DrawContext.h"

#include <cmath>

namespace VSTGUI
{

CVuMeter::CVuMeter(const CRect& size, CBitmap* onBitmap, CBitmap* offBitmap, int nbLed, long style)
    : CControl(size), m_nbLed(nbLed < 1 ? 1 : nbLed), m_style(style)
{
    setOnBitmap(onBitmap);
    setOffBitmap(offBitmap);
}

CVuMeter::CVuMeter(const CVuMeter& other)
    : CControl(other), m_nbLed(other.m_nbLed), m_style(other.m_style),
      m_decreaseStep(other.m_decreaseStep)
{
    setOnBitmap(other.m_onBitmap);
    setOffBitmap(other.m_offBitmap);
}

CVuMeter::~CVuMeter()
{
    setOnBitmap(nullptr);
    setOffBitmap(nullptr);
}

void CVuMeter::setOnBitmap(CBitmap* bitmap)
{
    if (bitmap != nullptr)
    {
        bitmap->remember();
    }
    if (m_onBitmap != nullptr)
    {
        m_onBitmap->forget();
    }
    m_onBitmap = bitmap;
}

void CVuMeter::setOffBitmap(CBitmap* bitmap)
{
    if (bitmap != nullptr)
    {
        bitmap->remember();
    }
    if (m_offBitmap != nullptr)
    {
        m_offBitmap->forget();
    }
    m_offBitmap = bitmap;
}

int CVuMeter::getLitSegments() const
{
    const int lit = static_cast<int>(std::lround(m_shownValue * m_nbLed));
    return lit < 0 ? 0 : (lit > m_nbLed ? m_nbLed : lit);
}

void CVuMeter::draw(CDrawContext* context)
{
    const float range = getRange();
    float target = range != 0.0f ? (getValue() - m_min) / range : 0.0f;
    target = std::isnan(target) ? 0.0f : std::fmin(1.0f, std::fmax(0.0f, target));
    // Rises at once, falls by one step per paint.
    float shown = m_shownValue - m_decreaseStep;
    if (shown < target)
    {
        shown = target;
    }
    m_shownValue = shown;

    if (m_offBitmap != nullptr)
    {
        m_offBitmap->draw(context, m_size);
    }
    const int lit = getLitSegments();
    if (m_onBitmap != nullptr && lit > 0)
    {
        if ((m_style & kHorizontal) != 0)
        {
            const CCoord width = m_size.getWidth() * lit / m_nbLed;
            m_onBitmap->draw(context,
                             CRect(m_size.left, m_size.top, m_size.left + width, m_size.bottom));
        }
        else
        {
            const CCoord height = m_size.getHeight() * lit / m_nbLed;
            m_onBitmap->draw(
                context, CRect(m_size.left, m_size.bottom - height, m_size.right, m_size.bottom),
                CPoint(0.0, m_size.getHeight() - height));
        }
    }
    setOldValue(getValue());
    // Still falling: stay dirty so that the next idle paints the next step.
    setDirty(m_shownValue > target);
}

bool CVuMeter::isTypeOf(const char* type) const
{
    return IsSameTypeName(type, "CVuMeter") || CControl::isTypeOf(type);
}

} // namespace VSTGUI
