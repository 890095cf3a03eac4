// A CParamDisplay showing a fixed text instead of the value. UI thread only.
#pragma once

#include "ParamDisplay.h"

#include <string>

namespace VSTGUI
{

class CTextLabel : public CParamDisplay
{
public:
    CTextLabel(const CRect& size, const char* utf8Text = nullptr, CBitmap* background = nullptr,
               long style = 0);
    CTextLabel(const CTextLabel& other) = default;

    void setText(const char* utf8Text); // null clears; redraws when it changed
    const char* getText() const
    {
        return m_text.c_str();
    }
    void draw(CDrawContext* context) override;

    bool isTypeOf(const char* type) const override;
    CBaseObject* newCopy() const override
    {
        return new CTextLabel(*this);
    }

private:
    std::string m_text;
};

} // namespace VSTGUI
