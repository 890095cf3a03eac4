#include "BaseVerticalSlider.h"

using namespace VSTGUI;

CBaseVerticalSlider::CBaseVerticalSlider(const CRect& size, CControlListener* listener, long tag, long minPos,
                        long maxPos, CBitmap* handle, CBitmap* background,
                        const CPoint& offset, long style)
    : TGestureReportingControl<CVerticalSlider>(size, listener, tag, minPos, maxPos, handle, background, offset, style)
{
}

bool CBaseVerticalSlider::isTypeOf(const char* type) const
{
    return IsSameTypeName(type, "CBaseVerticalSlider") || CVerticalSlider::isTypeOf(type);
}
