// A row of positions for a list parameter (the toolkit's horizontal switch) with the
// editor's gesture protocol (GestureReportingControl.h). User-interface thread.
#pragma once

#include "GestureReportingControl.h"
#include "vstgui/HorizontalSwitch.h"

class CBaseHorizontalSelector : public TGestureReportingControl<VSTGUI::CHorizontalSwitch>
{
public:
    CBaseHorizontalSelector(const VSTGUI::CRect& size, VSTGUI::CControlListener* listener, long tag, int subPixmaps,
                            VSTGUI::CCoord heightOfOneImage, int positions, VSTGUI::CBitmap* background);
    CBaseHorizontalSelector(const CBaseHorizontalSelector& other) = default;

    bool isTypeOf(const char* type) const override;
    VSTGUI::CBaseObject* newCopy() const override { return new CBaseHorizontalSelector(*this); }
};
