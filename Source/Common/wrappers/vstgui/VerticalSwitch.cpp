#include "VerticalSwitch.h"

namespace VSTGUI
{

CVerticalSwitch::CVerticalSwitch(const CRect& size, CControlListener* listener, long tag,
                                 int subPixmaps, CCoord heightOfOneImage, int iMaxPositions,
                                 CBitmap* background, const CPoint& offset)
    : CSwitchBase(size, listener, tag, subPixmaps, heightOfOneImage, iMaxPositions, background,
                  offset, false)
{
}

bool CVerticalSwitch::isTypeOf(const char* type) const
{
    return IsSameTypeName(type, "CVerticalSwitch") || CSwitchBase::isTypeOf(type);
}

} // namespace VSTGUI
