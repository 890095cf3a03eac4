#include "BaseHorizontalSelector.h"

using namespace VSTGUI;

CBaseHorizontalSelector::CBaseHorizontalSelector(const CRect& size, CControlListener* listener, long tag, int subPixmaps,
                            CCoord heightOfOneImage, int positions, CBitmap* background)
    : TGestureReportingControl<CHorizontalSwitch>(size, listener, tag, subPixmaps, heightOfOneImage, positions, background)
{
}

bool CBaseHorizontalSelector::isTypeOf(const char* type) const
{
    return IsSameTypeName(type, "CBaseHorizontalSelector") || CHorizontalSwitch::isTypeOf(type);
}
