#include "AnimKnob.h"

#include "Bitmap.h"
#include "DrawContext.h"

namespace VSTGUI
{

CAnimKnob::CAnimKnob(const CRect& size, CControlListener* listener, long tag, int subPixmaps,
                     CCoord heightOfOneImage, CBitmap* background, const CPoint& offset)
    : CKnob(size, listener, tag, background, nullptr, offset), m_subPixmaps(subPixmaps),
      m_heightOfOneImage(heightOfOneImage)
{
    CheckStrip();
}

CAnimKnob::CAnimKnob(const CRect& size, CControlListener* listener, long tag, CBitmap* background,
                     const CPoint& offset)
    : CKnob(size, listener, tag, background, nullptr, offset), m_subPixmaps(0),
      m_heightOfOneImage(size.getHeight())
{
    if (background != nullptr)
    {
        m_subPixmaps = background->getFrameCount(m_heightOfOneImage);
    }
    CheckStrip();
}

void CAnimKnob::setBackground(CBitmap* background)
{
    CKnob::setBackground(background);
    CheckStrip();
}

void CAnimKnob::CheckStrip()
{
    m_stripValid = false;
    if (m_background == nullptr || m_subPixmaps < 1)
    {
        return;
    }
    const int available = m_background->getFrameCount(m_heightOfOneImage);
    // A strip that is not a whole number of frames would show frames cut in two: refused.
    m_stripValid = available >= 1;
    if (m_stripValid && m_subPixmaps > available)
    {
        m_subPixmaps = available;
    }
}

int CAnimKnob::getCurrentFrame() const
{
    return GetStripIndex(m_subPixmaps, m_inverse);
}

void CAnimKnob::draw(CDrawContext* context)
{
    if (m_stripValid)
    {
        const int frame = getCurrentFrame();
        m_background->draw(context, m_size,
                           CPoint(m_offset.x, m_offset.y + frame * m_heightOfOneImage));
    }
    setOldValue(getValue());
    setDirty(false);
}

bool CAnimKnob::isTypeOf(const char* type) const
{
    return IsSameTypeName(type, "CAnimKnob") || CKnob::isTypeOf(type);
}

} // namespace VSTGUI
