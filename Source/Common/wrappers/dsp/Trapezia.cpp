#include "Trapezia.h"

void CTrapezia::SetParams(int length, int ramp) noexcept
{
    if (length / 2 <= ramp)
        ramp = length / 2 - 1;
    if (ramp < 0)
        ramp = 0;
    m_length = length > 0 ? length : 0;
    m_inverseLength = length > 0 ? 1.0f / static_cast<float>(length) : 0.0f;
    m_rampLength = ramp;
    m_upCount = ramp;
    m_downCount = ramp;
    m_sustainCount = m_length - 2 * ramp;
    // 1 / (R - 1): a rise that starts at exactly 0 and ends at exactly 1. Ramps of
    // fewer than two samples have no slope; they jump (1 while rising, 0 while falling)
    // instead of dividing by zero.
    const float increment = ramp >= 2 ? 1.0f / static_cast<float>(ramp - 1) : 0.0f;
    m_upIncrement = increment;
    m_downIncrement = increment;
    m_stage = m_length > 0 ? kRising : kIdle; // a window of no samples is over at once
}

float CTrapezia::GetSample() noexcept
{
    if (m_startDelay > 0)
    {
        --m_startDelay;
        return 0.0f;
    }
    switch (m_stage)
    {
    case kRising:
    {
        const int count = m_upCount--;
        if (count < 2)
            m_stage = kSustain;
        return 1.0f - static_cast<float>(count - 1) * m_upIncrement;
    }
    case kSustain:
    {
        const int count = m_sustainCount--;
        if (count < 2)
            m_stage = kFalling;
        return 1.0f;
    }
    case kFalling:
    {
        const int count = m_downCount--;
        if (count < 2)
            m_stage = kIdle;
        return static_cast<float>(count - 1) * m_downIncrement;
    }
    default:
        return 0.0f;
    }
}

float CTrapezia::GetPhase() const noexcept
{
    if (m_startDelay > 0 || m_length <= 0)
        return 0.0f;
    const int left = m_upCount + m_downCount + m_sustainCount;
    const float phase = 1.0f - static_cast<float>(left) * m_inverseLength;
    return phase < 0.0f ? 0.0f : (phase > 1.0f ? 1.0f : phase);
}
