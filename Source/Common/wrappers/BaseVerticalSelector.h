// A column of positions for a list parameter (the toolkit's vertical switch) with the
// editor's gesture protocol (GestureReportingControl.h). User-interface thread.
#pragma once

#include "GestureReportingControl.h"
#include "vstgui/VerticalSwitch.h"

class CBaseVerticalSelector : public TGestureReportingControl<VSTGUI::CVerticalSwitch>
{
public:
    CBaseVerticalSelector(const VSTGUI::CRect& size, VSTGUI::CControlListener* listener, long tag, int subPixmaps,
                          VSTGUI::CCoord heightOfOneImage, int positions, VSTGUI::CBitmap* background);
    CBaseVerticalSelector(const CBaseVerticalSelector& other) = default;

    bool isTypeOf(const char* type) const override;
    VSTGUI::CBaseObject* newCopy() const override { return new CBaseVerticalSelector(*this); }
};
