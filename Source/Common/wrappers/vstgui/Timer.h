// A repeating timer: every periodMs milliseconds it sends target->notify(timer, kMsgTimer).
// Timers are fired from the idle of any open frame (CFrame::idle), so their resolution is the
// host's idle rate; a timer late by several periods fires once. Monotonic clock; UI thread
// only. The target is not owned: stop (or delete) the timer before the target goes.
#pragma once

#include "BaseObject.h"

#include <cstdint>

namespace VSTGUI
{

class CVSTGUITimer : public CBaseObject
{
public:
    // The message of every timer notification; compare the pointer.
    static const char* const kMsgTimer;

    CVSTGUITimer(CBaseObject* target, int periodMs);
    ~CVSTGUITimer() override;
    CVSTGUITimer(const CVSTGUITimer&) = delete;

    // Starts (or restarts) the period from now. False without a target or with period <= 0.
    bool start();
    bool stop();
    bool isRunning() const
    {
        return m_running;
    }
    void setFireTime(int periodMs);
    int getFireTime() const
    {
        return m_periodMs;
    }

    // Fires every running timer that is due at `nowMs` (CFrame::getTicks() time). Called by the
    // frames' idle; tests call it with a chosen time.
    static void FireDueTimers(std::uint32_t nowMs);
    static int GetRunningTimerCount();

    bool isTypeOf(const char* type) const override;

private:
    CBaseObject* m_target;
    int m_periodMs;
    std::uint32_t m_nextFireMs = 0;
    bool m_running = false;
};

} // namespace VSTGUI
