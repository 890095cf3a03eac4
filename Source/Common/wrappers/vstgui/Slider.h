// A slider: a handle bitmap travelling over a background. iMinPos and iMaxPos are the handle's
// extreme positions (its left or top edge, in the parent's coordinates like the view size).
// Style: kHorizontal or kVertical, plus where the minimum lies (kLeft / kRight, kTop /
// kBottom). A left press on the handle drags it from where it was grabbed; elsewhere it jumps
// the handle's centre to the mouse with setFreeClick(true), or drags relatively without.
// Shift makes the drag zoomFactor times finer. UI thread only (except setValue).
#pragma once

#include "Control.h"

namespace VSTGUI
{

class CSlider : public CControl
{
public:
    enum
    {
        kHorizontal = 1 << 0,
        kVertical = 1 << 1,
        kLeft = 1 << 3,
        kRight = 1 << 4,
        kTop = 1 << 5,
        kBottom = 1 << 6,
    };

    CSlider(const CRect& size, CControlListener* listener, long tag, long iMinPos, long iMaxPos,
            CBitmap* handle, CBitmap* background, const CPoint& offset = CPoint(),
            long style = kLeft | kHorizontal);
    CSlider(const CSlider& other);
    ~CSlider() override;

    void draw(CDrawContext* context) override;
    CMouseEventResult onMouseDown(CPoint& where, const long& buttons) override;
    CMouseEventResult onMouseUp(CPoint& where, const long& buttons) override;
    CMouseEventResult onMouseMoved(CPoint& where, const long& buttons) override;

    void setFreeClick(bool freeClick)
    {
        m_freeClick = freeClick;
    }
    bool getFreeClick() const
    {
        return m_freeClick;
    }
    void setZoomFactor(float factor)
    {
        m_zoomFactor = factor > 1.0f ? factor : 1.0f;
    }
    float getZoomFactor() const
    {
        return m_zoomFactor;
    }
    void setHandle(CBitmap* handle);
    CBitmap* getHandle() const
    {
        return m_handle;
    }
    // Offset of the handle across the travel axis (logical, from the view's edge).
    void setOffsetHandle(const CPoint& offset)
    {
        m_offsetHandle = offset;
    }
    long getStyle() const
    {
        return m_style;
    }
    // The handle's rectangle for the current value (parent coordinates).
    CRect getHandleRect() const;

    bool isTypeOf(const char* type) const override;
    CBaseObject* newCopy() const override
    {
        return new CSlider(*this);
    }

protected:
    bool IsHorizontal() const
    {
        return (m_style & kVertical) == 0;
    }
    // Handle position along the travel (0 .. range) for a value, and back.
    CCoord PositionForValue(float value) const;
    float ValueForPosition(CCoord position) const;

    CBitmap* m_handle = nullptr;
    CPoint m_offset;
    CPoint m_offsetHandle;
    long m_style;
    CCoord m_minPos;      // handle travel start, parent coordinates
    CCoord m_rangeHandle; // travel length
    CCoord m_handleWidth = 0.0;
    CCoord m_handleHeight = 0.0;
    bool m_freeClick = true;
    float m_zoomFactor = 10.0f;

    // Drag state.
    CCoord m_grabDelta = 0.0; // mouse minus handle position at the press
    float m_pressValue = 0.0f;
    CCoord m_pressPosition = 0.0;
    long m_pressButtons = 0;
    bool m_dragging = false;
};

} // namespace VSTGUI
