// Shared part of CHorizontalSwitch and CVerticalSwitch: a control with iMaxPositions positions,
// value = index / (positions - 1), drawn from a film strip of subPixmaps frames of
// heightOfOneImage; a left press or drag picks the position under the mouse. UI thread only
// (except setValue).
#pragma once

#include "Control.h"

namespace VSTGUI
{

class CSwitchBase : public CControl
{
public:
    CSwitchBase(const CRect& size, CControlListener* listener, long tag, int subPixmaps,
                CCoord heightOfOneImage, int iMaxPositions, CBitmap* background,
                const CPoint& offset, bool horizontal);
    CSwitchBase(const CSwitchBase& other) = default;

    void draw(CDrawContext* context) override;
    CMouseEventResult onMouseDown(CPoint& where, const long& buttons) override;
    CMouseEventResult onMouseUp(CPoint& where, const long& buttons) override;
    CMouseEventResult onMouseMoved(CPoint& where, const long& buttons) override;

    int getNumPositions() const
    {
        return m_positions;
    }
    // Position shown for the current value: round(value x (positions - 1)), clamped.
    int getCurrentPosition() const;
    // Position under a point (parent coordinates), clamped to 0 .. positions - 1.
    int PositionAt(const CPoint& where) const;

    bool isTypeOf(const char* type) const override;

protected:
    int m_subPixmaps;
    CCoord m_heightOfOneImage;
    int m_positions;
    CPoint m_offset;
    bool m_horizontal;
    bool m_dragging = false;
};

} // namespace VSTGUI
