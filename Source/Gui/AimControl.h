// The aim button of one modulator. Dragging from it with the left button onto a
// parameter's control routes the modulator to that parameter (a new matrix slot,
// one undo step); while the drag lasts the editor's overlay draws the aim line
// (AimOverlay.h). A right or Ctrl click opens the modulator's pop-up (CModPopup) with
// its matrix slots. The button's look tells whether the modulator is in use: tremolo,
// routed (normal) or unused (disabled). User-interface thread.
#pragma once

#include "Gui/ModPopup.h"
#include "vstgui/ControlListener.h"
#include "vstgui/KickButton.h"

class CMorvex;
class IAimHost;

// The three looks of the button (each a two-frame kick-button strip, remembered).
struct AIM_BUTTON_ART
{
    VSTGUI::CBitmap* normal = nullptr;   // "AimButton.png"
    VSTGUI::CBitmap* tremolo = nullptr;  // "AimButtonTremolo.png"
    VSTGUI::CBitmap* disabled = nullptr; // "AimButtonDisabled.png"
};

class CAimControl : public VSTGUI::CKickButton, public VSTGUI::CControlListener
{
public:
    enum LOOK : int
    {
        kLookDisabled = 0,
        kLookNormal,
        kLookTremolo,
    };

    CAimControl(CMorvex* effect, IAimHost* host, const VSTGUI::CRect& size, int modulator,
                const AIM_BUTTON_ART& art, const MOD_POPUP_ART& popupArt,
                VSTGUI::CControlListener* rowListener, CListMenuDelegate* targetMenu);
    ~CAimControl() override;
    CAimControl(const CAimControl&) = delete;

    // Picks the look from the modulator's tremolo and matrix slots.
    void Update();
    // The editor's idle: Update, and rebuild the pop-up's rows after a deletion.
    void Idle();
    // Shows the pop-up above everything in the frame and builds its rows.
    void OpenPopup();

    bool IsAiming() const { return m_aiming; }
    int GetModulator() const { return m_modulator; }
    LOOK GetLook() const { return m_look; }
    CModPopup* GetPopup() const { return m_popup; }
    bool IsPopupOpen() const;

    // The button has no listener of its own; its pop-up's controls are not ours either.
    void valueChanged(VSTGUI::CControl* /*control*/) override {}

    VSTGUI::CMouseEventResult onMouseDown(VSTGUI::CPoint& where, const long& buttons) override;
    VSTGUI::CMouseEventResult onMouseUp(VSTGUI::CPoint& where, const long& buttons) override;

    bool isTypeOf(const char* type) const override;
    VSTGUI::CBaseObject* newCopy() const override { return nullptr; }

private:
    CMorvex* m_effect;
    IAimHost* m_host;
    int m_modulator;
    AIM_BUTTON_ART m_art;
    LOOK m_look = kLookDisabled;
    CModPopup* m_popup; // owned (one reference); the frame holds another while it is open
    bool m_aiming = false;
};
