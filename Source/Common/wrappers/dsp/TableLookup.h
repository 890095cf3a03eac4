// Linear interpolation into the constant lookup tables. For a table of N entries
// and a position x in table units: i = floor(x), t = x - i,
// value = (1 - t) T[min(i, N-1)] + t T[min(i+1, N-1)]; the second index is clamped
// to the last entry, not wrapped. Positions below 0 read the first entry.
#pragma once

#include "LookupTables.h"

template <int N>
inline float LookupInterpolated(const LOOKUP_TABLE<N>& table, float position) noexcept
{
    if (!(position > 0.0f))
        return table.data[0];
    if (position >= static_cast<float>(N - 1))
        return table.data[N - 1];
    const int i = static_cast<int>(position);
    const float t = position - static_cast<float>(i);
    return (1.0f - t) * table.data[i] + t * table.data[i + 1];
}

// Periodic read of a table holding one period: phase 0..1 scaled by N.
template <int N>
inline float LookupPhase(const LOOKUP_TABLE<N>& table, float phase) noexcept
{
    return LookupInterpolated(table, phase * static_cast<float>(N));
}
