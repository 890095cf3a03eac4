#include "ParamDisplay.h"

#include "Bitmap.h"
#include "DrawContext.h"
#include "Font.h"

#include <cstdio>

namespace VSTGUI
{

CParamDisplay::CParamDisplay(const CRect& size, CBitmap* background, long style)
    : CControl(size, nullptr, 0, background), m_style(style)
{
    setFont(nullptr);
}

CParamDisplay::CParamDisplay(const CParamDisplay& other)
    : CControl(other), m_fontColor(other.m_fontColor), m_backColor(other.m_backColor),
      m_frameColor(other.m_frameColor), m_shadowColor(other.m_shadowColor),
      m_horiAlign(other.m_horiAlign), m_style(other.m_style), m_antialias(other.m_antialias),
      m_valueToString(other.m_valueToString), m_valueToStringUserData(other.m_valueToStringUserData)
{
    setFont(other.m_font);
}

CParamDisplay::~CParamDisplay()
{
    if (m_font != nullptr)
    {
        m_font->forget();
    }
}

void CParamDisplay::setFont(CFontDesc* font)
{
    CFontDesc* chosen = font != nullptr ? font : kNormalFont;
    chosen->remember();
    if (m_font != nullptr)
    {
        m_font->forget();
    }
    m_font = chosen;
    setDirty(true);
}

void CParamDisplay::getDisplayString(char utf8Text[256]) const
{
    utf8Text[0] = '\0';
    if (m_valueToString != nullptr &&
        m_valueToString(getValue(), utf8Text, m_valueToStringUserData))
    {
        utf8Text[255] = '\0';
        return;
    }
    std::snprintf(utf8Text, 256, "%.2f", static_cast<double>(getValue()));
}

void CParamDisplay::drawBack(CDrawContext* context)
{
    if (!m_transparency)
    {
        context->setFillColor(m_backColor);
        context->drawRect(m_size, kDrawFilled);
    }
    if (m_background != nullptr)
    {
        m_background->draw(context, m_size);
    }
    if (!m_transparency && (m_style & kNoFrame) == 0)
    {
        context->setLineWidth(1.0);
        context->setFrameColor(m_frameColor);
        context->drawRect(m_size, kDrawStroked);
    }
}

void CParamDisplay::drawText(CDrawContext* context, const char* utf8Text)
{
    if ((m_style & kNoTextStyle) != 0 || utf8Text == nullptr || *utf8Text == '\0')
    {
        return;
    }
    context->setFont(m_font);
    if ((m_style & kShadowText) != 0)
    {
        CRect shadow(m_size);
        shadow.offset(1.0, 1.0);
        context->setFontColor(m_shadowColor);
        context->drawString(utf8Text, shadow, m_horiAlign, m_antialias);
    }
    context->setFontColor(m_fontColor);
    context->drawString(utf8Text, m_size, m_horiAlign, m_antialias);
}

void CParamDisplay::draw(CDrawContext* context)
{
    if ((m_style & kNoDrawStyle) == 0)
    {
        drawBack(context);
        char text[256];
        getDisplayString(text);
        drawText(context, text);
    }
    setOldValue(getValue());
    setDirty(false);
}

bool CParamDisplay::isTypeOf(const char* type) const
{
    return IsSameTypeName(type, "CParamDisplay") || CControl::isTypeOf(type);
}

} // namespace VSTGUI
