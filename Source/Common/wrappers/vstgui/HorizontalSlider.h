// A horizontal CSlider (style kLeft by default: the minimum at the left). UI thread
// only (except setValue).
#pragma once

#include "Slider.h"

namespace VSTGUI
{

class CHorizontalSlider : public CSlider
{
public:
    CHorizontalSlider(const CRect& size, CControlListener* listener, long tag, long iMinPos,
                      long iMaxPos, CBitmap* handle, CBitmap* background,
                      const CPoint& offset = CPoint(), long style = kLeft);
    CHorizontalSlider(const CHorizontalSlider& other) = default;

    bool isTypeOf(const char* type) const override;
    CBaseObject* newCopy() const override
    {
        return new CHorizontalSlider(*this);
    }
};

} // namespace VSTGUI
