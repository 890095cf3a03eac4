// What the base controls report to their listener besides value changes: the
// press and release of every gesture, with the context-click flag, and double
// clicks. The editor turns these into host gesture brackets, the reset to the
// default value and the modulation menu. User-interface thread.
#pragma once

#include "vstgui/Types.h"

class IControlGestureListener
{
public:
    virtual ~IControlGestureListener() = default;
    virtual void OnControlMouseDown(long tag, bool contextClick) = 0;
    virtual void OnControlDoubleClick(long tag) = 0;
    virtual void OnControlMouseUp(long tag, bool contextClick) = 0;
};

namespace ControlGestures
{
// A context click: the right button, or the key the toolkit reports as kApple (the
// Ctrl key on Linux, the control key on the Mac).
inline bool IsContextClick(long buttons)
{
    return (buttons & (VSTGUI::kRButton | VSTGUI::kApple)) != 0;
}
inline bool IsDoubleClick(long buttons)
{
    return (buttons & VSTGUI::kDoubleClick) != 0;
}
} // namespace ControlGestures
