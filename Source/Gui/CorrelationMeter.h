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

    // -1..1; asks for a paint only when the bar would end on another whole pixel at the
    // given scale or change colour, so a steady correlation costs no drawing.
    void setValue(float value) override;
    // Device pixels per logical pixel of the window the meter is painted into (1 or 2).
    void SetScale(double scale) { m_scale = scale > 0.0 ? scale : 1.0; }
    void draw(VSTGUI::CDrawContext* context) override;
    // The bar's rectangle for the current value (empty at 0), parent coordinates.
    VSTGUI::CRect GetBarRect() const;
    VSTGUI::CRect BarRectFor(float value) const;

    bool isTypeOf(const char* type) const override;
    VSTGUI::CBaseObject* newCopy() const override { return new CCorrelationMeter(*this); }

private:
    double m_scale = 1.0;
};
