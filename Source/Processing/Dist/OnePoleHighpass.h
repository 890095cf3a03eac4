// One-pole high-pass of the tube models: e = exp(-2 pi f / rate),
// y = ((1 + e) / 2) (x - x1) + e y1, unit gain at the Nyquist frequency.
#pragma once

#include "Common/wrappers/dsp/DspMath.h"
#include <cmath>

class COnePoleHighpass
{
public:
    // cornerHz > 0, sampleRate > 0. UI thread.
    void SetCorner(float cornerHz, float sampleRate)
    {
        m_e = std::exp(-Dsp::kTwoPi * cornerHz / sampleRate);
        m_gain = (1.0f + m_e) * 0.5f;
    }
    float Process(float x) noexcept
    {
        const float y = m_gain * (x - m_x1) + m_e * m_y1;
        m_x1 = x;
        m_y1 = y;
        return y;
    }
    void Reset() noexcept { m_x1 = m_y1 = 0.0f; }

private:
    float m_e = 0.0f;
    float m_gain = 0.5f;
    float m_x1 = 0.0f, m_y1 = 0.0f;
};
