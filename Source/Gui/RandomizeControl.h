// The dice button of a module or of the modulators: a left click rolls new
// settings for its unit (CRandomizer::Randomize, with undo), a right or Ctrl click
// resets the unit to its defaults. Shows pressed while the left button is held
// over it. User-interface thread.
#pragma once

#include "Processing/Randomizer.h"
#include "vstgui/KickButton.h"

class CBaseEffect;

class CRandomizeControl : public VSTGUI::CKickButton
{
public:
    // kind: CRandomizer::UNIT_KIND; index: the layer (modules) or modulator.
    CRandomizeControl(CBaseEffect* effect, const VSTGUI::CRect& size, VSTGUI::CBitmap* bitmap,
                      int kind, int index);
    CRandomizeControl(const CRandomizeControl& other) = default;

    // Points the button at another unit (the modulator button follows the selection).
    void SetTarget(int kind, int index);
    int GetKind() const { return m_kind; }
    int GetIndex() const { return m_index; }

    VSTGUI::CMouseEventResult onMouseDown(VSTGUI::CPoint& where, const long& buttons) override;
    VSTGUI::CMouseEventResult onMouseMoved(VSTGUI::CPoint& where, const long& buttons) override;
    VSTGUI::CMouseEventResult onMouseUp(VSTGUI::CPoint& where, const long& buttons) override;

    bool isTypeOf(const char* type) const override;
    VSTGUI::CBaseObject* newCopy() const override { return new CRandomizeControl(*this); }

private:
    CRandomizer m_randomizer;
    int m_kind;
    int m_index;
    float m_valueBefore = 0.0f;
    bool m_leftPressed = false;
};
