#include "CorrelationMeter.h"

#include "vstgui/DrawContext.h"

#include <cmath>

using namespace VSTGUI;

namespace
{
constexpr CColor kPositiveBar(255, 255, 255, 200);
constexpr CColor kNegativeBar(255, 255, 255, 70);
} // namespace

CCorrelationMeter::CCorrelationMeter(const CRect& size) : CControl(size, nullptr, -1)
{
    setMin(-1.0f);
    setMax(1.0f);
    setValue(0.0f);
    setTransparency(true);
    setMouseEnabled(false);
}

CRect CCorrelationMeter::GetBarRect() const
{
    return BarRectFor(getValue());
}

CRect CCorrelationMeter::BarRectFor(float value) const
{
    if (!(value >= -1.0f))
        value = -1.0f;
    if (value > 1.0f)
        value = 1.0f;
    const CRect& size = getViewSize();
    const CCoord centre = (size.top + size.bottom) * 0.5;
    const CCoord end = centre - value * size.getHeight() * 0.5;
    if (end < centre)
        return CRect(size.left, end, size.right, centre);
    return CRect(size.left, centre, size.right, end);
}

void CCorrelationMeter::setValue(float value)
{
    const CRect before = GetBarRect();
    const CRect after = BarRectFor(value);
    const auto pixel = [this](CCoord coordinate) { return std::lround(coordinate * m_scale); };
    const bool moved = pixel(before.top) != pixel(after.top) ||
                       pixel(before.bottom) != pixel(after.bottom) ||
                       (getValue() > 0.0f) != (value > 0.0f);
    // A value that paints the same pixels is not taken: the next one is compared with the
    // one shown, so a slow drift still moves the bar once it reaches the next pixel.
    if (moved)
        CControl::setValue(value);
}

void CCorrelationMeter::draw(CDrawContext* context)
{
    const CRect bar = GetBarRect();
    if (!bar.isEmpty())
    {
        const CColor previous = context->getFillColor();
        context->setFillColor(getValue() > 0.0f ? kPositiveBar : kNegativeBar);
        context->drawRect(bar, kDrawFilled);
        context->setFillColor(previous);
    }
    setDirty(false);
}

bool CCorrelationMeter::isTypeOf(const char* type) const
{
    return IsSameTypeName(type, "CCorrelationMeter") || CControl::isTypeOf(type);
}
