// High-cut of the filter layer: two bilinear state-variable sections
// (CStateVariableSection) in series per channel, each taking the low-pass output
// lp + lp' of the one before, so four poles with the fixed damping 0.933. It runs at
// twice the layer's sample rate on the pairs (midpoint, on-sample value) that the
// layer forms. DC gain 1.
#pragma once

#include "Common/wrappers/dsp/StateVariableSection.h"

class FourPoleFilter
{
public:
    static constexpr float kDamping = 0.933f;

    // cutoffHz at runningRate (twice the layer's rate), limited to the sections' stable
    // range. Block rate; audio thread.
    void SetCutoff(float cutoffHz, float runningRate) noexcept;
    // One step at the running rate for channel 0 (left) or 1 (right); returns the output.
    float Process(int channel, float x) noexcept
    {
        CStateVariableSection* sections = m_sections[channel];
        return sections[1].Tick(sections[0].Tick(x).lowpass).lowpass;
    }
    // Clears both channels' states and previous inputs.
    void Reset() noexcept;

private:
    CStateVariableSection m_sections[2][2]; // [channel][section]
};
