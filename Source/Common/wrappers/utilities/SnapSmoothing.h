// One step of a one-pole smoother that snaps to its target: the parameter smoothing,
// the modulation depths and the correlation meter all settle this way, so that a
// smoothed value reaches its target exactly instead of creeping towards it for ever
// (and settled reads compare equal to the stored value).
#pragma once

#include <cmath>

namespace SnapSmoothing
{
// Values closer than this to their target read as the target.
constexpr float kSnap = 1e-5f;
// States below this are flushed to 0 first, so that no denormal enters the step.
constexpr float kDenormalFloor = 1e-20f;

// Flushes `state`, then either advances it with `step(target, state)` and returns the new
// state, or, within kSnap of the target, leaves it and returns the target itself.
template <typename Step>
inline float Advance(float target, float& state, Step step) noexcept
{
    if (std::fabs(state) < kDenormalFloor)
        state = 0.0f;
    if (!(std::fabs(target - state) >= kSnap))
        return target;
    state = step(target, state);
    return state;
}
} // namespace SnapSmoothing
