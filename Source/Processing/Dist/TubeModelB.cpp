#include "TubeModelB.h"

#include <algorithm>

void CTubeModelB::SetSampleRate(float sampleRate)
{
    m_outputHighpass.SetCorner(40.0f, sampleRate);
}

void CTubeModelB::Reset() noexcept
{
    m_outputHighpass.Reset();
    m_filter.Reset();
}

float CTubeModelB::Process(float x, float gain, float level) noexcept
{
    const float k = std::max(0.2f, 0.6f / gain);
    const float u = std::clamp(x, -0.9999f, 0.9999f);
    m_filter.Process(Clip(u) * gain);
    // Only the zero-input step of the pair is heard.
    const float a = std::clamp(m_filter.ProcessZero(), -1.0f, 1.0f);
    return m_outputHighpass.Process(k * Clip(a)) * level;
}
