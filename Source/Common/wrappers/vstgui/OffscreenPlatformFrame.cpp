#include "OffscreenPlatformFrame.h"

#include "Frame.h"

namespace VSTGUI
{

COffscreenPlatformFrame::COffscreenPlatformFrame(CFrame* frame, double scale)
    : m_frame(frame), m_scale(scale)
{
}

bool COffscreenPlatformFrame::setSize(int logicalWidth, int logicalHeight)
{
    return logicalWidth > 0 && logicalHeight > 0;
}

void COffscreenPlatformFrame::processEvents()
{
    while (m_frame->dispatchNextSyntheticEvent())
    {
    }
}

void COffscreenPlatformFrame::present(const CRect* /*logicalRects*/, int count,
                                      void* /*backBufferSurface*/)
{
    if (count > 0)
    {
        ++m_presentCount;
    }
}

bool COffscreenPlatformFrame::runModalLoop(bool (*keepRunning)(void*), void* context)
{
    if (keepRunning == nullptr)
    {
        return false;
    }
    while (keepRunning(context))
    {
        if (!m_frame->dispatchNextSyntheticEvent())
        {
            break; // no more scripted input: the pop-up closes unanswered
        }
        m_frame->platformOnModalIdle();
    }
    return true;
}

bool COffscreenPlatformFrame::getCurrentMouseLocation(CPoint& /*where*/)
{
    return false; // the frame answers the last synthetic position
}

} // namespace VSTGUI
