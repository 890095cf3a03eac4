#include "BaseHorizontalSlider.h"

using namespace VSTGUI;

CBaseHorizontalSlider::CBaseHorizontalSlider(const CRect& size, CControlListener* listener, long tag, long minPos,
                          long maxPos, CBitmap* handle, CBitmap* background,
                          const CPoint& offset, long style)
    : TGestureReportingControl<CHorizontalSlider>(size, listener, tag, minPos, maxPos, handle, background, offset, style)
{
}

bool CBaseHorizontalSlider::isTypeOf(const char* type) const
{
    return IsSameTypeName(type, "CBaseHorizontalSlider") || CHorizontalSlider::isTypeOf(type);
}
