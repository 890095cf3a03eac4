// A vertical CSlider (style kBottom by default: the minimum at the bottom). UI thread
// only (except setValue).
#pragma once

#include "Slider.h"

namespace VSTGUI
{

class CVerticalSlider : public CSlider
{
public:
    CVerticalSlider(const CRect& size, CControlListener* listener, long tag, long iMinPos,
                    long iMaxPos, CBitmap* handle, CBitmap* background,
                    const CPoint& offset = CPoint(), long style = kBottom);
    CVerticalSlider(const CVerticalSlider& other) = default;

    bool isTypeOf(const char* type) const override;
    CBaseObject* newCopy() const override
    {
        return new CVerticalSlider(*this);
    }
};

} // namespace VSTGUI
