#include "ToolkitTestSupport.h"

#include <gtest/gtest.h>

using namespace VSTGUI;

namespace
{
class CCounter : public CBaseObject
{
public:
    CMessageResult notify(CBaseObject* sender, const char* message) override
    {
        if (message == CVSTGUITimer::kMsgTimer)
        {
            ++fired;
            lastSender = sender;
            if (stopOnFire != nullptr)
                stopOnFire->stop();
            return kMessageNotified;
        }
        return kMessageUnknown;
    }
    int fired = 0;
    CBaseObject* lastSender = nullptr;
    CVSTGUITimer* stopOnFire = nullptr;
};
} // namespace

TEST(CVSTGUITimerTest, FiresWhenDueOncePerPassUntilStopped)
{
    CCounter target;
    auto* timer = new CVSTGUITimer(&target, 100);
    ASSERT_TRUE(timer->start());
    const std::uint32_t start = CFrame::getTicks();
    CVSTGUITimer::FireDueTimers(start + 50);
    EXPECT_EQ(target.fired, 0);
    CVSTGUITimer::FireDueTimers(start + 1000); // late by many periods: once
    EXPECT_EQ(target.fired, 1);
    EXPECT_EQ(target.lastSender, timer);
    CVSTGUITimer::FireDueTimers(start + 1050);
    EXPECT_EQ(target.fired, 1);
    CVSTGUITimer::FireDueTimers(start + 1100);
    EXPECT_EQ(target.fired, 2);
    timer->stop();
    CVSTGUITimer::FireDueTimers(start + 5000);
    EXPECT_EQ(target.fired, 2);
    timer->forget();
    // The target may stop its own timer; a timer deleted while running stops.
    timer = new CVSTGUITimer(&target, 10);
    auto* other = new CVSTGUITimer(&target, 10);
    target.stopOnFire = timer;
    timer->start();
    other->start();
    other->forget();
    CVSTGUITimer::FireDueTimers(CFrame::getTicks() + 20);
    EXPECT_EQ(target.fired, 3);
    EXPECT_FALSE(timer->isRunning());
    EXPECT_EQ(CVSTGUITimer::GetRunningTimerCount(), 0);
    EXPECT_FALSE(CVSTGUITimer(nullptr, 10).start());
    timer->forget();
}

TEST(CVSTGUITimerTest, OpenFramesRunTimersFromIdle)
{
    CCounter target;
    auto* timer = new CVSTGUITimer(&target, 1);
    timer->start();
    auto* frame = new CFrame(CRect(0, 0, 10, 10), nullptr);
    ASSERT_TRUE(frame->openOffscreen(1.0));
    const std::uint32_t until = CFrame::getTicks() + 2000;
    while (target.fired == 0 && static_cast<std::int32_t>(CFrame::getTicks() - until) < 0)
        frame->idle();
    EXPECT_GE(target.fired, 1);
    frame->forget();
    timer->forget();
}
