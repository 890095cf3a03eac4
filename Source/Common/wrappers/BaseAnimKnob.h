// The film-strip knob of a continuous parameter. Besides the toolkit knob's
// dragging (200 pixels for the whole range in the editor's linear mode) it reports
// every press and release to its listener's gesture side (IControlGestureListener)
// with the context-click flag, and double clicks, so that the editor brackets host
// gestures and resets to the default. Wheel steps of 0.01. User-interface thread.
#pragma once

#include "vstgui/AnimKnob.h"

class CBaseAnimKnob : public VSTGUI::CAnimKnob
{
public:
    static constexpr float kWheelIncrement = 0.01f;

    CBaseAnimKnob(const VSTGUI::CRect& size, VSTGUI::CControlListener* listener, long tag,
                  int subPixmaps, VSTGUI::CCoord heightOfOneImage, VSTGUI::CBitmap* background);
    CBaseAnimKnob(const CBaseAnimKnob& other) = default;

    // Press: reported with the context flag; a context click or double-click starts no
    // drag (a drag after a reset would carry the old value back).
    VSTGUI::CMouseEventResult onMouseDown(VSTGUI::CPoint& where, const long& buttons) override;
    VSTGUI::CMouseEventResult onMouseUp(VSTGUI::CPoint& where, const long& buttons) override;
    VSTGUI::CMouseEventResult onMouseMoved(VSTGUI::CPoint& where, const long& buttons) override;

    bool IsContextDown() const { return m_contextDown; }

    bool isTypeOf(const char* type) const override;
    VSTGUI::CBaseObject* newCopy() const override { return new CBaseAnimKnob(*this); }

protected:
    bool m_contextDown = false;
    bool m_pressed = false; // a press of ours is in progress (we want its release)
    bool m_dragging = false; // the toolkit knob took the press
};
