#include "PanFlip.h"

#include <cmath>

CPanFlip::CPanFlip()
{
    UpdateCoefficient();
}

void CPanFlip::SetSampleRate(float sampleRate)
{
    if (!(sampleRate > 0.0f && std::isfinite(sampleRate)))
        return;
    m_sampleRate = sampleRate;
    UpdateCoefficient();
}

void CPanFlip::SetHostSamplePos(float samplePos)
{
    m_resync = false;
    if (samplePos != m_hostSamplePos)
    {
        m_hostSamplePos = samplePos;
        m_resync = true;
    }
}

void CPanFlip::SetSmooth(float smooth)
{
    if (smooth == m_smooth)
        return;
    m_smooth = smooth;
    UpdateCoefficient();
}

void CPanFlip::UpdateCoefficient()
{
    const float s = (m_smooth >= 0.0f && m_smooth <= 1.0f) ? m_smooth : 0.0f;
    const float timeMs = 30.0f * s * s + 3.0f;
    m_coefficient = 1.0f - std::exp(-1.0f / (m_sampleRate * 0.001f * timeMs));
}

void CPanFlip::Reset()
{
    m_phase = 0.0;
    m_gainLeft = 0.0f;
    m_gainRight = 0.0f;
}

void CPanFlip::Advance(int count, float increment, bool synced) noexcept
{
    for (int n = 0; n < count; ++n)
        Step(increment, synced);
}
