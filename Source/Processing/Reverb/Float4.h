// Four float lanes for the reverb's sample loop, which reads and filters four delay lines
// at once: SSE2 on x86-64, four plain floats elsewhere. Every operation is the IEEE single
// operation of each lane, so both forms give the same bits as the scalar expression written
// lane by lane. Defining MORVEX_FLOAT4_PORTABLE selects the plain form everywhere.
// Header-only; audio thread.
#pragma once

#include "Common/wrappers/dsp/Simd.h"

#if MORVEX_SIMD_SSE2 && !defined(MORVEX_FLOAT4_PORTABLE)
#define MORVEX_FLOAT4_SSE2 1
#endif

struct FLOAT4
{
#ifdef MORVEX_FLOAT4_SSE2
    __m128 v;
#else
    float v[4];
#endif
};

// Four int lanes (indices derived from FLOAT4 lanes).
struct INT4
{
#ifdef MORVEX_FLOAT4_SSE2
    __m128i v;
#else
    int v[4];
#endif
};

namespace Float4
{
// Lanes 0..3 = a, b, c, d.
inline FLOAT4 Set(float a, float b, float c, float d) noexcept
{
#ifdef MORVEX_FLOAT4_SSE2
    return {_mm_setr_ps(a, b, c, d)};
#else
    return {{a, b, c, d}};
#endif
}

inline FLOAT4 Broadcast(float x) noexcept
{
    return Set(x, x, x, x);
}

// Four consecutive floats, any alignment.
inline FLOAT4 Load(const float* p) noexcept
{
#ifdef MORVEX_FLOAT4_SSE2
    return {_mm_loadu_ps(p)};
#else
    return {{p[0], p[1], p[2], p[3]}};
#endif
}

inline void Store(float* p, FLOAT4 x) noexcept
{
#ifdef MORVEX_FLOAT4_SSE2
    _mm_storeu_ps(p, x.v);
#else
    for (int i = 0; i < 4; ++i)
        p[i] = x.v[i];
#endif
}

inline FLOAT4 Add(FLOAT4 a, FLOAT4 b) noexcept
{
#ifdef MORVEX_FLOAT4_SSE2
    return {_mm_add_ps(a.v, b.v)};
#else
    return {{a.v[0] + b.v[0], a.v[1] + b.v[1], a.v[2] + b.v[2], a.v[3] + b.v[3]}};
#endif
}

inline FLOAT4 Sub(FLOAT4 a, FLOAT4 b) noexcept
{
#ifdef MORVEX_FLOAT4_SSE2
    return {_mm_sub_ps(a.v, b.v)};
#else
    return {{a.v[0] - b.v[0], a.v[1] - b.v[1], a.v[2] - b.v[2], a.v[3] - b.v[3]}};
#endif
}

inline FLOAT4 Mul(FLOAT4 a, FLOAT4 b) noexcept
{
#ifdef MORVEX_FLOAT4_SSE2
    return {_mm_mul_ps(a.v, b.v)};
#else
    return {{a.v[0] * b.v[0], a.v[1] * b.v[1], a.v[2] * b.v[2], a.v[3] * b.v[3]}};
#endif
}

// Lanes clamped to lo..hi (lo <= hi; lanes are finite here).
inline FLOAT4 Clamp(FLOAT4 x, FLOAT4 lo, FLOAT4 hi) noexcept
{
#ifdef MORVEX_FLOAT4_SSE2
    return {_mm_min_ps(_mm_max_ps(x.v, lo.v), hi.v)};
#else
    FLOAT4 r;
    for (int i = 0; i < 4; ++i)
    {
        const float y = x.v[i] < lo.v[i] ? lo.v[i] : x.v[i];
        r.v[i] = y > hi.v[i] ? hi.v[i] : y;
    }
    return r;
#endif
}

// Each lane above `limit` reduced by `limit` (a phase just past 1 wrapped back into 0..1).
inline FLOAT4 WrapAbove(FLOAT4 x, float limit) noexcept
{
#ifdef MORVEX_FLOAT4_SSE2
    const __m128 l = _mm_set1_ps(limit);
    return {_mm_sub_ps(x.v, _mm_and_ps(_mm_cmpgt_ps(x.v, l), l))};
#else
    FLOAT4 r;
    for (int i = 0; i < 4; ++i)
        r.v[i] = x.v[i] > limit ? x.v[i] - limit : x.v[i];
    return r;
#endif
}

// Lanes a0, a0, a1, a1 and a2, a2, a3, a3 of x.
inline FLOAT4 PairLow(FLOAT4 x) noexcept
{
#ifdef MORVEX_FLOAT4_SSE2
    return {_mm_unpacklo_ps(x.v, x.v)};
#else
    return {{x.v[0], x.v[0], x.v[1], x.v[1]}};
#endif
}

inline FLOAT4 PairHigh(FLOAT4 x) noexcept
{
#ifdef MORVEX_FLOAT4_SSE2
    return {_mm_unpackhi_ps(x.v, x.v)};
#else
    return {{x.v[2], x.v[2], x.v[3], x.v[3]}};
#endif
}

// Splits non-negative lanes into whole parts (truncated, as integers) and fractions:
// whole[i] = trunc(x[i]), returns x - whole.
inline FLOAT4 SplitWhole(FLOAT4 x, int whole[4]) noexcept
{
#ifdef MORVEX_FLOAT4_SSE2
    const __m128i w = _mm_cvttps_epi32(x.v);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(whole), w);
    return {_mm_sub_ps(x.v, _mm_cvtepi32_ps(w))};
#else
    FLOAT4 r;
    for (int i = 0; i < 4; ++i)
    {
        whole[i] = static_cast<int>(x.v[i]);
        r.v[i] = x.v[i] - static_cast<float>(whole[i]);
    }
    return r;
#endif
}

// Rows r0..r3 become columns: afterwards r_k holds lane k of the four original rows.
inline void Transpose(FLOAT4& r0, FLOAT4& r1, FLOAT4& r2, FLOAT4& r3) noexcept
{
#ifdef MORVEX_FLOAT4_SSE2
    _MM_TRANSPOSE4_PS(r0.v, r1.v, r2.v, r3.v);
#else
    const FLOAT4 a = r0, b = r1, c = r2, d = r3;
    r0 = {{a.v[0], b.v[0], c.v[0], d.v[0]}};
    r1 = {{a.v[1], b.v[1], c.v[1], d.v[1]}};
    r2 = {{a.v[2], b.v[2], c.v[2], d.v[2]}};
    r3 = {{a.v[3], b.v[3], c.v[3], d.v[3]}};
#endif
}

// Lanes x0, x1, 0, 0.
inline FLOAT4 LowPair(FLOAT4 x) noexcept
{
#ifdef MORVEX_FLOAT4_SSE2
    return {_mm_castsi128_ps(_mm_move_epi64(_mm_castps_si128(x.v)))};
#else
    return {{x.v[0], x.v[1], 0.0f, 0.0f}};
#endif
}

// Lanes x2, x3, x2, x3.
inline FLOAT4 HighToLow(FLOAT4 x) noexcept
{
#ifdef MORVEX_FLOAT4_SSE2
    return {_mm_movehl_ps(x.v, x.v)};
#else
    return {{x.v[2], x.v[3], x.v[2], x.v[3]}};
#endif
}

// Lanes x3, x2, x3, x2: the upper pair, swapped, in the lower lanes.
inline FLOAT4 HighSwappedToLow(FLOAT4 x) noexcept
{
#ifdef MORVEX_FLOAT4_SSE2
    return {_mm_shuffle_ps(x.v, x.v, _MM_SHUFFLE(2, 3, 2, 3))};
#else
    return {{x.v[3], x.v[2], x.v[3], x.v[2]}};
#endif
}

// Lanes *a, *b, 0, 0.
inline FLOAT4 LoadPair(const float* a, const float* b) noexcept
{
#ifdef MORVEX_FLOAT4_SSE2
    return {_mm_unpacklo_ps(_mm_load_ss(a), _mm_load_ss(b))};
#else
    return {{*a, *b, 0.0f, 0.0f}};
#endif
}

// Lane 0 to *a, lane 1 to *b.
inline void StorePair(float* a, float* b, FLOAT4 x) noexcept
{
#ifdef MORVEX_FLOAT4_SSE2
    _mm_store_ss(a, x.v);
    _mm_store_ss(b, _mm_shuffle_ps(x.v, x.v, _MM_SHUFFLE(1, 1, 1, 1)));
#else
    *a = x.v[0];
    *b = x.v[1];
#endif
}

// Each non-finite lane replaced by +0, finite lanes unchanged (x - x is 0 only when x is
// finite).
inline FLOAT4 ZeroNonFinite(FLOAT4 x) noexcept
{
#ifdef MORVEX_FLOAT4_SSE2
    const __m128 d = _mm_sub_ps(x.v, x.v);
    return {_mm_and_ps(x.v, _mm_cmpeq_ps(d, _mm_setzero_ps()))};
#else
    FLOAT4 r;
    for (int i = 0; i < 4; ++i)
        r.v[i] = x.v[i] - x.v[i] == 0.0f ? x.v[i] : 0.0f;
    return r;
#endif
}

// As SplitWhole, with the whole parts kept in int lanes.
inline FLOAT4 SplitWhole(FLOAT4 x, INT4& whole) noexcept
{
#ifdef MORVEX_FLOAT4_SSE2
    whole.v = _mm_cvttps_epi32(x.v);
    return {_mm_sub_ps(x.v, _mm_cvtepi32_ps(whole.v))};
#else
    FLOAT4 r;
    for (int i = 0; i < 4; ++i)
    {
        whole.v[i] = static_cast<int>(x.v[i]);
        r.v[i] = x.v[i] - static_cast<float>(whole.v[i]);
    }
    return r;
#endif
}

inline INT4 SetInts(int a, int b, int c, int d) noexcept
{
#ifdef MORVEX_FLOAT4_SSE2
    return {_mm_setr_epi32(a, b, c, d)};
#else
    return {{a, b, c, d}};
#endif
}

// True when all four lanes are equal.
inline bool SameInts(INT4 a, INT4 b) noexcept
{
#ifdef MORVEX_FLOAT4_SSE2
    return _mm_movemask_epi8(_mm_cmpeq_epi32(a.v, b.v)) == 0xFFFF;
#else
    return a.v[0] == b.v[0] && a.v[1] == b.v[1] && a.v[2] == b.v[2] && a.v[3] == b.v[3];
#endif
}

inline void StoreInts(int* p, INT4 x) noexcept
{
#ifdef MORVEX_FLOAT4_SSE2
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p), x.v);
#else
    for (int i = 0; i < 4; ++i)
        p[i] = x.v[i];
#endif
}

// Per lane base - x, plus size where that is negative (an index wrapped into a ring).
inline INT4 WrappedDifference(int base, INT4 x, int size) noexcept
{
#ifdef MORVEX_FLOAT4_SSE2
    const __m128i d = _mm_sub_epi32(_mm_set1_epi32(base), x.v);
    return {_mm_add_epi32(d, _mm_and_si128(_mm_srai_epi32(d, 31), _mm_set1_epi32(size)))};
#else
    INT4 r;
    for (int i = 0; i < 4; ++i)
    {
        const int d = base - x.v[i];
        r.v[i] = d < 0 ? d + size : d;
    }
    return r;
#endif
}
} // namespace Float4
