// The value field of a list parameter: the parameter's display text for the
// control's value (its formatter, else the whole number). A vertical drag changes
// the value (200 pixels for the whole range); a context click, or any click when
// menuOnClick, opens a menu of the values. Presses and releases are reported to the
// listener's gesture side. User-interface thread.
#pragma once

#include "vstgui/ParamDisplay.h"

class CBaseEffect;
class CListMenuDelegate;

class CBaseListControl : public VSTGUI::CParamDisplay
{
public:
    // Pixels of vertical drag for the whole range.
    static constexpr float kDragRangePixels = 200.0f;

    // `font` is remembered; null takes the toolkit's default. `delegate` is not owned
    // (null: the menu lists the parameter's range).
    CBaseListControl(CBaseEffect* effect, const VSTGUI::CRect& size,
                     VSTGUI::CControlListener* listener, long tag, bool menuOnClick,
                     VSTGUI::CFontDesc* font, const VSTGUI::CColor& color,
                     CListMenuDelegate* delegate);
    CBaseListControl(const CBaseListControl& other) = default;

    void draw(VSTGUI::CDrawContext* context) override;
    VSTGUI::CMouseEventResult onMouseDown(VSTGUI::CPoint& where, const long& buttons) override;
    VSTGUI::CMouseEventResult onMouseMoved(VSTGUI::CPoint& where, const long& buttons) override;
    VSTGUI::CMouseEventResult onMouseUp(VSTGUI::CPoint& where, const long& buttons) override;

    // Shows the value menu at the mouse; a choice is stored as one host gesture.
    void RunPopupMenu();
    // The text shown for the current value.
    virtual void GetDisplayText(char* text, int size) const;

    void SetMenuEnabled(bool enabled) { m_menuEnabled = enabled; }
    bool IsMenuEnabled() const { return m_menuEnabled; }
    bool IsMenuOnClick() const { return m_menuOnClick; }
    CListMenuDelegate* GetDelegate() const { return m_delegate; }

    bool isTypeOf(const char* type) const override;
    VSTGUI::CBaseObject* newCopy() const override { return new CBaseListControl(*this); }

protected:
    CBaseEffect* m_effect;
    CListMenuDelegate* m_delegate;
    VSTGUI::CPoint m_pressPoint;
    float m_pressValue = 0.0f;
    long m_pressButtons = 0;
    bool m_pressed = false;
    bool m_menuOnClick;
    bool m_menuEnabled = true;
};
