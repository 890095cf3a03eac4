// The stereo correlation meter: a bar from the middle of its rectangle, up for
// positive correlation (mono-compatible), down for negative, brighter when
// positive. Value -1..+1. User-interface thread.
#pragma once

#include "vstgui/Control.h"

class CCorrelationMeter : public VSTGUI::CControl
{
public:
    explicit CCorrelationMeter(const VSTGUI::CRect& size);
    CCorrelationMeter(const CCorrelationMeter& other) = default;

    void draw(VSTGUI::CDrawContext* context) override;
    // The bar's rectangle for the current value (empty at 0), parent coordinates.
    VSTGUI::CRect GetBarRect() const;

    bool isTypeOf(const char* type) const override;
    VSTGUI::CBaseObject* newCopy() const override { return new CCorrelationMeter(*this); }
};
