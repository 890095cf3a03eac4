// A button that opens a menu (the settings button, the preset browsers): drawn
// from a two-frame bitmap, the lower frame while its menu is open.
// User-interface thread.
#pragma once

#include "vstgui/OptionMenu.h"

class CBaseMenuButton : public VSTGUI::COptionMenu
{
public:
    // The bitmap is remembered (one reference held).
    CBaseMenuButton(const VSTGUI::CRect& size, VSTGUI::CControlListener* listener, long tag,
                    VSTGUI::CBitmap* background);
    CBaseMenuButton(const CBaseMenuButton& other);
    ~CBaseMenuButton() override;

    void draw(VSTGUI::CDrawContext* context) override;
    // Replaces the bitmap, keeping one reference of the new one.
    void setBackground(VSTGUI::CBitmap* background) override;

    bool isTypeOf(const char* type) const override;
    VSTGUI::CBaseObject* newCopy() const override { return new CBaseMenuButton(*this); }

private:
    VSTGUI::CBitmap* m_buttonBitmap = nullptr;
};
