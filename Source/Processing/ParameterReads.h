// Named reads of a module's parameters from its owner's parameter model, so that a call
// site says what it reads (a switch, a smoothed or a plain modulated value) instead of
// passing flags. Every reader takes the block's first sample of the modulation (index 0),
// as the modules read their parameters once per 16-sample sub-block. Audio thread.
#pragma once

#include "Common/wrappers/BaseEffect.h"

namespace ParamRead
{
// An on/off or two-way choice, modulated, not smoothed: on above half way.
inline bool Switch(CBaseEffect& owner, int id) noexcept
{
    return owner.GetParameterScaled(id, false, true, 0) > 0.5f;
}

// Scaled 0..1 with its modulation, not smoothed (choices, steps, values ramped later).
inline float Modulated(CBaseEffect& owner, int id) noexcept
{
    return owner.GetParameterScaled(id, false, true, 0);
}

// Scaled 0..1, smoothed and modulated. Advances the parameter's smoothing by one
// sub-block step: one read per parameter and sub-block.
inline float Smoothed(CBaseEffect& owner, int id) noexcept
{
    return owner.GetParameterScaled(id, true, true, 0);
}

// Scaled 0..1 as stored: no smoothing, no modulation (a knob's position).
inline float Stored(CBaseEffect& owner, int id) noexcept
{
    return owner.GetParameterScaled(id, false, false, 0);
}

// Scaled 0..1 as the audio thread holds it: no smoothing, no modulation. Unlike Stored,
// a whole-state load reaches it at the block start that takes the load, with every other
// value of that load.
inline float Settled(CBaseEffect& owner, int id) noexcept
{
    return owner.GetAudioScaled(id);
}

// The same reads in the parameter's own units (Hz, ms, dB, list index).
inline float ModulatedUnits(CBaseEffect& owner, int id) noexcept
{
    return owner.GetParameterUnscaled(id, false, true, 0);
}

inline float SmoothedUnits(CBaseEffect& owner, int id) noexcept
{
    return owner.GetParameterUnscaled(id, true, true, 0);
}

inline float StoredUnits(CBaseEffect& owner, int id) noexcept
{
    return owner.GetParameterUnscaled(id, false, false, 0);
}

// Smoothed but not modulated, in units.
inline float SmoothedUnmodulatedUnits(CBaseEffect& owner, int id) noexcept
{
    return owner.GetParameterUnscaled(id, true, false, 0);
}
} // namespace ParamRead
