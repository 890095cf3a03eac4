// The knob of a stepped parameter (curve kind 4). The wheel moves it one whole
// step per four wheel events (one notch of a typical wheel sends several), the
// count shared by all stepped knobs; every event counts as handled.
// User-interface thread.
#pragma once

#include "BaseAnimKnob.h"

class CBaseEffect;

class CStepAnimKnob : public CBaseAnimKnob
{
public:
    static constexpr int kWheelEventsPerStep = 4;

    CStepAnimKnob(CBaseEffect* effect, const VSTGUI::CRect& size,
                  VSTGUI::CControlListener* listener, long tag, int subPixmaps,
                  VSTGUI::CCoord heightOfOneImage, VSTGUI::CBitmap* background);
    CStepAnimKnob(const CStepAnimKnob& other) = default;

    // Every fourth event: the unscaled value +1 (up) or -1 (down), clamped to the
    // parameter's range, reported as one edit to the listener.
    bool onWheel(const VSTGUI::CPoint& where, const float& distance, const long& buttons) override;

    // Restarts the shared count (tests).
    static void ResetWheelCount();

    bool isTypeOf(const char* type) const override;
    VSTGUI::CBaseObject* newCopy() const override { return new CStepAnimKnob(*this); }

private:
    CBaseEffect* m_effect;
    static int s_wheelCount; // user-interface thread only
};
