#include "TextLabel.h"

namespace VSTGUI
{

CTextLabel::CTextLabel(const CRect& size, const char* utf8Text, CBitmap* background, long style)
    : CParamDisplay(size, background, style)
{
    setText(utf8Text);
}

void CTextLabel::setText(const char* utf8Text)
{
    const char* text = utf8Text != nullptr ? utf8Text : "";
    if (m_text != text)
    {
        m_text = text;
        setDirty(true);
    }
}

void CTextLabel::draw(CDrawContext* context)
{
    if ((m_style & kNoDrawStyle) == 0)
    {
        drawBack(context);
        drawText(context, m_text.c_str());
    }
    setDirty(false);
}

bool CTextLabel::isTypeOf(const char* type) const
{
    return IsSameTypeName(type, "CTextLabel") || CParamDisplay::isTypeOf(type);
}

} // namespace VSTGUI
