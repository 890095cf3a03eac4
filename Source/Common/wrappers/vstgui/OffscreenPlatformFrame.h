// The platform frame of an offscreen CFrame: no window; events come from the frame's queue of
// synthetic events (tests), presents are counted. UI thread only.
#pragma once

#include "PlatformFrame.h"

namespace VSTGUI
{

class COffscreenPlatformFrame : public IPlatformFrame
{
public:
    COffscreenPlatformFrame(CFrame* frame, double scale);

    double getScaleFactor() const override
    {
        return m_scale;
    }
    bool setSize(int logicalWidth, int logicalHeight) override;
    // Dispatches every queued synthetic event.
    void processEvents() override;
    void present(const CRect* logicalRects, int count, void* backBufferSurface) override;
    // Feeds queued events one at a time (painting after each) while keepRunning answers true;
    // returns when the queue is empty, so a menu without scripted input closes at once.
    bool runModalLoop(bool (*keepRunning)(void*), void* context) override;
    void setCursor(CCursorType type) override
    {
        m_cursor = type;
    }
    bool getCurrentMouseLocation(CPoint& where) override;
    bool isWindowAlive() const override
    {
        return true;
    }

    long getPresentCount() const
    {
        return m_presentCount;
    }
    CCursorType getCursor() const
    {
        return m_cursor;
    }

private:
    CFrame* m_frame;
    double m_scale;
    long m_presentCount = 0;
    CCursorType m_cursor = kCursorDefault;
};

} // namespace VSTGUI
