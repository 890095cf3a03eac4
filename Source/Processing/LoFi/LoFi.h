// Sample-level degradation of a stereo signal: fewer amplitude levels (rounding
// to a grid of q levels per unit), noise multiplied into the signal (so silence
// stays silent) and a sample hold that lowers the effective sample rate, faded in
// over the bottom of its range. Amounts 0..1; samples are processed in place.
#pragma once

#include "Common/wrappers/dsp/LookupTables.h"
#include "Common/wrappers/dsp/TableLookup.h"

#include <cmath>

class CLoFi
{
  public:
    // Sample rate in Hz (> 0; 44100 until set): the noise table runs at one pass a second.
    // UI thread.
    void SetSampleRate(float sampleRate);
    // Clears the held pair, the noise phase and the hold counter.
    void Reset() noexcept;
    // One stereo sample in place. bits: resolution 0 (untouched) .. 1 (q = 2 levels, steps
    // of 0.5); rate: hold length 0 (off) .. 1 (each sample held for 257 samples); noise:
    // depth of the multiplicative noise 0..1. Audio thread.
    inline void ProcessSample(float& left, float& right, float bits, float rate,
                              float noise) noexcept;
    // count samples in place, as ProcessSample sample by sample with the same settings,
    // with what depends only on the settings worked out once.
    void ProcessBlock(float* left, float* right, int count, float bits, float rate,
                      float noise) noexcept;

  private:
    // Rounds to multiples of step = 1 / levels (levels = q = 4094 (1 - bits)^6 + 2), halves
    // moving away from zero; positive values above 1e-5 and below one step become one step.
    static float Quantise(float sample, float levels, float step) noexcept
    {
        if (sample > 1e-5f && sample < step)
            return step;
        const float scaled = sample * levels;
        return std::trunc(scaled + (scaled < 0.0f ? -0.5f : 0.5f)) * step;
    }

    float m_sampleRate = 44100.0f;
    float m_heldLeft = 0.0f;
    float m_noisePhase = 0.0f; // 0..1, one pass through the noise table a second
    float m_heldRight = 0.0f;
    float m_holdCounter = 0.0f;
    float m_noiseIncrement = 1.0f / 44100.0f;
    // Levels and step of the last bits value, to skip recomputing them per sample.
    float m_bits = 0.0f;
    float m_levels = 4096.0f;
    float m_step = 1.0f / 4096.0f;
};

inline void CLoFi::ProcessSample(float& left, float& right, float bits, float rate,
                                 float noise) noexcept
{
    if (bits == 0.0f && rate == 0.0f && noise == 0.0f)
        return;
    float l = left;
    float r = right;
    if (bits != 0.0f)
    {
        if (bits != m_bits)
        {
            const float b = 1.0f - bits;
            const float b2 = b * b;
            m_levels = 4094.0f * b2 * b2 * b2 + 2.0f;
            m_step = 1.0f / m_levels;
            m_bits = bits;
        }
        l = Quantise(l, m_levels, m_step);
        r = Quantise(r, m_levels, m_step);
    }
    if (noise != 0.0f)
    {
        m_noisePhase += m_noiseIncrement;
        if (m_noisePhase > 1.0f)
            m_noisePhase -= std::trunc(m_noisePhase);
        // Both channels take the same entry: the noise follows the signal, not the stereo.
        const float n =
            NOISE_WHITE_TABLE.At(static_cast<int>(m_noisePhase * (kNoiseWhiteTableSize - 1))) *
            noise;
        l += n * l;
        r += n * r;
    }
    if (rate != 0.0f)
    {
        float holdLeft;
        float holdRight;
        if (rate * rate * 256.0f > m_holdCounter)
        {
            m_holdCounter += 1.0f;
            holdLeft = m_heldLeft;
            holdRight = m_heldRight;
        }
        else
        {
            // A non-finite sample is output once but never held.
            m_heldLeft = std::isfinite(l) ? l : 0.0f;
            m_heldRight = std::isfinite(r) ? r : 0.0f;
            m_holdCounter = 0.0f;
            holdLeft = l;
            holdRight = r;
        }
        const float fade = LookupInterpolated(FASTFADEIN_TABLE, 4096.0f * rate);
        l = holdLeft * fade + l * (1.0f - fade);
        r = holdRight * fade + r * (1.0f - fade);
    }
    left = l;
    right = r;
}
