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
    double decay = 1.0;
    for (int k = 0; k <= kMaxRun; ++k)
    {
        m_decay[k] = static_cast<float>(decay);
        decay *= 1.0 - static_cast<double>(m_coefficient);
    }
}

void CPanFlip::Reset()
{
    m_phase = 0.0;
    m_gainLeft = 0.0f;
    m_gainRight = 0.0f;
}

void CPanFlip::Advance(int count, float increment, bool synced) noexcept
{
    const double step = static_cast<double>(increment);
    if (!(step > 0.0 && step <= 0.5) || !std::isfinite(m_phase))
    {
        for (int n = 0; n < count; ++n)
            Step(increment, synced);
        return;
    }
    while (count > 0)
    {
        const double next = m_phase + step;
        if ((m_resync && synced) || next > 1.0)
        {
            // A resync or a wrap: this sample exactly as Process would take it.
            Step(increment, synced);
            --count;
            continue;
        }
        // The side of the samples to come stays that of `next` up to the half's end; the
        // last sample before it is left to the exact path above and the next pass.
        const bool rightHalf = next > 0.5;
        const double end = rightHalf ? 1.0 : 0.5;
        int run = static_cast<int>((end - m_phase) / step) - 1;
        run = run < 1 ? 1 : (run > count ? count : run);
        run = run > kMaxRun ? kMaxRun : run;
        const float target = rightHalf ? 0.0f : 1.0f;
        const float decay = m_decay[run];
        m_gainLeft = target + (m_gainLeft - target) * decay;
        m_gainRight = (1.0f - target) + (m_gainRight - (1.0f - target)) * decay;
        m_phase += step * static_cast<double>(run);
        count -= run;
    }
}
