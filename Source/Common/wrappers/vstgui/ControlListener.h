// Receives a control's value changes (CControl::valueChanged). UI thread.
#pragma once

namespace VSTGUI
{

class CControl;

class CControlListener
{
public:
    virtual ~CControlListener() = default;
    virtual void valueChanged(CControl* control) = 0;
};

} // namespace VSTGUI
