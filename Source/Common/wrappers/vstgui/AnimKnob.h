// A knob drawn from a film strip: subPixmaps frames of heightOfOneImage stacked vertically in
// the background bitmap; the frame shown is floor(value x (frames - 1)) (1 - value when
// inverse). A strip whose height is not a whole number of frames is refused: isStripValid()
// is false and nothing of it is drawn. Mouse as CKnob. UI thread only (except setValue).
#pragma once

#include "Knob.h"

namespace VSTGUI
{

class CAnimKnob : public CKnob
{
public:
    CAnimKnob(const CRect& size, CControlListener* listener, long tag, int subPixmaps,
              CCoord heightOfOneImage, CBitmap* background, const CPoint& offset = CPoint());
    // Frames counted from the bitmap's height.
    CAnimKnob(const CRect& size, CControlListener* listener, long tag, CBitmap* background,
              const CPoint& offset = CPoint());
    CAnimKnob(const CAnimKnob& other) = default;

    void draw(CDrawContext* context) override;
    void setBackground(CBitmap* background) override;

    void setInverseBitmap(bool inverse)
    {
        m_inverse = inverse;
    }
    bool getInverseBitmap() const
    {
        return m_inverse;
    }
    int getNumSubPixmaps() const
    {
        return m_subPixmaps;
    }
    CCoord getHeightOfOneImage() const
    {
        return m_heightOfOneImage;
    }
    bool isStripValid() const
    {
        return m_stripValid;
    }
    // The frame draw() shows for the current value.
    int getCurrentFrame() const;

    bool isTypeOf(const char* type) const override;
    CBaseObject* newCopy() const override
    {
        return new CAnimKnob(*this);
    }

protected:
    void CheckStrip();

    int m_subPixmaps;
    CCoord m_heightOfOneImage;
    bool m_inverse = false;
    bool m_stripValid = false;
};

} // namespace VSTGUI
