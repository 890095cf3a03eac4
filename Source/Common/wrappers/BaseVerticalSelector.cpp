#include "BaseVerticalSelector.h"

using namespace VSTGUI;

CBaseVerticalSelector::CBaseVerticalSelector(const CRect& size, CControlListener* listener, long tag, int subPixmaps,
                          CCoord heightOfOneImage, int positions, CBitmap* background)
    : TGestureReportingControl<CVerticalSwitch>(size, listener, tag, subPixmaps, heightOfOneImage, positions, background)
{
}

bool CBaseVerticalSelector::isTypeOf(const char* type) const
{
    return IsSameTypeName(type, "CBaseVerticalSelector") || CVerticalSwitch::isTypeOf(type);
}
