#include "HorizontalSwitch.h"

namespace VSTGUI
{

CHorizontalSwitch::CHorizontalSwitch(const CRect& size, CControlListener* listener, long tag,
                                     int subPixmaps, CCoord heightOfOneImage, int iMaxPositions,
                                     CBitmap* background, const CPoint& offset)
    : CSwitchBase(size, listener, tag, subPixmaps, heightOfOneImage, iMaxPositions, background,
                  offset, true)
{
}

bool CHorizontalSwitch::isTypeOf(const char* type) const
{
    return IsSameTypeName(type, "CHorizontalSwitch") || CSwitchBase::isTypeOf(type);
}

} // namespace VSTGUI
