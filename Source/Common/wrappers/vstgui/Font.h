// A font by family name, size and face ("Arial", 9, kNormalFace). The size is in logical
// pixels (what the text calls points at 72 dpi). Fonts are found through fontconfig; "Arial"
// resolves to a metric-compatible face such as Liberation Sans. The pango description is built
// once and kept. Reference counted; UI thread only.
#pragma once

#include "BaseObject.h"
#include "Geometry.h"

#include <string>

namespace VSTGUI
{

class CFontDesc : public CBaseObject
{
public:
    // style: kNormalFace, or kBoldFace / kItalicFace / kUnderlineFace combined.
    CFontDesc(const char* name = "Arial", CCoord size = 12.0, int style = kNormalFace);
    CFontDesc(const CFontDesc& other);
    ~CFontDesc() override;

    const char* getName() const
    {
        return m_name.c_str();
    }
    CCoord getSize() const
    {
        return m_size;
    }
    int getStyle() const
    {
        return m_style;
    }
    void setName(const char* name);
    void setSize(CCoord size);
    void setStyle(int style);

    // The PangoFontDescription* for this font (owned by us; rebuilt after a setter).
    void* getPangoDescription() const;
    // Unique in the process for this font as it is now: a setter gives it a new id, so text
    // layouts cached under an id never outlive what they were made for.
    unsigned long getFontId() const
    {
        return m_fontId;
    }

    bool isTypeOf(const char* type) const override;
    CBaseObject* newCopy() const override
    {
        return new CFontDesc(*this);
    }

private:
    void Invalidate();

    std::string m_name;
    CCoord m_size;
    int m_style;
    unsigned long m_fontId;
    mutable void* m_pangoDescription = nullptr;
};

// Shared fonts (Arial): 12 px plain, 9 px plain, 12 px bold. They live for the process;
// remember/forget them like any font, never delete them.
extern CFontDesc* const kNormalFont;
extern CFontDesc* const kNormalFontSmall;
extern CFontDesc* const kSystemFont;

} // namespace VSTGUI
