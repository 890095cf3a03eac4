// What the X11 window reports to the frame it shows. Coordinates are logical (device pixels
// divided by the scale), relative to the frame's top-left corner; button words carry the
// toolkit's kLButton / kMButton / kRButton and modifier flags. UI thread only: everything is
// called from inside IPlatformFrame::processEvents or runModalLoop.
#pragma once

#include "vstgui/PlatformFrame.h"

#include <cstdint>

namespace VSTGUI
{

class IX11EventSink
{
public:
    virtual ~IX11EventSink() = default;

    // A button went down; `timeMs` is the X server's timestamp (for double-click detection).
    virtual void OnMouseDown(CPoint where, long buttons, std::uint32_t timeMs) = 0;
    // The pointer moved; `buttons` are the buttons still held and the modifiers.
    virtual void OnMouseMoved(CPoint where, long buttons) = 0;
    // A button came up; `buttons` holds that button's flag and the modifiers.
    virtual void OnMouseUp(CPoint where, long buttons) = 0;
    // One wheel step: `distance` +1 up / left, -1 down / right.
    virtual void OnWheel(CPoint where, float distance, bool horizontal, long buttons) = 0;
    // The pointer left the window (not sent while a button is held: the drag continues).
    virtual void OnMouseExited() = 0;
    // The window was destroyed under us (the host closed its window first). Sent once.
    virtual void OnWindowGone() = 0;
    // A key the toolkit knows (a CVirtualKey), only while a modal loop runs: outside it the
    // host keeps its keys. True when the toolkit used it.
    virtual bool OnKeyDown(int virtualKey) = 0;
    // A pass of a modal loop: the frame runs its timers and paints what it invalidated.
    virtual void OnModalIdle() = 0;
};

} // namespace VSTGUI
