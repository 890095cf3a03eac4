// A two-state button of a switch parameter. Every press is reported to the
// listener's gesture side with the context-click flag; a plain press toggles (a
// double-click is two toggles, nothing more), a context click does not.
// User-interface thread.
#pragma once

#include "ControlGestureListener.h"
#include "vstgui/OnOffButton.h"

class CBaseOnOffButton : public VSTGUI::COnOffButton
{
public:
    CBaseOnOffButton(const VSTGUI::CRect& size, VSTGUI::CControlListener* listener, long tag,
                     VSTGUI::CBitmap* background, long style = kPreListenerUpdate);
    CBaseOnOffButton(const CBaseOnOffButton& other) = default;

    VSTGUI::CMouseEventResult onMouseDown(VSTGUI::CPoint& where, const long& buttons) override;
    VSTGUI::CMouseEventResult onMouseUp(VSTGUI::CPoint& where, const long& buttons) override;

    bool isTypeOf(const char* type) const override;
    VSTGUI::CBaseObject* newCopy() const override { return new CBaseOnOffButton(*this); }

private:
    long m_pressButtons = 0;
    bool m_pressed = false;
    bool m_toolkitPressed = false;
};
