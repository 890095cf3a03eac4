// Block ramp for a mix or gain that must not step: across one block of n samples
// the value moves from where the last block ended to the new target in equal
// steps, each sample advanced first and then used, and clamped so that it
// never overshoots the target. The last sample of the block lands on the target
// exactly, so that a ramp to 0 or 1 really gets there instead of stopping one
// rounding step short. Audio thread.
#pragma once

class ParamInterpolator
{
public:
    // New target for a block of numSamples (> 0) samples.
    void SetTarget(float target, int numSamples) noexcept
    {
        m_step = (target - m_current) / static_cast<float>(numSamples);
        m_low = m_current < target ? m_current : target;
        m_high = m_current < target ? target : m_current;
        m_target = target;
        m_remaining = numSamples;
    }
    // Advances one sample and returns the value to use for it.
    float Next() noexcept
    {
        if (--m_remaining == 0)
        {
            m_current = m_target;
            return m_target;
        }
        float value = m_current + m_step;
        value = value < m_low ? m_low : (value > m_high ? m_high : value);
        m_current = value;
        return value;
    }
    float GetCurrent() const noexcept { return m_current; }
    // True when the ramp stands on its target: every Next returns the target.
    bool IsSettled() const noexcept { return m_current == m_target; }
    // Ends the block at once, as the remaining Next calls would: on the target.
    void Finish() noexcept
    {
        m_current = m_target;
        m_remaining = 0;
    }
    // Jumps to a value with no ramp (start-up, reset).
    void SetCurrent(float value) noexcept
    {
        m_current = m_low = m_high = m_target = value;
        m_step = 0.0f;
        m_remaining = 0;
    }

private:
    float m_current = 0.0f;
    float m_step = 0.0f;
    float m_low = 0.0f;
    float m_high = 0.0f;
    float m_target = 0.0f;
    int m_remaining = 0;
};
