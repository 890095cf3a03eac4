#include "BaseReadOut.h"

#include "BaseEffect.h"

#include <cstdio>

using namespace VSTGUI;

CBaseReadOut::CBaseReadOut(CBaseEffect* effect, const CRect& size, CFontDesc* font,
                           const CColor& color)
    : CBaseListControl(effect, size, nullptr, -1, false, font, color, nullptr)
{
    setHoriAlign(kCenterText);
}

void CBaseReadOut::SetRefControl(CControl* control)
{
    m_refControl = control;
    if (!control)
        return;
    setTag(control->getTag());
    setListener(control->getListener());
}

void CBaseReadOut::GetDisplayText(char* text, int size) const
{
    const int id = static_cast<int>(getTag());
    if (!m_effect || !CBaseEffect::IsValidId(id))
    {
        text[0] = 0;
        return;
    }
    char display[kParamNameSize + 1] = {};
    m_effect->GetParameterTextValue(id, display);
    std::snprintf(text, static_cast<size_t>(size), "%s", display);
}

CMouseEventResult CBaseReadOut::onMouseDown(CPoint& where, const long& buttons)
{
    const PARAMETER_INFO* info =
        m_effect ? m_effect->GetParameterInfo(static_cast<int>(getTag())) : nullptr;
    const bool stepped = info && info->curve == kCurveStepped;
    m_menuOnClick = stepped;
    m_menuEnabled = stepped;
    return CBaseListControl::onMouseDown(where, buttons);
}

bool CBaseReadOut::isTypeOf(const char* type) const
{
    return IsSameTypeName(type, "CBaseReadOut") || CBaseListControl::isTypeOf(type);
}
