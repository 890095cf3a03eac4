#include "PitchShifter.h"

#include "Common/wrappers/dsp/DspMath.h"

namespace
{
using Dsp::kPi;
// Pole constants of the two chains (pole frequencies 15 c Hz).
constexpr float kPolesI[CPitchShifter::kSections] = {0.3609f,  2.7412f,  11.1573f,
                                                     44.7581f, 179.624f, 798.458f};
constexpr float kPolesQ[CPitchShifter::kSections] = {1.2524f,  5.5671f,  22.3423f,
                                                     89.6271f, 364.791f, 2770.11f};
} // namespace

void CPitchShifter::SetSampleRate(float sampleRate) noexcept
{
    if (!(sampleRate > 0.0f))
        return;
    const float v = 15.0f * kPi / sampleRate;
    for (int i = 0; i < kSections; ++i)
    {
        m_aI[i] = (kPolesI[i] * v - 1.0f) / (kPolesI[i] * v + 1.0f);
        m_aQ[i] = (kPolesQ[i] * v - 1.0f) / (kPolesQ[i] * v + 1.0f);
    }
}

void CPitchShifter::Reset() noexcept
{
    for (int channel = 0; channel < 2; ++channel)
    {
        m_chainI[channel] = CHAIN_STATE{};
        m_chainQ[channel] = CHAIN_STATE{};
    }
    m_phase = 0.0f;
}
