// A rotary control. Mouse, by the editor's knob mode: linear (kLinearMode) - dragging up or
// right raises the value, 200 pixels span the whole range, zoomFactor times finer while Shift
// is held; circular - the value follows the angle of the pointer around the centre;
// relative circular - the angle's change moves the value. Drawn as a vector knob (track arc,
// value arc, pointer line) unless a subclass draws otherwise. Angles are in degrees, 0 at
// twelve o'clock, clockwise (CDrawContext::drawArc); the default travel is -140 .. +140.
// UI thread only (except setValue).
#pragma once

#include "Color.h"
#include "Control.h"

namespace VSTGUI
{

class CKnob : public CControl
{
public:
    CKnob(const CRect& size, CControlListener* listener, long tag, CBitmap* background,
          CBitmap* handle = nullptr, const CPoint& offset = CPoint());
    CKnob(const CKnob& other);
    ~CKnob() override;

    void draw(CDrawContext* context) override;
    CMouseEventResult onMouseDown(CPoint& where, const long& buttons) override;
    CMouseEventResult onMouseUp(CPoint& where, const long& buttons) override;
    CMouseEventResult onMouseMoved(CPoint& where, const long& buttons) override;

    // Fine-drag ratio while Shift is held (default 10: ten times finer).
    void setZoomFactor(float factor)
    {
        m_zoomFactor = factor > 1.0f ? factor : 1.0f;
    }
    float getZoomFactor() const
    {
        return m_zoomFactor;
    }
    // Travel of the knob (degrees, 0 at twelve o'clock, clockwise), for drawing and circular
    // mode.
    void setStartAngle(double degrees)
    {
        m_startAngle = degrees;
    }
    double getStartAngle() const
    {
        return m_startAngle;
    }
    void setRangeAngle(double degrees)
    {
        m_rangeAngle = degrees;
    }
    double getRangeAngle() const
    {
        return m_rangeAngle;
    }
    void setColorHandle(const CColor& color)
    {
        m_colorHandle = color;
    }
    void setColorShadowHandle(const CColor& color)
    {
        m_colorShadowHandle = color;
    }
    void setHandleBitmap(CBitmap* handle);
    // Pixels the pointer line stays inside the edge.
    void setInsetValue(CCoord inset)
    {
        m_inset = inset;
    }

    bool isTypeOf(const char* type) const override;
    CBaseObject* newCopy() const override
    {
        return new CKnob(*this);
    }

protected:
    // Value for a point (parent coordinates) by its angle around the centre.
    float ValueFromPoint(const CPoint& where) const;
    double AngleOf(const CPoint& where) const; // degrees, 0 at twelve o'clock, clockwise
    int GetKnobMode() const;

    CBitmap* m_handle = nullptr;
    CPoint m_offset;
    CColor m_colorHandle = kWhiteCColor;
    CColor m_colorShadowHandle = kGreyCColor;
    CCoord m_inset = 3.0;
    double m_startAngle = -140.0;
    double m_rangeAngle = 280.0;
    float m_zoomFactor = 10.0f;

    // Drag state.
    CPoint m_firstPoint;
    CPoint m_lastPoint;
    float m_entryValue = 0.0f;
    float m_coef = 0.0f;
    long m_dragButtons = 0;
    bool m_linearDrag = false;
    bool m_dragging = false;
    double m_lastAngle = 0.0;
};

} // namespace VSTGUI
