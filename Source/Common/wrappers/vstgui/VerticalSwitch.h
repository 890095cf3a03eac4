// A vertical row of positions (see CSwitchBase): the position under the mouse along the vertical
// axis is picked. UI thread only (except setValue).
#pragma once

#include "SwitchBase.h"

namespace VSTGUI
{

class CVerticalSwitch : public CSwitchBase
{
public:
    CVerticalSwitch(const CRect& size, CControlListener* listener, long tag, int subPixmaps,
                    CCoord heightOfOneImage, int iMaxPositions, CBitmap* background,
                    const CPoint& offset = CPoint());
    CVerticalSwitch(const CVerticalSwitch& other) = default;

    bool isTypeOf(const char* type) const override;
    CBaseObject* newCopy() const override
    {
        return new CVerticalSwitch(*this);
    }
};

} // namespace VSTGUI
