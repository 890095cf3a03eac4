#include "X11Input.h"

#include <X11/X.h>
#include <X11/keysym.h>

namespace VSTGUI::X11Input
{

long ModifierFlags(unsigned int state)
{
    long flags = 0;
    if ((state & ShiftMask) != 0)
    {
        flags |= kShift;
    }
    if ((state & ControlMask) != 0)
    {
        flags |= kApple;
    }
    if ((state & Mod1Mask) != 0)
    {
        flags |= kAlt;
    }
    return flags;
}

long HeldButtonFlags(unsigned int state)
{
    long flags = 0;
    if ((state & Button1Mask) != 0)
    {
        flags |= kLButton;
    }
    if ((state & Button2Mask) != 0)
    {
        flags |= kMButton;
    }
    if ((state & Button3Mask) != 0)
    {
        flags |= kRButton;
    }
    return flags;
}

long ButtonFlag(unsigned int button)
{
    switch (button)
    {
    case Button1:
        return kLButton;
    case Button2:
        return kMButton;
    case Button3:
        return kRButton;
    default:
        return 0;
    }
}

bool WheelStep(unsigned int button, float& distance, bool& horizontal)
{
    switch (button)
    {
    case Button4:
        distance = 1.0f;
        horizontal = false;
        return true;
    case Button5:
        distance = -1.0f;
        horizontal = false;
        return true;
    case 6:
        distance = 1.0f;
        horizontal = true;
        return true;
    case 7:
        distance = -1.0f;
        horizontal = true;
        return true;
    default:
        return false;
    }
}

int VirtualKeyFromKeysym(unsigned long keysym)
{
    switch (keysym)
    {
    case XK_Escape:
        return kVirtualKeyEscape;
    case XK_Return:
    case XK_KP_Enter:
        return kVirtualKeyReturn;
    case XK_Up:
    case XK_KP_Up:
        return kVirtualKeyUp;
    case XK_Down:
    case XK_KP_Down:
        return kVirtualKeyDown;
    case XK_Left:
    case XK_KP_Left:
        return kVirtualKeyLeft;
    case XK_Right:
    case XK_KP_Right:
        return kVirtualKeyRight;
    default:
        return kVirtualKeyNone;
    }
}

CPoint ToLogical(int deviceX, int deviceY, double scale)
{
    const double divisor = scale > 0.0 ? scale : 1.0;
    return CPoint(deviceX / divisor, deviceY / divisor);
}

} // namespace VSTGUI::X11Input
