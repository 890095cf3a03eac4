// One-pole smoother for control signals: c = 1 - exp(-1 / (sampleRate * 0.001 * timeMs)),
// and each sample y += (x - y) * c. Coefficients on the UI thread, Process on the
// audio thread.
#pragma once

#include <cmath>

class CParamSmoother
{
public:
    // timeMs > 0; a zero or negative time makes the smoother follow at once.
    void SetTime(float sampleRate, float timeMs)
    {
        const float samples = sampleRate * 0.001f * timeMs;
        m_coefficient = samples > 0.0f ? 1.0f - std::exp(-1.0f / samples) : 1.0f;
    }
    float Process(float target) noexcept
    {
        m_value += (target - m_value) * m_coefficient;
        return m_value;
    }
    void Reset(float value = 0.0f) noexcept { m_value = value; }
    float GetValue() const noexcept { return m_value; }
    float GetCoefficient() const noexcept { return m_coefficient; }

private:
    float m_coefficient = 1.0f;
    float m_value = 0.0f;
};
