#include "DistFilter.h"

#include <algorithm>
#include <cmath>

void CDistFilter::CalcParams(float sampleRate, float lowHz, float highHz)
{
    constexpr float kTwoPi = 6.28318530717958647692f;
    m_poleHigh = std::exp(-kTwoPi * std::min(sampleRate, highHz) / sampleRate);
    m_poleLow = std::exp(-kTwoPi * lowHz / sampleRate);
}

void CDistFilter::Reset() noexcept
{
    std::fill(m_lowpass, m_lowpass + 3, 0.0f);
    std::fill(m_highpass, m_highpass + 3, 0.0f);
}

void CDistFilter::Filter(const float* in, float* out, int count) noexcept
{
    const float poleHigh = m_poleHigh, gainHigh = 1.0f - m_poleHigh;
    const float poleLow = m_poleLow, gainLow = 1.0f - m_poleLow;
    float low0 = m_lowpass[0], low1 = m_lowpass[1], low2 = m_lowpass[2];
    float high0 = m_highpass[0], high1 = m_highpass[1], high2 = m_highpass[2];
    for (int i = 0; i < count; ++i)
    {
        low0 = gainHigh * in[i] + poleHigh * low0;
        low1 = gainHigh * low0 + poleHigh * low1;
        low2 = gainHigh * low1 + poleHigh * low2;
        // Each high-pass is its input minus that input's one-pole low-pass.
        high0 = gainLow * low2 + poleLow * high0;
        float v = low2 - high0;
        high1 = gainLow * v + poleLow * high1;
        v -= high1;
        high2 = gainLow * v + poleLow * high2;
        out[i] = v - high2;
    }
    m_lowpass[0] = low0;
    m_lowpass[1] = low1;
    m_lowpass[2] = low2;
    m_highpass[0] = high0;
    m_highpass[1] = high1;
    m_highpass[2] = high2;
}
