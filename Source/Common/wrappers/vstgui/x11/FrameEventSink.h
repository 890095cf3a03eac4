// Feeds what the X11 window reports into the toolkit's frame (its platformOn* entry points).
// Owned by the frame's CX11PlatformFrame, which the frame owns in turn. UI thread only.
#pragma once

#include "X11EventSink.h"

namespace VSTGUI
{

class CFrameEventSink : public IX11EventSink
{
public:
    explicit CFrameEventSink(CFrame* frame);

    void OnMouseDown(CPoint where, long buttons, std::uint32_t timeMs) override;
    void OnMouseMoved(CPoint where, long buttons) override;
    void OnMouseUp(CPoint where, long buttons) override;
    void OnWheel(CPoint where, float distance, bool horizontal, long buttons) override;
    void OnMouseExited() override;
    void OnWindowGone() override;
    bool OnKeyDown(int virtualKey) override;
    void OnModalIdle() override;

private:
    CFrame* m_frame; // not owned: the frame owns us through its platform frame
};

} // namespace VSTGUI
