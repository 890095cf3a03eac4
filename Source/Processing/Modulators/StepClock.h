// Time base shared by the two modulators (CStepper, CMseg): both run on a line of
// "step units", whose length is a tempo-synced note length or a free time in
// milliseconds, and both glide their output with the same one-pole smoother.
// Per-block helpers (they may call libm); any thread.
#pragma once

#include "Common/wrappers/dsp/TimeScaling.h"

#include <cmath>

namespace StepClock
{
// Highest speed of the play position, in step units per sample. A step unit of
// two samples is far below any musical setting; the limit only keeps a
// degenerate speed (0 ms, an infinite tempo) from producing an infinite or NaN
// position, and keeps the wrap by the fractional part exact.
constexpr float kMaxIncrement = 0.5f;

// Duration of one step unit in seconds. sync: `speed` is a note-length index
// (truncated; 0..20 a fraction of a 4/4 bar at tempoBpm, 21 and above one second);
// free: `speed` is the unit's length in milliseconds.
inline float StepUnitSeconds(bool sync, float speed, float tempoBpm)
{
    if (!sync)
        return speed * 0.001f;
    // Truncation toward zero; anything at or above 21 (or not a number) is one second.
    const int index = (speed >= 0.0f && speed < 21.0f) ? static_cast<int>(speed) : 21;
    return TimeScaling::ToRatio(index, tempoBpm);
}

// Play-position increment per sample: 1 / (unit seconds * sample rate), at most
// kMaxIncrement.
inline float IncrementPerSample(bool sync, float speed, float tempoBpm, float sampleRate)
{
    const float samplesPerUnit = StepUnitSeconds(sync, speed, tempoBpm) * sampleRate;
    if (!(samplesPerUnit >= 1.0f / kMaxIncrement))
        return kMaxIncrement;
    return 1.0f / samplesPerUnit;
}

// Glide of the output, y += (target - y) * (1 - c): c = exp(-1 / (0.001 * rate * 30 * s^2))
// for smooth s in 0..1 (time constant 0..30 ms); s = 0 gives c = 0, no glide.
inline float GlideCoefficient(float smooth, float sampleRate)
{
    const float samples = 0.001f * sampleRate * 30.0f * smooth * smooth;
    if (!(samples > 0.0f))
        return 0.0f;
    return std::exp(-1.0f / samples);
}

// Tempo as the modulators store it: a value that is not a positive finite number is 120.
inline float SanitizeTempo(float tempoBpm)
{
    return (tempoBpm > 0.0f && std::isfinite(tempoBpm)) ? tempoBpm : 120.0f;
}

// True when x truncated toward zero is an odd whole number. Exact for every finite
// float (all floats from 2^24 up are even); no float-to-int conversion.
// Whether trunc(x) is an odd whole number. Floats from 2^23 up are all even; NaN is not odd.
inline bool IsOddWhole(float x)
{
    const float whole = std::trunc(x);
    if (!(std::fabs(whole) < 8388608.0f))
        return false;
    return (static_cast<long long>(whole) & 1) != 0;
}

// Fractional part x - floor(x), in [0, 1). Used for the resynchronisation to the host
// position, so that a position exactly on a cycle boundary starts the cycle (frac 1 = 0).
inline double Fraction(double x)
{
    const double f = x - std::floor(x);
    return f < 1.0 ? f : 0.0;
}
} // namespace StepClock

// Host clock of a modulator: sample rate, tempo and song position, with the flag
// that asks the next synced Generate to resynchronise. Shared by CStepper and CMseg.
class CModulatorClock
{
public:
    // Rate in Hz; a value that is not positive and finite is ignored.
    void SetSampleRate(float sampleRate)
    {
        if (sampleRate > 0.0f && std::isfinite(sampleRate))
            m_sampleRate = sampleRate;
    }
    // Beats per minute; a value that is not positive and finite is stored as 120.
    void SetHostTempo(float tempoBpm) { m_hostTempo = StepClock::SanitizeTempo(tempoBpm); }
    // Host song position in samples: a new value marks the next synced Generate to
    // resynchronise.
    void SetHostSamplePos(float samplePos)
    {
        m_resyncPending = samplePos != m_hostSamplePos;
        m_hostSamplePos = samplePos;
    }

protected:
    float m_sampleRate = 44100.0f;
    float m_hostTempo = 120.0f;
    float m_hostSamplePos = 0.0f;
    bool m_resyncPending = false;
};
