#include "OctaveBandFilter.h"

#include "SvfFrequencyLimit.h"

void COctaveBandFilter::CalcFilter(float halfFrequency, float resonance, float step) noexcept
{
    const float damping = 1.03f - 0.776f * resonance;
    // Relative frequencies f / rate of the four sections (w = 2 pi f / rate): the
    // high-passes at h and 10 Hz above (10 Hz = 20 e), the low-passes at 2h, at most
    // 11 kHz (= 22000 e), and 10 Hz above.
    const float lowPass =
        2.0f * halfFrequency < 22000.0f * step ? 2.0f * halfFrequency : 22000.0f * step;
    const float relative[4] = {halfFrequency, halfFrequency + 20.0f * step, lowPass,
                               lowPass + 20.0f * step};
    for (CHANNEL& channel : m_channels)
    {
        for (int i = 0; i < 4; ++i)
            channel.sections[i].SetCoefficients(ClampSvfFrequency(relative[i]), 1.0f, damping);
    }
    m_outputGain = 0.5f / (resonance + 1.0f);
}

void COctaveBandFilter::Reset() noexcept
{
    for (CHANNEL& channel : m_channels)
    {
        for (CStateVariableSection& section : channel.sections)
            section.Reset();
        for (float& value : channel.pipe)
            value = 0.0f;
    }
}
