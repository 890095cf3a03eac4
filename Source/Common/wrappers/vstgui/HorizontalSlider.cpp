#include "HorizontalSlider.h"

namespace VSTGUI
{

CHorizontalSlider::CHorizontalSlider(const CRect& size, CControlListener* listener, long tag,
                                     long iMinPos, long iMaxPos, CBitmap* handle,
                                     CBitmap* background, const CPoint& offset, long style)
    : CSlider(size, listener, tag, iMinPos, iMaxPos, handle, background, offset,
              (style & ~(kHorizontal | kVertical)) | kHorizontal)
{
}

bool CHorizontalSlider::isTypeOf(const char* type) const
{
    return IsSameTypeName(type, "CHorizontalSlider") || CSlider::isTypeOf(type);
}

} // namespace VSTGUI
