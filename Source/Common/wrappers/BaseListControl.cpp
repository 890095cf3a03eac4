#include "BaseListControl.h"

#include "BaseEditor.h"
#include "BaseEffect.h"
#include "ControlGestureListener.h"
#include "Gui/ListMenuDelegate.h"
#include "vstgui/MenuItem.h"
#include "vstgui/OptionMenu.h"
#include "vstgui/ViewContainer.h"

#include <cmath>
#include <cstdio>
#include <string>

using namespace VSTGUI;

namespace
{
float Clamp01(float value)
{
    return value < 0.0f ? 0.0f : (value > 1.0f ? 1.0f : value);
}

// The parameter's formatter text for an unscaled value, else the whole number.
std::string FormatListValue(CBaseEffect* effect, int id, float unscaled)
{
    const PARAMETER_INFO* info = effect ? effect->GetParameterInfo(id) : nullptr;
    if (info)
    {
        if (const PARAM_DECORATOR decorator = info->decorator)
            return decorator(effect, unscaled);
    }
    char text[32];
    std::snprintf(text, sizeof(text), "%d", static_cast<int>(unscaled));
    return text;
}
} // namespace

CBaseListControl::CBaseListControl(CBaseEffect* effect, const CRect& size,
                                   CControlListener* listener, long tag, bool menuOnClick,
                                   CFontDesc* font, const CColor& color,
                                   CListMenuDelegate* delegate)
    : CParamDisplay(size, nullptr, kNoFrame), m_effect(effect), m_delegate(delegate),
      m_menuOnClick(menuOnClick)
{
    setListener(listener);
    setTag(tag);
    setFont(font);
    setFontColor(color);
    setTransparency(true);
}

void CBaseListControl::GetDisplayText(char* text, int size) const
{
    const int id = static_cast<int>(getTag());
    if (!m_effect || !CBaseEffect::IsValidId(id))
    {
        text[0] = 0;
        return;
    }
    const float unscaled = m_effect->ScaledValueToUnscaled(id, Clamp01(getValue()));
    std::snprintf(text, static_cast<size_t>(size), "%s",
                  FormatListValue(m_effect, id, unscaled).c_str());
}

void CBaseListControl::draw(CDrawContext* context)
{
    drawBack(context);
    char text[256];
    GetDisplayText(text, sizeof(text));
    drawText(context, text);
    setDirty(false);
}

CMouseEventResult CBaseListControl::onMouseDown(CPoint& where, const long& buttons)
{
    m_pressPoint = where;
    m_pressValue = getValue();
    m_pressButtons = buttons;
    m_pressed = true;
    const bool contextClick = ControlGestures::IsContextClick(buttons) || m_menuOnClick;
    auto* gestures = dynamic_cast<IControlGestureListener*>(getListener());
    if (gestures)
        gestures->OnControlMouseDown(getTag(), contextClick);
    if (ControlGestures::IsDoubleClick(buttons))
    {
        if (gestures)
            gestures->OnControlDoubleClick(getTag());
        setValue(getDefaultValue());
    }
    else if (contextClick && m_menuEnabled)
    {
        RunPopupMenu();
    }
    if (isDirty())
        invalid();
    return kMouseEventHandled;
}

CMouseEventResult CBaseListControl::onMouseMoved(CPoint& where, const long& buttons)
{
    // A click that opens the menu drags nothing.
    if (!m_pressed || m_menuOnClick || (buttons & kMouseButtonMask) != kLButton ||
        ControlGestures::IsContextClick(m_pressButtons))
        return m_pressed ? kMouseEventHandled : kMouseEventNotHandled;
    const float value =
        Clamp01(m_pressValue + static_cast<float>(m_pressPoint.y - where.y) / kDragRangePixels);
    if (value != getValue())
    {
        setValue(value);
        if (getListener())
            getListener()->valueChanged(this);
    }
    if (isDirty())
        invalid();
    return kMouseEventHandled;
}

CMouseEventResult CBaseListControl::onMouseUp(CPoint& /*where*/, const long& /*buttons*/)
{
    if (!m_pressed)
        return kMouseEventNotHandled;
    m_pressed = false;
    const bool dragged = !m_menuOnClick && !ControlGestures::IsContextClick(m_pressButtons) &&
                         !ControlGestures::IsDoubleClick(m_pressButtons);
    if (dragged && getValue() != m_pressValue && getListener())
        getListener()->valueChanged(this);
    if (auto* gestures = dynamic_cast<IControlGestureListener*>(getListener()))
        gestures->OnControlMouseUp(getTag(),
                                   ControlGestures::IsContextClick(m_pressButtons) || m_menuOnClick);
    if (isDirty())
        invalid();
    return kMouseEventHandled;
}

void CBaseListControl::RunPopupMenu()
{
    const int id = static_cast<int>(getTag());
    const PARAMETER_INFO* info = m_effect ? m_effect->GetParameterInfo(id) : nullptr;
    if (!info)
        return;
    const float min = info->min;
    const float max = info->max;
    const int current =
        static_cast<int>(std::lround(m_effect->ScaledValueToUnscaled(id, Clamp01(getValue()))));
    auto* menu = new COptionMenu();
    menu->setStyle(COptionMenu::kCheckStyle);
    if (m_delegate)
    {
        m_delegate->InitMenu(m_effect, menu, current);
    }
    else
    {
        char name[kParamNameSize + 1] = {};
        m_effect->GetParameterName(id, name);
        menu->addEntry(name, -1, CMenuItem::kTitle);
        menu->addSeparator();
        const int first = static_cast<int>(min);
        const int last = static_cast<int>(max);
        for (int v = first; v <= last; ++v)
        {
            const std::string title = FormatListValue(m_effect, id, static_cast<float>(v));
            menu->addEntry(title.c_str(), -1, v == current ? CMenuItem::kChecked : CMenuItem::kNoFlags);
        }
    }
    auto* container = dynamic_cast<CViewContainer*>(getParentView());
    long menuTag = -1;
    long index = -1;
    CMenuItem* chosen = CBaseEditor::ShowPopupMenu(container, this, menu, menuTag, index);
    if (chosen)
    {
        // Without a delegate the title line is entry 0.
        const float unscaled = m_delegate ? m_delegate->GetResult(menuTag, index)
                                          : static_cast<float>(index) + min - 1.0f;
        const float value = Clamp01(m_effect->UnscaledValueToScaled(id, unscaled));
        const float before = getValue();
        if (value != before)
        {
            // One host gesture for the choice, whichever click opened the menu (a change
            // made without one would leave no undo step).
            auto* gestures = dynamic_cast<IControlGestureListener*>(getListener());
            if (gestures)
                gestures->OnControlMouseDown(getTag(), false);
            setValue(value);
            if (getListener())
                getListener()->valueChanged(this);
            if (gestures)
                gestures->OnControlMouseUp(getTag(), false);
        }
    }
    menu->forget();
    if (isDirty())
        invalid();
}

bool CBaseListControl::isTypeOf(const char* type) const
{
    return IsSameTypeName(type, "CBaseListControl") || CParamDisplay::isTypeOf(type);
}
