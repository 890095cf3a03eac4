// Reading the modulation matrix's slots as the editor shows them: the values as stored
// (not smoothed, without modulation), sources and targets as whole numbers.
// User-interface thread.
#pragma once

#include "Morvex.h"

#include <cmath>
#include <cstdint>

namespace MatrixSlots
{
// Scaled 0..1 as stored.
inline float StoredScaled(CBaseEffect* effect, int id)
{
    return effect->GetParameterScaled(id, /*smooth*/ false, /*modulated*/ false, 0);
}
// The slot's modulator 0..7, or -1 (empty).
inline int Source(CBaseEffect* effect, int slot)
{
    const float unscaled = effect->GetParameterUnscaled(MorvexParam::kMtxSource + slot,
                                                        /*smooth*/ false, /*modulated*/ false, 0);
    return static_cast<int>(std::trunc(unscaled));
}
// The slot's target parameter 0..311, or -1 (none).
inline int Target(CBaseEffect* effect, int slot)
{
    const float unscaled = effect->GetParameterUnscaled(MorvexParam::kMtxTarget + slot,
                                                        /*smooth*/ false, /*modulated*/ false, 0);
    return static_cast<int>(std::trunc(unscaled));
}
// One bit per slot (bit k = slot k) whose source is set and whose target is `id`.
inline uint32_t SlotsTargeting(CBaseEffect* effect, int id)
{
    uint32_t slots = 0;
    for (int k = 0; k < MorvexParam::kNumMatrixSlots; ++k)
    {
        if (Source(effect, k) >= 0 && Target(effect, k) == id)
            slots |= 1u << k;
    }
    return slots;
}
} // namespace MatrixSlots
