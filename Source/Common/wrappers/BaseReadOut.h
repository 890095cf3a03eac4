// The text read-out under a knob: the parameter's display text, centred. It takes
// the tag and listener of the knob it belongs to (SetRefControl). Dragging it
// changes a continuous parameter like the knob; for a stepped one a click opens the
// value menu instead. User-interface thread.
#pragma once

#include "BaseListControl.h"

class CBaseReadOut : public CBaseListControl
{
public:
    CBaseReadOut(CBaseEffect* effect, const VSTGUI::CRect& size, VSTGUI::CFontDesc* font,
                 const VSTGUI::CColor& color);
    CBaseReadOut(const CBaseReadOut& other) = default;

    void SetRefControl(VSTGUI::CControl* control);
    VSTGUI::CControl* GetRefControl() const { return m_refControl; }

    // The parameter's display text (the model's value, as the host sees it).
    void GetDisplayText(char* text, int size) const override;
    VSTGUI::CMouseEventResult onMouseDown(VSTGUI::CPoint& where, const long& buttons) override;

    bool isTypeOf(const char* type) const override;
    VSTGUI::CBaseObject* newCopy() const override { return new CBaseReadOut(*this); }

private:
    VSTGUI::CControl* m_refControl = nullptr; // not owned
};
