#include "VerticalSlider.h"

namespace VSTGUI
{

CVerticalSlider::CVerticalSlider(const CRect& size, CControlListener* listener, long tag,
                                 long iMinPos, long iMaxPos, CBitmap* handle, CBitmap* background,
                                 const CPoint& offset, long style)
    : CSlider(size, listener, tag, iMinPos, iMaxPos, handle, background, offset,
              (style & ~(kHorizontal | kVertical)) | kVertical)
{
}

bool CVerticalSlider::isTypeOf(const char* type) const
{
    return IsSameTypeName(type, "CVerticalSlider") || CSlider::isTypeOf(type);
}

} // namespace VSTGUI
