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
    ProcessBlock(&left, &right, 1, bits, rate, noise);
}
