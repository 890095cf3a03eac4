#include "Font.h"

#include <pango/pango.h>

#include <atomic>

namespace VSTGUI
{

namespace
{
unsigned long NewFontId()
{
    static std::atomic<unsigned long> next{1};
    return next.fetch_add(1, std::memory_order_relaxed);
}
} // namespace

CFontDesc::CFontDesc(const char* name, CCoord size, int style)
    : m_name(name != nullptr ? name : "Arial"), m_size(size > 0.0 ? size : 12.0), m_style(style),
      m_fontId(NewFontId())
{
}

CFontDesc::CFontDesc(const CFontDesc& other)
    : CBaseObject(other), m_name(other.m_name), m_size(other.m_size), m_style(other.m_style),
      m_fontId(NewFontId())
{
}

CFontDesc::~CFontDesc()
{
    Invalidate();
}

void CFontDesc::setName(const char* name)
{
    m_name = name != nullptr ? name : "Arial";
    Invalidate();
}

void CFontDesc::setSize(CCoord size)
{
    m_size = size > 0.0 ? size : 12.0;
    Invalidate();
}

void CFontDesc::setStyle(int style)
{
    m_style = style;
    Invalidate();
}

void CFontDesc::Invalidate()
{
    m_fontId = NewFontId();
    if (m_pangoDescription != nullptr)
    {
        pango_font_description_free(static_cast<PangoFontDescription*>(m_pangoDescription));
        m_pangoDescription = nullptr;
    }
}

void* CFontDesc::getPangoDescription() const
{
    if (m_pangoDescription == nullptr)
    {
        PangoFontDescription* description = pango_font_description_new();
        pango_font_description_set_family(description, m_name.c_str());
        // Absolute size: in the user units of the cairo context, that is logical pixels.
        pango_font_description_set_absolute_size(description, m_size * PANGO_SCALE);
        pango_font_description_set_weight(
            description, (m_style & kBoldFace) != 0 ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
        pango_font_description_set_style(
            description, (m_style & kItalicFace) != 0 ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
        m_pangoDescription = description;
    }
    return m_pangoDescription;
}

bool CFontDesc::isTypeOf(const char* type) const
{
    return IsSameTypeName(type, "CFontDesc") || CBaseObject::isTypeOf(type);
}

namespace
{
CFontDesc s_normalFont("Arial", 12.0, kNormalFace);
CFontDesc s_normalFontSmall("Arial", 9.0, kNormalFace);
CFontDesc s_systemFont("Arial", 12.0, kBoldFace);
} // namespace

CFontDesc* const kNormalFont = &s_normalFont;
CFontDesc* const kNormalFontSmall = &s_normalFontSmall;
CFontDesc* const kSystemFont = &s_systemFont;

} // namespace VSTGUI
