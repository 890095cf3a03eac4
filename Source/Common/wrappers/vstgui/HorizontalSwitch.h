// A horizontal row of positions (see CSwitchBase): the position under the mouse along the
// horizontal axis is picked. UI thread only (except setValue).
#pragma once

#include "SwitchBase.h"

namespace VSTGUI
{

class CHorizontalSwitch : public CSwitchBase
{
public:
    CHorizontalSwitch(const CRect& size, CControlListener* listener, long tag, int subPixmaps,
                      CCoord heightOfOneImage, int iMaxPositions, CBitmap* background,
                      const CPoint& offset = CPoint());
    CHorizontalSwitch(const CHorizontalSwitch& other) = default;

    bool isTypeOf(const char* type) const override;
    CBaseObject* newCopy() const override
    {
        return new CHorizontalSwitch(*this);
    }
};

} // namespace VSTGUI
