// Shows the value as text: a value-to-string hook (default "%.2f"), font, font colour, back
// colour, frame colour, horizontal alignment and transparency. Subclasses override draw and
// may use drawText. UI thread only (except setValue).
#pragma once

#include "Color.h"
#include "Control.h"

namespace VSTGUI
{

class CFontDesc;

class CParamDisplay : public CControl
{
public:
    // Style bits.
    enum
    {
        kNoTextStyle = 1 << 0, // no text
        kNoDrawStyle = 1 << 1, // nothing at all
        kNoFrame = 1 << 2,     // no outline
        kShadowText = 1 << 3,  // text with a 1 px dark shadow
    };
    // Writes the text for `value` into `utf8Text` (256 bytes); false falls back to "%.2f".
    using ValueToStringProc = bool (*)(float value, char utf8Text[256], void* userData);

    CParamDisplay(const CRect& size, CBitmap* background = nullptr, long style = 0);
    CParamDisplay(const CParamDisplay& other);
    ~CParamDisplay() override;

    void draw(CDrawContext* context) override;

    void setFont(CFontDesc* font); // remembered; null: the 12 px default
    CFontDesc* getFont() const
    {
        return m_font;
    }
    void setFontColor(const CColor& color)
    {
        m_fontColor = color;
        setDirty(true);
    }
    CColor getFontColor() const
    {
        return m_fontColor;
    }
    void setBackColor(const CColor& color)
    {
        m_backColor = color;
        setDirty(true);
    }
    CColor getBackColor() const
    {
        return m_backColor;
    }
    void setFrameColor(const CColor& color)
    {
        m_frameColor = color;
        setDirty(true);
    }
    CColor getFrameColor() const
    {
        return m_frameColor;
    }
    void setShadowColor(const CColor& color)
    {
        m_shadowColor = color;
    }
    void setHoriAlign(CHoriTxtAlign align)
    {
        m_horiAlign = align;
        setDirty(true);
    }
    CHoriTxtAlign getHoriAlign() const
    {
        return m_horiAlign;
    }
    void setStyle(long style)
    {
        m_style = style;
        setDirty(true);
    }
    long getStyle() const
    {
        return m_style;
    }
    void setTextTransparency(bool transparent)
    {
        setTransparency(transparent);
    }
    void setAntialias(bool antialias)
    {
        m_antialias = antialias;
    }
    void setValueToStringProc(ValueToStringProc proc, void* userData = nullptr)
    {
        m_valueToString = proc;
        m_valueToStringUserData = userData;
    }
    // The text draw() shows for the current value.
    void getDisplayString(char utf8Text[256]) const;

    bool isTypeOf(const char* type) const override;
    CBaseObject* newCopy() const override
    {
        return new CParamDisplay(*this);
    }

protected:
    // Back colour (unless transparent), background bitmap, frame (unless kNoFrame).
    void drawBack(CDrawContext* context);
    // The text with the font, colour, alignment and style, in the view size.
    void drawText(CDrawContext* context, const char* utf8Text);

    CFontDesc* m_font = nullptr;
    CColor m_fontColor = kWhiteCColor;
    CColor m_backColor = kBlackCColor;
    CColor m_frameColor = kBlackCColor;
    CColor m_shadowColor = kBlackCColor;
    CHoriTxtAlign m_horiAlign = kCenterText;
    long m_style;
    bool m_antialias = true;
    ValueToStringProc m_valueToString = nullptr;
    void* m_valueToStringUserData = nullptr;
};

} // namespace VSTGUI
