// The depth slider of a matrix row: the depth's zero lies at the slider's centre, and a
// bar grows from there to the handle (left for negative, right for positive depth).
// Presses and releases follow the editor's gesture protocol (a context click only
// reports). User-interface thread.
#pragma once

#include "Common/wrappers/BaseHorizontalSlider.h"
#include "vstgui/Color.h"

class CModSlider : public CBaseHorizontalSlider
{
public:
    static constexpr VSTGUI::CColor kBarColor{103, 87, 73, 255};
    static constexpr VSTGUI::CColor kTickColor{210, 170, 138, 255};
    static constexpr int kBarHalfHeight = 4; // pixels above and below the centre line

    // As the editor's horizontal sliders: the handle travels over the whole width.
    CModSlider(const VSTGUI::CRect& size, VSTGUI::CControlListener* listener, long tag,
               VSTGUI::CBitmap* handle, long style);
    CModSlider(const CModSlider& other) = default;

    void draw(VSTGUI::CDrawContext* context) override;

    bool isTypeOf(const char* type) const override;
    VSTGUI::CBaseObject* newCopy() const override { return new CModSlider(*this); }
};
