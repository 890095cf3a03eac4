// Ring modulator of the filter layer ("RingMod"): both channels multiplied by a
// cosine carrier read from the sine table (a quarter period ahead), at the cutoff
// frequency, blended with the input by a fade so that the effect fades out at the
// bottom of the cutoff range. Sidebands at f +- carrier, each of half the amplitude.
#pragma once

#include "Common/wrappers/dsp/TableLookup.h"

class CRingModFilter
{
public:
    // One sample of both channels in place. phaseIncrement = carrier / sample rate
    // (0..1), fade 0..1 (0 passes the input unchanged). Audio thread.
    void Filter(float& left, float& right, float phaseIncrement, float fade) noexcept
    {
        const float carrier = LookupPhase(SINE_TABLE, Wrap(m_phase + 0.25f));
        const float gain = carrier * fade + (1.0f - fade);
        left *= gain;
        right *= gain;
        m_phase = Wrap(m_phase + phaseIncrement);
    }
    // Carrier back to phase 0.
    void Reset() noexcept { m_phase = 0.0f; }

private:
    // Into 0..1 only when above 1 or below 0.
    static float Wrap(float phase) noexcept
    {
        if (phase > 1.0f)
            return phase - 1.0f;
        if (phase < 0.0f)
            return phase + 1.0f;
        return phase;
    }

    float m_phase = 0.0f;
};
