// The peak limiter of the master output and of the delay's echoes: an envelope that
// follows the louder channel's magnitude, rising within 0.1 ms and falling over 500 ms;
// whatever pushes it to 1 or more is divided by it. A value type: the caller keeps the
// envelope in a local over its loop and stores it back. Audio thread, except
// SetSampleRate.
#pragma once

#include <cmath>

struct CPeakLimiter
{
    // The envelope covers 99 % of a step in 0.1 ms (attack) and in 500 ms (release).
    void SetSampleRate(float sampleRate) noexcept
    {
        const float samplesPerMs = sampleRate * 0.001f;
        attack = std::pow(0.01f, 1.0f / (0.1f * samplesPerMs));
        release = std::pow(0.01f, 1.0f / (500.0f * samplesPerMs));
    }
    // The envelope after one sample of `level` (>= 0) from `from`.
    float Follow(float level, float from) const noexcept
    {
        const float coefficient = level > from ? attack : release;
        return level + coefficient * (from - level);
    }

    float attack = 0.0f;
    float release = 0.0f;
    float envelope = 0.0f; // between blocks; 0 after a reset
};
