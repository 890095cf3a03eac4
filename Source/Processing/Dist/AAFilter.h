// Two-pole tone and anti-aliasing filter of the tube models, run at twice the
// sample rate: y = 0.65970355 x - 0.5153698 x1 + 0.4780344 x2 + 1.6747364 y1
// - 0.746942 y2 (poles at radius 0.864, about 3.5 kHz at 88.2 kHz; DC gain 8.62).
// A tube model feeds it one real sample and then one zero sample per input sample;
// the zero sample's step leaves out the input terms altogether.
#pragma once

class CAAFilter
{
public:
    // Full step with input x. Audio thread.
    float Process(float x) noexcept
    {
        const float y = kB0 * x + kB1 * m_x1 + kB2 * m_x2 + kA1 * m_y1 - kA2 * m_y2;
        m_x2 = m_x1;
        m_x1 = x;
        m_y2 = m_y1;
        m_y1 = y;
        return y;
    }
    // Zero-input step: the input history takes a 0 and the output is the recursive part
    // alone. Audio thread.
    float ProcessZero() noexcept
    {
        const float y = kA1 * m_y1 - kA2 * m_y2;
        m_x2 = m_x1;
        m_x1 = 0.0f;
        m_y2 = m_y1;
        m_y1 = y;
        return y;
    }
    void Reset() noexcept { m_x1 = m_x2 = m_y1 = m_y2 = 0.0f; }

private:
    static constexpr float kB0 = 0.65970355f;
    static constexpr float kB1 = -0.5153698f;
    static constexpr float kB2 = 0.4780344f;
    static constexpr float kA1 = 1.6747364f;
    static constexpr float kA2 = 0.746942f;
    float m_x1 = 0.0f, m_x2 = 0.0f, m_y1 = 0.0f, m_y2 = 0.0f;
};
