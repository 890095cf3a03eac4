// A vertical slider of a parameter (the toolkit's) with the editor's gesture
// protocol (GestureReportingControl.h). User-interface thread.
#pragma once

#include "GestureReportingControl.h"
#include "vstgui/VerticalSlider.h"

class CBaseVerticalSlider : public TGestureReportingControl<VSTGUI::CVerticalSlider>
{
public:
    CBaseVerticalSlider(const VSTGUI::CRect& size, VSTGUI::CControlListener* listener, long tag, long minPos,
                        long maxPos, VSTGUI::CBitmap* handle, VSTGUI::CBitmap* background,
                        const VSTGUI::CPoint& offset, long style);
    CBaseVerticalSlider(const CBaseVerticalSlider& other) = default;

    bool isTypeOf(const char* type) const override;
    VSTGUI::CBaseObject* newCopy() const override { return new CBaseVerticalSlider(*this); }
};
