// Watches the mouse over a whole frame (CFrame::setMouseObserver). UI thread.
#pragma once

#include "Geometry.h"

namespace VSTGUI
{

class CFrame;
class CView;

class IMouseObserver
{
public:
    virtual ~IMouseObserver() = default;
    // The deepest view under the mouse changed (entered before the new one's onMouseEntered).
    virtual void onMouseEntered(CView* view, CFrame* frame) = 0;
    virtual void onMouseExited(CView* view, CFrame* frame) = 0;
    // Every move over the frame (frame coordinates), before the views see it.
    virtual void onMouseMoved(CFrame* frame, const CPoint& where) = 0;
    // Every press, before the views see it.
    virtual void onMouseDown(CFrame* frame, const CPoint& where) = 0;
};

} // namespace VSTGUI
