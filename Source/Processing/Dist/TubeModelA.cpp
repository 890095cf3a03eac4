#include "TubeModelA.h"

#include <algorithm>

void CTubeModelA::SetSampleRate(float sampleRate)
{
    m_inputHighpass.SetCorner(220.0f, sampleRate);
    m_outputHighpass.SetCorner(40.0f, sampleRate);
}

void CTubeModelA::Reset() noexcept
{
    m_inputHighpass.Reset();
    m_outputHighpass.Reset();
    m_filter1.Reset();
    m_filter2.Reset();
}

float CTubeModelA::Process(float x, float gain, float level) noexcept
{
    const float u = std::clamp(m_inputHighpass.Process(x), -0.9999f, 0.9999f);
    const float s = Cubic(u) * gain;
    // Two steps at twice the rate: the sample, then a zero; the first step's second
    // filter output only advances its history.
    const float a = m_filter1.Process(s);
    m_filter2.Process(HeldCubic(a));
    const float aZero = m_filter1.ProcessZero();
    const float b = m_filter2.Process(HeldCubic(aZero));
    const float k = std::max(0.02f, 0.06f / gain);
    return m_outputHighpass.Process(k * b) * level;
}
