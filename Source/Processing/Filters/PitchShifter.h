// Frequency shifter of the filter layer ("PitchShift"): single-sideband modulation.
// Two chains of six first-order all-passes y = a (x - y[n-1]) + x[n-1] split each
// channel into a pair I, Q whose phases differ by 90 degrees (within 0.2 degrees from
// 20 Hz to 10 kHz; the classic analogue 90-degree phase-difference network, its poles
// at 15 c Hz mapped through a = (c v - 1) / (c v + 1), v = 15 pi / rate). The shifted
// signal Q cos(phase) - I sin(phase) holds the input moved up by the carrier
// frequency; a fade blends it with the input so that the effect fades out at the bottom
// of the cutoff range.
#pragma once

#include "Common/wrappers/dsp/TableLookup.h"

class CPitchShifter
{
public:
    static constexpr int kSections = 6;

    // Computes the all-pass coefficients for the rate (Hz). UI thread.
    void SetSampleRate(float sampleRate) noexcept;
    // One sample of both channels in place. phaseIncrement = shift / sample rate (0..1),
    // fade 0..1 (0 passes the input unchanged). Audio thread.
    inline void Filter(float& left, float& right, float phaseIncrement, float fade) noexcept;
    // Clears the all-pass states and the carrier phase.
    void Reset() noexcept;

private:
    struct CHAIN_STATE
    {
        float x[kSections]; // previous input of each section
        float y[kSections]; // previous output of each section
    };

    static inline float RunChain(const float* a, CHAIN_STATE& state, float x) noexcept;
    // Into 0..1 only when above 1 or below 0.
    static float Wrap(float phase) noexcept
    {
        if (phase > 1.0f)
            return phase - 1.0f;
        if (phase < 0.0f)
            return phase + 1.0f;
        return phase;
    }

    float m_aI[kSections] = {};
    float m_aQ[kSections] = {};
    CHAIN_STATE m_chainI[2] = {};
    CHAIN_STATE m_chainQ[2] = {};
    float m_phase = 0.0f;
};

inline float CPitchShifter::RunChain(const float* a, CHAIN_STATE& state, float x) noexcept
{
    for (int i = 0; i < kSections; ++i)
    {
        const float y = a[i] * (x - state.y[i]) + state.x[i];
        state.x[i] = x;
        state.y[i] = y;
        x = y;
    }
    return x;
}

inline void CPitchShifter::Filter(float& left, float& right, float phaseIncrement,
                                  float fade) noexcept
{
    const float s = LookupPhase(SINE_TABLE, m_phase);
    const float c = LookupPhase(SINE_TABLE, Wrap(m_phase + 0.25f));
    const float dry = 1.0f - fade;
    const float shiftedLeft =
        RunChain(m_aQ, m_chainQ[0], left) * c - RunChain(m_aI, m_chainI[0], left) * s;
    const float shiftedRight =
        RunChain(m_aQ, m_chainQ[1], right) * c - RunChain(m_aI, m_chainI[1], right) * s;
    left = shiftedLeft * fade + left * dry;
    right = shiftedRight * fade + right * dry;
    m_phase = Wrap(m_phase + phaseIncrement);
}
