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

