// A two-state button drawn from a two-frame strip (off above, on below; each frame the view's
// height). A left press toggles the value between 0 and 1 and tells the listener (bracketed by
// beginEdit / endEdit): kPreListenerUpdate tells it before the redraw, kPostListenerUpdate after
// an immediate redraw request. The press captures the mouse until the release (which does
// nothing) so that subclasses get their release. UI thread only (except setValue).
#pragma once

#include "Control.h"

namespace VSTGUI
{

class COnOffButton : public CControl
{
public:
    enum
    {
        kPreListenerUpdate = 0,
        kPostListenerUpdate = 1 << 0,
    };

    COnOffButton(const CRect& size, CControlListener* listener, long tag, CBitmap* background,
                 long style = kPreListenerUpdate);
    COnOffButton(const COnOffButton& other) = default;

    void draw(CDrawContext* context) override;
    CMouseEventResult onMouseDown(CPoint& where, const long& buttons) override;
    CMouseEventResult onMouseUp(CPoint& where, const long& buttons) override;

    long getStyle() const
    {
        return m_style;
    }
    void setStyle(long style)
    {
        m_style = style;
    }

    bool isTypeOf(const char* type) const override;
    CBaseObject* newCopy() const override
    {
        return new COnOffButton(*this);
    }

private:
    long m_style;
};

} // namespace VSTGUI
