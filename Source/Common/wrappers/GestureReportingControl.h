// The common press/release protocol of the selectors and sliders, around any
// toolkit control: a press is reported to the listener's gesture side with the
// context-click flag; a double-click resets (reported) and does nothing else; a
// context click does not switch or drag; a plain press runs the toolkit's own
// handling. The release is reported with the flag of its press.
// User-interface thread.
#pragma once

#include "ControlGestureListener.h"
#include "vstgui/Control.h"

#include <utility>

template <class TToolkitControl>
class TGestureReportingControl : public TToolkitControl
{
public:
    template <class... TArgs>
    explicit TGestureReportingControl(TArgs&&... args) : TToolkitControl(std::forward<TArgs>(args)...)
    {
    }

    VSTGUI::CMouseEventResult onMouseDown(VSTGUI::CPoint& where, const long& buttons) override
    {
        m_pressButtons = buttons;
        m_pressed = true;
        m_toolkitPressed = false;
        const bool contextClick = ControlGestures::IsContextClick(buttons);
        IControlGestureListener* gestures = Gestures();
        if (gestures)
            gestures->OnControlMouseDown(this->getTag(), contextClick);
        if (ControlGestures::IsDoubleClick(buttons))
        {
            if (gestures)
                gestures->OnControlDoubleClick(this->getTag());
        }
        else if (!contextClick)
        {
            m_toolkitPressed =
                TToolkitControl::onMouseDown(where, buttons) == VSTGUI::kMouseEventHandled;
        }
        return VSTGUI::kMouseEventHandled;
    }

    VSTGUI::CMouseEventResult onMouseMoved(VSTGUI::CPoint& where, const long& buttons) override
    {
        if (!m_toolkitPressed)
            return m_pressed ? VSTGUI::kMouseEventHandled : VSTGUI::kMouseEventNotHandled;
        return TToolkitControl::onMouseMoved(where, buttons);
    }

    VSTGUI::CMouseEventResult onMouseUp(VSTGUI::CPoint& where, const long& buttons) override
    {
        if (!m_pressed)
            return VSTGUI::kMouseEventNotHandled;
        m_pressed = false;
        if (IControlGestureListener* gestures = Gestures())
            gestures->OnControlMouseUp(this->getTag(),
                                       ControlGestures::IsContextClick(m_pressButtons));
        if (m_toolkitPressed)
        {
            m_toolkitPressed = false;
            TToolkitControl::onMouseUp(where, buttons);
        }
        return VSTGUI::kMouseEventHandled;
    }

    long GetPressButtons() const { return m_pressButtons; }

protected:
    IControlGestureListener* Gestures() const
    {
        return dynamic_cast<IControlGestureListener*>(this->getListener());
    }

    long m_pressButtons = 0;
    bool m_pressed = false;
    bool m_toolkitPressed = false;
};
