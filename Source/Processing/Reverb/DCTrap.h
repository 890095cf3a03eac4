// DC trap of the reverb output: the one-zero, one-pole DC blocker
// y = x - x1 + c y1 with c = 1 - 2 pi 25 / rate, a corner of about 25 Hz
// (J. O. Smith, "Introduction to Digital Filters", DC blocker). Mono.
#pragma once

class DCTrap
{
public:
    // Rate in Hz (> 0). UI thread.
    void SetSampleRate(float sampleRate) noexcept
    {
        m_coefficient = 1.0f - 157.07964f / sampleRate; // 2 pi 25 Hz
    }
    // Clears the state.
    void Reset() noexcept { m_x1 = m_y1 = 0.0f; }
    float GetCoefficient() const noexcept { return m_coefficient; }
    // The state x1, y1 (for a caller that runs two traps side by side).
    float GetX1() const noexcept { return m_x1; }
    float GetY1() const noexcept { return m_y1; }
    void SetState(float x1, float y1) noexcept
    {
        m_x1 = x1;
        m_y1 = y1;
    }

    // One sample. Audio thread.
    float Process(float x) noexcept
    {
        const float y = x - m_x1 + m_coefficient * m_y1;
        m_x1 = x;
        m_y1 = y;
        return y;
    }

private:
    float m_coefficient = 0.0f;
    float m_x1 = 0.0f;
    float m_y1 = 0.0f;
};
