#include "FourPoleFilter.h"

#include "SvfFrequencyLimit.h"

void FourPoleFilter::SetCutoff(float cutoffHz, float runningRate) noexcept
{
    if (!(runningRate > 0.0f))
        return;
    const float relative = ClampSvfFrequency(cutoffHz / runningRate);
    for (auto& channel : m_sections)
    {
        for (CStateVariableSection& section : channel)
            section.SetCoefficients(relative, 1.0f, kDamping);
    }
}

void FourPoleFilter::Reset() noexcept
{
    for (auto& channel : m_sections)
    {
        for (CStateVariableSection& section : channel)
            section.Reset();
    }
}
