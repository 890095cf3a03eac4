#include "Timer.h"

#include "Frame.h"

#include <algorithm>
#include <vector>

namespace VSTGUI
{

namespace
{
// Running timers. While they fire, stopped ones leave a null behind (compacted afterwards), so
// that a timer may stop, restart or delete any timer from its target's notify.
std::vector<CVSTGUITimer*>& RunningTimers()
{
    static auto* timers = new std::vector<CVSTGUITimer*>(); // never destroyed (static timers)
    return *timers;
}
bool s_firing = false;

bool IsDue(std::uint32_t nowMs, std::uint32_t dueMs)
{
    return static_cast<std::int32_t>(nowMs - dueMs) >= 0;
}
} // namespace

const char* const CVSTGUITimer::kMsgTimer = "timer fired";

CVSTGUITimer::CVSTGUITimer(CBaseObject* target, int periodMs)
    : m_target(target), m_periodMs(periodMs)
{
}

CVSTGUITimer::~CVSTGUITimer()
{
    stop();
}

bool CVSTGUITimer::start()
{
    if (m_target == nullptr || m_periodMs <= 0)
    {
        return false;
    }
    m_nextFireMs = CFrame::getTicks() + static_cast<std::uint32_t>(m_periodMs);
    if (!m_running)
    {
        RunningTimers().push_back(this);
        m_running = true;
    }
    return true;
}

bool CVSTGUITimer::stop()
{
    if (!m_running)
    {
        return false;
    }
    m_running = false;
    auto& timers = RunningTimers();
    auto position = std::find(timers.begin(), timers.end(), this);
    if (position != timers.end())
    {
        if (s_firing)
        {
            *position = nullptr;
        }
        else
        {
            timers.erase(position);
        }
    }
    return true;
}

void CVSTGUITimer::setFireTime(int periodMs)
{
    m_periodMs = periodMs;
    if (m_running)
    {
        if (periodMs > 0)
        {
            start();
        }
        else
        {
            stop();
        }
    }
}

void CVSTGUITimer::FireDueTimers(std::uint32_t nowMs)
{
    auto& timers = RunningTimers();
    if (timers.empty() || s_firing)
    {
        return;
    }
    s_firing = true;
    const size_t count = timers.size(); // timers started while firing wait for the next pass
    for (size_t i = 0; i < count; ++i)
    {
        CVSTGUITimer* timer = timers[i];
        if (timer == nullptr || !IsDue(nowMs, timer->m_nextFireMs))
        {
            continue;
        }
        // Late by several periods: fire once and count the next period from now.
        timer->m_nextFireMs = nowMs + static_cast<std::uint32_t>(timer->m_periodMs);
        timer->m_target->notify(timer, kMsgTimer); // may stop or delete `timer`
    }
    s_firing = false;
    timers.erase(std::remove(timers.begin(), timers.end(), nullptr), timers.end());
}

int CVSTGUITimer::GetRunningTimerCount()
{
    const auto& timers = RunningTimers();
    return static_cast<int>(timers.size() -
                            static_cast<size_t>(std::count(timers.begin(), timers.end(), nullptr)));
}

bool CVSTGUITimer::isTypeOf(const char* type) const
{
    return IsSameTypeName(type, "CVSTGUITimer") || CBaseObject::isTypeOf(type);
}

} // namespace VSTGUI
