#include "ModSlider.h"

#include "vstgui/Bitmap.h"
#include "vstgui/DrawContext.h"

#include <algorithm>
#include <cmath>

using namespace VSTGUI;

namespace
{
long HandleWidth(CBitmap* handle)
{
    return handle ? static_cast<long>(handle->getWidth()) : 0;
}
} // namespace

CModSlider::CModSlider(const CRect& size, CControlListener* listener, long tag, CBitmap* handle,
                       long style)
    : CBaseHorizontalSlider(size, listener, tag, static_cast<long>(size.left),
                            static_cast<long>(size.right) - HandleWidth(handle), handle, nullptr,
                            CPoint(), style)
{
    setFreeClick(true);
}

void CModSlider::draw(CDrawContext* context)
{
    if (m_background)
        m_background->draw(context, m_size, m_offset);

    const CColor oldFill = context->getFillColor();
    const CRect handle = getHandleRect();
    const CCoord centreX = std::floor(m_size.left + m_size.getWidth() * 0.5);
    const CCoord centreY = std::floor(m_size.top + m_size.getHeight() * 0.5);
    const CCoord handleCentreX = std::floor(handle.left + handle.getWidth() * 0.5);
    if (handleCentreX != centreX)
    {
        context->setFillColor(kBarColor);
        context->drawRect(CRect(std::min(centreX, handleCentreX), centreY - kBarHalfHeight,
                                std::max(centreX, handleCentreX), centreY + kBarHalfHeight),
                          kDrawFilled);
    }
    // The zero mark.
    context->setFillColor(kTickColor);
    context->drawRect(CRect(centreX, centreY - kBarHalfHeight, centreX + 1,
                            centreY + kBarHalfHeight + 1),
                      kDrawFilled);
    if (m_handle)
        m_handle->draw(context, handle);
    context->setFillColor(oldFill);
    setOldValue(getValue());
    setDirty(false);
}

bool CModSlider::isTypeOf(const char* type) const
{
    return IsSameTypeName(type, "CModSlider") || CBaseHorizontalSlider::isTypeOf(type);
}
