#include "FrameEventSink.h"

// The toolkit's headers before Xlib's: its macros (None, Bool, Status) would clash.
#include "vstgui/Frame.h"

#include "X11PlatformFrame.h"

#include <cstdint>
#include <memory>

namespace VSTGUI
{

CFrameEventSink::CFrameEventSink(CFrame* frame) : m_frame(frame)
{
}

void CFrameEventSink::OnMouseDown(CPoint where, long buttons, std::uint32_t timeMs)
{
    m_frame->platformOnMouseDown(where, buttons, timeMs);
}

void CFrameEventSink::OnMouseMoved(CPoint where, long buttons)
{
    m_frame->platformOnMouseMoved(where, buttons);
}

void CFrameEventSink::OnMouseUp(CPoint where, long buttons)
{
    m_frame->platformOnMouseUp(where, buttons);
}

void CFrameEventSink::OnWheel(CPoint where, float distance, bool horizontal, long buttons)
{
    m_frame->platformOnWheel(where, distance, horizontal, buttons);
}

void CFrameEventSink::OnMouseExited()
{
    m_frame->platformOnMouseExited();
}

void CFrameEventSink::OnWindowGone()
{
    m_frame->platformOnWindowGone();
}

bool CFrameEventSink::OnKeyDown(int virtualKey)
{
    return m_frame->platformOnKeyDown(virtualKey);
}

void CFrameEventSink::OnModalIdle()
{
    m_frame->platformOnModalIdle();
}

IPlatformFrame* CreateX11PlatformFrame(CFrame* frame, void* parentNativeWindow, double scale,
                                       int logicalWidth, int logicalHeight)
{
    if (frame == nullptr)
    {
        return nullptr;
    }
    // The parent arrives as effEditOpen's pointer argument: an X window id, not an address.
    const auto parent = static_cast<unsigned long>(reinterpret_cast<std::uintptr_t>(parentNativeWindow));
    return CX11PlatformFrame::Create(std::make_unique<CFrameEventSink>(frame), parent, scale,
                                     logicalWidth, logicalHeight)
        .release();
}

} // namespace VSTGUI
