// A momentary button drawn from a two-frame strip (released above, pressed below). The value
// is 1 while the left button is held inside the view and 0 otherwise; the listener hears every
// change, including the 0 of the release. The press opens an edit bracket, the release closes
// it. UI thread only (except setValue).
#pragma once

#include "Control.h"

namespace VSTGUI
{

class CKickButton : public CControl
{
public:
    CKickButton(const CRect& size, CControlListener* listener, long tag, CCoord heightOfOneImage,
                CBitmap* background, const CPoint& offset = CPoint());
    CKickButton(const CKickButton& other) = default;

    void draw(CDrawContext* context) override;
    CMouseEventResult onMouseDown(CPoint& where, const long& buttons) override;
    CMouseEventResult onMouseUp(CPoint& where, const long& buttons) override;
    CMouseEventResult onMouseMoved(CPoint& where, const long& buttons) override;

    bool isTypeOf(const char* type) const override;
    CBaseObject* newCopy() const override
    {
        return new CKickButton(*this);
    }

protected:
    CCoord m_heightOfOneImage;
    CPoint m_offset;
    bool m_pressed = false;
};

} // namespace VSTGUI
